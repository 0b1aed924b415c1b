#include "tree_checks.hpp"

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace xmlslice::test_support {

namespace {

std::string key_of(const char* name) {
    return name ? std::string("=") + name : std::string("null");
}

std::string check_children(XmlElement* parent) {
    std::vector<XmlElement*> order;
    std::set<XmlElement*> seen;
    for (XmlElement* c = parent->first_child; c; c = c->next_in_order) {
        if (!seen.insert(c).second) return "next_in_order chain has a cycle";
        if (c->parent != parent) return "child with a wrong parent link";
        if (!order.empty() && order.back()->offset > c->offset)
            return "next_in_order not by offset";
        order.push_back(c);
    }
    std::map<std::string, std::vector<XmlElement*>> groups;
    for (XmlElement* c : order) groups[key_of(c->name)].push_back(c);

    std::set<std::string> heads;
    std::set<XmlElement*> head_seen;
    for (XmlElement* h = parent->first_child; h; h = h->next_name_group) {
        if (!head_seen.insert(h).second) return "next_name_group chain has a cycle";
        auto it = groups.find(key_of(h->name));
        if (it == groups.end() || it->second.front() != h)
            return "name-group chain holds an element that is not a group head";
        if (!heads.insert(it->first).second) return "name group listed twice";
        std::size_t k = 0;
        for (XmlElement* s = h; s; s = s->next_same_name, ++k)
            if (k >= it->second.size() || it->second[k] != s)
                return "next_same_name chain differs from document order of " + it->first;
        if (k != it->second.size()) return "next_same_name chain misses a child";
    }
    if (heads.size() != groups.size()) return "name-group chain misses a group";
    // A stale link on a non-head could later be taken for a live one.
    for (XmlElement* c : order)
        if (c->next_name_group && groups[key_of(c->name)].front() != c)
            return "a child that is not a group head has a next_name_group";
    return {};
}

std::string describe(XmlElement* first, XmlElement* XmlElement::*link) {
    std::string words;
    for (XmlElement* c = first; c; c = c->*link) {
        if (!words.empty()) words += ' ';
        words += (c->name ? c->name : "?") + std::to_string(c->offset);
    }
    return words;
}

// Keys around each name: equal, longer and shorter by a byte or more.
std::vector<std::string> keys_around(const std::vector<const char*>& names) {
    std::vector<std::string> keys;
    std::size_t longest = 0;
    for (const char* name : names) {
        std::string n = name;
        longest = std::max(longest, n.size());
        keys.push_back(n);
        keys.push_back("\t" + n);
        for (std::size_t extra = 1; extra <= 9; ++extra)
            keys.push_back(n + std::string(extra, '\t'));
        if (!n.empty()) keys.push_back(n.substr(0, n.size() - 1));
    }
    for (std::size_t length = 0; length <= longest + 9; ++length)
        keys.push_back(std::string(length, '\t'));
    return keys;
}

XmlElement* first_named_by_walk(XmlElement* e, const std::string& key) {
    for (XmlElement* c = e->first_child; c; c = c->next_name_group)
        if (c->name && key == c->name) return c;
    return nullptr;
}

// The element's own pair, else its name's first declaration list.
const char* attribute_by_walk(XmlElement* e, const std::string& key, char** declared) {
    for (char** pair = e->attributes; *pair; pair += 2)
        if (key == *pair) return pair[1];
    for (char** triple = declared; triple && *triple; triple += 3)
        if (key == *triple) return triple[1];
    return nullptr;
}

char** declared_for(AttributeDefaultTable table, const char* element) {
    for (char*** list = table; *list; ++list)
        if (element && std::strcmp((*list)[0], element) == 0) return *list + 1;
    return nullptr;
}

std::string check_lookups(XmlElement* e, char** declared) {
    std::vector<const char*> names;
    for (XmlElement* c = e->first_child; c; c = c->next_name_group)
        if (c->name) names.push_back(c->name);
    for (char** pair = e->attributes; *pair; pair += 2) names.push_back(*pair);
    for (char** triple = declared; triple && *triple; triple += 3) names.push_back(*triple);
    for (const std::string& key : keys_around(names)) {
        if (element_first_named(e, key.c_str()) != first_named_by_walk(e, key))
            return "element_first_named(" + key_of(e->name) + ", " + key + ")";
        if (element_attribute_value(e, key.c_str()) != attribute_by_walk(e, key, declared))
            return "element_attribute_value(" + key_of(e->name) + ", " + key + ")";
    }
    return {};
}

}  // namespace

std::string lookup_violation(XmlElement* root) {
    if (!root) return {};
    auto* document = reinterpret_cast<XmlDocument*>(root);
    std::vector<XmlElement*> pending{root};
    while (!pending.empty()) {
        XmlElement* e = pending.back();
        pending.pop_back();
        std::string why = check_lookups(e, declared_for(document->attribute_defaults, e->name));
        if (!why.empty()) return why;
        for (XmlElement* c = e->first_child; c; c = c->next_in_order) pending.push_back(c);
    }
    std::vector<const char*> targets;
    for (char*** list = document->instructions; *list; ++list) targets.push_back((*list)[0]);
    for (const std::string& key : keys_around(targets)) {
        char* const* expected = empty_list;
        for (char*** list = document->instructions; *list && expected == empty_list; ++list)
            if (key == (*list)[0]) expected = *list + 1;
        if (document_instructions(root, key.c_str()) != expected)
            return "document_instructions(" + key + ")";
    }
    return {};
}

bool valid_utf8(const char* bytes, std::size_t length) {
    const auto* at = reinterpret_cast<const unsigned char*>(bytes);
    const unsigned char* end = at + length;
    while (at < end) {
        unsigned lead = *at++;
        if (lead < 0x80) continue;
        int extra = lead >= 0xC2 && lead <= 0xDF   ? 1
                    : lead >= 0xE0 && lead <= 0xEF ? 2
                    : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                   : -1;
        if (extra < 0 || end - at < extra) return false;
        char32_t c = lead & (0x3F >> extra);
        for (int k = 0; k < extra; ++k, ++at) {
            if ((*at & 0xC0) != 0x80) return false;
            c = c << 6 | (*at & 0x3F);
        }
        char32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    }
    return true;
}

std::string invalid_utf8_string(XmlElement* root) {
    if (!root) return {};
    std::vector<const char*> strings;
    std::vector<XmlElement*> pending{root};
    while (!pending.empty()) {
        XmlElement* e = pending.back();
        pending.pop_back();
        strings.push_back(e->name);
        strings.push_back(e->text);
        for (char** pair = e->attributes; *pair; pair += 2)
            strings.insert(strings.end(), {pair[0], pair[1]});
        for (XmlElement* c = e->first_child; c; c = c->next_in_order) pending.push_back(c);
    }
    auto* document = reinterpret_cast<XmlDocument*>(root);
    for (char*** list = document->attribute_defaults; *list; ++list) {
        strings.push_back((*list)[0]);
        for (char** triple = *list + 1; *triple; triple += 3)
            strings.insert(strings.end(), {triple[0], triple[1]});
    }
    for (char*** list = document->instructions; *list; ++list)
        for (char** slot = *list; *slot; ++slot) strings.push_back(*slot);
    for (const char* string : strings)
        if (string && !valid_utf8(string, std::strlen(string))) return string;
    return {};
}

std::string tree_violation(XmlElement* root) {
    if (!root) return {};
    std::vector<XmlElement*> pending{root};
    std::set<XmlElement*> visited{root};  // a parent-link cycle must not loop forever
    while (!pending.empty()) {
        XmlElement* e = pending.back();
        pending.pop_back();
        std::string why = check_children(e);
        if (!why.empty()) return why + " (under " + key_of(e->name) + ")";
        for (XmlElement* c = e->first_child; c; c = c->next_in_order) {
            if (!visited.insert(c).second)
                return "element reached twice (under " + key_of(e->name) + ")";
            pending.push_back(c);
        }
    }
    return {};
}

std::string child_order(XmlElement* parent) {
    return describe(parent->first_child, &XmlElement::next_in_order);
}

std::string name_groups(XmlElement* parent) {
    return describe(parent->first_child, &XmlElement::next_name_group);
}

std::string written(XmlElement* element) {
    char* text = element_to_text(element);
    std::string result = text ? text : "<null>";
    std::free(text);
    return result;
}

std::vector<XmlElement*> add_children(XmlElement* parent, const char* words) {
    static const char* const names[] = {"a", "b", "c", "d", "e", "f", "g", "h"};
    std::vector<XmlElement*> added;
    std::istringstream in(words);
    for (std::string word; in >> word;)
        added.push_back(element_add_child(parent, names[(word[0] - 'a') & 7],
                                          std::strtoul(word.c_str() + 1, nullptr, 10)));
    return added;
}

}  // namespace xmlslice::test_support

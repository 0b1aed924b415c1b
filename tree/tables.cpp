#include "tree/tables.hpp"

#include <cstdlib>
#include <cstring>

namespace xmlslice {

namespace detail {

namespace {

// Where the ownership string of a one-block list of `count` pairs lies.
char* embedded_ownership(AttributeList list, std::size_t count) {
    return reinterpret_cast<char*>(list + 2 * count + 2);
}

void close_list(AttributeList list, std::size_t count, char* ownership) {
    list[2 * count] = nullptr;
    list[2 * count + 1] = ownership;
    ownership[count] = '\0';
}

// A list that is its own block: the ownership bytes move to where
// `new_count` pairs end, after the block grows or before it shrinks.
AttributeList resize_block(AttributeList list, std::size_t count, std::size_t new_count) {
    std::size_t kept = count < new_count ? count : new_count;
    if (new_count < count)
        std::memmove(embedded_ownership(list, new_count), embedded_ownership(list, count), kept);
    auto* resized = static_cast<AttributeList>(std::realloc(list, attribute_list_bytes(new_count)));
    if (!resized && new_count > count) return nullptr;
    if (!resized) resized = list;  // the larger block serves
    if (new_count > count)
        std::memmove(embedded_ownership(resized, new_count), embedded_ownership(resized, count),
                     kept);
    close_list(resized, new_count, embedded_ownership(resized, new_count));
    return resized;
}

}  // namespace

AttributeList attribute_list_new(std::size_t count) {
    auto* list = static_cast<AttributeList>(std::malloc(attribute_list_bytes(count)));
    if (list) close_list(list, count, embedded_ownership(list, count));
    return list;
}

[[gnu::cold]] AttributeList attribute_list_resize(AttributeList list, std::size_t count,
                                                  std::size_t new_count) {
    if (!is_empty_list(list) && list[2 * count + 1] == embedded_ownership(list, count))
        return resize_block(list, count, new_count);
    // Shared, or built by a host with an ownership string of its own.
    AttributeList fresh = attribute_list_new(new_count);
    if (!fresh && new_count < count) {
        close_list(list, new_count, list[2 * count + 1]);  // the host's list serves, shorter
        return list;
    }
    if (!fresh || is_empty_list(list)) return fresh;
    std::size_t kept = count < new_count ? count : new_count;
    std::memcpy(fresh, list, 2 * kept * sizeof(char*));
    std::memcpy(embedded_ownership(fresh, new_count), list[2 * count + 1], kept);
    std::free(list[2 * count + 1]);
    std::free(list);
    return fresh;
}

}  // namespace detail

void attribute_list_free(AttributeList list) {
    using namespace detail;
    if (!list || is_empty_list(list)) return;
    Attributes attributes(list);
    const char* ownership = attributes.ownership();
    for (std::size_t k = 0; k < attributes.count && ownership && ownership[k]; ++k) {
        if (attributes.bits(k) & OWNS_NAME) std::free(attributes.name(k));
        if (attributes.bits(k) & OWNS_VALUE) std::free(attributes.value(k));
    }
    if (ownership != embedded_ownership(list, attributes.count)) std::free(attributes.ownership());
    std::free(list);
}

namespace detail {

// A stored key may be shorter than the wanted one, so the compare stops at
// its NUL: a word-at-a-time compare of `length` bytes would read past it.
[[gnu::noinline]] std::size_t find_list(char*** table, const char* key, std::size_t length) {
    for (std::size_t i = 0; table[i]; ++i)
        if (std::strncmp(table[i][0], key, length) == 0 && !table[i][0][length]) return i;
    return NameIndex::npos;
}

namespace {
// Lists beyond this many are found by hash.
constexpr std::size_t FEW_LISTS = 8;
}  // namespace

[[gnu::cold]] bool ListFinder::index_up_to(std::size_t count) {
    for (; indexed_ < count; ++indexed_) {
        const char* key = (*table_)[indexed_][0];
        if (!by_key_.insert(0, key, std::strlen(key), indexed_)) return false;
    }
    return true;
}

bool ListFinder::added(std::size_t list) {
    return indexed_ == 0 || index_up_to(list + 1);
}

std::size_t ListFinder::find(const char* key, std::size_t length) {
    if (indexed_ == 0) {
        std::size_t count = 0;
        while ((*table_)[count]) ++count;
        if (count <= FEW_LISTS || !index_up_to(count)) return find_list(*table_, key, length);
    }
    return by_key_.find(0, key, length);
}

const char* const predefined_entities[11] = {
    "lt;", "&#60;", "gt;", "&#62;", "quot;", "&#34;", "apos;", "&#39;", "amp;", "&#38;", nullptr,
};

namespace {

void free_entities(XmlDocument* document) {
    char** table = document->entities;
    if (!table) return;
    for (std::size_t i = predefined_entity_count; table[2 * i]; ++i)
        if (!lies_in_text(document, table[2 * i + 1])) std::free(table[2 * i + 1]);
    std::free(table);
}

// Declared default values the decoder moved to the heap, or position strings.
[[gnu::cold]] void free_keyed_lists(XmlDocument* document, char*** table, bool instructions) {
    if (is_empty_list(table)) return;
    for (char*** list = table; *list; ++list) {
        KeyedList keyed{*list};
        std::size_t count = keyed.count(instructions ? 1 : 3);
        if (instructions) std::free(const_cast<char*>(keyed.positions(count)));
        for (std::size_t i = 0; !instructions && i < count; ++i) {
            const char* value = declared_at(keyed, i).default_value;
            if (value && !lies_in_text(document, value)) std::free(const_cast<char*>(value));
        }
        std::free(*list);
    }
    std::free(table);
}

}  // namespace

void release_tables(XmlDocument* document) {
    free_entities(document);
    free_keyed_lists(document, document->attribute_defaults, false);
    free_keyed_lists(document, document->instructions, true);
}

}  // namespace detail

}  // namespace xmlslice

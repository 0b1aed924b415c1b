// The 27 functions of XPath's core library. Strings count characters, not
// bytes: the tree is UTF-8, and a character is a lead byte with the
// continuation bytes after it.
#include <cmath>
#include <cstring>

#include "select/evaluator.hpp"
#include "select/xpath_bytes.hpp"
#include "select/xpath_number.hpp"

namespace xmlslice::detail {

namespace {

// Bytes in the character that starts at text[at].
std::size_t character_length(std::string_view text, std::size_t at) {
    auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return length < text.size() - at ? length : text.size() - at;
}

std::size_t character_count(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += character_length(text, at)) ++count;
    return count;
}

// XPath's round: halves go up, and what rounds to zero from below is -0.
double xpath_round(double value) {
    if (std::isnan(value) || std::isinf(value)) return value;
    double down = std::floor(value);
    double rounded = value - down >= 0.5 ? down + 1 : down;
    return rounded == 0 && value < 0 ? -0.0 : rounded;
}

char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// lang()'s test: the same language, or a sublanguage of it.
bool language_matches(std::string_view language, std::string_view wanted) {
    if (language.size() < wanted.size()) return false;
    for (std::size_t k = 0; k < wanted.size(); ++k)
        if (ascii_lower(language[k]) != ascii_lower(wanted[k])) return false;
    return language.size() == wanted.size() || language[wanted.size()] == '-';
}

std::string_view local_part(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

std::string_view prefix_part(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? std::string_view(name, static_cast<std::size_t>(colon - name))
                 : std::string_view();
}

}  // namespace

bool Evaluator::make_string(std::string_view text, Value& out) {
    out = Value();
    out.kind = ValueKind::string;
    out.string = text;
    return true;
}

bool Evaluator::finish_builder(Value& out) {
    Buffer<char>& bytes = scratch_.builder;
    char* kept = scratch_.strings.allocate(bytes.size());
    if (!kept) return out_of_memory();
    if (!bytes.empty()) std::memcpy(kept, bytes.data(), bytes.size());
    return make_string(std::string_view(kept, bytes.size()), out);
}

bool Evaluator::argument_string(const Expr& expr, std::size_t k, const EvalContext& context,
                                std::string_view& out) {
    // Without the argument: the context node.
    if (k >= expr.args.size()) return string_value(context.node, out);
    Value value;
    if (!eval(expr.args[k], context, value) || !to_string(value, out)) return false;
    release(value);
    return true;
}

bool Evaluator::argument_number(const Expr& expr, std::size_t k, const EvalContext& context,
                                double& out) {
    Value value;
    if (k >= expr.args.size()) {
        std::string_view text;
        if (!string_value(context.node, text)) return false;
        out = parse_xpath_number(text);
        return true;
    }
    if (!eval(expr.args[k], context, value) || !to_number(value, out)) return false;
    release(value);
    return true;
}

bool Evaluator::argument_node(const Expr& expr, const EvalContext& context, bool& found,
                              Node& node) {
    found = true;
    if (expr.args.empty()) {
        node = context.node;
        return true;
    }
    Value value;
    if (!eval(expr.args[0], context, value)) return false;
    if (value.kind != ValueKind::nodes) return fail("a node function needs a node-set");
    found = !value.set->nodes.empty();
    if (found) node = value.set->nodes[0];
    release(value);
    return true;
}

bool Evaluator::eval_call(const Expr& expr, const EvalContext& context, Value& out) {
    switch (expr.function) {
        case Function::last:
        case Function::position:
        case Function::count:
        case Function::id:
        case Function::local_name:
        case Function::namespace_uri:
        case Function::name:
            return node_set_function(expr, context, out);
        case Function::boolean:
        case Function::not_function:
        case Function::true_function:
        case Function::false_function:
        case Function::lang:
        case Function::starts_with:
        case Function::contains:
            return boolean_function(expr, context, out);
        case Function::number:
        case Function::sum:
        case Function::floor:
        case Function::ceiling:
        case Function::round:
        case Function::string_length:
            return number_function(expr, context, out);
        default:
            return string_function(expr, context, out);
    }
}

bool Evaluator::node_set_function(const Expr& expr, const EvalContext& context, Value& out) {
    out = Value();
    out.kind = ValueKind::number;
    switch (expr.function) {
        case Function::last:
            out.number = static_cast<double>(context.size);
            return true;
        case Function::position:
            out.number = static_cast<double>(context.position);
            return true;
        case Function::count: {
            Value value;
            if (!eval(expr.args[0], context, value)) return false;
            if (value.kind != ValueKind::nodes) return fail("count() needs a node-set");
            out.number = static_cast<double>(value.set->nodes.size());
            release(value);
            return true;
        }
        case Function::id: {
            Value value;
            return eval(expr.args[0], context, value) && id_function(value, out);
        }
        default:
            break;
    }
    bool found = false;
    Node node;
    if (!argument_node(expr, context, found, node)) return false;
    std::string_view text;
    bool named = found && (node.kind == NodeKind::element || node.kind == NodeKind::attribute);
    const char* name =
        named ? (node.kind == NodeKind::element ? node.element->name : node.name) : nullptr;
    if (name) {
        if (expr.function == Function::name) {
            text = name;
        } else if (expr.function == Function::local_name) {
            text = local_part(name);
        } else {
            std::string_view prefix = prefix_part(name);
            // An attribute without a prefix is in no namespace.
            bool none = node.kind == NodeKind::attribute && prefix.empty();
            const char* uri = none ? nullptr : namespace_uri_in_scope(node.element, prefix);
            if (uri) text = uri;
        }
    }
    return make_string(text, out);
}

bool Evaluator::id_function(Value& argument, Value& out) {
    NodeSet* set = acquire();
    if (!set) return out_of_memory();
    // Every white-space separated token of the argument names an ID.
    auto add_ids = [&](std::string_view text) {
        std::size_t at = 0;
        while (at < text.size()) {
            while (at < text.size() && is_xpath_space(text[at])) ++at;
            std::size_t start = at;
            while (at < text.size() && !is_xpath_space(text[at])) ++at;
            if (at == start) break;
            XmlElement* element = nullptr;
            if (!scratch_.ids.find(top_, scratch_.attributes, text.substr(start, at - start),
                                   element))
                return out_of_memory();
            if (element && !set->nodes.push_back(element_node(element))) return out_of_memory();
        }
        return true;
    };
    Arena::Mark mark = scratch_.strings.mark();
    if (argument.kind == ValueKind::nodes) {
        for (const Node& node : argument.set->nodes) {
            std::string_view text;
            if (!string_value(node, text) || !add_ids(text)) return false;
            scratch_.strings.release(mark);
        }
    } else {
        std::string_view text;
        if (!to_string(argument, text) || !add_ids(text)) return false;
    }
    scratch_.strings.release(mark);
    release(argument);
    if (!sort(*set)) return false;
    out = Value();
    out.kind = ValueKind::nodes;
    out.set = set;
    return true;
}

bool Evaluator::string_function(const Expr& expr, const EvalContext& context, Value& out) {
    std::string_view text;
    if (!argument_string(expr, 0, context, text)) return false;
    Buffer<char>& bytes = scratch_.builder;
    switch (expr.function) {
        case Function::string:
            return make_string(text, out);
        case Function::concat: {
            // All parts first: making one may use the builder.
            Buffer<std::string_view> parts;
            if (!parts.push_back(text)) return out_of_memory();
            for (std::size_t k = 1; k < expr.args.size(); ++k) {
                std::string_view part;
                if (!argument_string(expr, k, context, part)) return false;
                if (!parts.push_back(part)) return out_of_memory();
            }
            bytes.clear();
            for (std::string_view part : parts)
                if (!bytes.append(part.data(), part.size())) return out_of_memory();
            return finish_builder(out);
        }
        case Function::substring_before:
        case Function::substring_after: {
            std::string_view pattern;
            if (!argument_string(expr, 1, context, pattern)) return false;
            std::size_t at = text.find(pattern);
            if (at == std::string_view::npos) return make_string({}, out);
            if (expr.function == Function::substring_before)
                return make_string(text.substr(0, at), out);
            return make_string(text.substr(at + pattern.size()), out);
        }
        case Function::substring: {
            double start = 0;
            double length = 0;
            if (!argument_number(expr, 1, context, start)) return false;
            if (expr.args.size() > 2 && !argument_number(expr, 2, context, length)) return false;
            // Characters at positions p with round(start) <= p < round(start) + round(length).
            // With no length there is no upper bound, even from a start of
            // -Infinity (where -Infinity + Infinity would be NaN).
            double first = xpath_round(start);
            double end = expr.args.size() > 2 ? first + xpath_round(length) : INFINITY;
            std::size_t begin_byte = text.size();
            std::size_t end_byte = text.size();
            double position = 1;
            for (std::size_t at = 0; at < text.size(); at += character_length(text, at)) {
                bool inside = position >= first && position < end;
                if (inside && begin_byte == text.size()) begin_byte = at;
                if (!inside && begin_byte != text.size()) {
                    end_byte = at;
                    break;
                }
                position += 1;
            }
            return make_string(text.substr(begin_byte, end_byte - begin_byte), out);
        }
        case Function::normalize_space: {
            bytes.clear();
            std::size_t at = 0;
            for (;;) {
                while (at < text.size() && is_xpath_space(text[at])) ++at;
                if (at == text.size()) break;
                if (!bytes.empty() && !bytes.push_back(' ')) return out_of_memory();
                std::size_t start = at;
                while (at < text.size() && !is_xpath_space(text[at])) ++at;
                if (!bytes.append(text.data() + start, at - start)) return out_of_memory();
            }
            return finish_builder(out);
        }
        case Function::translate: {
            std::string_view from;
            std::string_view to;
            if (!argument_string(expr, 1, context, from) || !argument_string(expr, 2, context, to))
                return false;
            bytes.clear();
            for (std::size_t at = 0; at < text.size();) {
                std::size_t length = character_length(text, at);
                std::string_view character = text.substr(at, length);
                at += length;
                // The first place of the character in from, counted in characters.
                std::size_t index = 0;
                std::size_t from_at = 0;
                while (from_at < from.size() &&
                       from.substr(from_at, character_length(from, from_at)) != character) {
                    from_at += character_length(from, from_at);
                    ++index;
                }
                std::string_view replacement = character;
                if (from_at < from.size()) {
                    std::size_t to_at = 0;
                    for (std::size_t k = 0; k < index && to_at < to.size(); ++k)
                        to_at += character_length(to, to_at);
                    replacement = to_at < to.size() ? to.substr(to_at, character_length(to, to_at))
                                                    : std::string_view();
                }
                if (!bytes.append(replacement.data(), replacement.size())) return out_of_memory();
            }
            return finish_builder(out);
        }
        default:
            return fail("unknown function");
    }
}

bool Evaluator::number_function(const Expr& expr, const EvalContext& context, Value& out) {
    double number = 0;
    if (expr.function == Function::sum) {
        Value value;
        if (!eval(expr.args[0], context, value)) return false;
        if (value.kind != ValueKind::nodes) return fail("sum() needs a node-set");
        Arena::Mark mark = scratch_.strings.mark();
        for (const Node& node : value.set->nodes) {
            std::string_view text;
            if (!string_value(node, text)) return false;
            number += parse_xpath_number(text);
            scratch_.strings.release(mark);
        }
        release(value);
    } else if (expr.function == Function::string_length) {
        std::string_view text;
        if (!argument_string(expr, 0, context, text)) return false;
        number = static_cast<double>(character_count(text));
    } else {
        if (!argument_number(expr, 0, context, number)) return false;
        if (expr.function == Function::floor) number = std::floor(number);
        if (expr.function == Function::ceiling) number = std::ceil(number);
        if (expr.function == Function::round) number = xpath_round(number);
    }
    out = Value();
    out.kind = ValueKind::number;
    out.number = number;
    return true;
}

bool Evaluator::lang_matches(const Node& node, std::string_view wanted) {
    if (node.kind == NodeKind::root) return false;
    for (XmlElement* element = node.element; element; element = element->parent) {
        FoundAttribute found = scratch_.attributes.find(element, "xml:lang");
        if (found.name) return language_matches(found.value, wanted);
    }
    return false;
}

bool Evaluator::boolean_function(const Expr& expr, const EvalContext& context, Value& out) {
    bool truth = false;
    switch (expr.function) {
        case Function::true_function:
            truth = true;
            break;
        case Function::false_function:
            break;
        case Function::boolean:
        case Function::not_function: {
            Value value;
            if (!eval(expr.args[0], context, value)) return false;
            truth = to_boolean(value) == (expr.function == Function::boolean);
            release(value);
            break;
        }
        case Function::lang: {
            std::string_view wanted;
            if (!argument_string(expr, 0, context, wanted)) return false;
            truth = lang_matches(context.node, wanted);
            break;
        }
        default: {
            std::string_view text;
            std::string_view pattern;
            if (!argument_string(expr, 0, context, text) ||
                !argument_string(expr, 1, context, pattern))
                return false;
            truth = expr.function == Function::contains ? text.find(pattern) != text.npos
                                                        : text.substr(0, pattern.size()) == pattern;
            break;
        }
    }
    out = Value();
    out.kind = ValueKind::boolean;
    out.boolean = truth;
    return true;
}

}  // namespace xmlslice::detail

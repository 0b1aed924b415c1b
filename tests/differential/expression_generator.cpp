#include "expression_generator.hpp"

namespace differential {
namespace {

const char* element_test(RandomSource& random) {
    return random.pick({"a", "b", "c", "d", "r", "p:a", "p:b", "p:c", "o:a", "*", "*", "p:*",
                        "node()", "text()", "zz", "q", "absent-element-with-a-long-name"});
}

const char* attribute_test(RandomSource& random) {
    return random.pick({"x", "y", "z", "id", "w", "xml:lang", "p:x", "*", "p:*", "node()", "v",
                        "absent-attribute-name"});
}

// libxml2 2.9's following axis from an attribute leaves out the descendants
// of the attribute's element, which XPath's document order puts after the
// attribute; so following:: never starts where the context may be one.
const char* axis(RandomSource& random, bool from_attribute) {
    const char* name =
        random.pick({"child::", "descendant::", "parent::", "ancestor::", "following-sibling::",
                     "preceding-sibling::", "following::", "preceding::", "attribute::", "self::",
                     "descendant-or-self::", "ancestor-or-self::"});
    return from_attribute && std::string(name) == "following::" ? "preceding::" : name;
}

const char* number_literal(RandomSource& random) {
    return random.pick(
        {"0", "1", "1", "2", "2", "3", "4", "10", "1.5", ".5", "2.", "007", "0.25", "100", "-1"});
}

// No '-' and no 'e' or 'E': libxml2 reads a string '-' as -0 and 1e3 as
// 1000, which XPath reads as NaN, and both come easily out of substring()
// and translate().
const char* string_literal(RandomSource& random) {
    return random.pick({"'ab'", "\"b\"", "''", "'1'", "' 2 '", "'2.5'", "'x y'", "'A'",
                        "'\xc3\xa4'", "'NaN'", "'i1'", "'i1 i2'", "'a'", "\"'\"", "'  x  y  '",
                        "'abc'"});
}

}  // namespace

std::string ExpressionGenerator::expression() {
    if (random_.chance(2)) return ill_typed(1);
    return any(0);
}

std::string ExpressionGenerator::any(int depth) {
    switch (random_.below(4)) {
        case 0:
            return node_set(depth);
        case 1:
            return number(depth);
        case 2:
            return string(depth);
        default:
            return boolean(depth);
    }
}

std::string ExpressionGenerator::node_set(int depth) {
    if (leaf(depth)) return location_path(depth + 1);
    switch (random_.below(8)) {
        case 0:
            return node_set(depth + 1) + " | " + node_set(depth + 1);
        case 1: {
            std::string filtered = "(" + node_set(depth + 1) + ")";
            bool context = attribute_context_;
            attribute_context_ = true;
            filtered += predicate(depth + 1);
            attribute_context_ = context;
            return filtered;
        }
        case 2: {
            std::string filtered = "(" + node_set(depth + 1) + ")" + random_.pick({"/", "//"});
            bool context = attribute_context_;
            attribute_context_ = true;
            filtered += relative_path(depth + 1);
            attribute_context_ = context;
            return filtered;
        }
        case 3:
            return "id(" + id_argument(depth + 1) + ")";
        case 4:
            return "(" + location_path(depth + 1) + ")";
        default:
            return location_path(depth + 1);
    }
}

// libxml2 finds no ID in a token after leading white space (id(' b') is
// empty), and text nodes often start with some: a node-set argument is a
// path to attributes, whose values here never do before an ID, or goes
// through normalize-space().
std::string ExpressionGenerator::id_argument(int depth) {
    switch (random_.below(3)) {
        case 0:
            return string_literal(random_);
        case 1:
            return location_path(depth) + "/@" + attribute_test(random_);
        default:
            return "normalize-space(" + node_set(depth) + ")";
    }
}

std::string ExpressionGenerator::location_path(int depth) {
    bool context = attribute_context_;
    std::string path;
    switch (random_.below(6)) {
        case 0:
            attribute_context_ = false;
            path = "/" + (random_.chance(20) ? std::string() : relative_path(depth));
            break;
        case 1:
        case 2:
            attribute_context_ = false;
            path = "//" + relative_path(depth);
            break;
        default:
            path = relative_path(depth);
    }
    attribute_context_ = context;
    return path;
}

std::string ExpressionGenerator::relative_path(int depth) {
    bool context = attribute_context_;
    std::string path = step(depth);
    for (std::size_t n = random_.below(3); n > 0; --n)
        path += random_.pick({"/", "/", "//"}) + step(depth + 1);
    attribute_context_ = context;
    return path;
}

// Leaves attribute_context_ saying whether the step may select attributes,
// which are then the context of its predicates and of the next step.
std::string ExpressionGenerator::step(int depth) {
    std::string text;
    switch (random_.below(10)) {
        case 0:
            text = random_.pick({".", ".."});
            attribute_context_ = attribute_context_ && text == ".";
            return text;
        case 1:
        case 2:
            text = std::string("@") + attribute_test(random_);
            attribute_context_ = true;
            break;
        case 3:
        case 4:
        case 5:
            text = element_test(random_);
            attribute_context_ = false;
            break;
        default: {
            std::string name = axis(random_, attribute_context_);
            bool attribute = name == "attribute::";
            text = name + (attribute ? attribute_test(random_) : element_test(random_));
            bool keeps =
                name == "self::" || name == "descendant-or-self::" || name == "ancestor-or-self::";
            attribute_context_ = attribute || (keeps && attribute_context_);
        }
    }
    bool context = attribute_context_;
    for (std::size_t n = random_.chance(30) ? 1 + random_.below(2) : 0; n > 0; --n)
        text += predicate(depth + 1);
    attribute_context_ = context;
    return text;
}

std::string ExpressionGenerator::predicate(int depth) {
    switch (random_.below(10)) {
        case 0:
        case 1:
            return std::string("[") + random_.pick({"1", "2", "3", "last()", "last() - 1", "0"}) +
                   "]";
        case 2:
            return "[position() " + std::string(random_.pick({"<", "<=", ">", ">=", "=", "!="})) +
                   " " + random_.pick({"1", "2", "last()", "3 - 1"}) + "]";
        case 3:
            return "[" + number(depth + 1) + "]";
        case 4:
        case 5:
            return "[" + relative_path(depth + 1) + "]";
        default:
            return "[" + boolean(depth + 1) + "]";
    }
}

std::string ExpressionGenerator::number(int depth) {
    if (leaf(depth)) {
        switch (random_.below(4)) {
            case 0:
                return "count(" + location_path(depth + 1) + ")";
            case 1:
                return random_.pick({"position()", "last()", "$num"});
            default:
                return number_literal(random_);
        }
    }
    switch (random_.below(14)) {
        case 0:
        case 1:
            return number(depth + 1) + " " + random_.pick({"+", "-", "*", "div", "mod", "+", "-"}) +
                   " " + number(depth + 1);
        case 2:
            return "-" + number(depth + 1);
        case 3:
            return "(" + number(depth + 1) + ")";
        case 4:
            return "count(" + node_set(depth + 1) + ")";
        case 5:
            return "string-length(" + (random_.chance(20) ? "" : string(depth + 1)) + ")";
        case 6:
            return "number(" + (random_.chance(10) ? "" : any(depth + 1)) + ")";
        case 7:
            return "sum(" + node_set(depth + 1) + ")";
        case 8:
            return std::string(random_.pick({"floor(", "ceiling(", "round("})) + number(depth + 1) +
                   ")";
        case 9:
            return node_set(depth + 1);  // a node-set where a number is read
        default:
            return number_literal(random_);
    }
}

// A number whose string form libxml2 writes as XPath says.
std::string ExpressionGenerator::tame_number(int depth) {
    switch (random_.below(6)) {
        case 0:
            return "(round(" + number(depth + 1) + ") mod 1000)";
        case 1:
            return "(floor(" + number(depth + 1) + ") mod 1000) div 4";
        case 2:
            return "count(" + node_set(depth + 1) + ")";
        case 3:
            return random_.pick({"0 div 0", "1 div 0", "-1 div 0", "-0", "$num"});
        default:
            return random_.pick({"0", "1", "2", "-1", "1.5", ".5", "2.", "007", "0.25", "100"});
    }
}

std::string ExpressionGenerator::convertible_to_string(int depth) {
    switch (random_.below(4)) {
        case 0:
            return node_set(depth);
        case 1:
            return tame_number(depth);
        case 2:
            return boolean(depth);
        default:
            return string(depth);
    }
}

std::string ExpressionGenerator::string(int depth) {
    if (leaf(depth)) {
        if (random_.chance(20)) return "$str";
        return string_literal(random_);
    }
    switch (random_.below(14)) {
        case 0:
            return "string(" + (random_.chance(10) ? "" : convertible_to_string(depth + 1)) + ")";
        case 1: {
            std::string call = "concat(" + convertible_to_string(depth + 1);
            for (std::size_t n = 1 + random_.below(3); n > 0; --n)
                call += ", " + convertible_to_string(depth + 1);
            return call + ")";
        }
        case 2:
            return std::string(random_.pick({"substring-before(", "substring-after("})) +
                   string(depth + 1) + ", " + string(depth + 1) + ")";
        case 3:
            return "substring(" + string(depth + 1) + ", " + number(depth + 1) +
                   (random_.chance(50) ? ", " + number(depth + 1) : "") + ")";
        case 4:
            return "normalize-space(" + (random_.chance(10) ? "" : string(depth + 1)) + ")";
        case 5:
            return "translate(" + string(depth + 1) + ", " + string_literal(random_) + ", " +
                   string_literal(random_) + ")";
        case 6:
        case 7:
            return std::string(random_.pick({"name(", "local-name(", "namespace-uri("})) +
                   (random_.chance(20) ? "" : node_set(depth + 1)) + ")";
        case 8:
            return node_set(depth + 1);  // a node-set where a string is read
        default:
            return string_literal(random_);
    }
}

std::string ExpressionGenerator::boolean(int depth) {
    if (leaf(depth)) return random_.pick({"true()", "false()", "1 = 1", "'a' = 'b'"});
    switch (random_.below(12)) {
        case 0:
        case 1:
        case 2:
            return any(depth + 1) + " " +
                   random_.pick({"=", "!=", "<", "<=", ">", ">=", "=", "!="}) + " " +
                   any(depth + 1);
        case 3:
            return boolean(depth + 1) + random_.pick({" and ", " or "}) + boolean(depth + 1);
        case 4:
            return "not(" + any(depth + 1) + ")";
        case 5:
            return "boolean(" + any(depth + 1) + ")";
        case 6:
            return std::string(random_.pick({"starts-with(", "contains("})) + string(depth + 1) +
                   ", " + string(depth + 1) + ")";
        case 7:
            return std::string("lang(") +
                   random_.pick({"'en'", "'EN'", "'en-gb'", "'fr'", "'e'", "''", "'de-'"}) + ")";
        case 8:
            return "(" + boolean(depth + 1) + ")";
        case 9:
            return node_set(depth + 1) + " " + random_.pick({"=", "!=", "<", ">="}) + " " +
                   random_.pick({"true()", "false()"});
        default:
            return random_.pick({"true()", "false()"});
    }
}

// An expression both engines must refuse, at compile time or when run.
std::string ExpressionGenerator::ill_typed(int depth) {
    switch (random_.below(7)) {
        case 0:
            return number_literal(random_) + std::string("/") + random_.pick({"a", "*", ".."});
        case 1:
            return "(" + string(depth) + ")//" + relative_path(depth);
        case 2:
            return "count(" + number(depth) + ")";
        case 3:
            return string_literal(random_) + std::string(" | ") + node_set(depth);
        case 4:
            return random_.pick({"unknown-function()", "$unbound", "1 +", "a[", "//", "@",
                                 "a/child::", "f(1)", "count()", "concat('a')"});
        case 5: {
            // Cut off, but not inside a variable's name: libxml2 reports an
            // unbound variable only when it evaluates it.
            std::string whole = any(depth);
            std::string cut = whole.substr(0, random_.below(whole.size() + 1));
            std::size_t dollar = cut.rfind('$');
            if (dollar != std::string::npos &&
                cut.find_first_of(" )],", dollar) == std::string::npos)
                cut.erase(dollar);
            return cut + " ]";
        }
        default:
            return "sum(" + string(depth) + ")";
    }
}

}  // namespace differential

#include "select/predicate_tests.hpp"

#include <cstring>

namespace xmlslice::detail {

namespace {

// XPath compares node values existentially: the test holds when one value
// compares as asked, so != needs a value that differs, not a missing one.
bool compares(const PredicateTest& test, std::string_view actual) {
    return (actual == test.value) != test.not_equal;
}

}  // namespace

bool PredicateTests::holds(const Predicate& predicate, XmlElement* element) {
    truth_stack_.clear();
    for (const BooleanCode& code : predicate.code) {
        if (code.op == BooleanOp::test) {
            truth_stack_.push_back(passes(program_.tests[code.test], element));
            continue;
        }
        char right = truth_stack_.back();
        if (code.op == BooleanOp::not_op) {
            truth_stack_.back() = !right;
            continue;
        }
        truth_stack_.pop_back();
        char& left = truth_stack_.back();
        left = code.op == BooleanOp::and_op ? (left && right) : (left || right);
    }
    return truth_stack_.back();
}

bool PredicateTests::passes(const PredicateTest& test, XmlElement* element) {
    switch (test.subject) {
        case TestSubject::attribute: {
            const char* value = attributes_.find(element, test.name.c_str()).value;
            return value && (!test.compares || compares(test, value));
        }
        case TestSubject::any_attribute:
            return some_attribute_passes(test, element);
        case TestSubject::child:
        case TestSubject::any_child:
            return some_child_passes(test, element);
        case TestSubject::text:
            return some_text_run_passes(test, element);
        case TestSubject::self:
            return !test.compares || string_value_is(element, test.value) != test.not_equal;
        case TestSubject::name:
            return !test.compares || compares(test, element->name ? element->name : "");
    }
    return false;
}

bool PredicateTests::some_child_passes(const PredicateTest& test, XmlElement* element) {
    bool any = test.subject == TestSubject::any_child;
    XmlElement* child =
        any ? element->first_child : element_first_named(element, test.name.c_str());
    for (; child; child = any ? child->next_in_order : child->next_same_name) {
        if (!test.compares) return true;
        if (string_value_is(child, test.value) != test.not_equal) return true;
    }
    return false;
}

bool PredicateTests::some_attribute_passes(const PredicateTest& test, XmlElement* element) {
    bool found = false;
    attributes_.for_each(element, [&](const char*, const char* value, bool) {
        found = !test.compares || compares(test, value);
        return !found;
    });
    return found;
}

bool PredicateTests::some_text_run_passes(const PredicateTest& test, XmlElement* element) {
    bool found = false;
    for_each_own_text_run(element, [&](std::string_view run) {
        found = !test.compares || compares(test, run);
        return !found;
    });
    return found;
}

// Compares run by run and stops at the first difference, so a long string
// value is not built only to be found different in its first bytes.
bool PredicateTests::string_value_is(const XmlElement* element, std::string_view expected) {
    std::size_t matched = 0;
    bool same = for_each_string_value_run(element, text_stack_, [&](std::string_view run) {
        if (expected.substr(matched, run.size()) != run) return false;
        matched += run.size();
        return true;
    });
    return same && matched == expected.size();
}

}  // namespace xmlslice::detail

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

bool PredicateTests::compares_string_values(const PredicateTest& test) {
    return test.compares &&
           (test.subject == TestSubject::child || test.subject == TestSubject::any_child ||
            test.subject == TestSubject::self);
}

void PredicateTests::prepare(const Step& step, const std::vector<XmlElement*>* members,
                             XmlElement* root) {
    for (const Predicate& predicate : step.predicates)
        for (const BooleanCode& code : predicate.code) {
            const PredicateTest& test = program_.tests[code.test];
            if (code.op != BooleanOp::test || !compares_string_values(test)) continue;
            bool named = test.subject == TestSubject::child;
            equal_values_[code.test].find(members, root, test.value,
                                          named ? test.name.c_str() : nullptr);
        }
}

bool PredicateTests::holds(const Predicate& predicate, XmlElement* element) {
    truth_stack_.clear();
    for (const BooleanCode& code : predicate.code) {
        if (code.op == BooleanOp::test) {
            truth_stack_.push_back(passes(code.test, element));
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

bool PredicateTests::passes(std::uint32_t index, XmlElement* element) {
    const PredicateTest& test = program_.tests[index];
    switch (test.subject) {
        case TestSubject::attribute: {
            const char* value = attributes_.find(element, test.name.c_str()).value;
            return value && (!test.compares || compares(test, value));
        }
        case TestSubject::any_attribute:
            return some_attribute_passes(test, element);
        case TestSubject::child:
        case TestSubject::any_child:
            return some_child_passes(index, element);
        case TestSubject::text:
            return some_text_run_passes(test, element);
        case TestSubject::self:
            return !test.compares || string_value_passes(index, element);
        case TestSubject::name:
            return !test.compares || compares(test, element->name ? element->name : "");
    }
    return false;
}

bool PredicateTests::some_child_passes(std::uint32_t index, XmlElement* element) {
    const PredicateTest& test = program_.tests[index];
    bool any = test.subject == TestSubject::any_child;
    XmlElement* child =
        any ? element->first_child : element_first_named(element, test.name.c_str());
    for (; child; child = any ? child->next_in_order : child->next_same_name) {
        if (!test.compares || string_value_passes(index, child)) return true;
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

bool PredicateTests::string_value_passes(std::uint32_t index, const XmlElement* element) const {
    return equal_values_[index].contains(element) != program_.tests[index].not_equal;
}

}  // namespace xmlslice::detail

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "tree_checks.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;
using test_support::add_children;
using test_support::child_order;
using test_support::heap_table;
using test_support::tree_violation;

namespace {

// The ownership bytes of an element's attribute list, as a string.
std::string ownership(XmlElement* element) {
    char** slot = element->attributes;
    while (*slot) slot += 2;
    return slot[1];
}

class Edit : public ::testing::Test {
  protected:
    void SetUp() override { root = document_new("r"); }
    void TearDown() override {
        EXPECT_EQ(tree_violation(root), "");
        element_free(root);
    }
    XmlElement* hand_over_attribute(XmlElement* e, const char* name, const char* value) {
        return element_set_attribute(element_set_flags(e, COPY_ATTRIBUTES), strdup(name),
                                     value ? strdup(value) : nullptr);
    }
    XmlElement* root;
};

}  // namespace

TEST_F(Edit, NullElementIsReturnedAsNull) {
    EXPECT_EQ(element_set_flags(nullptr, TEXT_OWNED), nullptr);
    EXPECT_EQ(element_set_text(nullptr, "t"), nullptr);
    EXPECT_EQ(element_set_attribute(nullptr, "x", "1"), nullptr);
    EXPECT_EQ(element_detach(nullptr), nullptr);
}

TEST_F(Edit, FlagsOnlyEverGainLowBits) {
    EXPECT_EQ(element_set_flags(root, 0)->flags, 0);
    EXPECT_EQ(element_set_flags(root, 0x10000 | NAME_OWNED)->flags, NAME_OWNED);
    EXPECT_EQ(element_set_flags(root, 0)->flags, NAME_OWNED);
    root->flags = 0;  // the name is a literal
}

TEST_F(Edit, TextHandOverAndReplacement) {
    element_set_flags(element_set_text(root, strdup("first")), TEXT_OWNED);
    static const char second[] = "second";
    element_set_text(root, second);  // frees "first"
    EXPECT_EQ(root->text, second);
    EXPECT_EQ(root->flags & TEXT_OWNED, 0);
    element_set_text(root, nullptr);
    EXPECT_STREQ(root->text, "");
    element_set_flags(element_set_text(root, strdup("kept")), TEXT_OWNED);  // freed with root
    element_set_flags(element_add_child(root, strdup("owned"), 0), NAME_OWNED);
}

TEST_F(Edit, FirstAttributeLeavesSharedEmptyList) {
    XmlElement* plain = element_add_child(root, "p", 0);
    static const char one[] = "1";
    element_set_attribute(plain, "x", one);
    ASSERT_NE(plain->attributes, empty_list);
    EXPECT_STREQ(plain->attributes[0], "x");
    EXPECT_EQ(plain->attributes[1], one);
    EXPECT_EQ(plain->attributes[2], nullptr);
    EXPECT_EQ(ownership(plain), " ");
    hand_over_attribute(root, "x", "1");
    EXPECT_EQ(ownership(root), "\xC0");
    EXPECT_EQ(root->flags & COPY_ATTRIBUTES, 0);
    EXPECT_EQ(empty_list[0], nullptr);
}

TEST_F(Edit, OrderAndOwnershipBytesAcrossAddReplaceRemove) {
    hand_over_attribute(root, "a", "1");
    element_set_attribute(root, "b", "2");
    hand_over_attribute(root, "c", "3");
    EXPECT_EQ(ownership(root), "\xC0 \xC0");
    hand_over_attribute(root, "b", "two");  // passed name freed, stored one kept
    EXPECT_STREQ(root->attributes[2], "b");
    EXPECT_STREQ(root->attributes[3], "two");
    EXPECT_EQ(ownership(root), "\xC0\x60\xC0");
    element_set_attribute(root, "a", "one");  // frees the owned "1"
    EXPECT_EQ(ownership(root), "\x80\x60\xC0");
    element_set_attribute(root, "b", nullptr);  // frees the owned "two"
    EXPECT_STREQ(root->attributes[0], "a");
    EXPECT_STREQ(root->attributes[2], "c");
    EXPECT_STREQ(root->attributes[3], "3");
    EXPECT_EQ(root->attributes[4], nullptr);
    EXPECT_EQ(ownership(root), "\x80\xC0");
    hand_over_attribute(root, "c", nullptr);  // frees passed and stored name and the value
    EXPECT_EQ(ownership(root), "\x80");
    EXPECT_EQ(root->flags & COPY_ATTRIBUTES, 0);
}

TEST_F(Edit, ReplacingABorrowedValueFreesNothing) {
    char value[] = "stack";  // freeing it would abort under ASan
    element_set_attribute(root, "x", value);
    element_set_attribute(root, "x", "literal");
    EXPECT_STREQ(element_attribute_value(root, "x"), "literal");
}

TEST_F(Edit, ParsedOwnedValueIsFreedAndByteBecomesSpace) {
    root->attributes =
        heap_table<char*>({const_cast<char*>("p"), strdup("decoded"), nullptr, strdup("\x40")});
    element_set_attribute(root, "p", "new");
    EXPECT_EQ(ownership(root), " ");
    element_set_attribute(root, "q", "2");
    EXPECT_EQ(ownership(root), "  ");
    EXPECT_STREQ(element_attribute_value(root, "q"), "2");
}

TEST_F(Edit, RemovingTheOnlyAttributeKeepsAnOwnEmptyList) {
    element_set_attribute(root, "x", "1");
    element_set_attribute(root, "x", nullptr);
    ASSERT_NE(root->attributes, empty_list);
    EXPECT_EQ(root->attributes[0], nullptr);
    EXPECT_EQ(ownership(root), "");
    element_set_attribute(root, "y", "2");
    EXPECT_STREQ(element_attribute_value(root, "y"), "2");
    EXPECT_EQ(ownership(root), " ");
}

TEST_F(Edit, RemovingAMissingAttributeKeepsTheHandOverPending) {
    element_set_attribute(root, "x", "1");
    AttributeList before = root->attributes;
    EXPECT_EQ(element_set_attribute(element_set_flags(root, COPY_ATTRIBUTES), "z", nullptr), root);
    EXPECT_EQ(root->attributes, before);
    EXPECT_EQ(root->flags, COPY_ATTRIBUTES);
    element_set_attribute(root, strdup("y"), strdup("2"));  // takes both
    EXPECT_EQ(ownership(root), " \xC0");
    EXPECT_EQ(root->flags, 0);
}

struct DetachCase {
    const char* children;
    std::vector<int> detached;  // indexes into children, in detach order
    const char* order;          // what remains
};

void PrintTo(const DetachCase& c, std::ostream* out) {
    *out << c.children;
}

class Detach : public ::testing::TestWithParam<DetachCase> {};

// The checker proves that every remaining name group is reachable by name and
// that its same-name run is complete and in order.
TEST_P(Detach, RemainingChildrenStayLinked) {
    XmlElement* root = document_new("r");
    auto kids = add_children(root, GetParam().children);
    for (int k : GetParam().detached) {
        EXPECT_EQ(element_detach(kids[k]), kids[k]);
        EXPECT_EQ(tree_violation(root), "");
    }
    EXPECT_EQ(child_order(root), GetParam().order);
    for (int k : GetParam().detached) element_free(kids[k]);
    element_free(root);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Detach,
    ::testing::Values(DetachCase{"a0 b0 a0", {1}, "a0 a0"},
                      DetachCase{"a0 a0 b0", {0}, "a0 b0"},        // second a heads
                      DetachCase{"a0 b0 a0 c0", {0}, "b0 a0 c0"},  // chain from b misses a
                      DetachCase{"a0 b0 a0 c0", {2}, "a0 b0 c0"},  // no later a left
                      DetachCase{"a0 b0 c0 b0", {1, 0}, "c0 b0"},  // chain from c misses b
                      DetachCase{"a0 b0 c0 b0", {1, 2, 0}, "b0"}, DetachCase{"a0", {0}, ""},
                      DetachCase{"a0 b1 a2 b3 c4 a5", {0, 1, 5}, "a2 b3 c4"}));

TEST_F(Edit, DetachedElementKeepsParentSubtreeAndDocument) {
    XmlElement* only = element_add_child(root, "o", 4);
    add_children(only, "a0 b1");
    element_detach(only);
    EXPECT_EQ(root->first_child, nullptr);
    EXPECT_EQ(only->parent, root);
    EXPECT_EQ(only->next_in_order, nullptr);
    EXPECT_EQ(only->next_same_name, nullptr);
    EXPECT_EQ(only->next_name_group, nullptr);
    EXPECT_EQ(child_order(only), "a0 b1");
    EXPECT_EQ(document_error_text(only), reinterpret_cast<XmlDocument*>(root)->error);
    EXPECT_EQ(element_detach(only), only);  // not among the children: untouched
    EXPECT_EQ(tree_violation(only), "");
    element_insert(only, element_add_child(root, "n", 0), 2);
    EXPECT_EQ(element_find_path(root, "n", 0, "o", 0, "b", -1), only->first_child->next_in_order);
}

TEST_F(Edit, DetachTwiceTouchesNothing) {
    auto k = add_children(root, "a0 b0 a0");
    element_detach(k[1]);
    k[1]->next_in_order = k[2];  // stale links a host may have left
    element_detach(k[1]);
    EXPECT_EQ(k[1]->next_in_order, k[2]);
    EXPECT_EQ(child_order(root), "a0 a0");
    k[1]->next_in_order = nullptr;
    element_free(k[1]);
}

TEST_F(Edit, DetachRootOnlyClearsSiblingLinks) {
    add_children(root, "a0");
    XmlElement dummy{};
    root->next_in_order = root->next_same_name = root->next_name_group = &dummy;
    EXPECT_EQ(element_detach(root), root);
    EXPECT_EQ(root->next_in_order, nullptr);
    EXPECT_EQ(root->next_same_name, nullptr);
    EXPECT_EQ(root->next_name_group, nullptr);
    EXPECT_NE(root->first_child, nullptr);
}

// Random inserts at arbitrary offsets, detaches, moves and frees, checked
// against a model of each parent's document order after every step.
TEST_F(Edit, RandomInsertsAndDetachesKeepTheInvariants) {
    std::mt19937 random(20240607);
    std::map<XmlElement*, std::vector<XmlElement*>> model;
    std::vector<XmlElement*> live{root};
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    auto inside = [](XmlElement* e, XmlElement* ancestor) {
        for (; e; e = e->parent)
            if (e == ancestor) return true;
        return false;
    };
    auto place = [&](XmlElement* e, XmlElement* parent, std::size_t offset) {
        auto& kids = model[parent];
        auto at = std::upper_bound(kids.begin(), kids.end(), offset,
                                   [](std::size_t o, XmlElement* c) { return o < c->offset; });
        kids.insert(at, e);
    };
    static const char* const names[] = {"a", "b", "c", "d"};
    for (int step = 0; step < 4000; ++step) {
        XmlElement* parent = pick(2) ? root : live[pick(live.size())];
        std::size_t offset = pick(8);
        auto& kids = model[parent];
        if (kids.empty() || pick(2)) {
            XmlElement* child = element_add_child(parent, names[pick(4)], offset);
            place(child, parent, offset);
            live.push_back(child);
        } else {
            // Detach the first child half of the time: its cases need relinking.
            XmlElement* target = pick(2) ? kids.front() : kids[pick(kids.size())];
            kids.erase(std::find(kids.begin(), kids.end(), target));
            ASSERT_EQ(element_detach(target), target);
            XmlElement* to = live[pick(live.size())];
            if (pick(4) && !inside(to, target)) {
                place(target, to, offset);
                element_insert(target, to, offset);
            } else {
                auto gone = std::partition(live.begin(), live.end(),
                                           [&](XmlElement* e) { return !inside(e, target); });
                for (auto e = gone; e != live.end(); ++e) model.erase(*e);  // addresses get reused
                live.erase(gone, live.end());
                element_free(target);
            }
        }
        ASSERT_EQ(tree_violation(root), "") << "step " << step;
        if (step % 500 == 0)
            for (XmlElement* parent : live) {
                std::vector<XmlElement*> order;
                for (XmlElement* c = parent->first_child; c; c = c->next_in_order)
                    order.push_back(c);
                ASSERT_EQ(order, model[parent]) << "step " << step;
            }
    }
}

namespace {

// One seed's run of adds (some with a child of their own), detach-and-free and
// detach-and-reinsert under one parent of at most a dozen children. Frees and
// adds interleave, so the allocator hands freed records to new children and a
// stale name-group link can come to point at a live element. Returns the
// first violation, or "".
std::string edit_children_randomly(unsigned seed) {
    static const char* const names[] = {"a", "b", "c", "d", "e"};
    std::mt19937 random(seed);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    XmlElement* root = document_new("r");
    std::vector<XmlElement*> kids;
    std::string violation;
    for (int step = 0; step < 400 && violation.empty(); ++step) {
        std::size_t action = pick(5);  // 0-2 add, 3 free, 4 move
        if (kids.empty() || (action < 3 && kids.size() < 12)) {
            XmlElement* child = element_add_child(root, names[pick(5)], pick(16));
            if (pick(3) == 0) element_add_child(child, names[pick(5)], 0);
            kids.push_back(child);
        } else {
            // The first child now and then: its removal may relink the chain.
            auto at = pick(4) ? kids.begin() + pick(kids.size())
                              : std::find(kids.begin(), kids.end(), root->first_child);
            XmlElement* e = element_detach(*at);
            if (action == 4) {
                element_insert(e, root, pick(16));
            } else {
                element_free(e);
                kids.erase(at);
            }
        }
        violation = tree_violation(root);
        if (!violation.empty()) violation += " at step " + std::to_string(step);
    }
    element_free(root);
    return violation;
}

}  // namespace

TEST(NameGroups, StaySoundUnderRandomEditsThatReuseAddresses) {
    for (unsigned seed = 1; seed <= 60; ++seed)
        EXPECT_EQ(edit_children_randomly(seed), "") << "seed " << seed;
}

// Appends at the end (where the document remembers each chain's last member)
// mixed with inserts, detaches of the last child and others, frees and moves,
// across two documents and under a parent deeper than the document remembers
// ends for. Frees hand their records straight back to the next add here, so
// an end that outlived its element would link a child where no walk finds it.
TEST(ChainEnds, AppendsStayLinkedThroughEditsThatReuseAddresses) {
    std::mt19937 random(7);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    static const char* const names[] = {"a", "b", "c"};
    XmlElement* roots[] = {document_new("r"), document_new("s")};
    std::map<XmlElement*, std::vector<XmlElement*>> model;
    std::vector<XmlElement*> parents(roots, roots + 2), waiting;
    XmlElement* deep = roots[0];
    for (int level = 0; level < 70; ++level) {
        XmlElement* under = deep;
        model[under].push_back(deep = element_add_child(under, "d", 0));
    }
    parents.push_back(deep);
    auto below = [&](XmlElement* e) {  // e and everything the model holds under it
        std::vector<XmlElement*> all{e};
        for (std::size_t i = 0; i < all.size(); ++i)
            for (XmlElement* c : model[all[i]]) all.push_back(c);
        return all;
    };
    auto end_of = [&](XmlElement* parent) {
        auto& kids = model[parent];
        return kids.empty() ? 0 : kids.back()->offset;
    };
    XmlElement* parent = roots[0];
    for (int step = 0; step < 6000; ++step) {
        // Runs of steps under one parent, as hosts build and take apart.
        if (pick(4) == 0 || std::find(parents.begin(), parents.end(), parent) == parents.end())
            parent = parents[pick(parents.size())];
        auto& kids = model[parent];
        std::size_t action = pick(8);  // 0-3 append, 4 insert, 5-7 detach
        if (kids.empty() || action < 5) {
            std::size_t offset = action < 4 ? end_of(parent) + pick(2) : pick(end_of(parent) + 1);
            XmlElement* child = element_add_child(parent, names[pick(3)], offset);
            auto at = std::upper_bound(kids.begin(), kids.end(), offset,
                                       [](std::size_t o, XmlElement* c) { return o < c->offset; });
            kids.insert(at, child);
            if (parents.size() < 40) parents.push_back(child);
            continue;
        }
        auto at = pick(2) ? kids.end() - 1 : kids.begin() + pick(kids.size());
        XmlElement* e = *at;
        kids.erase(at);
        ASSERT_EQ(element_detach(e), e);
        // A detached element waits a while, still naming its parent, before
        // it is inserted again or freed; nothing is added under it meanwhile.
        std::vector<XmlElement*> subtree = below(e);
        for (XmlElement* gone : subtree)
            parents.erase(std::remove(parents.begin(), parents.end(), gone), parents.end());
        waiting.push_back(e);
        if (pick(2)) continue;
        std::swap(waiting[pick(waiting.size())], waiting.back());
        e = waiting.back();
        waiting.pop_back();
        subtree = below(e);
        XmlElement* to = parents[pick(parents.size())];
        if (pick(3)) {
            element_insert(e, to, end_of(to));
            model[to].push_back(e);
            for (XmlElement* back : subtree)
                if (parents.size() < 40) parents.push_back(back);
        } else {
            for (XmlElement* gone : subtree) model.erase(gone);
            element_free(e);
        }
        for (XmlElement* root : roots) ASSERT_EQ(tree_violation(root), "") << "step " << step;
        for (XmlElement* p : parents) {
            std::vector<XmlElement*> order;
            for (XmlElement* c = p->first_child; c; c = c->next_in_order) order.push_back(c);
            ASSERT_EQ(order, model[p]) << "step " << step;
        }
    }
    for (XmlElement* e : waiting) element_free(e);
    for (XmlElement* root : roots) element_free(root);
}

// A subtree that visits another document comes back with its last child gone
// there: the first document's record of that child must not outlive the trip.
TEST(ChainEnds, SubtreeBackFromAnotherDocument) {
    XmlElement* here = document_new("r");
    XmlElement* there = document_new("s");
    XmlElement* p = element_add_child(here, "p", 0);
    XmlElement* t1 = element_add_child(p, "t", 0);
    XmlElement* t2 = element_add_child(p, "t", 0);
    element_insert(element_detach(p), there, 0);
    element_detach(t2);
    element_insert(element_detach(p), here, 0);
    XmlElement* t3 = element_add_child(p, "t", 0);
    EXPECT_EQ(t1->next_in_order, t3);
    EXPECT_EQ(t1->next_same_name, t3);
    EXPECT_EQ(tree_violation(here), "");
    element_free(t2);
    element_free(here);
    element_free(there);
}

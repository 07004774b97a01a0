#include <algorithm>
#include <random>
#include <set>

#include "nodes/node_file.h"
#include "nodes/node_set.h"
#include "nodes/node_test_files.h"
#include "support/app_fixture.h"

namespace {

using NodeSetTest = AppTest;

NodeSet add(NodeSet set, const std::string& call, uint32_t ordinal)
{
    return insertNode(nullptr, std::move(set), call, std::nullopt, call + ".example:7300", std::nullopt, ordinal);
}

// The level rules of the tree; returns the number of entries below and at `t`.
int check_levels(const NodeEntry* t)
{
    if (!t) return 0;
    if (!t->left && !t->right) {
        EXPECT_EQ(t->level, 0u) << t->callsign;
    }
    if (t->left) {
        EXPECT_EQ(t->left->level + 1, t->level) << t->callsign;
    }
    if (t->right) {
        EXPECT_TRUE(t->right->level == t->level || t->right->level + 1 == t->level) << t->callsign;
        if (t->right->right) {
            EXPECT_LT(t->right->right->level, t->level) << t->callsign;
        }
    }
    if (t->level > 0) {
        EXPECT_TRUE(t->left && t->right) << t->callsign;
    }
    return 1 + check_levels(t->left.get()) + check_levels(t->right.get());
}

int height(const NodeEntry* t)
{
    return t ? 1 + std::max(height(t->left.get()), height(t->right.get())) : 0;
}

}  // namespace

TEST_F(NodeSetTest, SkewThenSplitGiveTheDescribedShape)
{
    NodeSet set;
    set = add(std::move(set), "B", 0);
    set = add(std::move(set), "A", 1);
    // B then A: the skew makes A the root with B as its right child.
    ASSERT_EQ(set->callsign, "A");
    ASSERT_EQ(set->right->callsign, "B");
    set = add(std::move(set), "C", 2);
    // A-B-C in one level: the split raises B.
    ASSERT_EQ(set->callsign, "B");
    EXPECT_EQ(set->level, 1u);
    EXPECT_EQ(set->left->callsign, "A");
    EXPECT_EQ(set->right->callsign, "C");
    EXPECT_EQ(set->left->level, 0u);
    EXPECT_EQ(set->right->level, 0u);
    EXPECT_EQ(written_set(set.get()), "A,A.example:7300\r\nB,B.example:7300\r\nC,C.example:7300\r\n");
}

TEST_F(NodeSetTest, StaysBalancedAndSortedUnderManyInsertions)
{
    std::vector<std::string> calls;
    for (int i = 0; i < 2000; ++i) calls.push_back("N" + std::to_string(i * 7919 % 100003));
    std::mt19937 random(42);
    std::shuffle(calls.begin(), calls.end(), random);

    NodeSet set;
    for (size_t i = 0; i < calls.size(); ++i) set = add(std::move(set), calls[i], uint32_t(i));
    EXPECT_EQ(check_levels(set.get()), 2000);
    // A level-balanced tree of n entries is at most about 2 log2(n) deep.
    EXPECT_LE(height(set.get()), 2 * 11 + 1);

    auto entries = in_order(set.get());
    ASSERT_EQ(entries.size(), 2000u);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(),
                               [](auto* a, auto* b) { return a->callsign < b->callsign; }));
    for (size_t i = 0; i < calls.size(); ++i) {
        const NodeEntry* found = findNode(static_cast<const NodeEntry*>(set.get()), calls[i]);
        ASSERT_NE(found, nullptr) << calls[i];
        EXPECT_EQ(found->ordinal, i);
        EXPECT_EQ(found->pending, 1u);
    }
    EXPECT_EQ(findNode(set.get(), "N"), nullptr);
    EXPECT_EQ(findNode(set.get(), "n0"), nullptr);
    EXPECT_EQ(findFavourite(set.get())->callsign, calls[0]);
}

TEST_F(NodeSetTest, OrdersCallsignsAsUnsignedBytes)
{
    NodeSet set;
    for (const char* call : {"b", "B", "ABC", "\xE9X", "AB", "Z", "A"}) set = add(std::move(set), call, 1);
    std::vector<std::string> order;
    for (const NodeEntry* e : in_order(set.get())) order.push_back(e->callsign);
    EXPECT_EQ(order, (std::vector<std::string>{"A", "AB", "ABC", "B", "Z", "b", "\xE9X"}));
    EXPECT_EQ(findNode(set.get(), "\xE9X")->callsign, "\xE9X");
}

TEST_F(NodeSetTest, FavouriteIsTheFirstOrdinalZeroInPreOrder)
{
    NodeSet set;
    EXPECT_EQ(findFavourite(set.get()), nullptr);
    set = add(std::move(set), "B", 0);
    set = add(std::move(set), "A", 0);
    set = add(std::move(set), "C", 1);
    // The root B comes before its left child A in pre-order, though A sorts first.
    ASSERT_EQ(set->callsign, "B");
    EXPECT_EQ(findFavourite(set.get())->callsign, "B");

    NodeSet none;
    none = add(std::move(none), "X", 3);
    none = add(std::move(none), "Y", 999);
    EXPECT_EQ(findFavourite(none.get()), nullptr);
}

TEST_F(NodeSetTest, DuplicateKeepsTheFirstAndIsReportedWithAnEmptyPlaceForAnAbsentLink)
{
    NodeSet set = insertNode(nullptr, nullptr, "ABC", std::string("l1"), "a1", std::string("e1"), 0);
    set = insertNode(nullptr, std::move(set), "ABC", std::nullopt, "a2", std::nullopt, 1);
    set = insertNode(nullptr, std::move(set), "ABC", std::string("l3"), "a3", std::string("e3"), 2);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "Duplicate node callsign: ABC>:a2");
    EXPECT_EQ(dialogs.shown[1].text, "Duplicate node callsign: ABC>l3:a3|e3");
    EXPECT_EQ(dialogs.shown[0].title, "Duplicate node");
    EXPECT_EQ(dialogs.shown[0].style, kMbIconError | kMbTopmost);
    EXPECT_EQ(log_text(),
              "ERROR:\tDuplicate node callsign: ABC>:a2\nERROR:\tDuplicate node callsign: ABC>l3:a3|e3\n");
    EXPECT_EQ(written_set(set.get()), "ABC>l1,a1|e1\r\n");
    EXPECT_EQ(set->ordinal, 0u);
    EXPECT_EQ(set->level, 0u);

    // A message longer than the 260-byte buffer is cut, never overrun.
    g_config.autoMode = 1;
    std::string long_address(400, 'x');
    set = insertNode(nullptr, std::move(set), "ABC", std::nullopt, long_address, std::nullopt, 3);
    EXPECT_EQ(dialogs.shown.size(), 2u);
    std::string log = log_text();
    std::string last = log.substr(log.rfind("ERROR:\t"));
    EXPECT_EQ(last.size(), std::string("ERROR:\t").size() + 259 + 1);
}

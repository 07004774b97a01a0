#include <algorithm>
#include <random>

#include "nodes/node_set.h"
#include "nodes/node_test_files.h"
#include "support/app_fixture.h"

namespace {

using NodeSetTest = AppTest;

NodeSet add(NodeSet set, const std::string& call, uint32_t ordinal)
{
    return insertNode(nullptr, std::move(set), call, std::nullopt, "h", std::nullopt, ordinal);
}

// Checks the level rules that keep the tree shallow; returns how many entries it holds.
int check_levels(const NodeEntry* t)
{
    if (!t) return 0;
    EXPECT_EQ(t->left ? t->left->level + 1 : 0u, t->level) << t->callsign;
    EXPECT_TRUE(t->right ? t->right->level == t->level || t->right->level + 1 == t->level : t->level == 0)
        << t->callsign;
    EXPECT_TRUE(!t->right || !t->right->right || t->right->right->level < t->level) << t->callsign;
    return 1 + check_levels(t->left.get()) + check_levels(t->right.get());
}

}  // namespace

TEST_F(NodeSetTest, StaysBalancedAndFindsEveryNodeUnderManyInsertions)
{
    std::vector<std::string> calls;
    for (int i = 0; i < 2000; ++i) calls.push_back("N" + std::to_string(i * 7919 % 100003));
    std::shuffle(calls.begin(), calls.end(), std::mt19937(42));
    NodeSet set;
    for (size_t i = 0; i < calls.size(); ++i) set = add(std::move(set), calls[i], uint32_t(i));
    EXPECT_EQ(check_levels(set.get()), 2000);
    for (size_t i = 0; i < calls.size(); ++i) {
        const NodeEntry* found = findNode(static_cast<const NodeEntry*>(set.get()), calls[i]);
        ASSERT_TRUE(found && found->ordinal == i && found->pending == 1) << calls[i];
    }
    EXPECT_EQ(findNode(set.get(), "n0"), nullptr);
}

TEST_F(NodeSetTest, OrdersCallsignsAsUnsignedBytesWithCaseDistinct)
{
    NodeSet set;
    for (const char* call : {"b", "B", "ABC", "\xE9X", "AB", "Z", "A"}) set = add(std::move(set), call, 1);
    EXPECT_EQ(written_set(set.get()), crlf_lines({"A,h", "AB,h", "ABC,h", "B,h", "Z,h", "b,h", "\xE9X,h"}));
}

TEST_F(NodeSetTest, DuplicateKeepsTheFirstAndIsReportedWithAnEmptyPlaceForAnAbsentLink)
{
    NodeSet set = insertNode(nullptr, nullptr, "ABC", std::string("l1"), "a1", std::string("e1"), 0);
    set = insertNode(nullptr, std::move(set), "ABC", std::nullopt, "a2", std::nullopt, 1);
    set = insertNode(nullptr, std::move(set), "ABC", std::string("l3"), "a3", std::string("e3"), 2);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].title, "Duplicate node");
    EXPECT_EQ(log_text(),
              "ERROR:\tDuplicate node callsign: ABC>:a2\nERROR:\tDuplicate node callsign: ABC>l3:a3|e3\n");
    EXPECT_EQ(written_set(set.get()), "ABC>l1,a1|e1\r\n");

    // A message longer than the 260-byte buffer is cut, never overrun.
    g_config.autoMode = 1;
    set = insertNode(nullptr, std::move(set), "ABC", std::nullopt, std::string(400, 'x'), std::nullopt, 3);
    std::string log = log_text();
    EXPECT_EQ(log.size() - log.rfind("ERROR:\t"), std::string("ERROR:\t").size() + 259 + 1);
}

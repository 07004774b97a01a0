#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/call_set.h"
#include "support/app_fixture.h"

namespace {

std::vector<std::string> in_order(const CallSet& set)
{
    std::vector<std::string> calls;
    for_each_call(set, [&](const CallEntry& e) { calls.push_back(e.callsign); });
    return calls;
}

// The level rules of the balanced tree; returns the height.
int check_levels(const CallEntry* node, int* faults)
{
    if (!node) return 0;
    if (!node->left && !node->right && node->level != 0) ++*faults;
    if (node->left && node->left->level + 1 != node->level) ++*faults;
    if (node->right && node->right->level != node->level && node->right->level + 1 != node->level) ++*faults;
    if (node->right && node->right->right && node->right->right->level >= node->level) ++*faults;
    return 1 + std::max(check_levels(node->left, faults), check_levels(node->right, faults));
}

const CallEntry* find(const CallSet& set, const std::string& call)
{
    const CallEntry* found = nullptr;
    for_each_call(set, [&](const CallEntry& e) {
        if (e.callsign == call) found = &e;
    });
    return found;
}

}  // namespace

TEST(CallSet, StaysSortedUniqueAndBalanced)
{
    CallSet set;
    EXPECT_TRUE(in_order(set).empty());

    std::mt19937 random(7);
    std::set<std::string> expected;
    for (int i = 0; i < 20000; ++i) {
        std::string call = "K" + std::to_string(random() % 15000) + "A";
        expected.insert(call);
        EXPECT_EQ(addCall(&set, call.c_str(), 0), set.root);
    }
    // Ascending input is the worst case for an unbalanced tree.
    for (int i = 0; i < 5000; ++i) {
        std::string call = "Z" + std::to_string(100000 + i);
        expected.insert(call);
        addCall(&set, call.c_str(), 0);
    }
    std::vector<std::string> calls = in_order(set);
    EXPECT_EQ(calls, std::vector<std::string>(expected.begin(), expected.end()));
    EXPECT_EQ(set.entries.size(), expected.size());

    int faults = 0;
    int height = check_levels(set.root, &faults);
    EXPECT_EQ(faults, 0);
    EXPECT_LE(height, 2 * std::log2(double(expected.size()) + 1));
}

TEST(CallSet, ComparesAsUnsignedBytes)
{
    CallSet set;
    for (const char* call : {"AZ", "A\x80", "AB", "ABC", "A/", "A0"}) addCall(&set, call, 0);
    EXPECT_EQ(in_order(set), (std::vector<std::string>{"A/", "A0", "AB", "ABC", "AZ", "A\x80"}));
}

class CallSetLists : public AppTest {};

TEST_F(CallSetLists, ListIdsInFirstSeenOrderEachOnce)
{
    g_config.debug = 1;
    CallSet set;
    addCall(&set, "K1AB", 'E');
    addCall(&set, "K1AB", 'L');
    addCall(&set, "K1AB", 'E');
    addCall(&set, "K1AB", 0);
    addCall(&set, "W1AW", 0);
    ASSERT_NE(find(set, "K1AB"), nullptr);
    EXPECT_STREQ(find(set, "K1AB")->lists, "EL");
    EXPECT_STREQ(find(set, "W1AW")->lists, "");
    EXPECT_EQ(set.entries.size(), 2u);
    EXPECT_EQ(log_text(), "DEBUG:\tK1AB is now EL\n");
}

TEST_F(CallSetLists, AnEighthIdNeverOverrunsTheField)
{
    CallSet set;
    addCall(&set, "K1AB", 'A');
    addCall(&set, "K1AB", 'B');  // the first entry's neighbour bytes must stay intact
    addCall(&set, "W1AW", 'Z');
    for (char id : std::string("CDEFGHIJ")) addCall(&set, "K1AB", id);
    const CallEntry* entry = find(set, "K1AB");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::string(entry->lists, sizeof entry->lists), std::string("ABCDEFG\0", 8));
    EXPECT_STREQ(find(set, "W1AW")->lists, "Z");
    EXPECT_EQ(entry->callsign, "K1AB");
}

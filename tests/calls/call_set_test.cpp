#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/call_set.h"
#include "support/app_fixture.h"

namespace {

std::vector<std::string> entries_of(const CallSet& set)
{
    std::vector<std::string> out;
    for_each_call(set, [&](const CallEntry& e) { out.push_back(e.callsign + (*e.lists ? ":" : "") + e.lists); });
    return out;
}

// Counts breaches of the level rules of the tree; returns the height.
int check_levels(const CallEntry* node, int* faults)
{
    if (!node) return 0;
    if (!node->left && !node->right && node->level != 0) ++*faults;
    if (node->left && node->left->level + 1 != node->level) ++*faults;
    if (node->right && node->right->level != node->level && node->right->level + 1 != node->level) ++*faults;
    if (node->right && node->right->right && node->right->right->level >= node->level) ++*faults;
    return 1 + std::max(check_levels(node->left, faults), check_levels(node->right, faults));
}

}  // namespace

TEST(CallSet, StaysSortedUniqueAndBalanced)
{
    CallSet set;
    std::mt19937 random(7);
    std::set<std::string> expected;
    for (int i = 0; i < 25000; ++i) {
        // Random, then ascending input: the worst case for a tree that does not balance.
        std::string call = i < 20000 ? "K" + std::to_string(random() % 15000) + "A" : "Z" + std::to_string(i);
        expected.insert(call);
        EXPECT_EQ(addCall(&set, call.c_str(), 0), set.root);
    }
    EXPECT_EQ(entries_of(set), std::vector<std::string>(expected.begin(), expected.end()));
    EXPECT_EQ(set.entries.size(), expected.size());
    int faults = 0;
    EXPECT_LE(check_levels(set.root, &faults), 2 * std::log2(double(expected.size()) + 1));
    EXPECT_EQ(faults, 0);

    CallSet bytes;  // unsigned byte order, a prefix first
    for (const char* call : {"AZ", "A\x80", "AB", "ABC", "A/", "A0"}) addCall(&bytes, call, 0);
    EXPECT_EQ(entries_of(bytes), (std::vector<std::string>{"A/", "A0", "AB", "ABC", "AZ", "A\x80"}));
}

class CallSetLists : public AppTest {};

TEST_F(CallSetLists, IdsInFirstSeenOrderEachOnceNeverOverrunning)
{
    g_config.debug = 1;
    CallSet set;
    for (char id : {'E', 'L', 'E', '\0'}) addCall(&set, "K1AB", id);
    addCall(&set, "W1AW", 0);
    EXPECT_EQ(entries_of(set), (std::vector<std::string>{"K1AB:EL", "W1AW"}));
    EXPECT_EQ(log_text(), "DEBUG:\tK1AB is now EL\n");

    // Only seven IDs fit; the eighth and later are dropped, the terminator stays.
    for (char id : std::string("ABCDEFGH")) addCall(&set, "K1AB", id);
    addCall(&set, "K1AC", 'Z');
    EXPECT_EQ(entries_of(set), (std::vector<std::string>{"K1AB:ELABCDF", "K1AC:Z", "W1AW"}));
    EXPECT_EQ(set.entries.front().lists[7], '\0');
}

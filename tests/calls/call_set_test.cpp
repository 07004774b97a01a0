#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
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

// The textbook recursive insertion, skew then split at every entry on the way back,
// on a tree of its own: addCall stops that walk early and must build the same tree.
struct ModelNode {
    std::string call;
    uint32_t level = 0;
    ModelNode* left = nullptr;
    ModelNode* right = nullptr;
};

ModelNode* model_insert(std::vector<std::unique_ptr<ModelNode>>* store, ModelNode* node, const std::string& call)
{
    if (!node) {
        store->push_back(std::make_unique<ModelNode>(ModelNode{call}));
        return store->back().get();
    }
    if (call == node->call) return node;
    if (call < node->call) node->left = model_insert(store, node->left, call);
    else node->right = model_insert(store, node->right, call);
    if (node->left && node->left->level == node->level) {
        ModelNode* left = node->left;
        node->left = left->right;
        left->right = node;
        node = left;
    }
    if (node->right && node->right->right && node->right->right->level == node->level) {
        ModelNode* right = node->right;
        node->right = right->left;
        right->left = node;
        ++right->level;
        node = right;
    }
    return node;
}

bool same_tree(const CallEntry* entry, const ModelNode* model)
{
    if (!entry || !model) return !entry && !model;
    return entry->callsign == model->call && entry->level == model->level && same_tree(entry->left, model->left) &&
           same_tree(entry->right, model->right);
}

}  // namespace

TEST(CallSet, BuildsTheSameTreeAsSkewAndSplitAtEveryEntry)
{
    std::mt19937 random(11);
    for (int round = 0; round < 4; ++round) {
        CallSet set;
        std::vector<std::unique_ptr<ModelNode>> store;
        ModelNode* model = nullptr;
        int diverged_at = -1;
        for (int i = 0; i < 1500 && diverged_at < 0; ++i) {
            // Few and many repeats, ascending and descending runs.
            int n = round == 0 ? int(random() % 60) : round == 1 ? int(random() % 100000) : round == 2 ? i : 1500 - i;
            char call[16];
            std::snprintf(call, sizeof call, "K%06dA", n);
            addCall(&set, call, 0);
            model = model_insert(&store, model, call);
            if (!same_tree(set.root, model)) diverged_at = i;
        }
        EXPECT_EQ(diverged_at, -1) << "round " << round;
    }
}

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

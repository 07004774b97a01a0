#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calls/call_set.h"

namespace {

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
        for (int i = 0; i < 1500; ++i) {
            // Few and many repeats, ascending and descending runs.
            int n = round == 0 ? int(random() % 60) : round == 1 ? int(random() % 100000) : round == 2 ? i : 1500 - i;
            std::string call = "K" + std::to_string(n) + "A";
            EXPECT_EQ(addCall(&set, call.c_str(), 0), set.root);
            model = model_insert(&store, model, call);
            ASSERT_TRUE(same_tree(set.root, model)) << "round " << round << ", entry " << i;
        }
    }
}

TEST(CallSetLists, IdsInFirstSeenOrderEachOnceAtMostSeven)
{
    CallSet set;
    for (char id : std::string("EL\0EABCDEFGH", 12)) addCall(&set, "K1AB", id);
    addCall(&set, "W1AW", 0);
    std::vector<std::string> entries;
    for_each_call(set, [&](const CallEntry& e) { entries.push_back(e.callsign + ":" + e.lists); });
    EXPECT_EQ(entries, (std::vector<std::string>{"K1AB:ELABCDF", "W1AW:"}));
}

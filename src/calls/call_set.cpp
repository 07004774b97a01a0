#include "calls/call_set.h"

#include <cstring>
#include <string_view>

#include "base/log.h"

namespace {

// A left child on the entry's level is a horizontal left link: turn it to the right.
CallEntry* skew(CallEntry* node)
{
    CallEntry* left = node->left;
    if (!left || left->level != node->level) return node;
    node->left = left->right;
    left->right = node;
    return left;
}

// Two horizontal right links in a row: lift the middle entry one level.
CallEntry* split(CallEntry* node)
{
    CallEntry* right = node->right;
    if (!right || !right->right || right->right->level != node->level) return node;
    node->right = right->left;
    right->left = node;
    ++right->level;
    return right;
}

void add_list_id(CallEntry* entry, char listId)
{
    size_t used = std::strlen(entry->lists);
    if (std::memchr(entry->lists, listId, used)) return;
    if (used >= kMaxListIds) return;
    entry->lists[used] = listId;
    entry->lists[used + 1] = '\0';
    debug_printf("DEBUG:\t%s is now %s\n", entry->callsign.c_str(), entry->lists);
}

// Asks for the cache line of an entry without waiting for it.
inline void prefetch_entry(const CallEntry* entry)
{
#if defined(__GNUC__)
    __builtin_prefetch(entry);
#else
    (void)entry;
#endif
}

// Lookups walked side by side by prefetch_calls; more are taken in turns.
constexpr int kPrefetchWidth = 32;

// The tree's height is at most twice its root's level plus one, and the root's level
// at most log2 of the entry count; 64-byte entries cannot fill a 64-bit address space
// beyond 2^58 of them, so no path is longer than this.
constexpr int kMaxPath = 128;

}  // namespace

// The insertion is the recursive one (descend, create at the empty place, skew then
// split on the way back) written as a loop over the path, for speed: a lookup in a
// large tree costs a cache miss per level, and skew and split read children off the
// path, which costs more misses on the way back. Before the insertion the tree is
// level-balanced, where skew and split change nothing. What they read of a subtree
// from above is its root and level and its root's right child and that child's level.
// Once these are as they were before the insertion, skew and split above find the
// tree as before and do nothing, so the walk back stops there; a callsign already
// present changes no link at all.
CallEntry* addCall(CallSet* set, const char* callsign, char listId)
{
    const std::string_view key(callsign);
    CallEntry* path[kMaxPath];
    CallEntry* right_before[kMaxPath];
    uint32_t level_before[kMaxPath];
    bool went_left[kMaxPath];
    int depth = 0;

    for (CallEntry* node = set->root; node;) {
        int order = key.compare(node->callsign);
        if (order == 0) {
            if (listId != 0) add_list_id(node, listId);
            return set->root;
        }
        path[depth] = node;
        right_before[depth] = node->right;
        level_before[depth] = node->level;
        went_left[depth] = order < 0;
        ++depth;
        node = order < 0 ? node->left : node->right;
    }

    CallEntry* child = &set->entries.emplace_back();
    child->callsign.assign(key);
    child->lists[0] = listId;

    for (int at = depth - 1; at >= 0; --at) {
        CallEntry* node = path[at];
        if (went_left[at]) node->left = child;
        else node->right = child;
        child = split(skew(node));
        // Skew and split together can bring the same entry back one level up. The
        // right child is untouched after a step to the left; after a step to the
        // right an unchanged right child is the next entry on the path.
        if (child == node && node->level == level_before[at] && node->right == right_before[at] &&
            (went_left[at] || path[at + 1]->level == level_before[at + 1])) {
            return set->root;
        }
    }
    set->root = child;
    return child;
}

void prefetch_calls(const CallSet& set, const char* const* callsigns, int count)
{
    for (int first = 0; first < count; first += kPrefetchWidth) {
        int width = count - first < kPrefetchWidth ? count - first : kPrefetchWidth;
        std::string_view keys[kPrefetchWidth];
        const CallEntry* at[kPrefetchWidth];
        for (int i = 0; i < width; ++i) {
            keys[i] = callsigns[first + i];
            at[i] = set.root;
        }
        // One level per lookup and round: while a round compares against the entries
        // the last one asked for, the next entries are on their way.
        for (bool moving = true; moving;) {
            moving = false;
            for (int i = 0; i < width; ++i) {
                const CallEntry* node = at[i];
                if (!node) continue;
                int order = keys[i].compare(node->callsign);
                node = order < 0 ? node->left : order > 0 ? node->right : nullptr;
                if (node) {
                    prefetch_entry(node);
                    moving = true;
                }
                at[i] = node;
            }
        }
    }
}

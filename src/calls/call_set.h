// The sorted callsign set the master and membership converters collect their lists
// in: a level-balanced search tree whose in-order walk is the order of the records.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// One cache line per entry: a lookup in a tree larger than the cache costs one memory
// access per level, and the short callsign text sits inside the entry.
struct alignas(64) CallEntry {
    std::string callsign;   // the cleaned callsign; the key
    char lists[8] = {};     // membership list IDs in the order first seen, NUL-terminated
    uint32_t level = 0;     // balance level, 0 for a new entry
    CallEntry* left = nullptr;
    CallEntry* right = nullptr;
};

// Callsigns compared as unsigned bytes, each once. The entries live in the set's own
// store so that a new callsign costs no allocation beyond its text.
struct CallSet {
    CallEntry* root = nullptr;
    std::deque<CallEntry> entries;
};

// Room in CallEntry::lists for IDs; an ID beyond these is not recorded.
constexpr size_t kMaxListIds = sizeof(CallEntry::lists) - 1;

// Adds a copy of the callsign, or, when it is already there, the list ID to its lists
// unless present (with -debug "DEBUG:\t%s is now %s\n"). listId 0 adds no ID. An ID
// that finds lists full is dropped. Returns the new root, which is also set->root.
CallEntry* addCall(CallSet* set, const char* callsign, char listId);

// Reads, without changing anything, the entries that looking up each of the callsigns
// would visit, the lookups side by side so that their cache misses overlap. A reader
// calls it for a group of callsigns that it then adds one by one: in a tree far larger
// than the cache a lone lookup waits for memory at nearly every level.
void prefetch_calls(const CallSet& set, const char* const* callsigns, int count);

// Visits every entry in ascending callsign order.
template <typename Visit>
void for_each_call(const CallSet& set, Visit visit)
{
    std::vector<const CallEntry*> pending;
    const CallEntry* node = set.root;
    while (node || !pending.empty()) {
        while (node) {
            pending.push_back(node);
            node = node->left;
        }
        node = pending.back();
        pending.pop_back();
        visit(*node);
        node = node->right;
    }
}

// The sorted callsign set the master and membership converters collect their lists
// in: every callsign is appended as it is read, and one sort at the end puts them in
// the order of the records and merges the repeats.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/log_limit.h"

// One added callsign. The first eight bytes, big-endian and zero-padded, order as
// the bytes do (a cleaned callsign holds no zero byte), so most comparisons of a
// sort never look at the text.
struct CallKey {
    uint64_t prefix = 0;
    uint32_t offset = 0;  // of the callsign in CallSet::text
    uint16_t length = 0;
    char listId = 0;
};

// Room for list IDs per callsign, the terminator included.
using CallLists = std::array<char, 8>;
constexpr size_t kMaxListIds = sizeof(CallLists) - 1;

struct CallSet {
    std::string text;              // the added callsigns, one after the other
    std::vector<CallKey> keys;     // in the order added, until sort_calls
    std::vector<CallLists> lists;  // after sort_calls: the IDs of keys[i] (empty when none was given)
    bool sorted = false;
    // With -debug: the IDs of each callsign so far, for the "is now" lines, and
    // how many of those the current reader logged.
    std::unordered_map<std::string, std::string> debug_lists;
    LogLimit ids_logged;
};

// What a walk of the sorted set sees of one callsign.
struct CallEntry {
    std::string_view callsign;
    const char* lists = "";  // list IDs in the order first seen, NUL-terminated
};

// Appends a copy of the callsign (up to 65535 bytes) with the list ID (0 for none)
// to a set not yet sorted. With -debug, an ID new to a callsign already added is
// logged as "DEBUG:\t%s is now %s\n" (at most kLoggedPerKind times per reader).
// 1 added; 0 when the set is sorted already, the text is too long or the set has no
// room for it.
[[nodiscard]] int addCall(CallSet* set, std::string_view callsign, char listId);

// Sorts the callsigns byte-wise and keeps each once, with the IDs of all its
// additions, each once, in the order added; an eighth distinct ID is dropped. The
// set is then final: it takes no more callsigns.
void sort_calls(CallSet* set);

// Visits every callsign of a sorted set in ascending order.
template <typename Visit>
void for_each_call(const CallSet& set, Visit visit)
{
    for (size_t i = 0; i < set.keys.size(); ++i) {
        const CallKey& key = set.keys[i];
        visit(CallEntry{std::string_view(set.text).substr(key.offset, key.length),
                        set.lists.empty() ? "" : set.lists[i].data()});
    }
}

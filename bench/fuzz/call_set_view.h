// How the callsign fuzz targets look at a set the readers filled, whichever way the
// set stores its callsigns: a set that must be sorted before it is walked is sorted,
// then every stored callsign must be clean and in ascending order.
#pragma once

#include <cstddef>
#include <string>

#include "calls/call_set.h"
#include "fuzz_support.h"

template <class Set>
void finish_set(Set* set)
{
    if constexpr (requires { sort_calls(set); }) sort_calls(set);
}

// Finishes the set and walks it: a finding when a callsign is empty, longer than
// max_length, holds a byte no callsign has, or does not sort after the one before;
// check_lists(entry) looks at each entry's list IDs. The number of callsigns.
template <class Set, class CheckLists>
size_t check_stored_calls(Set* set, size_t max_length, CheckLists check_lists)
{
    finish_set(set);
    std::string previous;
    bool first = true;
    size_t count = 0;
    for_each_call(*set, [&](const CallEntry& entry) {
        const std::string call(entry.callsign);
        if (call.empty() || call.size() > max_length) fuzz_fail("stored callsign empty or too long");
        if (call.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/") != std::string::npos)
            fuzz_fail("stored callsign holds a byte no callsign has");
        if (!first && !(previous < call)) fuzz_fail("stored callsigns out of order or repeated");
        check_lists(entry);
        previous = call;
        first = false;
        ++count;
    });
    return count;
}

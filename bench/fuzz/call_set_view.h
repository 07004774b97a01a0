// How the callsign fuzz targets look at a set the readers filled, whichever way the
// set stores its callsigns: a set that must be sorted before it is walked is sorted.
#pragma once

#include "calls/call_set.h"

template <class Set>
void finish_set(Set* set)
{
    if constexpr (requires { sort_calls(set); }) sort_calls(set);
}

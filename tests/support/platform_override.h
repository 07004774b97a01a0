// A test's changes to the platform table and the run view, undone at its end.
#pragma once

#include "base/run_view.h"
#include "platform/platform.h"

// Swaps entries of g_platform and g_run_view for the lifetime of the guard: the
// constructor saves both tables, the destructor restores them.
struct PlatformOverride {
    PlatformOverride() : saved(g_platform), saved_view(g_run_view) {}
    ~PlatformOverride()
    {
        g_platform = saved;
        g_run_view = saved_view;
    }
    PlatformOverride(const PlatformOverride&) = delete;
    PlatformOverride& operator=(const PlatformOverride&) = delete;
    Platform saved;
    RunView saved_view;
};

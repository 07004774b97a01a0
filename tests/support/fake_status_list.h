// A status list and progress bar kept in memory, standing in for the main window's
// controls, so a test can see what a run showed and in which order.
#pragma once

#include <string>
#include <vector>

struct FakeStatusList {
    std::vector<std::string> lines;
    std::vector<int> progress;  // every position set, in order
};

// Routes g_run_view's status-list and progress entries to `list` (restore the view
// with a PlatformOverride).
void install_fake_status_list(FakeStatusList* list);

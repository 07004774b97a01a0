// The install phase: back up each flagged target and put the new data in place.
#pragma once

struct AppWindow;
struct RunContext;

// Installs every main-list slot of the run whose upd flag is set, in main-list order,
// with one result line each at the top of the status list; counts the installs.
void updateTargets(AppWindow* owner, RunContext* run);

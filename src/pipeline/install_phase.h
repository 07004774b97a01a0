// The install phase: back up each flagged target and put the new data in place.
#pragma once

struct AppWindow;
struct Catalogue;

// Installs every main-list slot whose upd flag is set, in main-list order, with one
// result line each at the top of the status list.
void updateTargets(AppWindow* owner, Catalogue* catalogue);

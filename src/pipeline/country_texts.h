// Restoring the version-9 country text tables that the archive does not carry.
#pragma once

struct AppWindow;

// 1 when every table exists or was copied from its twin, 0 after a failed copy.
int restoreCountryTexts(AppWindow* owner);

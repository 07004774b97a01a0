// Offering the updater's own newer program file at start-up.
#pragma once

#include "catalogue/data_source.h"

struct Window;
struct InetHandle;

// 1 when the program must end now (new version fetched and restart chosen, or the
// user cancelled), 0 when start-up goes on.
[[nodiscard]] int checkSelfUpdate(Window* owner, InetHandle* session, DataSource* source);

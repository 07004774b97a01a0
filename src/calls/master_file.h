// The logging program's master callsign file, built from the master-call sources.
#pragma once

#include "catalogue/data_source.h"

struct Window;

// 1 success, 0 when the target could not be written (old file unchanged).
[[nodiscard]] int writeMasterFile(Window* owner, int slot, const Catalogue& catalogue);

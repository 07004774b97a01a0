// The logging program's binary calendar file, built from the JSON calendar.
#pragma once

#include "catalogue/data_source.h"

struct Window;

// 1 success, 0 when the target could not be written (old file unchanged).
[[nodiscard]] int write_calendar(Window* owner, int slot, const Catalogue& catalogue);

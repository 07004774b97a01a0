// The logging program's membership file, built from the membership lists.
#pragma once

#include <array>
#include <string>

#include "catalogue/data_source.h"

struct Window;

// 1 success, 0 when the target could not be written (old file unchanged).
[[nodiscard]] int writeMembershipFile(Window* owner, int slot, const Catalogue& catalogue);

// Tidies and checks the five list-ID fields of the membership settings (slots 21 to
// 25 in order). 1 when acceptable; 0 after telling the user why.
[[nodiscard]] int checkListIds(Window* owner, std::array<std::string, 5>* fields);

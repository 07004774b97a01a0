// Extracting single members of a zip archive, chosen by a target's file name, into
// that target's folder.
#pragma once

#include <span>

#include "catalogue/data_source.h"

// The first member whose stripped name equals the target's file name becomes the
// file at the target path. Reports nothing to the user.
void extractMember(const char* archive, const char* target);

// extractMember for each member slot, with the archive source's downloadPath.
void extractMembers(const Catalogue& catalogue, const DataSource& archive, std::span<const int> memberSlots);

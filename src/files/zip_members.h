// Extracting single members of a zip archive, chosen by a target's file name, into
// that target's folder.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "catalogue/data_source.h"

// The first member whose stripped name equals the target's file name becomes the
// file at the target path, with the member's time and read-only bit. Shows nothing
// to the user; a missing archive or member changes nothing and returns 1. The
// member is inflated beside the target and replaces it only when its data proved
// whole, so a damaged archive or member, or a file that cannot be written, leaves
// the target as it was, writes one "ERROR:\t" line to the log and returns 0.
[[nodiscard]] int extractMember(const char* archive, const char* target);

// The largest member extracted: 256 MiB, four times the largest data file published
// (about 64 MB). A member that says it is larger is refused before anything is
// written ("member too large"); one that inflates past its stated size is damaged.
inline constexpr uint64_t kMaxMemberSize = uint64_t(256) << 20;

// extractMember for each member slot in list order, with the archive source's
// downloadPath; each preceded by the debug line "creating <target> from <archive>".
// 1 when none failed; 0 when a member in the archive (or a damaged archive) could not
// be extracted, after trying the others all the same.
[[nodiscard]] int extractMembers(const Catalogue& catalogue, const DataSource& archive,
                                 std::span<const int> memberSlots);

// True when the central directory of the archive at `path` opens, it holds a member,
// and every member inflates whole to its stated size with a matching checksum, none
// larger than kMaxMemberSize and all together at most four times that; otherwise
// false with the reason in *why. Logs nothing.
bool check_zip_archive(const char* path, std::string* why);

// A stored member name with drive prefixes, leading separators and everything up to
// a "..\" or "../" step removed, repeatedly, as the member is matched by.
std::string stripped_member_name(const std::string& stored);

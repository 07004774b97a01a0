// Building the catalogue from the logging program's version, and the version rules
// that shape it.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue/data_source.h"

// Plain byte-wise comparison, as strcmp on unsigned characters: <0, 0, >0.
int compare_version_text(const std::string& a, const char* b);

// Leading integer of a version text as the C library's integer conversion reads it.
long version_major(const std::string& version);

// 1 when the version-9 file names and slots apply.
int is_version9(const std::string& hostVersion);

// Fills a catalogue for the logging program's version and its master slot (9 or 10);
// the main list's fifth entry becomes the master slot.
void build_catalogue(Catalogue* catalogue, const std::string& hostVersion, uint32_t masterSlot);

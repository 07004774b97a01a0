// What one update run works on and counts: made by start-up (or a test) and handed to
// each step that needs part of it, so that no step below the windows reaches for it
// through a global.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "catalogue/data_source.h"
#include "catalogue/selections.h"

struct InetHandle;

struct RunContext {
    std::string hostVersion;  // the logging program's version the catalogue was built for
    Catalogue catalogue;
    Selections selections;
    // Borrowed: whoever opened the session closes it after the run.
    InetHandle* session = nullptr;
    uint32_t errorCount = 0;
    uint32_t updatedCount = 0;
    // The sources whose download failed in this run (and was reported then).
    std::array<bool, kSlotCount> fetch_failed{};
};

// The catalogue of data sources: 27 fixed slots, each naming a remote file, its
// local copy in UPDATE and the installed target; slots.h says how slots belong together.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "catalogue/slots.h"

struct DataSource {
    const char* title = nullptr;  // null in an empty slot
    const char* host = nullptr;
    const char* remotePath = nullptr;  // null: nothing to download
    uint8_t secure = 0;
    uint8_t required = 0;
    uint8_t selected = 0;  // the default selection (or a list ID)
    uint8_t enabled = 0;
    std::string downloadPath;  // empty: none
    std::string targetPath;    // empty in an empty slot
    uint32_t localSize = 0;
    int64_t localTime = 0;
    uint32_t remoteSize = 0;
    int64_t remoteTime = 0;
};

struct Catalogue {
    std::array<DataSource, kSlotCount> slot;
    // The nine check boxes of the main window and the order of an update run; the
    // fifth entry is the master-callsign slot.
    std::array<int, 9> mainList{kSlotAwards,     kSlotCalendar, kSlotCountry,        kSlotIota, kSlotMaster,
                                kSlotMembership, kSlotNodes,    kSlotNodesKeepAlive, kSlotWpx};
};

// Identifier of a slot's window control.
constexpr int kControlIdBase = 1400;

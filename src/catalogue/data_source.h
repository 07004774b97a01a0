// The catalogue of data sources: 27 fixed slots, each naming a remote file, its
// local copy in UPDATE and the installed target, and the slot lists that group them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr int kSlotCount = 27;

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
    std::array<int, 9> mainList{1, 4, 5, 7, 10, 11, 17, 8, 18};
};

// Slots the program refers to by number.
constexpr int kSlotAwards = 1;
constexpr int kSlotCalendar = 4;
constexpr int kSlotCountry = 5;
constexpr int kSlotUpdater = 6;
constexpr int kSlotIota = 7;
constexpr int kSlotNodesKeepAlive = 8;
constexpr int kSlotMasterOld = 9;
constexpr int kSlotMaster = 10;
constexpr int kSlotMembership = 11;
constexpr int kSlotPrefixMap = 15;
constexpr int kSlotNodes = 17;
constexpr int kSlotWpx = 18;
constexpr int kSlotClubLog = 19;
constexpr int kSlotSuperCheck = 20;
constexpr int kSlotCustomList = 25;
constexpr int kSlotCalendarSource = 26;

inline constexpr std::array<int, 1> kCalendarSources{26};
inline constexpr std::array<int, 2> kMasterCallSources{19, 20};
inline constexpr std::array<int, 5> kMembershipSources{21, 22, 23, 24, 25};

// Identifier of a slot's window control.
constexpr int kControlIdBase = 1400;

// The catalogue's 27 slots by name, and how they belong together: the members an
// archive fills in each host version, the sources a derived target is built from, the
// slots a host version leaves empty and whose check box chooses a slot.
#pragma once

#include <array>
#include <span>

constexpr int kSlotCount = 27;

constexpr int kSlotAddresses = 0;
constexpr int kSlotAwards = 1;
constexpr int kSlotAwardsMap = 2;
constexpr int kSlotAwardsText = 3;
constexpr int kSlotCalendar = 4;
constexpr int kSlotCountry = 5;
constexpr int kSlotUpdater = 6;
constexpr int kSlotIota = 7;
constexpr int kSlotNodesKeepAlive = 8;
constexpr int kSlotMasterOld = 9;
constexpr int kSlotMaster = 10;
constexpr int kSlotMembership = 11;
constexpr int kSlotCallExceptions = 12;
constexpr int kSlotEntities = 13;
constexpr int kSlotPrefixMappings = 14;
constexpr int kSlotPrefixMap = 15;
constexpr int kSlotQslManagers = 16;
constexpr int kSlotNodes = 17;
constexpr int kSlotWpx = 18;
constexpr int kSlotClubLog = 19;
constexpr int kSlotSuperCheck = 20;
constexpr int kSlotEqsl = 21;
constexpr int kSlotLotw = 22;
constexpr int kSlotOqrs = 23;
constexpr int kSlotCwOps = 24;
constexpr int kSlotCustomList = 25;
constexpr int kSlotCalendarSource = 26;

inline constexpr std::array<int, 1> kCalendarSources{kSlotCalendarSource};
inline constexpr std::array<int, 2> kMasterCallSources{kSlotClubLog, kSlotSuperCheck};
inline constexpr std::array<int, 5> kMembershipSources{kSlotEqsl, kSlotLotw, kSlotOqrs, kSlotCwOps, kSlotCustomList};

// The slots an archive's members are extracted into for this host version, in
// extraction order; empty for a slot that is no archive. An archive that is not
// among its own members replaces the logging program's file of that slot.
std::span<const int> archive_members(int slot, bool version9);

// The sources a derived target is built from; empty for a target of its own.
std::span<const int> group_sources(int slot);

// The slot whose main-window check box chooses `slot` in this host version: the slot
// itself, or the archive whose members are chosen with it; -1 when no box does (a
// source chosen in a settings window, a member only another version has).
int choosing_box(int slot, bool version9);

// True for a slot this host version leaves empty: an archive member that only the
// other versions have.
bool left_empty(int slot, bool version9);

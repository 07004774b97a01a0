// Identifiers of the controls of the main window and the settings windows.
#pragma once

constexpr int kIdAbout = 1001;
constexpr int kIdExit = 1002;
constexpr int kIdHelp = 1003;
constexpr int kIdReset = 1004;
constexpr int kIdUpdate = 1005;
// The progress bar has no identifier of its own on Windows; the
// toolkit addresses every control by one, so it gets one nothing else uses.
constexpr int kIdProgressBar = 1100;
constexpr int kIdStatusList = 1101;

constexpr int kIdCalendarOk = 1800;
constexpr int kIdCalendarClear = 1801;
constexpr int kIdCalendarCancel = 1802;
constexpr int kIdMasterOk = 1810;
constexpr int kIdMasterClear = 1811;
constexpr int kIdMasterCancel = 1812;
constexpr int kIdMemberOk = 1820;
constexpr int kIdMemberClear = 1821;
constexpr int kIdMemberCancel = 1822;

// Membership labels are 1440 + slot, next to their fields at 1400 + slot.
constexpr int kLabelIdBase = 1440;

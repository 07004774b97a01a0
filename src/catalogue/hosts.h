// The web hosts the data sources are fetched from, in one place.
#pragma once

inline constexpr const char* kHostUpdater = "updates.kstlupd.example";
inline constexpr const char* kHostCountryFiles = "www.country-files.com";
inline constexpr const char* kHostIota = "www.iota-world.org";
inline constexpr const char* kHostClusterNodes = "nodes.dxcluster.example";
inline constexpr const char* kHostClubLog = "cdn.clublog.org";
inline constexpr const char* kHostSuperCheck = "www.supercheckpartial.com";
inline constexpr const char* kHostEqsl = "www.eqsl.cc";
inline constexpr const char* kHostLotw = "lotw.arrl.org";
inline constexpr const char* kHostClubLists = "lists.clubs.example";
inline constexpr const char* kHostCalendar = "www.425dxn.org";

// The help page opened from the main window.
inline constexpr const char* kHelpAddress = "http://kst.test/kestrl/updater/";

// The user-visible texts of the window system, by their resource numbers 1301-1315.
#pragma once

constexpr int kStrProgramName = 1301;
constexpr int kStrNotice = 1302;
constexpr int kStrHelpAddress = 1303;
constexpr int kStrAboutTitle = 1304;
constexpr int kStrNoBrowser = 1305;
constexpr int kStrResetQuestion = 1306;
constexpr int kStrNoHostProgram = 1307;
constexpr int kStrWrongDirectory = 1308;
constexpr int kStrHostRunning = 1309;
constexpr int kStrBothNodeLists = 1310;
constexpr int kStrNoProxyAddress = 1311;
constexpr int kStrInvalidSettings = 1312;
constexpr int kStrExitQuestion = 1313;
constexpr int kStrAbandonQuestion = 1314;
constexpr int kStrUnsupportedHost = 1315;

// The text of a string resource: the toolkit's copy where it has one, else the
// built-in text; "" for a number outside 1301-1315.
const char* load_string(int id);

// The one configuration record of a program run: its settings, which every layer may
// read. What a run works on and counts is a RunContext (catalogue/run_context.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct Config {
    std::string proxy;  // empty = the platform's own proxy settings
    uint8_t autoMode = 0;
    uint8_t quickExit = 0;
    uint8_t resetUpdates = 0;
    uint8_t debug = 0;
    uint8_t noCheck = 0;
    uint32_t masterSlot = 0;  // 9 or 10 once chosen
    const char* iniFile = "kstlupd.ini";
    const char* logFile = "kstlupd.log";
    const char* previousLogFile = "kstlupd.old.log";  // the log of the run before
    FILE* log = nullptr;
    std::string version;      // the updater's own, the project's version
    std::string hostVersion;  // empty until known
};

extern Config g_config;

// Sets g_config.version from the revision stamp when it is still empty.
void own_version();

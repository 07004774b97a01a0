// Checks on the installed logging program: its version, whether this updater
// supports it, whether it is running, and which master-callsign slot it uses.
#pragma once

#include <string>

struct Config;

// 1 when config->hostVersion is known afterwards (from -version or from the version
// resource of kestrl.exe), logging "\nKESTRL version is %s\n\n"; 0 otherwise.
[[nodiscard]] int get_host_version(Config* config);

// 1 when the version compares byte-wise greater than "8.5.0.39".
int version_refused(const std::string& hostVersion);

// 1 when a process whose name contains "kestrl.exe" runs, or the list cannot be had.
int host_running();

// Sets config->masterSlot: 10 from "7.06" on (byte-wise), else 9.
void choose_master_slot(Config* config);

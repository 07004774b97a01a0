// One update run: the download phase, the install phase and the summary.
#pragma once

#include <cstdint>
#include <string>

struct AppWindow;
struct RunContext;

// Performs one whole run with the run's catalogue, selections and session, counting
// afresh; the owner window is the main window (or none with -auto). Results go to the
// log, the status list and the summary message.
void Update(AppWindow* owner, RunContext* run);

// The summary message of a run with these counts: "No files were updated.",
// "One file was updated." or "%0d files were updated.", and on a second line
// "There was one error." or "There were %0d errors." when there were errors.
std::string update_summary(uint32_t updated, uint32_t errors);

// The download phase: per source, whether to fetch it and the fetch into UPDATE.
#pragma once

#include <span>

#include "catalogue/data_source.h"

struct AppWindow;
struct RunContext;
struct Selections;

// Date of a result line: "%d-%b-%Y %H:%M" in UTC.
std::string result_date(int64_t unix_time);

// Decides and fetches one source of the run; returns its upd flag afterwards (non-zero:
// must be installed). Failures show as "%s -- Internet Error" and count as errors.
int downloadSource(AppWindow* owner, RunContext* run, int slot, DataSource* source);

// A target built from several sources: fetches the selected ones and leaves the
// verdict in upd of the group slot.
void downloadGroup(AppWindow* owner, RunContext* run, int group, std::span<const int> sources);

// Walks the main list and calls the above for each slot.
void downloadUpdates(AppWindow* owner, RunContext* run);

// After a successful install of main-list `slot`: the copies it was made from (the
// slot's own, or every selected source's of a group) lose their not-installed
// markers, which makes them current. Until then a fetched copy stays marked, so a
// run that fetched but did not install (killed, disk full, a folder not writable, a
// list with no record) is finished by the next one, whatever the server's date.
void markInstalled(const Catalogue& catalogue, const Selections& selections, int slot);

// Whether a derived target (master callsigns, membership, calendar) may be rebuilt:
// only from a good copy of every source it is made of, so that a source that could
// not be fetched never shrinks it.
#pragma once

struct AppWindow;
struct RunContext;
struct Selections;

// 1 when the target of `slot` may be written, with *built set to the selections to
// write it with: every selected downloaded source has a copy in UPDATE, or there is
// no installed target yet and the sources without one are left out. 0 when the
// installed target stays as it is (the install failed; it is tried again next run).
// A missing source whose download failed in this run was reported then; any other
// is reported here ("%s has no good copy in UPDATE", counted as an error).
[[nodiscard]] int derived_sources_ready(AppWindow* owner, RunContext* run, int slot, Selections* built);

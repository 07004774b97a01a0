// Fetching the JSON calendar and deciding by its content whether it changed.
#pragma once

#include "catalogue/data_source.h"

struct AppWindow;
struct InetHandle;

// Takes over and closes the request. 1 when a new calendar now stands at the
// source's downloadPath (dated with the time of the check); 0 when the fetched one
// equals the copy there; -1 after a reported failure (no staging folder,
// a failed fetch, an answer that is not a JSON array, a failed move), which leaves
// the copy as it was and its progress line removed.
[[nodiscard]] int download_calendar(AppWindow* owner, InetHandle* request, DataSource* source);

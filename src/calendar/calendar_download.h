// Fetching the JSON calendar and deciding by its content whether it changed.
#pragma once

#include "catalogue/data_source.h"

struct Window;
struct InetHandle;

// Takes over and closes the request. 1 when a new calendar now stands at the
// source's downloadPath, else 0.
[[nodiscard]] int download_calendar(Window* owner, InetHandle* request, DataSource* source);

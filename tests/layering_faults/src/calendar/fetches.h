// A tree the layering check must refuse: a converter that fetches, with a run's
// session taken from the global, and a system header outside the platform tables.
#pragma once
#include "net/http_fetch.h"
#include <unistd.h>
inline auto* session() { return g_config.session; }

// Merging a downloaded DX cluster node list into the user's node file.
#pragma once

#include "catalogue/data_source.h"

struct Window;

// 0 failure (installed file unchanged), 1 the download was copied as the first
// installed file, otherwise the number of node lines written.
[[nodiscard]] int mergeNodeList(Window* owner, const DataSource& source);

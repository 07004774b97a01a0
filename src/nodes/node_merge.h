// Merging a downloaded DX cluster node list into the user's node file.
#pragma once

#include <cstdint>

#include "catalogue/data_source.h"
#include "nodes/node_set.h"

struct AppWindow;

// What a merge did; only the debug lines read it.
struct NodeCounts {
    uint32_t matched = 0;
    uint32_t added = 0;
    uint32_t deleted = 0;
    uint32_t changed = 0;
};

// 0 failure (reported; installed file unchanged), 1 the download was copied as the
// first installed file or a list without node lines was written, otherwise the
// number of node lines written.
[[nodiscard]] int mergeNodeList(AppWindow* owner, const DataSource& source);

// Takes the publisher's nodes (walked in ascending callsign order) into the installed
// set: unknown callsigns are added with ordinal 999, known ones take the publisher's
// extra text and, unless the callsign is "LOCAL", its link and address. Links compare
// as optional texts: absent equals absent, and differs from any present link, empty
// included.
void mergeNodes(const NodeSet& downloaded, NodeSet* installed, NodeCounts* counts);

// Clears pending on every installed node the publisher no longer lists, except the
// favourite, callsigns containing "local", "Local" or "LOCAL", and nodes whose address
// starts with "127.0." or "192.168.".
void markDeletedNodes(NodeSet* installed, const NodeSet& downloaded, NodeCounts* counts);

#include "nodes/node_set.h"

#include <algorithm>

#include "base/keep_first.h"

void sort_nodes(NodeSet* set, std::vector<NodeEntry>* duplicates)
{
    sort_keep_first(
        &set->nodes,
        [](const NodeEntry& a, const NodeEntry& b) {
            int order = a.callsign.compare(b.callsign);  // bytes as unsigned char
            return order != 0 ? order < 0 : a.ordinal < b.ordinal;
        },
        [](const NodeEntry& a, const NodeEntry& b) { return a.callsign == b.callsign; },
        [&](const NodeEntry&, NodeEntry& dropped) { duplicates->push_back(std::move(dropped)); });
    std::sort(duplicates->begin(), duplicates->end(),
              [](const NodeEntry& a, const NodeEntry& b) { return a.ordinal < b.ordinal; });
}

const NodeEntry* findNode(const NodeSet& set, std::string_view callsign)
{
    auto it = std::lower_bound(set.nodes.begin(), set.nodes.end(), callsign,
                               [](const NodeEntry& node, std::string_view key) { return node.callsign < key; });
    return it != set.nodes.end() && it->callsign == callsign ? &*it : nullptr;
}

NodeEntry* findNode(NodeSet* set, std::string_view callsign)
{
    return const_cast<NodeEntry*>(findNode(static_cast<const NodeSet&>(*set), callsign));
}

NodeEntry* findFavourite(NodeSet* set)
{
    for (NodeEntry& node : set->nodes)
        if (node.ordinal == 0) return &node;
    return nullptr;
}

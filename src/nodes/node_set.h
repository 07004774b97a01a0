// The DX cluster nodes of one node list file, sorted by callsign: the order the
// nodes are written in and looked up by.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct NodeEntry {
    std::string callsign;
    std::optional<std::string> link;  // the text after '>', absent without one
    std::string address;
    std::optional<std::string> extra;  // the text after '|', absent without one
    uint32_t ordinal = 0;              // position among the file's node lines
    uint32_t pending = 0;              // 1 until written or marked deleted
};

// Callsigns ordered as unsigned bytes, each once. An empty set holds no node.
struct NodeSet {
    std::vector<NodeEntry> nodes;
};

// The ordinal the merge gives the nodes it adds.
constexpr uint32_t kAddedNodeOrdinal = 999;

// Sorts the nodes by callsign and keeps the first read of each callsign (the lowest
// ordinal); the others are moved, in the order read, into *duplicates.
void sort_nodes(NodeSet* set, std::vector<NodeEntry>* duplicates);

// The node with exactly this callsign (byte-wise), or nullptr.
NodeEntry* findNode(NodeSet* set, std::string_view callsign);
const NodeEntry* findNode(const NodeSet& set, std::string_view callsign);

// The first node whose ordinal is 0 (the first node line of its file), or nullptr.
NodeEntry* findFavourite(NodeSet* set);

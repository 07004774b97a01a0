// The DX cluster nodes of one node list file, held as a level-balanced search tree
// keyed by callsign, whose in-order walk is the order the nodes are written in.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct Window;

struct NodeEntry {
    std::string callsign;
    std::optional<std::string> link;     // the text after '>', absent without one
    std::string address;
    std::optional<std::string> extra;    // the text after '|', absent without one
    uint32_t ordinal = 0;                // position among the file's node lines
    uint32_t pending = 0;                // 1 until written or marked deleted
    uint32_t level = 0;
    std::unique_ptr<NodeEntry> left;
    std::unique_ptr<NodeEntry> right;
};

// A set is its root entry; an empty set has none. Releasing the root releases the set.
using NodeSet = std::unique_ptr<NodeEntry>;

// The ordinal the merge gives the nodes it adds.
constexpr uint32_t kAddedNodeOrdinal = 999;

// Adds a node with copies of the texts, pending 1 and level 0, and returns the set's
// new root. A callsign already present leaves the set as it was and is reported as
// "Duplicate node callsign: ..." (title "Duplicate node"); an absent link is shown
// as empty text there.
[[nodiscard]] NodeSet insertNode(Window* owner, NodeSet set, const std::string& callsign,
                                 const std::optional<std::string>& link, const std::string& address,
                                 const std::optional<std::string>& extra, uint32_t ordinal);

// The entry with exactly this callsign (byte-wise), or nullptr.
NodeEntry* findNode(NodeEntry* set, const std::string& callsign);
const NodeEntry* findNode(const NodeEntry* set, const std::string& callsign);

// The first entry in pre-order (entry, left subtree, right subtree) whose ordinal is
// 0, or nullptr.
NodeEntry* findFavourite(NodeEntry* set);

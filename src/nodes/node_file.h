// The node list file: reading it into a node set and writing node lines back, each
// line ending with CR LF as the logging program reads it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>

#include "nodes/node_set.h"

struct AppWindow;

// The version text of a node list: at most 15 characters and a terminator. Starts
// zero-filled; a longer version text is cut to 15 characters.
constexpr size_t kNodeVersionSize = 16;
using NodeVersion = std::array<char, kNodeVersionSize>;

// Lines are taken in pieces of at most this many characters.
constexpr size_t kNodeLinePiece = 259;

// Reads one node list file. Returns the set of its node lines; an empty set when the
// file cannot be opened or read (reported with report_open_error) or holds no node
// line. A version line copies its text into *version. Rejected lines are logged
// ("read_tcp() -- Something wrong with: %s") and later lines with a callsign read
// before are reported ("Duplicate node callsign: ...", title "Duplicate node"; an
// absent link shows as empty text), both in the order of the file, each kind at most
// kLoggedPerKind times and then counted in one line; with -debug the count of node
// lines read is logged.
[[nodiscard]] NodeSet read_tcp(AppWindow* owner, const char* path, NodeVersion* version);

// Writes one node line: callsign, ">" link when present, "," address, "|" extra
// when present, CR LF. 1 when the stream took it, 0 when it reported an error.
// pending is left as it is.
int writeNodeLine(FILE* stream, const NodeEntry& entry);

// Writes every entry whose pending is not 0 in ascending callsign order and returns
// how many it wrote. pending is left as it is.
int writeNodeSet(FILE* stream, const NodeSet& set);

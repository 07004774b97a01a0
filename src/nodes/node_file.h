// The node list file: reading it into a node set and writing node lines back, each
// line ending with CR LF as the logging program reads it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

#include "nodes/node_set.h"

struct AppWindow;

// The version text of a node list: at most 15 characters and a terminator. Starts
// zero-filled; a longer version text is cut to 15 characters.
constexpr size_t kNodeVersionSize = 16;
using NodeVersion = std::array<char, kNodeVersionSize>;

// Lines are taken in pieces of at most this many characters.
constexpr size_t kNodeLinePiece = 259;

// Calls `take` with each line of a node list's bytes as read_tcp takes them: a piece
// ends after its line feed or at kNodeLinePiece characters, whichever comes first
// (the rest of a longer line is the next piece), and is passed without its line end.
// The search stays within the piece, so a file without line feeds is read in linear
// time.
template <typename Take>
void for_each_node_line(std::string_view bytes, Take take)
{
    for (size_t pos = 0; pos < bytes.size();) {
        std::string_view line(bytes.data() + pos, std::min(bytes.size() - pos, kNodeLinePiece));
        if (size_t lf = line.find('\n'); lf != std::string_view::npos) line = line.substr(0, lf + 1);
        pos += line.size();
        take(line.substr(0, line.find_first_of("\r\n")));
    }
}

// What read_tcp makes of one line: nothing (empty), a refused line (no comma, or
// "http://" in it), the version line (callsign VERSION) or a node line.
enum class NodeLineKind { Empty, Refused, Version, Node };
NodeLineKind node_line_kind(std::string_view line);

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

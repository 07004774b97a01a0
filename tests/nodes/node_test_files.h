// Shared helpers of the node list tests: lines joined the way the logging program
// writes them, and written node lists read back.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "nodes/node_set.h"

// Each line followed by CR LF.
std::string crlf_lines(const std::vector<std::string>& lines);

// What writeNodeSet writes for a set, captured through a real stream.
std::string written_set(const NodeEntry* set);

// Entries of a set in ascending order, and the number of them.
std::vector<const NodeEntry*> in_order(const NodeEntry* set);

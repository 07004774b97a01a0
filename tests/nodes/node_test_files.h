// Shared helpers of the node list tests: lines joined the way the logging program
// writes them, and a written node set read back as bytes.
#pragma once

#include <string>
#include <vector>

#include "nodes/node_file.h"
#include "support/temp_folder.h"

// Each line followed by CR LF.
inline std::string crlf_lines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

// What writeNodeSet writes for a set, through a real stream into the test's folder.
inline std::string written_set(const NodeSet& set)
{
    FILE* stream = std::fopen("written.tcp", "wb");
    if (!stream) return "<cannot write>";
    (void)writeNodeSet(stream, set);
    std::fclose(stream);
    return read_file("written.tcp");
}

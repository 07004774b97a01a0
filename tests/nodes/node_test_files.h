// Lines joined the way the logging program writes them, for the node list tests.
#pragma once

#include <string>
#include <vector>

// Each line followed by CR LF.
inline std::string crlf_lines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

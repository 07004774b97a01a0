#include "base/config.h"

#include "version.h"

Config g_config;

void own_version()
{
    if (!g_config.version.empty()) return;
    // The word after the first blank of the stamp.
    std::string stamp = kRevisionStamp;
    size_t start = stamp.find(' ');
    if (start == std::string::npos) return;
    while (start < stamp.size() && stamp[start] == ' ') ++start;
    size_t end = stamp.find(' ', start);
    g_config.version = stamp.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

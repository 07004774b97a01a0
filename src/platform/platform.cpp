#include "platform/platform.h"

Platform g_platform = native_platform();

std::string one_line_report(const char* title, const char* text)
{
    std::string line = std::string(title) + ": ";
    for (const char* p = text; *p; ++p) {
        if (*p != '\n') line += *p;
        else if (p[1] != '\n' && line.back() != ' ') line += ' ';
    }
    return line;
}

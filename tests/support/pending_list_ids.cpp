// Stand-in for the membership-list check while it is being written elsewhere, so
// that this branch links; weak, so the real one replaces it. Linked only while
// src/calls/membership_file.cpp is missing (CMakeLists.txt); delete it then.
#include <array>
#include <string>

#include "app/log.h"
#include "app/report.h"
#include "calls/membership_file.h"

// The documented rule, so the settings-window tests can run before the real one.
__attribute__((weak)) int checkListIds(Window* owner, std::array<std::string, 5>* fields)
{
    std::string message;
    int count = 0;
    for (std::string& field : *fields) {
        if (field.empty()) continue;
        const unsigned char c = static_cast<unsigned char>(field[0]);
        if (c == ' ') {
            field.clear();
            continue;
        }
        ++count;
        if (c < '!' || c > '_') {
            if (!message.empty()) message += "\n";
            message += format_bounded(80, "[ %c ]  is not a valid membership list ID.", c);
        }
    }
    if (count > 4) {
        if (!message.empty()) message += "\n";
        message += "You can have no more than four (4) membership lists.";
    }
    if (message.empty()) return 1;
    report_message(owner, format_bounded(kMessageSize, "%s", message.c_str()).c_str(), "Too many lists", kMbIconError);
    return 0;
}

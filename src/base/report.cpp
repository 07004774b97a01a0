#include "base/report.h"

#include <cstring>

#include "base/config.h"
#include "base/log.h"
#include "base/terminal_view.h"

namespace {

std::string& last_problem()
{
    static std::string line;
    return line;
}

// The box, with the owner window disabled around it; with show false only the owner
// is disabled and enabled again, as a box that was dismissed at once.
int show_box(Window* owner, const char* text, const char* title, unsigned style, bool show)
{
    if (owner) g_platform.enable_window(owner, 0);
    int answer = show ? g_platform.message_box(text, title, style | kMbTopmost) : kIdOk;
    if (owner) g_platform.enable_window(owner, 1);
    return answer;
}

}  // namespace

void report_message(Window* owner, const char* text, const char* title, unsigned style)
{
    report_logged(text, title, style);
    show_box(owner, text, title, style, !g_config.autoMode);
}

void report_logged(const char* text, const char* title, unsigned style)
{
    if (style == kMbIconError) log_printf("ERROR:\t%s\n", text);
    else if (style == kMbIconWarning) log_printf("WARNING:\t%s\n", text);
    else if (style == kMbIconInformation) log_printf("INFO:\t%s\n", text);
    if (style == kMbIconError || style == kMbIconWarning) last_problem() = one_line_report(title, text);
    terminal_line(one_line_report(title, text).c_str());
}

void report_open_error(Window* owner, const char* file, int errnum)
{
    // The C library has no text that says it; "No such device" would mislead.
    const char* why = errnum == kErrnoNotRegularFile ? "Not a regular file" : std::strerror(errnum);
    std::string reason = format_bounded(128, "%s", why);
    std::string text = format_bounded(128, "Error opening %s:\n%s", file, reason.c_str());
    report_message(owner, text.c_str(), "File Open", kMbIconError);
}

int ask_question(Window* owner, const char* text, const char* title, unsigned style)
{
    int answer = show_box(owner, text, title, style, true);
    if (answer == kIdYes) log_printf("%s [YES]\n", text);
    else if (answer == kIdNo) log_printf("%s [NO]\n", text);
    else log_printf("%s [CANCEL]\n", text);
    return answer;
}

std::string last_problem_line()
{
    return last_problem();
}

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
int show_box(AppWindow* owner, const char* text, const char* title, unsigned style, bool show)
{
    if (owner) g_platform.toolkit.enable_window(owner, 0);
    int answer = show ? g_platform.message_box(text, title, style | kMbTopmost) : kIdOk;
    if (owner) g_platform.toolkit.enable_window(owner, 1);
    return answer;
}

// Everything a report does but the box.
void log_report(const char* logged, const char* shown, const char* title, unsigned style)
{
    const char* prefix = style == kMbIconError         ? "ERROR:\t"
                         : style == kMbIconWarning     ? "WARNING:\t"
                         : style == kMbIconInformation ? "INFO:\t"
                                                       : nullptr;
    const std::string line = prefix ? prefix + std::string(logged) + "\n" : std::string();
    if (!line.empty()) log_printf("%s", line.c_str());
    const std::string one_line = one_line_report(title, shown);
    if (style == kMbIconError || style == kMbIconWarning) {
        last_problem() = one_line;
        unattended_keep(line.c_str());
        if (style == kMbIconError) unattended_failed();
    }
    terminal_line(one_line.c_str());
}

}  // namespace

void report_message(AppWindow* owner, const char* text, const char* title, unsigned style)
{
    report_message_shown(owner, text, text, title, style);
}

void report_message_shown(AppWindow* owner, const char* logged, const char* shown, const char* title, unsigned style)
{
    log_report(logged, shown, title, style);
    show_box(owner, shown, title, style, !g_config.autoMode);
}

void report_logged(const char* text, const char* title, unsigned style) { log_report(text, text, title, style); }

void report_open_error(AppWindow* owner, const char* file, int errnum)
{
    // The C library has no text that says it; "No such device" would mislead.
    const char* why = errnum == kErrnoNotRegularFile ? "Not a regular file" : std::strerror(errnum);
    std::string reason = format_bounded(128, "%s", why);
    std::string text = format_bounded(128, "Error opening %s:\n%s", file, reason.c_str());
    report_message(owner, text.c_str(), "File Open", kMbIconError);
}

int ask_question(AppWindow* owner, const char* text, const char* title, unsigned style)
{
    int answer = show_box(owner, text, title, style, true);
    if (answer == kIdYes) log_printf("%s [YES]\n", text);
    else if (answer == kIdNo) log_printf("%s [NO]\n", text);
    else log_printf("%s [CANCEL]\n", text);
    return answer;
}

std::string last_problem_line() { return last_problem(); }

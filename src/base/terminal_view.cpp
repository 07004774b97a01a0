#include "base/terminal_view.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/config.h"
#include "base/log.h"
#include "platform/platform.h"

namespace {

struct ProgressDisplay {
    std::string text;  // "Downloading:  ..." while a download is shown
    size_t drawn = 0;  // characters of the line on the terminal now
    int percent = -1;
    uint64_t received = 0;
};

ProgressDisplay& display()
{
    static ProgressDisplay state;
    return state;
}

// The line is rewritten from its start; blanks cover what a longer one left.
void draw(const std::string& line)
{
    ProgressDisplay& d = display();
    const size_t pad = d.drawn > line.size() ? d.drawn - line.size() : 0;
    std::fprintf(stderr, "\r%s%s", line.c_str(), std::string(pad, ' ').c_str());
    if (pad) std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    d.drawn = line.size();
}

struct UnattendedRecord {
    std::string kept;
    bool failed = false;
};

UnattendedRecord& record()
{
    static UnattendedRecord state;
    return state;
}

bool unattended_quiet() { return g_config.autoMode && !terminal_view_on(); }

void clear_display()
{
    if (display().drawn) draw("");
}

}  // namespace

bool terminal_view_on()
{
    return g_config.autoMode && g_platform.stderr_is_terminal && g_platform.stderr_is_terminal();
}

void terminal_line(const char* text)
{
    if (!terminal_view_on()) return;
    // A download still going on is drawn again below the line at its next step.
    clear_display();
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void terminal_progress_start(const char* text)
{
    if (!terminal_view_on()) return;
    ProgressDisplay& d = display();
    clear_display();
    d = ProgressDisplay{};
    d.text = text;
    draw(d.text);
}

void terminal_progress(uint64_t received, uint64_t expected)
{
    ProgressDisplay& d = display();
    if (!terminal_view_on() || d.text.empty()) return;
    const int percent = expected ? int(std::min<uint64_t>(100, received * 100 / expected)) : -1;
    // Without a length the count moves on in steps of 64 KiB.
    if (percent == d.percent && (expected || received - d.received < 65536) && d.drawn) return;
    d.percent = percent;
    d.received = received;
    std::string line = d.text;
    if (percent >= 0) line += format_bounded(16, "  %3d%%", percent);
    line += format_bounded(40, "  %llu bytes", static_cast<unsigned long long>(received));
    draw(line);
}

void terminal_progress_end()
{
    if (!terminal_view_on()) return;
    clear_display();
    display() = ProgressDisplay{};
}

void unattended_keep(const char* logged_line)
{
    if (unattended_quiet()) record().kept += logged_line;
}

void unattended_failed()
{
    if (unattended_quiet()) record().failed = true;
}

void unattended_end(const char* summary, uint32_t errors)
{
    UnattendedRecord& r = record();
    if (unattended_quiet() && (r.failed || errors)) {
        std::fprintf(stderr, "%sINFO:\t%s\n", r.kept.c_str(), summary);
        std::fflush(stderr);
    }
    r = UnattendedRecord{};
}

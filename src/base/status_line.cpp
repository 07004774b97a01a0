#include "base/status_line.h"

#include <string>

#include "base/config.h"
#include "base/log.h"
#include "base/run_view.h"
#include "base/terminal_view.h"
#include "platform/platform.h"

void statusLine(AppWindow* owner, const char* text, int position)
{
    if (position == 0) {
        log_printf("\n%s\n\n", kSeparator);
        terminal_line(kSeparator);
        if (!g_config.autoMode) g_run_view.status_insert(owner, kSeparator, 0);
    }
    log_printf("%s\n", text);
    terminal_line(text);
    if (!g_config.autoMode) g_run_view.status_insert(owner, text, position);
}

void status_failure_line(AppWindow* owner, const char* text, int position)
{
    statusLine(owner, text, position);
    unattended_keep((std::string(text) + "\n").c_str());
    unattended_failed();
}

void status_progress_line(AppWindow* owner, const char* text)
{
    terminal_progress_start(text);
    if (!g_config.autoMode) g_run_view.status_insert(owner, text, -1);
}

void status_remove_last(AppWindow* owner)
{
    terminal_progress_end();
    if (g_config.autoMode) return;
    int count = g_run_view.status_count(owner);
    if (count > 0) g_run_view.status_delete(owner, count - 1);
}

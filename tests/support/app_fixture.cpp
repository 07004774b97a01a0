#include "support/app_fixture.h"

#include <cstdio>

namespace {

ScriptedDialogs* g_dialogs = nullptr;

int scripted_box(const char* text, const char* title, unsigned style)
{
    ScriptedDialogs* d = g_dialogs;
    d->shown.push_back({text, title, style});
    if (!d->answers.empty()) {
        int answer = d->answers.front();
        d->answers.pop_front();
        return answer;
    }
    return message_box_safe_answer(style);
}

void scripted_enable(AppWindow*, int enable) { g_dialogs->window_events.push_back(enable ? "enable" : "disable"); }

}  // namespace

ScriptedDialogs* current_dialogs() { return g_dialogs; }

void install_scripted_dialogs(ScriptedDialogs* dialogs)
{
    g_dialogs = dialogs;
    g_platform.message_box = scripted_box;
    g_platform.toolkit.enable_window = scripted_enable;
}

void AppTest::SetUp()
{
    install_scripted_dialogs(&dialogs);
    g_config = Config{};
    g_config.version = "9.6";
    g_config.log = std::fopen("test.log", "w+");
}

void AppTest::TearDown()
{
    if (g_config.log) std::fclose(g_config.log);
    g_config = Config{};
    g_dialogs = nullptr;
}

std::string AppTest::log_text()
{
    std::fflush(g_config.log);
    std::string text = read_file("test.log");
    std::erase(text, '\r');  // a text-mode stream on Windows ends lines with CR LF
    return text;
}

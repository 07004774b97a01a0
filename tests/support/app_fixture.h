// The program's state for one test: a fresh configuration with a log file in a
// temporary folder, scripted message boxes, and the platform table restored after.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/config.h"
#include "platform/platform.h"
#include "support/platform_override.h"
#include "support/temp_folder.h"

struct ShownBox {
    std::string text;
    std::string title;
    unsigned style = 0;
};

// Message boxes answered from a script; every box shown is recorded.
struct ScriptedDialogs {
    std::deque<int> answers;  // taken in order; kIdOk/kIdNo when empty
    std::vector<ShownBox> shown;
    std::vector<std::string> window_events;  // "disable" / "enable"
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The log's content so far, lines ending in LF on every system.
    std::string log_text();

    TempFolder folder;
    PlatformOverride platform_guard;
    ScriptedDialogs dialogs;
};

// Routes g_platform's message boxes and window enabling to `dialogs` (AppTest does
// this itself; other fixtures call it after saving the table).
void install_scripted_dialogs(ScriptedDialogs* dialogs);

// The dialogs of the running test (set by AppTest).
ScriptedDialogs* current_dialogs();

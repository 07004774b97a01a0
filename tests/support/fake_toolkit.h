// A toolkit without a display for the window tests: windows and controls are
// records the test can look at, and the test plays the user (clicks, typing, the
// close box) through the same events a real toolkit sends.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeControl {
    ControlKind kind;
    std::string text;
    int checked = 0;
    int enabled = 1;
    int progress = 0;
    std::vector<std::string> lines;
};

struct FakeWindow {
    WindowEvents events;
    Rect rect;
    int enabled = 1;
    int shown = 0;
    int destroyed = 0;
    std::map<int, FakeControl> controls;
};

struct FakeToolkit {
    std::vector<std::unique_ptr<FakeWindow>> windows;
    int quit_code = -99;  // -99 until quit() is called
    int fail_create = 0;  // the next create_window fails
    int wakes = 0;
};

// Installs the fake as g_platform's toolkit for the test; the
// screen is 1024 x 768.
void install_fake_toolkit(FakeToolkit* fake);

inline FakeWindow* fake_window(AppWindow* window) { return reinterpret_cast<FakeWindow*>(window); }
FakeControl* fake_control(AppWindow* window, int id);

// The user's actions. Clicks on disabled controls or in a disabled window do nothing;
// a self-toggling check box changes its mark before the click is reported.
void click(AppWindow* window, int id);
// Types into a one-character field as the real field does: printable ASCII only,
// upper-cased, refused when the field is full.
void type_text(AppWindow* window, int id, const std::string& text);
// Moves the focus away from a field.
void leave_field(AppWindow* window, int id);
void press_close_box(AppWindow* window);

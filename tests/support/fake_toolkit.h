// A toolkit without a display for the window tests: windows and controls are
// records the test can look at, and the test plays the user (clicks, typing, the
// close box, resizing) through the same events a real toolkit sends.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeControl {
    ControlSpec spec;
    std::string text;
    int checked = 0;
    int enabled = 1;
    int progress = 0;
    std::vector<std::string> lines;
};

struct FakeWindow {
    WindowSpec spec;
    std::string title;
    WindowEvents events;
    Rect rect;
    int enabled = 1;
    int shown = 0;
    int destroyed = 0;
    std::map<int, FakeControl> controls;
    std::vector<int> creation_order;
};

struct FakeToolkit {
    std::vector<std::unique_ptr<FakeWindow>> windows;
    int screen_width = 1024;
    int screen_height = 768;
    int display = 1;
    int quit_code = -99;   // -99 until quit() is called
    int fail_create = 0;   // the next create_window fails
    void (*idle_check)(void*) = nullptr;
    void* idle_context = nullptr;
    int wakes = 0;
};

// Installs the fake into g_platform (toolkit and enable_window) for the test.
void install_fake_toolkit(FakeToolkit* fake);

FakeWindow* fake_window(Window* window);
Window* handle_of(FakeWindow* window);
// The windows not destroyed yet, in creation order.
std::vector<FakeWindow*> open_windows(FakeToolkit* fake);
FakeControl* fake_control(Window* window, int id);

// The user's actions. Clicks on disabled controls or in a disabled window do nothing;
// a self-toggling check box changes its mark before the click is reported.
void click(Window* window, int id);
// Types into a one-character field as the real field does: printable ASCII only,
// upper-cased, refused when the field is full.
void type_text(Window* window, int id, const std::string& text);
// Empties a field (select all, delete).
void erase_text(Window* window, int id);
// Moves the focus away from a field.
void leave_field(Window* window, int id);
void press_close_box(Window* window);
void resize_window(Window* window, int width, int height);
// Runs the loop's idle check once, as the loop does before waiting.
void run_idle(FakeToolkit* fake);

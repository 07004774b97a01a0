// What the Windows toolkit keeps with each of its windows, and the control lookup
// the toolkit entries share.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/toolkit.h"

struct WindowData {
    WindowEvents events;
    std::wstring className;  // registered for this window, unregistered with it
    int resizable = 0;
    int escapeId = 0;  // the command Escape gives; 0: none
    SIZE minimum{};    // smallest tracking size of a resizable window, at 96 DPI
    DWORD style = 0;
    // The DPI the window is laid out for, and each control's place at 96 DPI: a
    // change of DPI places them anew from these.
    UINT dpi = 96;
    struct Placed {
        HWND control;
        Rect rect;
        bool listFont;
    };
    std::vector<Placed> placed;
    bool rescaling = false;  // sizes met while the DPI changes are no resize
    // The progress bar has no control id of its own; the program addresses it by
    // the one it asked for.
    int progressId = -1;
    HWND progress = nullptr;
    int listExtent = 0;  // widest status-list line so far, for its scroll bar
    std::atomic<int> postedProgress{-1};
    // The client size last reported, at 96 DPI. The system repeats the size when a
    // window is first shown (and the X11 driver once more when the window is mapped);
    // only a real change reaches the program, whose controls are placed for the
    // first one.
    SIZE clientSize{};
};

inline HWND hwnd_of(AppWindow* window) { return reinterpret_cast<HWND>(window); }

inline AppWindow* window_of(HWND hwnd) { return reinterpret_cast<AppWindow*>(hwnd); }

// The toolkit's record of a window it made; nullptr for any other handle.
WindowData* window_data(HWND hwnd);

// The control with that id in the window; nullptr when there is none.
HWND control_of(AppWindow* window, int id);

// The control's place at 96 DPI; nullptr for a control the toolkit did not make.
WindowData::Placed* placed_of(WindowData* data, HWND control);

// Moves and sizes a control to `scaled` (window pixels). A list box then rounds its
// height down to whole rows of the font it has now.
void place_control(HWND control, const Rect& scaled);

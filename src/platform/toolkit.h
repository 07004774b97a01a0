// The windowing service of the platform seam: windows and controls addressed by
// numeric id at exact client rectangles, and the message loop. The windows' logic
// lives in ui/; this is only what it asks of a toolkit.
#pragma once

#include <string>

struct AppWindow;

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

enum class ControlKind {
    AutoCheckBox,  // toggles itself when clicked, then reports the click
    CheckBox,      // reports the click only; the program sets its mark
    PushButton,
    CharEdit,     // one printable ASCII character, upper-cased as typed, centred
    Label,        // left-aligned static text
    ProgressBar,  // smooth, 0 to 100
    StatusList,   // lines without selection, both scroll bars, sunken border
};

enum class ControlFont { System, List };

struct ControlSpec {
    int id = 0;
    ControlKind kind = ControlKind::PushButton;
    const char* text = "";
    Rect rect;
    ControlFont font = ControlFont::System;
};

// Notification codes of a command, numerically as Windows has them.
constexpr int kNotifyClicked = 0;        // a button or check box was clicked
constexpr int kNotifyKillFocus = 0x200;  // an edit field lost the keyboard focus

// What a window tells its owner. Each is called on the window's thread.
struct WindowEvents {
    void* context = nullptr;
    void (*command)(void* context, AppWindow* window, int id, int notification) = nullptr;
    // The close box (or the window manager's close request); the window stays open
    // unless the handler destroys it.
    void (*close)(void* context, AppWindow* window) = nullptr;
    // The client area changed size.
    void (*resize)(void* context, AppWindow* window, int width, int height) = nullptr;
};

struct WindowSpec {
    const char* title = "";
    // The size as the system's window-creation call takes it: the client area where
    // the window manager adds the frame (X11), the whole window with its frame and
    // caption on Windows.
    int width = 0;
    int height = 0;
    int min_width = 0;  // with resizable: the smallest size allowed, as above
    int min_height = 0;
    int resizable = 0;
    AppWindow* owner = nullptr;  // stays above its owner
    int escape_id = 0;           // Escape gives this command (Cancel); 0: Escape does nothing
};

// Every entry may be called from any thread: a call from another thread than the one
// that opened the display is carried out on that thread while the caller waits.
// Positions and sizes, the screen's included, are pixels at 96 DPI: a toolkit that
// shows a window at another scale scales them, and its fonts, itself.
struct Toolkit {
    // 1 when windows can be shown (a display could be opened), 0 otherwise. The
    // first call makes the calling thread the window thread.
    int (*open_display)();
    // Created hidden at the screen's left edge, y = 0; nullptr on failure.
    AppWindow* (*create_window)(const WindowSpec& def, const WindowEvents& events);
    void (*destroy_window)(AppWindow* window);
    // Shows (or raises) and repaints the window.
    void (*show_window)(AppWindow* window);
    // A disabled window takes no clicks or keys (its owned message box is answered first).
    void (*enable_window)(AppWindow* window, int enable);
    // The window's rectangle in screen coordinates.
    void (*window_rect)(AppWindow* window, Rect* out);
    void (*move_window)(AppWindow* window, int x, int y);
    void (*client_size)(AppWindow* window, int* width, int* height);
    void (*screen_size)(int* width, int* height);

    // 1 when the control was created.
    int (*add_control)(AppWindow* window, const ControlSpec& def);
    // The control's rectangle in screen coordinates; 0 when there is no such control.
    int (*control_rect)(AppWindow* window, int id, Rect* out);
    // Places a control at a client rectangle.
    void (*move_control)(AppWindow* window, int id, const Rect& rect);
    void (*enable_control)(AppWindow* window, int id, int enable);
    void (*set_check)(AppWindow* window, int id, int checked);
    // Non-zero when the check box exists and is checked.
    int (*is_checked)(AppWindow* window, int id);
    std::string (*get_text)(AppWindow* window, int id);
    void (*set_text)(AppWindow* window, int id, const char* text);

    // Status list: insert at a 0-based index (-1 appends), count, delete, empty.
    void (*list_insert)(AppWindow* window, int id, const char* text, int index);
    int (*list_count)(AppWindow* window, int id);
    void (*list_delete)(AppWindow* window, int id, int index);
    void (*list_reset)(AppWindow* window, int id);
    void (*set_progress)(AppWindow* window, int id, int percent);

    // A function the loop runs before it waits for the next event, and again after
    // wake() from any thread.
    void (*set_idle_check)(void (*check)(void* context), void* context);
    void (*wake)();
    // Runs until quit(); returns the code given to quit().
    int (*run_loop)();
    void (*quit)(int code);

    // The system's copy of a string resource (1301-1315) where the program carries
    // its texts as resources; a null entry or result means the built-in text.
    const char* (*string_resource)(int id);
};

// The toolkit of the platform seam on the Win32 API.
#include "platform/win32/toolkit_win32.h"

#include <windows.h>

namespace {

int open_display() { return 0; }
Window* create_window(const WindowSpec&, const WindowEvents&) { return nullptr; }
void destroy_window(Window*) {}
void show_window(Window*) {}
void window_rect(Window*, Rect* out) { *out = {}; }
void move_window(Window*, int, int) {}
void client_size(Window*, int* width, int* height) { *width = *height = 0; }
void screen_size(int* width, int* height) { *width = *height = 0; }
int add_control(Window*, const ControlSpec&) { return 0; }
int control_rect(Window*, int, Rect*) { return 0; }
void move_control(Window*, int, const Rect&) {}
void enable_control(Window*, int, int) {}
void set_check(Window*, int, int) {}
int is_checked(Window*, int) { return 0; }
std::string get_text(Window*, int) { return {}; }
void set_text(Window*, int, const char*) {}
void list_insert(Window*, int, const char*, int) {}
int list_count(Window*, int) { return 0; }
void list_delete(Window*, int, int) {}
void list_reset(Window*, int) {}
void set_progress(Window*, int, int) {}
void set_idle_check(void (*)(void*), void*) {}
void wake() {}
int run_loop() { return 0; }
void quit(int) {}

}  // namespace

int win32_message_box(const char* text, const char* title, unsigned style)
{
    return MessageBoxA(nullptr, text, title, style);
}

void win32_enable_window(Window* window, int enable)
{
    if (window) EnableWindow(reinterpret_cast<HWND>(window), enable ? TRUE : FALSE);
}

Toolkit win32_toolkit()
{
    Toolkit t{};
    t.open_display = open_display;
    t.create_window = create_window;
    t.destroy_window = destroy_window;
    t.show_window = show_window;
    t.window_rect = window_rect;
    t.move_window = move_window;
    t.client_size = client_size;
    t.screen_size = screen_size;
    t.add_control = add_control;
    t.control_rect = control_rect;
    t.move_control = move_control;
    t.enable_control = enable_control;
    t.set_check = set_check;
    t.is_checked = is_checked;
    t.get_text = get_text;
    t.set_text = set_text;
    t.list_insert = list_insert;
    t.list_count = list_count;
    t.list_delete = list_delete;
    t.list_reset = list_reset;
    t.set_progress = set_progress;
    t.set_idle_check = set_idle_check;
    t.wake = wake;
    t.run_loop = run_loop;
    t.quit = quit;
    return t;
}

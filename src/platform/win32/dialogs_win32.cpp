// Message boxes and the owner window's enabled state on Windows.
#include <windows.h>

#include "platform/win32/text_win32.h"
#include "platform/win32/toolkit_win32.h"
#include "platform/win32/window_thread.h"

int win32_message_box(const char* text, const char* title, unsigned style)
{
    // On the window thread the box belongs to the window the user is working in, so
    // that window takes no clicks until the box is answered; a box of the run thread
    // has no owner (its caller disables the main window around it).
    HWND owner = on_window_thread() ? GetActiveWindow() : nullptr;
    return MessageBoxW(owner, widen(text).c_str(), widen(title).c_str(), style);
}

void win32_enable_window(AppWindow* window, int enable)
{
    if (window) EnableWindow(reinterpret_cast<HWND>(window), enable ? TRUE : FALSE);
}

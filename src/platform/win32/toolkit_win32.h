// The Windows toolkit of the platform seam: real Win32 windows and controls, the
// message loop, and the message box with its owner disabled around it.
#pragma once

#include "platform/platform.h"

// The toolkit record on the Win32 API. Every entry may be called from any thread;
// a call from another thread than the window thread is sent to the window thread
// and waited for.
Toolkit win32_toolkit();

// A modal message box (texts in UTF-8); returns the button pressed (kIdOk, kIdYes,
// kIdNo, kIdCancel), or 0 when no box could be shown. On the window thread it is
// owned by the active window, which takes no input until the box is answered.
int win32_message_box(const char* text, const char* title, unsigned style);

// Enables or disables input to a window (EnableWindow); a null window is ignored.
void win32_enable_window(AppWindow* window, int enable);

// The text of string resource id (1301-1315) from the program's resources; nullptr
// when the program has no such resource.
const char* win32_string_resource(int id);

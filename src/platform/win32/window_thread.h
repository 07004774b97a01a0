// The window thread of the Windows toolkit: the thread that opened the display owns
// every window, and calls from other threads are sent to it and waited for.
#pragma once

#include <functional>

#include <windows.h>

// 1 when windows can be made (once; later calls give the same answer). The first
// successful call makes the calling thread the window thread.
int win32_open_display();

// True on the window thread, and on any thread before a display was opened.
bool on_window_thread();

// Runs fn on the window thread: at once when already there, otherwise sent to the
// window thread (SendMessage: carried out while the caller waits).
void run_on_window_thread(const std::function<void()>& fn);

// Makes the window thread's loop go round once (from any thread).
void wake_window_thread();

// The program's module, whose resources and window classes the toolkit uses.
HINSTANCE program_instance();

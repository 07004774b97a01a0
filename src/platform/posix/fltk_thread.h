// The window thread of the FLTK toolkit: the display connection, and synchronous
// calls carried to the window thread from any other thread.
#pragma once

#include <functional>

// 1 when the display could be opened (once; later calls give the same answer). The
// first successful call makes the calling thread the window thread.
int fltk_open_display();

// Runs fn on the window thread: at once when already there, otherwise posted to the
// window thread's loop while the caller waits for it to finish.
void run_on_window_thread(const std::function<void()>& fn);

class Fl_Window;

// The X window class and instance name of every window of the program.
inline constexpr const char* kProgramClass = "kstlupd";

// Gives a shown window the class and instance name kProgramClass.
void fltk_set_class_hint(Fl_Window* window);

#include "platform/posix/fltk_thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xlib.h>

#include "platform/posix/fltk_look.h"

namespace {

struct DisplayState {
    std::mutex mutex;
    bool tried = false;
    bool open = false;
    std::thread::id windowThread;
};

DisplayState& display_state()
{
    static DisplayState state;
    return state;
}

struct PostedCall {
    const std::function<void()>* fn = nullptr;
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
};

void run_posted(void* data)
{
    auto* call = static_cast<PostedCall*>(data);
    (*call->fn)();
    std::lock_guard<std::mutex> lock(call->mutex);
    call->done = true;
    call->done_signal.notify_one();
}

}  // namespace

int fltk_open_display()
{
    DisplayState& state = display_state();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.tried) return state.open ? 1 : 0;
    state.tried = true;
    // FLTK ends the process when it cannot open the display, so ask X first and hand
    // FLTK the connection.
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    fl_open_display(display);
    // Without the lock taken once on this thread, Fl::awake never delivers.
    Fl::lock();
    state.windowThread = std::this_thread::get_id();
    state.open = true;
    fltk_set_up_look();
    Fl_Window::default_xclass(kProgramClass);
    return 1;
}

void run_on_window_thread(const std::function<void()>& fn)
{
    DisplayState& state = display_state();
    if (!state.open || std::this_thread::get_id() == state.windowThread) {
        fn();
        return;
    }
    PostedCall call;
    call.fn = &fn;
    // The queue holds a bounded number of calls; a full queue drains quickly.
    while (Fl::awake(run_posted, &call) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::unique_lock<std::mutex> lock(call.mutex);
    call.done_signal.wait(lock, [&] { return call.done; });
}

void fltk_set_class_hint(Fl_Window* window)
{
    // FLTK capitalises the class it is given; both halves are the program's name.
    if (!window->shown()) return;
    XClassHint hint;
    hint.res_name = const_cast<char*>(kProgramClass);
    hint.res_class = const_cast<char*>(kProgramClass);
    XSetClassHint(fl_display, fl_xid(window), &hint);
}

#if defined(__SANITIZE_ADDRESS__)
// Sanitizer builds only: the font libraries under the windows keep caches for the
// life of the process, which the leak checker would report at every exit.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\nleak:libXft.so\nleak:libfltk.so\n";
}
#endif

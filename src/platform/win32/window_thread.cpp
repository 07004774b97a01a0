#include "platform/win32/window_thread.h"

#include <atomic>
#include <mutex>

#include <windows.h>
#include <commctrl.h>

namespace {

// The window that carries calls from other threads: it belongs to the window thread,
// so a message sent to it is handled there while the sender waits.
constexpr UINT kRunCall = WM_APP + 1;
constexpr const char* kCarrierClass = "kstlupd call carrier";

struct DisplayState {
    std::mutex mutex;
    bool tried = false;
    std::atomic<HWND> carrier{nullptr};
    std::atomic<DWORD> thread{0};
};

DisplayState& display_state()
{
    static DisplayState state;
    return state;
}

LRESULT CALLBACK carrier_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == kRunCall) {
        (*reinterpret_cast<const std::function<void()>*>(lparam))();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// Creating a visible-capable window fails when the system has no display driver
// (Wine without an X server): a hidden pop-up stands in for every later window.
bool windows_can_be_made()
{
    HWND probe =
        CreateWindowExA(0, kCarrierClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, program_instance(), nullptr);
    if (!probe) return false;
    DestroyWindow(probe);
    return true;
}

}  // namespace

HINSTANCE program_instance() { return GetModuleHandleA(nullptr); }

int win32_open_display()
{
    DisplayState& state = display_state();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.tried) return state.carrier.load() ? 1 : 0;
    state.tried = true;

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);

    WNDCLASSA carrierClass{};
    carrierClass.lpfnWndProc = carrier_procedure;
    carrierClass.hInstance = program_instance();
    carrierClass.lpszClassName = kCarrierClass;
    if (!RegisterClassA(&carrierClass)) return 0;
    if (!windows_can_be_made()) return 0;
    HWND carrier =
        CreateWindowExA(0, kCarrierClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, program_instance(), nullptr);
    if (!carrier) return 0;
    state.thread = GetCurrentThreadId();
    state.carrier = carrier;
    return 1;
}

bool on_window_thread()
{
    DisplayState& state = display_state();
    return !state.carrier.load() || GetCurrentThreadId() == state.thread.load();
}

void run_on_window_thread(const std::function<void()>& fn)
{
    if (on_window_thread()) {
        fn();
        return;
    }
    SendMessageA(display_state().carrier.load(), kRunCall, 0, reinterpret_cast<LPARAM>(&fn));
}

void wake_window_thread()
{
    if (HWND carrier = display_state().carrier.load()) PostMessageA(carrier, WM_NULL, 0, 0);
}

// The toolkit of the platform seam on the Win32 API: windows, their window procedure
// and the message loop. Controls are in toolkit_controls.cpp.
#include "platform/win32/toolkit_win32.h"

#include <memory>

#include "platform/win32/dpi_win32.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/toolkit_controls.h"
#include "platform/win32/window_data.h"
#include "platform/win32/window_thread.h"

namespace {

constexpr int kSmallIconId = 1201;

struct LoopState {
    void (*check)(void*) = nullptr;
    void* checkContext = nullptr;
};

// Touched on the window thread only.
LoopState& loop_state()
{
    static LoopState state;
    return state;
}

// Lays the window's controls out anew for dpi: places, fonts and the status list's
// scroll width.
void apply_dpi(WindowData* data, UINT dpi)
{
    const UINT old = data->dpi;
    data->dpi = dpi;
    for (const WindowData::Placed& placed : data->placed) {
        // The font first: a list's height is rounded to rows of the font it has.
        if (placed.control != data->progress) {
            HFONT font = placed.listFont ? list_font(dpi) : system_font(dpi);
            SendMessageA(placed.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
        place_control(placed.control, scaled_rect(placed.rect, dpi));
        if (placed.control == data->progress) continue;
        wchar_t cls[16] = L"";
        GetClassNameW(placed.control, cls, 16);
        if (data->listExtent > 0 && !lstrcmpiW(cls, L"ListBox")) {
            data->listExtent = MulDiv(data->listExtent, int(dpi), int(old));
            SendMessageA(placed.control, LB_SETHORIZONTALEXTENT, WPARAM(data->listExtent), 0);
        }
    }
}

SIZE client_at_96(HWND hwnd, UINT dpi)
{
    RECT client{};
    GetClientRect(hwnd, &client);
    return {scale_from(int(client.right), dpi), scale_from(int(client.bottom), dpi)};
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    WindowData* data = window_data(hwnd);
    if (!data) return DefWindowProcW(hwnd, message, wparam, lparam);
    // A handler may destroy this window: nothing of data is used after it returns.
    const WindowEvents events = data->events;
    switch (message) {
    case WM_CLOSE:
        if (events.close) events.close(events.context, window_of(hwnd));
        return 0;
    case WM_SIZE: {
        const SIZE size{scale_from(LOWORD(lparam), data->dpi), scale_from(HIWORD(lparam), data->dpi)};
        if (size.cx == data->clientSize.cx && size.cy == data->clientSize.cy) break;
        data->clientSize = size;
        if (!data->rescaling && events.resize)
            events.resize(events.context, window_of(hwnd), int(size.cx), int(size.cy));
        break;
    }
    case WM_GETMINMAXINFO:
        if (data->resizable) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
            const SIZE minimum = scaled_window_size(data->minimum.cx, data->minimum.cy, data->style, data->dpi);
            info->ptMinTrackSize.x = minimum.cx;
            info->ptMinTrackSize.y = minimum.cy;
        }
        break;
    case WM_DPICHANGED: {
        // The window moved to a monitor of another scale (or the scale was changed):
        // the same layout at the new DPI, in the rectangle the system suggests. The
        // client area keeps its size at 96 DPI, so the program sees no resize.
        const auto* suggested = reinterpret_cast<const RECT*>(lparam);
        if (!HIWORD(wparam) || !suggested) break;
        data->rescaling = true;
        apply_dpi(data, HIWORD(wparam));
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        data->clientSize = client_at_96(hwnd, data->dpi);
        data->rescaling = false;
        return 0;
    }
    case WM_COMMAND:
        // The dialog manager of the loop turns Escape into IDCANCEL from no control.
        if (!lparam && LOWORD(wparam) == IDCANCEL && data->escapeId && events.command) {
            events.command(events.context, window_of(hwnd), data->escapeId, kNotifyClicked);
            return 0;
        }
        if (lparam && events.command) {
            events.command(events.context, window_of(hwnd), LOWORD(wparam), HIWORD(wparam));
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete data;
        break;
    default: break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

HICON small_icon()
{
    return static_cast<HICON>(LoadImageA(program_instance(), MAKEINTRESOURCEA(kSmallIconId), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

// Each window has a class of its own, named after the window: the main window's
// after the program, an owned window's after its title.
int register_class(const std::wstring& name)
{
    WNDCLASSW wc{};
    wc.style = 0;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = program_instance();
    wc.hIcon = small_icon();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = name.c_str();
    if (RegisterClassW(&wc)) return 1;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS ? 1 : 0;
}

std::wstring class_name_of(const WindowSpec& def)
{
    if (def.owner) return widen(def.title);
    char name[80] = "";
    // The program's name is string 1301; without it, the title without its version.
    if (LoadStringA(program_instance(), 1301, name, sizeof name) > 0) return widen(name);
    const std::wstring title = widen(def.title);
    return title.substr(0, title.find(L" - "));
}

AppWindow* create_window(const WindowSpec& def, const WindowEvents& events)
{
    HWND created = nullptr;
    run_on_window_thread([&] {
        auto data = std::make_unique<WindowData>();
        data->events = events;
        data->className = class_name_of(def);
        data->resizable = def.resizable;
        data->escapeId = def.escape_id;
        data->minimum = {def.min_width, def.min_height};
        if (!register_class(data->className)) return;
        const DWORD style = def.resizable ? WS_OVERLAPPEDWINDOW : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        data->style = style;
        // An owned window opens over its owner, so at its DPI; a window the system
        // puts on another monitor is made again the right size below.
        const WindowData* owner = def.owner ? window_data(hwnd_of(def.owner)) : nullptr;
        data->dpi = owner ? owner->dpi : system_dpi();
        const std::wstring className = data->className;
        // Sizes are the whole window's, frame and caption included, as the system
        // takes them; it starts hidden at the top left and is placed before it shows.
        SIZE size = scaled_window_size(def.width, def.height, style, data->dpi);
        created = CreateWindowExW(0, className.c_str(), widen(def.title).c_str(), style, 0, 0, size.cx, size.cy,
                                  hwnd_of(def.owner), nullptr, program_instance(), data.get());
        if (created) {
            if (const UINT dpi = dpi_of_window(created); dpi != data->dpi) {
                data->dpi = dpi;
                size = scaled_window_size(def.width, def.height, style, dpi);
                data->rescaling = true;
                SetWindowPos(created, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                data->rescaling = false;
            }
            data->clientSize = client_at_96(created, data->dpi);
            data.release();
        } else UnregisterClassW(className.c_str(), program_instance());
    });
    return window_of(created);
}

void destroy_window(AppWindow* window)
{
    run_on_window_thread([&] {
        WindowData* data = window_data(hwnd_of(window));
        if (!data) return;
        const std::wstring className = data->className;
        DestroyWindow(hwnd_of(window));
        UnregisterClassW(className.c_str(), program_instance());
    });
}

void show_window(AppWindow* window)
{
    ShowWindow(hwnd_of(window), SW_SHOW);
    UpdateWindow(hwnd_of(window));
}

// The program places its windows in pixels at 96 DPI: the screen too is measured in
// them, so that a window it centres is centred at any scale.
UINT dpi_of(AppWindow* window)
{
    const WindowData* data = window_data(hwnd_of(window));
    return data ? data->dpi : system_dpi();
}

void window_rect(AppWindow* window, Rect* out)
{
    RECT r{};
    GetWindowRect(hwnd_of(window), &r);
    const UINT dpi = dpi_of(window);
    *out = {scale_from(int(r.left), dpi), scale_from(int(r.top), dpi), scale_from(int(r.right - r.left), dpi),
            scale_from(int(r.bottom - r.top), dpi)};
}

void move_window(AppWindow* window, int x, int y)
{
    const UINT dpi = dpi_of(window);
    SetWindowPos(hwnd_of(window), nullptr, scale_to(x, dpi), scale_to(y, dpi), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void client_size(AppWindow* window, int* width, int* height)
{
    const SIZE size = client_at_96(hwnd_of(window), dpi_of(window));
    *width = int(size.cx);
    *height = int(size.cy);
}

void screen_size(int* width, int* height)
{
    *width = scale_from(GetSystemMetrics(SM_CXSCREEN), system_dpi());
    *height = scale_from(GetSystemMetrics(SM_CYSCREEN), system_dpi());
}

void set_idle_check(void (*check)(void*), void* context)
{
    run_on_window_thread([&] {
        loop_state().check = check;
        loop_state().checkContext = context;
    });
}

void run_idle_check()
{
    const LoopState& state = loop_state();
    if (state.check) state.check(state.checkContext);
}

int run_loop()
{
    MSG msg{};
    for (;;) {
        run_idle_check();
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return int(msg.wParam);
        if (got < 0) return -1;
        // Tab and the arrow keys move between the controls of the window.
        HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (top && window_data(top) && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void quit(int code)
{
    run_on_window_thread([&] { PostQuitMessage(code); });
}

}  // namespace

WindowData* window_data(HWND hwnd)
{
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(window_procedure)) return nullptr;
    return reinterpret_cast<WindowData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

Toolkit win32_toolkit()
{
    Toolkit t{};
    t.open_display = win32_open_display;
    t.create_window = create_window;
    t.destroy_window = destroy_window;
    t.show_window = show_window;
    t.enable_window = win32_enable_window;
    t.window_rect = window_rect;
    t.move_window = move_window;
    t.client_size = client_size;
    t.screen_size = screen_size;
    add_control_entries(&t);
    t.set_idle_check = set_idle_check;
    t.wake = wake_window_thread;
    t.run_loop = run_loop;
    t.quit = quit;
    t.string_resource = win32_string_resource;
    return t;
}

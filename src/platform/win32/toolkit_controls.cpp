#include "platform/win32/toolkit_controls.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/dpi_win32.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/window_data.h"
#include "platform/win32/window_thread.h"

namespace {

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass class_of(ControlKind kind)
{
    switch (kind) {
    case ControlKind::AutoCheckBox: return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    case ControlKind::CheckBox: return {L"BUTTON", BS_CHECKBOX, 0};
    case ControlKind::PushButton: return {L"BUTTON", BS_PUSHBUTTON, 0};
    case ControlKind::CharEdit: return {L"EDIT", WS_BORDER | WS_TABSTOP | ES_CENTER | ES_UPPERCASE, 0};
    case ControlKind::Label: return {L"STATIC", SS_LEFT, 0};
    case ControlKind::ProgressBar: return {PROGRESS_CLASSW, PBS_SMOOTH, 0};
    case ControlKind::StatusList:
        // Without LBS_NOINTEGRALHEIGHT the list rounds its height down to whole lines,
        // at every scale: no line is shown cut off at the bottom.
        return {L"LISTBOX", LBS_NOSEL | WS_VSCROLL | WS_HSCROLL | WS_BORDER, WS_EX_CLIENTEDGE};
    }
    return {L"STATIC", 0, 0};
}

// The one-character field takes printable ASCII only: the list ID it holds is
// written into the membership file as one byte, the same on every code page.
LRESULT CALLBACK char_edit_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_CHAR && wparam > 0x7E) return 0;
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

int add_control(AppWindow* window, const ControlSpec& def)
{
    int added = 0;
    run_on_window_thread([&] {
        HWND parent = hwnd_of(window);
        WindowData* data = window_data(parent);
        if (!data || control_of(window, def.id)) return;
        const ControlClass cls = class_of(def.kind);
        const bool isProgress = def.kind == ControlKind::ProgressBar;
        const Rect r = scaled_rect(def.rect, data->dpi);
        HWND control = CreateWindowExW(
            cls.exStyle, cls.name, widen(def.text).c_str(), WS_CHILD | WS_VISIBLE | cls.style, r.x, r.y, r.w, r.h,
            parent, reinterpret_cast<HMENU>(intptr_t(isProgress ? 0 : def.id)), program_instance(), nullptr);
        if (!control) return;
        if (isProgress) {
            data->progressId = def.id;
            data->progress = control;
            SendMessageA(control, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        }
        if (def.kind == ControlKind::CharEdit) {
            SendMessageA(control, EM_SETLIMITTEXT, 1, 0);
            SetWindowSubclass(control, char_edit_procedure, 1, 0);
        }
        const bool listFont = def.font == ControlFont::List && !isProgress;
        HFONT font = listFont ? list_font(data->dpi) : isProgress ? nullptr : system_font(data->dpi);
        if (font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (def.kind == ControlKind::StatusList) place_control(control, r);
        data->placed.push_back({control, def.rect, listFont});
        added = 1;
    });
    return added;
}

// The size is the one the control was given: read back from the scaled one it
// could come out a pixel off, and a re-layout would carry that on.
int control_rect(AppWindow* window, int id, Rect* out)
{
    HWND control = control_of(window, id);
    WindowData* data = window_data(hwnd_of(window));
    RECT r{};
    if (!control || !data || !GetWindowRect(control, &r)) return 0;
    const UINT dpi = data->dpi;
    *out = {scale_from(int(r.left), dpi), scale_from(int(r.top), dpi), scale_from(int(r.right - r.left), dpi),
            scale_from(int(r.bottom - r.top), dpi)};
    if (const WindowData::Placed* placed = placed_of(data, control)) out->w = placed->rect.w, out->h = placed->rect.h;
    return 1;
}

void move_control(AppWindow* window, int id, const Rect& rect)
{
    run_on_window_thread([&] {
        HWND control = control_of(window, id);
        WindowData* data = window_data(hwnd_of(window));
        if (!control || !data) return;
        if (WindowData::Placed* placed = placed_of(data, control)) placed->rect = rect;
        place_control(control, scaled_rect(rect, data->dpi));
    });
}

void enable_control(AppWindow* window, int id, int enable)
{
    if (HWND control = control_of(window, id)) EnableWindow(control, enable ? TRUE : FALSE);
}

void set_check(AppWindow* window, int id, int checked)
{
    if (HWND control = control_of(window, id))
        SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int is_checked(AppWindow* window, int id)
{
    HWND control = control_of(window, id);
    return control && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

std::string get_text(AppWindow* window, int id)
{
    HWND control = control_of(window, id);
    if (!control) return {};
    std::wstring text(size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(control, text.data(), int(text.size()))));
    return narrow(text.c_str());
}

void set_text(AppWindow* window, int id, const char* text)
{
    if (HWND control = control_of(window, id)) SetWindowTextW(control, widen(text).c_str());
}

// The list box shows a horizontal scroll bar only once it is told how wide its
// lines are.
void widen_for(HWND list, WindowData* data, const std::wstring& text)
{
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    if (GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size) && size.cx + 8 > data->listExtent) {
        data->listExtent = int(size.cx) + 8;
        SendMessageA(list, LB_SETHORIZONTALEXTENT, WPARAM(data->listExtent), 0);
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
}

void list_insert(AppWindow* window, int id, const char* text, int index)
{
    run_on_window_thread([&] {
        HWND list = control_of(window, id);
        if (!list) return;
        const std::wstring line = widen(text);
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        if (index < 0 || index >= count) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        else SendMessageW(list, LB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(line.c_str()));
        if (WindowData* data = window_data(hwnd_of(window))) widen_for(list, data, line);
    });
}

int list_count(AppWindow* window, int id)
{
    HWND list = control_of(window, id);
    const LRESULT count = list ? SendMessageA(list, LB_GETCOUNT, 0, 0) : 0;
    return count > 0 ? int(count) : 0;
}

void list_delete(AppWindow* window, int id, int index)
{
    if (HWND list = control_of(window, id); list && index >= 0) SendMessageA(list, LB_DELETESTRING, WPARAM(index), 0);
}

void list_reset(AppWindow* window, int id)
{
    run_on_window_thread([&] {
        HWND list = control_of(window, id);
        if (!list) return;
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        if (WindowData* data = window_data(hwnd_of(window))) data->listExtent = 0;
        SendMessageA(list, LB_SETHORIZONTALEXTENT, 0, 0);
    });
}

void set_progress(AppWindow* window, int id, int percent)
{
    WindowData* data = window_data(hwnd_of(window));
    HWND bar = control_of(window, id);
    if (!data || !bar) return;
    // Each change costs a round trip to the window thread: send changes only.
    if (data->postedProgress.exchange(percent) == percent) return;
    SendMessageA(bar, PBM_SETPOS, WPARAM(percent), 0);
}

}  // namespace

HWND control_of(AppWindow* window, int id)
{
    HWND parent = hwnd_of(window);
    WindowData* data = window_data(parent);
    if (!data) return nullptr;
    if (id == data->progressId) return data->progress;
    return GetDlgItem(parent, id);
}

WindowData::Placed* placed_of(WindowData* data, HWND control)
{
    for (WindowData::Placed& placed : data->placed)
        if (placed.control == control) return &placed;
    return nullptr;
}

void place_control(HWND control, const Rect& scaled)
{
    SetWindowPos(control, nullptr, scaled.x, scaled.y, scaled.w, scaled.h, SWP_NOZORDER | SWP_NOACTIVATE);
    wchar_t cls[16] = L"";
    GetClassNameW(control, cls, 16);
    if (lstrcmpiW(cls, L"ListBox")) return;
    // The list rounds its height on a change of size only; the size may have stayed
    // while the font changed.
    RECT inside;
    GetClientRect(control, &inside);
    SendMessageW(control, WM_SIZE, SIZE_RESTORED, MAKELPARAM(inside.right, inside.bottom));
}

void add_control_entries(Toolkit* t)
{
    t->add_control = add_control;
    t->control_rect = control_rect;
    t->move_control = move_control;
    t->enable_control = enable_control;
    t->set_check = set_check;
    t->is_checked = is_checked;
    t->get_text = get_text;
    t->set_text = set_text;
    t->list_insert = list_insert;
    t->list_count = list_count;
    t->list_delete = list_delete;
    t->list_reset = list_reset;
    t->set_progress = set_progress;
}

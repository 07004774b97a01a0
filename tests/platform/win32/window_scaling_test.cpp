// The Windows windows at 100, 125, 150 and 200 %: this process lays the main window
// and the settings windows out at its own DPI, and under Wine starts itself once per
// other DPI (the prefix's LogPixels set for the child's start). Each layout is read
// back with the system's own calls: rectangles, client areas, and each control's
// text measured in the font the control draws with.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_fixture.h"
#include "ui/main_window.h"
#include "ui/settings_windows.h"

namespace {

constexpr const char* kOutVariable = "KSTLUPD_SCALING_OUT";

struct Shown {
    RECT rect{};  // client coordinates
    SIZE text{};  // extent of the control's text in its font; 0 × 0 without text
    int checkBox = 0;
    // A list box's row height, and what is left of its inside height below its last
    // whole row; 0 for other controls.
    int row_height = 0;
    int partial_row = 0;
};

struct Layout {
    UINT dpi = 96;
    SIZE client{};
    std::vector<Shown> controls;  // in the window's child order
};

UINT dpi_now(HWND window)
{
    auto forWindow = reinterpret_cast<UINT(WINAPI*)(HWND)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (forWindow) return forWindow(window);
    HDC screen = GetDC(nullptr);
    const UINT dpi = UINT(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    return dpi;
}

Layout read_layout(HWND window, UINT dpi)
{
    Layout layout;
    layout.dpi = dpi;
    RECT client;
    GetClientRect(window, &client);
    layout.client = {client.right, client.bottom};
    for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        Shown shown;
        GetWindowRect(h, &shown.rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&shown.rect), 2);
        wchar_t text[128] = L"";
        const int length = GetWindowTextW(h, text, 128);
        auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0));
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
        if (length > 0) GetTextExtentPoint32W(dc, text, length, &shown.text);
        SelectObject(dc, old);
        ReleaseDC(h, dc);
        wchar_t cls[16] = L"";
        GetClassNameW(h, cls, 16);
        const LONG kind = GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK;
        shown.checkBox = !lstrcmpiW(cls, L"Button") && (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX);
        if (!lstrcmpiW(cls, L"ListBox")) {
            RECT inside;
            GetClientRect(h, &inside);
            shown.row_height = int(SendMessageW(h, LB_GETITEMHEIGHT, 0, 0));
            shown.partial_row = shown.row_height > 0 ? inside.bottom % shown.row_height : -1;
        }
        layout.controls.push_back(shown);
    }
    return layout;
}

// What the system does when the window moves to a monitor of that DPI.
void change_dpi(HWND window, UINT from, UINT to)
{
    RECT r;
    GetWindowRect(window, &r);
    RECT suggested{r.left, r.top, r.left + MulDiv(r.right - r.left, int(to), int(from)),
                   r.top + MulDiv(r.bottom - r.top, int(to), int(from))};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
}

std::string rect_text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Within two pixels of the 96-DPI rectangle scaled; the bottom of a list, which
// rounds its height down to whole rows at either scale, within a row.
void expect_scaled(const RECT& base, const RECT& shown, UINT dpi, int row_height = 0)
{
    const RECT want{MulDiv(base.left, int(dpi), 96), MulDiv(base.top, int(dpi), 96), MulDiv(base.right, int(dpi), 96),
                    MulDiv(base.bottom, int(dpi), 96)};
    EXPECT_TRUE(std::abs(want.left - shown.left) <= 2 && std::abs(want.top - shown.top) <= 2 &&
                std::abs(want.right - shown.right) <= 2 && std::abs(want.bottom - shown.bottom) <= row_height + 2)
        << rect_text(shown) << " for " << rect_text(want) << " at " << dpi << " DPI";
}

// The room for a control's text: a check box's text starts right of the box
// (12 pixels and one at 96 DPI) and a gap of four.
int room(const Shown& c, UINT dpi)
{
    return (c.rect.right - c.rect.left) - (c.checkBox ? MulDiv(12, int(dpi), 96) + 5 : 0);
}

// Every layout: every text fits its control, every control lies inside the window,
// no two overlap, and a list shows whole rows.
void expect_readable(const Layout& layout)
{
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const Shown& c = layout.controls[i];
        const RECT& r = c.rect;
        SCOPED_TRACE(rect_text(r) + " at " + std::to_string(layout.dpi) + " DPI");
        EXPECT_LE(c.text.cy, r.bottom - r.top);
        EXPECT_LE(c.text.cx, room(c, layout.dpi));
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= layout.client.cx && r.bottom <= layout.client.cy);
        EXPECT_EQ(c.partial_row, 0);
        for (size_t j = i + 1; j < layout.controls.size(); ++j) {
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &r, &layout.controls[j].rect)) << rect_text(layout.controls[j].rect);
        }
    }
}

// A layout at a scale against the same window at 96 DPI.
void expect_like(const Layout& base, const Layout& shown, bool withClient)
{
    SCOPED_TRACE(shown.dpi);
    ASSERT_EQ(shown.controls.size(), base.controls.size());
    expect_readable(shown);
    if (withClient)
        expect_scaled({0, 0, base.client.cx, base.client.cy}, {0, 0, shown.client.cx, shown.client.cy}, shown.dpi);
    for (size_t i = 0; i < base.controls.size(); ++i) {
        const Shown &b = base.controls[i], &s = shown.controls[i];
        expect_scaled(b.rect, s.rect, shown.dpi, s.row_height);
        EXPECT_GE(s.text.cy, MulDiv(b.text.cy, int(shown.dpi), 96) - 2) << rect_text(s.rect);  // the font grew too
    }
}

void write_layouts(std::ostream& out, const std::vector<Layout>& layouts)
{
    for (const Layout& l : layouts) {
        out << l.dpi << ' ' << l.client.cx << ' ' << l.client.cy << ' ' << l.controls.size() << '\n';
        for (const Shown& c : l.controls)
            out << c.rect.left << ' ' << c.rect.top << ' ' << c.rect.right << ' ' << c.rect.bottom << ' ' << c.text.cx
                << ' ' << c.text.cy << ' ' << c.checkBox << ' ' << c.row_height << ' ' << c.partial_row << '\n';
    }
}

std::vector<Layout> read_layouts(std::istream& in)
{
    std::vector<Layout> layouts;
    Layout l;
    size_t count = 0;
    while (in >> l.dpi >> l.client.cx >> l.client.cy >> count) {
        l.controls.assign(count, {});
        for (Shown& c : l.controls)
            in >> c.rect.left >> c.rect.top >> c.rect.right >> c.rect.bottom >> c.text.cx >> c.text.cy >> c.checkBox >>
                c.row_height >> c.partial_row;
        layouts.push_back(l);
    }
    return layouts;
}

class WindowsScaling : public RunTest {
protected:
    void TearDown() override
    {
        if (main.settings) close_settings(&main);
        if (main.window) g_platform.toolkit.destroy_window(main.window);
        RunTest::TearDown();
    }

    // The main window and the three settings windows at this process's DPI, each
    // laid out at its DPI as created and then at another DPI (96 or, at 96, 144) by
    // a change of DPI; changed back, each is as it was.
    std::vector<Layout> layouts_here()
    {
        init_main_window(&main, &run);  // the catalogue of 8.5.0.39
        EXPECT_TRUE(create_main_window(&main));
        if (!main.window) return {};
        create_main_controls(&main);
        std::vector<Layout> layouts;
        auto both = [&](HWND window) {
            const UINT dpi = dpi_now(window), other = dpi == 96 ? 144 : 96;
            RECT frame;
            GetWindowRect(window, &frame);
            MINMAXINFO info{};
            SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            if (window == reinterpret_cast<HWND>(main.window)) {  // it opens at its smallest size
                EXPECT_EQ(info.ptMinTrackSize.x, frame.right - frame.left);
                EXPECT_EQ(info.ptMinTrackSize.y, frame.bottom - frame.top);
            }
            layouts.push_back(read_layout(window, dpi));
            change_dpi(window, dpi, other);
            layouts.push_back(read_layout(window, other));
            change_dpi(window, other, dpi);
            const Layout again = read_layout(window, dpi);
            for (size_t i = 0; i < again.controls.size(); ++i)
                EXPECT_EQ(rect_text(again.controls[i].rect), rect_text(layouts[layouts.size() - 2].controls[i].rect));
        };
        both(reinterpret_cast<HWND>(main.window));
        for (SettingsKind kind : {SettingsKind::Calendar, SettingsKind::MasterCall, SettingsKind::Membership}) {
            open_settings(&main, kind);
            if (!main.settings) return layouts;
            both(reinterpret_cast<HWND>(main.settings->window));
            close_settings(&main);
        }
        return layouts;
    }

    MainWindow main;
};

// Sets the prefix's DPI for the processes started while it lives.
struct PrefixDpi {
    HKEY key = nullptr;
    explicit PrefixDpi(DWORD dpi)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr);
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~PrefixDpi()
    {
        RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }
};

// This test run again in a process started at dpi; its layouts.
std::vector<Layout> layouts_at(UINT dpi)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string out = std::string(folder) + "kstlupd-scaling-" + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(dpi) + ".txt";
    std::string command = "kstlupd_tests.exe --gtest_filter=WindowsScaling.*";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    DWORD code = 1;
    {
        PrefixDpi prefix(dpi);
        SetEnvironmentVariableA(kOutVariable, out.c_str());
        const BOOL started =
            CreateProcessA(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process);
        SetEnvironmentVariableA(kOutVariable, nullptr);
        if (!started) return {};
        WaitForSingleObject(process.hProcess, 90000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    EXPECT_EQ(code, 0u) << "at " << dpi << " DPI";
    std::ifstream in(out);
    std::vector<Layout> layouts = read_layouts(in);
    in.close();
    std::remove(out.c_str());
    return layouts;
}

}  // namespace

TEST_F(WindowsScaling, MainAndSettingsWindowsAtEveryScale)
{
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    if (wine && !getenv("DISPLAY")) GTEST_SKIP() << "no X display for Wine's windows";
    ASSERT_TRUE(g_platform.toolkit.open_display());
    const std::vector<Layout> here = layouts_here();
    ASSERT_EQ(here.size(), 8u);  // four windows, each at two DPIs
    if (const char* out = getenv(kOutVariable)) {
        std::ofstream file(out);
        write_layouts(file, here);
        return;
    }
    // The windows at 96 DPI, as laid out here directly or after a change of DPI.
    std::vector<Layout> base;
    for (size_t i = 0; i < here.size(); i += 2) base.push_back(here[i].dpi == 96 ? here[i] : here[i + 1]);
    for (const Layout& l : base) expect_readable(l);
    std::vector<Layout> scaled;
    for (size_t i = 0; i < here.size(); i += 2) scaled.push_back(here[i].dpi == 96 ? here[i + 1] : here[i]);
    if (wine)  // the system DPI of a Wine prefix is read as each process starts
        for (UINT dpi : {120u, 144u, 192u}) {
            const std::vector<Layout> there = layouts_at(dpi);
            ASSERT_EQ(there.size(), 8u) << "at " << dpi << " DPI";
            for (size_t i = 0; i < there.size(); i += 2) {
                EXPECT_EQ(there[i].dpi, dpi);
                expect_like(base[i / 2], there[i], true);       // as created at that DPI
                expect_like(base[i / 2], there[i + 1], false);  // changed to 96 DPI there
            }
        }
    // Changed to a DPI only by message here, the frame stays the system's: the client
    // area is compared where the window was made at its DPI.
    for (size_t i = 0; i < scaled.size(); ++i) expect_like(base[i], scaled[i], here[0].dpi != 96);
}

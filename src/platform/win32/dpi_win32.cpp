#include "platform/win32/dpi_win32.h"

#include <map>

namespace {

// Looked up by name: older systems (and some compatibility layers) lack them.
template <typename Fn>
Fn user32_entry(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

using DpiForWindowFn = UINT(WINAPI*)(HWND);
using DpiForSystemFn = UINT(WINAPI*)();
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

UINT screen_dpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 96;
}

// The frame and caption around a client area at dpi.
SIZE frame_at(DWORD style, UINT dpi)
{
    static const auto adjust = user32_entry<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, 0, 0};
    if (adjust) adjust(&r, style, FALSE, 0, dpi);
    else {
        AdjustWindowRectEx(&r, style, FALSE, 0);
        r = {scale_from(scale_to(r.left, dpi), system_dpi()), scale_from(scale_to(r.top, dpi), system_dpi()),
             scale_from(scale_to(r.right, dpi), system_dpi()), scale_from(scale_to(r.bottom, dpi), system_dpi())};
    }
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

UINT system_dpi()
{
    static const UINT dpi = [] {
        static const auto forSystem = user32_entry<DpiForSystemFn>("GetDpiForSystem");
        const UINT value = forSystem ? forSystem() : 0;
        return value ? value : screen_dpi();
    }();
    return dpi;
}

UINT dpi_of_window(HWND hwnd)
{
    static const auto forWindow = user32_entry<DpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = forWindow && hwnd ? forWindow(hwnd) : 0;
    return dpi ? dpi : system_dpi();
}

int scale_to(int length, UINT dpi) { return MulDiv(length, int(dpi), 96); }

int scale_from(int length, UINT dpi) { return MulDiv(length, 96, int(dpi)); }

Rect scaled_rect(const Rect& rect, UINT dpi)
{
    const int x = scale_to(rect.x, dpi), y = scale_to(rect.y, dpi);
    return {x, y, scale_to(rect.x + rect.w, dpi) - x, scale_to(rect.y + rect.h, dpi) - y};
}

SIZE scaled_window_size(int width, int height, DWORD style, UINT dpi)
{
    if (dpi == 96) return {width, height};
    const SIZE frame96 = frame_at(style, 96), frame = frame_at(style, dpi);
    return {scale_to(width - frame96.cx, dpi) + frame.cx, scale_to(height - frame96.cy, dpi) + frame.cy};
}

HFONT arial(int height)
{
    return CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

int text_width(HDC dc, HFONT font)
{
    static constexpr char kSample[] = "Custom Awards (AWD) DX Cluster Nodes (with keep-alive) CQ WPX Honor Roll 425";
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, kSample, int(sizeof kSample - 1), &size);
    SelectObject(dc, old);
    return int(size.cx);
}

// Touched on the window thread only.
HFONT list_font(UINT dpi)
{
    static std::map<UINT, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (font) return font;
    int height = scale_to(14, dpi);
    font = arial(height);
    if (dpi == 96) return font;
    // Hinting rounds each letter's width to whole pixels, so text does not grow in
    // proportion to its height: at 14 pixels it is narrow, at 21 it runs about 6 %
    // wider than 150 % of that, past the end of boxes scaled by 150 %. A pixel or two
    // less height keeps every label in the share of its box it has at 96 DPI.
    HDC screen = GetDC(nullptr);
    HFONT base = arial(14);
    const int limit = scale_to(text_width(screen, base), dpi);
    for (int tries = 0; tries < 3 && text_width(screen, font) > limit; ++tries) {
        DeleteObject(font);
        font = arial(--height);
    }
    DeleteObject(base);
    ReleaseDC(nullptr, screen);
    return font;
}

HFONT system_font(UINT dpi)
{
    if (dpi == 96 && system_dpi() == 96) return nullptr;
    static std::map<UINT, HFONT> fonts;
    HFONT& font = fonts[dpi];
    if (!font) {
        LOGFONTW lf{};
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
        lf.lfHeight = MulDiv(lf.lfHeight, int(dpi), int(system_dpi()));
        // The stock font's width is not scaled with its height everywhere: left to
        // the height, the letters keep their shape at every scale.
        lf.lfWidth = 0;
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

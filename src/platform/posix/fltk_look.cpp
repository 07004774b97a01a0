#include "platform/posix/fltk_look.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

namespace {

constexpr int kIconSize = 16;

// The small window icon: a blue tile with a white down arrow (fresh data coming in).
const unsigned char* icon_pixels()
{
    static unsigned char pixels[kIconSize * kIconSize * 3];
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            unsigned char* p = pixels + 3 * (y * kIconSize + x);
            const bool border = x == 0 || y == 0 || x == kIconSize - 1 || y == kIconSize - 1;
            const bool shaft = x >= 7 && x <= 8 && y >= 3 && y <= 9;
            const bool head = y >= 9 && y <= 13 && x >= 3 + (y - 9) && x <= 12 - (y - 9);
            if (border) {
                p[0] = 16, p[1] = 48, p[2] = 112;
            } else if (shaft || head) {
                p[0] = 255, p[1] = 255, p[2] = 255;
            } else {
                p[0] = 40, p[1] = 100, p[2] = 200;
            }
        }
    }
    return pixels;
}

void framed(int x, int y, int w, int h, Fl_Color fill, Fl_Color frame)
{
    fl_color(fill);
    fl_rectf(x + 1, y + 1, w - 2, h - 2);
    fl_color(frame);
    fl_rect(x, y, w, h);
}

// FLTK's own up and down boxes light the top and darken the bottom edge only, which
// leaves a list on the light dialog face without a visible right and bottom edge.
void button_box(int x, int y, int w, int h, Fl_Color c)
{
    if (Fl::draw_box_active()) framed(x, y, w, h, c, fl_rgb_color(173, 173, 173));
    else framed(x, y, w, h, fl_rgb_color(204, 204, 204), fl_rgb_color(191, 191, 191));
}

void button_down_box(int x, int y, int w, int h, Fl_Color c) { framed(x, y, w, h, c, fl_rgb_color(0, 84, 153)); }

void field_box(int x, int y, int w, int h, Fl_Color c)
{
    framed(x, y, w, h, c, Fl::draw_box_active() ? fl_rgb_color(130, 135, 144) : fl_rgb_color(204, 204, 204));
}

}  // namespace

void fltk_set_up_look()
{
    Fl::set_font(FL_FREE_FONT, " Arial");
    Fl::background(240, 240, 240);
    Fl::visible_focus(1);
    Fl::set_boxtype(kButtonBox, button_box, 1, 1, 2, 2);
    Fl::set_boxtype(kButtonDownBox, button_down_box, 1, 1, 2, 2);
    Fl::set_boxtype(kFieldBox, field_box, 1, 1, 2, 2);
    Fl::set_boxtype(Fl_Boxtype(kFieldBox + 1), field_box, 1, 1, 2, 2);
    static Fl_RGB_Image icon(icon_pixels(), kIconSize, kIconSize, 3);
    Fl_Window::default_icon(&icon);
}

void style_push_button(Fl_Button* button)
{
    button->box(kButtonBox);
    button->down_box(kButtonDownBox);
    button->color(fl_rgb_color(225, 225, 225));
    button->selection_color(fl_rgb_color(204, 228, 247));
}

void style_status_list(Fl_Browser* list)
{
    list->box(kFieldBox);
    list->color(FL_WHITE);
    list->scrollbar.slider(kButtonBox);
    list->hscrollbar.slider(kButtonBox);
    list->scrollbar.color(FL_BACKGROUND_COLOR);
    list->hscrollbar.color(FL_BACKGROUND_COLOR);
}

void style_progress_bar(Fl_Progress* bar)
{
    bar->box(kFieldBox);
    bar->color(fl_rgb_color(230, 230, 230));
    bar->selection_color(fl_rgb_color(6, 176, 37));
}

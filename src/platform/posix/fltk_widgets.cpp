#include "platform/posix/fltk_widgets.h"

#include <cctype>

#include <FL/Fl.H>
#include <FL/Fl_RGB_Image.H>
#include "platform/posix/fltk_draw.h"

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

bool is_input_event(int event)
{
    switch (event) {
    case FL_PUSH:
    case FL_RELEASE:
    case FL_DRAG:
    case FL_KEYBOARD:
    case FL_KEYUP:
    case FL_SHORTCUT:
    case FL_MOUSEWHEEL:
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_RELEASE:
    case FL_PASTE: return true;
    default: return false;
    }
}

}  // namespace

void fltk_set_up_look()
{
    Fl::set_font(kListFont, " Arial");
    Fl::background(240, 240, 240);
    Fl::visible_focus(1);
    static Fl_RGB_Image icon(icon_pixels(), kIconSize, kIconSize, 3);
    Fl_Window::default_icon(&icon);
}

ProgramWindow::ProgramWindow(int w, int h, const char* title) : Fl_Double_Window(w, h)
{
    copy_label(title);
    end();
    // Controls keep their places when the window is resized; the program moves the
    // ones that follow the size.
    resizable(nullptr);
}

int ProgramWindow::handle(int event)
{
    if (!input_enabled && is_input_event(event)) return 1;
    return Fl_Double_Window::handle(event);
}

void ProgramWindow::resize(int x, int y, int w, int h)
{
    const bool sized = w != this->w() || h != this->h();
    Fl_Double_Window::resize(x, y, w, h);
    if (sized && events.resize) events.resize(events.context, reinterpret_cast<Window*>(this), w, h);
}

NoToggleCheckButton::NoToggleCheckButton(int x, int y, int w, int h) : Fl_Check_Button(x, y, w, h) {}

int NoToggleCheckButton::handle(int event)
{
    switch (event) {
    case FL_PUSH:
        if (Fl::visible_focus()) take_focus();
        pressed_ = true;
        return 1;
    case FL_DRAG: return 1;
    case FL_RELEASE: {
        const bool inside = pressed_ && Fl::event_inside(this);
        pressed_ = false;
        if (inside) do_callback();
        return 1;
    }
    case FL_KEYBOARD:
        if (Fl::focus() == this && Fl::event_key() == ' ') {
            do_callback();
            return 1;
        }
        return 0;
    case FL_SHORTCUT: return 0;
    default: return Fl_Check_Button::handle(event);
    }
}

CharInput::CharInput(int x, int y, int w, int h, int id) : Fl_Input(x, y, w, h), id_(id)
{
    maximum_size(1);
}

void CharInput::put_char(const char* text, int length)
{
    // The field counts characters, not bytes: take one printable ASCII byte only.
    if (length != 1) return;
    const unsigned char c = static_cast<unsigned char>(text[0]);
    if (c < 0x20 || c > 0x7E) return;
    const char upper = char(std::toupper(c));
    replace(position(), mark(), &upper, 1);
}

int CharInput::handle(int event)
{
    switch (event) {
    case FL_KEYBOARD: {
        const int length = Fl::event_length();
        if (length == 0 || (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META))) break;
        const unsigned char first = static_cast<unsigned char>(Fl::event_text()[0]);
        if (first < 0x20 && length == 1) break;  // tab, backspace, return: the base class
        put_char(Fl::event_text(), length);
        return 1;
    }
    case FL_PASTE: put_char(Fl::event_text(), Fl::event_length() > 0 ? 1 : 0); return 1;
    case FL_UNFOCUS: {
        const int result = Fl_Input::handle(event);
        ProgramWindow* window = program_window_of(this);
        if (window && window->events.command)
            window->events.command(window->events.context, reinterpret_cast<Window*>(window), id_, kNotifyKillFocus);
        return result;
    }
    default: break;
    }
    return Fl_Input::handle(event);
}

void CharInput::draw()
{
    const Fl_Boxtype b = box();
    draw_box(b, color());
    const int X = x() + Fl::box_dx(b);
    const int Y = y() + Fl::box_dy(b);
    const int W = w() - Fl::box_dw(b);
    const int H = h() - Fl::box_dh(b);
    fl_font(textfont(), textsize());
    const int textWidth = size() > 0 ? int(fl_width(value(), size())) : 0;
    // The text area starts a few pixels in; shift it so one character sits centred.
    int pad = (W - textWidth) / 2 - 3;
    if (pad < 0) pad = 0;
    drawtext(X + pad, Y, W - pad, H);
}

ProgramWindow* program_window_of(Fl_Widget* widget)
{
    Fl_Window* window = widget ? widget->window() : nullptr;
    return dynamic_cast<ProgramWindow*>(window);
}

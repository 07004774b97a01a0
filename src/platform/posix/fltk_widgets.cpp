#include "platform/posix/fltk_widgets.h"

#include <algorithm>
#include <cctype>

#include <FL/Fl.H>
#include <FL/fl_draw.H>

namespace {

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
    // A shortcut is offered to every window: a disabled one lets it pass on to the
    // window that has the keyboard (Escape in a settings window).
    if (!input_enabled && is_input_event(event)) return event == FL_SHORTCUT ? 0 : 1;
    return Fl_Double_Window::handle(event);
}

void ProgramWindow::resize(int x, int y, int w, int h)
{
    const bool sized = w != this->w() || h != this->h();
    Fl_Double_Window::resize(x, y, w, h);
    if (sized && events.resize) events.resize(events.context, reinterpret_cast<AppWindow*>(this), w, h);
}

PlainCheckButton::PlainCheckButton(int x, int y, int w, int h) : Fl_Check_Button(x, y, w, h)
{
    box(FL_FLAT_BOX);
    align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
}

void PlainCheckButton::draw()
{
    const int right = x() + w();
    const bool on = active_r();
    fl_color(parent() ? parent()->color() : color());
    fl_rectf(x(), y(), w(), h());

    const int gx = x();
    const int gy = y() + (h() - kGlyphSize) / 2;
    fl_color(on ? FL_WHITE : fl_rgb_color(240, 240, 240));
    fl_rectf(gx + 1, gy + 1, kGlyphSize - 2, kGlyphSize - 2);
    fl_color(on ? fl_rgb_color(51, 51, 51) : fl_rgb_color(188, 188, 188));
    fl_rect(gx, gy, kGlyphSize, kGlyphSize);
    if (value()) {
        fl_color(on ? FL_BLACK : fl_rgb_color(160, 160, 160));
        fl_line_style(FL_SOLID | FL_CAP_SQUARE, 2);
        fl_line(gx + 3, gy + 6, gx + 5, gy + 9, gx + 9, gy + 3);
        fl_line_style(0);
    }

    const int lx = x() + kGlyphSize + kLabelGap;
    draw_label(lx, y(), right - lx, h(), align());
    if (Fl::focus() == this && label()) {
        fl_font(labelfont(), labelsize());
        const int tw = std::min(int(fl_width(label())) + 3, right - lx + 1);
        draw_focus(FL_NO_BOX, lx - 2, gy - 2, tw + 2, kGlyphSize + 4);
    }
}

NoToggleCheckButton::NoToggleCheckButton(int x, int y, int w, int h) : PlainCheckButton(x, y, w, h) {}

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
    default: return PlainCheckButton::handle(event);
    }
}

CharInput::CharInput(int x, int y, int w, int h, int id) : Fl_Input(x, y, w, h), id_(id)
{
    maximum_size(1);
    box(kFieldBox);
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
            window->events.command(window->events.context, reinterpret_cast<AppWindow*>(window), id_, kNotifyKillFocus);
        return result;
    }
    default: break;
    }
    return Fl_Input::handle(event);
}

void CharInput::draw()
{
    // Drawn here rather than by the base class, which scrolls the text to keep 20
    // pixels of room right of the cursor and so hides the one character of a
    // narrow field while it has the focus.
    const Fl_Boxtype b = box();
    draw_box(b, color());
    const int X = x() + Fl::box_dx(b);
    const int Y = y() + Fl::box_dy(b);
    const int W = w() - Fl::box_dw(b);
    const int H = h() - Fl::box_dh(b);
    fl_push_clip(X, Y, W, H);
    fl_font(textfont(), textsize());
    const int textWidth = size() > 0 ? int(fl_width(value(), size())) : 0;
    const int left = X + (W - textWidth) / 2;
    const int top = Y + (H - fl_height()) / 2;
    const int base = top + fl_height() - fl_descent();
    const bool focused = Fl::focus() == this;
    const bool selected = focused && size() > 0 && position() != mark();
    if (selected) {
        fl_color(selection_color());
        fl_rectf(left, top, textWidth, fl_height());
    }
    if (size() > 0) {
        const Fl_Color ink = active_r() ? textcolor() : fl_inactive(textcolor());
        fl_color(selected ? fl_contrast(ink, selection_color()) : ink);
        fl_draw(value(), size(), left, base);
    }
    if (focused && !selected) {
        fl_color(cursor_color());
        const int cx = std::min(position() > 0 ? left + textWidth : left, X + W - 1);
        fl_yxline(cx, top, top + fl_height() - 1);
    }
    fl_pop_clip();
}

StatusList::StatusList(int x, int y, int w, int h) : Fl_Browser(x, y, w, h)
{
    type(FL_NORMAL_BROWSER);  // no selection
    format_char(0);           // lines are shown as they are
    has_scrollbar(Fl_Browser_::BOTH);
    textfont(kListFont);
    textsize(kListFontSize);
    style_status_list(this);
    resize(x, y, w, h);
}

void StatusList::resize(int x, int y, int w, int h)
{
    // The lines are never wider than the list, so its horizontal bar stays hidden
    // and the rows fill the frame's inside.
    const int frame = Fl::box_dh(box());
    const int row = incr_height();
    const int rows = row > 0 ? std::max(0, h - frame) / row : 0;
    Fl_Browser::resize(x, y, w, rows * row + frame);
}

ProgramWindow* program_window_of(Fl_Widget* widget)
{
    Fl_Window* window = widget ? widget->window() : nullptr;
    return dynamic_cast<ProgramWindow*>(window);
}

// The graphical message box: a small modal window of our own in the main window's
// font, with an icon, the text and the buttons in Windows' order. (FLTK's own
// boxes cannot be nested and rename a box that is already open.)
#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include "platform/platform.h"
#include "platform/posix/fltk_look.h"
#include "platform/posix/fltk_thread.h"
#include "platform/posix/fltk_widgets.h"
#include "platform/posix/platform_posix.h"

namespace {

constexpr int kMargin = 12;
constexpr int kIconSide = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;

// What the close box and Escape answer: Cancel where there is one, OK in a box with
// only OK; a Yes/No box must be answered.
int dismiss_answer(unsigned style)
{
    switch (style & 0xF) {
    case 1:
    case 3: return kIdCancel;
    case 4: return 0;
    default: return kIdOk;
    }
}

// Text drawn as it is: no '@' symbols, no '&' underlines.
class PlainText : public Fl_Box {
public:
    PlainText(int x, int y, int w, int h, const char* text) : Fl_Box(x, y, w, h), text_(text) {}
    void draw() override
    {
        fl_font(kListFont, kListFontSize);
        fl_color(FL_BLACK);
        fl_draw(text_.c_str(), x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE, nullptr, 0);
    }

private:
    std::string text_;
};

class IconBox : public Fl_Box {
public:
    IconBox(int x, int y, unsigned icon) : Fl_Box(x, y, kIconSide, kIconSide), icon_(icon & 0xF0) {}
    void draw() override
    {
        const int X = x(), Y = y(), S = kIconSide;
        const char* glyph = nullptr;
        Fl_Color fill = fl_rgb_color(30, 90, 200);
        switch (icon_) {
        case kMbIconError:
            fill = fl_rgb_color(200, 30, 30);
            glyph = "X";
            break;
        case kMbIconWarning:
            fill = fl_rgb_color(240, 190, 20);
            glyph = "!";
            break;
        case kMbIconQuestion: glyph = "?"; break;
        case kMbIconInformation: glyph = "i"; break;
        default: return;
        }
        fl_color(fill);
        // The warning is a triangle, every other icon a disc.
        if (icon_ == kMbIconWarning) fl_polygon(X + S / 2, Y + 1, X + S - 1, Y + S - 2, X + 1, Y + S - 2);
        else fl_pie(X, Y, S, S, 0, 360);
        fl_color(icon_ == kMbIconWarning ? FL_BLACK : FL_WHITE);
        fl_font(FL_HELVETICA_BOLD, 20);
        fl_draw(glyph, X, Y + (icon_ == kMbIconWarning ? 4 : 0), S, S, FL_ALIGN_CENTER, nullptr, 0);
    }

private:
    unsigned icon_;
};

class BoxWindow : public Fl_Double_Window {
public:
    BoxWindow(int w, int h, const char* title) : Fl_Double_Window(w, h) { copy_label(title); }
    int handle(int event) override
    {
        if ((event == FL_KEYBOARD || event == FL_SHORTCUT) &&
            (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
            auto* focused = dynamic_cast<Fl_Button*>(Fl::focus());
            Fl_Button* target = focused && focused->window() == this ? focused : first;
            if (target) target->do_callback();
            return 1;
        }
        return Fl_Double_Window::handle(event);
    }
    Fl_Button* first = nullptr;
    int answer = 0;
};

void answer_with(Fl_Widget* widget, void* id)
{
    auto* window = static_cast<BoxWindow*>(widget->window());
    window->answer = int(reinterpret_cast<intptr_t>(id));
    window->hide();
}

int show_box(const char* text, const char* title, unsigned style)
{
    const std::vector<int> buttons = message_box_buttons(style);
    fl_font(kListFont, kListFontSize);
    int textWidth = 0, textHeight = 0;
    fl_measure(text, textWidth, textHeight, 0);
    const bool hasIcon = (style & 0xF0) != 0;
    const int textLeft = kMargin + (hasIcon ? kIconSide + kMargin : 0);
    const int rowWidth = int(buttons.size()) * kButtonWidth + (int(buttons.size()) - 1) * kButtonGap;
    const int width = std::max({textLeft + textWidth + kMargin + 8, rowWidth + 2 * kMargin, 220});
    const int bodyHeight = std::max(textHeight, hasIcon ? kIconSide : 0);
    const int height = kMargin + bodyHeight + 2 * kMargin + kButtonHeight + kMargin;

    Fl_Group::current(nullptr);
    // The window owns the widgets made between begin() and end().
    const auto window = std::make_unique<BoxWindow>(width, height, title);
    window->begin();
    if (hasIcon) new IconBox(kMargin, kMargin, style);
    new PlainText(textLeft, kMargin + std::max(0, (bodyHeight - textHeight) / 2), textWidth + 8, textHeight, text);
    int x = (width - rowWidth) / 2;
    const int y = height - kMargin - kButtonHeight;
    for (const int id : buttons) {
        const char* label = message_box_label(id);
        auto* button = new Fl_Button(x, y, kButtonWidth, kButtonHeight, label);
        style_push_button(button);
        button->labelfont(kListFont);
        button->labelsize(kListFontSize);
        button->callback(answer_with, reinterpret_cast<void*>(intptr_t(id)));
        button->shortcut(std::tolower(static_cast<unsigned char>(label[0])));
        if (!window->first) window->first = button;
        x += kButtonWidth + kButtonGap;
    }
    window->end();
    const int dismiss = dismiss_answer(style);
    window->callback(
        [](Fl_Widget* w, void* answer) {
            const int id = int(reinterpret_cast<intptr_t>(answer));
            if (id == 0) return;
            static_cast<BoxWindow*>(w)->answer = id;
            w->hide();
        },
        reinterpret_cast<void*>(intptr_t(dismiss)));
    window->position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
    window->set_modal();
    window->show();
    fltk_set_class_hint(window.get());
    if (window->first) window->first->take_focus();
    while (window->shown()) Fl::wait();
    const int answer = window->answer;
    if (answer) return answer;
    return dismiss ? dismiss : kIdNo;
}

}  // namespace

int fltk_message_box(const char* text, const char* title, unsigned style)
{
    int answer = kIdOk;
    run_on_window_thread([&] { answer = show_box(text, title, style); });
    return answer;
}

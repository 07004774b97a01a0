// The FLTK widgets behind the toolkit: the program's windows, the check boxes (one
// kind does not toggle), and the one-character upper-casing field.
#pragma once

#include <atomic>
#include <map>

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>

#include "platform/posix/fltk_look.h"
#include "platform/toolkit.h"

// The list font: "Arial" (a metric-compatible face where Arial itself is missing);
// FLTK sizes are the em size, and 12 gives the 14-pixel cell.
constexpr Fl_Font kListFont = FL_FREE_FONT;
constexpr Fl_Fontsize kListFontSize = 12;

// A window of the program. A disabled window takes no input but keeps its look, as
// the original platform's disabled owner windows do.
class ProgramWindow : public Fl_Double_Window {
public:
    ProgramWindow(int w, int h, const char* title);
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    WindowEvents events;
    std::map<int, Fl_Widget*> controls;
    bool input_enabled = true;
    std::atomic<int> posted_progress{-1};
};

// A check box in the plain dialog look. Its label is clipped where the next control
// or the window's edge begins rather than at its own rectangle, so that a long
// title stays whole where there is room for it; clicks count inside the rectangle only.
class PlainCheckButton : public Fl_Check_Button {
public:
    PlainCheckButton(int x, int y, int w, int h);
    void draw() override;

private:
    static constexpr int kGlyphSize = 13;
    static constexpr int kLabelGap = 2;
    int label_right() const;
};

// Reports clicks without changing its mark: the program sets the mark itself.
class NoToggleCheckButton : public PlainCheckButton {
public:
    NoToggleCheckButton(int x, int y, int w, int h);
    int handle(int event) override;

private:
    bool pressed_ = false;
};

// Holds one printable ASCII character, upper-cased as typed or pasted, drawn centred;
// reports losing the focus through the window's events.
class CharInput : public Fl_Input {
public:
    CharInput(int x, int y, int w, int h, int id);
    int handle(int event) override;
    void draw() override;

private:
    int id_;
    void put_char(const char* text, int length);
};

// The program window a widget is in, or nullptr.
ProgramWindow* program_window_of(Fl_Widget* widget);

// The FLTK widgets behind the toolkit: the program's windows, the check boxes (one
// kind does not toggle), and the one-character upper-casing field.
#pragma once

#include <atomic>
#include <map>

#include <FL/Fl_Browser.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>

#include "platform/posix/fltk_look.h"
#include "platform/toolkit.h"

// The one font of every control: "Arial" (a metric-compatible face where Arial
// itself is missing), at the size at which the longest title fits its documented
// rectangle with room to spare (a 13-pixel cell; 12 would touch the next control).
constexpr Fl_Font kListFont = FL_FREE_FONT;
constexpr Fl_Fontsize kListFontSize = 11;

// A window of the program. A disabled window takes no input but keeps its look, as
// disabled owner windows on Windows do.
class ProgramWindow : public Fl_Double_Window {
public:
    // The command Escape gives (a settings window's Cancel); 0: Escape does nothing.
    int escape_id = 0;
    ProgramWindow(int w, int h, const char* title);
    int handle(int event) override;
    void resize(int x, int y, int w, int h) override;

    WindowEvents events;
    std::map<int, Fl_Widget*> controls;
    bool input_enabled = true;
    std::atomic<int> posted_progress{-1};
};

// A check box in the plain dialog look; its label stays inside its rectangle, so
// that a redraw of the control (when it is disabled or enabled) covers all of it.
class PlainCheckButton : public Fl_Check_Button {
public:
    PlainCheckButton(int x, int y, int w, int h);
    void draw() override;

private:
    static constexpr int kGlyphSize = 13;
    static constexpr int kLabelGap = 2;
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

// The status list: lines without selection in the program's font, its height cut
// to whole rows (the rest of its rectangle stays empty), so that no half row shows.
class StatusList : public Fl_Browser {
public:
    StatusList(int x, int y, int w, int h);
    void resize(int x, int y, int w, int h) override;
};

// The program window a widget is in, or nullptr.
ProgramWindow* program_window_of(Fl_Widget* widget);

// The program's look on FLTK: fonts, colours, the window icon and the box types of
// a plain Windows-style dialog.
#pragma once

#include <FL/Enumerations.H>

class Fl_Browser;
class Fl_Button;
class Fl_Progress;

// Push buttons at rest and pressed (FLTK presses a box by setting its lowest bit),
// and the one-pixel frame of lists, progress bars and edit fields.
constexpr Fl_Boxtype kButtonBox = FL_FREE_BOXTYPE;
constexpr Fl_Boxtype kButtonDownBox = Fl_Boxtype(FL_FREE_BOXTYPE + 1);
constexpr Fl_Boxtype kFieldBox = Fl_Boxtype(FL_FREE_BOXTYPE + 2);

// Once, after the display is open.
void fltk_set_up_look();

void style_push_button(Fl_Button* button);
void style_status_list(Fl_Browser* list);
void style_progress_bar(Fl_Progress* bar);

// The program's look on FLTK (fonts, colours, window icon). Free of the seam's
// headers, so that it can sit beside the X headers, whose Window is another type.
#pragma once

// Once, after the display is open.
void fltk_set_up_look();

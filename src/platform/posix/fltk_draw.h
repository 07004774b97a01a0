// FLTK's drawing header for files that also see the platform seam: it brings in the
// X headers, whose Window type would clash with the seam's opaque Window, so X's is
// seen here under another name (type names do not change the linkage).
#pragma once

#define Window XWindow
#include <FL/fl_draw.H>
#undef Window

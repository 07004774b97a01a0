// The Windows toolkit's scale: windows and controls are laid out in pixels at 96 DPI
// and shown at the DPI of the monitor a window is on.
#pragma once

#include <windows.h>

#include "platform/toolkit.h"

// The DPI of the window (the system's where the system cannot say per window).
UINT dpi_of_window(HWND hwnd);
// The DPI the system started with: that of its stock fonts and metrics.
UINT system_dpi();

// A length at 96 DPI shown at dpi, rounded as the system rounds (MulDiv), and back.
int scale_to(int length, UINT dpi);
int scale_from(int length, UINT dpi);

// A 96-DPI rectangle at dpi. The edges are scaled, not the width, so that controls
// that meet at 96 DPI still meet and never overlap.
Rect scaled_rect(const Rect& rect, UINT dpi);

// The whole-window size at dpi of a window whose whole size at 96 DPI is width by
// height: its client area scaled, with the frame and caption the system draws at dpi.
SIZE scaled_window_size(int width, int height, DWORD style, UINT dpi);

// The list font (Arial, cell height 14 at 96 DPI) at dpi; kept for the program's life.
HFONT list_font(UINT dpi);
// The font of the push buttons and edit fields at dpi: nullptr (the system font as
// it is) at 96 DPI on a system at 96 DPI, else the system font at dpi; kept for the
// program's life.
HFONT system_font(UINT dpi);

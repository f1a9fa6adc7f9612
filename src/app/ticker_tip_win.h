#pragma once
// The tip window under the ticker: a borderline popup that never takes the focus or the pointer,
// with the tip's text as its window text (so a test or a screen reader can read it) and drawn with
// the system's tip colours, the first line (the title) in bold.
#include <windows.h>

// Null when the window could not be made; the caller then shows no tip.
HWND CreateTipWindow(HINSTANCE instance, HWND owner, int dpi);
// Shows `text` (Shift_JIS) near screen point `at`: below the band from `below` down, or above it
// from `above` up when the monitor has no room below; kept inside the monitor's work area.
void ShowTipWindow(HWND tip, const char* text, POINT at, int above, int below);
void HideTipWindow(HWND tip);

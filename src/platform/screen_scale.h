#pragma once
// The program keeps every length (positions, sizes, the font height, the gesture distance) in
// units of a 96-dpi screen and scales them by the system DPI where it places, sizes and draws.

constexpr int kBaseDpi = 96;

// Units of a 96-dpi screen to pixels at `dpi`, rounded half away from zero (as MulDiv does).
int ScaleToDpi(int units, int dpi);
// Pixels at `dpi` back to 96-dpi units, rounded the same way. At 96 dpi and above a value taken
// to pixels and back is unchanged, so a stored position does not drift.
int ScaleFromDpi(int pixels, int dpi);

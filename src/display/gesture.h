#pragma once
// The pointer gesture over the ticker: sweeping left by more than `xmove` pixels, with no button
// held, steps the display back one article, or asks for the schedule window.

struct App;

enum class GestureResult { None, SteppedBack, OpenSchedule };

// A pointer move at client x (the low 16 bits of the message's position, unsigned) while no
// press is pending. On OpenSchedule the dialog-open flag is already set and the caller opens
// the schedule window.
GestureResult PointerMoved(App& app, int x);

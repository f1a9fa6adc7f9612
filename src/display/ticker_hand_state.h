#pragma once
// What the ticker remembers of the hand on it: the pause, the wheel, the tip under the pointer and
// the name a screen reader was last told.
#include <cstddef>

constexpr size_t kTipTextSize = 1024;            // title, site and date, host, a refused link's note
constexpr size_t kAccessibleNameSize = 2 * 256;  // "サイト名: 見出し"

struct TipState {
    bool pointerIn = false;  // the pointer is on the ticker
    bool armed = false;      // a move since the last press: the tip may show
    int x = 0;               // the pointer's client x
    int restTicks = 0;       // timer messages since the pointer last moved
    bool shown = false;
    char text[kTipTextSize] = {};
};

struct ReaderState {
    char announced[kAccessibleNameSize] = {};  // the name of the last name-change event
    int ticksSinceEvent = 1 << 20;             // timer messages since that event
};

struct HandState {
    bool paused = false;  // Space: the band and the pages stand still until Space or Esc
    int wheelRest = 0;    // the part of a wheel notch not yet stepped (high-resolution wheels)
    TipState tip;
    ReaderState reader;
};

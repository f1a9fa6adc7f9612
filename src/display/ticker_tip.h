#pragma once
// The tip under the pointer: resting on a headline shows its whole title, the site name, the date
// and the host its link leads to, and says so when the program would refuse the link. The tip
// follows the headline under the pointer and goes when the pointer leaves or presses.
#include <cstddef>

struct App;
struct ArticleEntry;

constexpr int kTipRestTicks = 8;  // timer messages of 60 ms the pointer rests before the tip shows

// "見出し" CR LF "サイト名  YYYY/MM/DD" CR LF the host (with a port other than the scheme's), or
// the note of a link that does not open; cut at a character boundary.
void FormatTip(const ArticleEntry& article, char* out, size_t size);

void TipPointerMoved(App& app, int x);
void TipPointerLeft(App& app);
void TipPointerPressed(App& app);
// Each timer message: shows, changes or hides the tip (App::hand.tip). True when it changed.
bool UpdateTip(App& app);

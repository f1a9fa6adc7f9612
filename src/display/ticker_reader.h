#pragma once
// What a screen reader reads on the ticker: the name of its accessible object, the headline shown
// first as "サイト名: 見出し", and when to tell the reader that it changed.
#include <cstddef>

struct App;

constexpr int kTicksBetweenNameEvents = 17;  // 17 timer messages of 60 ms: at most one a second

// The headline shown first; the blinking alert's line while one is shown; with no headline, the
// tray tip (the version, and how far a running cycle is).
void FormatAccessibleName(const App& app, char* out, size_t size);

// Each timer message: true when the name-change event is due (the name differs from the last one
// announced and the last event is at least a second old); the name then counts as announced.
bool NameChangeDue(App& app);

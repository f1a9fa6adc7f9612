#pragma once
// The tick: every 60 ms the ticker window runs one small step of the application state machine —
// start an update cycle, fetch and parse one feed, finish the cycle, move the display on, look for
// a task that falls due soon, close the program or open a clicked link.
#include <cstddef>

#include "platform/civil_time.h"

struct App;
class Clock;

void Tick(App& app);

// The UTC time as a file time, in whole seconds as a request header can carry it (the date a
// fetched document's cache copy gets when the server gave none).
int64_t UtcSecondsNow(Clock& clock);

// Looks for the first timed task due within `alerttime` minutes and sets the alert index.
void ScanForAlert(App& app, int64_t now);

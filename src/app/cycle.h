#pragma once
// The tick: every 60 ms the ticker window runs one small step of the application state machine —
// start an update cycle, fetch and parse one feed, finish the cycle, move the display on, look for
// a task that falls due soon, close the program or open a clicked link.
#include <cstddef>

#include "platform/civil_time.h"

struct App;

void Tick(App& app);

// Looks for the first timed task due within `alerttime` minutes and sets the alert index.
void ScanForAlert(App& app, int64_t now);

#pragma once
// The tick: every 60 ms the ticker window runs one small step of the application state machine —
// start an update cycle, fetch and parse one feed, finish the cycle, move the display on, look for
// a task that falls due soon, close the program or open a clicked link.
#include <cstddef>

#include "app/civil_time.h"

struct App;

void Tick(App& app);

// The first shown article after index i, cyclically; i itself when no other is shown.
// Both need at least one article in the table.
int NextShownArticle(const App& app, int i);
int PreviousShownArticle(const App& app, int i);
// The first shown article in table order.
int FirstShownArticle(const App& app);

// Sets the articles-to-show flag: 1 when at least one article is shown.
void RecountShownArticles(App& app);

// Looks for the first timed task due within `alerttime` minutes and sets the alert index.
void ScanForAlert(App& app, int64_t now);

// A link may be handed to the shell only when it is an http:// or https:// address whose
// extension is not on the list of dangerous types.
bool IsSafeLink(const char* link);

// "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT" for a UTC time.
void FormatIfModifiedSince(const CivilTime& utc, char* out, size_t size);

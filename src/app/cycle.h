#pragma once
// The tick: every 60 ms the ticker window runs one small step of the application state machine —
// start an update cycle, move the running one on (it runs beside the display), move the display
// on, look for a task that falls due soon, close the program or open a clicked link.
#include <cstddef>
#include <cstdint>

#include "platform/civil_time.h"

struct App;
class Clock;

void Tick(App& app);

// Moves a running update cycle on between ticks, when the fetcher says an answer came; does nothing
// while a tick runs.
void AdvanceCycleNow(App& app);

// The finished cycle's table takes the place of the one on the ticker: the table swapped in, the
// shown articles counted, the messages kept for it released. The caller places the display on it.
void TakeNewTable(App& app);

// The article of `table` with the same site, title and link as `entry`; -1 when there is none.
struct ArticleEntry;
struct ArticleTable;
int FindSameArticle(const ArticleTable& table, const ArticleEntry& entry);

// Where the display goes on in a table just taken: after `shown` (the article last on the ticker,
// null for none) when the table has it, else at `next` (the one the old table would have shown
// next) when the table has it, else at the first shown article.
int ArticleAfterTheChange(const App& app, const ArticleEntry* shown, const ArticleEntry& next);

// Looks for the first timed task due within `alerttime` minutes and sets the alert index.
void ScanForAlert(App& app, int64_t now);

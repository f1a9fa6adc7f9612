#pragma once
// The ticker under the hand: which headline lies under a point, the headline shown first, stepping
// one headline on or back (the wheel, the arrow keys), opening the first one and the pause.
struct App;
enum class ClickResult;

// The band item under client x in scroll mode (an article index or a band copy's code, see
// BandArticle), the current article in page mode; -1 where no headline is shown (a status text,
// an alert, nothing drawn yet).
int HeadlineAt(const App& app, int x);
// The headline shown first: page mode's article, the band's leading item; -1 when none is shown.
int LeadingHeadline(const App& app);

// The headlines may be stepped through: the display is idle with articles to show, no fetch of a
// tick or a dialog is waiting and no alert blinks.
bool CanStepHeadlines(const App& app);
// One headline on (+1) or back (-1). Page mode shows it for a full period (the display counter
// restarts); scroll mode makes it lead the band at the left margin. False when nothing moved.
bool StepHeadline(App& app, int direction);
// A wheel turn of `delta` (120 a notch, forward positive; high-resolution wheels send parts): one
// step per whole notch, forward to the next headline. Returns the steps made.
int TurnWheel(App& app, int delta);

// Enter: the headline shown first opens as a click on it does (the same checks).
ClickResult OpenLeadingHeadline(App& app);
// Space pauses and resumes, Esc resumes: the band and the pages stand still meanwhile and the
// outline shows it.
void SetPaused(App& app, bool paused);

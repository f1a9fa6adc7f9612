#pragma once
// The application object: every process-wide table and flag of the ticker, owned in one place and
// passed by reference. Only the user-interface thread touches it.
#include "platform/platform.h"
#include "config/feed_list.h"
#include "config/settings.h"
#include "display/ticker_state.h"
#include "feed/article.h"
#include "net/document_buffer.h"
#include "schedule/schedule.h"
#include "schedule/schedule_view.h"

struct SettingsForm;

enum class AppState : int {
    Starting = 0,
    BeginCycle = 1,
    Fetching = 2,
    Recount = 3,
    Showing = 4,
    NothingToShow = 5,
    ExitRequested = 6,
    Closing = 7,
    OpenLink = 8,
};

// The run-time state that a fresh start, or the ticker window's creation, resets: every field
// with its starting value, so that a reset is one assignment.
struct AppRunState {
    // Update cycle and display pacing.
    AppState state = AppState::Starting;
    char line1[kSlotSize] = "起動中...";  // display line 1 (site name in page mode, or a status text)
    char line2[kSlotSize] = {};           // display line 2 (title in page mode)
    int currentFeed = 0;
    int currentArticle = 0;
    int linkArticle = 0;
    int perFeedFound[kFeedSlots] = {};
    bool articlesToShow = false;  // at least one article of the table is shown
    int displayCounter = 0;
    int scrollOffset = 0;
    int alertIndex = -1;
    uint32_t alertChanges = 0;  // the schedule table's change count when the alert was found
    int today = 0;              // day number of the local date, taken when the feed list is read
    CivilTime cycleStartUtc;    // when the running update cycle began: the next conditional header
    bool cycleBusy = false;     // a tick is running (its fetch or parse dispatches messages)
    bool cacheOnly = false;     // the next cycle reads cached documents instead of fetching
    bool repaintPending = true;
    bool fullRepaint = true;           // the next paint clears the whole back buffer and re-places the window
    bool transparencyPending = false;  // the opacity changes at the next display step
    bool fontPending = false;          // the ticker font is made anew from the settings after the tick

    // Ticker window.
    int tickCounter = 0;
    int minuteCounter = 0;
    int pressCounter = 0;
    bool clickHighlight = false;  // the clicked title is drawn highlighted once
    bool dialogOpen = false;      // the settings dialog, the schedule window or About is open
    // The open settings dialog's working state while its previews (speed, step, transparency) are in
    // the settings: whatever ends the program meanwhile takes them back before the file is written.
    const SettingsForm* previewingForm = nullptr;
    bool pointerOver = false;    // the pointer rests on the ticker (hoverstop holds the display)
    bool steppedBack = false;    // a full-screen program covers the ticker's monitor: not topmost
    int screenCheckCounter = 0;  // timer messages since the last look for a full-screen program

    PainterState painter;
    GestureState gesture;
};

struct App : AppRunState {
    explicit App(Platform& platform_) : platform(platform_) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Platform& platform;

    AppSettings settings{};
    ScreenMetrics screen;
    FeedTable feeds;
    ArticleTable articles;
    ScheduleTable schedule;
    DocumentBuffer document;
    ScheduleView scheduleView;  // the schedule window's rows, kept between openings
};

// The alert names its task by index: once the table has changed since the scan (the schedule
// window's edits re-sort it), the alert is cleared until the next scan and the line redrawn away.
void DropStaleAlert(App& app);

// Called before the settings are changed and written: a settings file held by another program at
// start and free now gives its values (TakeSettingsHeldAtStart), and the ticker follows them: place,
// size, colours, opacity and font. True when they were taken.
bool TakeSettingsHeldAtStart(App& app);

// Resets the run-time state and the settings to their defaults, as the ticker window's creation does.
void ResetApp(App& app);

// An article is shown when it is less than `upday` days old (articles dated in the future are shown).
inline bool IsShownArticle(const App& app, int index) {
    return app.today - app.articles.slot[index].day < app.settings.upday;
}

// The first shown article after index i, cyclically; i itself when no other is shown.
int NextShownArticle(const App& app, int i);
int PreviousShownArticle(const App& app, int i);
// The first shown article in table order.
int FirstShownArticle(const App& app);

// Makes article `index` the current one, puts its site name and title on the two display lines and
// asks for a repaint.
void ShowArticleOnLines(App& app, int index);

// Sets the articles-to-show flag: true when at least one article is shown.
void RecountShownArticles(App& app);

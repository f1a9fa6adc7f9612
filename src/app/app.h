#pragma once
// The application object: every process-wide table and flag of the ticker, owned in one place and
// passed by reference. Only the user-interface thread touches it.
#include <string>
#include <vector>

#include "app/update_cycle.h"
#include "platform/platform.h"
#include "config/feed_list.h"
#include "config/settings.h"
#include "display/ticker_hand_state.h"
#include "display/ticker_state.h"
#include "feed/article.h"
#include "net/document_buffer.h"
#include "schedule/schedule.h"
#include "schedule/schedule_view.h"

struct SettingsForm;

enum class AppState : int {
    Starting = 0,
    BeginCycle = 1,
    Fetching = 2,  // an update cycle runs with nothing else to show: its status texts are shown
    Recount = 3,
    Showing = 4,
    NothingToShow = 5,
    ExitRequested = 6,
    Closing = 7,
    OpenLink = 8,
};

// A message box the tick does not show itself: the window shows it after the tick, so that the
// ticker keeps moving while it is up.
struct Notice {
    std::string text;
    std::string title;
    MessageIcon icon;
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
    int linkArticle = 0;       // the clicked band item (an index, or a band copy's code), for its highlight
    ArticleEntry linkEntry{};  // the clicked article as it was when clicked: the next tick opens its link
    int perFeedFound[kFeedSlots] = {};
    bool articlesToShow = false;  // at least one article of the table is shown
    int displayCounter = 0;
    int scrollOffset = 0;
    int alertIndex = -1;
    uint32_t alertChanges = 0;      // the schedule table's change count when the alert was found
    int today = 0;                  // day number of the local date, taken when the feed list is read
    CivilTime cycleStartUtc;        // when the running update cycle began: the next conditional header
    bool cycleBusy = false;         // a tick is running (its fetch or parse dispatches messages)
    bool cacheOnly = false;         // the next cycle reads cached documents instead of fetching
    bool startupPassDue = true;     // the first cycle shows the cache copies at once, then asks the network
    bool networkCycleOwed = false;  // a network cycle was given up for a cache-only one: it follows it
    int statusFeed = -2;            // the feed the status text names (-2: none yet)
    bool tablePending = false;      // `incoming` holds a finished cycle's table, waiting for its place
    std::vector<Notice> notices;    // shown by the window after the tick
    std::vector<Notice> noticesWithTable;      // shown once the new table is on the ticker
    std::vector<std::string> failedLastCycle;  // URLs of the feeds announced as access errors
    char trayTip[128] = "";                    // the tray icon's tip; empty until the window sets it
    bool trayTipChanged = false;
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
    HandState hand;  // the pause, the wheel, the tip and the screen reader
};

struct App : AppRunState {
    explicit App(Platform& platform_) : platform(platform_) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Platform& platform;

    AppSettings settings{};
    ScreenMetrics screen;
    FeedTable feeds;
    ArticleTable articles;  // the table on the ticker
    ArticleTable incoming;  // the table the running update cycle fills
    UpdateCycle cycle;
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
inline bool IsShownDay(const App& app, int day) { return app.today - day < app.settings.upday; }
inline bool IsShownArticle(const App& app, int index) {
    return IsShownDay(app, app.articles.slot[index].day);
}

// The newest table: a finished cycle's while it waits for its place on the ticker, else the ticker's.
inline const ArticleTable& NewestArticles(const App& app) {
    return app.tablePending ? app.incoming : app.articles;
}
// At least one article of the table is shown.
bool AnyShownArticle(const App& app, const ArticleTable& table);

// The first shown article after index i, cyclically; i itself when no other is shown.
int NextShownArticle(const App& app, int i);
int PreviousShownArticle(const App& app, int i);
// The first shown article in table order.
int FirstShownArticle(const App& app);

// The article a band item names: an index into the table on the ticker, or the code of one of the
// copies the band starts with after a table change (kBandCopyCode + its place); null for none.
const ArticleEntry* BandArticle(const App& app, int code);

// Queues a message box for the window to show after the tick.
void AddNotice(App& app, const char* text, const char* title, MessageIcon icon);

// Makes article `index` the current one, puts its site name and title on the two display lines and
// asks for a repaint.
void ShowArticleOnLines(App& app, int index);

// Sets the articles-to-show flag: true when at least one article is shown.
void RecountShownArticles(App& app);

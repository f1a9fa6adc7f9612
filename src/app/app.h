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

struct App {
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

    // Update cycle and display pacing.
    AppState state = AppState::Starting;
    char line1[kSlotSize] = {};  // display line 1 (site name in page mode, or a status text)
    char line2[kSlotSize] = {};  // display line 2 (title in page mode)
    int currentFeed = 0;
    int currentArticle = 0;
    int linkArticle = 0;
    int perFeedFound[kFeedSlots] = {};
    int articlesToShow = 0;
    int displayCounter = 0;
    int scrollOffset = 0;
    int alertIndex = -1;
    int today = 0;            // day number of the local date, taken when the feed list is read
    CivilTime cycleStartUtc;  // when the running update cycle began: the next conditional header
    int cycleBusy = 0;
    int cacheOnly = 0;
    int repaintPending = 1;
    int fullRepaint = 1;
    int transparencyPending = 0;

    // Ticker window.
    int tickCounter = 0;
    int minuteCounter = 0;
    int pressCounter = 0;
    int clickHighlight = 0;
    int dialogOpen = 0;
    int navigationLock = 0;

    PainterState painter;
    GestureState gesture;
    ScheduleView scheduleView;  // the schedule window's rows, kept between openings
};

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

// Sets the articles-to-show flag: 1 when at least one article is shown.
void RecountShownArticles(App& app);

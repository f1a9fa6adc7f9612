#include "app/cycle.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "app/app.h"
#include "app/settings_dialog.h"
#include "app/ticker_habits.h"
#include "config/feed_list.h"
#include "config/settings.h"
#include "display/ticker_painter.h"
#include "net/cache.h"
#include "net/conditional_header.h"
#include "net/links.h"
#include "platform/screen_scale.h"
#include "res/version.h"

namespace {

// A step of the cycle reads documents for at most this long: the display keeps its pace.
constexpr uint64_t kCycleBudgetPerTick = 15;
// A step between ticks (an answer came) does less: the next tick is near.
constexpr uint64_t kCycleBudgetBetweenTicks = 8;
// The access-error message names at most so many sites, then how many more there are.
constexpr size_t kFailuresNamed = 20;

void RequestRepaint(App& app) { app.repaintPending = true; }

bool ExitWasRequested(const App& app) {
    return app.state == AppState::ExitRequested || app.state == AppState::Closing;
}

void ApplyPendingOpacity(App& app) {
    if (!app.transparencyPending) return;
    app.transparencyPending = false;
    app.platform.host.ApplyOpacity(OpacityAlpha(app.settings));
}

bool SomethingShown(const App& app) { return app.articles.count > 0 && app.articlesToShow; }

// "RSS取得中..." and the feed's name: in scroll mode after the status text, in page mode on line 2.
// Set only when it changes: in scroll mode a status text is drawn by one redraw.
void ShowFetchingStatus(App& app, int feed) {
    char line1[kSlotSize], line2[kSlotSize];
    CopyCut(line1, sizeof line1, "RSS取得中...");
    CopyCut(line2, sizeof line2, app.line2);
    if (feed >= 0 && feed < app.feeds.count && app.feeds.maximum[feed] > 0) {
        const char* site = app.feeds.site[feed];
        if (app.settings.scrollf != 0) {
            if (strlen(line1) + strlen(site) < kSlotSize) strcat(line1, site);
        } else {
            CopyCut(line2, sizeof line2, site);
        }
    }
    CopyCut(app.line1, sizeof app.line1, line1);
    CopyCut(app.line2, sizeof app.line2, line2);
    RequestRepaint(app);
}

void SetTrayTip(App& app, const char* tip) {
    if (strcmp(app.trayTip, tip) == 0) return;
    CopyCut(app.trayTip, sizeof app.trayTip, tip);
    app.trayTipChanged = true;
}

// The tray icon's tip says how far a running cycle is: "Newsroller 2.09 RSS取得中 37/100".
void UpdateProgress(App& app) {
    char tip[sizeof app.trayTip];
    if (app.cycle.running() && app.cycle.kind() != CycleKind::StartupCache) {
        snprintf(tip, sizeof tip, "%s RSS取得中 %d/%d", NEWSROLLER_TRAY_TIP, app.cycle.feedsDone(),
                 app.cycle.feedsToDo());
    } else {
        CopyCut(tip, sizeof tip, NEWSROLLER_TRAY_TIP);
    }
    SetTrayTip(app, tip);
    if (app.state != AppState::Fetching || !app.cycle.running() ||
        app.cycle.kind() == CycleKind::StartupCache)
        return;
    const int feed = app.cycle.waitingFeed();
    if (feed != app.statusFeed) {
        app.statusFeed = feed;
        ShowFetchingStatus(app, feed);
    }
}

// Sites that could not be fetched and had no copy, in one box per cycle; a site announced in the
// previous cycle is not announced again while it keeps failing (its entry stays on the ticker).
void AnnounceFailures(App& app) {
    std::vector<std::string> failing;
    std::vector<const FeedFailure*> announce;
    for (const FeedFailure& failure : app.cycle.failures()) {
        failing.push_back(failure.url);
        bool announced = false;
        for (const std::string& url : app.failedLastCycle) announced = announced || url == failure.url;
        if (!announced) announce.push_back(&failure);
    }
    app.failedLastCycle = std::move(failing);
    if (announce.empty()) return;
    std::string text;
    for (size_t i = 0; i < announce.size() && i < kFailuresNamed; ++i) {
        if (!text.empty()) text += "\n";
        text += announce[i]->site;
    }
    if (announce.size() > kFailuresNamed) {
        char more[64];
        snprintf(more, sizeof more, "\nほか%d件", static_cast<int>(announce.size() - kFailuresNamed));
        text += more;
    }
    app.noticesWithTable.push_back(
        Notice{text, "下記のサイトでアクセスエラーが起きました。", MessageIcon::Error});
}

// The display begins anew on a table taken while nothing was shown: the first shown article, the
// band from the right edge.
void ShowNewTableFromTheStart(App& app) {
    TakeNewTable(app);
    if (!ExitWasRequested(app)) app.state = AppState::Showing;
    app.painter.copyCount = 0;
    app.painter.scrollBaseTaken = false;
    app.scrollOffset = 0;
    app.displayCounter = 0;
    if (app.articlesToShow) ShowArticleOnLines(app, FirstShownArticle(app));
    RequestRepaint(app);
}

void StartCycle(App& app);

void TurnPage(App& app);

void TakePendingTableNow(App& app) {
    if (!SomethingShown(app)) {
        ShowNewTableFromTheStart(app);
    } else if (app.settings.scrollf) {
        if (app.painter.hitCount > 0) {
            TakeTableIntoBand(app, false);
        } else {
            ShowNewTableFromTheStart(app);
        }
    } else {
        // The page turns a little early, to the article after the one shown.
        TurnPage(app);
        app.displayCounter = 0;
    }
    RequestRepaint(app);
}

void CompleteCycle(App& app) {
    const CycleKind kind = app.cycle.kind();
    if (kind == CycleKind::StartupCache) {
        // The copies there were are on the ticker at once; the network is asked behind them.
        if (app.incoming.count > 0) ShowNewTableFromTheStart(app);
        StartCycle(app);
        return;
    }
    if (app.cycle.tableFull() && app.incoming.count > 0) {
        char text[600];
        snprintf(text, sizeof text,
                 "記事数が多いため「%"
                 "s」以降のサイトの記事は表示されません。\nRSSリスト数または各最大記事数を減らしてください。",
                 app.incoming.slot[app.incoming.count - 1].site);
        app.noticesWithTable.push_back(Notice{text, "件数超過", MessageIcon::Warning});
    }
    AnnounceFailures(app);
    // Feeds that moved for good follow their new address, unless the settings dialog holds a copy
    // of the list (the next cycle finds them moved again).
    if (!app.previewingForm) FollowFeedMoves(app.cycle.moves(), app.feeds, app.platform);
    app.tablePending = true;
    // With nothing on the ticker the table is shown at once; otherwise it takes its place at the
    // next page turn or the band's next article boundary.
    if (!SomethingShown(app) || app.state == AppState::Fetching || app.state == AppState::NothingToShow)
        ShowNewTableFromTheStart(app);
    // Requests no longer carry this stamp (each feed is asked since its own cache copy's date), but
    // the settings file keeps it as it always had, for older copies of the program that read it.
    TakeSettingsHeldAtStart(app);
    FormatIfModifiedSince(app.cycleStartUtc, app.settings.ifmodified, sizeof app.settings.ifmodified);
    // What a settings dialog open meanwhile only previews is not stored.
    SaveSettings(SettingsWithoutPreviews(app), app.platform);
    app.cacheOnly = false;
    // The update interval counts from the end of a cycle.
    app.tickCounter = 0;
    app.minuteCounter = 0;
    RequestRepaint(app);
    if (app.networkCycleOwed) {
        app.networkCycleOwed = false;
        StartCycle(app);
    }
}

void StartCycle(App& app) {
    // A finished table still waiting for its place is taken now, where the display is: the new
    // cycle fills `incoming`.
    if (app.tablePending) TakePendingTableNow(app);
    const bool firstPass = app.startupPassDue;
    app.startupPassDue = false;
    const CycleKind kind = app.cacheOnly ? CycleKind::CacheOnly
                           : firstPass   ? CycleKind::StartupCache
                                         : CycleKind::Network;
    if (app.cycle.running()) {
        // Started again (the feed list was edited meanwhile): a network cycle given up for a
        // cache-only one is made good right after it.
        if (app.cycle.kind() == CycleKind::Network && kind == CycleKind::CacheOnly)
            app.networkCycleOwed = true;
        app.cycle.Cancel(app);
    }
    app.cycleStartUtc = app.platform.clock.UtcNow();
    if (!ExitWasRequested(app)) app.state = SomethingShown(app) ? AppState::Showing : AppState::Fetching;
    if (app.state == AppState::Fetching && kind != CycleKind::StartupCache) {
        CopyCut(app.line1, sizeof app.line1, "接続中...");
        app.line2[0] = '\0';
        app.statusFeed = -2;
        RequestRepaint(app);
    }

    if (LoadFeedList(app.feeds, app.today, app.platform) != 0) app.feeds.count = 0;
    if (app.feeds.count <= 0) {
        // Nothing registered: nothing to show either.
        app.platform.files.CreateFolder(kCacheFolderName);
        app.articles.count = 0;
        app.articlesToShow = false;
        app.painter.copyCount = 0;
        app.networkCycleOwed = false;
        if (!ExitWasRequested(app)) app.state = AppState::NothingToShow;
        CopyCut(app.line1, sizeof app.line1, "RSSリスト未登録");
        app.line2[0] = '\0';
        RequestRepaint(app);
        UpdateProgress(app);
        return;
    }
    if (kind != CycleKind::StartupCache) {
        const char* failure = nullptr;
        switch (app.platform.fetcher.EnsureSession()) {
            case Fetcher::Session::Ready:
                break;
            case Fetcher::Session::OpenFailed:
                failure = "Internet Openエラー";
                break;
            case Fetcher::Session::CallbackFailed:
                failure = "Internet Callbackエラー";
                break;
        }
        if (failure) {
            // No cycle: what is on the ticker stays; the next cycle tries again.
            AddNotice(app, failure, "ERROR", MessageIcon::Error);
            if (app.state == AppState::Fetching) app.state = AppState::Showing;
            return;
        }
    }
    app.cycle.Begin(app, kind);
    UpdateProgress(app);
}

// One step of a running cycle; the cycle completes in it when its last document is read.
void AdvanceCycle(App& app, uint64_t budget) {
    if (app.cycle.Step(app, budget)) {
        CompleteCycle(app);
        // A cycle that follows at once (the network behind the cache copies) sends its requests now.
        if (app.cycle.running() && app.cycle.Step(app, 0)) CompleteCycle(app);
    }
    UpdateProgress(app);
}

// The next page of page mode; a finished cycle's table takes its place here, going on with the
// article that would have come next when the new table has it.
void TurnPage(App& app) {
    if (!app.tablePending) {
        ShowArticleOnLines(app, NextShownArticle(app, app.currentArticle));
        return;
    }
    const ArticleEntry shown = app.articles.slot[app.currentArticle];
    const ArticleEntry next = app.articles.slot[NextShownArticle(app, app.currentArticle)];
    TakeNewTable(app);
    if (!app.articlesToShow) return;  // the next step says there is nothing to show
    ShowArticleOnLines(app, ArticleAfterTheChange(app, &shown, next));
}

void ShowingStep(App& app, int64_t now) {
    const AppSettings& s = app.settings;
    if (!app.articlesToShow) {
        // A cycle still running tells how far it is instead.
        app.state = app.cycle.running() ? AppState::Fetching : AppState::NothingToShow;
        if (app.state == AppState::Fetching) {
            app.statusFeed = -2;
            UpdateProgress(app);
        } else {
            CopyCut(app.line1, sizeof app.line1, "表示する記事はありません。");
            app.line2[0] = '\0';
        }
        RequestRepaint(app);
        ScanForAlert(app, now);
        return;
    }
    // Under the resting pointer the band and the page stay where they are, to be read and clicked;
    // the counter keeps its count, so they go on where they stopped.
    if (PointerHoldsDisplay(app)) {
        ApplyPendingOpacity(app);
        ScanForAlert(app, now);
        return;
    }
    if (s.scrollf == 0) {
        if (app.displayCounter >= DisplayPace(s)) {
            ApplyPendingOpacity(app);
            app.displayCounter = 0;
            TurnPage(app);
        } else {
            ++app.displayCounter;
        }
    } else {
        if (app.displayCounter >= DisplayPace(s)) {
            ApplyPendingOpacity(app);
            app.displayCounter = 0;
            // The band stands still while an alert is shown; the redraw still comes, so it blinks.
            if (app.alertIndex < 0) {
                app.scrollOffset -= ScrollStepInPixels(s, app.screen.dpi);
            }
            RequestRepaint(app);
        } else {
            ++app.displayCounter;
        }
    }
    ScanForAlert(app, now);
}

void OpenLinkStep(App& app) {
    // The link as it was clicked: the table may have changed since.
    if (app.linkEntry.link[0] != '\0') {
        char link[kShellLinkSize];
        if (PrepareLinkForShell(app.linkEntry.link, link, sizeof link)) {
            app.platform.shell.Open(link);
        } else {
            app.platform.messages.Show("リンク先ファイルの拡張子が危険と判断されたため開けません。", "警告",
                                       MessageIcon::Warning);
        }
    }
    app.linkEntry.link[0] = '\0';
    if (!ExitWasRequested(app)) app.state = AppState::Showing;
}

void ClosingStep(App& app) {
    // Requests in flight are given up; every file written so far was written whole.
    app.cycle.Cancel(app);
    // Closing the program with the settings dialog open is its Cancel.
    if (app.previewingForm) CancelSettings(app, *app.previewingForm);
    // Values just taken from the file include its position; the window never stood there.
    const bool taken = TakeSettingsHeldAtStart(app);
    if (app.settings.savepos) {
        int x = 0, y = 0;
        if (!taken && app.platform.host.ClientOrigin(x, y)) {
            app.settings.winX = ScaleFromDpi(x, app.screen.dpi);
            app.settings.winY = ScaleFromDpi(y, app.screen.dpi);
        }
        SaveSettings(app.settings, app.platform);
    }
    app.platform.host.DestroyTicker();
}

}  // namespace

int FindSameArticle(const ArticleTable& table, const ArticleEntry& entry) {
    for (int i = 0; i < table.count; ++i) {
        const ArticleEntry& a = table.slot[i];
        if (strcmp(a.link, entry.link) == 0 && strcmp(a.title, entry.title) == 0 &&
            strcmp(a.site, entry.site) == 0) {
            return i;
        }
    }
    return -1;
}

int ArticleAfterTheChange(const App& app, const ArticleEntry* shown, const ArticleEntry& next) {
    if (!app.articlesToShow) return 0;
    if (shown) {
        const int same = FindSameArticle(app.articles, *shown);
        if (same >= 0) return NextShownArticle(app, same);
    }
    const int same = FindSameArticle(app.articles, next);
    if (same >= 0 && IsShownArticle(app, same)) return same;
    return FirstShownArticle(app);
}

void TakeNewTable(App& app) {
    std::swap(app.articles, app.incoming);
    app.incoming.count = 0;
    app.tablePending = false;
    RecountShownArticles(app);
    for (Notice& notice : app.noticesWithTable) app.notices.push_back(std::move(notice));
    app.noticesWithTable.clear();
    RequestRepaint(app);
}

void AdvanceCycleNow(App& app) {
    if (app.cycleBusy) return;
    app.platform.fetcher.Advance();
    if (!app.cycle.running() || ExitWasRequested(app)) return;
    app.cycleBusy = true;
    AdvanceCycle(app, kCycleBudgetBetweenTicks);
    app.cycleBusy = false;
}

void ScanForAlert(App& app, int64_t now) {
    int before = app.alertIndex;
    app.alertIndex = FindAlertTask(app.schedule, now, app.settings.alerttime);
    app.alertChanges = app.schedule.changes;
    // A task that fell due takes its alert line with it: one redraw replaces the line, which with
    // nothing else to show would otherwise stay on screen, perhaps in the inverted colours.
    if (before >= 0 && app.alertIndex < 0) RequestRepaint(app);
    if (app.alertIndex < 0 || app.state != AppState::NothingToShow) return;
    // Nothing else is redrawn in this state: pace the alert's blinking like the display.
    ++app.displayCounter;
    if (app.displayCounter >= DisplayPace(app.settings)) {
        RequestRepaint(app);
        app.displayCounter = 0;
    }
}

void Tick(App& app) {
    app.cycleBusy = true;
    DropStaleAlert(app);
    int64_t now = 0;
    FileTimeFromCivil(app.platform.clock.LocalNow(), now);
    if (app.state == AppState::BeginCycle) StartCycle(app);
    // Every request in flight moves on, the dialogs' own among them.
    app.platform.fetcher.Advance();
    if (app.cycle.running() && !ExitWasRequested(app)) AdvanceCycle(app, kCycleBudgetPerTick);
    switch (app.state) {
        case AppState::BeginCycle:
        case AppState::Fetching:
            break;
        case AppState::Recount:
            RecountShownArticles(app);
            app.fullRepaint = true;
            app.state = AppState::Showing;
            RequestRepaint(app);
            break;
        case AppState::Showing:
            ShowingStep(app, now);
            break;
        case AppState::NothingToShow:
            ScanForAlert(app, now);
            break;
        case AppState::ExitRequested:
            app.state = AppState::Closing;
            CopyCut(app.line1, sizeof app.line1, "終了中...");
            app.line2[0] = '\0';
            RequestRepaint(app);
            break;
        case AppState::Closing:
            ClosingStep(app);
            break;
        case AppState::OpenLink:
            OpenLinkStep(app);
            break;
        case AppState::Starting:
            break;
    }
    app.cycleBusy = false;
}

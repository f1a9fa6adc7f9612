#include "app/cycle.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "app/settings_dialog.h"
#include "app/ticker_habits.h"
#include "config/feed_list.h"
#include "config/settings.h"
#include "feed/parser.h"
#include "feed/site_root.h"
#include "net/cache.h"
#include "net/conditional_header.h"
#include "net/links.h"
#include "net/service_hosts.h"
#include "platform/screen_scale.h"

namespace {

const char kAccessErrorTitle[] = "[Newsroller]アクセスエラー";
const char kFormatErrorTitle[] = "[Newsroller]書式エラー";

void RequestRepaint(App& app) { app.repaintPending = true; }

bool ExitWasRequested(const App& app) {
    return app.state == AppState::ExitRequested || app.state == AppState::Closing;
}

// The program is ending (a quit chosen or the window asked to close while a fetch or a parse
// dispatched messages): the feed is left as it is, with no further fetch, file or message.
bool ClosingDown(const App& app) { return ExitWasRequested(app) || app.platform.pump.QuitSeen(); }

void ApplyPendingOpacity(App& app) {
    if (!app.transparencyPending) return;
    app.transparencyPending = false;
    app.platform.host.ApplyOpacity(OpacityAlpha(app.settings));
}

// "RSS取得中..." and the feed's name: in scroll mode after the status text, in page mode on line 2.
void ShowFetchingStatus(App& app, int feed) {
    CopyCut(app.line1, sizeof app.line1, "RSS取得中...");
    if (app.feeds.maximum[feed] <= 0) return;
    const char* site = app.feeds.site[feed];
    if (app.settings.scrollf != 0) {
        if (strlen(app.line1) + strlen(site) < kSlotSize) strcat(app.line1, site);
    } else {
        CopyCut(app.line2, sizeof app.line2, site);
    }
}

void AppendErrorEntry(App& app, int feed, const char* title) {
    ArticleEntry& entry = app.articles.slot[app.articles.count++];
    CopyCut(entry.site, sizeof entry.site, app.feeds.site[feed]);
    CopyCut(entry.title, sizeof entry.title, title);
    CopyCut(entry.link, sizeof entry.link, app.feeds.url[feed]);
    entry.day = app.today;
    app.perFeedFound[feed] = 1;
}

// The blog-search service answers in UTF-8 only when asked to.
void RequestUtf8FromBlogSearch(char* url) {
    size_t baseLength = strlen(kBlogSearchBase);
    if (strncmp(url, kBlogSearchBase, baseLength) != 0) return;
    size_t length = strlen(url);
    if (length >= 9 && (EqualsIgnoringAsciiCase(url + length - 9, "&ie=UTF-8") ||
                        EqualsIgnoringAsciiCase(url + length - 9, "&ie=UTF_8"))) {
        return;
    }
    if (length + 9 < kSlotSize) strcat(url, "&ie=UTF-8");
}

void BeginCycle(App& app) {
    app.state = AppState::Fetching;
    app.currentFeed = 0;
    app.articlesToShow = false;
    app.articles.count = 0;
    app.currentArticle = 0;
    app.displayCounter = 0;
    CopyCut(app.line1, sizeof app.line1, "接続中...");
    app.line2[0] = '\0';
    RequestRepaint(app);
    app.cycleStartUtc = app.platform.clock.UtcNow();

    if (LoadFeedList(app.feeds, app.today, app.platform) != 0) {
        app.feeds.count = 0;
        return;
    }
    app.platform.files.CreateFolder(kCacheFolderName);

    switch (app.platform.fetcher.EnsureSession()) {
        case Fetcher::Session::Ready:
            break;
        case Fetcher::Session::OpenFailed:
            app.platform.messages.Show("Internet Openエラー", "ERROR", MessageIcon::Error);
            if (!ExitWasRequested(app)) app.state = AppState::Showing;
            break;
        case Fetcher::Session::CallbackFailed:
            app.platform.messages.Show("Internet Callbackエラー", "ERROR", MessageIcon::Error);
            if (!ExitWasRequested(app)) app.state = AppState::Showing;
            break;
    }
    if (app.feeds.count >= 1) ShowFetchingStatus(app, 0);
}

void FinishCycle(App& app) {
    if (app.articles.count >= kArticleCapacity) {
        char text[600];
        snprintf(text, sizeof text,
                 "記事数が多いため「%"
                 "s」以降のサイトの記事は表示されません。\nRSSリスト数または各最大記事数を減らしてください。",
                 app.articles.slot[app.articles.count - 1].site);
        app.platform.messages.Show(text, "件数超過", MessageIcon::Warning);
    }
    // A quit chosen while the last feed was being fetched must not be lost.
    if (!ExitWasRequested(app)) app.state = AppState::Showing;
    RecountShownArticles(app);
    if (app.articlesToShow) {
        ShowArticleOnLines(app, FirstShownArticle(app));
    }
    // Requests no longer carry this stamp (each feed is asked since its own cache copy's date), but
    // the settings file keeps it as it always had, for older copies of the program that read it.
    TakeSettingsHeldAtStart(app);
    FormatIfModifiedSince(app.cycleStartUtc, app.settings.ifmodified, sizeof app.settings.ifmodified);
    // What a settings dialog open meanwhile only previews is not stored.
    SaveSettings(SettingsWithoutPreviews(app), app.platform);
    app.cacheOnly = false;
    RequestRepaint(app);
}

// Handles feed i: fetch (or cache), parse, cache the good document, or record why it failed.
void HandleFeed(App& app, int i) {
    char* url = app.feeds.url[i];
    RequestUtf8FromBlogSearch(url);
    DocumentBuffer& document = app.document;
    Platform& platform = app.platform;

    bool fetched = false;
    bool haveDocument = false;
    bool askedForWhole = false;  // a request without condition was made already
    int64_t fetchBegan = 0;
    // One fetch of the feed: the document is kept only when it came whole.
    auto fetch = [&](const char* header) {
        fetchBegan = UtcSecondsNow(platform.clock);
        if (platform.fetcher.Fetch(url, header, document) == kFetchOk) {
            fetched = haveDocument = true;
        } else {
            document.Release();
        }
    };
    if (!app.cacheOnly) {
        // Each feed is asked whether it changed since the date of its own cache copy.
        char header[kHeaderLineSize];
        askedForWhole = !CacheConditionalHeader(url, platform.files, header, sizeof header);
        fetch(header);
    }
    if (ClosingDown(app)) {
        document.Release();
        return;
    }
    if (!haveDocument) {
        std::string cachePath = CacheFilePath(url);
        if (ReadWholeFile(document, cachePath.c_str(), platform) == 0) {
            haveDocument = true;
        } else {
            document.Release();
            // No cache copy: ask for the whole document whatever its date, unless that was just asked.
            if (!askedForWhole) fetch(kUnconditionalHeader);
            if (ClosingDown(app)) {
                document.Release();
                return;
            }
            if (!haveDocument && app.articles.count < kArticleCapacity) {
                AppendErrorEntry(app, i, kAccessErrorTitle);
                platform.messages.Show(app.feeds.site[i], "下記のサイトでアクセスエラーが起きました。",
                                       MessageIcon::Error);
            }
        }
    }

    if (haveDocument) {
        app.perFeedFound[i] = 0;
        char root[kSiteRootSize];
        SiteRootOf(url, root, sizeof root);
        // Documents of the weather service are fetched but not read as feeds.
        if (!IsWeatherServiceFeed(url)) {
            FeedParseTarget target{app.articles,      app.perFeedFound[i], app.feeds.maximum[i],
                                   app.today,         &platform.pump,      url,
                                   platform.codePages};
            ParseFeedDocument(document.view(), app.feeds.site[i], root, target);
        }
        if (ClosingDown(app)) {
            document.Release();
            return;
        }
        // The copy is dated as the server dated the document, or else when it was asked for: the
        // next request then asks for what changed after that.
        if (fetched && app.perFeedFound[i] > 0) {
            WriteCacheFile(document, url, document.lastModified() > 0 ? document.lastModified() : fetchBegan,
                           platform);
        }
        if (app.perFeedFound[i] == 0 && app.articles.count < kArticleCapacity) {
            AppendErrorEntry(app, i, kFormatErrorTitle);
        }
    }
    document.Release();
}

void FetchStep(App& app) {
    if (app.feeds.count <= 0) {
        app.state = AppState::NothingToShow;
        CopyCut(app.line1, sizeof app.line1, "RSSリスト未登録");
        RequestRepaint(app);
        return;
    }
    int i = app.currentFeed;
    if (app.feeds.maximum[i] > 0 && app.articles.count < kArticleCapacity) HandleFeed(app, i);

    if (i < app.feeds.count - 1 && app.articles.count < kArticleCapacity) {
        int next = i + 1;
        while (next < app.feeds.count - 1 && app.feeds.maximum[next] <= 0) ++next;
        app.currentFeed = next;
        ShowFetchingStatus(app, next);
        RequestRepaint(app);
        return;
    }
    FinishCycle(app);
}

void ShowingStep(App& app, int64_t now) {
    const AppSettings& s = app.settings;
    if (!app.articlesToShow) {
        app.state = AppState::NothingToShow;
        CopyCut(app.line1, sizeof app.line1, "表示する記事はありません。");
        app.line2[0] = '\0';
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
            ShowArticleOnLines(app, NextShownArticle(app, app.currentArticle));
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
    if (app.linkArticle >= 0 && app.linkArticle < app.articles.count) {
        char link[kShellLinkSize];
        if (PrepareLinkForShell(app.articles.slot[app.linkArticle].link, link, sizeof link)) {
            app.platform.shell.Open(link);
        } else {
            app.platform.messages.Show("リンク先ファイルの拡張子が危険と判断されたため開けません。", "警告",
                                       MessageIcon::Warning);
        }
    }
    if (!ExitWasRequested(app)) app.state = AppState::Showing;
}

void ClosingStep(App& app) {
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

int64_t UtcSecondsNow(Clock& clock) {
    int64_t now = 0;
    if (!FileTimeFromCivil(clock.UtcNow(), now)) return 0;
    return now - now % kFileTimeTicksPerSecond;
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
    switch (app.state) {
        case AppState::BeginCycle:
            BeginCycle(app);
            break;
        case AppState::Fetching:
            FetchStep(app);
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

#include "app/ticker_window.h"

#include "app/app.h"
#include "app/cycle.h"
#include "display/ticker_painter.h"
#include "report/article_page.h"
#include "res/resource.h"
#include "schedule/schedule.h"

namespace {

bool ValidArticle(const App& app, int index) { return index >= 0 && index < app.articles.count; }

// Mode 0: every article; mode 1: the shown ones. The page lies in the program's folder and is opened
// by its full path there, whatever the current folder is.
void WriteAndOpenArticlePage(App& app, int mode) {
    if (WriteArticlePage(app, mode) == 0) app.platform.shell.OpenProgramFile(kArticlePageFileName);
}

}  // namespace

bool DisplayIdle(const App& app) {
    return app.state == AppState::Showing || app.state == AppState::NothingToShow;
}

void CloseRequested(App& app) {
    if (app.state != AppState::Closing) app.state = AppState::ExitRequested;
}

bool CountTimerTick(App& app) {
    if (app.cycleBusy) return false;
    if (++app.tickCounter >= kTicksPerMinute) {
        app.tickCounter = 0;
        ++app.minuteCounter;
    }
    // Tested on every tick, so an update that fell due while a dialog was open starts on the first
    // tick after it closes.
    if (app.minuteCounter >= app.settings.uptimer && DisplayIdle(app) && !app.dialogOpen &&
        !app.cycle.running()) {
        app.state = AppState::BeginCycle;
        app.minuteCounter = 0;
    }
    return true;
}

void PressStarted(App& app) { app.pressCounter = 3; }

PointerMove CountPointerMove(App& app) {
    if (app.pressCounter == 1) {
        app.pressCounter = 0;
        return PointerMove::StartDrag;
    }
    if (app.pressCounter <= 0) return PointerMove::Pointer;
    --app.pressCounter;
    return PointerMove::Counted;
}

bool PressReleased(App& app) {
    bool click = app.pressCounter >= 2;
    // Every release ends the press: a counter left at 1 would make the next hover movement, with no
    // button held, start a window move that follows the pointer.
    app.pressCounter = 0;
    return click;
}

void CaptureLost(App& app) { app.pressCounter = 0; }

void TrayIconClicked(App& app) {
    // The window is placed anew by the full repaint, which only a pending redraw carries out.
    app.fullRepaint = true;
    app.repaintPending = true;
}

ClickResult ClickTicker(App& app, int x) {
    if (!DisplayIdle(app)) return ClickResult::Ignored;
    DropStaleAlert(app);  // never dismiss (and delete) a task the alert does not show
    if (app.alertIndex >= 0) {
        // A dialog may be editing the schedule table: the alert stays.
        if (app.dialogOpen) return ClickResult::AlertKept;
        RemoveTask(app.schedule, app.alertIndex);
        SaveSchedule(app.schedule, app.platform);
        app.alertIndex = -1;
        // The alert line goes at once: with nothing to show no other redraw would ever replace it.
        app.repaintPending = true;
        app.platform.host.InvalidateTicker();
        return ClickResult::AlertDismissed;
    }
    if (app.articles.count < 1 || !app.articlesToShow) {
        // A cycle that runs already is the update the click asks for.
        if (!app.cycle.running()) app.state = AppState::BeginCycle;
        return ClickResult::UpdateStarted;
    }
    if (app.settings.scrollf == 0) {
        if (!ValidArticle(app, app.currentArticle)) return ClickResult::NoArticleHere;
        app.linkArticle = app.currentArticle;
        app.linkEntry = app.articles.slot[app.linkArticle];
        CopyCut(app.line1, sizeof app.line1, "リンク先を開いています...");
        CopyCut(app.line2, sizeof app.line2, app.linkEntry.title);
    } else {
        // Nothing recorded under the pointer (no band drawn yet) opens nothing rather than a stale link.
        const int found = ArticleAtX(app, x);
        const ArticleEntry* article = BandArticle(app, found);
        if (!article) return ClickResult::NoArticleHere;
        app.linkArticle = found;
        app.linkEntry = *article;
        app.clickHighlight = true;
    }
    app.repaintPending = true;
    app.platform.host.InvalidateTicker();
    app.state = AppState::OpenLink;
    RecountShownArticles(app);
    return ClickResult::LinkChosen;
}

MenuAction MenuCommand(App& app, int command) {
    if (command == IDM_QUIT) {
        app.state = AppState::ExitRequested;
        return MenuAction::None;
    }
    // A cycle runs beside the display: with nothing shown yet the menu works all the same.
    if (!DisplayIdle(app) && app.state != AppState::Fetching) return MenuAction::None;
    switch (command) {
        case IDM_SETTINGS:
            return MenuAction::OpenSettings;
        case IDM_SCHEDULE:
            return MenuAction::OpenSchedule;
        case IDM_ABOUT:
            return MenuAction::ShowAbout;
        case IDM_UPDATE:
            // A cycle that runs already is the update asked for.
            if (!app.cycle.running()) app.state = AppState::BeginCycle;
            return MenuAction::None;
        case IDM_READ_ALL:
            if (NewestArticles(app).count < 1) {
                app.platform.messages.Show("記事は１件もありません。", "記事表示", MessageIcon::Information);
                return MenuAction::None;
            }
            WriteAndOpenArticlePage(app, 0);
            return MenuAction::None;
        case IDM_READ_NEW:
            if (!AnyShownArticle(app, NewestArticles(app))) {
                app.platform.messages.Show("新しい記事は１件もありません。", "記事表示",
                                           MessageIcon::Information);
                return MenuAction::None;
            }
            WriteAndOpenArticlePage(app, 1);
            return MenuAction::None;
        case IDM_JUMP_TO_FIRST:
            if (app.articles.count > 1 && app.articlesToShow && !app.cycleBusy) {
                app.painter.copyCount = 0;
                ShowArticleOnLines(app, FirstShownArticle(app));
                app.platform.host.InvalidateTicker();
                app.displayCounter = 0;
            }
            return MenuAction::None;
        default:
            return MenuAction::None;
    }
}

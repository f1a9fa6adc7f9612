#include "display/ticker_keys.h"

#include "app/app.h"
#include "app/cycle.h"
#include "app/ticker_window.h"
#include "display/ticker_painter.h"
#include "platform/screen_scale.h"

namespace {

constexpr int kWheelNotch = 120;
constexpr int kLeftMargin = 3;  // where the band's leading title starts after a step

bool HeadlinesShown(const App& app) {
    return (DisplayIdle(app) || app.state == AppState::OpenLink) && app.alertIndex < 0 &&
           app.articles.count > 0 && app.articlesToShow;
}

void RequestRedraw(App& app) {
    app.repaintPending = true;
    app.platform.host.InvalidateTicker();
}

// Scroll mode: the band's leading item goes back one article. The copies a table change left
// ahead of the band give way to the new table, at the article before the leading copy when the
// new table has it.
void BandBack(App& app) {
    PainterState& painter = app.painter;
    int from = app.currentArticle;
    if (painter.copyCount > 0) {
        const int same = FindSameArticle(app.articles, painter.copies[0].entry);
        painter.copyCount = 0;
        if (same >= 0) from = same;
    }
    app.currentArticle = PreviousShownArticle(app, from);
}

}  // namespace

int HeadlineAt(const App& app, int x) {
    if (!HeadlinesShown(app)) return -1;
    if (app.settings.scrollf == 0) return app.currentArticle < app.articles.count ? app.currentArticle : -1;
    const int code = ArticleAtX(app, x);
    return BandArticle(app, code) ? code : -1;
}

int LeadingHeadline(const App& app) {
    // A band not drawn since a step starts with its copies, if any, then the current article.
    if (app.settings.scrollf != 0 && app.painter.hitCount == 0 && HeadlinesShown(app)) {
        if (app.painter.copyCount > 0) return kBandCopyCode;
        return app.currentArticle < app.articles.count ? app.currentArticle : -1;
    }
    return HeadlineAt(app, 0);
}

bool CanStepHeadlines(const App& app) { return DisplayIdle(app) && HeadlinesShown(app) && !app.cycleBusy; }

bool StepHeadline(App& app, int direction) {
    if (!CanStepHeadlines(app) || direction == 0) return false;
    if (app.settings.scrollf == 0) {
        const int to = direction > 0 ? NextShownArticle(app, app.currentArticle)
                                     : PreviousShownArticle(app, app.currentArticle);
        ShowArticleOnLines(app, to);
        app.displayCounter = 0;
    } else {
        if (direction > 0) {
            StepPastTheFirstItem(app);
        } else {
            BandBack(app);
        }
        // The new leader starts at the left margin; the restart test of the next redraw must not
        // step past it again.
        app.scrollOffset = 0;
        app.painter.scrollBaseTaken = true;
        app.painter.scrollBase = ScaleToDpi(kLeftMargin, app.screen.dpi);
        app.painter.firstItemEnd = kLeftMargin;
        app.painter.hitCount = 0;
    }
    RequestRedraw(app);
    return true;
}

int TurnWheel(App& app, int delta) {
    if (!CanStepHeadlines(app)) {
        app.hand.wheelRest = 0;
        return 0;
    }
    // A turn back after part of a notch forward starts a new count.
    if ((delta > 0) != (app.hand.wheelRest > 0)) app.hand.wheelRest = 0;
    app.hand.wheelRest += delta;
    int steps = 0;
    while (app.hand.wheelRest >= kWheelNotch && StepHeadline(app, 1)) {
        app.hand.wheelRest -= kWheelNotch;
        ++steps;
    }
    while (app.hand.wheelRest <= -kWheelNotch && StepHeadline(app, -1)) {
        app.hand.wheelRest += kWheelNotch;
        ++steps;
    }
    return steps;
}

ClickResult OpenLeadingHeadline(App& app) {
    // Page mode opens the current article wherever the click is; in scroll mode x 0 is the leader.
    return ClickTicker(app, 0);
}

void SetPaused(App& app, bool paused) {
    if (app.hand.paused == paused) return;
    app.hand.paused = paused;
    RequestRedraw(app);
}

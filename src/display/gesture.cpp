#include "display/gesture.h"

#include "app/app.h"
#include "app/cycle.h"

GestureResult PointerMoved(App& app, int x) {
    if (app.state != AppState::Showing && app.state != AppState::NothingToShow) return GestureResult::None;
    GestureState& g = app.gesture;
    const AppSettings& s = app.settings;
    if (g.tracking == 0) {
        g.tracking = 1;
        g.startX = g.lastX = x;
    }
    if (x > g.lastX) {  // any rightward movement ends the gesture
        g.lastX = x;
        g.tracking = 0;
        return GestureResult::None;
    }
    if (g.lastX - x > s.xmove) {  // one jump larger than the gesture distance starts over here
        g.startX = g.lastX = x;
        g.tracking = 1;
        return GestureResult::None;
    }
    GestureResult result = GestureResult::None;
    if (g.startX - x > s.xmove && !app.cycleBusy) {
        if (s.mousesche && !app.dialogOpen) {
            g.startX = -1;
            app.dialogOpen = 1;
            result = GestureResult::OpenSchedule;
        } else if (app.articles.count > 1 && !s.mousesche && app.articlesToShow) {
            app.navigationLock = 1;
            g.startX = -1;
            app.currentArticle = PreviousShownArticle(app, app.currentArticle);
            CopyCut(app.line1, sizeof app.line1, app.articles.slot[app.currentArticle].site);
            CopyCut(app.line2, sizeof app.line2, app.articles.slot[app.currentArticle].title);
            app.repaintPending = 2;
            app.platform.host.InvalidateTicker();
            app.displayCounter = 0;
            app.navigationLock = 0;
            result = GestureResult::SteppedBack;
        }
    }
    g.lastX = x;
    return result;
}

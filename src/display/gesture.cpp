#include "display/gesture.h"

#include "app/app.h"
#include "platform/screen_scale.h"

GestureResult PointerMoved(App& app, int x) {
    if (app.state != AppState::Showing && app.state != AppState::NothingToShow) return GestureResult::None;
    GestureState& g = app.gesture;
    const AppSettings& s = app.settings;
    // x is in pixels of the screen, xmove in 96-dpi units.
    const int distance = ScaleToDpi(s.xmove, app.screen.dpi);
    if (!g.tracking) {
        g.tracking = true;
        g.startX = g.lastX = x;
    }
    if (x > g.lastX) {  // any rightward movement ends the gesture
        g.lastX = x;
        g.tracking = false;
        return GestureResult::None;
    }
    if (g.lastX - x > distance) {  // one jump larger than the gesture distance starts over here
        g.startX = g.lastX = x;
        g.tracking = true;
        return GestureResult::None;
    }
    GestureResult result = GestureResult::None;
    if (g.startX - x > distance && !app.cycleBusy) {
        if (s.mousesche && !app.dialogOpen) {
            g.startX = -1;
            app.dialogOpen = true;
            result = GestureResult::OpenSchedule;
        } else if (app.articles.count > 1 && !s.mousesche && app.articlesToShow) {
            g.startX = -1;
            ShowArticleOnLines(app, PreviousShownArticle(app, app.currentArticle));
            app.platform.host.InvalidateTicker();
            app.displayCounter = 0;
            result = GestureResult::SteppedBack;
        }
    }
    g.lastX = x;
    return result;
}

#include "app/app.h"

#include <cstring>

void ResetApp(App& app) {
    SetDefaultSettings(app.settings);
    app.state = AppState::Starting;
    app.repaintPending = 1;
    app.fullRepaint = 1;
    CopyCut(app.line1, sizeof app.line1, "起動中...");
    app.line2[0] = '\0';
    app.feeds.count = 0;
    app.navigationLock = 0;
    app.cycleBusy = 0;
    app.currentFeed = 0;
    app.currentArticle = 0;
    app.displayCounter = 0;
    app.articles.count = 0;
    app.tickCounter = 0;
    app.minuteCounter = 0;
    app.transparencyPending = 0;
    app.linkArticle = 0;
    app.scrollOffset = 0;
    app.dialogOpen = 0;
    app.cacheOnly = 0;
    app.schedule.count = 0;
    app.alertIndex = -1;
    app.clickHighlight = 0;
    app.pressCounter = 0;
    app.articlesToShow = 0;
    app.painter = PainterState{};
    app.gesture = GestureState{};
    app.document.Release();
}

int NextShownArticle(const App& app, int i) {
    int count = app.articles.count;
    if (count <= 0) return i;
    int j = (i >= count - 1) ? 0 : i + 1;
    while (!IsShownArticle(app, j)) {
        if (j == i) return i;
        j = (j >= count - 1) ? 0 : j + 1;
    }
    return j;
}

int PreviousShownArticle(const App& app, int i) {
    int count = app.articles.count;
    if (count <= 0) return i;
    int j = (i < 1) ? count - 1 : i - 1;
    while (!IsShownArticle(app, j)) {
        if (j == i) return i;
        j = (j <= 0) ? count - 1 : j - 1;
    }
    return j;
}

int FirstShownArticle(const App& app) { return NextShownArticle(app, PreviousShownArticle(app, 0)); }

void RecountShownArticles(App& app) {
    app.articlesToShow = 0;
    for (int i = 0; i < app.articles.count; ++i) {
        if (IsShownArticle(app, i)) {
            app.articlesToShow = 1;
            return;
        }
    }
}

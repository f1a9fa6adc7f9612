#include "app/app.h"

#include <cstring>

void ResetApp(App& app) {
    static_cast<AppRunState&>(app) = AppRunState{};
    SetDefaultSettings(app.settings);
    app.feeds.count = 0;
    app.articles.count = 0;
    app.schedule.count = 0;
    app.cycle.Cancel(app);
    app.incoming.count = 0;
    app.document.Release();
}

void DropStaleAlert(App& app) {
    if (app.alertIndex < 0 || app.alertChanges == app.schedule.changes) return;
    app.alertIndex = -1;
    app.repaintPending = true;
    app.platform.host.InvalidateTicker();
}

bool TakeSettingsHeldAtStart(App& app) {
    if (!TakeSettingsHeldAtStart(app.settings, ScreenInUnits(app.screen), app.platform)) return false;
    app.fullRepaint = true;
    app.repaintPending = true;
    app.transparencyPending = true;
    app.fontPending = true;
    app.platform.host.InvalidateTicker();
    return true;
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

bool AnyShownArticle(const App& app, const ArticleTable& table) {
    for (int i = 0; i < table.count; ++i) {
        if (IsShownDay(app, table.slot[i].day)) return true;
    }
    return false;
}

void RecountShownArticles(App& app) {
    app.articlesToShow = false;
    for (int i = 0; i < app.articles.count; ++i) {
        if (IsShownArticle(app, i)) {
            app.articlesToShow = true;
            return;
        }
    }
}

void ShowArticleOnLines(App& app, int index) {
    app.currentArticle = index;
    CopyCut(app.line1, sizeof app.line1, app.articles.slot[index].site);
    CopyCut(app.line2, sizeof app.line2, app.articles.slot[index].title);
    app.repaintPending = true;
}

const ArticleEntry* BandArticle(const App& app, int code) {
    if (code >= kBandCopyCode) {
        const int copy = code - kBandCopyCode;
        return copy < app.painter.copyCount ? &app.painter.copies[copy].entry : nullptr;
    }
    return code >= 0 && code < app.articles.count ? &app.articles.slot[code] : nullptr;
}

void AddNotice(App& app, const char* text, const char* title, MessageIcon icon) {
    app.notices.push_back(Notice{text, title, icon});
}

#include "display/ticker_painter.h"

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/cycle.h"
#include "feed/text.h"
#include "platform/screen_scale.h"

namespace {

Color BackColor(const AppSettings& s) { return MakeColor(s.backR, s.backG, s.backB); }
Color FrameColor(const AppSettings& s) { return MakeColor(s.rectR, s.rectG, s.rectB); }
Color Text1Color(const AppSettings& s) { return MakeColor(s.text1R, s.text1G, s.text1B); }
Color Text2Color(const AppSettings& s) { return MakeColor(s.text2R, s.text2G, s.text2B); }

// The settings' lengths are 96-dpi units; the back buffer is drawn in pixels of the screen.
int Px(const App& app, int units) { return ScaleToDpi(units, app.screen.dpi); }

bool AlertShown(const App& app) { return app.alertIndex >= 0 && app.alertIndex < app.schedule.count; }

void Draw(TickerCanvas& canvas, int x, int y, const char* text) {
    canvas.DrawText(x, y, text, static_cast<int>(strlen(text)));
}

int Width(TickerCanvas& canvas, const char* text) {
    return canvas.TextWidth(text, static_cast<int>(strlen(text)));
}

// The alert line alternates between text 2 on the back colour and the back colour on text 2.
void ApplyBlinkColour(App& app, TickerCanvas& canvas) {
    if (app.painter.blinkPhase == 1) {
        canvas.SetTextColor(BackColor(app.settings));
        app.painter.blinkPhase = 0;
    } else {
        canvas.SetTextColor(Text2Color(app.settings));
        app.painter.blinkPhase = 1;
    }
}

// "＜" + site name + "＞"; a name longer than 251 bytes is cut at a character boundary.
void FormatSiteMarker(const char* site, char* out, size_t size) {
    CopyCut(out, size, "＜");
    char name[252];
    CopyCut(name, sizeof name, site);
    AppendCut(out, size, name);
    AppendCut(out, size, "＞");
}

void DrawScrollingBand(App& app, TickerCanvas& canvas) {
    const AppSettings& s = app.settings;
    PainterState& painter = app.painter;
    int x;
    if (painter.firstItemEnd < 3) {
        // The first item has left the window: the band restarts one shown article later.
        app.currentArticle = NextShownArticle(app, app.currentArticle);
        app.scrollOffset = 0;
        painter.scrollBase = painter.firstItemEnd - Px(app, ((s.scrolldiv + 1) * s.fsize) / 12);
        x = painter.scrollBase;
    } else {
        x = painter.scrollBase + app.scrollOffset;
    }
    painter.hitCount = 0;
    int a = app.currentArticle;
    char marker[kSlotSize];
    const int width = Px(app, s.width), top = Px(app, 2);
    while (x < width) {
        const ArticleEntry& article = app.articles.slot[a];
        if (app.articles.count == 1 ||
            strcmp(article.site, app.articles.slot[PreviousShownArticle(app, a)].site) != 0) {
            FormatSiteMarker(article.site, marker, sizeof marker);
            canvas.SetTextColor(Text1Color(s));
            Draw(canvas, x, top, marker);
            x += Px(app, s.fsize / 2) + Width(canvas, marker);
        }
        if (app.clickHighlight && a == app.linkArticle) {
            canvas.SetTextColor(Text1Color(s));
            app.clickHighlight = false;
        } else {
            canvas.SetTextColor(Text2Color(s));
        }
        Draw(canvas, x, top, article.title);
        x += Width(canvas, article.title) + Px(app, 2 * s.fsize);
        // Every drawn item is recorded, so every item on screen can be clicked.
        if (painter.hitCount < kScrollHitCapacity) painter.hits[painter.hitCount++] = ScrollHit{x, a};
        if (painter.hitCount == 1) painter.firstItemEnd = x;
        a = NextShownArticle(app, a);
    }
}

void DrawScrollMode(App& app, TickerCanvas& canvas) {
    const AppSettings& s = app.settings;
    // What a click can hit is what this redraw draws: a redraw without the band (a status text, an
    // alert) leaves nothing clickable, never the items of an older article table.
    app.painter.hitCount = 0;
    canvas.SetTextColor(Text1Color(s));
    if (AlertShown(app)) {
        ApplyBlinkColour(app, canvas);
        char line[kSlotSize];
        FormatAlertLine(app, app.alertIndex, line, sizeof line);
        Draw(canvas, (Px(app, s.width) - Width(canvas, line)) / 2, Px(app, 2), line);
    } else if ((app.state == AppState::Showing || app.state == AppState::OpenLink) &&
               app.articles.count > 0 && app.articlesToShow) {
        DrawScrollingBand(app, canvas);
    } else {
        // A status text is drawn by exactly one redraw.
        Draw(canvas, Px(app, 3), Px(app, 2), app.line1);
        app.line1[0] = '\0';
    }
    canvas.DrawLine(FrameColor(s), 0, 0, 0, Px(app, s.fsize + 8));
}

void DrawPageMode(App& app, TickerCanvas& canvas) {
    const AppSettings& s = app.settings;
    canvas.SetTextColor(Text1Color(s));
    if (AlertShown(app)) {
        Draw(canvas, Px(app, 3), Px(app, 2), "スケジュール");  // the heading keeps text colour 1
        ApplyBlinkColour(app, canvas);
        char line[kSlotSize];
        FormatAlertLine(app, app.alertIndex, line, sizeof line);
        Draw(canvas, Px(app, 3), Px(app, s.fsize + 2), line);
    } else {
        Draw(canvas, Px(app, 3), Px(app, 2), app.line1);
        canvas.SetTextColor(Text2Color(s));
        Draw(canvas, Px(app, 3), Px(app, s.fsize + 2), app.line2);
    }
}

}  // namespace

void FormatAlertLine(const App& app, int task, char* out, int size) {
    const ScheduleEntry& entry = app.schedule.entry[task];
    char line[kSlotSize * 2];
    if (entry.weekday >= 0 && entry.weekday <= 6) {
        snprintf(line, sizeof line, "毎週 %s曜日 %d:%02d %s", kWeekdayNames[entry.weekday], entry.when.hour,
                 entry.when.minute, entry.text);
    } else {
        snprintf(line, sizeof line, "%d/%d %d:%02d %s", entry.when.month, entry.when.day, entry.when.hour,
                 entry.when.minute, entry.text);
    }
    CopyCut(out, static_cast<size_t>(size), line);
}

bool RedrawTicker(App& app, TickerCanvas& canvas) {
    DropStaleAlert(app);
    if (!app.repaintPending) return false;
    const AppSettings& s = app.settings;
    PainterState& painter = app.painter;
    if (!painter.scrollBaseTaken) {
        painter.scrollBase = Px(app, s.width);
        painter.scrollBaseTaken = true;
    }
    Color fill = (AlertShown(app) && painter.blinkPhase == 1) ? Text2Color(s) : BackColor(s);
    const int width = Px(app, s.width), height = Px(app, TickerHeight(s));
    if (app.fullRepaint) {
        TickerZOrder order = app.steppedBack ? TickerZOrder::KeepBehind
                             : s.wintop      ? TickerZOrder::Topmost
                                             : TickerZOrder::Foreground;
        canvas.ApplyShapeAndPlacement(Px(app, s.winX) - app.screen.frameX,
                                      Px(app, s.winY) - app.screen.frameY, width, height, order);
        app.fullRepaint = false;
    }
    canvas.FillAndOutline(fill, FrameColor(s), width - 2 * app.screen.frameX, height - 2 * app.screen.frameY);
    if (s.scrollf != 0) {
        DrawScrollMode(app, canvas);
    } else {
        DrawPageMode(app, canvas);
    }
    return true;
}

int ArticleAtX(const App& app, int x) {
    for (int i = 0; i < app.painter.hitCount; ++i) {
        if (app.painter.hits[i].endX >= x) return app.painter.hits[i].article;
    }
    return -1;
}

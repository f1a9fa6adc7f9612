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
// A pause from the keyboard is shown by the outline in the frame colour's opposite.
Color OutlineColor(const App& app) {
    const Color frame = FrameColor(app.settings);
    return app.hand.paused ? (~frame & 0xFFFFFF) : frame;
}

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

// The band's last item of the last redraw, and the article that came after it.
void LastItemAndNext(const App& app, ArticleEntry& last, ArticleEntry& next) {
    const PainterState& painter = app.painter;
    if (painter.hitCount <= 0) {
        last = app.articles.slot[app.currentArticle];
        next = app.articles.slot[NextShownArticle(app, app.currentArticle)];
        return;
    }
    const int code = painter.hits[painter.hitCount - 1].article;
    last = *BandArticle(app, code);
    if (code < kBandCopyCode) {
        next = app.articles.slot[NextShownArticle(app, code)];
        return;
    }
    const int copy = code - kBandCopyCode + 1;
    next = copy < painter.copyCount ? painter.copies[copy].entry : app.articles.slot[app.currentArticle];
}

}  // namespace

// A finished cycle's table takes its place without a jump: the items still on screen go on as
// copies, and the new table's articles follow them: those after the last item's place in the new
// table (new articles there come first), or the old table's next article, or the new table's
// first shown article.
void TakeTableIntoBand(App& app, bool firstItemLeft) {
    PainterState& painter = app.painter;
    ArticleEntry last, next;
    LastItemAndNext(app, last, next);
    int count = 0;
    // Copies move to the front in place: item k is the copy k or an article of the old table.
    for (int k = firstItemLeft ? 1 : 0; k < painter.hitCount && count < kBandCopyCapacity; ++k) {
        const ArticleEntry* article = BandArticle(app, painter.hits[k].article);
        if (!article) break;
        const ArticleEntry entry = *article;
        painter.copies[count].entry = entry;
        painter.copies[count].marker = painter.hits[k].marker;
        ++count;
    }
    painter.copyCount = count;
    TakeNewTable(app);
    app.currentArticle = ArticleAfterTheChange(app, count > 0 ? &last : nullptr, next);
}

// The band's first item has left the window: the next one leads.
void StepPastTheFirstItem(App& app) {
    PainterState& painter = app.painter;
    if (app.tablePending) {
        TakeTableIntoBand(app, true);
    } else if (painter.copyCount > 0) {
        --painter.copyCount;
        for (int k = 0; k < painter.copyCount; ++k) painter.copies[k] = painter.copies[k + 1];
    } else {
        app.currentArticle = NextShownArticle(app, app.currentArticle);
    }
}

namespace {

void DrawScrollingBand(App& app, TickerCanvas& canvas) {
    const AppSettings& s = app.settings;
    PainterState& painter = app.painter;
    int x;
    if (painter.firstItemEnd < 3) {
        // The first item has left the window: the band restarts one item later.
        StepPastTheFirstItem(app);
        app.scrollOffset = 0;
        painter.scrollBase = painter.firstItemEnd - Px(app, ((s.scrolldiv + 1) * s.fsize) / 12);
        x = painter.scrollBase;
    } else {
        x = painter.scrollBase + app.scrollOffset;
    }
    painter.hitCount = 0;
    int a = app.currentArticle;
    int copy = 0;
    char marker[kSlotSize];
    const int width = Px(app, s.width), top = Px(app, 2);
    while (x < width) {
        const ArticleEntry* article;
        int code;
        bool withMarker;
        if (copy < painter.copyCount) {
            article = &painter.copies[copy].entry;
            withMarker = painter.copies[copy].marker;
            code = kBandCopyCode + copy++;
        } else {
            // A new table without a shown article: only the copies are left to draw.
            if (!app.articlesToShow || app.articles.count <= 0) break;
            article = &app.articles.slot[a];
            withMarker = app.articles.count == 1 ||
                         strcmp(article->site, app.articles.slot[PreviousShownArticle(app, a)].site) != 0;
            code = a;
            a = NextShownArticle(app, a);
        }
        if (withMarker) {
            FormatSiteMarker(article->site, marker, sizeof marker);
            canvas.SetTextColor(Text1Color(s));
            Draw(canvas, x, top, marker);
            x += Px(app, s.fsize / 2) + Width(canvas, marker);
        }
        if (app.clickHighlight && code == app.linkArticle) {
            canvas.SetTextColor(Text1Color(s));
            app.clickHighlight = false;
        } else {
            canvas.SetTextColor(Text2Color(s));
        }
        Draw(canvas, x, top, article->title);
        x += Width(canvas, article->title) + Px(app, 2 * s.fsize);
        // Every drawn item is recorded, so every item on screen can be clicked.
        if (painter.hitCount < kScrollHitCapacity)
            painter.hits[painter.hitCount++] = ScrollHit{x, code, withMarker};
        if (painter.hitCount == 1) painter.firstItemEnd = x;
    }
}

void DrawScrollMode(App& app, TickerCanvas& canvas) {
    const AppSettings& s = app.settings;
    // What a click can hit is what this redraw draws: a redraw without the band (a status text, an
    // alert) leaves nothing clickable, never the items of an older article table. The band's own
    // redraw still reads the last one's items (what was on screen) before it records its own.
    canvas.SetTextColor(Text1Color(s));
    // An update asked for (BeginCycle until the next tick) leaves the band where it is.
    const bool band = !AlertShown(app) &&
                      (app.state == AppState::Showing || app.state == AppState::OpenLink ||
                       app.state == AppState::BeginCycle) &&
                      app.articles.count > 0 && app.articlesToShow;
    if (!band) app.painter.hitCount = 0;
    if (AlertShown(app)) {
        ApplyBlinkColour(app, canvas);
        char line[kSlotSize];
        FormatAlertLine(app, app.alertIndex, line, sizeof line);
        Draw(canvas, (Px(app, s.width) - Width(canvas, line)) / 2, Px(app, 2), line);
    } else if (band) {
        DrawScrollingBand(app, canvas);
    } else {
        // A status text is drawn by exactly one redraw.
        Draw(canvas, Px(app, 3), Px(app, 2), app.line1);
        app.line1[0] = '\0';
    }
    canvas.DrawLine(OutlineColor(app), 0, 0, 0, Px(app, s.fsize + 8));
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
    canvas.FillAndOutline(fill, OutlineColor(app), width - 2 * app.screen.frameX,
                          height - 2 * app.screen.frameY);
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

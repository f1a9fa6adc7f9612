#include "display/ticker_tip.h"

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "display/ticker_keys.h"
#include "feed/day_number.h"
#include "net/links.h"
#include "net/url.h"

namespace {

// Where the link leads, as the tip says it.
void FormatDestination(const char* link, char* out, size_t size) {
    if (link[0] == '\0') {
        CopyCut(out, size, "リンクなし");
        return;
    }
    UrlParts parts;
    const bool split = SplitUrl(link, parts);
    char host[kSlotSize] = "";
    if (split) {
        CopyCut(host, sizeof host, parts.host.c_str());
        const uint16_t usual = parts.secure ? kHttpsPort : kHttpPort;
        if (parts.port != usual) {
            char port[8];
            snprintf(port, sizeof port, ":%u", static_cast<unsigned>(parts.port));
            AppendCut(host, sizeof host, port);
        }
    }
    // The same test as the click: what it would refuse, the tip calls so beforehand.
    char shellLink[kShellLinkSize];
    if (split && PrepareLinkForShell(link, shellLink, sizeof shellLink)) {
        CopyCut(out, size, host);
        return;
    }
    CopyCut(out, size, "開けないリンク（安全でない形式）");
    if (host[0]) {
        AppendCut(out, size, " ");
        AppendCut(out, size, host);
    }
}

bool TipArticle(const App& app, char* text, size_t size) {
    const ArticleEntry* article = BandArticle(app, HeadlineAt(app, app.hand.tip.x));
    if (!article) return false;
    FormatTip(*article, text, size);
    return true;
}

}  // namespace

void FormatTip(const ArticleEntry& article, char* out, size_t size) {
    const CalendarDate date = DateOfDayNumber(article.day);
    char when[16];
    snprintf(when, sizeof when, "  %04d/%02d/%02d", date.year, date.month, date.day);
    char where[kSlotSize + 64];
    FormatDestination(article.link, where, sizeof where);
    CopyCut(out, size, article.title);
    AppendCut(out, size, "\r\n");
    AppendCut(out, size, article.site);
    AppendCut(out, size, when);
    AppendCut(out, size, "\r\n");
    AppendCut(out, size, where);
}

void TipPointerMoved(App& app, int x) {
    TipState& tip = app.hand.tip;
    tip.pointerIn = true;
    // The system repeats the last position when windows change under a resting pointer (a menu
    // closing): only a real move brings the tip back after a press.
    if (x == tip.x) return;
    tip.armed = true;
    tip.restTicks = 0;
    tip.x = x;
}

void TipPointerLeft(App& app) { app.hand.tip.pointerIn = false; }

// A press (a click, a drag, the menu) puts the tip away until the pointer moves again.
void TipPointerPressed(App& app) {
    app.hand.tip.armed = false;
    app.hand.tip.restTicks = 0;
}

bool UpdateTip(App& app) {
    TipState& tip = app.hand.tip;
    char text[kTipTextSize];
    // Not over a dialog that a menu command just opened.
    bool wanted = tip.pointerIn && tip.armed && !app.dialogOpen;
    if (wanted && !tip.shown && ++tip.restTicks < kTipRestTicks) wanted = false;
    // Shown, it follows the headline under the pointer as the band moves or the page turns.
    if (wanted) wanted = TipArticle(app, text, sizeof text);
    if (!wanted) {
        if (!tip.shown) return false;
        tip.shown = false;
        return true;
    }
    if (tip.shown && strcmp(text, tip.text) == 0) return false;
    CopyCut(tip.text, sizeof tip.text, text);
    tip.shown = true;
    return true;
}

#include "display/ticker_reader.h"

#include <cstring>

#include "app/app.h"
#include "display/ticker_keys.h"
#include "display/ticker_painter.h"
#include "feed/text.h"

void FormatAccessibleName(const App& app, char* out, size_t size) {
    if (app.alertIndex >= 0 && app.alertIndex < app.schedule.count) {
        char line[kSlotSize];
        FormatAlertLine(app, app.alertIndex, line, sizeof line);
        CopyCut(out, size, "スケジュール: ");
        AppendCut(out, size, line);
        return;
    }
    const ArticleEntry* article = BandArticle(app, LeadingHeadline(app));
    if (!article) {
        CopyCut(out, size, app.trayTip[0] ? app.trayTip : "Newsroller");
        return;
    }
    CopyCut(out, size, article->site);
    AppendCut(out, size, ": ");
    AppendCut(out, size, article->title);
}

bool NameChangeDue(App& app) {
    ReaderState& reader = app.hand.reader;
    if (reader.ticksSinceEvent < kTicksBetweenNameEvents) ++reader.ticksSinceEvent;
    if (reader.ticksSinceEvent < kTicksBetweenNameEvents) return false;
    char name[kAccessibleNameSize];
    FormatAccessibleName(app, name, sizeof name);
    if (strcmp(name, reader.announced) == 0) return false;
    CopyCut(reader.announced, sizeof reader.announced, name);
    reader.ticksSinceEvent = 0;
    return true;
}

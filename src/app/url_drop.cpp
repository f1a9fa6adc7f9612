#include "app/url_drop.h"

#include <cstring>

#include "app/app.h"
#include "app/settings_dialog.h"
#include "config/settings_form.h"
#include "feed/scan.h"
#include "net/document_buffer.h"
#include "net/service_hosts.h"

uint32_t AcceptedDropEffect(DropFormat format) {
    switch (format) {
        case DropFormat::Text:
            return kDropEffectCopy | kDropEffectLink;
        case DropFormat::Files:
            return kDropEffectCopy;
        case DropFormat::None:
            break;
    }
    return kDropEffectNone;
}

bool DropAllowed(App& app, bool dialogBusy) {
    if (CycleIdle(app) && !dialogBusy) return true;
    ShowBusyMessage(app.platform.messages);
    return false;
}

void ImportDroppedDocument(SettingsForm& form, TextView document, ImportRunner& runner) {
    const int before = form.feeds.count;
    runner.RunImport(document);
    if (form.feeds.count > before) form.listChanged = true;
}

std::string WithUtf8Request(const char* url) {
    std::string result = url;
    const size_t length = result.size();
    if (strncmp(url, kBlogSearchBase, strlen(kBlogSearchBase)) != 0) return result;
    if (length >= 9 && (EqualsIgnoringAsciiCase(url + length - 9, "&ie=UTF-8") ||
                        EqualsIgnoringAsciiCase(url + length - 9, "&ie=UTF_8"))) {
        return result;
    }
    if (length + 10 < kSlotSize) result += "&ie=UTF-8";
    return result;
}

TextDrop DropText(App& app, SettingsForm& form, const char* text, ImportRunner& runner) {
    TextDrop drop;
    if (strlen(text) + 1 > kSlotSize) {
        app.platform.messages.Show("URLが長すぎます。", "文字数超過", MessageIcon::Warning);
        return drop;
    }
    drop.url = WithUtf8Request(text);
    DocumentBuffer document;
    WholeFetch fetch = FetchWholeDocument(app, drop.url.c_str(), document);
    if (fetch.result != kFetchOk) {
        drop.outcome = TextDrop::Outcome::Failed;
        return drop;
    }
    int cursor = 0;
    if (FindOpenTagInDocument("opml", cursor, document.view()) == kFound) {
        drop.outcome = TextDrop::Outcome::Imported;
        ImportDroppedDocument(form, document.view(), runner);
        return drop;
    }
    drop.outcome = TextDrop::Outcome::Feed;
    drop.count = CountAndKeepFeed(app, drop.url.c_str(), document, fetch.asked, drop.site, sizeof drop.site);
    return drop;
}

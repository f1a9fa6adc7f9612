#include "app/url_drop.h"

#include <cstring>

#include "app/app.h"
#include "app/settings_dialog.h"
#include "config/settings_form.h"
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

bool DroppedAddressFits(App& app, const char* text) {
    if (strlen(text) + 1 <= kSlotSize) return true;
    app.platform.messages.Show("URLが長すぎます。", "文字数超過", MessageIcon::Warning);
    return false;
}

#include "app/settings_dialog.h"

#include <cstring>

#include "app/app.h"
#include "app/cycle.h"
#include "app/ticker_window.h"
#include "config/feed_title.h"
#include "config/opml_export.h"
#include "net/cache.h"
#include "net/conditional_header.h"

namespace {

void ApplyOpacityNow(App& app) {
    app.transparencyPending = false;
    app.platform.host.ApplyOpacity(static_cast<uint8_t>(app.settings.toumeido - 45));
}

// The display applies a pending opacity at its own pace, but only while it shows articles; with
// nothing to show (or during a cycle) the change is made at once, so that it is seen.
void RequestOpacity(App& app) {
    app.transparencyPending = true;
    if (app.state != AppState::Showing) ApplyOpacityNow(app);
}

}  // namespace

bool CycleIdle(const App& app) {
    // An update cycle runs beside the display and needs no wait: only a running tick (a message box
    // of it is up) or the program's end stand in the way.
    return (DisplayIdle(app) || app.state == AppState::Fetching) && !app.cycleBusy;
}

void OpenSettingsForm(App& app, SettingsForm& form) {
    BeginSettingsForm(form, app.settings);
    app.previewingForm = &form;
    if (LoadFeedList(form.feeds, app.today, app.platform) != 0) form.feeds.count = 0;
}

int CountAndKeepFeed(App& app, const char* url, const DocumentBuffer& document, int64_t asked, char* site,
                     size_t size) {
    int count = LookupFeedTitle(document.view(), site, size);
    if (count < 1) return 0;
    app.platform.files.CreateFolder(kCacheFolderName);
    // Dated as the cycle dates a fetched copy: as the server dated it, or when it was asked for.
    WriteCacheFile(document, url, document.lastModified() > 0 ? document.lastModified() : asked,
                   app.platform);
    return count;
}

void PreviewSpeed(App& app, const SettingsForm& form, int shownSpeed) {
    app.settings.disptimer = LiveDisptimer(form, shownSpeed);
}

void PreviewStep(App& app, const SettingsForm& form, int shownStep) {
    app.settings.scrolldiv = LiveScrolldiv(form, shownStep);
}

void PreviewTransparency(App& app, const SettingsForm& form, int shownTransparency) {
    app.settings.toumeido = LiveToumeido(form, shownTransparency);
    RequestOpacity(app);
}

void CancelSettings(App& app, const SettingsForm& form) {
    if (app.previewingForm != &form) return;
    app.previewingForm = nullptr;
    RestorePreviewedSettings(form, app.settings);
    RequestOpacity(app);
    app.repaintPending = true;
    app.dialogOpen = false;
}

AppSettings SettingsWithoutPreviews(const App& app) {
    AppSettings stored = app.settings;
    if (app.previewingForm) RestorePreviewedSettings(*app.previewingForm, stored);
    return stored;
}

bool BeginSettingsOk(App& app, const SettingsForm& form, const OkFields& fields, AppSettings& chosen) {
    if (CheckSettingsOk(form, CycleIdle(app), app.platform.messages) != OkCheck::Proceed) return false;
    chosen = app.settings;
    ReadSettingsOk(form, fields, chosen, ScreenInUnits(app.screen), app.platform.messages);
    return true;
}

bool FinishSettingsOk(App& app, const SettingsForm& form, const AppSettings& chosen) {
    const AfterOk next = NextStepAfterOk(form.listChanged, CycleIdle(app));
    if (SaveSettings(chosen, app.platform) != kWritten) return false;
    // An edited list that could not be written would be lost with the dialog: it stays open, the
    // running cycle keeps the list it has, and the settings file goes back to the running values.
    if (next == AfterOk::CacheOnlyCycle && SaveFeedList(form.feeds, app.platform) != kWritten) {
        (void)SaveSettings(SettingsWithoutPreviews(app), app.platform);
        return false;
    }
    app.previewingForm = nullptr;
    app.settings = chosen;
    if (app.settings.scrollf == 0) {
        app.line1[0] = '\0';
        app.line2[0] = '\0';
    }
    app.fullRepaint = true;
    app.repaintPending = true;
    switch (next) {
        case AfterOk::CacheOnlyCycle:
            // A cycle over the old list is given up; a network cycle follows the cache-only one.
            if (app.cycle.running()) {
                if (app.cycle.kind() == CycleKind::Network) app.networkCycleOwed = true;
                app.cycle.Cancel(app);
            }
            app.feeds.count = form.feeds.count;
            for (int i = 0; i < form.feeds.count; ++i) {
                memcpy(app.feeds.site[i], form.feeds.site[i], kSlotSize);
                memcpy(app.feeds.url[i], form.feeds.url[i], kSlotSize);
                app.feeds.maximum[i] = form.feeds.maximum[i];
            }
            app.cacheOnly = true;
            app.state = AppState::BeginCycle;
            break;
        case AfterOk::Recount:
            app.state = AppState::Recount;
            break;
        case AfterOk::Nothing:
            break;
    }
    app.dialogOpen = false;
    return true;
}

void SaveOpmlFromSettings(App& app, const SettingsForm& form) {
    MessageBoxes& messages = app.platform.messages;
    if (!DisplayIdle(app)) {
        ShowBusyMessage(messages);
        return;
    }
    if (form.feeds.count <= 0) {
        messages.Show("RSSは１件も登録されていません。", "OPML", MessageIcon::Information);
        return;
    }
    if (ExportOpml(form.feeds, app.platform) == 0) {
        messages.Show("Newsroller.opmlに保存しました。", "OPML", MessageIcon::Information);
    }
}

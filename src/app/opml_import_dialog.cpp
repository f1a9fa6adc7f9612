#include "app/opml_import_dialog.h"

#include "app/app.h"
#include "app/settings_dialog.h"
#include "config/settings_form.h"
#include "net/document_buffer.h"

ImportSession::ImportSession(App& app, SettingsForm& form, TextView document)
    : app_(app), form_(form), import_(document) {}

ImportTick ImportSession::Tick(ImportView& view) {
    if (tickBusy_) return ImportTick::Ignored;
    // Only one fetch may wait at a time: while a cycle fetches, the next outline waits (the stop
    // at 100 feeds and an abort need no fetch and go on).
    if (!import_.aborted() && form_.feeds.count < kMaxUserFeeds && !CycleIdle(app_))
        return ImportTick::Waiting;
    tickBusy_ = true;
    const OpmlImport::Step step = import_.Take(form_.feeds);
    ImportTick result = ImportTick::Continue;
    if (step.progress != ProgressMove::None) view.MoveProgress(step.progress);
    switch (step.outcome) {
        case OpmlImport::Outcome::Full:
            app_.platform.messages.Show(kImportFullMessage, "件数超過", MessageIcon::Warning);
            result = ImportTick::Finished;
            break;
        case OpmlImport::Outcome::Finished:
            result = ImportTick::Finished;
            break;
        case OpmlImport::Outcome::AlreadyRegistered:
            view.ShowOutline(import_.site(), import_.url());
            break;
        case OpmlImport::Outcome::Added: {
            view.ShowOutline(import_.site(), import_.url());
            const int added = step.added;
            DocumentBuffer document;
            WholeFetch fetch = FetchWholeDocument(app_, form_.feeds.url[added], document);
            int count = 0;
            if (fetch.result == kFetchOk) {
                // Only the item count matters: the site name stays the one from the list.
                char title[kSlotSize];
                count = CountAndKeepFeed(app_, form_.feeds.url[added], document, fetch.asked, title,
                                         sizeof title);
            }
            form_.feeds.maximum[added] = count;
            form_.selection = added;
            view.ShowAddedFeed(added);
            break;
        }
        case OpmlImport::Outcome::Skipped:
            break;
    }
    tickBusy_ = false;
    return result;
}

#include "app/opml_import_dialog.h"

#include "app/app.h"
#include "app/settings_dialog.h"
#include "config/settings_form.h"
#include "net/conditional_header.h"
#include "net/document_buffer.h"

ImportSession::ImportSession(App& app, SettingsForm& form, TextView document)
    : app_(app), form_(form), import_(document) {}

ImportSession::~ImportSession() {
    if (request_ != 0) app_.platform.fetcher.Cancel(request_);
}

bool ImportSession::TakeAnswer(ImportView& view) {
    Fetcher& fetcher = app_.platform.fetcher;
    FetchAnswer answer;
    DocumentBuffer document;
    fetcher.Advance();
    if (!fetcher.Take(request_, answer, document)) return false;
    request_ = 0;
    int count = 0;
    if (answer.result == kFetchOk) {
        document.SetLastModified(answer.lastModified);
        // Only the item count matters: the site name stays the one from the list.
        char title[kSlotSize];
        count = CountAndKeepFeed(app_, form_.feeds.url[requestFeed_], document, asked_, title, sizeof title);
    }
    form_.feeds.maximum[requestFeed_] = count;
    form_.selection = requestFeed_;
    view.ShowAddedFeed(requestFeed_);
    return true;
}

ImportTick ImportSession::Tick(ImportView& view) {
    if (tickBusy_) return ImportTick::Ignored;
    if (request_ != 0) {
        if (import_.aborted()) {
            // What was added stays, with the maximum of a feed whose fetch failed.
            app_.platform.fetcher.Cancel(request_);
            request_ = 0;
            view.ShowAddedFeed(requestFeed_);
        } else if (!TakeAnswer(view)) {
            return ImportTick::Waiting;
        }
    }
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
            requestFeed_ = step.added;
            form_.feeds.maximum[requestFeed_] = 0;
            form_.selection = requestFeed_;
            asked_ = UtcSecondsNow(app_.platform.clock);
            request_ = app_.platform.fetcher.Start(form_.feeds.url[requestFeed_], kUnconditionalHeader);
            // An answer that is there at once is taken at once; one that could not be asked for is
            // a failed fetch.
            if (request_ == 0) {
                view.ShowAddedFeed(requestFeed_);
            } else {
                TakeAnswer(view);
            }
            break;
        }
        case OpmlImport::Outcome::Skipped:
            break;
    }
    tickBusy_ = false;
    return result;
}

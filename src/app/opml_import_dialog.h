#pragma once
// The OPML import dialog's work apart from its window: one outline per timer tick over the settings
// dialog's copy of the feed list, each new feed fetched once to learn how many items it carries.
// The dialog window (opml_import_dialog_win.cpp) shows the progress and the abort button; the
// settings dialog shows the outlines and the added feeds.
#include <cstdint>

#include "config/opml_import.h"
#include "platform/platform.h"

struct App;
struct SettingsForm;

// What the windows show of an import as it goes.
class ImportView {
  public:
    virtual ~ImportView() = default;
    virtual void MoveProgress(ProgressMove move) = 0;
    // An outline with an address, registered or not: the site-name and URL fields show it.
    virtual void ShowOutline(const char* site, const char* url) = 0;
    // The form's feed at `index` was added: its maximum, its list line (selected) and the total.
    virtual void ShowAddedFeed(int index) = 0;
};

enum class ImportTick {
    Ignored,   // a tick is still running (a message box of it is up): this one does nothing
    Waiting,   // the new feed's answer has not come yet: the next outline waits for a later tick
    Continue,  // one outline was taken
    Finished,  // the dialog ends
};

class ImportSession {
  public:
    // Copies the document; the settings dialog's form receives the new feeds.
    ImportSession(App& app, SettingsForm& form, TextView document);
    // A request still in flight is given up.
    ~ImportSession();
    ImportSession(const ImportSession&) = delete;
    ImportSession& operator=(const ImportSession&) = delete;

    // A document without any "<outline": the dialog ends at once and nothing happens.
    bool nothingToImport() const { return import_.outlineTotal() == 0; }
    int outlineTotal() const { return import_.outlineTotal(); }

    // One timer tick. A new feed is appended to the form's list (and selected) and asked for with
    // the unconditional header; the ticks after it wait for the answer, which gives the feed its item
    // count as maximum (0 when the fetch fails or it has no items); a feed with items is kept in the
    // cache. At 100 feeds the 100-site message ends the import.
    ImportTick Tick(ImportView& view);
    // "中断": the next tick ends the dialog; a feed still being asked for keeps the maximum 0.
    void Abort() { import_.Abort(); }

  private:
    // Takes the answer for the feed added last, when it has come.
    bool TakeAnswer(ImportView& view);

    App& app_;
    SettingsForm& form_;
    OpmlImport import_;
    bool tickBusy_ = false;
    FetchId request_ = 0;  // the feed added last is being asked for
    int requestFeed_ = -1;
    int64_t asked_ = 0;
};

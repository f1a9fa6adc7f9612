#pragma once
// What the settings dialog does with things dropped onto it: the cursor effect for each dragged
// format, the busy rule, a dropped address (a feed fills the site-name, URL and maximum fields, an
// OPML list is imported) and dropped OPML files (imported in turn). The drop target and the dialog
// window are in *_win.cpp.
#include <cstdint>
#include <string>

#include "feed/text.h"
#include "platform/drop_effect.h"

struct App;
struct SettingsForm;

enum class DropFormat { None, Text, Files };

// The effects the dialog accepts for a drag of this format: copy or link for text, copy for a file
// list, none for anything else.
uint32_t AcceptedDropEffect(DropFormat format);

// A drop is handled only while the update cycle is idle and the dialog is not busy with another
// drop; otherwise the busy message is shown and nothing changes.
bool DropAllowed(App& app, bool dialogBusy);

// Runs the import dialog over an OPML document; the dialog window supplies it.
class ImportRunner {
  public:
    virtual ~ImportRunner() = default;
    virtual void RunImport(TextView document) = 0;
};

// An OPML document that was dropped or fetched: imported, and the list marked changed when the
// import added feeds. A document without any "<outline" changes nothing.
void ImportDroppedDocument(SettingsForm& form, TextView document, ImportRunner& runner);

// "&ie=UTF-8" appended to an address of the blog-search service that does not end in it (or in
// "&ie=UTF_8", in any case), while the result stays below 256 bytes.
std::string WithUtf8Request(const char* url);

struct TextDrop {
    enum class Outcome {
        TooLong,   // 256 bytes or more: the "URLが長すぎます。" message, the fields unchanged
        Failed,    // the fetch failed: the site-name field is emptied
        Feed,      // a feed: `site` and `count` go into the site-name and maximum fields
        Imported,  // an OPML list: the import dialog ran over it
    };
    Outcome outcome = Outcome::TooLong;
    std::string url;  // for the URL field, unless TooLong
    char site[kSlotSize] = {};
    int count = 0;
};
// A dropped text (Shift_JIS) taken as an address: fetched whole; an OPML document is imported, a
// feed is looked up (its site name and item count, a copy kept when it has items).
TextDrop DropText(App& app, SettingsForm& form, const char* text, ImportRunner& runner);

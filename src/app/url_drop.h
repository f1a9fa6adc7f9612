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

// A dropped text (Shift_JIS) is taken as an address only when it fits a slot; a longer one shows the
// "URLが長すぎます。" message.
bool DroppedAddressFits(App& app, const char* text);

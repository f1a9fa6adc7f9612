#pragma once
// What the settings dialog does to the running program: it opens on a copy of the feed list, looks
// up a feed's site name, previews speed, step and transparency on the ticker, and on OK saves the
// settings and the list and tells the update cycle what to do next. The dialog window itself is in
// settings_dialog_win.cpp; its decisions are in config/settings_form.h.
#include <cstddef>
#include <cstdint>

#include "config/settings_form.h"
#include "feed/text.h"
#include "platform/platform.h"

struct App;
class DocumentBuffer;

// Showing or NothingToShow, with no tick running: no fetch is waiting and the feed table is not in use.
bool CycleIdle(const App& app);

// Opening: the working values, and the dialog's copy of the feed list read from the file (empty when
// it cannot be read). Until OK or Cancel the form's previews are in force (App::previewingForm).
void OpenSettingsForm(App& app, SettingsForm& form);

// A fetched feed's site name and its item count (0 without items); a feed with items is kept as the
// URL's cache copy.
int CountAndKeepFeed(App& app, const char* url, const DocumentBuffer& document, int64_t asked, char* site,
                     size_t size);

// Previewed on the ticker while the dialog is open; Cancel takes them back.
void PreviewSpeed(App& app, const SettingsForm& form, int shownSpeed);
void PreviewStep(App& app, const SettingsForm& form, int shownStep);
void PreviewTransparency(App& app, const SettingsForm& form, int shownTransparency);
// Cancel, and every other way the dialog goes without OK (the ticker closing with it among them):
// the previewed values go back to those at opening. Does nothing once OK or Cancel has been taken.
void CancelSettings(App& app, const SettingsForm& form);
// The running settings as the file keeps them: with the values at opening in place of any previews.
AppSettings SettingsWithoutPreviews(const App& app);

// OK before the new ticker font is made: false when the dialog stays open (busy, or too many
// articles); otherwise `chosen` holds the running settings with the dialog's values. The running
// settings are not touched yet.
bool BeginSettingsOk(App& app, const SettingsForm& form, const OkFields& fields, AppSettings& chosen);
// OK after the font: writes the chosen settings and an edited list, and only when both are written
// does the program take them and start a cycle over the cached documents or a recount. False when
// either could not be written (the writer has said why): nothing has changed, in memory or on disk,
// and the dialog stays open with the user's edits.
bool FinishSettingsOk(App& app, const SettingsForm& form, const AppSettings& chosen);

// "OPML保存": the dialog's list as Newsroller.opml.
void SaveOpmlFromSettings(App& app, const SettingsForm& form);

#pragma once
// The OPML import dialog (IDD_OPML_IMPORT): modal, owned by the settings dialog, one outline per
// 100 ms timer tick with a progress bar and "中断". What it adds goes into the settings dialog's
// form and is shown through the settings dialog's view.
#include <windows.h>

#include "app/opml_import_dialog.h"

class Win32MessageBoxes;

constexpr UINT_PTR kImportTimer = 2;
constexpr UINT kImportTickMilliseconds = 100;

// Runs the dialog over `document` until the import ends; returns at once, without showing it, when
// the document has no outline. `owner` (the settings dialog) owns the message boxes again afterwards.
void RunOpmlImportDialog(HINSTANCE instance, HWND owner, App& app, SettingsForm& form,
                         Win32MessageBoxes& messages, ImportView& settingsView, TextView document);

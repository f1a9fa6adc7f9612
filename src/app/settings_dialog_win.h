#pragma once
// The settings dialog (IDD_SETTINGS), modeless, owned by the ticker window. Its procedure reads the
// controls, calls the portable decisions (config/settings_form.h, app/settings_dialog.h) and writes
// the controls; the font list, the colour preview and the ticker font are made here.
class TickerWindow;

// The menu command "設定": sets the dialog-open flag, takes the window position when it is to be
// remembered, and creates the dialog as the modeless dialog that keyboard messages go through.
void OpenSettingsDialog(TickerWindow& ticker);

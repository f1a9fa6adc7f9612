#pragma once
// The About dialog (resource 123): the icon, the version, a button that opens the distributor's
// web page (the guide beside the exe when the build names no page) and "閉じる". Modal; the
// dialog-open flag is set while it runs.
class TickerWindow;

void RunAboutDialog(TickerWindow& ticker);

#include "app/about_dialog_win.h"

#include "app/distributor_page.h"
#include "app/ticker_window_win.h"
#include "platform/platform_win.h"
#include "res/resource.h"
#include "res/version.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE;  // the focus is set
    }
    auto* ticker = reinterpret_cast<TickerWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message != WM_COMMAND || !ticker) return FALSE;
    // Only the two buttons act: Escape and the close command leave the dialog open.
    switch (LOWORD(wParam)) {
        case IDOK:
            ticker->app().dialogOpen = false;
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_ABOUT_OPEN_SITE: {
            // A message about a missing guide belongs to the dialog.
            ScopedMessageOwner owner(ticker->messageBoxes(), dialog);
            OpenDistributorPage(ticker->app(), NEWSROLLER_DISTRIBUTOR_PAGE);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

void RunAboutDialog(TickerWindow& ticker) {
    App& app = ticker.app();
    app.dialogOpen = true;
    INT_PTR result = DialogBoxParamW(ticker.instance(), MAKEINTRESOURCEW(IDD_ABOUT), ticker.window(),
                                     AboutProc, reinterpret_cast<LPARAM>(&ticker));
    // A dialog that could not be created must not leave the ticker blocked for good.
    if (result == -1) app.dialogOpen = false;
}

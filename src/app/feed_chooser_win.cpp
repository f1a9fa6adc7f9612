#include "app/feed_chooser_win.h"

#include <string>

#include "app/site_lookup.h"
#include "platform/wide_win.h"
#include "res/resource.h"

namespace {

struct Chooser {
    const std::vector<FeedLink>* links;
    int chosen;
};

void FillList(HWND dialog, const std::vector<FeedLink>& links) {
    HWND list = GetDlgItem(dialog, IDC_CHOOSER_LIST);
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const FeedLink& link : links) {
        const std::wstring line = Cp932ToWide(ChooserLine(link).c_str());
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SIZE size = {};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        if (size.cx > widest) widest = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    // Long addresses can be scrolled to; a few pixels beyond the text keep its end clear of the frame.
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
    SendMessageW(list, LB_SETCURSEL, 0, 0);
}

INT_PTR CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* chooser = reinterpret_cast<Chooser*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            chooser = reinterpret_cast<Chooser*>(lParam);
            FillList(dialog, *chooser->links);
            SetFocus(GetDlgItem(dialog, IDC_CHOOSER_LIST));
            return FALSE;  // the focus is set
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const bool doubleClick = id == IDC_CHOOSER_LIST && HIWORD(wParam) == LBN_DBLCLK;
            if (id == IDOK || doubleClick) {
                chooser->chosen =
                    static_cast<int>(SendDlgItemMessageW(dialog, IDC_CHOOSER_LIST, LB_GETCURSEL, 0, 0));
                EndDialog(dialog, IDOK);
            } else if (id == IDCANCEL) {
                chooser->chosen = -1;
                EndDialog(dialog, IDCANCEL);
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

int RunFeedChooser(HINSTANCE instance, HWND owner, const std::vector<FeedLink>& links) {
    Chooser chooser{&links, -1};
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FEED_CHOOSER), owner, ChooserProc,
                                           reinterpret_cast<LPARAM>(&chooser));
    return result == IDOK ? chooser.chosen : -1;
}

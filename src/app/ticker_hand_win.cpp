#include "app/ticker_hand_win.h"

#include "app/ticker_tip_win.h"
#include "app/ticker_window.h"
#include "app/ticker_window_win.h"
#include "display/ticker_keys.h"
#include "display/ticker_reader.h"
#include "display/ticker_tip.h"

TickerHand::~TickerHand() {
    if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
}

bool TickerHand::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    App& app = ticker_.app();
    switch (message) {
        case WM_MOUSEMOVE:
            // With a button held the window is about to be dragged: no tip.
            if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
                TipPointerPressed(app);
            } else {
                TipPointerMoved(app, static_cast<short>(LOWORD(lParam)));
            }
            return false;
        case WM_MOUSELEAVE:
            TipPointerLeft(app);
            RefreshTip();
            return false;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            TipPointerPressed(app);
            RefreshTip();
            return false;
        case WM_TIMER:
            if (wParam == kTickTimer) EveryTimerMessage();
            return false;
        case WM_MOUSEWHEEL:
            OnWheel(wParam, lParam);
            result = 0;
            return true;
        case WM_SYSKEYDOWN:
            // Of the system keys only Shift+F10: Alt+Space, Alt+F4 and the others keep their meaning.
            if (wParam != VK_F10) return false;
            [[fallthrough]];
        case WM_KEYDOWN:
            if (!OnKeyDown(wParam, lParam)) return false;
            result = 0;
            return true;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            // The release of a key that opened the menu: the default handling would open it again
            // (the menu key) or enter the system menu (F10).
            if (!menuKeyDown_ || (wParam != VK_APPS && wParam != VK_F10)) return false;
            menuKeyDown_ = false;
            result = 0;
            return true;
        case WM_CONTEXTMENU:
            // From the keyboard the position is (-1, -1); a right click opens the menu on its own.
            if (lParam != -1) return false;
            MenuFromKeyboard();
            result = 0;
            return true;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && lParam) activeBefore_ = reinterpret_cast<HWND>(lParam);
            return false;
        case WM_GETOBJECT:
            if (static_cast<LONG>(lParam) != OBJID_CLIENT) return false;
            result = reader_.Answer(ticker_.window(), app, wParam);
            return result != 0;
        case WM_DESTROY:
            reader_.Disconnect();
            if (tip_) DestroyWindow(tip_);
            tip_ = nullptr;
            return false;
        default:
            return false;
    }
}

void TickerHand::EveryTimerMessage() {
    App& app = ticker_.app();
    if (UpdateTip(app)) RefreshTip();
    if (NameChangeDue(app))
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, ticker_.window(), OBJID_CLIENT, CHILDID_SELF);
}

void TickerHand::RefreshTip() {
    const TipState& state = ticker_.app().hand.tip;
    if (!state.shown) {
        HideTipWindow(tip_);
        return;
    }
    if (!tip_) tip_ = CreateTipWindow(ticker_.instance(), ticker_.window(), ticker_.app().screen.dpi);
    if (!tip_) return;
    RECT band = {};
    GetWindowRect(ticker_.window(), &band);
    POINT at = {};
    GetCursorPos(&at);
    ShowTipWindow(tip_, state.text, at, band.top, band.bottom);
}

void TickerHand::OnWheel(WPARAM wParam, LPARAM lParam) {
    // Only over the ticker: the wheel message goes to the window with the focus wherever the pointer is.
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT band = {};
    if (!GetWindowRect(ticker_.window(), &band) || !PtInRect(&band, at)) return;
    TurnWheel(ticker_.app(), GET_WHEEL_DELTA_WPARAM(wParam));
}

bool TickerHand::OnKeyDown(WPARAM key, LPARAM flags) {
    App& app = ticker_.app();
    const bool repeated = (flags & (1 << 30)) != 0;
    switch (key) {
        case VK_LEFT:
            StepHeadline(app, -1);
            return true;
        case VK_RIGHT:
            StepHeadline(app, 1);
            return true;
        case VK_RETURN:
            if (!repeated) OpenLeadingHeadline(app);
            return true;
        case VK_SPACE:
            if (!repeated) SetPaused(app, !app.hand.paused);
            return true;
        case VK_ESCAPE:
            SetPaused(app, false);
            GiveFocusBack();
            return true;
        case VK_APPS:
            if (!repeated) MenuFromKeyboard();
            menuKeyDown_ = true;
            return true;
        case VK_F10:
            if ((GetKeyState(VK_SHIFT) & 0x8000) == 0) return false;
            if (!repeated) MenuFromKeyboard();
            menuKeyDown_ = true;
            return true;
        default:
            return false;
    }
}

// The popup menu at the ticker's top-left corner, as a right click would open it there; not while
// a dialog is open (as for a right click).
void TickerHand::MenuFromKeyboard() {
    if (ticker_.app().dialogOpen) return;
    POINT corner = {0, 0};
    ClientToScreen(ticker_.window(), &corner);
    ticker_.ShowPopupMenu(TPM_LEFTBUTTON, &corner);
}

void TickerHand::GiveFocusBack() {
    HWND before = activeBefore_;
    activeBefore_ = nullptr;
    if (before && before != ticker_.window() && IsWindow(before) && IsWindowVisible(before)) {
        SetForegroundWindow(before);
    } else {
        SetFocus(nullptr);
    }
}

#include "app/ticker_window_win.h"

#include <cstdio>
#include <cwchar>

#include "app/about_dialog_win.h"
#include "app/cycle.h"
#include "app/settings_dialog_win.h"
#include "app/ticker_hand_win.h"
#include "app/ticker_window.h"
#include "platform/wide_win.h"
#include "config/legacy_registry_win.h"
#include "display/gesture.h"
#include "display/ticker_canvas_win.h"
#include "display/ticker_painter.h"
#include "net/fetch_win.h"
#include "res/resource.h"
#include "res/version.h"
#include "schedule/schedule.h"
#include "schedule/schedule_window_win.h"

const wchar_t kTickerClassName[] = L"Newsroller";
const char kTrayTip[] = NEWSROLLER_TRAY_TIP;

namespace {

constexpr int kTrayTipLimit = 20;  // bytes of the tip text, terminator included

void DeleteGdiObject(HFONT& font) {
    if (font) DeleteObject(font);
    font = nullptr;
}

void DeleteGdiObject(HBITMAP& bitmap) {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
}

}  // namespace

HFONT CreateTickerFont(int height, int weight, const char* face) {
    return CreateFontW(height, 0, 0, 0, weight, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, FIXED_PITCH | FF_MODERN,
                       Cp932ToWide(face).c_str());
}

TickerWindow::TickerWindow(HINSTANCE instance, HICON icon, SetLayeredWindowAttributesFn setLayered,
                           const std::wstring& folder)
    : instance_(instance),
      icon_(icon),
      shell_(folder),
      files_(folder),
      fetcher_(new WinInetFetcher()),
      platform_{messages_, shell_, clock_, files_, *fetcher_, pump_, host_, &codePages_},
      app_(new App(platform_)),
      hand_(new TickerHand(*this)) {
    host_.SetLayeredFunction(setLayered);
    accelerators_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_SETTINGS));
    pump_.SetKeyRouter([this](MSG& msg) { return RouteDialogKeys(msg); });
}

namespace {

// A combo box or a control inside one: Alt+Up and Alt+Down open and close its list there.
bool InComboBox(HWND control, HWND dialog) {
    for (HWND w = control; w && w != dialog; w = GetParent(w)) {
        wchar_t name[16] = {};
        if (GetClassNameW(w, name, 16) > 0 && lstrcmpiW(name, L"ComboBox") == 0) return true;
    }
    return false;
}

}  // namespace

bool TickerWindow::RouteDialogKeys(MSG& msg) {
    HWND dialog = modelessDialog_;
    if (!dialog || !IsWindow(dialog)) return false;
    // The list's accelerators act only on keys typed into the dialog itself: Delete pressed on the
    // ticker must not delete a feed.
    const bool typedInDialog = msg.hwnd == dialog || IsChild(dialog, msg.hwnd);
    if (dialogAccelerators_ && accelerators_ && typedInDialog && !InComboBox(msg.hwnd, dialog) &&
        TranslateAcceleratorW(dialog, accelerators_, &msg)) {
        return true;
    }
    return IsDialogMessageW(dialog, &msg) != FALSE;
}

TickerWindow::~TickerWindow() {
    if (window_) DestroyWindow(window_);
}

bool TickerWindow::RegisterWindowClass(HINSTANCE instance, HICON icon) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kTickerClassName;
    return RegisterClassExW(&wc) != 0;
}

HWND TickerWindow::Create() {
    // A layered tool window: no taskbar button. The real position, size and z-order come from the
    // settings during WM_CREATE.
    return CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, kTickerClassName, kTickerClassName,
                           WS_POPUP | WS_DLGFRAME | WS_SYSMENU, 0, 0, 600, 34, nullptr, nullptr, instance_,
                           this);
}

void TickerWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    SetTimer(window_, kTickTimer, kTickMilliseconds, nullptr);
    UpdateWindow(window_);
}

int TickerWindow::Px(int units) const { return ScaleToDpi(units, app_->screen.dpi); }

HBITMAP TickerWindow::buttonBitmap(int index) const {
    return index >= 0 && index < kButtonBitmapCount ? buttonBitmaps_[index] : nullptr;
}

void TickerWindow::ReplaceTickerFont(HFONT font) {
    if (!font) return;
    SelectObject(backBuffer_, font);
    DeleteGdiObject(tickerFont_);
    tickerFont_ = font;
}

LRESULT CALLBACK TickerWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TickerWindow* self = reinterpret_cast<TickerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<TickerWindow*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->host_.SetWindow(nullptr);
        self->messages_.SetClosed();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT TickerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    App& app = *app_;
    WatchPointerAndScreen(message, wParam);
    LRESULT handled = 0;
    if (hand_->Handle(message, wParam, lParam, handled)) return handled;
    switch (message) {
        case WM_CREATE:
            return OnCreate(*reinterpret_cast<CREATESTRUCTW*>(lParam));
        case WM_CLOSE:
            // Alt+F4, the system menu or another program asking the ticker to close: the same road
            // as "終了", so a fetch or a parse that is running finishes before the window goes.
            CloseRequested(app);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_PAINT:
            return OnPaint();
        case WM_TIMER:
            OnTimer();
            break;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(lParam);
            break;
        case WM_LBUTTONDOWN:
            PressStarted(app);
            break;
        case WM_LBUTTONUP:
            OnLeftButtonUp(lParam);
            break;
        case WM_RBUTTONDOWN:
            if (!app.dialogOpen) ShowPopupMenu(TPM_LEFTBUTTON);
            break;
        case WM_CAPTURECHANGED:
            CaptureLost(app);
            break;
        case kTrayCallbackMessage:
            OnTrayMessage(lParam);
            break;
        case kFetchWakeMessage:
            AdvanceCycleNow(app);
            if (window_) AfterCycleWork();
            return 0;
        case kShowNoticesMessage:
            ShowNotices();
            return 0;
        default:
            // The shell restarted: its new tray has none of the old icons.
            if (taskbarCreated_ != 0 && message == taskbarCreated_) AddTrayIcon();
            break;
    }
    // A tick may have destroyed the window meanwhile.
    return window_ ? DefWindowProcW(window_, message, wParam, lParam) : 0;
}

LRESULT TickerWindow::OnCreate(const CREATESTRUCTW& create) {
    App& app = *app_;
    messages_.SetOwner(window_);
    host_.SetWindow(window_);
    fetcher_->SetWakeWindow(window_, kFetchWakeMessage);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");

    // Defaults and a clean run-time state; the state stays Starting until the window is set up.
    ResetApp(app);
    MeasureScreen();
    LoadSettingsAtCreation();
    CreateBackBuffer();
    AddTrayIcon();
    LoadButtonBitmaps(create.hInstance ? create.hInstance : instance_);
    CreateFonts();
    LoadScheduleAtCreation();
    // The colour key is not used in alpha mode.
    host_.ApplyOpacity(OpacityAlpha(app.settings));

    app.state = AppState::BeginCycle;
    SetForegroundWindow(window_);
    PlaceWindow();
    return 0;
}

// The screen the ticker must stay on: the primary screen with one monitor, else the virtual screen.
void TickerWindow::MeasureScreen() {
    ScreenMetrics& screen = app_->screen;
    if (GetSystemMetrics(SM_CMONITORS) < 2) {
        screen.left = 0;
        screen.top = 0;
        screen.width = GetSystemMetrics(SM_CXSCREEN);
        screen.height = GetSystemMetrics(SM_CYSCREEN);
    } else {
        screen.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        screen.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        screen.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        screen.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    screen.frameX = GetSystemMetrics(SM_CXDLGFRAME);
    screen.frameY = GetSystemMetrics(SM_CYDLGFRAME);
    // The system DPI (the manifest declares system awareness): every length of the settings is
    // scaled by it.
    HDC screenDc = GetDC(nullptr);
    const int dpi = screenDc ? GetDeviceCaps(screenDc, LOGPIXELSY) : 0;
    if (screenDc) ReleaseDC(nullptr, screenDc);
    screen.dpi = dpi > 0 ? dpi : kBaseDpi;
}

// The back buffer: as wide as the screen and as high as the page mode at the largest font.
void TickerWindow::CreateBackBuffer() {
    HDC windowDc = GetDC(window_);
    SetMapMode(windowDc, MM_TEXT);
    backBuffer_ = CreateCompatibleDC(windowDc);
    backBitmap_ = CreateCompatibleBitmap(windowDc, app_->screen.width, Px(kBackBufferHeight));
    originalBitmap_ = SelectObject(backBuffer_, backBitmap_);
    ReleaseDC(window_, windowDc);
    SetBkMode(backBuffer_, TRANSPARENT);
    SetTextAlign(backBuffer_, TA_LEFT | TA_TOP);
}

void TickerWindow::LoadButtonBitmaps(HINSTANCE resources) {
    const int bitmapIds[kButtonBitmapCount] = {IDB_SCROLL_FIRST, IDB_SCROLL_LAST, IDB_SCROLL_UP,
                                               IDB_SCROLL_DOWN};
    // Loaded in the order up, down, first, last.
    for (int i : {2, 3, 0, 1}) buttonBitmaps_[i] = LoadBitmapW(resources, MAKEINTRESOURCEW(bitmapIds[i]));
}

// The ticker font from the settings, selected into the back buffer, and the two small fonts.
void TickerWindow::CreateFonts() {
    const AppSettings& s = app_->settings;
    tickerFont_ = CreateTickerFont(Px(s.fsize), s.ftype, s.fontface);
    smallFont12_ = CreateTickerFont(Px(12), FW_NORMAL, "ＭＳ ゴシック");
    smallFont14_ = CreateTickerFont(Px(14), FW_NORMAL, "ＭＳ ゴシック");
    originalFont_ = SelectObject(backBuffer_, tickerFont_);
}

// winX and winY are the position of the client area; the window is placed around it.
void TickerWindow::PlaceWindow() {
    const App& app = *app_;
    const AppSettings& s = app.settings;
    SetWindowPos(window_, s.wintop ? HWND_TOPMOST : HWND_NOTOPMOST, Px(s.winX) - app.screen.frameX,
                 Px(s.winY) - app.screen.frameY, Px(s.width), Px(TickerHeight(s)), 0);
}

void TickerWindow::OnDestroy() {
    KillTimer(window_, kTickTimer);
    if (backBuffer_) {
        SelectObject(backBuffer_, originalBitmap_);
        SelectObject(backBuffer_, originalFont_);
        DeleteDC(backBuffer_);
        backBuffer_ = nullptr;
    }
    DeleteGdiObject(backBitmap_);
    for (HBITMAP& bitmap : buttonBitmaps_) DeleteGdiObject(bitmap);
    DeleteGdiObject(tickerFont_);
    DeleteGdiObject(smallFont12_);
    DeleteGdiObject(smallFont14_);
    // The internet handles and the fetch events go with the fetcher, when this object is destroyed.
    // A tick that destroys the window (the closing step) has no document; one that is running a
    // fetch or a parse from a nested message is still reading its document and releases it itself.
    if (!app_->cycleBusy) app_->document.Release();
    if (trayAdded_) {
        Shell_NotifyIconW(NIM_DELETE, &tray_);
        trayAdded_ = false;
    }
    PostQuitMessage(0);
}

// Redraws the back buffer when a repaint is pending, then copies the invalid part to the window:
// a paint caused by another window uncovering the ticker costs one copy.
LRESULT TickerWindow::OnPaint() {
    App& app = *app_;
    {
        GdiTickerCanvas canvas(backBuffer_, window_, app.screen.frameX, app.screen.frameY, Px(1));
        RedrawTicker(app, canvas);
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, backBuffer_, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    EndPaint(window_, &ps);
    app.repaintPending = false;
    return 0;
}

void TickerWindow::InvalidateTextArea() {
    const AppSettings& s = app_->settings;
    RECT area = {0, 0, Px(s.width), Px(TickerHeight(s))};
    InvalidateRect(window_, &area, FALSE);
}

void TickerWindow::OnTimer() {
    App& app = *app_;
    if (!CountTimerTick(app)) return;
    Tick(app);
    // The tick may have closed the window.
    if (!window_) return;
    AfterCycleWork();
}

void TickerWindow::AfterCycleWork() {
    App& app = *app_;
    // Settings taken at the end of a cycle (which a fetch's wake may complete, outside the timer)
    // may bring another font: made now, and the text drawn again with it.
    if (app.fontPending) {
        app.fontPending = false;
        const AppSettings& s = app.settings;
        ReplaceTickerFont(CreateTickerFont(Px(s.fsize), s.ftype, s.fontface));
        app.fullRepaint = true;
        app.repaintPending = true;
    }
    if (app.trayTipChanged && trayAdded_) {
        app.trayTipChanged = false;
        std::wstring tip = Cp932ToWide(app.trayTip);
        wcsncpy(tray_.szTip, tip.c_str(), sizeof tray_.szTip / sizeof tray_.szTip[0] - 1);
        tray_.uFlags = NIF_TIP;
        Shell_NotifyIconW(NIM_MODIFY, &tray_);
        tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    }
    if (!app.notices.empty() && !noticesPosted_ && !showingNotices_) {
        noticesPosted_ = PostMessageW(window_, kShowNoticesMessage, 0, 0) != FALSE;
    }
    if (app.repaintPending) InvalidateTextArea();
}

// Each box is modal, but the ticker's own messages (its timer among them) go on while it is up.
void TickerWindow::ShowNotices() {
    App& app = *app_;
    noticesPosted_ = false;
    if (showingNotices_) return;
    showingNotices_ = true;
    while (!app.notices.empty() && window_ && !messages_.closed()) {
        Notice notice = app.notices.front();
        app.notices.erase(app.notices.begin());
        messages_.Show(notice.text.c_str(), notice.title.c_str(), notice.icon);
    }
    showingNotices_ = false;
}

void TickerWindow::OnCommand(int command) {
    switch (MenuCommand(*app_, command)) {
        case MenuAction::None:
            break;
        case MenuAction::OpenSettings:
            OpenSettingsDialog();
            break;
        case MenuAction::OpenSchedule:
            OpenScheduleWindow();
            break;
        case MenuAction::ShowAbout:
            RunAboutDialog(*this);
            break;
    }
}

void TickerWindow::OnMouseMove(LPARAM lParam) {
    switch (CountPointerMove(*app_)) {
        case PointerMove::StartDrag:
            // Moves the window as if its caption were dragged, until the button is released.
            SendMessageW(window_, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
            break;
        case PointerMove::Pointer:
            PointerMovedOverTicker(LOWORD(lParam));
            break;
        case PointerMove::Counted:
            break;
    }
}

void TickerWindow::OnLeftButtonUp(LPARAM lParam) {
    App& app = *app_;
    if (!PressReleased(app)) return;
    ClickTicker(app, static_cast<short>(LOWORD(lParam)));
}

void TickerWindow::OnTrayMessage(LPARAM lParam) {
    App& app = *app_;
    switch (static_cast<UINT>(lParam)) {
        case WM_LBUTTONDOWN:
            SetForegroundWindow(window_);
            TrayIconClicked(app);
            InvalidateRect(window_, nullptr, FALSE);
            break;
        case WM_RBUTTONDOWN:
            if (!app.dialogOpen) ShowPopupMenu(TPM_RIGHTBUTTON);
            break;
        default:
            break;
    }
    // Lets the menu close properly when the user clicks elsewhere.
    PostMessageW(window_, WM_NULL, 0, 0);
}

void TickerWindow::ShowPopupMenu(UINT trackButton, const POINT* at) {
    HMENU menu = LoadMenuW(instance_, MAKEINTRESOURCEW(IDM_POPUP));
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    POINT cursor = {};
    if (at) {
        cursor = *at;
    } else {
        GetCursorPos(&cursor);
    }
    SetForegroundWindow(window_);
    if (!popup || !TrackPopupMenu(popup, trackButton, cursor.x, cursor.y, 0, window_, nullptr)) {
        char text[64];
        std::snprintf(text, sizeof text, "ポップアップメニューエラー%lu", GetLastError());
        messages_.Show(text, "OPEN ERROR", MessageIcon::None);
    }
    if (menu) DestroyMenu(menu);
}

void TickerWindow::AddTrayIcon() {
    tray_ = {};
    tray_.cbSize = sizeof tray_;
    tray_.hWnd = window_;
    tray_.uID = IDI_APP;
    tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray_.uCallbackMessage = kTrayCallbackMessage;
    tray_.hIcon = icon_;
    // The program's name and version; while a cycle runs, how far it is.
    char tip[sizeof app_->trayTip];
    CopyCut(tip, app_->trayTip[0] ? sizeof tip : kTrayTipLimit, app_->trayTip[0] ? app_->trayTip : kTrayTip);
    std::wstring wideTip = Cp932ToWide(tip);
    wcsncpy(tray_.szTip, wideTip.c_str(), sizeof tray_.szTip / sizeof tray_.szTip[0] - 1);
    trayAdded_ = Shell_NotifyIconW(NIM_ADD, &tray_) != 0 || trayAdded_;
}

// The settings file over the defaults (the legacy registry key is taken over once when there is no
// file), clamped into the screen.
void TickerWindow::LoadSettingsAtCreation() {
    App& app = *app_;
    RegistryLegacySettings legacy;
    LoadSettings(app.settings, platform_, &legacy);
    NormalizeSettings(app.settings, ScreenInUnits(app.screen));
}

void TickerWindow::LoadScheduleAtCreation() { LoadSchedule(app_->schedule, platform_); }

// ---- Call sites for Parts that the application wires in -------------------------------------

// Settings dialog 105 (modeless): sets the dialog-open flag and the modeless dialog handle.
// A settings file held at start and free now is taken first: the dialog shows and writes its values.
void TickerWindow::OpenSettingsDialog() {
    TakeSettingsHeldAtStart(*app_);
    ::OpenSettingsDialog(*this);
}

// The schedule window (modeless): sets the dialog-open flag and the modeless dialog handle; its
// closing clears both.
void TickerWindow::OpenScheduleWindow() {
    App& app = *app_;
    // Its closing writes the settings with its size.
    TakeSettingsHeldAtStart(app);
    app.dialogOpen = true;
    ScheduleWindowContext context;
    context.instance = instance_;
    context.owner = window_;
    context.rowFont = smallFont14_;
    // The margin's buttons from the top: to first, up, down, to last.
    const int order[4] = {0, 2, 3, 1};
    for (int i = 0; i < 4; ++i) context.buttons[i] = buttonBitmap(order[i]);
    context.schedule = &app.schedule;
    context.view = &app.scheduleView;
    app.scheduleView.dpi = app.screen.dpi;
    context.settings = &app.settings;
    context.platform = &platform_;
    context.closed = [this] {
        app_->dialogOpen = false;
        modelessDialog_ = nullptr;
    };
    SetModelessDialog(CreateScheduleWindow(context));
    // A window that could not be created must not leave the ticker blocked for good.
    if (!modelessDialog_) app.dialogOpen = false;
}

// Pointer gesture over the ticker (x is the low word of the position, unsigned).
void TickerWindow::PointerMovedOverTicker(int x) {
    if (PointerMoved(*app_, x) != GestureResult::OpenSchedule) return;
    OpenScheduleWindow();
    // The gesture set the dialog-open flag; when no window opened, the ticker must not stay blocked.
    if (!modelessDialog_ || !IsWindow(modelessDialog_)) app_->dialogOpen = false;
}

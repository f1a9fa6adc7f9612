#include "app/ticker_window_win.h"

#include "app/wide_win.h"

const wchar_t kTickerClassName[] = L"Newsroller";

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMilliseconds = 60;

// Stands in until the internet fetch is wired: every fetch fails, so the cycle uses the cache.
class UnavailableFetcher : public Fetcher {
public:
    Session EnsureSession() override { return Session::Ready; }
    int Fetch(const char*, const char*, DocumentBuffer&) override { return kFetchFailed; }
};

}  // namespace

TickerWindow::TickerWindow(HINSTANCE instance, HICON icon, SetLayeredWindowAttributesFn setLayered)
    : instance_(instance),
      icon_(icon),
      shell_(ProgramFolder()),
      files_(ProgramFolder()),
      fetcher_(new UnavailableFetcher),
      platform_{messages_, shell_, clock_, files_, *fetcher_, pump_, host_},
      app_(new App(platform_)) {
    host_.SetLayeredFunction(setLayered);
}

TickerWindow::~TickerWindow() = default;

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

HWND TickerWindow::Create(int showCommand) {
    HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, kTickerClassName, kTickerClassName,
                                  WS_POPUP | WS_DLGFRAME | WS_SYSMENU, 0, 0, 600, 34, nullptr, nullptr, instance_, this);
    if (!window) return nullptr;
    ShowWindow(window, showCommand);
    SetTimer(window, kTickTimer, kTickMilliseconds, nullptr);
    UpdateWindow(window);
    return window;
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
    return self->Handle(message, wParam, lParam);
}

LRESULT TickerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate();
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_PAINT: return OnPaint();
        case WM_TIMER: OnTimer(); break;
        default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT TickerWindow::OnCreate() {
    App& app = *app_;
    messages_.SetOwner(window_);
    host_.SetWindow(window_);
    ResetApp(app);

    if (GetSystemMetrics(SM_CMONITORS) < 2) {
        app.screen.left = 0;
        app.screen.top = 0;
        app.screen.width = GetSystemMetrics(SM_CXSCREEN);
        app.screen.height = GetSystemMetrics(SM_CYSCREEN);
    } else {
        app.screen.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        app.screen.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        app.screen.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        app.screen.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    app.screen.frameX = GetSystemMetrics(SM_CXDLGFRAME);
    app.screen.frameY = GetSystemMetrics(SM_CYDLGFRAME);

    // Settings are loaded and normalised here.

    HDC windowDc = GetDC(window_);
    SetMapMode(windowDc, MM_TEXT);
    backBuffer_ = CreateCompatibleDC(windowDc);
    backBitmap_ = CreateCompatibleBitmap(windowDc, app.screen.width, 138);
    originalBitmap_ = SelectObject(backBuffer_, backBitmap_);
    const AppSettings& s = app.settings;
    tickerFont_ = CreateFontW(s.fsize, 0, 0, 0, s.ftype, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, FIXED_PITCH | FF_MODERN,
                              Cp932ToWide(s.fontface).c_str());
    originalFont_ = SelectObject(backBuffer_, tickerFont_);
    ReleaseDC(window_, windowDc);
    SetBkMode(backBuffer_, TRANSPARENT);
    SetTextAlign(backBuffer_, TA_LEFT | TA_TOP);

    host_.ApplyOpacity(static_cast<uint8_t>(s.toumeido - 45));
    app.state = AppState::BeginCycle;
    SetForegroundWindow(window_);
    SetWindowPos(window_, s.wintop ? HWND_TOPMOST : HWND_NOTOPMOST, s.winX - app.screen.frameX,
                 s.winY - app.screen.frameY, s.width, TickerHeight(s), 0);
    return 0;
}

void TickerWindow::OnDestroy() {
    KillTimer(window_, kTickTimer);
    if (backBuffer_) {
        SelectObject(backBuffer_, originalBitmap_);
        SelectObject(backBuffer_, originalFont_);
        DeleteDC(backBuffer_);
    }
    if (backBitmap_) DeleteObject(backBitmap_);
    if (tickerFont_) DeleteObject(tickerFont_);
    backBuffer_ = nullptr;
    backBitmap_ = nullptr;
    tickerFont_ = nullptr;
    app_->document.Release();
    PostQuitMessage(0);
}

LRESULT TickerWindow::OnPaint() {
    App& app = *app_;
    const AppSettings& s = app.settings;
    if (app.repaintPending > 0) {
        HBRUSH brush = CreateSolidBrush(RGB(s.backR & 0xFF, s.backG & 0xFF, s.backB & 0xFF));
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(s.rectR & 0xFF, s.rectG & 0xFF, s.rectB & 0xFF));
        HGDIOBJ oldBrush = SelectObject(backBuffer_, brush);
        HGDIOBJ oldPen = SelectObject(backBuffer_, pen);
        Rectangle(backBuffer_, 0, 0, s.width - 2 * app.screen.frameX, TickerHeight(s) - 2 * app.screen.frameY);
        SetTextColor(backBuffer_, RGB(s.text1R & 0xFF, s.text1G & 0xFF, s.text1B & 0xFF));
        std::wstring line = Cp932ToWide(app.line1);
        TextOutW(backBuffer_, 3, 2, line.c_str(), static_cast<int>(line.size()));
        SelectObject(backBuffer_, oldBrush);
        SelectObject(backBuffer_, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top,
           backBuffer_, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    EndPaint(window_, &ps);
    app.repaintPending = 0;
    return 0;
}

void TickerWindow::OnTimer() {
    App& app = *app_;
    if (app.cycleBusy || app.navigationLock) return;
    if (++app.tickCounter >= 1000) {
        app.tickCounter = 0;
        ++app.minuteCounter;
    }
}

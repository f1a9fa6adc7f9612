#include "app/ticker_tip_win.h"

#include <string>

#include "platform/screen_scale.h"
#include "platform/wide_win.h"

namespace {

const wchar_t kTipClassName[] = L"NewsrollerTip";

// The tip's two fonts and its scale, kept with the window and deleted with it.
struct TipFonts {
    HFONT normal = nullptr;
    HFONT bold = nullptr;
    int dpi = kBaseDpi;
};

constexpr int kMaxWidth = 480;  // 96-dpi units; longer lines wrap
constexpr int kPadding = 4;

TipFonts* FontsOf(HWND tip) { return reinterpret_cast<TipFonts*>(GetWindowLongPtrW(tip, GWLP_USERDATA)); }

HFONT MakeFont(int dpi, int weight) {
    return CreateFontW(-ScaleToDpi(12, dpi), 0, 0, 0, weight, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0,
                       DEFAULT_PITCH | FF_SWISS, Cp932ToWide("ＭＳ Ｐゴシック").c_str());
}

std::wstring TextOf(HWND tip) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(tip)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(tip, &text[0], static_cast<int>(text.size()))));
    return text;
}

// The title (up to the first line break) in bold, the rest below it; returns the size both take.
SIZE Layout(HDC dc, HWND tip, const TipFonts& fonts, bool draw) {
    const std::wstring text = TextOf(tip);
    const size_t cut = text.find(L"\r\n");
    const std::wstring title = text.substr(0, cut);
    const std::wstring rest = cut == std::wstring::npos ? std::wstring() : text.substr(cut + 2);
    const int pad = ScaleToDpi(kPadding, fonts.dpi), maxWidth = ScaleToDpi(kMaxWidth, fonts.dpi);
    const UINT flags = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
    RECT first = {pad, pad, pad + maxWidth, pad};
    RECT second = first;
    HGDIOBJ old = SelectObject(dc, fonts.bold);
    DrawTextW(dc, title.c_str(), -1, &first, flags | DT_CALCRECT);
    if (draw) DrawTextW(dc, title.c_str(), -1, &first, flags);
    SelectObject(dc, fonts.normal);
    second.top = second.bottom = first.bottom + ScaleToDpi(2, fonts.dpi);
    DrawTextW(dc, rest.c_str(), -1, &second, flags | DT_CALCRECT);
    if (draw) DrawTextW(dc, rest.c_str(), -1, &second, flags);
    SelectObject(dc, old);
    return SIZE{(first.right > second.right ? first.right : second.right) + pad, second.bottom + pad};
}

LRESULT CALLBACK TipProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam) {
    TipFonts* fonts = FontsOf(tip);
    switch (message) {
        case WM_NCHITTEST:
            return HTTRANSPARENT;  // the pointer goes through to what lies beneath
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(tip, &ps);
            RECT all;
            GetClientRect(tip, &all);
            FillRect(dc, &all, GetSysColorBrush(COLOR_INFOBK));
            if (fonts) {
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
                Layout(dc, tip, *fonts, true);
            }
            EndPaint(tip, &ps);
            return 0;
        }
        case WM_NCDESTROY:
            if (fonts) {
                if (fonts->normal) DeleteObject(fonts->normal);
                if (fonts->bold) DeleteObject(fonts->bold);
                delete fonts;
                SetWindowLongPtrW(tip, GWLP_USERDATA, 0);
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(tip, message, wParam, lParam);
}

}  // namespace

HWND CreateTipWindow(HINSTANCE instance, HWND owner, int dpi) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TipProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kTipClassName;
    // A second registration (a window made again) fails harmlessly.
    RegisterClassExW(&wc);
    HWND tip = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kTipClassName, L"",
                               WS_POPUP | WS_BORDER, 0, 0, 10, 10, owner, nullptr, instance, nullptr);
    if (!tip) return nullptr;
    auto* fonts = new TipFonts;
    fonts->dpi = dpi > 0 ? dpi : kBaseDpi;
    fonts->normal = MakeFont(fonts->dpi, FW_NORMAL);
    fonts->bold = MakeFont(fonts->dpi, FW_BOLD);
    SetWindowLongPtrW(tip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fonts));
    return tip;
}

void ShowTipWindow(HWND tip, const char* text, POINT at, int above, int below) {
    TipFonts* fonts = FontsOf(tip);
    if (!fonts) return;
    SetWindowTextW(tip, Cp932ToWide(text).c_str());
    HDC dc = GetDC(tip);
    SIZE size = Layout(dc, tip, *fonts, false);
    ReleaseDC(tip, dc);
    RECT frame = {0, 0, size.cx, size.cy};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    const int gap = ScaleToDpi(2, fonts->dpi);
    int y = below + gap;
    if (y + height > work.bottom) y = above - gap - height;
    if (y < work.top) y = work.top;
    int x = at.x - ScaleToDpi(8, fonts->dpi);
    if (x + width > work.right) x = work.right - width;
    if (x < work.left) x = work.left;
    SetWindowPos(tip, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(tip, nullptr, TRUE);
}

void HideTipWindow(HWND tip) {
    if (tip) ShowWindow(tip, SW_HIDE);
}

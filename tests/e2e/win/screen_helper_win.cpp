// screen_helper fullscreen SECONDS
//     Shows a borderless window over the whole monitor the ticker is on, in the foreground, as a
//     film or a slide show does, for SECONDS; then closes it.
// screen_helper exstyle
//     Prints the ticker window's extended style (decimal), and 1 when the full-screen window lies
//     above it in the z-order, else 0. (Wine without a window manager never lowers an X window, so
//     a screenshot cannot show it.)
// screen_helper lose X Y
//     Moves the ticker window to (X, Y), sends it WM_DISPLAYCHANGE as the system does when a
//     monitor goes, and prints its window rectangle afterwards: "left top right bottom".
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

HWND Ticker() { return FindWindowW(L"Newsroller", nullptr); }

int ShowFullScreen(int seconds) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(Ticker(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 128));  // dark blue: not the empty screen's black
    wc.lpszClassName = L"FullScreenFilm";
    RegisterClassW(&wc);
    const RECT& r = monitor.rcMonitor;
    HWND film = CreateWindowExW(0, wc.lpszClassName, L"Film", WS_POPUP | WS_VISIBLE, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!film) return 1;
    SetForegroundWindow(film);
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
    DestroyWindow(film);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && wcscmp(argv[1], L"fullscreen") == 0) return ShowFullScreen(_wtoi(argv[2]));
    HWND ticker = Ticker();
    if (!ticker) return 2;
    if (argc == 2 && wcscmp(argv[1], L"exstyle") == 0) {
        int below = 0;
        wchar_t name[32];
        for (HWND above = GetWindow(ticker, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
            if (GetClassNameW(above, name, 32) > 0 && wcscmp(name, L"FullScreenFilm") == 0) below = 1;
        }
        std::printf("%ld %d\n", GetWindowLongW(ticker, GWL_EXSTYLE), below);
        return 0;
    }
    if (argc == 4 && wcscmp(argv[1], L"lose") == 0) {
        SetWindowPos(ticker, nullptr, _wtoi(argv[2]), _wtoi(argv[3]), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(ticker, WM_DISPLAYCHANGE, 32,
                     MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
        RECT rect = {};
        GetWindowRect(ticker, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
        return 0;
    }
    return 3;
}

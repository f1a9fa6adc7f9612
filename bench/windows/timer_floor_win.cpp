// The floor that the ticker's CPU use is measured against: the least a Win32 program can do at the
// ticker's pace under the same Wine — a 600 × 27 popup window with a 60 ms timer that repaints a
// strip of itself every second tick (where the ticker moves its band), drawing one rectangle.
// Runs until it is killed.
#include <windows.h>

namespace {

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER: {
            // The tick count lives in the window's user data.
            LONG_PTR ticks = GetWindowLongPtrW(window, GWLP_USERDATA) + 1;
            SetWindowLongPtrW(window, GWLP_USERDATA, ticks);
            if (ticks % 2 == 0) InvalidateRect(window, nullptr, FALSE);
        }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            HBRUSH brush = CreateSolidBrush(RGB(112, 112, 96));
            FillRect(dc, &ps.rcPaint, brush);
            DeleteObject(brush);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"TimerFloor";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"TimerFloor", L"TimerFloor", WS_POPUP | WS_VISIBLE, 0,
                                  200, 600, 27, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    SetTimer(window, 1, 60, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

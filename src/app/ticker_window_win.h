#pragma once
// The ticker window: the program's only top-level window. It owns the application object and
// every long-lived Win32 resource, turns timer messages into ticks and pointer messages into
// clicks, drags and gestures.
#include <windows.h>

#include <memory>

#include "app/app.h"
#include "app/platform_win.h"

extern const wchar_t kTickerClassName[];  // "Newsroller", also the window title

class TickerWindow {
public:
    TickerWindow(HINSTANCE instance, HICON icon, SetLayeredWindowAttributesFn setLayered);
    ~TickerWindow();
    TickerWindow(const TickerWindow&) = delete;
    TickerWindow& operator=(const TickerWindow&) = delete;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool RegisterWindowClass(HINSTANCE instance, HICON icon);

    HWND Create(int showCommand);
    HWND window() const { return window_; }
    App& app() { return *app_; }
    // The modeless dialog (settings or schedule) that keyboard messages are routed through.
    HWND modelessDialog() const { return modelessDialog_; }

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    void OnDestroy();
    LRESULT OnPaint();
    void OnTimer();

    HINSTANCE instance_;
    HICON icon_;
    HWND window_ = nullptr;
    HWND modelessDialog_ = nullptr;

    Win32MessageBoxes messages_;
    Win32Shell shell_;
    Win32Clock clock_;
    Win32FileSystem files_;
    std::unique_ptr<Fetcher> fetcher_;
    Win32MessagePump pump_;
    Win32TickerHost host_;
    Platform platform_;
    std::unique_ptr<App> app_;

    HDC backBuffer_ = nullptr;
    HBITMAP backBitmap_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    HFONT tickerFont_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
};

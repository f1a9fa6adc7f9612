#pragma once
// The ticker's accessible object: a screen reader asks the window for it (WM_GETOBJECT) and reads
// the headline shown first as its name (display/ticker_reader.h). Everything else is the system's
// standard object for the window. oleacc.dll is loaded only when a reader first asks, so the
// program imports only what every Windows has loaded anyway.
#include <windows.h>

struct App;
class TickerAccessible;

class TickerReaderLink {
  public:
    TickerReaderLink() = default;
    ~TickerReaderLink();
    TickerReaderLink(const TickerReaderLink&) = delete;
    TickerReaderLink& operator=(const TickerReaderLink&) = delete;

    // The answer to WM_GETOBJECT for the client object; 0 (the default handling) when the object
    // cannot be made.
    LRESULT Answer(HWND window, App& app, WPARAM wParam);
    // The window goes: readers that still hold the object get "disconnected" from then on.
    void Disconnect();

  private:
    TickerAccessible* object_ = nullptr;
    HMODULE oleacc_ = nullptr;
};

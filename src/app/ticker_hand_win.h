#pragma once
// The ticker under the hand on the Win32 side: the tip under the pointer, the wheel, the keys
// (← →, Enter, Space, Esc, the menu key and Shift+F10) and the screen reader's object with its
// name-change event. The decisions are in display/ticker_keys.h, ticker_tip.h and ticker_reader.h.
#include <windows.h>

#include "app/ticker_accessible_win.h"

class TickerWindow;

class TickerHand {
  public:
    explicit TickerHand(TickerWindow& ticker) : ticker_(ticker) {}
    ~TickerHand();
    TickerHand(const TickerHand&) = delete;
    TickerHand& operator=(const TickerHand&) = delete;

    // Sees every message of the ticker window before its handlers: true when it took the message,
    // with the result in `result`.
    bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  private:
    void EveryTimerMessage();
    bool OnKeyDown(WPARAM key, LPARAM flags);
    void OnWheel(WPARAM wParam, LPARAM lParam);
    void MenuFromKeyboard();
    void GiveFocusBack();
    void RefreshTip();

    TickerWindow& ticker_;
    HWND tip_ = nullptr;
    TickerReaderLink reader_;
    HWND activeBefore_ = nullptr;  // the window that was active before the ticker
    bool menuKeyDown_ = false;     // its release must not open the menu a second time
};

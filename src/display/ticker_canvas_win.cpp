#include "display/ticker_canvas_win.h"

GdiTickerCanvas::GdiTickerCanvas(HDC backBuffer, HWND window, int frameX, int frameY, int lineWidth)
    : dc_(backBuffer), window_(window), frameX_(frameX), frameY_(frameY), lineWidth_(lineWidth) {}

GdiTickerCanvas::~GdiTickerCanvas() {
    if (oldBrush_) SelectObject(dc_, oldBrush_);
    if (oldPen_) SelectObject(dc_, oldPen_);
    if (brush_) DeleteObject(brush_);
    if (pen_) DeleteObject(pen_);
}

int GdiTickerCanvas::Widen(const char* text, int length) {
    if (length <= 0) return 0;
    int units =
        MultiByteToWideChar(932, 0, text, length, wide_, static_cast<int>(sizeof wide_ / sizeof wide_[0]));
    return units > 0 ? units : 0;
}

int GdiTickerCanvas::TextWidth(const char* text, int length) {
    int units = Widen(text, length);
    SIZE size = {0, 0};
    if (units > 0) GetTextExtentPoint32W(dc_, wide_, units, &size);
    return size.cx;
}

void GdiTickerCanvas::ApplyShapeAndPlacement(int x, int y, int width, int height, TickerZOrder order) {
    // The region cuts the dialog frame away; the visible ticker is the client area.
    HRGN region = CreateRectRgn(frameX_, frameY_, width - frameX_, height - frameY_);
    if (!SetWindowRgn(window_, region, TRUE)) DeleteObject(region);
    switch (order) {
        case TickerZOrder::Topmost:
            SetWindowPos(window_, HWND_TOPMOST, x, y, width, height, 0);
            break;
        case TickerZOrder::Foreground:
            SetForegroundWindow(window_);
            SetWindowPos(window_, HWND_NOTOPMOST, x, y, width, height, 0);
            break;
        case TickerZOrder::KeepBehind:
            SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
            break;
    }
}

void GdiTickerCanvas::FillAndOutline(Color fill, Color frame, int right, int bottom) {
    if (!brush_) {
        brush_ = CreateSolidBrush(fill);
        oldBrush_ = SelectObject(dc_, brush_);
    }
    if (!pen_) {
        // A wider outline stays inside the client area, as the 1-pixel one does.
        pen_ = lineWidth_ > 1 ? CreatePen(PS_INSIDEFRAME, lineWidth_, frame) : CreatePen(PS_SOLID, 1, frame);
        oldPen_ = SelectObject(dc_, pen_);
    }
    Rectangle(dc_, 0, 0, right, bottom);
}

void GdiTickerCanvas::SetTextColor(Color color) { ::SetTextColor(dc_, color); }

void GdiTickerCanvas::DrawText(int x, int y, const char* text, int length) {
    int units = Widen(text, length);
    if (units > 0) TextOutW(dc_, x, y, wide_, units);
}

void GdiTickerCanvas::DrawLine(Color, int x0, int y0, int x1, int y1) {
    // The outline's pen, in the frame colour, is still selected.
    MoveToEx(dc_, x0, y0, nullptr);
    LineTo(dc_, x1, y1);
}

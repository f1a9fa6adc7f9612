#pragma once
// Carries out a redraw of the ticker with GDI into the back buffer. One canvas serves one redraw:
// it creates one brush and one pen and deletes them when it goes.
#include <windows.h>

#include "display/ticker_painter.h"

class GdiTickerCanvas : public TickerCanvas {
  public:
    // lineWidth: the outline's width in pixels, one 96-dpi pixel on the screen.
    GdiTickerCanvas(HDC backBuffer, HWND window, int frameX, int frameY, int lineWidth = 1);
    ~GdiTickerCanvas() override;
    GdiTickerCanvas(const GdiTickerCanvas&) = delete;
    GdiTickerCanvas& operator=(const GdiTickerCanvas&) = delete;

    int TextWidth(const char* text, int length) override;
    void ApplyShapeAndPlacement(int x, int y, int width, int height, TickerZOrder order) override;
    void FillAndOutline(Color fill, Color frame, int right, int bottom) override;
    void SetTextColor(Color color) override;
    void DrawText(int x, int y, const char* text, int length) override;
    void DrawLine(Color color, int x0, int y0, int x1, int y1) override;

  private:
    // Converts into a fixed buffer: a redraw allocates nothing.
    int Widen(const char* text, int length);

    HDC dc_;
    HWND window_;
    int frameX_, frameY_;
    int lineWidth_;
    HBRUSH brush_ = nullptr;
    HPEN pen_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
    HGDIOBJ oldPen_ = nullptr;
    wchar_t wide_[512];
};

#pragma once
// What the ticker shows and where: the decisions of every redraw of the back buffer, made here
// and carried out by a canvas (GDI in the program, a recorder in tests).
#include <cstdint>

struct App;

// A colour as the platform takes it: red in the lowest byte, then green, then blue.
using Color = uint32_t;
inline Color MakeColor(int red, int green, int blue) {
    return static_cast<Color>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

enum class TickerZOrder {
    Topmost,     // `wintop`: above all other windows
    Foreground,  // brought to the foreground, below the topmost windows
    KeepBehind,  // a full-screen program covers the monitor: the place in the z-order is kept
};

class TickerCanvas {
  public:
    virtual ~TickerCanvas() = default;
    // Width in pixels of Shift_JIS text in the ticker font.
    virtual int TextWidth(const char* text, int length) = 0;
    // Cuts the window to its client area (region from (frameX, frameY) to (width - frameX,
    // height - frameY)) and places it at (x, y) with the given size and z-order.
    virtual void ApplyShapeAndPlacement(int x, int y, int width, int height, TickerZOrder order) = 0;
    // Fills the rectangle (0, 0)-(right, bottom) with `fill` and outlines it in `frame`.
    virtual void FillAndOutline(Color fill, Color frame, int right, int bottom) = 0;
    virtual void SetTextColor(Color color) = 0;
    virtual void DrawText(int x, int y, const char* text, int length) = 0;
    virtual void DrawLine(Color color, int x0, int y0, int x1, int y1) = 0;
};

// Redraws the back buffer when a repaint is pending; returns whether it drew. The caller then
// copies the back buffer to the window and clears the repaint-pending flag.
bool RedrawTicker(App& app, TickerCanvas& canvas);

// The alert line of a task: "毎週 月曜日 9:05 会議" for a weekly task, "2/3 14:30 会議" otherwise;
// at most 255 bytes, cut at a character boundary.
void FormatAlertLine(const App& app, int task, char* out, int size);

// The band's first item has left the window (or a step moves past it): the next one leads, a
// finished cycle's table taking its place here.
void StepPastTheFirstItem(App& app);

// The article under a click at client x in scroll mode, from the last redraw's hit table; -1 when
// nothing was drawn there.
int ArticleAtX(const App& app, int x);

// A finished cycle's table (app.incoming) takes the band's place where it is: what the last redraw
// drew stays on screen (but its first item when `firstItemLeft`: it has just left the window).
void TakeTableIntoBand(App& app, bool firstItemLeft);

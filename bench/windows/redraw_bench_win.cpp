// Time and heap allocations of one redraw of the scrolling ticker under GDI. The ticker window's
// set-up is repeated here (a memory DC with a screen-wide bitmap of 138 rows and the ticker font),
// the scene is 200 articles at the default settings, and every redraw moves the band one step as
// the tick does. Prints one line per figure, "name value".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/ticker_window_win.h"
#include "display/ticker_canvas_win.h"
#include "display/ticker_painter.h"
#include "ticker_scene.h"

#ifdef NEWSROLLER_WRAPPED_MALLOC
// The linker sends every malloc, calloc and realloc of the statically linked code (ours, the C++
// library's operator new) here.
static long g_allocations = 0;
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void* __wrap_malloc(size_t size) {
    ++g_allocations;
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    ++g_allocations;
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, size_t size) {
    ++g_allocations;
    return __real_realloc(block, size);
}
}
#else
static long g_allocations = -1;  // not counted with this tool chain
#endif

namespace {

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Stats {
    double mean, median, p99, max;
};

Stats Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values) sum += v;
    size_t n = values.size();
    return {sum / static_cast<double>(n), values[n / 2], values[std::min(n - 1, n * 99 / 100)],
            values[n - 1]};
}

void Print(const char* name, const Stats& s) {
    printf("%s_mean_us %.1f\n%s_median_us %.1f\n%s_p99_us %.1f\n%s_max_us %.1f\n", name, s.mean, name,
           s.median, name, s.p99, name, s.max);
}

}  // namespace

int main(int argc, char** argv) {
    const int redraws = argc > 1 ? atoi(argv[1]) : 3000;
    NullPlatform null;
    long probe = g_allocations;
    std::unique_ptr<App> app(new App(null.platform));
    long probeCount = g_allocations - probe;
    FillTickerScene(*app);
    const AppSettings& s = app->settings;
    app->screen.frameX = GetSystemMetrics(SM_CXDLGFRAME);
    app->screen.frameY = GetSystemMetrics(SM_CYDLGFRAME);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);

    // A visible window of the ticker's size to copy the band to.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NewsrollerRedrawBench";
    RegisterClassW(&wc);
    HWND window =
        CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"redraw bench", WS_POPUP | WS_VISIBLE, s.winX,
                        200, s.width, TickerHeight(s), nullptr, nullptr, wc.hInstance, nullptr);
    HDC windowDc = GetDC(window);
    HDC backBuffer = CreateCompatibleDC(windowDc);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDc, screenWidth, kBackBufferHeight);
    HGDIOBJ oldBitmap = SelectObject(backBuffer, bitmap);
    HFONT font = CreateTickerFont(s.fsize, s.ftype, s.fontface);
    HGDIOBJ oldFont = SelectObject(backBuffer, font);
    SetBkMode(backBuffer, TRANSPARENT);
    SetTextAlign(backBuffer, TA_LEFT | TA_TOP);

    LARGE_INTEGER frequency, t0, t1, t2;
    QueryPerformanceFrequency(&frequency);
    auto redrawOnce = [&]() {
        StepTickerScene(*app);
        GdiTickerCanvas canvas(backBuffer, window, app->screen.frameX, app->screen.frameY);
        RedrawTicker(*app, canvas);
    };
    for (int i = 0; i < 200; ++i) redrawOnce();  // glyph caches warm, as in a running ticker

    std::vector<double> redrawTimes, copyTimes;
    redrawTimes.reserve(static_cast<size_t>(redraws));
    copyTimes.reserve(static_cast<size_t>(redraws));
    int bandWidth = s.width - 2 * app->screen.frameX;
    int bandHeight = TickerHeight(s) - 2 * app->screen.frameY;
    long allocationsBefore = g_allocations;
    for (int i = 0; i < redraws; ++i) {
        QueryPerformanceCounter(&t0);
        redrawOnce();
        GdiFlush();
        QueryPerformanceCounter(&t1);
        BitBlt(windowDc, 0, 0, bandWidth, bandHeight, backBuffer, 0, 0, SRCCOPY);
        GdiFlush();
        QueryPerformanceCounter(&t2);
        redrawTimes.push_back(Microseconds(t0, t1, frequency));
        copyTimes.push_back(Microseconds(t1, t2, frequency));
    }
    long allocations = g_allocations - allocationsBefore;

    // Evidence that the text is really drawn: pixels of text colour 2 in the last redraw's band.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = screenWidth;
    info.bmiHeader.biHeight = -kBackBufferHeight;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(screenWidth) * kBackBufferHeight);
    SelectObject(backBuffer, oldBitmap);  // GetDIBits wants the bitmap out of the DC
    GetDIBits(backBuffer, bitmap, 0, kBackBufferHeight, pixels.data(), &info, DIB_RGB_COLORS);
    SelectObject(backBuffer, bitmap);
    const DWORD text2 = (static_cast<DWORD>(s.text2R) << 16) | (s.text2G << 8) | s.text2B;  // BGRA in memory
    long text2Pixels = 0;
    for (int y = 0; y < bandHeight; ++y) {
        for (int x = 0; x < bandWidth; ++x)
            text2Pixels += (pixels[static_cast<size_t>(y) * screenWidth + x] & 0xFFFFFF) == text2;
    }

    printf("redraws %d\n", redraws);
    printf("articles %d\n", app->articles.count);
    printf("band_text2_pixels %ld\n", text2Pixels);
    Print("redraw", Summarise(redrawTimes));
    Print("copy", Summarise(copyTimes));
    if (g_allocations >= 0) {
        printf("allocations_per_redraw %.3f\n", static_cast<double>(allocations) / redraws);
        printf("allocations_making_app %ld\n", probeCount);  // shows that the counter counts
    }

    SelectObject(backBuffer, oldFont);
    SelectObject(backBuffer, oldBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(backBuffer);
    ReleaseDC(window, windowDc);
    DestroyWindow(window);
    return 0;
}

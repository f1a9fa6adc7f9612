// The decisions of one redraw of the scrolling ticker (RedrawTicker) with a stand-in canvas that
// measures a byte as 9 pixels and draws nothing: the portable part of a redraw's cost, and its heap
// allocations, counted by a counting malloc (every allocation of the process).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "display/ticker_painter.h"
#include "ticker_scene.h"
#include "counting_malloc.h"

namespace {

class MeasuringCanvas : public TickerCanvas {
  public:
    int TextWidth(const char*, int length) override { return 9 * length; }
    void ApplyShapeAndPlacement(int, int, int, int, TickerZOrder) override {}
    void FillAndOutline(Color fill, Color, int, int) override { benchmark::DoNotOptimize(fill); }
    void SetTextColor(Color color) override { benchmark::DoNotOptimize(color); }
    void DrawText(int x, int, const char* text, int) override {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(text);
        ++drawn;
    }
    void DrawLine(Color, int, int, int, int) override {}
    long drawn = 0;
};

void BM_RedrawTicker_Scroll200(benchmark::State& state) {
    NullPlatform null;
    long probe = AllocationCount();
    std::unique_ptr<App> app(new App(null.platform));
    // The counter sees allocations: making the App is one.
    state.counters["allocs_making_app"] = static_cast<double>(AllocationCount() - probe);
    FillTickerScene(*app);
    MeasuringCanvas canvas;
    long redraws = 0;
    long before = AllocationCount();
    for (auto _ : state) {
        StepTickerScene(*app);
        benchmark::DoNotOptimize(RedrawTicker(*app, canvas));
        ++redraws;
    }
    long allocations = AllocationCount() - before;
    state.counters["allocs_per_redraw"] = static_cast<double>(allocations) / static_cast<double>(redraws);
    state.counters["texts_per_redraw"] = static_cast<double>(canvas.drawn) / static_cast<double>(redraws);
}
BENCHMARK(BM_RedrawTicker_Scroll200);

}  // namespace

BENCHMARK_MAIN();

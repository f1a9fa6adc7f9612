// One paint of the schedule window under GDI (run under Wine by scripts/bench): the real window,
// opened from a schedule.dat of 1023 tasks (today's, past, weekly and texts cut with "..."), erased
// and painted synchronously many times; the floor is the same window over an empty schedule. Also
// the opening (loading, sorting, the first paint) and one wheel step. Prints "name value" lines.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_win.h"
#include "platform/wide_win.h"
#include "res/resource.h"
#include "schedule/schedule_window_win.h"

namespace {

constexpr int kTasks = 1023;

class NoFetcher : public Fetcher {
  public:
    Session EnsureSession() override { return Session::OpenFailed; }
    FetchId Start(const char*, const char*) override { return 0; }
    void Advance() override {}
    bool Take(FetchId, FetchAnswer&, DocumentBuffer&) override { return false; }
    void Cancel(FetchId) override {}
    int InFlight() const override { return 0; }
};

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring MakeFolder(const wchar_t* name) {
    wchar_t base[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base, length) + name + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// 1023 tasks from yesterday on, one every 4 hours: yesterday's red rows, today's yellow ones, every
// seventh weekly, every third with a text too long for its column.
std::string ScheduleText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER start = {{file.dwLowDateTime, file.dwHighDateTime}};
    start.QuadPart -= 24ULL * 3600 * 10000000;
    std::string text;
    for (int i = 0; i < kTasks; ++i) {
        ULARGE_INTEGER at = start;
        at.QuadPart += static_cast<ULONGLONG>(i) * 4 * 3600 * 10000000;
        FILETIME when = {at.LowPart, at.HighPart};
        SYSTEMTIME t;
        FileTimeToSystemTime(&when, &t);
        char line[64];
        snprintf(line, sizeof line, "%d,%d,%d,%d,%d,0,%d,\r\n", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                 i % 7 == 0 ? (i / 7) % 7 : -1);
        text += line;
        text += i % 3 == 0
                    ? "とても長い予定の説明が列の幅を超えて続いていくので最後は省略記号で終わる予定です。"
                      "会議室の予約と資料の準備と関係者への連絡と議事録の共有を忘れないこと"
                    : "打ち合わせ";
        text += "\r\n";
    }
    return text;
}

struct Figures {
    double openMs = 0;
    std::vector<double> paints;      // at the top of the list
    std::vector<double> lastPaints;  // scrolled to the end
    std::vector<double> wheels;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Percentile99(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, v.size() * 99 / 100)];
}

Figures Measure(const std::wstring& folder, int paints) {
    LARGE_INTEGER frequency, a, b;
    QueryPerformanceFrequency(&frequency);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    Win32MessageBoxes messages;
    Win32Shell shell(folder);
    Win32Clock clock;
    Win32FileSystem files(folder);
    NoFetcher fetcher;
    Win32MessagePump pump;
    Win32TickerHost host;
    Platform platform{messages, shell, clock, files, fetcher, pump, host};
    auto schedule = std::make_unique<ScheduleTable>();
    ScheduleView view;
    AppSettings settings;
    SetDefaultSettings(settings);
    settings.schecx = 800;
    settings.schecy = 600;
    HFONT font = CreateFontW(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0,
                             FIXED_PITCH | FF_MODERN, Cp932ToWide("ＭＳ ゴシック").c_str());
    ScheduleWindowContext context;
    context.instance = instance;
    context.rowFont = font;
    const int ids[4] = {IDB_SCROLL_FIRST, IDB_SCROLL_UP, IDB_SCROLL_DOWN, IDB_SCROLL_LAST};
    for (int i = 0; i < 4; ++i) context.buttons[i] = LoadBitmapW(instance, MAKEINTRESOURCEW(ids[i]));
    context.schedule = schedule.get();
    context.view = &view;
    context.settings = &settings;
    context.platform = &platform;

    Figures figures;
    QueryPerformanceCounter(&a);
    HWND window = CreateScheduleWindow(context);
    UpdateWindow(window);
    QueryPerformanceCounter(&b);
    figures.openMs = Microseconds(a, b, frequency) / 1000;
    Pump();
    const UINT redraw = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_NOCHILDREN;
    for (int i = 0; i < paints; ++i) {
        QueryPerformanceCounter(&a);
        RedrawWindow(window, nullptr, nullptr, redraw);
        QueryPerformanceCounter(&b);
        figures.paints.push_back(Microseconds(a, b, frequency));
    }
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 70));  // to the last task
    Pump();
    for (int i = 0; i < paints; ++i) {
        QueryPerformanceCounter(&a);
        RedrawWindow(window, nullptr, nullptr, redraw);
        QueryPerformanceCounter(&b);
        figures.lastPaints.push_back(Microseconds(a, b, frequency));
    }
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));  // to the first
    Pump();
    for (int i = 0; i < paints / 10; ++i) {
        const short delta = i % 2 ? WHEEL_DELTA : -WHEEL_DELTA;
        QueryPerformanceCounter(&a);
        SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
        UpdateWindow(window);
        QueryPerformanceCounter(&b);
        figures.wheels.push_back(Microseconds(a, b, frequency));
    }
    if (schedule->count != 0 && schedule->count != kTasks)
        fprintf(stderr, "loaded %d tasks\n", schedule->count);
    printf("%s_tasks %d\n", schedule->count ? "full" : "empty", schedule->count);
    DestroyWindow(window);
    Pump();
    DeleteObject(font);
    for (HBITMAP bitmap : context.buttons) DeleteObject(bitmap);
    return figures;
}

void Print(const char* name, const Figures& f) {
    printf("%s_open_ms %.2f\n", name, f.openMs);
    printf("%s_paint_median_us %.1f\n", name, Median(f.paints));
    printf("%s_paint_p99_us %.1f\n", name, Percentile99(f.paints));
    printf("%s_last_paint_median_us %.1f\n", name, Median(f.lastPaints));
    // Over an empty table the wheel moves nothing and nothing is redrawn.
    if (!f.wheels.empty() && f.openMs > 0) printf("%s_wheel_median_us %.1f\n", name, Median(f.wheels));
}

}  // namespace

int main(int argc, char** argv) {
    int paints = argc > 1 ? atoi(argv[1]) : 200;
    if (paints < 10) paints = 10;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const std::wstring full = MakeFolder(L"nr-schedule-bench-full-");
    const std::wstring empty = MakeFolder(L"nr-schedule-bench-empty-");
    WriteFile(full + L"schedule.dat", ScheduleText());
    Print("full", Measure(full, paints));
    Print("empty", Measure(empty, paints));
    printf("paints %d\n", paints);
    for (const std::wstring& folder : {full, empty}) {
        DeleteFileW((folder + L"schedule.dat").c_str());
        DeleteFileW((folder + L"Newsroller.ini").c_str());
        RemoveDirectoryW(folder.c_str());
    }
    return 0;
}

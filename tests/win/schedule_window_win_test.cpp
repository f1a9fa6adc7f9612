// The schedule window and the task editor in-process: opening from the file with the header and
// the size from the settings, the painted rows, the margin buttons and the wheel, a column dragged
// too narrow, deleting and closing, the editor's preset, focus advance and no-time box, and the
// ticker's menu command that opens the window as the modeless dialog.
#include "schedule/schedule_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/ticker_window_win.h"
#include "platform/wide_win.h"
#include "res/resource.h"
#include "win/files_support.h"

namespace {

void Pump(int milliseconds) {
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

std::string Record(const SYSTEMTIME& day, int hour, const char* text, int weekday = -1) {
    return std::to_string(day.wYear) + "," + std::to_string(day.wMonth) + "," + std::to_string(day.wDay) +
           "," + std::to_string(hour) + ",0,0," + std::to_string(weekday) + ",\r\n" + text + "\r\n";
}

SYSTEMTIME DaysFromToday(int days) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER value = {{file.dwLowDateTime, file.dwHighDateTime}};
    value.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(days) * 24 * 3600 * 10000000LL);
    file = {value.LowPart, value.HighPart};
    SYSTEMTIME day;
    FileTimeToSystemTime(&file, &day);
    return day;
}

// Runs `step` from a timer inside the modal loop of the dialog that the next command opens.
class DuringModal {
  public:
    explicit DuringModal(std::function<void()> step) {
        current_ = this;
        step_ = std::move(step);
        timer_ = SetTimer(nullptr, 0, 100, Fire);
    }
    ~DuringModal() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool ran() const { return ran_; }

  private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
        if (!current_ || current_->ran_) return;
        current_->ran_ = true;
        current_->step_();
    }
    static DuringModal* current_;
    std::function<void()> step_;
    UINT_PTR timer_ = 0;
    bool ran_ = false;
};
DuringModal* DuringModal::current_ = nullptr;

HWND FindEditor() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t title[32] = {};
            GetWindowTextW(window, title, 32);
            if (Cp932ToWide("編集") != title || !IsWindowVisible(window)) return TRUE;
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring Text(HWND window) {
    wchar_t text[300] = {};
    GetWindowTextW(window, text, 300);
    return text;
}

class ScheduleWindowWin : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override {
        instance = GetModuleHandleW(nullptr);
        font = CreateFontW(14, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0,
                           FIXED_PITCH | FF_MODERN, Cp932ToWide("ＭＳ ゴシック").c_str());
        const int ids[4] = {IDB_SCROLL_FIRST, IDB_SCROLL_UP, IDB_SCROLL_DOWN, IDB_SCROLL_LAST};
        for (int i = 0; i < 4; ++i) buttons[i] = LoadBitmapW(instance, MAKEINTRESOURCEW(ids[i]));
        SetDefaultSettings(settings);
        schedule = std::make_unique<ScheduleTable>();
    }
    void TearDown() override {
        if (window && IsWindow(window)) DestroyWindow(window);
        Pump(50);
        DeleteObject(font);
        for (HBITMAP b : buttons) DeleteObject(b);
    }
    HWND Open() {
        ScheduleWindowContext context;
        context.instance = instance;
        context.rowFont = font;
        for (int i = 0; i < 4; ++i) context.buttons[i] = buttons[i];
        context.schedule = schedule.get();
        context.view = &view;
        context.settings = &settings;
        context.platform = &files.platform;
        context.closed = [this] { ++closed; };
        window = CreateScheduleWindow(context);
        Pump(200);
        return window;
    }
    COLORREF Pixel(int x, int y) {
        HDC dc = GetDC(window);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return colour;
    }
    void Click(UINT message, int x, int y) {
        SendMessageW(window, message, 0, MAKELPARAM(x, y));
        Pump(100);
    }
    void Command(int id) {
        SendMessageW(window, WM_COMMAND, id, 0);
        Pump(100);
    }

    HINSTANCE instance = nullptr;
    HFONT font = nullptr;
    HBITMAP buttons[4] = {};
    AppSettings settings{};
    std::unique_ptr<ScheduleTable> schedule;
    ScheduleView view;
    WinFilesPlatform files;
    HWND window = nullptr;
    int closed = 0;
};

TEST_F(ScheduleWindowWin, OpensFromTheFileWithItsHeaderAndTheStoredSize) {
    const SYSTEMTIME today = DaysFromToday(0), yesterday = DaysFromToday(-1), later = DaysFromToday(3);
    // Out of order in the file: the window sorts what it loads.
    ASSERT_TRUE(files.folder.Write(L"schedule.dat", Record(later, 9, "later") + Record(today, 23, "today") +
                                                        Record(yesterday, 9, "yesterday") +
                                                        Record(later, 10, "weekly", 2)));
    settings.schecx = 500;
    settings.schecy = 320;
    view.selected = 2;
    view.firstVisible = 0;
    ASSERT_NE(nullptr, Open());
    EXPECT_TRUE(IsWindowVisible(window));
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(500, outer.right - outer.left);
    EXPECT_EQ(320, outer.bottom - outer.top);
    EXPECT_EQ(-1, view.selected);
    ASSERT_EQ(4, schedule->count);
    EXPECT_STREQ("yesterday", schedule->entry[0].text);
    EXPECT_STREQ("today", schedule->entry[1].text);

    HWND header = GetDlgItem(window, IDC_SCHEDULE_HEADER);
    ASSERT_NE(nullptr, header);
    ASSERT_EQ(3, SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const char* titles[3] = {"日付", "時刻", "タスク"};
    for (int i = 0; i < 3; ++i) {
        wchar_t text[32] = {};
        HDITEMW item = {};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = text;
        item.cchTextMax = 32;
        SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(Cp932ToWide(titles[i]), text);
        EXPECT_EQ(view.columnWidth[i], item.cxy);
    }
    EXPECT_EQ(111, view.columnWidth[0]);
    EXPECT_EQ(62, view.columnWidth[1]);
    RECT client, placed;
    GetClientRect(window, &client);
    GetWindowRect(header, &placed);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(36, placed.left);
    EXPECT_EQ(client.right, placed.right);  // laid out again for the new size
    EXPECT_EQ(view.headerHeight, placed.bottom - placed.top);
    EXPECT_GT(view.headerHeight, 10);

    // Rows: yesterday light red, today light yellow, later white; the margin line; the buttons.
    const int row = view.rowHeight;
    EXPECT_EQ(RGB(255, 192, 192), Pixel(40, RowTop(view, 0) + row / 2));
    EXPECT_EQ(RGB(255, 255, 192), Pixel(40, RowTop(view, 1) + row / 2));
    EXPECT_EQ(RGB(255, 255, 192), Pixel(client.right - 2, RowTop(view, 1) + row / 2));
    EXPECT_EQ(RGB(255, 255, 255), Pixel(40, RowTop(view, 2) + row / 2));
    EXPECT_EQ(RGB(255, 255, 255), Pixel(40, RowTop(view, 3) + row / 2));
    EXPECT_EQ(RGB(64, 128, 192), Pixel(36, client.bottom - 5));
    int dotted = 0;
    for (int x = 40; x < 140; ++x) dotted += Pixel(x, RowTop(view, 1) + row - 2) == RGB(64, 128, 192);
    EXPECT_GT(dotted, 20);                         // the day changes below today's row
    EXPECT_NE(RGB(255, 255, 255), Pixel(16, 10));  // the "to first" picture
    EXPECT_EQ(0, closed);
}

TEST_F(ScheduleWindowWin, ButtonsWheelAndClicksMoveAndSelectRows) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += Record(DaysFromToday(i + 1), 9, ("task " + std::to_string(i)).c_str());
    ASSERT_TRUE(files.folder.Write(L"schedule.dat", text));
    view.firstVisible = 5;  // kept from an earlier opening
    ASSERT_NE(nullptr, Open());
    EXPECT_EQ(5, view.firstVisible);
    Click(WM_LBUTTONUP, 10, 50);  // down
    EXPECT_EQ(6, view.firstVisible);
    Click(WM_LBUTTONUP, 10, 30);  // up
    EXPECT_EQ(5, view.firstVisible);
    Click(WM_LBUTTONUP, 10, 5);  // to first
    EXPECT_EQ(0, view.firstVisible);
    Click(WM_LBUTTONUP, 10, 70);  // to last
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(FirstVisibleForLast(view, 40, outer.bottom - outer.top), view.firstVisible);
    EXPECT_GT(view.firstVisible, 20);
    Click(WM_LBUTTONUP, 10, 90);  // below the buttons: nothing
    const int last = view.firstVisible;
    EXPECT_EQ(last, FirstVisibleForLast(view, 40, outer.bottom - outer.top));
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), 0);
    EXPECT_EQ(last - 1, view.firstVisible);
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(last, view.firstVisible);

    Click(WM_LBUTTONUP, 200, RowTop(view, last + 2) + 3);
    EXPECT_EQ(last + 2, view.selected);
    EXPECT_EQ(RGB(0, 0, 255), [&] {
        // Some pixel of the selected row's text is blue.
        for (int x = 44; x < 150; ++x) {
            for (int y = RowTop(view, last + 2); y < RowTop(view, last + 3); ++y) {
                if (Pixel(x, y) == RGB(0, 0, 255)) return RGB(0, 0, 255);
            }
        }
        return RGB(0, 0, 0);
    }());
}

TEST_F(ScheduleWindowWin, AColumnDraggedTooNarrowSnapsBackTo36) {
    ASSERT_NE(nullptr, Open());
    HWND header = GetDlgItem(window, IDC_SCHEDULE_HEADER);
    HDITEMW item = {};
    item.mask = HDI_WIDTH;
    item.cxy = 10;
    NMHEADERW end = {};
    end.hdr.hwndFrom = header;
    end.hdr.idFrom = IDC_SCHEDULE_HEADER;
    end.hdr.code = HDN_ENDTRACKW;
    end.iItem = 1;
    end.pitem = &item;
    SendMessageW(window, WM_NOTIFY, IDC_SCHEDULE_HEADER, reinterpret_cast<LPARAM>(&end));
    Pump(100);
    EXPECT_EQ(36, view.columnWidth[1]);
    HDITEMW now = {};
    now.mask = HDI_WIDTH;
    SendMessageW(header, HDM_GETITEMW, 1, reinterpret_cast<LPARAM>(&now));
    EXPECT_EQ(36, now.cxy);
    item.cxy = 150;
    end.iItem = 0;
    SendMessageW(window, WM_NOTIFY, IDC_SCHEDULE_HEADER, reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(150, view.columnWidth[0]);
}

TEST_F(ScheduleWindowWin, DeleteWritesTheFileAndClosingKeepsTheSize) {
    const SYSTEMTIME day = DaysFromToday(1);
    ASSERT_TRUE(files.folder.Write(L"schedule.dat", Record(day, 8, "first") + Record(day, 9, "second")));
    ASSERT_NE(nullptr, Open());
    Command(IDM_SCHEDULE_DELETE);  // nothing selected: nothing happens
    EXPECT_EQ(2, schedule->count);
    Click(WM_LBUTTONUP, 200, RowTop(view, 0) + 3);
    EXPECT_EQ(0, view.selected);
    Command(IDM_SCHEDULE_DELETE);
    EXPECT_EQ(1, schedule->count);
    EXPECT_EQ(Record(day, 9, "second"), files.folder.Read(L"schedule.dat"));

    SetWindowPos(window, nullptr, 0, 0, 456, 333, SWP_NOMOVE | SWP_NOZORDER);
    Command(IDCANCEL);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, closed);
    EXPECT_EQ(456, settings.schecx);
    EXPECT_EQ(333, settings.schecy);
    const std::string ini = files.folder.Read(L"Newsroller.ini");
    EXPECT_NE(std::string::npos, ini.find("schecx=456\r\nschecy=333\r\n")) << ini;
    EXPECT_TRUE(files.messages.shown.empty());
}

TEST_F(ScheduleWindowWin, TheEditorPresetsAWeeklyTaskAndAddsWithTheFocusAdvancing) {
    const SYSTEMTIME day = DaysFromToday(2);
    ASSERT_TRUE(files.folder.Write(L"schedule.dat", Record(day, 18, "weekly meeting", 3)));
    ASSERT_NE(nullptr, Open());
    Click(WM_LBUTTONUP, 200, RowTop(view, 0) + 3);

    struct Seen {
        std::wstring hour, minute, text, date;
        LRESULT weekday = -1;
        bool dateEnabled = true;
        int calendarHeight = 0, dialogHeight = 0;
        POINT calendarAt = {};
    } seen;
    {
        DuringModal step([&] {
            HWND editor = FindEditor();
            if (!editor) return;
            seen.hour = Text(GetDlgItem(editor, IDC_TASK_HOUR));
            seen.minute = Text(GetDlgItem(editor, IDC_TASK_MINUTE));
            seen.text = Text(GetDlgItem(editor, IDC_TASK_TEXT));
            seen.date = Text(GetDlgItem(editor, IDC_TASK_DATE));
            seen.weekday = SendDlgItemMessageW(editor, IDC_TASK_WEEKDAY, CB_GETCURSEL, 0, 0);
            seen.dateEnabled = IsWindowEnabled(GetDlgItem(editor, IDC_TASK_DATE));
            HWND calendar = FindWindowExW(editor, nullptr, MONTHCAL_CLASSW, nullptr);
            RECT r, d;
            GetWindowRect(calendar, &r);
            GetWindowRect(editor, &d);
            seen.calendarHeight = r.bottom - r.top;
            seen.dialogHeight = d.bottom - d.top;
            MapWindowPoints(nullptr, editor, reinterpret_cast<POINT*>(&r), 2);
            seen.calendarAt = {r.left, r.top};
            PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
        });
        Command(IDM_SCHEDULE_EDIT);
        EXPECT_TRUE(step.ran());
    }
    EXPECT_EQ(L"18", seen.hour);
    EXPECT_EQ(L"0", seen.minute);
    EXPECT_EQ(L"weekly meeting", seen.text);
    wchar_t date[16];
    swprintf(date, 16, L"%04d/%02d/%02d", day.wYear, day.wMonth, day.wDay);
    EXPECT_EQ(date, seen.date);
    EXPECT_EQ(4, seen.weekday);  // "水曜"
    EXPECT_FALSE(seen.dateEnabled);
    EXPECT_EQ(seen.calendarHeight + 103, seen.dialogHeight);
    EXPECT_EQ(10, seen.calendarAt.x);
    EXPECT_EQ(67, seen.calendarAt.y);
    EXPECT_EQ(1, schedule->count);  // cancelled: unchanged (and written again)

    // Adding: typed digits move the focus; the no-time box disables the time and gives it back.
    bool focusInMinute = false, focusInText = false, disabled = false, focusBack = false;
    {
        DuringModal step([&] {
            HWND editor = FindEditor();
            if (!editor) return;
            HWND hour = GetDlgItem(editor, IDC_TASK_HOUR), minute = GetDlgItem(editor, IDC_TASK_MINUTE);
            SetWindowTextW(hour, L"1");
            SetWindowTextW(hour, L"15");
            focusInMinute = GetFocus() == minute;
            SetWindowTextW(minute, L"3");
            SetWindowTextW(minute, L"30");
            focusInText = GetFocus() == GetDlgItem(editor, IDC_TASK_TEXT);
            SendDlgItemMessageW(editor, IDC_TASK_NOTIME, BM_CLICK, 0, 0);
            disabled = !IsWindowEnabled(hour) && !IsWindowEnabled(minute);
            SendDlgItemMessageW(editor, IDC_TASK_NOTIME, BM_CLICK, 0, 0);
            focusBack = IsWindowEnabled(hour) && GetFocus() == hour;
            SetWindowTextW(GetDlgItem(editor, IDC_TASK_TEXT), Cp932ToWide("新しい予定").c_str());
            PostMessageW(editor, WM_COMMAND, IDOK, 0);
        });
        Command(IDM_SCHEDULE_ADD);
        EXPECT_TRUE(step.ran());
    }
    EXPECT_TRUE(focusInMinute);
    EXPECT_TRUE(focusInText);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(focusBack);
    ASSERT_EQ(2, schedule->count);
    const SYSTEMTIME today = DaysFromToday(0);
    // Today's task at 15:30 comes before the weekly one, which is dated two days later.
    EXPECT_STREQ("新しい予定", schedule->entry[0].text);
    EXPECT_EQ(today.wDay, schedule->entry[0].when.day);
    EXPECT_EQ(15, schedule->entry[0].when.hour);
    EXPECT_EQ(30, schedule->entry[0].when.minute);
    EXPECT_NE(std::string::npos, files.folder.Read(L"schedule.dat").find("15,30,0,-1,\r\n新しい予定\r\n"));
}

TEST_F(ScheduleWindowWin, DestroyingTheOwnerWhileTheEditorIsOpenEndsEverythingCleanly) {
    ASSERT_TRUE(files.folder.Write(L"schedule.dat", Record(DaysFromToday(1), 8, "task")));
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(nullptr, owner);
    ScheduleWindowContext context;
    context.instance = instance;
    context.owner = owner;
    context.rowFont = font;
    context.schedule = schedule.get();
    context.view = &view;
    context.settings = &settings;
    context.platform = &files.platform;
    window = CreateScheduleWindow(context);
    ASSERT_NE(nullptr, window);
    Pump(100);
    Click(WM_LBUTTONUP, 200, RowTop(view, 0) + 3);
    bool editorSeen = false;
    {
        // As when the ticker is closed with Alt+F4 while the editor is open.
        DuringModal step([&] {
            editorSeen = FindEditor() != nullptr;
            DestroyWindow(owner);
        });
        Command(IDM_SCHEDULE_EDIT);
        EXPECT_TRUE(step.ran());
    }
    EXPECT_TRUE(editorSeen);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, schedule->count);
    EXPECT_EQ(0, closed);  // not closed by its own commands: the opener's flag is its own business
}

TEST(ScheduleFromTheTicker, TheMenuCommandOpensTheModelessWindowAndClosingClearsTheFlag) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    if (!TickerWindow::RegisterWindowClass(instance, icon)) {
        ASSERT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
    }
    WinTempFolder folder;
    auto ticker = std::make_unique<TickerWindow>(instance, icon, nullptr, folder.path());
    ASSERT_NE(nullptr, ticker->Create());
    App& app = ticker->app();
    app.state = AppState::NothingToShow;
    SendMessageW(ticker->window(), WM_COMMAND, IDM_SCHEDULE, 0);
    HWND schedule = ticker->modelessDialog();
    ASSERT_NE(nullptr, schedule);
    EXPECT_TRUE(IsWindow(schedule));
    EXPECT_TRUE(app.dialogOpen);
    EXPECT_EQ(ticker->window(), GetWindow(schedule, GW_OWNER));
    SendMessageW(schedule, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(schedule));
    EXPECT_FALSE(app.dialogOpen);
    EXPECT_EQ(nullptr, ticker->modelessDialog());
    DestroyWindow(ticker->window());
    Pump(50);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace

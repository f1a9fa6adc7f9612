// The schedule window and the task editor in-process, for what the end-to-end tests do not reach:
// the margin buttons and the wheel, a column dragged too narrow, the editor's preset of a weekly
// task and its no-time box, and the owner destroyed while the editor is open.
#include "schedule/schedule_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

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

// A visible window of this thread titled `title` (Shift_JIS).
HWND FindShown(const char* title) {
    struct Search {
        std::wstring title;
        HWND found;
    } search = {Cp932ToWide(title), nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            wchar_t text[32] = {};
            GetWindowTextW(window, text, 32);
            if (s.title != text || !IsWindowVisible(window)) return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindEditor() { return FindShown("編集"); }

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
    // `alsoClosed` goes with the window's context: it lives exactly as long as the window's object.
    HWND Open(HWND owner = nullptr, std::function<void()> alsoClosed = nullptr) {
        ScheduleWindowContext context;
        context.instance = instance;
        context.owner = owner;
        context.rowFont = font;
        for (int i = 0; i < 4; ++i) context.buttons[i] = buttons[i];
        context.schedule = schedule.get();
        context.view = &view;
        context.settings = &settings;
        context.platform = &files.platform;
        context.closed = [this, alsoClosed] {
            ++closed;
            if (alsoClosed) alsoClosed();
        };
        window = CreateScheduleWindow(context);
        Pump(200);
        return window;
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

TEST_F(ScheduleWindowWin, ButtonsWheelClicksAndANarrowColumn) {
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

    // A column dragged narrower than 36 pixels snaps back, in the header too.
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

TEST_F(ScheduleWindowWin, TheEditorPresetsAWeeklyTaskAndTheNoTimeBoxTakesTheTime) {
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
        bool disabled = false, focusBack = false;
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
            HWND hour = GetDlgItem(editor, IDC_TASK_HOUR), minute = GetDlgItem(editor, IDC_TASK_MINUTE);
            SendDlgItemMessageW(editor, IDC_TASK_NOTIME, BM_CLICK, 0, 0);
            seen.disabled = !IsWindowEnabled(hour) && !IsWindowEnabled(minute);
            SendDlgItemMessageW(editor, IDC_TASK_NOTIME, BM_CLICK, 0, 0);
            seen.focusBack = IsWindowEnabled(hour) && GetFocus() == hour;
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
    EXPECT_TRUE(seen.disabled);
    EXPECT_TRUE(seen.focusBack);
    EXPECT_EQ(1, schedule->count);  // cancelled: unchanged
}

TEST_F(ScheduleWindowWin, DestroyingTheOwnerWhileTheEditorIsOpenEndsEverythingCleanly) {
    ASSERT_TRUE(files.folder.Write(L"schedule.dat", Record(DaysFromToday(1), 8, "task")));
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(nullptr, owner);
    ASSERT_NE(nullptr, Open(owner));
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

// A message box raised while the window opens (a schedule.dat not read whole) runs a modal loop
// inside the window's creation; the ticker closed meanwhile destroys the window under it.
TEST_F(ScheduleWindowWin, DestroyingTheOwnerWhileAnOpeningMessageIsUpFreesTheWindowOnlyAfterItsCreation) {
    ASSERT_TRUE(
        files.folder.Write(L"schedule.dat", Record(DaysFromToday(1), 8, "task") + "not a record\r\n"));
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(nullptr, owner);
    int live = 0;  // copies of a value that goes with the window's object
    struct Copy {
        explicit Copy(int& n) : live(&n) { ++*live; }
        Copy(const Copy& other) : live(other.live) { ++*live; }
        Copy& operator=(const Copy&) = delete;
        ~Copy() { --*live; }
        int* live;
    };
    bool boxSeen = false, freedUnderItsCreation = false;
    {
        DuringModal step([&] {
            boxSeen = FindShown("警告") != nullptr;
            const int before = live;
            DestroyWindow(owner);
            freedUnderItsCreation = live < before;
        });
        Open(owner, [copy = Copy(live)] { (void)copy; });
        EXPECT_TRUE(step.ran());
    }
    EXPECT_TRUE(boxSeen);
    EXPECT_FALSE(freedUnderItsCreation);
    EXPECT_EQ(0, live);  // freed once its creation returned, not leaked
    EXPECT_EQ(nullptr, window);
    EXPECT_EQ(1, schedule->count);
}

}  // namespace

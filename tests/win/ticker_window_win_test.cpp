// The real ticker window in-process: creation and destruction without leaked GDI objects, styles and
// placement, the tray icon, the press counter with real mouse messages, the minute counter against
// `uptimer`, the menu's state guards and the About dialog.
#include "app/ticker_window_win.h"

#include <gtest/gtest.h>
#include <winternl.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/wide_win.h"
#include "res/resource.h"
#include "win/files_support.h"

namespace {

// GDI objects of this process. Wine does not implement GetGuiResources; there the objects are
// counted in the handle table that the process environment block points to, as on Windows.
DWORD GdiObjectCount() {
    SetLastError(0);
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return count;
    struct Cell {
        unsigned long long object;
        unsigned short processId, count, unique;
        unsigned char type, flags;
        unsigned long long user;
    };
    static_assert(sizeof(Cell) == 24, "handle table cell");
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return 0;
    const char* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
    const Cell* table = *reinterpret_cast<const Cell* const*>(peb + (sizeof(void*) == 8 ? 0xF8 : 0x94));
    if (!table) return 0;
    DWORD pid = GetCurrentProcessId();
    count = 0;
    for (int i = 0; i < 0x10000; ++i) {
        if (table[i].type != 0 && (table[i].processId == 0 || table[i].processId == (pid & 0xFFFF))) ++count;
    }
    return count;
}

void Pump(int milliseconds) {
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;  // posted by a destroyed ticker
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// Takes the WM_QUIT that destruction posts, so that it cannot end a later modal loop.
bool TakeQuitMessage(WPARAM& code) {
    MSG msg;
    for (int i = 0; i < 200; ++i) {
        if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
            code = msg.wParam;
            return true;
        }
        Sleep(5);
    }
    return false;
}

class TickerWindowWin : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
        ASSERT_NE(nullptr, icon);
        if (!TickerWindow::RegisterWindowClass(instance, icon)) {
            ASSERT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
        }
    }

    // A ticker whose program folder is a fresh temporary one.
    std::unique_ptr<TickerWindow> Make() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        return std::make_unique<TickerWindow>(instance, LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)),
                                              nullptr, folder.path());
    }

    void TearDown() override {
        if (ticker && ticker->window()) DestroyWindow(ticker->window());
        WPARAM code;
        TakeQuitMessage(code);
        ticker.reset();
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(ticker->window(), message, wParam, lParam);
    }

    WinTempFolder folder;
    std::unique_ptr<TickerWindow> ticker;
};

TEST_F(TickerWindowWin, CreationAndDestructionReleaseEveryGdiObject) {
    // A first window warms the system's caches (device contexts, fonts of the window manager).
    ticker = Make();
    ASSERT_NE(nullptr, ticker->Create());
    ticker->Show(SW_SHOWNOACTIVATE);
    Pump(200);
    DestroyWindow(ticker->window());
    WPARAM code = 99;
    ASSERT_TRUE(TakeQuitMessage(code));
    ticker.reset();

    const DWORD before = GdiObjectCount();
    ASSERT_GT(before, 0u) << "no way to count GDI objects";
    ticker = Make();
    ASSERT_NE(nullptr, ticker->Create());
    ticker->Show(SW_SHOWNOACTIVATE);
    Pump(300);  // timer ticks and paints
    // Back buffer, its bitmap, three fonts and four button bitmaps at least.
    EXPECT_GE(GdiObjectCount(), before + 9);
    std::vector<HGDIOBJ> owned = {ticker->backBuffer(), ticker->tickerFont(), ticker->smallFont12(),
                                  ticker->smallFont14()};
    for (int i = 0; i < kButtonBitmapCount; ++i) {
        ASSERT_NE(nullptr, ticker->buttonBitmap(i)) << i;
        owned.push_back(ticker->buttonBitmap(i));
    }
    for (HGDIOBJ object : owned) ASSERT_NE(0u, GetObjectType(object));

    DestroyWindow(ticker->window());
    ASSERT_TRUE(TakeQuitMessage(code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(nullptr, ticker->window());
    for (HGDIOBJ object : owned) EXPECT_EQ(0u, GetObjectType(object));
    ticker.reset();
    EXPECT_EQ(before, GdiObjectCount());
}

TEST_F(TickerWindowWin, WindowIsALayeredToolPopupPlacedFromTheSettings) {
    ticker = Make();
    HWND window = ticker->Create();
    ASSERT_NE(nullptr, window);
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_POPUP | WS_DLGFRAME | WS_SYSMENU),
              style & (WS_POPUP | WS_DLGFRAME | WS_SYSMENU | WS_CHILD | WS_THICKFRAME));
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);  // wintop defaults to 1
    wchar_t text[64] = {};
    GetClassNameW(window, text, 64);
    EXPECT_STREQ(L"Newsroller", text);
    GetWindowTextW(window, text, 64);
    EXPECT_STREQ(L"Newsroller", text);

    const AppSettings& s = ticker->app().settings;
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(s.winX - GetSystemMetrics(SM_CXDLGFRAME), rect.left);
    EXPECT_EQ(s.winY - GetSystemMetrics(SM_CYDLGFRAME), rect.top);
    EXPECT_EQ(600, rect.right - rect.left);
    EXPECT_EQ(18 + 9, rect.bottom - rect.top);  // scroll mode: fsize + 9

    // Creation ends with the first update cycle due and the defaults in force.
    EXPECT_EQ(AppState::BeginCycle, ticker->app().state);
    EXPECT_STREQ("起動中...", ticker->app().line1);
    BITMAP bitmap = {};
    ASSERT_TRUE(GetObjectW(GetCurrentObject(ticker->backBuffer(), OBJ_BITMAP), sizeof bitmap, &bitmap));
    EXPECT_EQ(ticker->app().screen.width, bitmap.bmWidth);
    EXPECT_EQ(138, bitmap.bmHeight);
    LOGFONTW font = {};
    ASSERT_TRUE(GetObjectW(ticker->smallFont14(), sizeof font, &font));
    EXPECT_EQ(14, font.lfHeight);
    EXPECT_EQ(SHIFTJIS_CHARSET, font.lfCharSet);
    EXPECT_EQ(FIXED_PITCH | FF_MODERN, font.lfPitchAndFamily);
    EXPECT_EQ(std::wstring(L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF"), font.lfFaceName);  // ＭＳ ゴシック
    BITMAP button = {};
    ASSERT_TRUE(GetObjectW(ticker->buttonBitmap(0), sizeof button, &button));
    EXPECT_EQ(29, button.bmWidth);
    EXPECT_EQ(16, button.bmHeight);
}

TEST_F(TickerWindowWin, CreationTakesTheSettingsFileAndPullsTheWindowOntoTheScreen) {
    ASSERT_TRUE(folder.Write(L"Newsroller.ini",
                             "winX=99999\r\nwinY=40\r\nwidth=500\r\nscrollf=0\r\nfsize=20\r\nwintop=0\r\n"));
    ticker = Make();
    HWND window = ticker->Create();
    ASSERT_NE(nullptr, window);
    const AppSettings& s = ticker->app().settings;
    EXPECT_EQ(500, s.width);
    EXPECT_EQ(0, s.scrollf);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ(500, rect.right - rect.left);
    EXPECT_EQ(2 * 20 + 10, rect.bottom - rect.top);  // page mode: two lines
    EXPECT_EQ(40 - GetSystemMetrics(SM_CYDLGFRAME), rect.top);
    // The far-off x was clamped so that the whole window is on the screen.
    EXPECT_LT(s.winX, 99999);
    EXPECT_LE(rect.right,
              ticker->app().screen.left + ticker->app().screen.width + 2 * GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_GT(rect.right, ticker->app().screen.left + ticker->app().screen.width - 10);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(TickerWindowWin, TrayIconCarriesTheTipAndComesBackWhenTheShellRestarts) {
    ticker = Make();
    ASSERT_NE(nullptr, ticker->Create());
    const NOTIFYICONDATAW& tray = ticker->trayIcon();
    EXPECT_EQ(ticker->window(), tray.hWnd);
    EXPECT_EQ(static_cast<UINT>(IDI_APP), tray.uID);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP), tray.uFlags);
    EXPECT_EQ(static_cast<UINT>(WM_USER), tray.uCallbackMessage);
    EXPECT_STREQ(L"Newsroller2.09", tray.szTip);

    // The shell lost the icon; its restart broadcast adds it again.
    NOTIFYICONDATAW copy = tray;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &copy));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &copy));
    Send(RegisterWindowMessageW(L"TaskbarCreated"));
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &copy));
}

// Records the window-move command instead of entering the system's modal move loop.
WNDPROC originalProc = nullptr;
std::vector<WPARAM> systemCommands;
LRESULT CALLBACK RecordSystemCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {
        systemCommands.push_back(wParam);
        return 0;
    }
    return CallWindowProcW(originalProc, window, message, wParam, lParam);
}

TEST_F(TickerWindowWin, ThirdMouseMoveAfterAPressDragsAndAStillPressIsAClick) {
    ticker = Make();
    HWND window = ticker->Create();
    ASSERT_NE(nullptr, window);
    originalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordSystemCommands)));
    systemCommands.clear();
    App& app = ticker->app();
    app.state = AppState::NothingToShow;  // nothing to show: a click starts an update

    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 5));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(101, 5));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(102, 5));
    EXPECT_TRUE(systemCommands.empty());
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(103, 5));
    ASSERT_EQ(1u, systemCommands.size());
    EXPECT_EQ(static_cast<WPARAM>(0xF012), systemCommands[0]);
    Send(WM_LBUTTONUP, 0, MAKELPARAM(103, 5));
    EXPECT_EQ(AppState::NothingToShow, app.state);  // a drag is no click

    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 5));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(101, 5));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(101, 5));
    EXPECT_EQ(AppState::BeginCycle, app.state);
    EXPECT_EQ(0, app.pressCounter);
    EXPECT_EQ(1u, systemCommands.size());

    // A lost capture cancels the press.
    app.state = AppState::NothingToShow;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 5));
    Send(WM_CAPTURECHANGED);
    Send(WM_LBUTTONUP, 0, MAKELPARAM(100, 5));
    EXPECT_EQ(AppState::NothingToShow, app.state);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc));
}

TEST_F(TickerWindowWin, MinuteCounterStartsTheUpdateAtUptimerUnlessADialogIsOpen) {
    ticker = Make();
    ASSERT_NE(nullptr, ticker->Create());
    App& app = ticker->app();
    app.settings.uptimer = 20;
    app.state = AppState::Showing;
    app.minuteCounter = 19;
    app.tickCounter = 998;
    Send(WM_TIMER, kTickTimer);
    EXPECT_EQ(19, app.minuteCounter);
    EXPECT_EQ(999, app.tickCounter);

    app.dialogOpen = 1;
    Send(WM_TIMER, kTickTimer);
    EXPECT_EQ(20, app.minuteCounter);
    EXPECT_EQ(0, app.tickCounter);
    Send(WM_TIMER, kTickTimer);
    EXPECT_EQ(20, app.minuteCounter);

    app.dialogOpen = 0;
    Send(WM_TIMER, kTickTimer);
    EXPECT_EQ(0, app.minuteCounter);
    EXPECT_NE(AppState::Showing, app.state);

    // Timer messages that arrive while a tick runs are not counted.
    app.cycleBusy = 1;
    int ticks = app.tickCounter;
    Send(WM_TIMER, kTickTimer);
    EXPECT_EQ(ticks, app.tickCounter);
    app.cycleBusy = 0;
}

// Closes a dialog that a refused command should never have opened, so the test cannot hang.
std::vector<std::wstring> unexpectedDialogs;
void CALLBACK CloseStrayDialogs(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindWindowW(L"#32770", nullptr);
    if (dialog && GetWindowThreadProcessId(dialog, nullptr) == GetCurrentThreadId()) {
        wchar_t title[64] = {};
        GetWindowTextW(dialog, title, 64);
        unexpectedDialogs.push_back(title);
        EndDialog(dialog, 0);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
}

TEST_F(TickerWindowWin, MenuCommandsOtherThanQuitWaitForTheIdleDisplay) {
    ticker = Make();
    ASSERT_NE(nullptr, ticker->Create());
    App& app = ticker->app();
    unexpectedDialogs.clear();
    UINT_PTR guard = SetTimer(nullptr, 0, 500, CloseStrayDialogs);

    // A tick is about to open a link (a cycle runs beside the display and does not stand in the way).
    app.state = AppState::OpenLink;
    for (int command :
         {IDM_SETTINGS, IDM_READ_ALL, IDM_READ_NEW, IDM_JUMP_TO_FIRST, IDM_UPDATE, IDM_SCHEDULE, IDM_ABOUT}) {
        Send(WM_COMMAND, MAKEWPARAM(command, 0));
        EXPECT_EQ(AppState::OpenLink, app.state) << command;
        EXPECT_EQ(0, app.dialogOpen) << command;
    }
    Send(WM_COMMAND, MAKEWPARAM(IDM_QUIT, 0));
    EXPECT_EQ(AppState::ExitRequested, app.state);

    app.state = AppState::NothingToShow;
    Send(WM_COMMAND, MAKEWPARAM(IDM_UPDATE, 0));
    EXPECT_EQ(AppState::BeginCycle, app.state);
    KillTimer(nullptr, guard);
    EXPECT_TRUE(unexpectedDialogs.empty());
}

struct AboutSeen {
    bool found = false;
    int dialogOpenWhileShown = -1;
    std::wstring version;
    bool ownedByTicker = false;
    bool survivedCancel = false;
};
AboutSeen aboutSeen;
HWND aboutOwner = nullptr;
App* aboutApp = nullptr;

void CALLBACK InspectAndCloseAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(L"#32770", L"\u30D0\u30FC\u30B8\u30E7\u30F3\u60C5\u5831");  // バージョン情報
    if (!dialog) return;
    KillTimer(nullptr, timer);
    aboutSeen.found = true;
    aboutSeen.dialogOpenWhileShown = aboutApp->dialogOpen;
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, IDC_ABOUT_VERSION, text, 64);
    aboutSeen.version = text;
    aboutSeen.ownedByTicker = GetWindow(dialog, GW_OWNER) == aboutOwner;
    // Only "閉じる" closes it.
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    aboutSeen.survivedCancel = IsWindowVisible(dialog) != 0;
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(TickerWindowWin, AboutDialogSetsTheDialogFlagWhileItIsOpen) {
    ticker = Make();
    ASSERT_NE(nullptr, ticker->Create());
    App& app = ticker->app();
    app.state = AppState::Showing;
    aboutSeen = AboutSeen();
    aboutOwner = ticker->window();
    aboutApp = &app;
    SetTimer(nullptr, 0, 100, InspectAndCloseAbout);
    Send(WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0));  // returns when the dialog has closed
    ASSERT_TRUE(aboutSeen.found);
    EXPECT_EQ(1, aboutSeen.dialogOpenWhileShown);
    EXPECT_EQ(L"Newsroller version 2.09", aboutSeen.version);
    EXPECT_TRUE(aboutSeen.ownedByTicker);
    EXPECT_TRUE(aboutSeen.survivedCancel);
    EXPECT_EQ(0, app.dialogOpen);

    // With a dialog open a right click shows no menu (it would block here if it did).
    app.dialogOpen = 1;
    Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 5));
    app.dialogOpen = 0;
}

TEST_F(TickerWindowWin, ResourcesCarryTheirJapaneseTexts) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_POPUP));
    ASSERT_NE(nullptr, menu);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(8, GetMenuItemCount(popup));
    const int ids[8] = {IDM_QUIT,          IDM_SETTINGS, IDM_READ_ALL, IDM_READ_NEW,
                        IDM_JUMP_TO_FIRST, IDM_UPDATE,   IDM_SCHEDULE, IDM_ABOUT};
    const char* texts[8] = {"終了",           "設定",          "全ての記事を読む", "新しい記事を読む",
                            "先頭にジャンプ", "RSSを更新する", "スケジュール",     "バージョン情報"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(static_cast<UINT>(ids[i]), GetMenuItemID(popup, i));
        wchar_t text[64] = {};
        GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
        EXPECT_EQ(Cp932ToWide(texts[i]), text) << i;
    }
    DestroyMenu(menu);

    HMENU schedule = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_SCHEDULE_POPUP));
    ASSERT_NE(nullptr, schedule);
    EXPECT_EQ(3, GetMenuItemCount(GetSubMenu(schedule, 0)));
    EXPECT_EQ(static_cast<UINT>(IDM_SCHEDULE_DELETE), GetMenuItemID(GetSubMenu(schedule, 0), 2));
    DestroyMenu(schedule);

    HACCEL table = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_SETTINGS));
    ASSERT_NE(nullptr, table);
    ACCEL entries[8];
    int n = CopyAcceleratorTableW(table, entries, 8);
    ASSERT_EQ(3, n);
    auto has = [&](WORD key, BYTE flags, WORD command) {
        for (int i = 0; i < n; ++i) {
            if (entries[i].key == key && (entries[i].fVirt & ~FNOINVERT) == flags &&
                entries[i].cmd == command) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(has(VK_DELETE, FVIRTKEY, IDC_SET_DELETE));
    EXPECT_TRUE(has(VK_DOWN, FVIRTKEY | FALT, IDC_SET_DOWN));
    EXPECT_TRUE(has(VK_UP, FVIRTKEY | FALT, IDC_SET_UP));
    DestroyAcceleratorTable(table);
}

}  // namespace

// The real settings dialog in-process: opened by the menu command as the modeless dialog owned by
// the ticker, filled from the settings and the feed list, its up-down controls and the font list of
// Shift_JIS faces. (The end-to-end tests drive it: tests/e2e/test_settings_dialog.py.)
#include "app/ticker_window_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/wide_win.h"
#include "res/resource.h"
#include "win/files_support.h"

namespace {

class SettingsDialogWin : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        if (!TickerWindow::RegisterWindowClass(instance, LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)))) {
            ASSERT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());
        }
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }

    // A ticker over a fresh program folder, idle, with the settings dialog opened from its menu.
    void Open(const char* feedList) {
        ASSERT_TRUE(folder.Write(L"URL-List.txt", feedList));
        HINSTANCE instance = GetModuleHandleW(nullptr);
        ticker = std::make_unique<TickerWindow>(instance, LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)),
                                                nullptr, folder.path());
        ASSERT_NE(nullptr, ticker->Create());
        ticker->app().state = AppState::Showing;
        SendMessageW(ticker->window(), WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0);
        dialog = ticker->modelessDialog();
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(IsWindowVisible(dialog));
    }

    void TearDown() override {
        if (ticker && ticker->window()) DestroyWindow(ticker->window());
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ticker.reset();
    }

    std::wstring Text(int id) {
        wchar_t text[512] = {};
        GetDlgItemTextW(dialog, id, text, 512);
        return text;
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    std::vector<std::wstring> Items(int id, UINT countMessage, UINT textMessage) {
        std::vector<std::wstring> items;
        HWND control = GetDlgItem(dialog, id);
        int count = static_cast<int>(SendMessageW(control, countMessage, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[512] = {};
            SendMessageW(control, textMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }

    WinTempFolder folder;
    std::unique_ptr<TickerWindow> ticker;
    HWND dialog = nullptr;
};

TEST_F(SettingsDialogWin, OpensFilledFromTheSettingsAndTheFeedList) {
    Open("毎朝ニュース\thttp://a.test/rss\t10\r\nB\thttp://b.test/\t5\r\n");
    App& app = ticker->app();
    EXPECT_TRUE(app.dialogOpen);
    EXPECT_EQ(Cp932ToWide("設定"), [&] {
        wchar_t title[32] = {};
        GetWindowTextW(dialog, title, 32);
        return std::wstring(title);
    }());
    EXPECT_EQ(ticker->window(), GetWindow(dialog, GW_OWNER));
    EXPECT_EQ(L"230", Text(IDC_SET_WINX));
    EXPECT_EQ(L"90", Text(IDC_SET_UPTIMER));
    EXPECT_EQ(L"9", Text(IDC_SET_SPEED));
    EXPECT_EQ(L"0", Text(IDC_SET_TRANSPARENCY));
    EXPECT_EQ(L"http://", Text(IDC_SET_URL));
    EXPECT_EQ(L"R 112", Text(IDC_SET_RED_VALUE));
    EXPECT_EQ(Cp932ToWide("15件"), Text(IDC_SET_TOTAL));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_SET_COLOR_BACK));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_SET_SCROLLF));  // not cleared with the radios
    EXPECT_EQ((std::vector<std::wstring>{Cp932ToWide("（10）毎朝ニュース"), Cp932ToWide("（5）B")}),
              Items(IDC_SET_FEEDS, LB_GETCOUNT, LB_GETTEXT));
    for (int id : {IDC_SET_ADD, IDC_SET_CHANGE, IDC_SET_UP, IDC_SET_DOWN, IDC_SET_DELETE})
        EXPECT_FALSE(Enabled(id));

    // The up-down controls with their ranges, beside their fields.
    const int spins[][3] = {{IDC_SET_SPEED_SPIN, 1, 10},
                            {IDC_SET_STEP_SPIN, 1, 99},
                            {IDC_SET_TRANSPARENCY_SPIN, 0, 25},
                            {IDC_SET_ALERTTIME_SPIN, 0, 30}};
    for (const auto& spin : spins) {
        HWND control = GetDlgItem(dialog, spin[0]);
        ASSERT_NE(nullptr, control) << spin[0];
        LRESULT range = SendMessageW(control, UDM_GETRANGE, 0, 0);
        EXPECT_EQ(spin[1], static_cast<short>(HIWORD(range))) << spin[0];
        EXPECT_EQ(spin[2], static_cast<short>(LOWORD(range))) << spin[0];
    }

    // Shift_JIS faces only, no vertical ones, the saved face selected.
    std::vector<std::wstring> faces = Items(IDC_SET_FONTFACE, CB_GETCOUNT, CB_GETLBTEXT);
    ASSERT_FALSE(faces.empty());
    for (const std::wstring& face : faces) EXPECT_NE(L'@', face[0]) << face;
    LRESULT selected = SendDlgItemMessageW(dialog, IDC_SET_FONTFACE, CB_GETCURSEL, 0, 0);
    ASSERT_GE(selected, 0);
    EXPECT_EQ(Cp932ToWide("ＭＳ Ｐゴシック"), faces[static_cast<size_t>(selected)]);
}

HWND closingTicker = nullptr;

// The ticker closes (as its close destroys it) while a message box of the dialog's opening is up:
// the feed list's notice that an unreadable list was kept as a copy. The dialog goes with it, and
// neither its opening nor the menu command uses it afterwards.
TEST_F(SettingsDialogWin, TickerClosedWhileTheOpeningShowsABoxLeavesNothingOpen) {
    ASSERT_TRUE(folder.Write(L"URL-List.txt", "A\thttp://a.test/\t5\tfourth field\r\n"));
    HINSTANCE instance = GetModuleHandleW(nullptr);
    ticker = std::make_unique<TickerWindow>(instance, LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)), nullptr,
                                            folder.path());
    ASSERT_NE(nullptr, ticker->Create());
    ticker->app().state = AppState::Showing;
    closingTicker = ticker->window();
    // A thread timer: it fires inside the box's own message loop.
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        DestroyWindow(closingTicker);
    });
    SendMessageW(ticker->window(), WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0);
    EXPECT_FALSE(IsWindow(closingTicker));
    EXPECT_EQ(nullptr, ticker->modelessDialog());
    EXPECT_FALSE(ticker->app().dialogOpen);
    EXPECT_EQ(nullptr, ticker->app().previewingForm);
    EXPECT_FALSE(folder.Read(L"URL-List.txt.bak").empty());
}

}  // namespace

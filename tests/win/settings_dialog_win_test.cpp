// The real settings dialog in-process: opened by the menu command as the modeless dialog, filled
// from the settings and the feed list, the font list of Shift_JIS faces, the live font and
// transparency on the ticker and Cancel's restore, the list buttons, and OK's files.
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
    void Command(int id, int code = BN_CLICKED) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    std::wstring TickerFace() {
        LOGFONTW font = {};
        GetObjectW(ticker->tickerFont(), sizeof font, &font);
        return font.lfFaceName;
    }
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

TEST_F(SettingsDialogWin, FontAndTransparencyShowOnTheTickerAndCancelTakesThemBack) {
    Open("");
    App& app = ticker->app();
    const std::string settingsFile = folder.Read(L"Newsroller.ini");
    ASSERT_FALSE(settingsFile.empty());
    const std::wstring before = TickerFace();
    std::vector<std::wstring> faces = Items(IDC_SET_FONTFACE, CB_GETCOUNT, CB_GETLBTEXT);
    int other = -1;
    for (size_t i = 0; i < faces.size(); ++i) {
        if (faces[i] != before) other = static_cast<int>(i);
    }
    ASSERT_GE(other, 0);
    SendDlgItemMessageW(dialog, IDC_SET_FONTFACE, CB_SETCURSEL, static_cast<WPARAM>(other), 0);
    Command(IDC_SET_FONTFACE, CBN_SELCHANGE);
    EXPECT_EQ(faces[static_cast<size_t>(other)], TickerFace());
    SetDlgItemTextW(dialog, IDC_SET_TRANSPARENCY, L"20");
    EXPECT_EQ(100, app.settings.toumeido);

    Command(IDCANCEL);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(nullptr, ticker->modelessDialog());
    EXPECT_FALSE(app.dialogOpen);
    EXPECT_EQ(before, TickerFace());
    EXPECT_EQ(300, app.settings.toumeido);
    EXPECT_TRUE(app.transparencyPending);  // applied by the display at its pace
    EXPECT_EQ(settingsFile, folder.Read(L"Newsroller.ini"));
}

TEST_F(SettingsDialogWin, AddedFeedIsSavedOnOk) {
    Open("A\thttp://a.test/\t5\r\n");
    App& app = ticker->app();
    SetDlgItemTextW(dialog, IDC_SET_SITE, Cp932ToWide("新サイト").c_str());
    SetDlgItemTextW(dialog, IDC_SET_URL, L"http://new.test/rss");
    SetDlgItemTextW(dialog, IDC_SET_MAXIMUM, L"7");
    EXPECT_TRUE(Enabled(IDC_SET_ADD));
    EXPECT_FALSE(Enabled(IDC_SET_CHANGE));
    Command(IDC_SET_ADD);
    EXPECT_EQ(Cp932ToWide("（7）新サイト"), Items(IDC_SET_FEEDS, LB_GETCOUNT, LB_GETTEXT).back());
    EXPECT_EQ(1, SendDlgItemMessageW(dialog, IDC_SET_FEEDS, LB_GETCURSEL, 0, 0));
    EXPECT_EQ(Cp932ToWide("12件"), Text(IDC_SET_TOTAL));
    EXPECT_FALSE(Enabled(IDC_SET_ADD));
    EXPECT_TRUE(Enabled(IDC_SET_DELETE));

    // The Delete key while the URL field has the focus deletes text there, not the feed.
    SetFocus(GetDlgItem(dialog, IDC_SET_URL));
    SendMessageW(GetDlgItem(dialog, IDC_SET_URL), EM_SETSEL, 0, 7);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SET_DELETE, 1), 0);  // as the accelerator sends it
    EXPECT_EQ(L"new.test/rss", Text(IDC_SET_URL));
    EXPECT_EQ(2u, Items(IDC_SET_FEEDS, LB_GETCOUNT, LB_GETTEXT).size());
    // Alt+Up moves the selected feed.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SET_UP, 1), 0);
    EXPECT_EQ(Cp932ToWide("（7）新サイト"), Items(IDC_SET_FEEDS, LB_GETCOUNT, LB_GETTEXT).front());

    Command(IDOK);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(app.dialogOpen);
    EXPECT_EQ(AppState::BeginCycle, app.state);
    EXPECT_TRUE(app.cacheOnly);
    EXPECT_EQ("新サイト\thttp://new.test/rss\t7\r\nA\thttp://a.test/\t5\r\n", folder.Read(L"URL-List.txt"));
    EXPECT_NE(std::string::npos, folder.Read(L"Newsroller.ini").find("uptimer=90\r\n"));
}

}  // namespace

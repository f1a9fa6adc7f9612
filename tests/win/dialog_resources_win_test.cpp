// The dialog templates as the dialog manager builds them: captions, sizes in dialog units, and
// each control with its id, class and Japanese label.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/wide_win.h"
#include "res/resource.h"

namespace {

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class DialogTemplate : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }
    void Open(int id) {
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, PlainDialog, 0);
        ASSERT_NE(nullptr, dialog) << "dialog " << id << " error " << GetLastError();
    }
    void TearDown() override {
        if (dialog) DestroyWindow(dialog);
    }

    std::wstring Text(HWND window) {
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        return text;
    }
    std::wstring ClassOf(HWND window) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        return name;
    }
    // Position and size in pixels, each converted on its own as the dialog manager does.
    RECT Dlu(int x, int y, int w, int h) {
        RECT position = {x, y, w, h};
        MapDialogRect(dialog, &position);
        return RECT{position.left, position.top, position.left + position.right,
                    position.top + position.bottom};
    }
    // A control's rectangle in the dialog's client coordinates.
    RECT Placed(HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void ExpectControl(int id, const wchar_t* className, const char* label) {
        HWND control = GetDlgItem(dialog, id);
        ASSERT_NE(nullptr, control) << "control " << id;
        EXPECT_EQ(std::wstring(className), ClassOf(control)) << "control " << id;
        if (label) {
            EXPECT_EQ(Cp932ToWide(label), Text(control)) << "control " << id;
        }
    }
    void ExpectClientSize(int w, int h) {
        RECT expected = Dlu(0, 0, w, h), client;
        GetClientRect(dialog, &client);
        EXPECT_EQ(expected.right, client.right);
        EXPECT_EQ(expected.bottom, client.bottom);
    }
    void ExpectFont() {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
        LOGFONTW logFont = {};
        ASSERT_TRUE(GetObjectW(font, sizeof logFont, &logFont));
        EXPECT_EQ(Cp932ToWide("ＭＳ Ｐゴシック"), logFont.lfFaceName);
        HDC dc = GetDC(dialog);
        EXPECT_EQ(-MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72), logFont.lfHeight);
        ReleaseDC(dialog, dc);
    }

    HWND dialog = nullptr;
};

TEST_F(DialogTemplate, SettingsDialogHasEveryControlInSixGroups) {
    Open(IDD_SETTINGS);
    EXPECT_EQ(Cp932ToWide("設定"), Text(dialog));
    ExpectClientSize(291, 419);
    ExpectFont();
    struct Control {
        int id;
        const wchar_t* className;
        const char* label;
    };
    const Control controls[] = {
        {IDC_SET_WINX, L"Edit", nullptr},
        {IDC_SET_WINY, L"Edit", nullptr},
        {IDC_SET_WIDTH, L"Edit", nullptr},
        {IDC_SET_POS_HINT, L"Edit", nullptr},
        {IDC_SET_SAVEPOS, L"Button", "位置を記憶"},
        {IDC_SET_FSIZE, L"Edit", nullptr},
        {IDC_SET_FONTFACE, L"ComboBox", nullptr},
        {IDC_SET_BOLD, L"Button", "太字"},
        {IDC_SET_OPML_SAVE, L"Button", "OPML保存"},
        {IDC_SET_UPTIMER, L"Edit", nullptr},
        {IDC_SET_SPEED, L"Edit", nullptr},
        {IDC_SET_STEP, L"Edit", nullptr},
        {IDC_SET_WINTOP, L"Button", "常に手前に表示"},
        {IDC_SET_SCROLLF, L"Button", "スクロール\nモード"},
        {IDC_SET_XMOVE, L"Edit", nullptr},
        {IDC_SET_UPDAY, L"Edit", nullptr},
        {IDC_SET_TRANSPARENCY, L"Edit", nullptr},
        {IDC_SET_FEEDS, L"ListBox", nullptr},
        {IDC_SET_LOOKUP, L"Button", "RSSから読み込む"},
        {IDC_SET_SITE, L"Edit", nullptr},
        {IDC_SET_URL, L"Edit", nullptr},
        {IDC_SET_MAXIMUM, L"Edit", nullptr},
        {IDC_SET_TOTAL, L"Edit", nullptr},
        {IDC_SET_ADD, L"Button", "追加"},
        {IDC_SET_CHANGE, L"Button", "変更"},
        {IDC_SET_UP, L"Button", "↑"},
        {IDC_SET_DOWN, L"Button", "↓"},
        {IDC_SET_DELETE, L"Button", "削\n除"},
        {IDC_SET_COLOR_BACK, L"Button", "背景"},
        {IDC_SET_COLOR_TEXT1, L"Button", "テキスト１"},
        {IDC_SET_COLOR_TEXT2, L"Button", "テキスト２"},
        {IDC_SET_COLOR_FRAME, L"Button", "枠"},
        {IDC_SET_RED, L"ScrollBar", nullptr},
        {IDC_SET_GREEN, L"ScrollBar", nullptr},
        {IDC_SET_BLUE, L"ScrollBar", nullptr},
        {IDC_SET_RED_VALUE, L"Edit", nullptr},
        {IDC_SET_GREEN_VALUE, L"Edit", nullptr},
        {IDC_SET_BLUE_VALUE, L"Edit", nullptr},
        {IDC_SET_ALERTTIME, L"Edit", nullptr},
        {IDC_SET_MOUSESCHE, L"Button", "マウスジェスチャで起動"},
        {IDC_SET_HOVERSTOP, L"Button", "マウスを重ねると停止"},
        {IDC_SET_STARTUP, L"Button", "Windowsの起動時に実行"},
        {IDOK, L"Button", "OK"},
        {IDCANCEL, L"Button", "ｷｬﾝｾﾙ"},
    };
    for (const Control& c : controls) ExpectControl(c.id, c.className, c.label);
    // The values that only up-down controls change are read-only.
    for (int id : {IDC_SET_SPEED, IDC_SET_STEP, IDC_SET_TRANSPARENCY, IDC_SET_ALERTTIME, IDC_SET_POS_HINT,
                   IDC_SET_TOTAL}) {
        EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & ES_READONLY) << id;
    }

    const char* groups[] = {"ウィンドウ位置", "フォント",
                            "表示設定",       "RSSリスト ・・・ （最大表示件数） サイト名",
                            "カラー",         "スケジュール"};
    int found = 0, lastTop = -1;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX || ClassOf(child) != L"Button")
            continue;
        ASSERT_LT(found, 6);
        EXPECT_EQ(Cp932ToWide(groups[found]), Text(child));
        int top = Placed(child).top;
        EXPECT_GE(top, lastTop) << "groups run from top to bottom";
        lastTop = top;
        ++found;
    }
    EXPECT_EQ(6, found);
}

TEST_F(DialogTemplate, OpmlImportDialogHasAProgressBarAndAnAbortButton) {
    Open(IDD_OPML_IMPORT);
    EXPECT_EQ(Cp932ToWide("OPML読み込み中．．．"), Text(dialog));
    ExpectFont();
    ExpectControl(IDC_IMPORT_PROGRESS, L"msctls_progress32", nullptr);
    ExpectControl(IDC_IMPORT_ABORT, L"Button", "中断");
}

TEST_F(DialogTemplate, AboutDialogShowsTheIconVersionAndTwoButtons) {
    Open(IDD_ABOUT);
    EXPECT_EQ(Cp932ToWide("バージョン情報"), Text(dialog));
    ExpectFont();
    ExpectControl(IDC_ABOUT_VERSION, L"Static", "Newsroller version 2.09");
    ExpectControl(IDC_ABOUT_OPEN_SITE, L"Button", "配布元サイトを開く");
    ExpectControl(IDOK, L"Button", "閉じる");
    HWND icon = GetDlgItem(dialog, IDC_ABOUT_ICON);
    ASSERT_NE(nullptr, icon);
    EXPECT_NE(0, SendMessageW(icon, STM_GETICON, 0, 0));
}

TEST_F(DialogTemplate, ScheduleWindowIsAnEmptySizableDialog) {
    Open(IDD_SCHEDULE);
    EXPECT_EQ(Cp932ToWide("スケジュール"), Text(dialog));
    ExpectClientSize(406, 199);
    LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME),
              style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME));
    EXPECT_EQ(nullptr, GetWindow(dialog, GW_CHILD));
}

TEST_F(DialogTemplate, TaskEditorPlacesItsControlsAsDesigned) {
    Open(IDD_TASK_EDITOR);
    EXPECT_EQ(Cp932ToWide("編集"), Text(dialog));
    ExpectClientSize(267, 218);
    struct Control {
        int id;
        const wchar_t* className;
        const char* label;
        int x, y, w, h;
    };
    const Control controls[] = {
        // The first row is shifted right for a date field that holds the whole date.
        {IDOK, L"Button", "OK", 197, 7, 30, 14},
        {IDCANCEL, L"Button", "ｷｬﾝｾﾙ", 231, 7, 30, 14},
        {IDC_TASK_DATE, L"Edit", nullptr, 7, 9, 50, 14},
        {IDC_TASK_HOUR, L"Edit", nullptr, 59, 7, 23, 14},
        {IDC_TASK_MINUTE, L"Edit", nullptr, 94, 7, 23, 14},
        {IDC_TASK_NOTIME, L"Button", "時間を指定しない", 131, 9, 63, 10},
        {IDC_TASK_TEXT, L"Edit", nullptr, 93, 26, 168, 14},
    };
    for (const Control& c : controls) {
        ExpectControl(c.id, c.className, c.label);
        RECT expected = Dlu(c.x, c.y, c.w, c.h), placed = Placed(GetDlgItem(dialog, c.id));
        EXPECT_EQ(expected.left, placed.left) << c.id;
        EXPECT_EQ(expected.top, placed.top) << c.id;
        EXPECT_EQ(expected.right, placed.right) << c.id;
        EXPECT_EQ(expected.bottom, placed.bottom) << c.id;
    }
    ExpectControl(IDC_TASK_WEEKDAY, L"ComboBox", nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(dialog, IDC_TASK_DATE), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(Dlu(25, 25, 1, 1).left, Placed(GetDlgItem(dialog, IDC_TASK_WEEKDAY)).left);
    // The whole date fits the field's text area in the dialog's font ("2026/12/" was all it showed).
    HWND date = GetDlgItem(dialog, IDC_TASK_DATE);
    HDC dc = GetDC(date);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(date, WM_GETFONT, 0, 0)));
    SIZE text = {};
    GetTextExtentPoint32W(dc, L"2888/08/28", 10, &text);
    SelectObject(dc, old);
    ReleaseDC(date, dc);
    RECT area = {};
    SendMessageW(date, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    EXPECT_GT(text.cx, 0);
    EXPECT_LE(text.cx, area.right - area.left);
}

}  // namespace

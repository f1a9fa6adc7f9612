// Reads and drives another program's windows for the end-to-end tests, from a second Wine process
// in the same prefix: control texts, list and combo box items, check and enabled states, control
// rectangles, a layered window's opacity and a message box's text. Texts cross as UTF-8.
//
//   window_probe text TITLE ID          the control's text
//   window_probe set TITLE ID TEXT      sets it (the owner sees EN_CHANGE)
//   window_probe command TITLE ID       posts the button click (WM_COMMAND, BN_CLICKED)
//   window_probe items TITLE ID         list or combo box items, one a line, "*" before the selected one
//   window_probe select TITLE ID INDEX  selects an item and posts the selection-change notification
//   window_probe state TITLE ID         "checked enabled" as two 0/1 values
//   window_probe rect TITLE ID          screen rectangle "left top right bottom" (ID 0: the window)
//   window_probe opacity TITLE          the layered window's alpha, or "none"
//   window_probe message TITLE          the text of a message box
// TITLE is a visible top-level window's exact title. Exit code 0, or 1 when a window or control is
// missing.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr UINT kTimeout = 5000;

void Print(const std::wstring& text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr,
                            nullptr);
    }
    utf8 += '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written,
              nullptr);
}

struct Search {
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window)) return TRUE;
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (wcscmp(text, search->title) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(const wchar_t* title) {
    Search search = {title, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kTimeout, &result)) return -1;
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
    wchar_t text[4096] = {};
    Send(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
    return text;
}

bool IsCombo(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    return _wcsicmp(name, L"ComboBox") == 0;
}

int Items(HWND control) {
    const bool combo = IsCombo(control);
    const int count = static_cast<int>(Send(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    const int selected = static_cast<int>(Send(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        Send(control, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
             reinterpret_cast<LPARAM>(text));
        Print((i == selected ? L"*" : L"") + std::wstring(text));
    }
    return 0;
}

int Select(HWND window, HWND control, int id, int index) {
    const bool combo = IsCombo(control);
    Send(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
    return 0;
}

// A message box shows its text in a static control; the icon is a static control without text.
int MessageText(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (_wcsicmp(name, L"Static") != 0) continue;
        std::wstring text = TextOf(child);
        if (!text.empty()) {
            Print(text);
            return 0;
        }
    }
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring command = argv[1];
    HWND window = FindTopLevel(argv[2]);
    if (!window) return 1;
    if (command == L"opacity") {
        BYTE alpha = 0;
        DWORD flags = 0;
        COLORREF key = 0;
        if (GetLayeredWindowAttributes(window, &key, &alpha, &flags) && (flags & LWA_ALPHA)) {
            Print(std::to_wstring(alpha));
        } else {
            Print(L"none");
        }
        return 0;
    }
    if (command == L"message") return MessageText(window);
    if (argc < 4) return 2;
    const int id = _wtoi(argv[3]);
    HWND control = id == 0 ? window : GetDlgItem(window, id);
    if (!control) return 1;
    if (command == L"text") {
        Print(TextOf(control));
    } else if (command == L"set" && argc >= 5) {
        Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    } else if (command == L"command") {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    } else if (command == L"items") {
        return Items(control);
    } else if (command == L"select" && argc >= 5) {
        return Select(window, control, id, _wtoi(argv[4]));
    } else if (command == L"state") {
        const bool checked = Send(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        Print(std::wstring(checked ? L"1" : L"0") + L" " + (IsWindowEnabled(control) ? L"1" : L"0"));
    } else if (command == L"rect") {
        RECT r = {};
        GetWindowRect(control, &r);
        Print(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) +
              L" " + std::to_wstring(r.bottom));
    } else {
        return 2;
    }
    return 0;
}

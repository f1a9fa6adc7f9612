// A second program in the ticker's Wine prefix that reads and drives the ticker's dialogs for the
// end-to-end tests: what a screenshot cannot tell (edit texts, message box texts, the focused
// control, check boxes and list selections), and a few actions.
//
//   window_probe dump                   every visible top-level window with its controls, as JSON
//   window_probe settext HWND TEXT      WM_SETTEXT
//   window_probe click HWND             posts BM_CLICK (a modal message box may follow)
//   window_probe select HWND INDEX      selects a list or combo box item and tells its dialog
//   window_probe resize HWND W H        sets the outer size
//   window_probe close HWND             posts WM_CLOSE
//   window_probe hold FILE READY RELEASE SECONDS
//       opens FILE for reading and writing without sharing (as an editor, a virus scanner or a
//       backup program may), creates the file READY, and keeps FILE open until the file RELEASE
//       exists or SECONDS have passed
//
// HWND is decimal, as the dump prints it. Texts are written as UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr,
                        nullptr);
    return out;
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// The text through WM_GETTEXT, which the system carries across processes.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                        2000, &got);
    text.resize(wcslen(text.c_str()));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

std::string Rect(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    char text[96];
    snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return text;
}

LRESULT Ask(HWND window, UINT message) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    return static_cast<LRESULT>(result);
}

// The items of a list box or combo box, as a JSON array.
std::string Items(HWND box, bool combo) {
    const LRESULT count = Ask(box, combo ? CB_GETCOUNT : LB_GETCOUNT);
    std::string out = "[";
    for (LRESULT i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(box, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(i), 0,
                            SMTO_ABORTIFHUNG, 2000, &length);
        std::wstring text(length + 1, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(box, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 2000, &got);
        text.resize(wcslen(text.c_str()));
        out += (i ? ", " : "") + Json(text);
    }
    return out + "]";
}

struct Dump {
    std::string out;
    bool firstChild = true;
};

BOOL CALLBACK DumpChild(HWND child, LPARAM param) {
    Dump& dump = *reinterpret_cast<Dump*>(param);
    std::wstring className = ClassOf(child);
    char head[160];
    snprintf(head, sizeof head,
             "%s\n    {\"hwnd\": %llu, \"id\": %ld, \"visible\": %s, \"enabled\": %s, \"rect\": ",
             dump.firstChild ? "" : ",", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(child)),
             static_cast<long>(GetDlgCtrlID(child)), IsWindowVisible(child) ? "true" : "false",
             IsWindowEnabled(child) ? "true" : "false");
    dump.firstChild = false;
    dump.out += head;
    dump.out += Rect(child);
    dump.out += ", \"class\": " + Json(className) + ", \"text\": " + Json(TextOf(child));
    if (_wcsicmp(className.c_str(), L"Button") == 0) {
        dump.out += ", \"checked\": " + std::to_string(static_cast<long>(Ask(child, BM_GETCHECK)));
    } else if (_wcsicmp(className.c_str(), L"ComboBox") == 0) {
        dump.out += ", \"selection\": " + std::to_string(static_cast<long>(Ask(child, CB_GETCURSEL)));
        dump.out += ", \"items\": " + Items(child, true);
    } else if (_wcsicmp(className.c_str(), L"ListBox") == 0) {
        dump.out += ", \"selection\": " + std::to_string(static_cast<long>(Ask(child, LB_GETCURSEL)));
        dump.out += ", \"items\": " + Items(child, false);
    }
    dump.out += "}";
    return TRUE;
}

struct TopLevels {
    std::string out;
    bool first = true;
};

BOOL CALLBACK DumpTopLevel(HWND window, LPARAM param) {
    if (!IsWindowVisible(window)) return TRUE;
    TopLevels& all = *reinterpret_cast<TopLevels*>(param);
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(window, &pid);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND focus = GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
    HWND owner = GetWindow(window, GW_OWNER);
    char head[200];
    snprintf(head, sizeof head,
             "%s\n  {\"hwnd\": %llu, \"pid\": %lu, \"owner\": %llu, \"enabled\": %s, \"focus\": %llu, "
             "\"focus_id\": %ld, \"rect\": ",
             all.first ? "" : ",", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)), pid,
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)),
             IsWindowEnabled(window) ? "true" : "false",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(focus)),
             focus ? static_cast<long>(GetDlgCtrlID(focus)) : 0L);
    all.first = false;
    all.out += head;
    all.out += Rect(window);
    // The layered window's opacity (0 to 255), or null.
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    const bool layered = GetLayeredWindowAttributes(window, &key, &alpha, &flags) && (flags & LWA_ALPHA);
    all.out += ", \"alpha\": " + (layered ? std::to_string(alpha) : std::string("null"));
    all.out += ", \"class\": " + Json(ClassOf(window)) + ", \"title\": " + Json(TextOf(window)) +
               ", \"children\": [";
    Dump children;
    EnumChildWindows(window, DumpChild, reinterpret_cast<LPARAM>(&children));
    all.out += children.out + "]}";
    return TRUE;
}

HWND HandleArgument(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(text, nullptr, 10)));
}

int Fail(const char* why) {
    fprintf(stderr, "window_probe: %s\n", why);
    return 2;
}

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

int Hold(const wchar_t* path, const wchar_t* ready, const wchar_t* release, int seconds) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("the file cannot be held");
    HANDLE mark =
        CreateFileW(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark == INVALID_HANDLE_VALUE) return Fail("READY cannot be created");
    CloseHandle(mark);
    for (int waited = 0; waited < seconds * 1000 && !Exists(release); waited += 50) Sleep(50);
    CloseHandle(file);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("no command");
    std::wstring command = argv[1];
    if (command == L"dump") {
        TopLevels all;
        EnumWindows(DumpTopLevel, reinterpret_cast<LPARAM>(&all));
        std::string out = "[" + all.out + "\n]\n";
        fwrite(out.data(), 1, out.size(), stdout);
        return 0;
    }
    if (command == L"hold" && argc >= 6) return Hold(argv[2], argv[3], argv[4], _wtoi(argv[5]));
    if (argc < 3) return Fail("no window");
    HWND window = HandleArgument(argv[2]);
    if (!IsWindow(window)) return Fail("no such window");
    if (command == L"settext" && argc >= 4) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]), SMTO_ABORTIFHUNG,
                                   2000, &result)
                   ? 0
                   : Fail("WM_SETTEXT failed");
    }
    if (command == L"select" && argc >= 4) {
        const bool combo = _wcsicmp(ClassOf(window).c_str(), L"ComboBox") == 0;
        const int index = _wtoi(argv[3]);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0,
                            SMTO_ABORTIFHUNG, 2000, &result);
        const WPARAM notice = MAKEWPARAM(GetDlgCtrlID(window), combo ? CBN_SELCHANGE : LBN_SELCHANGE);
        return PostMessageW(GetParent(window), WM_COMMAND, notice, reinterpret_cast<LPARAM>(window))
                   ? 0
                   : Fail("the selection notice failed");
    }
    if (command == L"click") return PostMessageW(window, BM_CLICK, 0, 0) ? 0 : Fail("BM_CLICK failed");
    if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : Fail("WM_CLOSE failed");
    if (command == L"resize" && argc >= 5) {
        int width = _wtoi(argv[3]), height = _wtoi(argv[4]);
        return SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : Fail("SetWindowPos failed");
    }
    return Fail("unknown command");
}

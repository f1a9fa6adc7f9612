// e2e_helper hold FILE READY RELEASE SECONDS
//     Opens FILE for reading and writing without sharing, creates the file READY, and keeps FILE
//     open until the file RELEASE exists or SECONDS have passed.
// e2e_helper boxtext TITLE OUT
//     Writes the text of the visible message box titled TITLE (UTF-8) to the file OUT; exit code 1
//     when there is none.
#include <windows.h>

#include <string>

namespace {

bool Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

bool WriteUtf8(const wchar_t* path, const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                            nullptr);
    }
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::wstring TextOf(HWND window) {
    wchar_t text[4096];
    DWORD_PTR length = 0;
    // WM_GETTEXT is marshalled across processes; a window that does not answer counts as empty.
    if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 2000, &length)) {
        return std::wstring();
    }
    return std::wstring(text, static_cast<size_t>(length));
}

int Hold(const wchar_t* path, const wchar_t* ready, const wchar_t* release, int seconds) {
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    if (!WriteUtf8(ready, L"held")) return 3;
    for (int waited = 0; waited < seconds * 1000 && !Exists(release); waited += 50) Sleep(50);
    CloseHandle(file);
    return 0;
}

struct Search {
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
    Search& search = *reinterpret_cast<Search*>(param);
    if (IsWindowVisible(window) && TextOf(window) == search.title) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindLongestStatic(HWND window, LPARAM param) {
    std::wstring& text = *reinterpret_cast<std::wstring*>(param);
    wchar_t name[32];
    if (GetClassNameW(window, name, 32) && lstrcmpiW(name, L"Static") == 0) {
        std::wstring candidate = TextOf(window);
        if (candidate.size() > text.size()) text = candidate;
    }
    return TRUE;
}

int BoxText(const wchar_t* title, const wchar_t* out) {
    Search search;
    search.title = title;
    EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return 1;
    // The message's static control (the icon is a static without text).
    std::wstring text;
    EnumChildWindows(search.found, FindLongestStatic, reinterpret_cast<LPARAM>(&text));
    return WriteUtf8(out, text) ? 0 : 3;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 6 && lstrcmpW(argv[1], L"hold") == 0) return Hold(argv[2], argv[3], argv[4], _wtoi(argv[5]));
    if (argc == 4 && lstrcmpW(argv[1], L"boxtext") == 0) return BoxText(argv[2], argv[3]);
    return 64;
}

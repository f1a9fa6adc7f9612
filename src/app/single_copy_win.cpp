#include "app/single_copy_win.h"

#include <cstdint>
#include <cstdio>

#include "app/ticker_window_win.h"

std::wstring ClaimedFolderKey(const std::wstring& folder) {
    std::wstring path = folder;
    if (path.empty()) {
        wchar_t current[MAX_PATH * 4];
        DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(sizeof current / sizeof current[0]), current);
        if (length > 0 && length < sizeof current / sizeof current[0]) path.assign(current, length);
    }
    wchar_t full[MAX_PATH * 4];
    DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(sizeof full / sizeof full[0]), full, nullptr);
    if (length > 0 && length < sizeof full / sizeof full[0]) path.assign(full, length);
    // "C:\PROGRA~1\..." and "C:\Program Files\..." are one folder.
    wchar_t longPath[MAX_PATH * 4];
    length =
        GetLongPathNameW(path.c_str(), longPath, static_cast<DWORD>(sizeof longPath / sizeof longPath[0]));
    if (length > 0 && length < sizeof longPath / sizeof longPath[0]) path.assign(longPath, length);
    if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (!path.empty()) CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

namespace {

// A mutex name may hold no backslash beyond its namespace: the key goes in as a 64-bit FNV-1a hash.
std::wstring MutexName(const std::wstring& key) {
    uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : key) {
        hash = (hash ^ static_cast<uint16_t>(c)) * 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, sizeof name / sizeof name[0], L"Local\\Newsroller-%016llx",
             static_cast<unsigned long long>(hash));
    return name;
}

// The folder of the exe that runs process `processId`, as a claim key; empty when it cannot be read.
std::wstring ProcessFolderKey(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return std::wstring();
    wchar_t path[MAX_PATH * 4];
    DWORD length = sizeof path / sizeof path[0];
    BOOL got = QueryFullProcessImageNameW(process, 0, path, &length);
    CloseHandle(process);
    if (!got) return std::wstring();
    std::wstring exe(path, length);
    size_t slash = exe.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : ClaimedFolderKey(exe.substr(0, slash + 1));
}

HWND FindTickerOfFolder(const std::wstring& key) {
    for (HWND window = FindWindowExW(nullptr, nullptr, kTickerClassName, nullptr); window;
         window = FindWindowExW(nullptr, window, kTickerClassName, nullptr)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId != GetCurrentProcessId() && ProcessFolderKey(processId) == key) return window;
    }
    return nullptr;
}

}  // namespace

FolderClaim::FolderClaim(const std::wstring& folder) {
    mutex_ = CreateMutexW(nullptr, FALSE, MutexName(ClaimedFolderKey(folder)).c_str());
    first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

FolderClaim::~FolderClaim() {
    if (mutex_) CloseHandle(mutex_);
}

bool BringRunningTickerToFront(const std::wstring& folder, int waitMilliseconds) {
    const std::wstring key = ClaimedFolderKey(folder);
    for (int waited = 0;; waited += 100) {
        HWND ticker = FindTickerOfFolder(key);
        if (ticker) {
            DWORD processId = 0;
            GetWindowThreadProcessId(ticker, &processId);
            // This copy was just started by the user: it may hand the foreground on.
            AllowSetForegroundWindow(processId);
            PostMessageW(ticker, kTrayCallbackMessage, 0, WM_LBUTTONDOWN);
            return true;
        }
        if (waited >= waitMilliseconds) return false;
        Sleep(100);
    }
}

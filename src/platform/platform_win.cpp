#include "platform/platform_win.h"

#include <shellapi.h>

#include "platform/wide_win.h"

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(sizeof path / sizeof path[0]));
    if (length == 0 || length >= sizeof path / sizeof path[0]) return std::wstring();
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    return folder.substr(0, slash + 1);
}

void Win32MessageBoxes::Show(const char* text, const char* title, MessageIcon icon) {
    // Nothing is shown once the ticker window is gone: the program is ending.
    if (closed_) return;
    UINT style = MB_OK;
    switch (icon) {
        case MessageIcon::Error:
            style |= MB_ICONERROR;
            break;
        case MessageIcon::Warning:
            style |= MB_ICONWARNING;
            break;
        case MessageIcon::Information:
            style |= MB_ICONINFORMATION;
            break;
        case MessageIcon::None:
            break;
    }
    MessageBoxW(owner_, Cp932ToWide(text).c_str(), Cp932ToWide(title).c_str(), style);
}

bool Win32Shell::Open(const char* target) {
    HINSTANCE result =
        ShellExecuteW(nullptr, L"open", Cp932ToWide(target).c_str(), nullptr, nullptr, SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Win32Shell::OpenProgramFile(const char* name) {
    std::wstring path = folder_ + Cp932ToWide(name);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

CivilTime CivilFromSystemTime(const SYSTEMTIME& st) {
    CivilTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.dayOfWeek = st.wDayOfWeek;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.milliseconds = st.wMilliseconds;
    return t;
}

SYSTEMTIME SystemTimeFromCivil(const CivilTime& t) {
    SYSTEMTIME st;
    st.wYear = t.year;
    st.wMonth = t.month;
    st.wDayOfWeek = t.dayOfWeek;
    st.wDay = t.day;
    st.wHour = t.hour;
    st.wMinute = t.minute;
    st.wSecond = t.second;
    st.wMilliseconds = t.milliseconds;
    return st;
}

namespace {

HANDLE OpenExistingForReadWrite(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Why CreateFileW failed with `error` on the existing-file open above.
FileAccess WhyNotOpened(DWORD error, const std::wstring& path) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return FileAccess::Missing;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileAccess::Busy;
        default:
            break;
    }
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileAccess::Failed;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return FileAccess::ReadOnly;
    }
    return FileAccess::Failed;
}

}  // namespace

CivilTime Win32Clock::LocalNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return CivilFromSystemTime(st);
}

CivilTime Win32Clock::UtcNow() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    return CivilFromSystemTime(st);
}

std::wstring WithoutPathLimit(const std::wstring& path) {
    // A cache file of a long URL in a deep program folder passes MAX_PATH: such a path is given in
    // the form that has no such limit (absolute paths only; "\\server\share" becomes "\\?\UNC\...").
    if (path.size() < MAX_PATH) return path;
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    if (path.compare(0, 2, L"\\\\") == 0 && path.compare(0, 4, L"\\\\?\\") != 0) {
        return L"\\\\?\\UNC\\" + path.substr(2);
    }
    return path;
}

std::wstring Win32FileSystem::PathOf(const char* name) const {
    return WithoutPathLimit(folder_ + Cp932ToWide(name));
}

FileProbe Win32FileSystem::Probe(const char* name) {
    std::wstring path = PathOf(name);
    HANDLE file = OpenExistingForReadWrite(path);
    if (file == INVALID_HANDLE_VALUE) return FileProbe{WhyNotOpened(GetLastError(), path), -1};
    LARGE_INTEGER size;
    BOOL ok = GetFileSizeEx(file, &size);
    CloseHandle(file);
    return ok ? FileProbe{FileAccess::Openable, size.QuadPart} : FileProbe{FileAccess::Failed, -1};
}

int64_t Win32FileSystem::Read(const char* name, char* dest, size_t capacity) {
    HANDLE file = OpenExistingForReadWrite(PathOf(name));
    if (file == INVALID_HANDLE_VALUE) return -1;
    size_t total = 0;
    while (total < capacity) {
        DWORD chunk = capacity - total > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity - total);
        DWORD read = 0;
        if (!ReadFile(file, dest + total, chunk, &read, nullptr) || read == 0) break;
        total += read;
    }
    CloseHandle(file);
    return static_cast<int64_t>(total);
}

bool Win32FileSystem::CreateEmptyIfMissing(const char* name) {
    HANDLE file = CreateFileW(PathOf(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool Win32FileSystem::CreateFolder(const char* name) {
    std::wstring path = PathOf(name);
    if (CreateDirectoryW(path.c_str(), nullptr)) return true;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::WriteNew(const char* name, const char* data, size_t size) {
    HANDLE file = CreateFileW(PathOf(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    size_t total = 0;
    while (ok && total < size) {
        DWORD chunk = size - total > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size - total);
        DWORD written = 0;
        ok = WriteFile(file, data + total, chunk, &written, nullptr) && written == chunk;
        total += written;
    }
    if (ok) ok = FlushFileBuffers(file) != 0;
    if (!CloseHandle(file)) ok = false;
    return ok;
}

bool Win32FileSystem::Copy(const char* from, const char* to) {
    std::wstring target = PathOf(to);
    if (!CopyFileW(PathOf(from).c_str(), target.c_str(), FALSE)) return false;
    // The copy keeps the source's attributes; flushed like every file the program writes.
    HANDLE file =
        CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = FlushFileBuffers(file) != 0;
    if (!CloseHandle(file)) ok = false;
    return ok;
}

bool Win32FileSystem::Replace(const char* from, const char* to) {
    std::wstring target = PathOf(to);
    // The new file takes the old one's attributes: a hidden settings file stays hidden.
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (!MoveFileExW(PathOf(from).c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kept) != 0) {
        SetFileAttributesW(target.c_str(), attributes & kept);
    }
    return true;
}

bool Win32FileSystem::Remove(const char* name) { return DeleteFileW(PathOf(name).c_str()) != 0; }

void Win32FileSystem::Pause(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

bool Win32FileSystem::LastWriteTime(const char* name, int64_t& utcFileTime) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(PathOf(name).c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    utcFileTime = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                       data.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool Win32FileSystem::SetLastWriteTime(const char* name, int64_t utcFileTime) {
    if (utcFileTime < 0) return false;
    // Only the attributes are written, so a file that another program reads meanwhile is no obstacle.
    HANDLE file = CreateFileW(PathOf(name).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(utcFileTime) & 0xFFFFFFFFu);
    written.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(utcFileTime) >> 32);
    BOOL ok = SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    return ok != FALSE;
}

bool ReadFileStart(const std::wstring& path, size_t limit, std::string& bytes) {
    bytes.clear();
    HANDLE file =
        CreateFileW(WithoutPathLimit(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok) {
        const size_t wanted =
            static_cast<uint64_t>(size.QuadPart) < limit ? static_cast<size_t>(size.QuadPart) : limit;
        bytes.resize(wanted);
        size_t total = 0;
        while (ok && total < wanted) {
            DWORD read = 0;
            ok = ReadFile(file, &bytes[total], static_cast<DWORD>(wanted - total), &read, nullptr) != FALSE;
            if (read == 0) break;
            total += read;
        }
        bytes.resize(total);
    }
    CloseHandle(file);
    return ok;
}

void Win32MessagePump::DispatchOne() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        // A pump nested in a fetch or a parse must not swallow the end of the program: the message
        // goes back for the main loop, which takes it once the tick has returned.
        quitSeen_ = true;
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    if (keyRouter_ && keyRouter_(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Win32TickerHost::ApplyOpacity(uint8_t alpha) {
    if (setLayered_ && window_) setLayered_(window_, RGB(255, 255, 255), alpha, LWA_ALPHA);
}

bool Win32TickerHost::ClientOrigin(int& x, int& y) {
    RECT rect;
    if (!window_ || !GetWindowRect(window_, &rect)) return false;
    x = rect.left + GetSystemMetrics(SM_CXDLGFRAME);
    y = rect.top + GetSystemMetrics(SM_CYDLGFRAME);
    return true;
}

void Win32TickerHost::InvalidateTicker() {
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void Win32TickerHost::DestroyTicker() {
    if (window_) DestroyWindow(window_);
}

#include "platform/startup_entry_win.h"

#include <windows.h>

const wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValueName[] = L"Newsroller";

namespace {

std::wstring ThisExecutable() {
    wchar_t path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(sizeof path / sizeof path[0]));
    if (length == 0 || length >= sizeof path / sizeof path[0]) return std::wstring();
    return std::wstring(path, length);
}

// The Run entry's command, with environment variables expanded; false when there is none.
bool ReadRunCommand(std::wstring& command) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD bytes = 0;
    bool read = false;
    if (RegQueryValueExW(key, kRunValueName, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        // One more unit than stored: a value need not end in a zero.
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        if (RegQueryValueExW(key, kRunValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &size) ==
            ERROR_SUCCESS) {
            value.resize(wcsnlen(value.c_str(), size / sizeof(wchar_t)));
            command = value;
            read = true;
        }
    }
    RegCloseKey(key);
    if (read && type == REG_EXPAND_SZ) {
        DWORD units = ExpandEnvironmentStringsW(command.c_str(), nullptr, 0);
        std::wstring expanded(units, L'\0');
        if (units > 0 && ExpandEnvironmentStringsW(command.c_str(), &expanded[0], units) == units) {
            expanded.resize(units - 1);
            command = expanded;
        }
    }
    return read;
}

}  // namespace

std::wstring ProgramOfRunCommand(const std::wstring& command) {
    size_t start = command.find_first_not_of(L" \t");
    if (start == std::wstring::npos) return std::wstring();
    if (command[start] == L'"') {
        size_t close = command.find(L'"', start + 1);
        if (close == std::wstring::npos) return command.substr(start + 1);
        return command.substr(start + 1, close - start - 1);
    }
    size_t end = command.find_last_not_of(L" \t");
    return command.substr(start, end - start + 1);
}

Win32StartupEntry::Win32StartupEntry(std::wstring program)
    : program_(program.empty() ? ThisExecutable() : std::move(program)) {}

bool Win32StartupEntry::NamesThisProgram() {
    std::wstring command;
    if (program_.empty() || !ReadRunCommand(command)) return false;
    std::wstring named = ProgramOfRunCommand(command);
    // Paths on Windows are compared without regard to case.
    return CompareStringOrdinal(named.c_str(), static_cast<int>(named.size()), program_.c_str(),
                                static_cast<int>(program_.size()), TRUE) == CSTR_EQUAL;
}

bool Win32StartupEntry::Write() {
    if (program_.empty()) return false;
    const std::wstring command = L"\"" + program_ + L"\"";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG result =
        RegSetValueExW(key, kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool Win32StartupEntry::Remove() {
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    LONG result = RegDeleteValueW(key, kRunValueName);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

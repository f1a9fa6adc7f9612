#pragma once
// For the Windows-side tests of the program's files: a fresh folder under the temporary folder with
// the real Win32FileSystem over it; the other interfaces are the stand-ins of tests/support.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform_win.h"
#include "support/fakes.h"

class WinTempFolder {
  public:
    WinTempFolder() {
        wchar_t base[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH, base);
        std::wstring root(base, length);
        for (unsigned attempt = 0; path_.empty() && attempt < 1000; ++attempt) {
            std::wstring candidate = root + L"nr-files-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                     std::to_wstring(GetTickCount() + attempt) + L"\\";
            if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
        }
    }
    ~WinTempFolder() {
        for (const std::wstring& name : List()) {
            std::wstring file = path_ + name;
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    WinTempFolder(const WinTempFolder&) = delete;
    WinTempFolder& operator=(const WinTempFolder&) = delete;

    // With a trailing backslash, as the program folder is given to Win32FileSystem.
    const std::wstring& path() const { return path_; }

    std::vector<std::wstring> List() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

    std::string Read(const wchar_t* name) const {
        std::string bytes;
        HANDLE file = CreateFileW((path_ + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return bytes;
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
        CloseHandle(file);
        return bytes;
    }

    bool Write(const wchar_t* name, const std::string& bytes) const {
        HANDLE file = CreateFileW((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == bytes.size();
    }

  private:
    std::wstring path_;
};

// The real clock, files, pump and host; the shared stand-ins for the rest.
struct WinFilesPlatform {
    WinFilesPlatform() : files(folder.path()), platform{messages, shell, clock, files, fetcher, pump, host} {}
    WinTempFolder folder;
    RecordingMessageBoxes messages;
    RecordingShell shell;
    Win32Clock clock;
    Win32FileSystem files;
    ScriptedFetcher fetcher;  // nothing is scripted: every fetch fails
    Win32MessagePump pump;
    Win32TickerHost host;
    Platform platform;
};

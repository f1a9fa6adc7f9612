// The real Win32FileSystem on paths and attributes that the POSIX stand-in cannot show.
#include <gtest/gtest.h>

#include <string>

#include "config/settings.h"
#include "net/cache.h"
#include "net/document_buffer.h"
#include "win/files_support.h"

namespace {

// Removes a folder and everything below it; the path may pass MAX_PATH.
void RemoveTree(const std::wstring& folder) {
    std::wstring base = L"\\\\?\\" + folder;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((base + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(folder + L"\\" + name);
            } else {
                DeleteFileW((base + L"\\" + name).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(base.c_str());
}

// Wine opens long paths in either form, so the form itself is checked here.
TEST(Win32Files, LongAbsolutePathsTakeTheFormWithoutTheLimit) {
    std::wstring tail(MAX_PATH, L'a');
    EXPECT_EQ(L"C:\\short", WithoutPathLimit(L"C:\\short"));
    EXPECT_EQ(L"\\\\?\\C:\\" + tail, WithoutPathLimit(L"C:\\" + tail));
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\" + tail, WithoutPathLimit(L"\\\\server\\share\\" + tail));
    EXPECT_EQ(L"\\\\?\\C:\\" + tail, WithoutPathLimit(L"\\\\?\\C:\\" + tail));
    EXPECT_EQ(L"relative\\" + tail, WithoutPathLimit(L"relative\\" + tail));  // no form exists for it
}

// A feed with a 250-byte URL in a program folder 120 characters deep: its cache path passes
// MAX_PATH, and the feed must still be cached and read back (else it is fetched twice per cycle and
// is an access error offline).
TEST(Win32Files, CacheFileOfALongUrlInADeepFolderIsWrittenAndRead) {
    WinTempFolder temp;
    std::wstring deep = temp.path();
    deep.pop_back();  // no trailing backslash while folders are added
    while (deep.size() < 120) {
        deep += L"\\nested-folder";
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    struct Cleanup {
        std::wstring path;
        ~Cleanup() { RemoveTree(path); }
    } cleanup{temp.path() + L"nested-folder"};

    RecordingMessageBoxes messages;
    RecordingShell shell;
    Win32Clock clock;
    Win32FileSystem files(deep + L"\\");
    ScriptedFetcher fetcher;
    Win32MessagePump pump;
    Win32TickerHost host;
    Platform platform{messages, shell, clock, files, fetcher, pump, host};

    std::string url = "http://feeds.example.com/" + std::string(225, 'a');
    ASSERT_EQ(250u, url.size());
    ASSERT_GT(deep.size() + 1 + CacheFilePath(url.c_str()).size(), static_cast<size_t>(MAX_PATH));
    ASSERT_TRUE(files.CreateFolder(kCacheFolderName));
    const std::string body = "<rss><channel><item><title>t</title></item></channel></rss>";
    DocumentBuffer written;
    ASSERT_TRUE(written.Allocate(1));
    ASSERT_TRUE(written.AppendChunk(body.data(), body.size()));
    const int64_t date = FileTimeOf(2025, 2, 3, 9, 5, 7);
    ASSERT_EQ(0, WriteCacheFile(written, url.c_str(), date, platform));
    int64_t dated = 0;
    ASSERT_TRUE(files.LastWriteTime(CacheFilePath(url.c_str()).c_str(), dated));
    EXPECT_EQ(date, dated);

    DocumentBuffer read;
    ASSERT_EQ(0, ReadWholeFile(read, CacheFilePath(url.c_str()).c_str(), platform));
    EXPECT_EQ(body, read.text());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Win32Files, ReplacedFileKeepsItsHiddenAttribute) {
    WinFilesPlatform p;
    ASSERT_TRUE(p.folder.Write(L"Newsroller.ini", "winX=1\r\n"));
    std::wstring path = p.folder.path() + L"Newsroller.ini";
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    AppSettings settings{};
    SetDefaultSettings(settings);
    ASSERT_EQ(0, SaveSettings(settings, p.platform));
    DWORD attributes = GetFileAttributesW(path.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(0u, p.folder.Read(L"Newsroller.ini").find("winX=230\r\n"));
}

TEST(Win32Files, DatesAreKeptToTheTickAndSetWhileTheFileIsOpenForReading) {
    WinFilesPlatform p;
    ASSERT_TRUE(p.folder.Write(L"copy", "<rss/>"));
    const int64_t date = FileTimeOf(2025, 2, 3, 9, 5, 7) + 1234567;
    ASSERT_TRUE(p.files.SetLastWriteTime("copy", date));
    int64_t read = 0;
    ASSERT_TRUE(p.files.LastWriteTime("copy", read));
    EXPECT_EQ(date, read);

    HANDLE reader = CreateFileW((p.folder.path() + L"copy").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_TRUE(p.files.SetLastWriteTime("copy", FileTimeOf(1999, 12, 31, 23, 59, 59)));
    CloseHandle(reader);
    ASSERT_TRUE(p.files.LastWriteTime("copy", read));
    EXPECT_EQ(FileTimeOf(1999, 12, 31, 23, 59, 59), read);
    EXPECT_EQ("<rss/>", p.folder.Read(L"copy"));

    EXPECT_FALSE(p.files.LastWriteTime("missing", read));
    EXPECT_FALSE(p.files.SetLastWriteTime("missing", date));
    ASSERT_TRUE(p.files.CreateFolder("cache"));
    EXPECT_FALSE(p.files.LastWriteTime("cache", read));
    RemoveDirectoryW((p.folder.path() + L"cache").c_str());
}

}  // namespace

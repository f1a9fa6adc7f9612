// The real file system tells a file another program holds open from a missing one, and cannot copy
// it while it is held (the loaders' handling of such a file is tested natively and end to end).
#include <gtest/gtest.h>

#include <string>

#include "files_support.h"

namespace {

const char kUserSettings[] = "winX=345\r\nwidth=800\r\n";

// Opens a file of the folder for reading and writing without sharing, as an editor or a backup
// program may.
HANDLE Hold(const WinTempFolder& folder, const wchar_t* name) {
    return CreateFileW((folder.path() + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(FilesOnWindows, ProbeTellsBusyFromMissing) {
    WinFilesPlatform p;
    EXPECT_EQ(FileAccess::Missing, p.files.Probe("Newsroller.ini").access);
    EXPECT_EQ(FileAccess::Missing, p.files.Probe("cache\\nothing").access);
    ASSERT_TRUE(p.folder.Write(L"Newsroller.ini", kUserSettings));
    FileProbe open = p.files.Probe("Newsroller.ini");
    EXPECT_EQ(FileAccess::Openable, open.access);
    EXPECT_EQ(static_cast<int64_t>(sizeof kUserSettings - 1), open.size);

    HANDLE held = Hold(p.folder, L"Newsroller.ini");
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(FileAccess::Busy, p.files.Probe("Newsroller.ini").access);
    EXPECT_EQ(-1, p.files.OpenableSize("Newsroller.ini"));
    EXPECT_FALSE(p.files.Copy("Newsroller.ini", "Newsroller.ini.bak"));
    CloseHandle(held);
    ASSERT_TRUE(p.files.Copy("Newsroller.ini", "Newsroller.ini.bak"));
    EXPECT_EQ(kUserSettings, p.folder.Read(L"Newsroller.ini.bak"));
}

}  // namespace

// One copy per program folder: the claim on a folder, told apart without regard to case, short
// names or the trailing backslash, and given up when its copy ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "app/single_copy_win.h"

namespace {

std::wstring TempFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

TEST(SingleCopyWinTest, SecondClaimOnTheSameFolderFailsAndOtherFoldersRunOnTheirOwn) {
    const std::wstring folder = TempFolder(L"Newsroller claim テスト");
    const std::wstring other = TempFolder(L"Newsroller claim other");
    wchar_t shortName[MAX_PATH * 2] = {};
    GetShortPathNameW(folder.c_str(), shortName, MAX_PATH * 2);

    auto first = std::make_unique<FolderClaim>(folder);
    ASSERT_TRUE(first->first());
    const struct {
        const char* name;
        std::wstring folder;
        bool first;
    } cases[] = {
        {"the same folder", folder, false},
        {"upper case", ClaimedFolderKey(folder), false},
        {"without the trailing backslash", folder.substr(0, folder.size() - 1), false},
        {"its short name", shortName, false},
        {"another folder", other, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FolderClaim again(c.folder);
        EXPECT_EQ(c.first, again.first());
    }
    // The first copy ended: the folder is free again.
    first.reset();
    EXPECT_TRUE(FolderClaim(folder).first());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(other.c_str());
}

}  // namespace

// The one-time import of the legacy registry key and the safe writes, on the real registry and
// file system of the platform.
#include "config/legacy_registry_win.h"

#include <gtest/gtest.h>

#include "platform/safe_write.h"
#include "config/settings.h"
#include "files_support.h"

namespace {

bool KeyExists() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kLegacySettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class LegacyKey : public testing::Test {
  protected:
    void SetUp() override {
        RegDeleteKeyW(HKEY_CURRENT_USER, kLegacySettingsKey);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kLegacySettingsKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key_, nullptr));
    }
    void TearDown() override {
        if (key_) RegCloseKey(key_);
        RegDeleteKeyW(HKEY_CURRENT_USER, kLegacySettingsKey);
    }
    void SetInt(const wchar_t* name, DWORD value) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, name, 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&value), sizeof value));
    }
    void SetText(const wchar_t* name, const std::wstring& value) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
    }
    HKEY key_ = nullptr;
};

TEST_F(LegacyKey, ImportedIntoANewSettingsFileAndDeleted) {
    SetInt(L"winX", 345);
    SetInt(L"winY", static_cast<DWORD>(-20));
    SetInt(L"fsize", 24);
    SetInt(L"disptimer", 4);
    SetInt(L"toumeido", 100);                                        // no registry counterpart: not imported
    SetText(L"fontface", L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF");  // ＭＳ ゴシック
    SetText(L"ifmodified", L"If-Modified-Since: Sat, 01 Mar 2025 10:00:00 GMT");
    SetText(L"upday", L"7");  // a string where a number belongs is left out
    RegCloseKey(key_);
    key_ = nullptr;

    WinFilesPlatform p;
    AppSettings settings;
    SetDefaultSettings(settings);
    RegistryLegacySettings registry;
    EXPECT_EQ(0, LoadSettings(settings, p.platform, &registry));

    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(p.messages.shown.empty());
    std::string file = p.folder.Read(L"Newsroller.ini");
    EXPECT_EQ(0u, file.find("winX=345\r\nwinY=-20\r\nwidth=600\r\n"));
    EXPECT_NE(std::string::npos, file.find("\r\nfsize=24\r\n"));
    EXPECT_NE(std::string::npos, file.find("\r\ndisptimer=4\r\n"));
    EXPECT_NE(std::string::npos, file.find("\r\ntoumeido=300\r\n"));
    EXPECT_NE(std::string::npos, file.find("\r\nupday=2\r\n"));
    EXPECT_NE(std::string::npos,
              file.find("\r\nfontface=\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E\r\n"));
    EXPECT_NE(std::string::npos,
              file.find("\r\nifmodified=If-Modified-Since: Sat, 01 Mar 2025 10:00:00 GMT\r\n"));
    EXPECT_EQ(std::vector<std::wstring>{L"Newsroller.ini"}, p.folder.List());

    // The next start reads the file: the same values, and no key to import.
    AppSettings again;
    SetDefaultSettings(again);
    RegistryLegacySettings none;
    EXPECT_EQ(0, LoadSettings(again, p.platform, &none));
    EXPECT_EQ(345, again.winX);
    EXPECT_EQ(-20, again.winY);
    EXPECT_EQ(24, again.fsize);
    EXPECT_STREQ(settings.fontface, again.fontface);
    EXPECT_STREQ(settings.ifmodified, again.ifmodified);
}

TEST_F(LegacyKey, OverlongTextKeepsTheDefault) {
    SetText(L"fontface", std::wstring(130, L'A'));
    SetInt(L"xmove", 40);
    RegCloseKey(key_);
    key_ = nullptr;
    WinFilesPlatform p;
    AppSettings settings;
    SetDefaultSettings(settings);
    RegistryLegacySettings registry;
    LoadSettings(settings, p.platform, &registry);
    EXPECT_EQ(40, settings.xmove);
    EXPECT_STREQ("ＭＳ Ｐゴシック", settings.fontface);
}

// The settings file cannot be written: the key stays, so its values are not lost.
class RefusingFiles : public FileSystem {
  public:
    explicit RefusingFiles(FileSystem& inner) : inner_(inner) {}
    FileProbe Probe(const char* name) override { return inner_.Probe(name); }
    int64_t Read(const char* name, char* dest, size_t capacity) override {
        return inner_.Read(name, dest, capacity);
    }
    bool CreateEmptyIfMissing(const char* name) override { return inner_.CreateEmptyIfMissing(name); }
    bool CreateFolder(const char* name) override { return inner_.CreateFolder(name); }
    bool WriteNew(const char*, const char*, size_t) override { return false; }
    bool Copy(const char* from, const char* to) override { return inner_.Copy(from, to); }
    bool Replace(const char* from, const char* to) override { return inner_.Replace(from, to); }
    bool Remove(const char* name) override { return inner_.Remove(name); }
    void Pause(int milliseconds) override { inner_.Pause(milliseconds); }
    bool LastWriteTime(const char* name, int64_t& utcFileTime) override {
        return inner_.LastWriteTime(name, utcFileTime);
    }
    bool SetLastWriteTime(const char* name, int64_t utcFileTime) override {
        return inner_.SetLastWriteTime(name, utcFileTime);
    }

  private:
    FileSystem& inner_;
};

TEST_F(LegacyKey, KeptWhenTheSettingsFileCannotBeWritten) {
    SetInt(L"winX", 345);
    RegCloseKey(key_);
    key_ = nullptr;
    WinFilesPlatform p;
    RefusingFiles refusing(p.files);
    Platform platform{p.messages, p.shell, p.clock, refusing, p.fetcher, p.pump, p.host};
    AppSettings settings;
    SetDefaultSettings(settings);
    RegistryLegacySettings registry;
    EXPECT_EQ(0, LoadSettings(settings, platform, &registry));
    EXPECT_EQ(345, settings.winX);
    ASSERT_EQ(1u, p.messages.shown.size());
    EXPECT_EQ("OPEN ERROR", p.messages.shown[0].title);
    EXPECT_TRUE(KeyExists());
    EXPECT_TRUE(p.folder.List().empty());
}

TEST(SafeWriteOnWindows, ReplacesTheOldFileAndLeavesNoTemporary) {
    WinFilesPlatform p;
    ASSERT_TRUE(p.folder.Write(L"URL-List.txt", "old\r\n"));
    ASSERT_EQ(0, WriteFileSafely(p.files, "URL-List.txt", "new\r\n", 5));
    EXPECT_EQ("new\r\n", p.folder.Read(L"URL-List.txt"));
    EXPECT_EQ(std::vector<std::wstring>{L"URL-List.txt"}, p.folder.List());
}

TEST(SafeWriteOnWindows, ReadOnlyFileIsNeitherReadNorReplaced) {
    WinFilesPlatform p;
    ASSERT_TRUE(p.folder.Write(L"schedule.dat", "2025,3,14,9,30,0,-1,\r\nold\r\n"));
    std::wstring path = p.folder.path() + L"schedule.dat";
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        // Wine run by root maps the attribute to Unix permissions that root ignores.
        CloseHandle(probe);
        GTEST_SKIP() << "this system does not enforce read-only files";
    }
    EXPECT_EQ(-1, p.files.OpenableSize("schedule.dat"));
    EXPECT_EQ(-1, WriteFileSafely(p.files, "schedule.dat", "x", 1));
    EXPECT_EQ("2025,3,14,9,30,0,-1,\r\nold\r\n", p.folder.Read(L"schedule.dat"));
    EXPECT_EQ(std::vector<std::wstring>{L"schedule.dat"}, p.folder.List());
}

}  // namespace

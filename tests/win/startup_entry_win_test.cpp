// The Run entry that starts the program with Windows, on the real registry: written with this
// executable's quoted path, read back as naming it, removed; another program's entry is not ours
// and is left alone when the check box is cleared.
#include "platform/startup_entry_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/ticker_habits.h"
#include "support/fakes.h"

namespace {

std::wstring RunCommand() {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof value[0];
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return L"(none)";
    }
    return value;
}

void SetRunCommand(const std::wstring& command) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, REG_SZ, command.c_str(),
                              static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))));
}

TEST(StartupEntry, CheckBoxWritesTheQuotedPathReadsItBackAndRemovesIt) {
    wchar_t exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    Win32StartupEntry entry;
    RecordingMessageBoxes messages;
    ASSERT_TRUE(entry.Remove());
    EXPECT_FALSE(entry.NamesThisProgram());

    EXPECT_TRUE(ApplyStartWithWindows(entry, true, messages));
    EXPECT_EQ(L"\"" + std::wstring(exe) + L"\"", RunCommand());
    EXPECT_TRUE(entry.NamesThisProgram());
    // Written by hand: without quotes, in other letter case, with blanks round it.
    SetRunCommand(L"  " + std::wstring(CharUpperW(exe)) + L" ");
    EXPECT_TRUE(entry.NamesThisProgram());

    EXPECT_TRUE(ApplyStartWithWindows(entry, false, messages));
    EXPECT_EQ(L"(none)", RunCommand());
    EXPECT_FALSE(entry.NamesThisProgram());

    // Another copy of the program, or another program: not ours, and kept when the box is cleared.
    for (const wchar_t* foreign : {L"\"C:\\Tools\\Newsroller\\Newsroller.exe\"", L"\"C:\\x.exe\" -y"}) {
        SetRunCommand(foreign);
        EXPECT_FALSE(entry.NamesThisProgram()) << foreign;
        EXPECT_TRUE(ApplyStartWithWindows(entry, false, messages));
        EXPECT_EQ(foreign, RunCommand());
    }
    ASSERT_TRUE(entry.Remove());
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace

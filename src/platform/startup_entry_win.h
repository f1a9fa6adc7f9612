#pragma once
// The Run entry of the current user (HKCU\Software\Microsoft\Windows\CurrentVersion\Run) that starts
// the program with Windows.
#include <string>

#include "platform/platform.h"

extern const wchar_t kRunKeyPath[];    // Software\Microsoft\Windows\CurrentVersion\Run
extern const wchar_t kRunValueName[];  // "Newsroller"

class Win32StartupEntry : public StartupEntry {
  public:
    // `program`: the executable's full path; empty: this process's executable.
    explicit Win32StartupEntry(std::wstring program = std::wstring());
    bool NamesThisProgram() override;
    bool Write() override;
    bool Remove() override;

  private:
    std::wstring program_;
};

// The program a Run command starts: the quoted first part, or the whole command without quotes.
std::wstring ProgramOfRunCommand(const std::wstring& command);

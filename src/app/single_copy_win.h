#pragma once
// One running copy per program folder: two copies started from the same folder would write the same
// files. A named mutex, made from the folder's full long path without regard to case, marks the
// folder taken for as long as its first copy runs; copies in other folders run on their own.
#include <windows.h>

#include <string>

class FolderClaim {
  public:
    // `folder` is the program's folder with a trailing backslash (empty: the current folder).
    explicit FolderClaim(const std::wstring& folder);
    ~FolderClaim();
    FolderClaim(const FolderClaim&) = delete;
    FolderClaim& operator=(const FolderClaim&) = delete;

    // False when another copy of the same folder holds the claim. A mutex that cannot be made at all
    // claims nothing and lets the copy run, as before.
    bool first() const { return first_; }

  private:
    HANDLE mutex_ = nullptr;
    bool first_ = true;
};

// The folder as the claim compares it: the full long path, upper case, with a trailing backslash.
std::wstring ClaimedFolderKey(const std::wstring& folder);

// Brings the ticker window of the copy running from `folder` to the front, as a left click on its
// tray icon does. Waits up to `waitMilliseconds` for a copy that is still creating its window;
// false when none was found.
bool BringRunningTickerToFront(const std::wstring& folder, int waitMilliseconds);

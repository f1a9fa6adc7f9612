#pragma once
// The copy "<name>.bak" kept beside a file of the program that could not be read whole, before
// anything replaces that file: one copy, of the newest such file.
#include <string>

class FileSystem;

// "<name>.bak"
std::string BackupName(const char* name);

enum class BackupCopy {
    Made,           // "<name>.bak" now holds the file's bytes
    AlreadyKept,    // it held them already (the same unreadable file was found before)
    NothingToKeep,  // the file is gone
    NotMade,        // the file could not be copied (another program holds it, the disk is full...)
};

// Copies `name` to "<name>.bak" through a temporary file, so an older copy is replaced whole or
// not at all.
[[nodiscard]] BackupCopy KeepBackupCopy(FileSystem& files, const char* name);

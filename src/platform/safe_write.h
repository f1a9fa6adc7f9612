#pragma once
// Every file the program writes goes to a temporary file beside it first and is then moved over
// the old one, so a crash, a full disk or a failed write leaves the previous file whole.
#include <cstddef>

class FileSystem;

// 0 on success; -1 when the file could not be written (no temporary file is left behind).
int WriteFileSafely(FileSystem& files, const char* name, const char* data, size_t size);

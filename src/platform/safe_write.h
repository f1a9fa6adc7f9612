#pragma once
// Every file the program writes goes to a temporary file beside it first and is then moved over
// the old one, so a crash, a full disk or a failed write leaves the previous file whole.
#include <cstddef>

class FileSystem;

// Results of the program's file writers: 0 or -1, as their callers compare them.
enum WriteResult : int { kWritten = 0, kNotWritten = -1 };

// kNotWritten when the file could not be written (no temporary file is left behind), also when
// the file must first be kept as "<name>.bak" (FileSystem::MustKeepBeforeReplacing) and that copy
// cannot be made: the old file then stays whole.
[[nodiscard]] WriteResult WriteFileSafely(FileSystem& files, const char* name, const char* data, size_t size);

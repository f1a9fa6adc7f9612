#pragma once
// The one reader of the program's files (settings, feed list, schedule, cache): check the size,
// read the file whole in one go, and terminate the text after the last byte read.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class FileSystem;

// Results of the program's file loaders and of the cache's reader: 0 or -1, as their callers
// compare them.
enum LoadResult : int { kLoaded = 0, kNotLoaded = -1 };

enum class WholeRead {
    Whole,     // every byte of the file was read
    Cut,       // fewer bytes were read than the file holds (`readAtMost`, or a short read)
    Missing,   // no such file
    ReadOnly,  // it cannot be opened for writing, so it is not read either
    Busy,      // another program held it open without sharing, also when it was tried again
    TooLarge,  // refused by its size: nothing was read
    NoMemory,  // no room for its bytes
    Failed,    // it could not be opened or read for another reason
};

struct WholeReadRules {
    int64_t refuseFrom = 0;        // files of this size or more are refused; 0: any size
    size_t readAtMost = SIZE_MAX;  // only so many bytes from the start are read
    bool retryWhenBusy = false;    // a busy file is tried again for a few hundred milliseconds
};

// How often and how long apart a busy file is tried again.
constexpr int kBusyRetries = 6;
constexpr int kBusyRetryPauseMs = 50;

// Reads `name` as the rules say. `reserve(n)` gives room for n + 1 bytes, or nullptr when memory
// runs out; the byte after the last one read is set to zero and `length` is the count read.
[[nodiscard]] WholeRead ReadWhole(FileSystem& files, const char* name, const WholeReadRules& rules,
                                  const std::function<char*(size_t)>& reserve, size_t& length);
// The same into a string: its size is the count read, and c_str() the terminated text.
[[nodiscard]] WholeRead ReadWholeText(FileSystem& files, const char* name, const WholeReadRules& rules,
                                      std::string& text);

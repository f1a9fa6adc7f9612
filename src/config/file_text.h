#pragma once
// Helpers shared by the readers and writers of the program's own text files (settings, feed list,
// schedule, article page, OPML export).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/safe_write.h"

struct Platform;

// The settings and feed-list readers refuse files of this size or more.
constexpr int64_t kConfigFileLimit = 51200;
// Page and export texts stop taking entries once they grow past this size.
constexpr size_t kPageTextLimit = 1020000;

// The standard decimal conversion: leading blanks, one optional sign, then digits up to the first
// other byte or `length`; no digits gives 0. Values beyond the 32-bit range saturate.
int32_t DecimalValue(const char* text, size_t length);

// True when the bytes hold nothing but spaces, TABs, line ends and zero bytes: nothing a loader
// leaves out of such text is lost.
bool OnlyBlanks(const char* begin, const char* end);

// Appends printf-style formatted text.
void AppendFormat(std::string& out, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Writes `text` as the program file `name` through a temporary file that then replaces the old one.
// On failure shows `failureMessage` with the title "OPEN ERROR" and returns kNotWritten (the old
// file stays whole and no temporary file is left behind).
WriteResult WriteProgramFile(Platform& platform, const char* name, const std::string& text,
                             const char* failureMessage);

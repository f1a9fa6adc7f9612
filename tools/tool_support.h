#pragma once
// What the developer tools share: reading a document as the program's reader does, encodings for
// the terminal, hex for JSON and number arguments.
#include <string>

// Converts between encodings with iconv; bytes that do not convert are shown as "?".
std::string Convert(const std::string& text, const char* from, const char* to);
inline std::string Utf8(const char* cp932) { return Convert(cp932, "CP932", "UTF-8"); }
// The lower-case hex of the bytes up to the terminating zero.
std::string Hex(const char* bytes);
// Reads a whole file; its text ends at the first zero byte, as with the program's own reader.
bool ReadDocument(const char* path, std::string& text);
// A whole decimal number from min to max.
bool ParseInt(const char* text, long min, long max, int& value);

// The markup searches against their byte-by-byte walk (tests/support/scan_walk.h): the same result
// and the same cursor for any text, start, limit and pattern.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "feed/scan.h"
#include "support/scan_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Two bytes for start and limit, one for the pattern's length, the pattern, then the text.
    if (size < 3) return 0;
    const int textSizeGuess = static_cast<int>(size);
    int start = static_cast<int8_t>(data[0]) + (textSizeGuess / 2);
    int limit = static_cast<int>(data[1]) * 2 - 8;
    size_t patternLength = data[2] % 12;
    data += 3;
    size -= 3;
    if (patternLength > size) patternLength = size;
    char pattern[16] = {};
    for (size_t i = 0; i < patternLength; ++i) pattern[i] = data[i] ? static_cast<char>(data[i]) : 'a';
    data += patternLength;
    size -= patternLength;
    const size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<char[]> text(new char[length + 1]);
    memcpy(text.get(), data, length);
    text[length] = '\0';
    const TextView view{text.get(), static_cast<int>(length)};
    if (start < 0) start = 0;

    int a = start, b = start;
    if (patternLength > 0) {
        if (walk::FindText(pattern, a, limit, view) != FindText(pattern, b, limit, view) || a != b) abort();
        a = b = start;
        if (walk::FindInString(pattern, text.get(), a) != FindInString(pattern, text.get(), b) || a != b)
            abort();
    }
    a = b = start;
    if (walk::FindOpenTag(pattern, a, limit, view) != FindOpenTag(pattern, b, limit, view) || a != b) abort();
    a = b = start;
    const int widened = limit + 2 > static_cast<int>(length) ? static_cast<int>(length) : limit + 2;
    if (walk::FindCloseTag(pattern, a, widened, view) != FindCloseTag(pattern, b, limit, view) || a != b)
        abort();
    a = b = start;
    if (walk::FindCloseTag(pattern, a, static_cast<int>(length), view) !=
            FindCloseTagInDocument(pattern, b, view) ||
        a != b) {
        abort();
    }
    return 0;
}

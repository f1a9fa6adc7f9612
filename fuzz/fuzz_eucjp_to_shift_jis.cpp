// EucJpToShiftJis over any bytes, in place in a block of exactly their size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "feed/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    memcpy(bytes.get(), data, size);
    const size_t length = EucJpToShiftJis(bytes.get(), size);
    // The text never grows, and ASCII passes unchanged.
    if (length > size) abort();
    size_t ascii = 0;
    while (ascii < size && data[ascii] < 0x80) ++ascii;
    if (ascii == size && (length != size || memcmp(bytes.get(), data, size) != 0)) abort();
    // Only a character cut off at the end becomes a space there.
    if (size > 0 && length == 0) abort();
    size_t cut = EucJpCutLength(reinterpret_cast<const char*>(data), size, 255);
    if (cut > size || cut > 255) abort();
    return 0;
}

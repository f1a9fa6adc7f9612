// EucJpToShiftJis over any bytes, in place in a block of exactly their size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "feed/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    memcpy(bytes.get(), data, size);
    EucJpToShiftJis(bytes.get(), size);
    // ASCII bytes pass unchanged.
    for (size_t i = 0; i < size; ++i) {
        if (data[i] < 0x80 && bytes[i] != static_cast<char>(data[i])) {
            // Only the second byte of a pair may change, and it follows a lead byte.
            if (i == 0 || static_cast<unsigned char>(data[i - 1]) < 0xA1 || data[i - 1] == 0xFF) abort();
        }
    }
    size_t cut = EucJpCutLength(bytes.get(), size, 255);
    if (cut > size || cut > 255) abort();
    return 0;
}

// Utf8ToShiftJis over any bytes: the output stays in its buffer, is never longer than the input
// and never ends inside a double-byte character.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "feed/decode.h"
#include "feed/text.h"

namespace {

bool EndsInLeadByte(const char* text, size_t length) {
    size_t i = 0;
    while (i < length) i += IsShiftJisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i > length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input in a block of exactly its size: any read past the given length is caught.
    std::unique_ptr<char[]> input(new char[size ? size : 1]);
    memcpy(input.get(), data, size);
    const size_t text = strnlen(input.get(), size);
    for (size_t outSize : {size + 1, size / 2 + 1, static_cast<size_t>(3)}) {
        std::unique_ptr<char[]> out(new char[outSize]);
        size_t n = Utf8ToShiftJis(input.get(), size, out.get(), outSize);
        if (n >= outSize || out[n] != '\0' || n > text || EndsInLeadByte(out.get(), n)) abort();
    }
    // A cut made for the conversion never splits a character.
    size_t cut = Utf8CutLength(input.get(), text, 255);
    if (cut > text || cut > 255) abort();
    return 0;
}

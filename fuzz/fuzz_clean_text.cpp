// CleanText over any text of up to 255 bytes in its 256-byte slot: it never grows the text, and no
// tab or line break is left in it.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "feed/decode.h"
#include "feed/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char slot[kSlotSize];
    size_t length = size < kSlotSize - 1 ? size : kSlotSize - 1;
    memcpy(slot, data, length);
    slot[length] = '\0';
    const size_t before = strlen(slot);
    CleanText(slot);
    if (strlen(slot) > before) abort();
    if (strpbrk(slot, "\t\r\n")) abort();
    return 0;
}

// ParseRfc822Date and ParseIsoDate over any text: a day number of the years 1992 to 2500, or -1.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "feed/day_number.h"
#include "feed/parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> text(new char[size + 1]);
    memcpy(text.get(), data, size);
    text[size] = '\0';
    // Days of the month are not checked by the RFC 822 reader: 99 is the most it takes.
    const int earliest = DayNumber(1992, 1, 0), latest = DayNumber(2500, 12, 99);
    int rfc = ParseRfc822Date(text.get());
    if (rfc != -1 && (rfc < earliest || rfc > latest)) abort();
    int iso = ParseIsoDate(text.get());
    if (iso != -1 && (iso < DayNumber(1992, 1, 1) || iso > DayNumber(2500, 12, 31))) abort();
    return 0;
}

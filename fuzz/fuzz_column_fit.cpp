// The schedule window's "..." fit: any text, column width and font widths give a zero-terminated
// text inside its slot that is the original or a prefix of it ending on a character boundary
// followed by "...", and narrow enough unless nothing but "..." is left.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "schedule/schedule_view.h"

namespace {

class PerByte : public TextMeasure {
  public:
    explicit PerByte(int pixels) : pixels_(pixels) {}
    int Width(const char*, size_t length) override { return static_cast<int>(length) * pixels_; }

  private:
    int pixels_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int column = (data[0] << 2 | data[1] >> 6) & 0x3FF;
    const int average = (data[1] & 0x3F) % 32;  // 0 is allowed: a font that reports no width
    const int perByte = data[2] % 20 + 1;
    const bool fill = data[3] & 1;  // a full slot of 255 bytes
    std::string original(reinterpret_cast<const char*>(data + 4), size - 4);
    original = original.substr(0, strnlen(original.c_str(), kSlotSize - 1));
    if (fill && !original.empty()) {
        while (original.size() < kSlotSize - 1) original += original;
        original.resize(kSlotSize - 1);
    }
    char text[kSlotSize + 8];
    memset(text, 'G', sizeof text);  // guard bytes after the slot
    memcpy(text, original.data(), original.size());
    text[original.size()] = '\0';
    PerByte measure(perByte);
    FitColumnText(text, kSlotSize, column, average, measure);
    for (size_t i = kSlotSize; i < sizeof text; ++i) {
        if (text[i] != 'G') abort();  // written past the slot
    }
    const size_t length = strnlen(text, kSlotSize);
    if (length >= kSlotSize) abort();
    if (original == text) return 0;
    if (length < 3 || memcmp(text + length - 3, "...", 3) != 0) abort();
    const size_t kept = length - 3;
    if (kept >= original.size() || memcmp(text, original.data(), kept) != 0) abort();
    if (ShiftJisCutLength(original.data(), original.size(), kept) != kept) abort();  // half a character
    if (kept > 0 && static_cast<int>(length) * perByte > column - kColumnInset) abort();
    return 0;
}

#include "platform/screen_scale.h"

#include <cstdint>
#include <limits>

namespace {

int MultiplyDivide(int value, int numerator, int denominator) {
    if (numerator <= 0 || denominator <= 0 || numerator == denominator) return value;
    const int64_t product = int64_t{value} * numerator;
    const int64_t half = denominator / 2;
    int64_t result = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    if (result > std::numeric_limits<int>::max()) result = std::numeric_limits<int>::max();
    if (result < std::numeric_limits<int>::min()) result = std::numeric_limits<int>::min();
    return static_cast<int>(result);
}

}  // namespace

int ScaleToDpi(int units, int dpi) { return MultiplyDivide(units, dpi, kBaseDpi); }

int ScaleFromDpi(int pixels, int dpi) { return MultiplyDivide(pixels, kBaseDpi, dpi); }

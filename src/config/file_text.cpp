#include "config/file_text.h"

#include <cstdarg>
#include <cstdio>

#include "platform/platform.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

bool OnlyBlanks(const char* begin, const char* end) {
    for (const char* p = begin; p < end; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != '\0') return false;
    }
    return true;
}

int32_t DecimalValue(const char* text, size_t length) {
    size_t i = 0;
    while (i < length && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and saturate, as the platform's conversion does on overflow.
    int64_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT64_C(2147483648)) value = INT64_C(2147483648);
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int32_t>(value);
}

void AppendFormat(std::string& out, const char* format, ...) {
    char buffer[64];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(length) < sizeof buffer) {
        out.append(buffer, static_cast<size_t>(length));
    } else {
        size_t start = out.size();
        out.resize(start + static_cast<size_t>(length) + 1);
        vsnprintf(&out[start], static_cast<size_t>(length) + 1, format, again);
        out.resize(start + static_cast<size_t>(length));
    }
    va_end(again);
}

WriteResult WriteProgramFile(Platform& platform, const char* name, const std::string& text,
                             const char* failureMessage) {
    if (WriteFileSafely(platform.files, name, text.data(), text.size()) == kWritten) return kWritten;
    platform.messages.Show(failureMessage, "OPEN ERROR", MessageIcon::Error);
    return kNotWritten;
}

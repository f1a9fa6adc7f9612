#include "platform/wide_win.h"

namespace {
constexpr UINT kShiftJis = 932;
}

std::wstring Cp932ToWide(const char* text) { return Cp932ToWide(text, -1); }

std::wstring Cp932ToWide(const char* text, int length) {
    if (!text || length == 0) return std::wstring();
    int units = MultiByteToWideChar(kShiftJis, 0, text, length, nullptr, 0);
    if (units <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(kShiftJis, 0, text, length, &wide[0], units);
    if (length < 0 && !wide.empty() && wide.back() == L'\0') wide.pop_back();
    return wide;
}

std::string WideToCp932(const wchar_t* text) {
    if (!text) return std::string();
    int bytes = WideCharToMultiByte(kShiftJis, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(kShiftJis, 0, text, -1, &narrow[0], bytes, nullptr, nullptr);
    if (!narrow.empty() && narrow.back() == '\0') narrow.pop_back();
    return narrow;
}

#include "platform/code_pages_win.h"

#include <windows.h>

#include <climits>
#include <vector>

bool Win32CodePages::ToUtf8(unsigned codePage, const char* bytes, size_t count, std::string& out) {
    if (!IsValidCodePage(codePage) || count > static_cast<size_t>(INT_MAX / 4)) return false;
    if (count == 0) return true;
    const int length = static_cast<int>(count);
    const int units = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
    if (units <= 0) return false;
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    if (MultiByteToWideChar(codePage, 0, bytes, length, wide.data(), units) != units) return false;
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, &out[at], size, nullptr, nullptr);
    return true;
}

#include "net/typed_address.h"

#include <cstring>

#include "feed/text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool HasScheme(const std::string& text) {
    const size_t separator = text.find("://");
    if (separator == std::string::npos || separator == 0) return false;
    for (size_t i = 0; i < separator; ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> AddressesToTry(const char* typed) {
    std::string text = typed;
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    text = text.substr(first);
    while (!text.empty() && IsBlank(text.back())) text.pop_back();
    // "http://" followed by a whole address, as pasting after the preset gives.
    while (StartsWithIgnoringAsciiCase(text.c_str(), "http://") &&
           (StartsWithIgnoringAsciiCase(text.c_str() + 7, "http://") ||
            StartsWithIgnoringAsciiCase(text.c_str() + 7, "https://"))) {
        text.erase(0, 7);
    }
    std::vector<std::string> addresses;
    if (HasScheme(text)) {
        if (text.size() > text.find("://") + 3) addresses.push_back(text);
    } else {
        if (text.compare(0, 2, "//") == 0) text.erase(0, 2);
        if (!text.empty() && text[0] != '/') {
            addresses.push_back("https://" + text);
            addresses.push_back("http://" + text);
        }
    }
    std::vector<std::string> fitting;
    for (const std::string& address : addresses) {
        if (address.size() < kSlotSize) fitting.push_back(address);
    }
    return fitting;
}

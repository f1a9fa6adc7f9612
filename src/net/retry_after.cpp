#include "net/retry_after.h"

#include <cctype>
#include <vector>

#include "platform/civil_time.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;

int MonthNumber(const std::string& word) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() < 3) return 0;
    std::string lower;
    for (size_t i = 0; i < 3; ++i) lower += static_cast<char>(tolower(static_cast<unsigned char>(word[i])));
    for (int i = 0; i < 12; ++i) {
        if (lower == kMonths[i]) return i + 1;
    }
    return 0;
}

bool AllDigits(const std::string& word) {
    if (word.empty() || word.size() > 9) return false;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT" or "Sun Nov  6 08:49:37 1994".
bool ReadHttpDate(const std::string& value, int64_t& fileTime) {
    std::vector<std::string> words;
    std::string word;
    for (char c : value + " ") {
        if (c == ' ' || c == ',' || c == '-' || c == '\t') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    int day = 0, month = 0, year = -1, hour = -1, minute = -1, second = -1;
    for (const std::string& w : words) {
        if (w.size() == 8 && w[2] == ':' && w[5] == ':' && AllDigits(w.substr(0, 2)) &&
            AllDigits(w.substr(3, 2)) && AllDigits(w.substr(6, 2))) {
            hour = std::stoi(w.substr(0, 2));
            minute = std::stoi(w.substr(3, 2));
            second = std::stoi(w.substr(6, 2));
        } else if (MonthNumber(w) != 0 && month == 0 && !AllDigits(w)) {
            month = MonthNumber(w);
        } else if (AllDigits(w) && w.size() <= 2 && day == 0) {
            day = std::stoi(w);
        } else if (AllDigits(w) && (w.size() == 4 || w.size() == 2)) {
            year = std::stoi(w);
            if (w.size() == 2) year += year < 70 ? 2000 : 1900;
        }
    }
    if (day == 0 || month == 0 || year < 1601 || year > 9999 || hour < 0 || hour > 23 || minute > 59 ||
        second > 60) {
        return false;
    }
    CivilTime time;
    time.year = static_cast<uint16_t>(year);
    time.month = static_cast<uint16_t>(month);
    time.day = static_cast<uint16_t>(day);
    time.hour = static_cast<uint16_t>(hour);
    time.minute = static_cast<uint16_t>(minute);
    time.second = static_cast<uint16_t>(second > 59 ? 59 : second);
    return FileTimeFromCivil(time, fileTime);
}

}  // namespace

int64_t RetryAfterSeconds(const std::string& value, int64_t utcNow) {
    const size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return 0;
    const std::string text = value.substr(first, value.find_last_not_of(" \t") + 1 - first);
    int64_t seconds = 0;
    if (text.find_first_not_of("0123456789") == std::string::npos) {
        seconds = text.size() > 9 ? kMaxRetryAfterSeconds : std::stoll(text);
    } else {
        int64_t when = 0;
        if (!ReadHttpDate(text, when)) return 0;
        seconds = when > utcNow ? (when - utcNow + kTicksPerSecond - 1) / kTicksPerSecond : 0;
    }
    return seconds > kMaxRetryAfterSeconds ? kMaxRetryAfterSeconds : seconds;
}

void HostHolds::Hold(const std::string& host, uint64_t until) {
    uint64_t& held = until_[host];
    if (until > held) held = until;
}

bool HostHolds::Held(const std::string& host, uint64_t now) const {
    auto found = until_.find(host);
    return found != until_.end() && now < found->second;
}

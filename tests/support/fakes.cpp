#include "support/fakes.h"

int64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second) {
    CivilTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    int64_t stamp = 0;
    FileTimeFromCivil(t, stamp);
    return stamp;
}

FixedClock::FixedClock() { Set(2025, 2, 3, 18, 5, 7); }

void FixedClock::Set(int year, int month, int day, int hour, int minute, int second) {
    local = CivilTime{};
    local.year = static_cast<uint16_t>(year);
    local.month = static_cast<uint16_t>(month);
    local.day = static_cast<uint16_t>(day);
    local.hour = static_cast<uint16_t>(hour);
    local.minute = static_cast<uint16_t>(minute);
    local.second = static_cast<uint16_t>(second);
    local.dayOfWeek = static_cast<uint16_t>(WeekdayOf(year, month, day));
    int64_t stamp = 0;
    FileTimeFromCivil(local, stamp);
    CivilFromFileTime(stamp - 9 * 3600 * kFileTimeTicksPerSecond, utc);
}

FetchResult ScriptedFetcher::Fetch(const char* url, const char* header, DocumentBuffer& document) {
    requests.push_back({url, header});
    Answer answer{kFetchFailed, "", 0};
    auto queued = once_.find(url);
    if (queued != once_.end() && !queued->second.empty()) {
        answer = queued->second.front();
        queued->second.pop_front();
    } else if (always_.count(url)) {
        answer = always_[url];
    }
    document.Allocate(1);
    document.AppendChunk(answer.body.data(), answer.body.size());
    document.SetLastModified(answer.lastModified);
    return answer.result;
}

void ScriptedFetcher::Always(const std::string& url, FetchResult result, const std::string& body,
                             int64_t lastModified) {
    always_[url] = Answer{result, body, lastModified};
}

void ScriptedFetcher::Once(const std::string& url, FetchResult result, const std::string& body,
                           int64_t lastModified) {
    once_[url].push_back(Answer{result, body, lastModified});
}

#include "support/fakes.h"

#include <algorithm>

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

namespace {

std::string HostOf(const std::string& url) {
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t end = url.find_first_of("/?#", start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

ScriptedFetcher::Answer ScriptedFetcher::Next(const std::string& url) {
    auto queued = once_.find(url);
    if (queued != once_.end() && !queued->second.empty()) {
        Answer answer = queued->second.front();
        queued->second.pop_front();
        return answer;
    }
    auto always = always_.find(url);
    return always != always_.end() ? always->second : Answer{};
}

FetchId ScriptedFetcher::Start(const char* url, const char* headers) {
    requests.push_back({url, headers ? headers : ""});
    if (refuseStart) return 0;
    const FetchId id = ++lastId_;
    inFlight_[id] = Flight{url, Next(url)};
    peakInFlight = std::max(peakInFlight, InFlight());
    std::map<std::string, int> perHost;
    for (const auto& flight : inFlight_) ++perHost[HostOf(flight.second.url)];
    for (const auto& host : perHost) peakPerHost[host.first] = std::max(peakPerHost[host.first], host.second);
    return id;
}

bool ScriptedFetcher::Take(FetchId id, FetchAnswer& answer, DocumentBuffer& document) {
    auto flight = inFlight_.find(id);
    if (flight == inFlight_.end() || held_.count(flight->second.url)) return false;
    const Answer& scripted = flight->second.answer;
    answer = FetchAnswer{};
    answer.result = scripted.result;
    answer.status = scripted.status != 0 ? scripted.status : (scripted.result == kFetchFailed ? 0 : 200);
    answer.lastModified = scripted.lastModified;
    answer.etag = scripted.etag;
    answer.retryAfter = scripted.retryAfter;
    answer.movedTo = scripted.movedTo;
    answer.finalUrl = scripted.movedTo.empty() ? flight->second.url : scripted.movedTo;
    document.Allocate(1);
    if (scripted.result == kFetchOk) {
        document.AppendChunk(scripted.body.data(), scripted.body.size());
        document.SetLastModified(scripted.lastModified);
    }
    inFlight_.erase(flight);
    return true;
}

void ScriptedFetcher::Cancel(FetchId id) {
    auto flight = inFlight_.find(id);
    if (flight == inFlight_.end()) return;
    cancelled.push_back(flight->second.url);
    inFlight_.erase(flight);
}

void ScriptedFetcher::Always(const std::string& url, FetchResult result, const std::string& body,
                             int64_t lastModified) {
    Answer answer;
    answer.result = result;
    answer.body = body;
    answer.lastModified = lastModified;
    always_[url] = answer;
}

void ScriptedFetcher::Once(const std::string& url, FetchResult result, const std::string& body,
                           int64_t lastModified) {
    Answer answer;
    answer.result = result;
    answer.body = body;
    answer.lastModified = lastModified;
    once_[url].push_back(answer);
}

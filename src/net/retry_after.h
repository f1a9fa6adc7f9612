#pragma once
// A server that is overloaded (503) or asked too often (429) may say when to come back
// (Retry-After: a number of seconds or an HTTP date). Its host is then left alone until that time,
// at most a day, and its feeds are read from their cache copies meanwhile.
#include <cstdint>
#include <map>
#include <string>

constexpr int64_t kMaxRetryAfterSeconds = 24 * 60 * 60;

// The answers after which a host is left alone when they say for how long.
inline bool AsksToBeLeftAlone(int status) { return status == 429 || status == 503; }

// The seconds from `utcNow` (a UTC file time) that `value` asks to wait, at most a day; 0 when the
// value is empty, unreadable or in the past.
int64_t RetryAfterSeconds(const std::string& value, int64_t utcNow);

// Hosts (HostKeyOf) left alone until a time of the monotonic clock (milliseconds).
class HostHolds {
  public:
    void Hold(const std::string& host, uint64_t until);
    bool Held(const std::string& host, uint64_t now) const;

  private:
    std::map<std::string, uint64_t> until_;
};

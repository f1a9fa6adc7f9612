#include "net/fetch_scheduler.h"

#include <algorithm>

#include "net/url.h"

void FetchScheduler::Clear() {
    waiting_.clear();
    running_.clear();
}

void FetchScheduler::Queue(int key, const std::string& host, bool ahead) {
    if (ahead) {
        waiting_.insert(waiting_.begin(), Job{key, host});
    } else {
        waiting_.push_back(Job{key, host});
    }
}

int FetchScheduler::RunningOn(const std::string& host) const {
    return static_cast<int>(std::count_if(running_.begin(), running_.end(),
                                          [&host](const Job& job) { return job.host == host; }));
}

int FetchScheduler::StartNext() {
    if (running() >= limits_.total) return -1;
    for (size_t i = 0; i < waiting_.size(); ++i) {
        if (RunningOn(waiting_[i].host) >= limits_.perHost) continue;
        Job job = waiting_[i];
        waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(i));
        running_.push_back(job);
        return job.key;
    }
    return -1;
}

void FetchScheduler::Finished(int key) {
    auto found =
        std::find_if(running_.begin(), running_.end(), [key](const Job& job) { return job.key == key; });
    if (found != running_.end()) running_.erase(found);
}

std::vector<int> FetchScheduler::TakeWaitingOn(const std::string& host) {
    std::vector<int> keys;
    auto kept = std::remove_if(waiting_.begin(), waiting_.end(), [&](const Job& job) {
        if (job.host != host) return false;
        keys.push_back(job.key);
        return true;
    });
    waiting_.erase(kept, waiting_.end());
    return keys;
}

std::vector<int> FetchScheduler::Running() const {
    std::vector<int> keys;
    for (const Job& job : running_) keys.push_back(job.key);
    return keys;
}

std::string HostKeyOf(const char* url) {
    UrlParts parts;
    if (!SplitUrl(url, parts)) return std::string();
    std::string key = parts.host;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key + ":" + std::to_string(parts.port);
}

#include "support/test_platform.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void RemoveTree(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (dir) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            std::string child = path + "/" + name;
            struct stat info;
            if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                RemoveTree(child);
            } else {
                unlink(child.c_str());
            }
        }
        closedir(dir);
    }
    rmdir(path.c_str());
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/newsroller-test-XXXXXX";
    char* made = mkdtemp(&pattern[0]);
    path_ = made ? made : pattern;
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void TempFolder::Write(const std::string& name, const std::string& bytes) const {
    // Folders on the way are made as needed ("cache/x").
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        mkdir(File(name.substr(0, slash)).c_str(), 0755);
    }
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool TempFolder::Exists(const std::string& name) const {
    struct stat info;
    return stat(File(name).c_str(), &info) == 0;
}

std::vector<std::string> TempFolder::List(const std::string& subfolder) const {
    std::vector<std::string> names;
    DIR* dir = opendir(subfolder.empty() ? path_.c_str() : File(subfolder).c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
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

int ScriptedFetcher::Fetch(const char* url, const char* header, DocumentBuffer& document) {
    requests.push_back({url, header});
    Answer answer{kFetchFailed, ""};
    auto queued = once_.find(url);
    if (queued != once_.end() && !queued->second.empty()) {
        answer = queued->second.front();
        queued->second.pop_front();
    } else if (always_.count(url)) {
        answer = always_[url];
    }
    document.Allocate(1);
    document.AppendChunk(answer.body.data(), answer.body.size());
    return answer.result;
}

void ScriptedFetcher::Always(const std::string& url, int result, const std::string& body) {
    always_[url] = Answer{result, body};
}

void ScriptedFetcher::Once(const std::string& url, int result, const std::string& body) {
    once_[url].push_back(Answer{result, body});
}

TestPlatform::TestPlatform()
    : files(folder.path()), platform{messages, shell, clock, files, fetcher, pump, host} {}

#include "platform/whole_file.h"

#include "platform/platform.h"

namespace {

WholeRead Unopenable(FileAccess access) {
    switch (access) {
        case FileAccess::Missing:
            return WholeRead::Missing;
        case FileAccess::ReadOnly:
            return WholeRead::ReadOnly;
        case FileAccess::Busy:
            return WholeRead::Busy;
        case FileAccess::Openable:
        case FileAccess::Failed:
            break;
    }
    return WholeRead::Failed;
}

}  // namespace

WholeRead ReadWhole(FileSystem& files, const char* name, const WholeReadRules& rules,
                    const std::function<char*(size_t)>& reserve, size_t& length) {
    length = 0;
    const int attempts = rules.retryWhenBusy ? kBusyRetries + 1 : 1;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 0) files.Pause(kBusyRetryPauseMs);
        const bool lastAttempt = attempt + 1 >= attempts;

        FileProbe probe = files.Probe(name);
        if (probe.access == FileAccess::Busy && !lastAttempt) continue;
        if (probe.access != FileAccess::Openable) return Unopenable(probe.access);
        if (probe.size < 0) return WholeRead::Failed;
        if (rules.refuseFrom > 0 && probe.size >= rules.refuseFrom) return WholeRead::TooLarge;

        const uint64_t size = static_cast<uint64_t>(probe.size);
        if (size >= SIZE_MAX) return WholeRead::NoMemory;
        const size_t capacity = size < rules.readAtMost ? static_cast<size_t>(size) : rules.readAtMost;
        char* dest = reserve(capacity);
        if (!dest) return WholeRead::NoMemory;
        int64_t read = capacity > 0 ? files.Read(name, dest, capacity) : 0;
        if (read < 0) {
            // Taken by another program between the size and the read?
            FileAccess now = files.Probe(name).access;
            if (now == FileAccess::Busy && !lastAttempt) continue;
            return now == FileAccess::Busy ? WholeRead::Busy : WholeRead::Failed;
        }
        length = static_cast<size_t>(read) < capacity ? static_cast<size_t>(read) : capacity;
        dest[length] = '\0';
        return static_cast<uint64_t>(length) == size ? WholeRead::Whole : WholeRead::Cut;
    }
}

WholeRead ReadWholeText(FileSystem& files, const char* name, const WholeReadRules& rules, std::string& text) {
    size_t length = 0;
    WholeRead result = ReadWhole(
        files, name, rules,
        [&text](size_t capacity) -> char* {
            text.assign(capacity + 1, '\0');
            return &text[0];
        },
        length);
    text.resize(length);
    return result;
}

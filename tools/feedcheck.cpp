// feedcheck: runs the feed parser over documents on disk, as the update cycle would, and prints
// the articles it finds.
//
//   feedcheck [--site NAME] [--url URL | --root ROOT] [--max N] [--today DAY] [--count-before K]
//             [--json] FILE...
//
// Each file is loaded whole and its text ends at the first zero byte, as the program's own reader
// has it. Exit code 0, or 2 when a file cannot be read (or the arguments are wrong).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "feed/article.h"
#include "feed/day_number.h"
#include "feed/parser.h"
#include "feed/site_root.h"
#include "platform/code_pages_posix.h"
#include "tool_support.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: feedcheck [--site NAME] [--url URL | --root ROOT] [--max N] [--today DAY]\n"
                 "                 [--count-before K] [--json] FILE...\n");
}

// The calendar date of a day number (the inverse of DayNumber for 1992 to 2500).
std::string DateOf(int day) {
    for (int year = 1992; year <= 2500; ++year) {
        if (DayNumber(year + 1, 1, 1) <= day) continue;
        for (int month = 12; month >= 1; --month) {
            int first = DayNumber(year, month, 1);
            if (first <= day) {
                char text[48];
                std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day - first + 1);
                return text;
            }
        }
    }
    return "day " + std::to_string(day);
}

int LocalToday() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace

int main(int argc, char** argv) {
    std::string site = "test";
    std::string root = "http://host";
    std::string address;
    int maximum = kArticleCapacity;
    int today = LocalToday();
    int countBefore = 0;
    bool json = false;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "feedcheck: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--site") {
            site = Convert(value(), "UTF-8", "CP932");
        } else if (arg == "--url") {
            address = value();
            char buffer[kSiteRootSize];
            SiteRootOf(address.c_str(), buffer, sizeof buffer);
            root = buffer;
        } else if (arg == "--root") {
            root = value();
        } else if (arg == "--max") {
            if (!ParseInt(value(), 1, 1000000, maximum)) return Usage(), 2;
        } else if (arg == "--today") {
            if (!ParseInt(value(), -1000000, 1000000, today)) return Usage(), 2;
        } else if (arg == "--count-before") {
            if (!ParseInt(value(), 0, kArticleCapacity, countBefore)) return Usage(), 2;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            std::fprintf(stderr, "feedcheck: unknown option %s\n", arg.c_str());
            Usage();
            return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) {
        Usage();
        return 2;
    }

    int status = 0;
    auto table = std::make_unique<ArticleTable>();
    for (const char* path : files) {
        std::string document;
        if (!ReadDocument(path, document)) {
            std::fprintf(stderr, "feedcheck: cannot read %s: %s\n", path, std::strerror(errno));
            status = 2;
            continue;
        }
        *table = ArticleTable{};
        table->count = countBefore;
        int found = 0;
        IconvCodePages codePages;
        FeedParseTarget target{
            *table, found, maximum, today, nullptr, address.empty() ? nullptr : address.c_str(), &codePages};
        ParseFeedDocument(TextView{document.c_str(), static_cast<int>(document.size())}, site.c_str(),
                          root.c_str(), target);
        if (json) {
            std::printf("{\"articles\":[");
            for (int k = countBefore; k < table->count; ++k) {
                const ArticleEntry& a = table->slot[k];
                std::printf("%s{\"site\":\"%s\",\"title\":\"%s\",\"link\":\"%s\",\"day\":%d}",
                            k > countBefore ? "," : "", Hex(a.site).c_str(), Hex(a.title).c_str(),
                            Hex(a.link).c_str(), a.day);
            }
            std::printf("],\"found\":%d}\n", found);
        } else {
            std::printf("%s: %d article%s (slots %d to %d)\n", path, found, found == 1 ? "" : "s",
                        countBefore, table->count - 1);
            for (int k = countBefore; k < table->count; ++k) {
                const ArticleEntry& a = table->slot[k];
                std::printf("%5d  %s  [%s] %s\n       %s\n", k, DateOf(a.day).c_str(), Utf8(a.site).c_str(),
                            Utf8(a.title).c_str(), Utf8(a.link).c_str());
            }
        }
    }
    return status;
}

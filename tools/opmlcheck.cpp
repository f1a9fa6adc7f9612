// opmlcheck: runs the OPML import's outline walk over files on disk, as the import dialog does but
// without fetching, and prints the feeds it would add.
//
//   opmlcheck [--registered FILE] [--limit N] [--json] FILE...
//
// Each file is loaded whole and its text ends at the first zero byte. Exit code 0, or 2 when a file
// cannot be read (or the arguments are wrong).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/feed_list.h"
#include "config/opml_import.h"
#include "tool_support.h"

namespace {

void Usage() { std::fprintf(stderr, "usage: opmlcheck [--registered FILE] [--limit N] [--json] FILE...\n"); }

}  // namespace

int main(int argc, char** argv) {
    const char* registeredPath = nullptr;
    int limit = -1;
    bool json = false;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "opmlcheck: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--registered") {
            registeredPath = value();
        } else if (arg == "--limit") {
            if (!ParseInt(value(), 0, kMaxUserFeeds, limit)) return Usage(), 2;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            std::fprintf(stderr, "opmlcheck: unknown option %s\n", arg.c_str());
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

    auto registered = std::make_unique<FeedTable>();
    if (registeredPath) {
        std::string list;
        if (!ReadDocument(registeredPath, list)) {
            std::fprintf(stderr, "opmlcheck: cannot read %s: %s\n", registeredPath, std::strerror(errno));
            return 2;
        }
        ParseFeedListText(*registered, list.c_str(), static_cast<int>(list.size()));
    }
    // The table before the import: the registered feeds, padded with unnamed ones or cut to --limit.
    if (limit >= 0) {
        for (int k = registered->count; k < limit; ++k) registered->site[k][0] = registered->url[k][0] = '\0';
        registered->count = limit;
    }

    int status = 0;
    auto feeds = std::make_unique<FeedTable>();
    for (const char* path : files) {
        std::string document;
        if (!ReadDocument(path, document)) {
            std::fprintf(stderr, "opmlcheck: cannot read %s: %s\n", path, std::strerror(errno));
            status = 2;
            continue;
        }
        *feeds = *registered;
        const int before = feeds->count;
        OpmlWalk walk(TextView{document.c_str(), static_cast<int>(document.size())});
        bool full = false;
        for (;;) {
            // As the import dialog: at 100 registered feeds the import stops.
            if (feeds->count >= kMaxUserFeeds) {
                full = true;
                break;
            }
            OpmlWalk::Step step = walk.Next(*feeds);
            if (step == OpmlWalk::Step::Finished) break;
            if (step != OpmlWalk::Step::NewFeed) continue;
            CopyCut(feeds->site[feeds->count], kSlotSize, walk.site());
            CopyCut(feeds->url[feeds->count], kSlotSize, walk.url());
            feeds->maximum[feeds->count] = 0;
            ++feeds->count;
        }
        if (json) {
            std::printf("{\"feeds\":[");
            for (int k = before; k < feeds->count; ++k) {
                std::printf("%s{\"site\":\"%s\",\"url\":\"%s\"}", k > before ? "," : "",
                            Hex(feeds->site[k]).c_str(), Hex(feeds->url[k]).c_str());
            }
            std::printf("],\"outlines\":%d}\n", walk.outlineTotal());
        } else {
            int added = feeds->count - before;
            std::printf("%s: %d outline%s, %d feed%s to add%s\n", path, walk.outlineTotal(),
                        walk.outlineTotal() == 1 ? "" : "s", added, added == 1 ? "" : "s",
                        full ? " (stopped at 100 registered feeds)" : "");
            for (int k = before; k < feeds->count; ++k) {
                std::printf("%5d  [%s] %s\n", k, Utf8(feeds->site[k]).c_str(), Utf8(feeds->url[k]).c_str());
            }
        }
    }
    return status;
}

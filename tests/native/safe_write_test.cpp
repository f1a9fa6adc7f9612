// Every file the program writes survives a failed write: the old file stays whole, the failure is
// reported with that file's message, and no temporary file is left in the folder.
#include "platform/safe_write.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "config/feed_list.h"
#include "config/opml_export.h"
#include "config/settings.h"
#include "net/cache.h"
#include "report/article_page.h"
#include "schedule/schedule.h"
#include "support/test_platform.h"

namespace {

enum class Fault { HalfWrite, ReplaceFails };

// Passes everything to the real folder except the fault: a write that stops after half the bytes
// (as on a full disk), or a move over the old file that is refused.
class FaultyFiles : public FileSystem {
  public:
    FaultyFiles(PosixFileSystem& inner, Fault fault) : inner_(inner), fault_(fault) {}
    FileProbe Probe(const char* name) override { return inner_.Probe(name); }
    int64_t Read(const char* name, char* dest, size_t capacity) override {
        return inner_.Read(name, dest, capacity);
    }
    bool CreateEmptyIfMissing(const char* name) override { return inner_.CreateEmptyIfMissing(name); }
    bool CreateFolder(const char* name) override { return inner_.CreateFolder(name); }
    bool WriteNew(const char* name, const char* data, size_t size) override {
        ++writes;
        if (fault_ != Fault::HalfWrite) return inner_.WriteNew(name, data, size);
        inner_.WriteNew(name, data, size / 2);
        halfWritten = inner_.OpenableSize(name) == static_cast<int64_t>(size / 2);
        return false;
    }
    bool Copy(const char* from, const char* to) override { return inner_.Copy(from, to); }
    bool Replace(const char* from, const char* to) override {
        if (fault_ == Fault::ReplaceFails) return false;
        return inner_.Replace(from, to);
    }
    bool Remove(const char* name) override { return inner_.Remove(name); }
    void Pause(int milliseconds) override { inner_.Pause(milliseconds); }
    bool LastWriteTime(const char* name, int64_t& utcFileTime) override {
        return inner_.LastWriteTime(name, utcFileTime);
    }
    bool SetLastWriteTime(const char* name, int64_t utcFileTime) override {
        return inner_.SetLastWriteTime(name, utcFileTime);
    }
    int writes = 0;
    bool halfWritten = false;

  private:
    PosixFileSystem& inner_;
    Fault fault_;
};

struct Writer {
    const char* name;
    const char* file;     // as stored in the folder
    const char* message;  // nullptr: the cache is written silently
    std::function<int(Platform&)> write;
};

const char kOld[] = "the previous content\r\n";

std::vector<Writer> Writers() {
    return {
        {"settings", "Newsroller.ini", "Newsroller.iniファイルをオープンできませんでした。",
         [](Platform& p) {
             AppSettings s;
             SetDefaultSettings(s);
             return SaveSettings(s, p);
         }},
        {"feed list", "URL-List.txt", "URL-List.txtファイルをオープンできませんでした。",
         [](Platform& p) {
             auto feeds = std::make_unique<FeedTable>();
             feeds->count = 1;
             CopyCut(feeds->site[0], kSlotSize, "Site");
             CopyCut(feeds->url[0], kSlotSize, "http://site.example/rss");
             feeds->maximum[0] = 20;
             return SaveFeedList(*feeds, p);
         }},
        {"schedule", "schedule.dat", "スケジュールファイルをオープンできませんでした。",
         [](Platform& p) {
             auto table = std::make_unique<ScheduleTable>();
             table->count = 1;
             CopyCut(table->entry[0].text, kSlotSize, "予定");
             return SaveSchedule(*table, p);
         }},
        {"article page", "index.html", "index.htmlファイルをオープンできませんでした。",
         [](Platform& p) {
             auto app = std::make_unique<App>(p);
             ResetApp(*app);
             app->articles.count = 1;
             CopyCut(app->articles.slot[0].site, kSlotSize, "Site");
             CopyCut(app->articles.slot[0].title, kSlotSize, "Title");
             CopyCut(app->articles.slot[0].link, kSlotSize, "http://site.example/1");
             app->articles.slot[0].day = 0;
             return WriteArticlePage(*app, 0);
         }},
        {"OPML export", "Newsroller.opml", "Newsroller.opmlファイルをオープンできませんでした。",
         [](Platform& p) {
             auto feeds = std::make_unique<FeedTable>();
             feeds->count = 1;
             CopyCut(feeds->site[0], kSlotSize, "Site");
             CopyCut(feeds->url[0], kSlotSize, "http://site.example/rss");
             return ExportOpml(*feeds, p);
         }},
        {"cache file", "cache/http@%%h%rss", nullptr,
         [](Platform& p) {
             DocumentBuffer document;
             document.AppendChunk("<rss/>", 6);
             return WriteCacheFile(document, "http://h/rss", 0, p);
         }},
    };
}

void CheckFailedWriteKeepsTheOldFile(Fault fault) {
    for (const Writer& writer : Writers()) {
        SCOPED_TRACE(writer.name);
        TestPlatform p;
        ASSERT_TRUE(p.files.CreateFolder("cache"));
        p.folder.Write(writer.file, kOld);
        FaultyFiles faulty(p.files, fault);
        Platform platform{p.messages, p.shell, p.clock, faulty, p.fetcher, p.pump, p.host};

        EXPECT_EQ(-1, writer.write(platform));
        EXPECT_EQ(1, faulty.writes);
        if (fault == Fault::HalfWrite) {
            EXPECT_TRUE(faulty.halfWritten);
        }
        EXPECT_EQ(kOld, p.folder.Read(writer.file));
        if (writer.message) {
            ASSERT_EQ(1u, p.messages.shown.size());
            EXPECT_EQ(writer.message, p.messages.shown[0].text);
            EXPECT_EQ("OPEN ERROR", p.messages.shown[0].title);
            EXPECT_EQ(MessageIcon::Error, p.messages.shown[0].icon);
        } else {
            EXPECT_TRUE(p.messages.shown.empty());
        }
        // Nothing but the old file (and the cache folder) is left.
        std::string file = writer.file;
        size_t slash = file.find('/');
        std::vector<std::string> top = p.folder.List();
        std::vector<std::string> cache = p.folder.List("cache");
        std::sort(top.begin(), top.end());
        if (slash == std::string::npos) {
            std::vector<std::string> expected{file, "cache"};
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(expected, top);
            EXPECT_TRUE(cache.empty());
        } else {
            EXPECT_EQ(std::vector<std::string>{"cache"}, top);
            EXPECT_EQ(std::vector<std::string>{file.substr(slash + 1)}, cache);
        }

        // The same write on a sound disk replaces the old file and leaves nothing else.
        p.messages.shown.clear();
        writer.write(p.platform);
        EXPECT_NE(kOld, p.folder.Read(writer.file));
        EXPECT_TRUE(p.messages.shown.empty());
        EXPECT_EQ(top.size(), p.folder.List().size());
        EXPECT_EQ(cache.size(), p.folder.List("cache").size());
    }
}

TEST(SafeWrites, HalfWrittenFileLeavesTheOldOneWhole) { CheckFailedWriteKeepsTheOldFile(Fault::HalfWrite); }

TEST(SafeWrites, RefusedReplaceLeavesTheOldOneWhole) { CheckFailedWriteKeepsTheOldFile(Fault::ReplaceFails); }

TEST(SafeWrites, NewFileInAnEmptyFolder) {
    TestPlatform p;
    ASSERT_EQ(0, WriteFileSafely(p.files, "schedule.dat", "abc", 3));
    EXPECT_EQ("abc", p.folder.Read("schedule.dat"));
    EXPECT_EQ(std::vector<std::string>{"schedule.dat"}, p.folder.List());
    ASSERT_EQ(0, WriteFileSafely(p.files, "schedule.dat", "", 0));
    EXPECT_EQ("", p.folder.Read("schedule.dat"));
    EXPECT_TRUE(p.folder.Exists("schedule.dat"));
}

}  // namespace

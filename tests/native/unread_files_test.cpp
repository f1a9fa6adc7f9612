// A settings file, feed list or schedule that exists but could not be read whole is never replaced
// blindly: it is kept as "<name>.bak" before any writer replaces it, the user is told once which file
// and where the copy is, and a file another program holds only for a moment is read after a short wait.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "config/feed_list.h"
#include "config/settings.h"
#include "platform/safe_write.h"
#include "schedule/schedule.h"
#include "support/test_platform.h"

namespace {

// The program folder with faults another program or the disk could cause for one file: it is held
// open without sharing (for the next `busyProbes` looks at it, or until released), or the next read
// of it stops halfway (as when it shrinks while being read).
class FaultyFolder : public FileSystem {
  public:
    FaultyFolder(PosixFileSystem& inner, std::string name) : inner_(inner), name_(std::move(name)) {}

    static constexpr int kHeld = -1;
    int busyProbes = 0;  // kHeld: until Release()
    bool halfRead = false;
    int pausedMs = 0;

    void Release() { busyProbes = 0; }

    FileProbe Probe(const char* name) override {
        if (Busy(name)) {
            if (busyProbes > 0) --busyProbes;
            return FileProbe{FileAccess::Busy, -1};
        }
        return inner_.Probe(name);
    }
    int64_t Read(const char* name, char* dest, size_t capacity) override {
        if (Busy(name)) return -1;
        if (halfRead && name_ == name) {
            halfRead = false;
            capacity /= 2;
        }
        return inner_.Read(name, dest, capacity);
    }
    bool CreateEmptyIfMissing(const char* name) override {
        return !Busy(name) && inner_.CreateEmptyIfMissing(name);
    }
    bool CreateFolder(const char* name) override { return inner_.CreateFolder(name); }
    bool WriteNew(const char* name, const char* data, size_t size) override {
        return !Busy(name) && inner_.WriteNew(name, data, size);
    }
    bool Copy(const char* from, const char* to) override { return !Busy(from) && inner_.Copy(from, to); }
    // A file held open without sharing cannot be replaced either.
    bool Replace(const char* from, const char* to) override { return !Busy(to) && inner_.Replace(from, to); }
    bool Remove(const char* name) override { return !Busy(name) && inner_.Remove(name); }
    void Pause(int milliseconds) override { pausedMs += milliseconds; }
    bool LastWriteTime(const char* name, int64_t& utcFileTime) override {
        return inner_.LastWriteTime(name, utcFileTime);
    }
    bool SetLastWriteTime(const char* name, int64_t utcFileTime) override {
        return inner_.SetLastWriteTime(name, utcFileTime);
    }

  private:
    bool Busy(const char* name) const { return busyProbes != 0 && name_ == name; }
    PosixFileSystem& inner_;
    std::string name_;
};

// One of the three files with its loader and writer; `taken` tells how much the last load took
// (entries, tasks, or 1 when the user's settings were applied).
struct Subject {
    const char* file;
    std::function<LoadResult(Platform&, int& taken)> load;
    std::function<WriteResult(Platform&)> save;  // writes what the last load gave
};

Subject SettingsSubject() {
    auto settings = std::make_shared<AppSettings>();
    return {"Newsroller.ini",
            [settings](Platform& p, int& taken) {
                SetDefaultSettings(*settings);
                LoadResult result = LoadSettings(*settings, p, nullptr);
                taken = (settings->winX == 345) + (settings->width == 800);
                return result;
            },
            [settings](Platform& p) { return SaveSettings(*settings, p); }};
}

Subject FeedListSubject() {
    auto feeds = std::make_shared<FeedTable>();
    return {"URL-List.txt",
            [feeds](Platform& p, int& taken) {
                int today = 0;
                LoadResult result = LoadFeedList(*feeds, today, p);
                taken = feeds->count;
                return result;
            },
            [feeds](Platform& p) { return SaveFeedList(*feeds, p); }};
}

Subject ScheduleSubject() {
    auto schedule = std::make_shared<ScheduleTable>();
    return {"schedule.dat",
            [schedule](Platform& p, int& taken) {
                LoadResult result = LoadSchedule(*schedule, p);
                taken = schedule->count;
                return result;
            },
            [schedule](Platform& p) { return SaveSchedule(*schedule, p); }};
}

const std::string kUserSettings = "winX=345\r\nwidth=800\r\nfsize=24\r\n";
const std::string kUserFeeds = "A\thttp://a.example/rss\t5\r\nB\thttp://b.example/rss\t6\r\n";
const std::string kUserTasks = "2025,3,14,9,30,0,-1,\r\n会議\r\n2025,3,15,9,30,0,-1,\r\n次の予定\r\n";

std::string ManyTasks(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "2025,3,14,9,30,0,-1,\r\nt" + std::to_string(i) + "\r\n";
    return text;
}

enum class Fault { None, BusyForAMoment, HeldOpen, HalfRead };

struct Case {
    const char* what;
    std::function<Subject()> subject;
    std::string content;
    Fault fault;
    LoadResult loaded;
    int taken;          // what the load takes from the file
    const char* title;  // of the message; nullptr: the file is read and nothing is said
    bool toldAtEveryLoad;
};

std::vector<Case> Cases() {
    return {
        {"settings held for a moment", SettingsSubject, kUserSettings, Fault::BusyForAMoment, kLoaded, 2,
         nullptr, false},
        {"settings held open", SettingsSubject, kUserSettings, Fault::HeldOpen, kNotLoaded, 0, "OPEN ERROR",
         false},
        {"settings too large", SettingsSubject,
         kUserSettings + std::string(51200 - kUserSettings.size(), ' '), Fault::None, kNotLoaded, 0,
         "SIZE ERROR", true},
        {"settings cut short", SettingsSubject, kUserSettings, Fault::HalfRead, kLoaded, 1, "ERROR", false},
        {"feed list held for a moment", FeedListSubject, kUserFeeds, Fault::BusyForAMoment, kLoaded, 2,
         nullptr, false},
        {"feed list held open", FeedListSubject, kUserFeeds, Fault::HeldOpen, kNotLoaded, 0, "OPEN ERROR",
         true},
        {"feed list too large", FeedListSubject, kUserFeeds + std::string(51200 - kUserFeeds.size(), ' '),
         Fault::None, kNotLoaded, 0, "SIZE ERROR", true},
        // With LF line ends a list of two fields has no complete line; with three, the third TAB is a
        // fourth field.
        {"feed list of two fields with LF line ends", FeedListSubject,
         "A\thttp://a.example/\nB\thttp://b.example/\n", Fault::None, kLoaded, 0, "警告", false},
        {"feed list of three fields with LF line ends", FeedListSubject,
         "A\thttp://a.example/rss\t5\nB\thttp://b.example/rss\t6\n", Fault::None, kNotLoaded, 0, "ERROR",
         false},
        {"feed list with a fourth field", FeedListSubject, kUserFeeds + "C\thttp://c.example/\t7\tx\r\n",
         Fault::None, kNotLoaded, 0, "ERROR", false},
        {"feed list without a last line end", FeedListSubject, kUserFeeds + "C\thttp://c.example/\t7",
         Fault::None, kLoaded, 2, "警告", false},
        {"feed list with a line without TAB", FeedListSubject, "http://c.example/rss\r\n" + kUserFeeds,
         Fault::None, kLoaded, 2, "警告", false},
        {"feed list with a field cut", FeedListSubject,
         kUserFeeds + std::string(300, 's') + "\thttp://c/\t1\r\n", Fault::None, kLoaded, 3, "警告", false},
        {"feed list cut short", FeedListSubject, kUserFeeds, Fault::HalfRead, kLoaded, 1, "警告", false},
        {"schedule held for a moment", ScheduleSubject, kUserTasks, Fault::BusyForAMoment, kLoaded, 2,
         nullptr, false},
        {"schedule held open", ScheduleSubject, kUserTasks, Fault::HeldOpen, kNotLoaded, 0, "OPEN ERROR",
         false},
        {"schedule with a malformed record", ScheduleSubject,
         "2025,3,14,9,30,0,-1,\r\n会議\r\n2025,13,1,9,30,0,-1,\r\nx\r\n2025,3,15,9,30,0,-1,\r\n次\r\n",
         Fault::None, kLoaded, 1, "警告", false},
        {"schedule with more than 1024 tasks", ScheduleSubject, ManyTasks(1025), Fault::None, kLoaded, 1024,
         "警告", false},
        {"schedule with words after a record", ScheduleSubject, "2025,3,14,9,30,0,-1,memo\r\n会議\r\n",
         Fault::None, kLoaded, 1, "警告", false},
        {"schedule cut short", ScheduleSubject, kUserTasks, Fault::HalfRead, kLoaded, 1, "警告", false},
    };
}

bool Mentions(const ShownMessage& shown, const std::string& text) {
    return shown.text.find(text) != std::string::npos;
}

TEST(UnreadFiles, AreKeptBeforeAnyWriterReplacesThemAndTheUserIsToldOnce) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        TestPlatform p;
        Subject subject = c.subject();
        const std::string file = subject.file;
        const std::string backup = file + ".bak";
        p.folder.Write(file, c.content);
        FaultyFolder faulty(p.files, file);
        faulty.busyProbes = c.fault == Fault::BusyForAMoment ? 3
                            : c.fault == Fault::HeldOpen     ? FaultyFolder::kHeld
                                                             : 0;
        faulty.halfRead = c.fault == Fault::HalfRead;
        Platform platform{p.messages, p.shell, p.clock, faulty, p.fetcher, p.pump, p.host};

        int taken = -1;
        EXPECT_EQ(c.loaded, subject.load(platform, taken));
        EXPECT_EQ(c.taken, taken);
        EXPECT_EQ(c.content, p.folder.Read(file));
        // Tried again after short pauses: a few hundred milliseconds in all.
        const int paused = c.fault == Fault::BusyForAMoment ? 3 * kBusyRetryPauseMs
                           : c.fault == Fault::HeldOpen     ? kBusyRetries * kBusyRetryPauseMs
                                                            : 0;
        EXPECT_EQ(paused, faulty.pausedMs);
        EXPECT_LE(faulty.pausedMs, 500);
        if (!c.title) {
            EXPECT_TRUE(p.messages.shown.empty());
            EXPECT_FALSE(p.folder.Exists(backup));
            ASSERT_EQ(kWritten, subject.save(platform));
            EXPECT_FALSE(p.folder.Exists(backup));
            continue;
        }
        // Told which file could not be read and where its copy is (or will be).
        ASSERT_EQ(1u, p.messages.shown.size());
        EXPECT_EQ(c.title, p.messages.shown[0].title);
        EXPECT_EQ(0u, p.messages.shown[0].text.find(file));
        EXPECT_TRUE(Mentions(p.messages.shown[0], "「" + backup + "」"));

        // Loading again says nothing new about the copy, and makes no other (a file cut short is now
        // read whole).
        subject.load(platform, taken);
        ASSERT_EQ(c.toldAtEveryLoad ? 2u : 1u, p.messages.shown.size());
        if (c.toldAtEveryLoad) {
            EXPECT_FALSE(Mentions(p.messages.shown[1], backup));
        }
        p.messages.shown.clear();

        if (c.fault == Fault::HeldOpen) {
            // Nothing could be copied yet: every write fails while the other program holds the file.
            EXPECT_FALSE(p.folder.Exists(backup));
            EXPECT_EQ(kNotWritten, subject.save(platform));
            EXPECT_EQ(c.content, p.folder.Read(file));
            EXPECT_FALSE(p.folder.Exists(backup));
            ASSERT_EQ(1u, p.messages.shown.size());
            EXPECT_EQ("OPEN ERROR", p.messages.shown[0].title);
            p.messages.shown.clear();
            faulty.Release();
            ASSERT_EQ(kWritten, subject.save(platform));
            EXPECT_NE(c.content, p.folder.Read(file));
        } else {
            EXPECT_EQ(c.content, p.folder.Read(backup));
        }
        // The first write that replaces the file keeps it first; later writes keep that copy.
        ASSERT_EQ(kWritten, subject.save(platform));
        EXPECT_EQ(c.content, p.folder.Read(backup));
        ASSERT_EQ(kWritten, subject.save(platform));
        EXPECT_EQ(c.content, p.folder.Read(backup));
        EXPECT_TRUE(p.messages.shown.empty());
        // What was written reads back whole, without a word.
        subject.load(platform, taken);
        EXPECT_TRUE(p.messages.shown.empty());
        EXPECT_EQ(c.content, p.folder.Read(backup));
    }
}

TEST(UnreadFiles, TheCopyIsOfTheNewestUnreadableFile) {
    TestPlatform p;
    Subject feeds = FeedListSubject();
    int taken = 0;
    p.folder.Write("URL-List.txt", "A\thttp://a/\t5\n");
    feeds.load(p.platform, taken);
    p.folder.Write("URL-List.txt", "B\thttp://b/\t6\n");
    feeds.load(p.platform, taken);
    EXPECT_EQ("B\thttp://b/\t6\n", p.folder.Read("URL-List.txt.bak"));
    ASSERT_EQ(2u, p.messages.shown.size());
    EXPECT_TRUE(Mentions(p.messages.shown[1], "URL-List.txt.bak"));
    EXPECT_EQ((std::vector<std::string>{"URL-List.txt", "URL-List.txt.bak"}), [&] {
        std::vector<std::string> names = p.folder.List();
        std::sort(names.begin(), names.end());
        return names;
    }());
}

TEST(UnreadFiles, ReadOnlyAndMissingFilesNeedNoCopy) {
    // A missing file holds nothing; a read-only one cannot be replaced.
    for (Subject subject : {SettingsSubject(), FeedListSubject(), ScheduleSubject()}) {
        SCOPED_TRACE(subject.file);
        const std::string backup = std::string(subject.file) + ".bak";
        TestPlatform p;
        int taken = 0;
        subject.load(p.platform, taken);
        EXPECT_EQ(kWritten, subject.save(p.platform));
        EXPECT_FALSE(p.folder.Exists(backup));
        EXPECT_TRUE(p.messages.shown.empty());

        p.folder.Write(subject.file, "read only\r\n");
        chmod(p.folder.File(subject.file).c_str(), 0444);
        subject.load(p.platform, taken);
        EXPECT_EQ(kNotWritten, subject.save(p.platform));
        EXPECT_EQ("read only\r\n", p.folder.Read(subject.file));
        EXPECT_FALSE(p.folder.Exists(backup));
    }
}

}  // namespace

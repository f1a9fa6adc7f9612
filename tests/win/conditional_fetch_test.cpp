// What a fetch learns and asks beyond the document: the date the server gives it, compressed
// answers decoded by the library, and the file dates the cache keeps. Against the loopback servers
// that tests/servers/servers.py starts (NEWSROLLER_NO_SERVERS=1 skips the fetches).
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "files_support.h"
#include "net/document_buffer.h"
#include "net/fetch_win.h"
#include "platform/platform_win.h"
#include "support/fakes.h"

namespace {

constexpr char kOldHeader[] = "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT";

std::string Env(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length == 0 || length >= sizeof value ? std::string() : std::string(value, length);
}

// A host file as Wine sees it (drive Z: is the host's root).
std::string ReadHostFile(const std::string& path) {
    std::string windows = "Z:" + path;
    for (char& c : windows) c = c == '/' ? '\\' : c;
    std::ifstream file(windows, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The last line of a log that holds `token`.
std::string LastLineWith(const std::string& log, const std::string& token) {
    std::istringstream lines(ReadHostFile(log));
    std::string line, found;
    while (std::getline(lines, line)) {
        if (line.find(token) != std::string::npos) found = line;
    }
    return found;
}

std::string Unique() {
    static int counter = 0;
    return std::to_string(GetTickCount64()) + "-" + std::to_string(++counter);
}

class ConditionalFetchTest : public testing::Test {
  protected:
    void SetUp() override {
        if (Env("NEWSROLLER_NO_SERVERS") == "1") GTEST_SKIP() << "NEWSROLLER_NO_SERVERS=1";
        http_ = Env("NEWSROLLER_HTTP_PORT");
        fault_ = Env("NEWSROLLER_FAULT_PORT");
        ASSERT_FALSE(http_.empty() || fault_.empty() || Env("NEWSROLLER_WWW_DIR").empty())
            << "start the servers with tests/servers/servers.py start (scripts/test does)";
        feed_ = ReadHostFile(Env("NEWSROLLER_WWW_DIR") + "/feed.xml");
        ASSERT_GT(feed_.size(), 10000u);
    }
    std::string Nginx(const std::string& path) const { return "http://127.0.0.1:" + http_ + path; }
    std::string Fault(const std::string& path) const { return "http://127.0.0.1:" + fault_ + path; }

    std::string http_, fault_, feed_;
    RecordingMessageBoxes messages_;
    Win32MessagePump pump_;
    DocumentBuffer document_;
};

TEST_F(ConditionalFetchTest, LastModifiedOfA200AnswerGoesWithTheDocument) {
    WinInetFetcher fetcher(messages_, pump_);
    // nginx dates feed.xml 1 January 2020 00:00:00 UTC.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/feed.xml").c_str(), kOldHeader, document_));
    EXPECT_EQ(FileTimeOf(2020, 1, 1, 0, 0, 0), document_.lastModified());
    // The same date sent back is what nginx's default (exact) answers 304 to.
    ASSERT_EQ(kFetchEmpty, fetcher.Fetch(Nginx("/exact/feed.xml").c_str(),
                                         "If-Modified-Since: Wed, 01 Jan 2020 00:00:00 GMT", document_));
    EXPECT_EQ(0, document_.lastModified());
    // Answers without the header, or that are not a 200, carry no date.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/ok").c_str(), kOldHeader, document_));
    EXPECT_EQ(0, document_.lastModified());
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/no-such-feed.xml").c_str(), kOldHeader, document_));
    EXPECT_EQ(0, document_.lastModified());
}

TEST_F(ConditionalFetchTest, CompressedAnswerIsDecodedByTheLibrary) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/gzip/feed.xml?t=" + token).c_str(), kOldHeader, document_));
    EXPECT_TRUE(std::string(document_.text(), document_.textLength()) == feed_) << document_.textLength();
    EXPECT_EQ(FileTimeOf(2020, 1, 1, 0, 0, 0), document_.lastModified());
    // nginx logs the bytes it sent, headers included, last.
    std::string line = LastLineWith(Env("NEWSROLLER_NGINX_LOG"), token);
    ASSERT_FALSE(line.empty());
    size_t sent = std::stoul(line.substr(line.find_last_of(' ') + 1));
    EXPECT_LT(sent, feed_.size() / 2) << line;

    // A compressed body longer than the document it holds: its length is not the document's.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/compressed?tiny=1").c_str(), kOldHeader, document_));
    EXPECT_STREQ("<rss/>", document_.text());
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/compressed").c_str(), kOldHeader, document_));
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(ConditionalFetchTest, AnswerTheLibraryLeavesCompressedIsAskedForAgainUncompressed) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string log = Env("NEWSROLLER_FAULT_LOG");
    ASSERT_FALSE(log.empty());
    std::string before = ReadHostFile(log);
    // An encoding the library does not decode: the gzip bytes come through as they were sent.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/compressed?encoding=x-gzip").c_str(), kOldHeader, document_));
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    std::string added = ReadHostFile(log).substr(before.size());
    EXPECT_EQ(
        "/compressed\tNewsroller1_88\tThu, 01 Jan 2004 00:00:00 GMT\tgzip\n"
        "/compressed\tNewsroller1_88\tThu, 01 Jan 2004 00:00:00 GMT\t\n",
        added);
}

TEST(CacheFileDates, AreKeptToTheTickAndSetWhileTheFileIsOpenForReading) {
    WinFilesPlatform p;
    ASSERT_TRUE(p.folder.Write(L"copy", "<rss/>"));
    const int64_t date = FileTimeOf(2025, 2, 3, 9, 5, 7) + 1234567;
    ASSERT_TRUE(p.files.SetLastWriteTime("copy", date));
    int64_t read = 0;
    ASSERT_TRUE(p.files.LastWriteTime("copy", read));
    EXPECT_EQ(date, read);

    HANDLE reader = CreateFileW((p.folder.path() + L"copy").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    EXPECT_TRUE(p.files.SetLastWriteTime("copy", FileTimeOf(1999, 12, 31, 23, 59, 59)));
    CloseHandle(reader);
    ASSERT_TRUE(p.files.LastWriteTime("copy", read));
    EXPECT_EQ(FileTimeOf(1999, 12, 31, 23, 59, 59), read);
    EXPECT_EQ("<rss/>", p.folder.Read(L"copy"));

    EXPECT_FALSE(p.files.LastWriteTime("missing", read));
    EXPECT_FALSE(p.files.SetLastWriteTime("missing", date));
    ASSERT_TRUE(p.files.CreateFolder("cache"));
    EXPECT_FALSE(p.files.LastWriteTime("cache", read));
    RemoveDirectoryW((p.folder.path() + L"cache").c_str());
}

}  // namespace

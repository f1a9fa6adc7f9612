#include "net/cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "net/conditional_header.h"
#include "net/document_buffer.h"
#include "support/test_platform.h"

namespace {

const int64_t kDate = FileTimeOf(2025, 2, 3, 9, 5, 7);

TEST(CacheFilePath, ReplacesCharactersOfTheUrl) {
    EXPECT_EQ("cache\\http@%%host%feed%rss@xml", CacheFilePath("http://host/feed/rss.xml"));
    EXPECT_EQ("cache\\@@@@@@@@@%x", CacheFilePath(".<>?:|\\\"*/x"));
    EXPECT_EQ(CacheFilePath("http://a.b/c"), CacheFilePath("http://a:b/c"));
    EXPECT_EQ("cache\\", CacheFilePath(""));
}

TEST(FeedCache, WrittenDocumentReadsBack) {
    TestPlatform p;
    ASSERT_TRUE(p.files.CreateFolder("cache"));
    DocumentBuffer document;
    std::string body = "<rss><channel><title>表示</title></channel></rss>";
    document.AppendChunk(body.data(), body.size());
    EXPECT_EQ(0, WriteCacheFile(document, "http://host/feed/rss.xml", kDate, p.platform));
    EXPECT_EQ(body, p.folder.Read("cache/http@%%host%feed%rss@xml"));
    EXPECT_EQ(std::vector<std::string>{"http@%%host%feed%rss@xml"}, p.folder.List("cache"));

    DocumentBuffer loaded;
    ASSERT_EQ(0, ReadWholeFile(loaded, CacheFilePath("http://host/feed/rss.xml").c_str(), p.platform));
    EXPECT_EQ(body, std::string(loaded.text(), loaded.textLength()));
    EXPECT_EQ('\0', loaded.text()[loaded.textLength()]);

    // A newer document replaces the old one.
    DocumentBuffer newer;
    newer.AppendChunk("new", 3);
    EXPECT_EQ(0, WriteCacheFile(newer, "http://host/feed/rss.xml", kDate, p.platform));
    EXPECT_EQ("new", p.folder.Read("cache/http@%%host%feed%rss@xml"));
    EXPECT_TRUE(p.messages.shown.empty());
}

TEST(FeedCache, MissingReadOnlyAndEmptyFiles) {
    TestPlatform p;
    DocumentBuffer document;
    EXPECT_EQ(-1, ReadWholeFile(document, "cache\\nothing", p.platform));

    // Without the cache folder the write fails silently.
    DocumentBuffer body;
    body.AppendChunk("x", 1);
    EXPECT_EQ(-1, WriteCacheFile(body, "http://h/", kDate, p.platform));
    EXPECT_TRUE(p.folder.List().empty());

    ASSERT_TRUE(p.files.CreateFolder("cache"));
    p.folder.Write("cache/ro", "data");
    chmod(p.folder.File("cache/ro").c_str(), 0444);
    EXPECT_EQ(-1, ReadWholeFile(document, "cache\\ro", p.platform));

    p.folder.Write("cache/empty", "");
    EXPECT_EQ(0, ReadWholeFile(document, "cache\\empty", p.platform));
    EXPECT_EQ(0u, document.textLength());
    EXPECT_TRUE(p.messages.shown.empty());
}

// The copy's date, kept by the file system, is what the next request asks about.
TEST(FeedCache, CopyIsDatedAndAskedAboutSinceThatDate) {
    const char* const url = "http://host/feed/rss.xml";
    struct {
        int64_t date;
        const char* header;
    } cases[] = {
        {kDate, "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT"},
        {FileTimeOf(1999, 12, 31, 23, 59, 59), "If-Modified-Since: Fri, 31 Dec 1999 23:59:59 GMT"},
        {FileTimeOf(2040, 2, 29, 0, 0, 0), "If-Modified-Since: Wed, 29 Feb 2040 00:00:00 GMT"},
        // A fraction of a second is cut: the question asked is then, at worst, a little wider.
        {kDate + 9999999, "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT"},
    };
    TestPlatform p;
    ASSERT_TRUE(p.files.CreateFolder("cache"));
    char header[kHeaderLineSize];
    EXPECT_FALSE(CacheConditionalHeader(url, p.files, header, sizeof header));
    EXPECT_STREQ(kUnconditionalHeader, header);

    DocumentBuffer document;
    document.AppendChunk("<rss/>", 6);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        ASSERT_EQ(0, WriteCacheFile(document, url, c.date, p.platform));
        int64_t date = 0;
        ASSERT_TRUE(p.files.LastWriteTime(CacheFilePath(url).c_str(), date));
        EXPECT_EQ(c.date, date);
        EXPECT_TRUE(CacheConditionalHeader(url, p.files, header, sizeof header));
        EXPECT_STREQ(c.header, header);
    }
    // Neither a missing file nor a folder has a date to ask about.
    int64_t none = 0;
    EXPECT_FALSE(p.files.LastWriteTime("cache\\none", none));
    EXPECT_FALSE(p.files.LastWriteTime("cache", none));
    EXPECT_FALSE(p.files.SetLastWriteTime("cache\\none", kDate));
}

}  // namespace

#include "net/cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "net/document_buffer.h"
#include "support/test_platform.h"

namespace {

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
    WriteCacheFile(document, "http://host/feed/rss.xml", p.platform);
    EXPECT_EQ(body, p.folder.Read("cache/http@%%host%feed%rss@xml"));
    EXPECT_EQ(std::vector<std::string>{"http@%%host%feed%rss@xml"}, p.folder.List("cache"));

    DocumentBuffer loaded;
    ASSERT_EQ(0, ReadWholeFile(loaded, CacheFilePath("http://host/feed/rss.xml").c_str(), p.platform));
    EXPECT_EQ(body, std::string(loaded.text(), loaded.textLength()));
    EXPECT_EQ('\0', loaded.text()[loaded.textLength()]);

    // A newer document replaces the old one.
    DocumentBuffer newer;
    newer.AppendChunk("new", 3);
    WriteCacheFile(newer, "http://host/feed/rss.xml", p.platform);
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
    WriteCacheFile(body, "http://h/", p.platform);
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

}  // namespace

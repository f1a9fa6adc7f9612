// The feed parser over any document; the document's own declaration decides its encoding.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "feed/encoding.h"
#include "feed/parser.h"
#include "platform/platform.h"

namespace {

bool Terminated(const char* slot) { return memchr(slot, '\0', kSlotSize) != nullptr; }

void Check(const ArticleTable& table, int countBefore, int found, int maximum) {
    if (table.count < countBefore || table.count > kArticleCapacity) abort();
    if (table.count - countBefore != found || found > maximum) abort();
    for (int i = countBefore; i < table.count; ++i) {
        const ArticleEntry& a = table.slot[i];
        if (!Terminated(a.site) || !Terminated(a.title) || !Terminated(a.link)) abort();
    }
}

// Code pages of even number read as windows-1252, the others missing: both paths of a declared
// code page, without the platform's converters.
class FuzzCodePages : public CodePages {
  public:
    bool ToUtf8(unsigned codePage, const char* bytes, size_t count, std::string& out) override {
        if (codePage % 2 != 0) return false;
        Windows1252ToUtf8(bytes, count, out);
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ArticleTable* table = new ArticleTable;
    // A block of exactly the text and its zero byte: the text ends at the first zero byte.
    const size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<char[]> text(new char[length + 1]);
    memcpy(text.get(), data, length);
    text[length] = '\0';
    const TextView document{text.get(), static_cast<int>(length)};

    int found = 0;
    table->count = 0;
    FeedParseTarget whole{*table, found, kArticleCapacity, 10000, nullptr};
    ParseFeedDocument(document, "site", "http://root", whole);
    Check(*table, 0, found, kArticleCapacity);

    // Near the end of the table, with a small maximum and a root that fills most of a link.
    static const char kLongRoot[] = "http://a-rather-long-host-name-that-leaves-little-room.example";
    found = 0;
    table->count = kArticleCapacity - 2;
    FeedParseTarget nearFull{*table, found, 3, 10000, nullptr};
    ParseFeedDocument(document, "site", kLongRoot, nearFull);
    Check(*table, kArticleCapacity - 2, found, 3);

    // With the feed's address to resolve relative links against, and code pages to read.
    FuzzCodePages codePages;
    found = 0;
    table->count = 0;
    FeedParseTarget resolved{
        *table, found, kArticleCapacity, 10000, nullptr, "http://example.jp/a/b/feed.xml?x#y", &codePages};
    ParseFeedDocument(document, "site", "http://example.jp", resolved);
    Check(*table, 0, found, kArticleCapacity);
    return 0;
}

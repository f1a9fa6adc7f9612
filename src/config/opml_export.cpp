#include "config/opml_export.h"

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "config/feed_list.h"
#include "config/file_text.h"
#include "config/markup_escape.h"
#include "net/service_hosts.h"

const char kOpmlFileName[] = "Newsroller.opml";

namespace {

std::string EscapedForXml(const char* text) {
    char clean[kSlotSize];
    CopyForXml(text, clean, sizeof clean);
    char target[kEscapedSize];
    EscapeForMarkup(clean, target);
    return target;
}

}  // namespace

WriteResult ExportOpml(const FeedTable& feeds, Platform& platform) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"shift-jis\" ?>\r\n"
        "<opml version=\"1.1\">\r\n"
        "<head>\r\n"
        "<title>Newsrollerサイトリスト</title>\r\n"
        "</head>\r\n"
        "<body>\r\n";
    int count = feeds.count < kFeedSlots ? feeds.count : kFeedSlots;
    for (int i = 0; i < count; ++i) {
        if (text.size() > kPageTextLimit) break;
        if (IsWeatherServiceFeed(feeds.url[i]))
            continue;  // fetched but never parsed: nothing to take elsewhere
        std::string site = EscapedForXml(feeds.site[i]);
        text += "<outline text=\"" + site + "\" description=\"" + site + "\" title=\"" + site +
                "\" type=\"rss\" xmlUrl=\"" + EscapedForXml(feeds.url[i]) + "\"/>\r\n";
    }
    text += "</body>\r\n</opml>\r\n";
    return WriteProgramFile(platform, kOpmlFileName, text,
                            "Newsroller.opmlファイルをオープンできませんでした。");
}

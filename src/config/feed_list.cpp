#include "config/feed_list.h"

#include <cstring>

#include "platform/platform.h"
#include "config/file_text.h"
#include "feed/day_number.h"

const char kFeedListFileName[] = "URL-List.txt";

namespace {

constexpr int kNameLimit = static_cast<int>(kSlotSize) - 1;

// Copies a field of the line into a slot, cut to 255 bytes at a character boundary.
void CopyField(char* slot, const char* begin, const char* end) {
    size_t length = ShiftJisCutLength(begin, static_cast<size_t>(end - begin), kNameLimit);
    memcpy(slot, begin, length);
    slot[length] = '\0';
}

// A field as written: a TAB, or CR directly before LF, inside a name would split the line when it
// is read back (and a fourth field makes the whole list unreadable), so those become spaces.
void AppendField(std::string& out, const char* field) {
    size_t length = strnlen(field, kSlotSize - 1);
    for (size_t i = 0; i < length; ++i) {
        char c = field[i];
        if (c == '\t' || (c == '\r' && i + 1 < length && field[i + 1] == '\n')) c = ' ';
        out += c;
    }
}

}  // namespace

int ParseFeedListText(FeedTable& feeds, const char* text, int length) {
    feeds.count = 0;
    if (!text || length <= 0) return 0;
    const char* end = text + strnlen(text, static_cast<size_t>(length));
    const char* fieldStart = text;
    const char* urlStart = text;  // the text after the first TAB of the line
    int field = 0;
    bool hadTab = false;
    for (const char* p = text; p < end; ++p) {
        if (feeds.count >= kFeedSlots) break;
        if (*p == '\t') {
            if (field >= 2) return -1;  // a fourth field: the list is not one the program wrote
            CopyField(field == 0 ? feeds.site[feeds.count] : feeds.url[feeds.count], fieldStart, p);
            if (field == 0) urlStart = p + 1;
            fieldStart = p + 1;
            ++field;
            hadTab = true;
        } else if (*p == '\r' && p + 1 < end && p[1] == '\n') {
            if (hadTab) {
                if (field == 2) {
                    feeds.maximum[feeds.count] =
                        DecimalValue(fieldStart, static_cast<size_t>(p - fieldStart));
                } else {
                    CopyField(feeds.url[feeds.count], urlStart, p);
                    feeds.maximum[feeds.count] = kDefaultFeedMaximum;
                }
                ++feeds.count;
            }
            ++p;  // past the LF
            fieldStart = p + 1;
            field = 0;
            hadTab = false;
        }
    }
    return 0;
}

int LoadFeedList(FeedTable& feeds, int& today, Platform& platform) {
    CivilTime now = platform.clock.LocalNow();
    today = DayNumber(now.year, now.month, now.day);
    FileSystem& files = platform.files;
    int64_t size = -1;
    if (files.CreateEmptyIfMissing(kFeedListFileName)) size = files.OpenableSize(kFeedListFileName);
    if (size < 0) {
        feeds.count = 0;
        platform.messages.Show("URL-List.txtファイルをオープンできませんでした。", "OPEN ERROR",
                               MessageIcon::Error);
        return -1;
    }
    if (size >= kConfigFileLimit) {
        feeds.count = 0;
        platform.messages.Show("URL-List.txtファイルが大きすぎるため設定を取得できませんでした。",
                               "SIZE ERROR", MessageIcon::Error);
        return -1;
    }
    std::string text(static_cast<size_t>(size) + 1, '\0');
    int64_t read = size > 0 ? files.Read(kFeedListFileName, &text[0], static_cast<size_t>(size)) : 0;
    if (read < 0) read = 0;
    if (ParseFeedListText(feeds, text.c_str(), static_cast<int>(read)) != 0) {
        feeds.count = 0;
        return -1;
    }
    return 0;
}

std::string FormatFeedListText(const FeedTable& feeds) {
    std::string out;
    int count = feeds.count < kFeedSlots ? feeds.count : kFeedSlots;
    for (int i = 0; i < count; ++i) {
        if (out.size() > kPageTextLimit) break;
        AppendField(out, feeds.site[i]);
        out += '\t';
        AppendField(out, feeds.url[i]);
        AppendFormat(out, "\t%d\r\n", feeds.maximum[i]);
    }
    return out;
}

int SaveFeedList(const FeedTable& feeds, Platform& platform) {
    return WriteProgramFile(platform, kFeedListFileName, FormatFeedListText(feeds),
                            "URL-List.txtファイルをオープンできませんでした。");
}

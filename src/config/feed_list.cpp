#include "config/feed_list.h"

#include <cstring>

#include "platform/platform.h"
#include "platform/whole_file.h"
#include "config/file_text.h"
#include "config/unread_file.h"
#include "feed/day_number.h"

const char kFeedListFileName[] = "URL-List.txt";

namespace {

constexpr int kNameLimit = static_cast<int>(kSlotSize) - 1;

// Copies a field of the line into a slot, cut to 255 bytes at a character boundary; true when the
// whole field fitted.
bool CopyField(char* slot, const char* begin, const char* end) {
    size_t whole = static_cast<size_t>(end - begin);
    size_t length = ShiftJisCutLength(begin, whole, kNameLimit);
    memcpy(slot, begin, length);
    slot[length] = '\0';
    return length == whole;
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

const UnreadNotice kOpenFailedNotice = {"URL-List.txtファイルをオープンできませんでした。", "OPEN ERROR",
                                        MessageIcon::Error, true};
const UnreadNotice kTooLargeNotice = {"URL-List.txtファイルが大きすぎるため設定を取得できませんでした。",
                                      "SIZE ERROR", MessageIcon::Error, true};
const UnreadNotice kFourthFieldNotice = {
    "URL-List.txtファイルに項目が4つ以上ある行があるため、RSSリストを読み込めませんでした。", "ERROR",
    MessageIcon::Error, false};
const UnreadNotice kPartNotice = {"URL-List.txtファイルに読み込めない行がありました。", "警告",
                                  MessageIcon::Warning, false};

}  // namespace

int ParseFeedListText(FeedTable& feeds, const char* text, int length, bool* leftOut) {
    feeds.count = 0;
    bool dropped = false;
    int result = 0;
    if (text && length > 0) {
        const char* end = text + strnlen(text, static_cast<size_t>(length));
        dropped = !OnlyBlanks(end, text + length);  // bytes after a zero byte
        const char* fieldStart = text;
        const char* urlStart = text;  // the text after the first TAB of the line
        int field = 0;
        bool hadTab = false;
        const char* p = text;
        for (; p < end; ++p) {
            if (feeds.count >= kFeedSlots) break;
            if (*p == '\t') {
                if (field >= 2) {
                    result = -1;  // a fourth field: the list is not one the program wrote
                    break;
                }
                char* slot = field == 0 ? feeds.site[feeds.count] : feeds.url[feeds.count];
                if (!CopyField(slot, fieldStart, p)) dropped = true;
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
                        if (!CopyField(feeds.url[feeds.count], urlStart, p)) dropped = true;
                        feeds.maximum[feeds.count] = kDefaultFeedMaximum;
                    }
                    ++feeds.count;
                } else if (!OnlyBlanks(fieldStart, p)) {
                    dropped = true;  // a line without TAB is skipped
                }
                ++p;  // past the LF
                fieldStart = p + 1;
                field = 0;
                hadTab = false;
            }
        }
        // The lines after the 101st entry, or a last line without CR LF (all of an LF-only file).
        if (result == 0 && !OnlyBlanks(fieldStart, end)) dropped = true;
    }
    if (leftOut) *leftOut = dropped || result != 0;
    return result;
}

LoadResult LoadFeedList(FeedTable& feeds, int& today, Platform& platform) {
    CivilTime now = platform.clock.LocalNow();
    today = DayNumber(now.year, now.month, now.day);
    feeds.count = 0;
    WholeReadRules rules;
    rules.refuseFrom = kConfigFileLimit;
    rules.retryWhenBusy = true;
    std::string text;
    WholeRead read = ReadWholeText(platform.files, kFeedListFileName, rules, text);
    switch (read) {
        case WholeRead::Whole:
        case WholeRead::Cut:
            break;
        case WholeRead::Missing:
            ClearUnreadFile(platform, kFeedListFileName);
            if (platform.files.CreateEmptyIfMissing(kFeedListFileName)) return kLoaded;
            platform.messages.Show(kOpenFailedNotice.text, kOpenFailedNotice.title, kOpenFailedNotice.icon);
            return kNotLoaded;
        case WholeRead::ReadOnly:
            // A read-only file cannot be replaced either: it needs no copy.
            platform.messages.Show(kOpenFailedNotice.text, kOpenFailedNotice.title, kOpenFailedNotice.icon);
            return kNotLoaded;
        case WholeRead::TooLarge:
            KeepUnreadFile(platform, kFeedListFileName, kTooLargeNotice);
            return kNotLoaded;
        case WholeRead::Busy:
        case WholeRead::NoMemory:
        case WholeRead::Failed:
            KeepUnreadFile(platform, kFeedListFileName, kOpenFailedNotice);
            return kNotLoaded;
    }
    bool leftOut = false;
    if (ParseFeedListText(feeds, text.c_str(), static_cast<int>(text.size()), &leftOut) != 0) {
        feeds.count = 0;
        KeepUnreadFile(platform, kFeedListFileName, kFourthFieldNotice);
        return kNotLoaded;
    }
    if (leftOut || read == WholeRead::Cut) {
        KeepUnreadFile(platform, kFeedListFileName, kPartNotice);
    } else {
        ClearUnreadFile(platform, kFeedListFileName);
    }
    return kLoaded;
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

WriteResult SaveFeedList(const FeedTable& feeds, Platform& platform) {
    return WriteProgramFile(platform, kFeedListFileName, FormatFeedListText(feeds),
                            "URL-List.txtファイルをオープンできませんでした。");
}

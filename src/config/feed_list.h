#pragma once
// The registered feeds, kept in URL-List.txt beside the executable.
#include <cstdint>
#include <string>

#include "feed/text.h"
#include "platform/safe_write.h"
#include "platform/whole_file.h"

struct Platform;

constexpr int kFeedSlots = 101;     // a file may bring 101 entries
constexpr int kMaxUserFeeds = 100;  // the user interface keeps the count at 100
constexpr int kDefaultFeedMaximum = 20;

struct FeedTable {
    int count = 0;
    char site[kFeedSlots][kSlotSize];
    char url[kFeedSlots][kSlotSize];
    int32_t maximum[kFeedSlots];
};

extern const char kFeedListFileName[];  // "URL-List.txt"

// Reads the file into the table and sets `today` (the day number of the local date). kNotLoaded
// (the table then empty, the user told) when the file could not be opened or created, is too large
// or has a line with a fourth field. A file whose text was not all taken into the table (it is
// also kept as "URL-List.txt.bak" and the user told) still gives the entries read.
LoadResult LoadFeedList(FeedTable& feeds, int& today, Platform& platform);
// Parses a feed-list text (it ends at the first zero byte or at `length`); -1 when a line has a
// fourth field (the entries before it stay in the table). `leftOut`, when given, is set when text
// that is not blank was not taken into the table: such a line, a line without TAB, a last line
// without CR LF, a field cut to 255 bytes, lines after the 101st entry, text after a zero byte.
int ParseFeedListText(FeedTable& feeds, const char* text, int length, bool* leftOut = nullptr);
// The file's text: site name, TAB, URL, TAB, maximum and CR LF per entry.
std::string FormatFeedListText(const FeedTable& feeds);
// On failure the "OPEN ERROR" message has been shown and the file is unchanged; a caller that
// goes on as if the list were saved loses the user's edits at the next load.
[[nodiscard]] WriteResult SaveFeedList(const FeedTable& feeds, Platform& platform);

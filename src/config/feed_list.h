#pragma once
// The registered feeds, kept in URL-List.txt beside the executable.
#include <cstdint>
#include <string>

#include "feed/text.h"

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

// Reads the file into the table and sets `today` (the day number of the local date).
// 0 on success (also for an empty or new file), -1 on failure, with the table then empty.
int LoadFeedList(FeedTable& feeds, int& today, Platform& platform);
// Parses a feed-list text (it ends at the first zero byte or at `length`); -1 when a line has a
// fourth field (the entries before it stay in the table).
int ParseFeedListText(FeedTable& feeds, const char* text, int length);
// The file's text: site name, TAB, URL, TAB, maximum and CR LF per entry.
std::string FormatFeedListText(const FeedTable& feeds);
int SaveFeedList(const FeedTable& feeds, Platform& platform);

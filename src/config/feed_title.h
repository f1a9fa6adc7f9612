#pragma once
// The site name and item count of a fetched feed, for the settings dialog's "RSSから読み込む", OPML
// import and URL drops.
#include <cstddef>

#include "feed/text.h"

// Writes the feed's first "title" (converted to Shift_JIS and cleaned, at most 255 bytes) into
// `site` of `size` bytes and returns the number of "item" start tags, or, without any, of "entry"
// start tags. A document without a title gives "サイト名が取得できませんでした。" and 0.
int LookupFeedTitle(TextView document, char* site, size_t size);

#pragma once
// Turns one feed document (RSS 1.0, RSS 2.0 or Atom) into articles appended to the article table.
#include "feed/article.h"
#include "feed/text.h"

class CodePages;
class MessagePump;

struct FeedParseTarget {
    ArticleTable& articles;  // articles are appended from articles.count on
    int& foundCount;         // the feed's found count; the caller sets it to 0 before the call
    int maximum;             // the feed's maximum number of articles
    int today;               // today's day number, for missing or invalid dates
    MessagePump* pump;       // dispatches one waiting message per RSS item; may be null
    // The feed's address, against which relative links are resolved; null: the site root.
    const char* address = nullptr;
    // Reads documents in code pages other than UTF-8, Shift_JIS, EUC-JP and windows-1252; may be null.
    CodePages* codePages = nullptr;
};

// `site` is the feed's registered name, `root` the feed address before its third "/".
void ParseFeedDocument(TextView document, const char* site, const char* root, FeedParseTarget& target);

// Day numbers of "Thu, 01 Jan 2004 00:00:00 GMT" (also "Thursday, 1 January 04" and
// "Thu Jan 01 2004 00:00:00 GMT+0000") and "2004-01-15T10:00:00+09:00"; -1 when invalid.
int ParseRfc822Date(const char* text);
int ParseIsoDate(const char* text);

#pragma once
// Feeds that moved for good (a 301 or 308 whose target answered with a feed) follow their new
// address: the list file is rewritten (safely, as OK writes it), the running list takes the new
// address and the feed's cache copy moves with it. A temporary redirect changes nothing.
#include <string>
#include <vector>

#include "config/feed_list.h"

struct Platform;

struct FeedMove {
    std::string from;
    std::string to;
};

// Rewrites URL-List.txt with every entry at a `from` address at its `to` address, and then the
// running table's entries and the cache copies. Nothing changes when the file cannot be read or
// written. The number of entries moved.
int FollowFeedMoves(const std::vector<FeedMove>& moves, FeedTable& running, Platform& platform);

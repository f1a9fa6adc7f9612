#pragma once
#include <cstdint>

#include "feed/text.h"

constexpr int kArticleCapacity = 2000;

struct ArticleEntry {
    char site[kSlotSize];
    char title[kSlotSize];
    char link[kSlotSize];
    int32_t day;
};

// Refilled from slot 0 by every update cycle; slots at and above `count` hold no article.
struct ArticleTable {
    int count = 0;
    ArticleEntry slot[kArticleCapacity];
};

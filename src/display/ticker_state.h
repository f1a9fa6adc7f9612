#pragma once
// What the painting and the pointer gesture remember between messages.
#include "feed/article.h"

struct ScrollHit {
    int endX;             // x just after the item (with its gap)
    int article;          // index into the article table, or a band copy's code (BandArticle)
    bool marker = false;  // the item's site name was drawn before it
};

// After a table change the band goes on with copies of the articles that were on screen, so that
// nothing the eye follows changes; the new table's articles follow them. Codes from here on name
// the copies.
constexpr int kBandCopyCode = kArticleCapacity;
constexpr int kBandCopyCapacity = 64;

struct BandCopy {
    ArticleEntry entry;
    bool marker;  // its site name is drawn before it, as it was
};

// Every item of one redraw is recorded, however many fit (a wide ticker with short titles).
constexpr int kScrollHitCapacity = 1024;

struct PainterState {
    bool scrollBaseTaken = false;  // the scroll base is taken from `width` at the first paint
    int scrollBase = 0;
    int firstItemEnd = 3;
    int hitCount = 0;
    ScrollHit hits[kScrollHitCapacity];
    int blinkPhase = 0;
    int copyCount = 0;  // the band's leading copies (BandCopy), drawn before the table's articles
    BandCopy copies[kBandCopyCapacity];
};

struct GestureState {
    bool tracking = false;
    int startX = 0;  // -1 after the gesture fired
    int lastX = 0;
};

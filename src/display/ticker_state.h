#pragma once
// What the painting and the pointer gesture remember between messages.

struct ScrollHit {
    int endX;     // x just after the item (with its gap)
    int article;  // index into the article table
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
};

struct GestureState {
    bool tracking = false;
    int startX = 0;  // -1 after the gesture fired
    int lastX = 0;
};

#include "config/feed_moves.h"

#include <cstring>
#include <memory>

#include "net/entity_tag.h"
#include "platform/platform.h"

int FollowFeedMoves(const std::vector<FeedMove>& moves, FeedTable& running, Platform& platform) {
    if (moves.empty()) return 0;
    std::unique_ptr<FeedTable> listed(new FeedTable);
    int today = 0;
    if (LoadFeedList(*listed, today, platform) != kLoaded) return 0;
    int moved = 0;
    for (const FeedMove& move : moves) {
        if (move.to.empty() || move.to.size() >= kSlotSize || move.to == move.from) continue;
        for (int i = 0; i < listed->count; ++i) {
            if (move.from != listed->url[i]) continue;
            CopyCut(listed->url[i], kSlotSize, move.to.c_str());
            ++moved;
        }
    }
    if (moved == 0 || SaveFeedList(*listed, platform) != kWritten) return 0;
    for (const FeedMove& move : moves) {
        bool listedHere = false;
        for (int i = 0; i < listed->count; ++i) listedHere = listedHere || move.to == listed->url[i];
        if (!listedHere) continue;
        for (int i = 0; i < running.count; ++i) {
            if (move.from == running.url[i]) CopyCut(running.url[i], kSlotSize, move.to.c_str());
        }
        MoveCacheCopy(move.from.c_str(), move.to.c_str(), platform.files);
    }
    return moved;
}

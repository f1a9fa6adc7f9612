#include "app/site_lookup.h"

#include "app/app.h"
#include "app/settings_dialog.h"
#include "net/typed_address.h"

const char kLookupTitle[] = "RSSから読み込む";

LookupOutcome SiteLookup::Begin(const char* text, bool dropped) {
    Cancel();
    url.clear();
    site[0] = '\0';
    count = 0;
    Platform& platform = app_.platform;
    return Outcome(lookup_.Begin(platform.fetcher, platform.clock, AddressesToTry(text), dropped));
}

LookupOutcome SiteLookup::Tick() {
    return Outcome(lookup_.Advance(app_.platform.fetcher, app_.platform.clock));
}

LookupOutcome SiteLookup::Choose(int index) {
    const size_t chosen = index < 0 ? lookup_.links().size() : static_cast<size_t>(index);
    return Outcome(lookup_.Choose(app_.platform.fetcher, app_.platform.clock, chosen));
}

void SiteLookup::Cancel() { lookup_.Cancel(app_.platform.fetcher); }

LookupOutcome SiteLookup::Outcome(FeedLookup::State state) {
    switch (state) {
        case FeedLookup::State::Idle:
            return LookupOutcome::NotTried;
        case FeedLookup::State::Working:
            return LookupOutcome::Working;
        case FeedLookup::State::Choosing:
            return LookupOutcome::Choose;
        case FeedLookup::State::Failed: {
            const std::string message = lookup_.message();
            lookup_.Cancel(app_.platform.fetcher);
            app_.platform.messages.Show(message.c_str(), kLookupTitle, MessageIcon::Warning);
            return LookupOutcome::Failed;
        }
        case FeedLookup::State::Found:
            break;
    }
    url = lookup_.url();
    if (lookup_.opml()) return LookupOutcome::Opml;
    count = CountAndKeepFeed(app_, url.c_str(), lookup_.document(), lookup_.asked(), site, sizeof site);
    lookup_.Cancel(app_.platform.fetcher);
    return LookupOutcome::Found;
}

std::string ChooserLine(const FeedLink& link) {
    if (link.title.empty()) return link.url;
    return link.title + "  <" + link.url + ">";
}

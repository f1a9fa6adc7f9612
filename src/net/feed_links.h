#pragma once
// What a fetched document is (a feed, an OPML list, a web page) and the feeds a web page names in
// its head: the <link rel="alternate"> elements of an RSS, Atom or RDF type, their addresses read
// against the page's address and its <base>. People know a site's address, not its feed's: this is
// how the settings dialog gets from the one to the other.
#include <cstddef>
#include <string>
#include <vector>

#include "feed/text.h"

enum class DocumentKind {
    Feed,   // its first element is rss, feed or RDF
    Opml,   // its first element is opml
    Page,   // an HTML page: its first element (or its document type) is html, head or body
    Other,  // anything else: taken as it comes, as a feed of unknown make
};

DocumentKind KindOfDocument(TextView document);

struct FeedLink {
    std::string title;  // Shift_JIS, cleaned; empty when the link has none
    std::string url;    // absolute http or https address, shorter than a slot
};

constexpr size_t kMaxFeedLinks = 20;

// The feed links of `page` fetched from `pageUrl`, in the page's order, each address once, at most
// kMaxFeedLinks. Links whose address cannot be resolved to http or https, or is too long for a
// slot, are passed over.
std::vector<FeedLink> ReadFeedLinks(TextView page, const std::string& pageUrl);

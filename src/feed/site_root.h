#pragma once
// The site root of a feed address: the bytes before its third "/" ("http://host" for
// "http://host/feed/rss.xml"), used to complete relative links.
#include <cstddef>

constexpr size_t kSiteRootSize = 512;

// Writes the root of `url` into `root` (`rootSize` bytes, kSiteRootSize for the full rule). The
// root is "error" when the URL ends, or 512 bytes have been copied, before the third "/" (and when
// the root would not fit in `root`).
void SiteRootOf(const char* url, char* root, size_t rootSize);

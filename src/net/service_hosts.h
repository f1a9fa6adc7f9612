#pragma once
// Hosts that some feeds are treated specially for.

// Feeds of the blog-search service must ask for UTF-8 results: "&ie=UTF-8" is appended to them.
extern const char kBlogSearchBase[];  // "http://blogsearch.jp"
// Documents of the national weather service are fetched but never parsed, and not exported.
extern const char kWeatherServiceRoot[];  // "http://www.jma.go.jp"
// A feed of the weather service: its site root is the service's root.
bool IsWeatherServiceFeed(const char* url);

#include "net/service_hosts.h"

#include <cstring>

#include "feed/site_root.h"

const char kBlogSearchBase[] = "http://blogsearch.jp";
const char kWeatherServiceRoot[] = "http://www.jma.go.jp";

// The update cycle decides by the site root: a longer host that merely begins with the service's
// name ("http://www.jma.go.jp.example") is an ordinary feed.
bool IsWeatherServiceFeed(const char* url) {
    char root[kSiteRootSize];
    SiteRootOf(url, root, sizeof root);
    return strcmp(root, kWeatherServiceRoot) == 0;
}

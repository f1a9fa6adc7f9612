#include "net/service_hosts.h"

const char kBlogSearchBase[] = "http://blogsearch.jp";
const char kWeatherServiceRoot[] = "http://www.jma.go.jp";

#pragma once
// The feed list written as an OPML 1.1 file, Newsroller.opml, beside the executable.
#include "platform/safe_write.h"

struct FeedTable;
struct Platform;

extern const char kOpmlFileName[];  // "Newsroller.opml"

WriteResult ExportOpml(const FeedTable& feeds, Platform& platform);

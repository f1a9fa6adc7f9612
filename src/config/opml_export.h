#pragma once
// The feed list written as an OPML 1.1 file, Newsroller.opml, beside the executable.
struct FeedTable;
struct Platform;

extern const char kOpmlFileName[];  // "Newsroller.opml"

int ExportOpml(const FeedTable& feeds, Platform& platform);

#pragma once
// IDD_FEED_CHOOSER: the feeds a page names, one per line; the user picks one with the pointer or the
// keyboard (arrows, Enter or a double click for OK, Esc for ｷｬﾝｾﾙ).
#include <windows.h>

#include <vector>

#include "net/feed_links.h"

// The index of the chosen link, or -1 for ｷｬﾝｾﾙ (and when the dialog could not be shown).
int RunFeedChooser(HINSTANCE instance, HWND owner, const std::vector<FeedLink>& links);

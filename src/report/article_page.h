#pragma once
// The collected articles written as an HTML page, index.html, grouped by site.
struct App;

extern const char kArticlePageFileName[];  // "index.html"

// Mode 0: all articles; mode 1: the shown articles only. 0, or -1 when the file cannot be written.
int WriteArticlePage(App& app, int mode);

#pragma once
// The collected articles written as an HTML page, index.html, grouped by site.
struct App;

constexpr int kEscapedSize = 512;
extern const char kArticlePageFileName[];  // "index.html"

// Copies `source` into `target` (512 bytes) with " < > & ' replaced by entities; text that does not
// fit is dropped in whole runs.
void EscapeForMarkup(const char* source, char* target);

// Mode 0: all articles; mode 1: the shown articles only. 0, or -1 when the file cannot be written.
int WriteArticlePage(App& app, int mode);

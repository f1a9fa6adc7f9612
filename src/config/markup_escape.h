#pragma once
// Text made safe to stand inside markup: the article page and the OPML export.

constexpr int kEscapedSize = 512;

// Copies `source` into `target` (512 bytes) with " < > & ' replaced by entities; text that does not
// fit is dropped in whole runs.
void EscapeForMarkup(const char* source, char* target);

#pragma once
// Text made safe to stand inside markup: the article page and the OPML export.

#include <cstddef>

#include "feed/text.h"

// Room for a whole slot of the widest entity ("&quot;"): a name, title, link or URL always escapes
// whole, so what is written is the address that was stored.
constexpr int kEscapedSize = 6 * (kSlotSize - 1) + 1;

// Copies `source` into `target` (kEscapedSize bytes) with " < > & ' replaced by entities; text longer
// than a slot that does not fit is dropped in whole runs.
void EscapeForMarkup(const char* source, char* target);

// Copies `source` into `target` (`size` bytes, cut on a character boundary) so that it can stand in
// an XML attribute: control bytes, which XML forbids, become spaces, and a Shift_JIS lead byte that
// is not followed by a trail byte is dropped, so it cannot join the quote that ends the attribute.
void CopyForXml(const char* source, char* target, size_t size);

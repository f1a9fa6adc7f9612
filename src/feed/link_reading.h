#pragma once
// Links as a feed writes them, made into addresses that open: references decoded, converted to
// Shift_JIS without best fit, resolved against a base address. Nothing here allocates.
#include <cstddef>

#include "feed/encoding.h"

// Room for a link while it is read and resolved; only a result of at most 255 bytes is stored.
constexpr size_t kLinkWorkSize = 1024;

// Reads the `count` raw bytes at `raw` (in `encoding`) into `out` (`outSize` bytes) as Shift_JIS:
// CDATA markers, tabs and line breaks dropped, character references decoded, a character without a
// Shift_JIS form of its own (best fit not counted) written as its UTF-8 bytes in "%XX" form,
// spaces at both ends trimmed. False when the link does not fit in `out`.
bool ReadLink(const char* raw, int count, TextEncoding encoding, char* out, size_t outSize);

// `link` resolved against the absolute address `base` (scheme, host, path, query, fragment; dot
// segments removed) into `out`. An empty link stays empty; a link with a scheme, and any link when
// the base has none, stays as it is. False when the result does not fit in `out`.
bool ResolveLink(const char* base, const char* link, char* out, size_t outSize);

#pragma once
// The If-Modified-Since line sent with every feed request.
#include <cstddef>

#include "platform/civil_time.h"

// Room for one header line of this kind with its terminating zero.
constexpr size_t kHeaderLineSize = 64;

// Sent when there is no cache copy to fall back on: asks for the whole document whatever its date.
extern const char kUnconditionalHeader[];  // "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT"

// "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT" for a UTC time.
void FormatIfModifiedSince(const CivilTime& utc, char* out, size_t size);

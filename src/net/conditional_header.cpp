#include "net/conditional_header.h"

#include <cstdio>

const char kUnconditionalHeader[] = "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT";

void FormatIfModifiedSince(const CivilTime& utc, char* out, size_t size) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = utc.month >= 1 && utc.month <= 12 ? utc.month : 1;
    snprintf(out, size, "If-Modified-Since: %s, %02d %s %d %02d:%02d:%02d GMT",
             kDays[WeekdayOf(utc.year, month, utc.day)], utc.day, kMonths[month - 1], utc.year, utc.hour,
             utc.minute, utc.second);
}

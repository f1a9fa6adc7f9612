#include "platform/code_pages_posix.h"

#include <iconv.h>

#include <cerrno>

namespace {

struct CodePageName {
    unsigned codePage;
    const char* name;
};

const CodePageName kNames[] = {
    {437, "CP437"},         {850, "CP850"},        {866, "CP866"},         {874, "CP874"},
    {932, "CP932"},         {936, "CP936"},        {949, "CP949"},         {950, "CP950"},
    {1250, "CP1250"},       {1251, "CP1251"},      {1252, "CP1252"},       {1253, "CP1253"},
    {1254, "CP1254"},       {1255, "CP1255"},      {1256, "CP1256"},       {1257, "CP1257"},
    {1258, "CP1258"},       {10000, "MACINTOSH"},  {20866, "KOI8-R"},      {21866, "KOI8-U"},
    {20932, "EUC-JP"},      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"},
    {50220, "ISO-2022-JP"}, {51932, "EUC-JP"},     {51949, "EUC-KR"},      {52936, "HZ"},
    {54936, "GB18030"},     {65001, "UTF-8"},      {20127, "ASCII"},       {51936, "GB2312"},
};

const char* IconvNameOf(unsigned codePage) {
    for (const CodePageName& entry : kNames) {
        if (entry.codePage == codePage) return entry.name;
    }
    return nullptr;
}

}  // namespace

bool IconvCodePages::ToUtf8(unsigned codePage, const char* bytes, size_t count, std::string& out) {
    const char* name = IconvNameOf(codePage);
    if (!name) return false;
    iconv_t converter = iconv_open("UTF-8", name);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result;
    char* in = const_cast<char*>(bytes);
    size_t left = count;
    char buffer[4096];
    while (left > 0) {
        char* write = buffer;
        size_t room = sizeof buffer;
        const size_t done = iconv(converter, &in, &left, &write, &room);
        result.append(buffer, static_cast<size_t>(write - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            // A sequence the code page does not define: one replacement character for its first byte.
            result.append("\xEF\xBF\xBD");
            ++in;
            --left;
        }
    }
    iconv_close(converter);
    out.append(result);
    return true;
}

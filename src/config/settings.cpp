#include "config/settings.h"

#include <cstring>

#include "platform/platform.h"
#include "config/file_text.h"
#include "feed/scan.h"
#include "feed/text.h"

const char kDefaultIfModified[] = "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT";
const char kSettingsFileName[] = "Newsroller.ini";

void SetDefaultSettings(AppSettings& s) {
    s.winX = 230;
    s.winY = 0;
    s.width = 600;
    s.schecx = 400;
    s.schecy = 300;
    s.xmove = 100;
    s.scrollf = 1;
    s.backR = 112, s.backG = 112, s.backB = 96;
    s.rectR = 188, s.rectG = 188, s.rectB = 82;
    s.text1R = 255, s.text1G = 222, s.text1B = 119;
    s.text2R = 248, s.text2G = 246, s.text2B = 192;
    s.upday = 2;
    s.wintop = 1;
    s.mousesche = 0;
    s.fsize = 18;
    s.uptimer = 90;
    CopyCut(s.ifmodified, sizeof s.ifmodified, kDefaultIfModified);
    CopyCut(s.fontface, sizeof s.fontface, "ＭＳ Ｐゴシック");
    s.ftype = 700;
    s.scrolldiv = 5;
    s.toumeido = 300;
    s.alerttime = 3;
    s.disptimer = 2;
    s.savepos = 1;
}

int TickerHeight(const AppSettings& s) { return s.scrollf == 0 ? 2 * s.fsize + 10 : s.fsize + 9; }

namespace {

struct IntegerKey {
    const char* key;
    int32_t AppSettings::*field;
};

// The integer keys in the order the reader looks them up.
const IntegerKey kReadOrder[] = {
    {"winX", &AppSettings::winX},           {"winY", &AppSettings::winY},
    {"width", &AppSettings::width},         {"schecx", &AppSettings::schecx},
    {"schecy", &AppSettings::schecy},       {"xmove", &AppSettings::xmove},
    {"scrollf", &AppSettings::scrollf},     {"backR", &AppSettings::backR},
    {"backG", &AppSettings::backG},         {"backB", &AppSettings::backB},
    {"rectR", &AppSettings::rectR},         {"rectG", &AppSettings::rectG},
    {"rectB", &AppSettings::rectB},         {"text1R", &AppSettings::text1R},
    {"text1G", &AppSettings::text1G},       {"text1B", &AppSettings::text1B},
    {"text2R", &AppSettings::text2R},       {"text2G", &AppSettings::text2G},
    {"text2B", &AppSettings::text2B},       {"upday", &AppSettings::upday},
    {"wintop", &AppSettings::wintop},       {"mousesche", &AppSettings::mousesche},
    {"fsize", &AppSettings::fsize},         {"uptimer", &AppSettings::uptimer},
    {"disptimer", &AppSettings::disptimer}, {"ftype", &AppSettings::ftype},
    {"savepos", &AppSettings::savepos},     {"scrolldiv", &AppSettings::scrolldiv},
    {"toumeido", &AppSettings::toumeido},   {"alerttime", &AppSettings::alerttime},
};

// The integer values the legacy registry key holds, in the order they are read.
const IntegerKey kLegacyKeys[] = {
    {"winX", &AppSettings::winX},       {"width", &AppSettings::width},
    {"xmove", &AppSettings::xmove},     {"scrollf", &AppSettings::scrollf},
    {"backR", &AppSettings::backR},     {"backG", &AppSettings::backG},
    {"backB", &AppSettings::backB},     {"rectR", &AppSettings::rectR},
    {"rectG", &AppSettings::rectG},     {"rectB", &AppSettings::rectB},
    {"text1R", &AppSettings::text1R},   {"text1G", &AppSettings::text1G},
    {"text1B", &AppSettings::text1B},   {"text2R", &AppSettings::text2R},
    {"text2G", &AppSettings::text2G},   {"text2B", &AppSettings::text2B},
    {"upday", &AppSettings::upday},     {"winY", &AppSettings::winY},
    {"wintop", &AppSettings::wintop},   {"fsize", &AppSettings::fsize},
    {"uptimer", &AppSettings::uptimer}, {"disptimer", &AppSettings::disptimer},
};

constexpr int kIntegerValueLimit = 99;  // longer integer values are not converted
constexpr int kHeaderLineLength = 48;   // "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT"

// Finds the first "key=" anywhere in the text (case-insensitive) and gives its value: the bytes up
// to the first CR, LF, zero byte or the end of the text. The scanning primitive needs three more
// bytes after "=", so a final "savepos=1" without a line end is not found.
bool FindValue(const char* key, TextView text, const char*& value, int& length) {
    char literal[24];
    literal[0] = '\0';
    AppendCut(literal, sizeof literal, key);
    AppendCut(literal, sizeof literal, "=");
    int cursor = 0;
    if (FindTextInDocument(literal, cursor, text) != kFound) return false;
    int end = cursor;
    while (end < text.length && text.bytes[end] != '\r' && text.bytes[end] != '\n' && text.bytes[end] != '\0')
        ++end;
    value = text.bytes + cursor;
    length = end - cursor;
    return true;
}

void ImportLegacySettings(AppSettings& s, LegacySettingsStore& legacy) {
    for (const IntegerKey& k : kLegacyKeys) {
        int32_t value;
        if (legacy.ReadInt(k.key, value)) s.*k.field = value;
    }
    char text[kSettingTextSize];
    if (legacy.ReadText("ifmodified", text, sizeof text)) CopyCut(s.ifmodified, sizeof s.ifmodified, text);
    if (legacy.ReadText("fontface", text, sizeof text)) CopyCut(s.fontface, sizeof s.fontface, text);
}

int32_t ClampInt(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

void ApplySettingsText(AppSettings& s, const char* text, int length) {
    if (!text || length <= 0) return;
    TextView view{text, length};
    const char* value;
    int valueLength;
    for (const IntegerKey& k : kReadOrder) {
        // A value of 100 bytes or more is not a number the program wrote: the field keeps its value.
        if (FindValue(k.key, view, value, valueLength) && valueLength <= kIntegerValueLimit) {
            s.*k.field = DecimalValue(value, static_cast<size_t>(valueLength));
        }
    }
    if (FindValue("ifmodified", view, value, valueLength) && valueLength == kHeaderLineLength) {
        memcpy(s.ifmodified, value, static_cast<size_t>(valueLength));
        s.ifmodified[valueLength] = '\0';
    }
    if (FindValue("fontface", view, value, valueLength) && valueLength < kSettingTextSize) {
        memcpy(s.fontface, value, static_cast<size_t>(valueLength));
        s.fontface[valueLength] = '\0';
    }
}

int LoadSettings(AppSettings& s, Platform& platform, LegacySettingsStore* legacy) {
    int64_t size = platform.files.OpenableSize(kSettingsFileName);
    if (size < 0) {
        // No settings file (or one that cannot be opened): take over the legacy registry values once.
        bool opened = legacy && legacy->Open();
        if (opened) ImportLegacySettings(s, *legacy);
        int saved = SaveSettings(s, platform);
        if (opened) {
            // The key goes only once its values are safe in the file.
            if (saved == 0) {
                legacy->CloseAndDelete();
            } else {
                legacy->Close();
            }
        }
        return 0;
    }
    if (size >= kConfigFileLimit) {
        platform.messages.Show("Newsroller.iniファイルが大きすぎるため設定を取得できませんでした。",
                               "SIZE ERROR", MessageIcon::Error);
        return -1;
    }
    std::string text(static_cast<size_t>(size) + 1, '\0');
    int64_t read = platform.files.Read(kSettingsFileName, &text[0], static_cast<size_t>(size));
    if (read <= 0) return 0;
    text[static_cast<size_t>(read)] = '\0';
    ApplySettingsText(s, text.c_str(), static_cast<int>(read));
    return 0;
}

std::string FormatSettingsText(const AppSettings& s) {
    std::string out;
    out.reserve(1024);
    AppendFormat(out, "winX=%d\r\n", s.winX);
    AppendFormat(out, "winY=%d\r\n", s.winY);
    AppendFormat(out, "width=%d\r\n", s.width);
    AppendFormat(out, "schecx=%d\r\n", s.schecx);
    AppendFormat(out, "schecy=%d\r\n", s.schecy);
    AppendFormat(out, "xmove=%d\r\n", s.xmove);
    AppendFormat(out, "scrollf=%d\r\n", s.scrollf);
    AppendFormat(out, "backR=%d\r\nbackG=%d\r\nbackB=%d\r\n", s.backR, s.backG, s.backB);
    AppendFormat(out, "rectR=%d\r\nrectG=%d\r\nrectB=%d\r\n", s.rectR, s.rectG, s.rectB);
    AppendFormat(out, "text1R=%d\r\ntext1G=%d\r\ntext1B=%d\r\n", s.text1R, s.text1G, s.text1B);
    AppendFormat(out, "text2R=%d\r\ntext2G=%d\r\ntext2B=%d\r\n", s.text2R, s.text2G, s.text2B);
    AppendFormat(out, "upday=%d\r\n", s.upday);
    AppendFormat(out, "wintop=%d\r\n", s.wintop);
    AppendFormat(out, "mousesche=%d\r\n", s.mousesche);
    AppendFormat(out, "fsize=%d\r\n", s.fsize);
    AppendFormat(out, "uptimer=%d\r\n", s.uptimer);
    out += "ifmodified=";
    out.append(s.ifmodified, strnlen(s.ifmodified, sizeof s.ifmodified - 1));
    out += "\r\nfontface=";
    out.append(s.fontface, strnlen(s.fontface, sizeof s.fontface - 1));
    out += "\r\n";
    AppendFormat(out, "ftype=%d\r\n", s.ftype);
    AppendFormat(out, "scrolldiv=%d\r\n", s.scrolldiv);
    AppendFormat(out, "toumeido=%d\r\n", s.toumeido);
    AppendFormat(out, "alerttime=%d\r\n", s.alerttime);
    AppendFormat(out, "disptimer=%d\r\n", s.disptimer);
    AppendFormat(out, "savepos=%d\r\n", s.savepos);
    return out;
}

int SaveSettings(const AppSettings& s, Platform& platform) {
    return WriteProgramFile(platform, kSettingsFileName, FormatSettingsText(s),
                            "Newsroller.iniファイルをオープンできませんでした。");
}

void NormalizeSettings(AppSettings& s, const ScreenMetrics& screen) {
    // 64-bit arithmetic: the loaded values are whatever the file held.
    const int64_t maxWidth = int64_t{screen.width} + 2 * int64_t{screen.frameX};
    if (s.width > maxWidth) {
        s.width = ClampInt(maxWidth);
    } else if (s.width < 50) {
        s.width = 50;
    }
    const int64_t maxX = int64_t{screen.left} + screen.width + 2 * int64_t{screen.frameX} - s.width;
    if (s.winX < screen.left) {
        s.winX = screen.left;
    } else if (s.winX > maxX) {
        s.winX = ClampInt(maxX);
    }
    // The window height from fsize as loaded, before it is brought into range below.
    const int64_t height = s.scrollf == 0 ? 2 * int64_t{s.fsize} + 10 : int64_t{s.fsize} + 9;
    const int64_t maxY = int64_t{screen.top} + screen.height + 2 * int64_t{screen.frameY} - height;
    if (s.winY < screen.top) {
        s.winY = screen.top;
    } else if (s.winY > maxY) {
        s.winY = ClampInt(maxY);
    }
    if (s.upday < 1) s.upday = 1;
    if (s.xmove < 10) s.xmove = 10;
    if (s.disptimer < 1) s.disptimer = 1;
    if (s.disptimer > 10) s.disptimer = 10;
    if (s.scrolldiv < 1) s.scrolldiv = 1;
    if (s.scrolldiv > 100) s.scrolldiv = 100;
    if (s.toumeido < 50) s.toumeido = 50;
    if (s.toumeido > 300) s.toumeido = 300;
    if (s.uptimer < 20) s.uptimer = 20;
    if (s.fsize < 12) s.fsize = 12;
    if (s.fsize > 64) s.fsize = 64;
}

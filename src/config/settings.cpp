#include "config/settings.h"

#include <cstring>

#include "platform/platform.h"
#include "config/file_text.h"
#include "config/unread_file.h"
#include "feed/scan.h"
#include "feed/text.h"

const char kDefaultIfModified[] = "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT";
const char kSettingsFileName[] = "Newsroller.ini";

namespace {

using IntegerField = int32_t AppSettings::*;
using TextField = char (AppSettings::*)[kSettingTextSize];

constexpr int kHeaderLineLength = 48;  // "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT"

// One key of the file: an integer or a text field, its default, and whether the legacy registry
// key holds it. The order is the written order of the file.
struct SettingKey {
    const char* key;
    IntegerField integer;  // null for the two texts
    int32_t integerDefault;
    TextField text;  // null for the integers
    const char* textDefault;
    int textLength;  // a text value is taken only with exactly this length; 0: any that fits
    bool legacy;
};

constexpr SettingKey Int(const char* key, IntegerField field, int32_t value, bool legacy) {
    return SettingKey{key, field, value, nullptr, nullptr, 0, legacy};
}
constexpr SettingKey Text(const char* key, TextField field, const char* value, int length) {
    return SettingKey{key, nullptr, 0, field, value, length, true};
}

const SettingKey kKeys[] = {
    Int("winX", &AppSettings::winX, 230, true),
    Int("winY", &AppSettings::winY, 0, true),
    Int("width", &AppSettings::width, 600, true),
    Int("schecx", &AppSettings::schecx, 400, false),
    Int("schecy", &AppSettings::schecy, 300, false),
    Int("xmove", &AppSettings::xmove, 100, true),
    Int("scrollf", &AppSettings::scrollf, 1, true),
    Int("backR", &AppSettings::backR, 112, true),
    Int("backG", &AppSettings::backG, 112, true),
    Int("backB", &AppSettings::backB, 96, true),
    Int("rectR", &AppSettings::rectR, 188, true),
    Int("rectG", &AppSettings::rectG, 188, true),
    Int("rectB", &AppSettings::rectB, 82, true),
    Int("text1R", &AppSettings::text1R, 255, true),
    Int("text1G", &AppSettings::text1G, 222, true),
    Int("text1B", &AppSettings::text1B, 119, true),
    Int("text2R", &AppSettings::text2R, 248, true),
    Int("text2G", &AppSettings::text2G, 246, true),
    Int("text2B", &AppSettings::text2B, 192, true),
    Int("upday", &AppSettings::upday, 2, true),
    Int("wintop", &AppSettings::wintop, 1, true),
    Int("mousesche", &AppSettings::mousesche, 0, false),
    Int("fsize", &AppSettings::fsize, 18, true),
    Int("uptimer", &AppSettings::uptimer, 90, true),
    Text("ifmodified", &AppSettings::ifmodified, kDefaultIfModified, kHeaderLineLength),
    Text("fontface", &AppSettings::fontface, "ＭＳ Ｐゴシック", 0),
    Int("ftype", &AppSettings::ftype, 700, false),
    Int("scrolldiv", &AppSettings::scrolldiv, 5, false),
    Int("toumeido", &AppSettings::toumeido, 300, false),
    Int("alerttime", &AppSettings::alerttime, 3, false),
    Int("disptimer", &AppSettings::disptimer, 2, true),
    Int("savepos", &AppSettings::savepos, 1, false),
    // Keys of this program's own after the ones every copy writes: a file of an older copy reads
    // the same, and the older copy ignores them.
    Int("hoverstop", &AppSettings::hoverstop, 0, false),
};

constexpr int kIntegerValueLimit = 99;  // longer integer values are not converted

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

// Takes over the values the legacy registry key holds; the keys it lacks keep their values.
void ImportLegacySettings(AppSettings& s, LegacySettingsStore& legacy) {
    for (const SettingKey& k : kKeys) {
        if (!k.legacy) continue;
        if (k.integer) {
            int32_t value;
            if (legacy.ReadInt(k.key, value)) s.*k.integer = value;
        } else {
            char text[kSettingTextSize];
            if (legacy.ReadText(k.key, text, sizeof text)) CopyCut(s.*k.text, kSettingTextSize, text);
        }
    }
}

int32_t ClampInt(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

const UnreadNotice kBusyNotice = {
    "Newsroller.iniファイルをほかのプログラムが使用しているため設定を取得できませんでした。", "OPEN ERROR",
    MessageIcon::Error, false};
const UnreadNotice kTooLargeNotice = {"Newsroller.iniファイルが大きすぎるため設定を取得できませんでした。",
                                      "SIZE ERROR", MessageIcon::Error, true};
const UnreadNotice kFailedNotice = {
    "Newsroller.iniファイルを読み込めなかったため設定を取得できませんでした。", "ERROR", MessageIcon::Error,
    false};
const UnreadNotice kCutNotice = {"Newsroller.iniファイルを最後まで読み込めませんでした。", "ERROR",
                                 MessageIcon::Error, false};

// No settings file (or one that cannot be written): take over the legacy registry values once and
// write the file.
void CreateSettingsFile(AppSettings& s, Platform& platform, LegacySettingsStore* legacy) {
    bool opened = legacy && legacy->Open();
    if (opened) ImportLegacySettings(s, *legacy);
    WriteResult saved = SaveSettings(s, platform);
    if (opened) {
        // The key goes only once its values are safe in the file.
        if (saved == kWritten) {
            legacy->CloseAndDelete();
        } else {
            legacy->Close();
        }
    }
}

}  // namespace

void SetDefaultSettings(AppSettings& s) {
    for (const SettingKey& k : kKeys) {
        if (k.integer) {
            s.*k.integer = k.integerDefault;
        } else {
            CopyCut(s.*k.text, kSettingTextSize, k.textDefault);
        }
    }
}

int TickerHeight(const AppSettings& s) { return s.scrollf == 0 ? 2 * s.fsize + 10 : s.fsize + 9; }

ScreenMetrics ScreenInUnits(const ScreenMetrics& screen) {
    ScreenMetrics units = screen;
    for (int* value : {&units.left, &units.top, &units.width, &units.height, &units.frameX, &units.frameY}) {
        *value = ScaleFromDpi(*value, screen.dpi);
    }
    units.dpi = kBaseDpi;
    return units;
}

void ApplySettingsText(AppSettings& s, const char* text, int length) {
    if (!text || length <= 0) return;
    TextView view{text, length};
    const char* value;
    int valueLength;
    for (const SettingKey& k : kKeys) {
        if (!FindValue(k.key, view, value, valueLength)) continue;
        if (k.integer) {
            // A value of 100 bytes or more is not a number the program wrote: the field keeps its value.
            if (valueLength <= kIntegerValueLimit) {
                s.*k.integer = DecimalValue(value, static_cast<size_t>(valueLength));
            }
        } else if (k.textLength > 0 ? valueLength == k.textLength : valueLength < kSettingTextSize) {
            char* field = s.*k.text;
            memcpy(field, value, static_cast<size_t>(valueLength));
            field[valueLength] = '\0';
        }
    }
}

LoadResult LoadSettings(AppSettings& s, Platform& platform, LegacySettingsStore* legacy) {
    WholeReadRules rules;
    rules.refuseFrom = kConfigFileLimit;
    rules.retryWhenBusy = true;
    std::string text;
    switch (ReadWholeText(platform.files, kSettingsFileName, rules, text)) {
        case WholeRead::Whole:
            ClearUnreadFile(platform, kSettingsFileName);
            ApplySettingsText(s, text.c_str(), static_cast<int>(text.size()));
            return kLoaded;
        case WholeRead::Cut:
            ApplySettingsText(s, text.c_str(), static_cast<int>(text.size()));
            KeepUnreadFile(platform, kSettingsFileName, kCutNotice);
            return kLoaded;
        case WholeRead::Missing:
        case WholeRead::ReadOnly:
            // A read-only file cannot be replaced either: it is left as it is.
            CreateSettingsFile(s, platform, legacy);
            return kLoaded;
        case WholeRead::Busy:
            KeepUnreadFile(platform, kSettingsFileName, kBusyNotice);
            return kNotLoaded;
        case WholeRead::TooLarge:
            KeepUnreadFile(platform, kSettingsFileName, kTooLargeNotice);
            return kNotLoaded;
        case WholeRead::NoMemory:
        case WholeRead::Failed:
            break;
    }
    KeepUnreadFile(platform, kSettingsFileName, kFailedNotice);
    return kNotLoaded;
}

bool TakeSettingsHeldAtStart(AppSettings& s, const ScreenMetrics& screen, Platform& platform) {
    if (!platform.files.MustKeepBeforeReplacing(kSettingsFileName)) return false;
    WholeReadRules rules;
    rules.refuseFrom = kConfigFileLimit;
    std::string text;
    // Still held, or unreadable for another reason: the promised copy is made by the write.
    if (ReadWholeText(platform.files, kSettingsFileName, rules, text) != WholeRead::Whole) return false;
    ClearUnreadFile(platform, kSettingsFileName);
    ApplySettingsText(s, text.c_str(), static_cast<int>(text.size()));
    NormalizeSettings(s, screen);
    return true;
}

std::string FormatSettingsText(const AppSettings& s) {
    std::string out;
    out.reserve(1024);
    for (const SettingKey& k : kKeys) {
        out += k.key;
        out += '=';
        if (k.integer) {
            AppendFormat(out, "%d", s.*k.integer);
        } else {
            const char* text = s.*k.text;
            out.append(text, strnlen(text, kSettingTextSize - 1));
        }
        out += "\r\n";
    }
    return out;
}

WriteResult SaveSettings(const AppSettings& s, Platform& platform) {
    return WriteProgramFile(platform, kSettingsFileName, FormatSettingsText(s),
                            "Newsroller.iniファイルをオープンできませんでした。");
}

void KeepWindowInScreen(AppSettings& s, const ScreenMetrics& screen) {
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
}

void NormalizeSettings(AppSettings& s, const ScreenMetrics& screen) {
    KeepWindowInScreen(s, screen);
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

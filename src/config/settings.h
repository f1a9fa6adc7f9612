#pragma once
// The display and behaviour settings, kept in Newsroller.ini beside the executable.
#include <cstdint>
#include <string>

struct Platform;

constexpr int kSettingTextSize = 128;

struct AppSettings {
    int32_t winX, winY, width, schecx, schecy, xmove, scrollf;
    int32_t backR, backG, backB, rectR, rectG, rectB;
    int32_t text1R, text1G, text1B, text2R, text2G, text2B;
    int32_t upday, wintop, mousesche, fsize, uptimer;
    char ifmodified[kSettingTextSize];
    char fontface[kSettingTextSize];
    int32_t ftype, scrolldiv, toumeido, alerttime, disptimer, savepos;
};

extern const char kDefaultIfModified[];  // "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT"
extern const char kSettingsFileName[];   // "Newsroller.ini"

void SetDefaultSettings(AppSettings& settings);

// The screen the ticker must stay on: the primary screen with one monitor, else the virtual
// screen; frame sizes are SM_CXDLGFRAME and SM_CYDLGFRAME.
struct ScreenMetrics {
    int left = 0, top = 0, width = 1024, height = 768;
    int frameX = 3, frameY = 3;
};

// Values derived from the settings, each computed here only.
// Ticker window height: fsize + 9 in scroll mode, 2 * fsize + 10 in page mode.
int TickerHeight(const AppSettings& settings);
// The layered window's alpha: toumeido runs from 45 (invisible) to 300 (opaque, 255).
inline uint8_t OpacityAlpha(const AppSettings& s) { return static_cast<uint8_t>(s.toumeido - 45); }
// Pixels the band moves left per display step: 1 at scrolldiv 1, else (scrolldiv + 1) twelfths of fsize.
inline int ScrollStep(const AppSettings& s) {
    return s.scrolldiv == 1 ? 1 : ((s.scrolldiv + 1) * s.fsize) / 12;
}
// Ticks between two display steps: disptimer - 1 in scroll mode, disptimer * 10 in page mode.
inline int DisplayPace(const AppSettings& s) { return s.scrollf != 0 ? s.disptimer - 1 : s.disptimer * 10; }

// The legacy registry key read once when no settings file exists, then deleted.
class LegacySettingsStore {
  public:
    virtual ~LegacySettingsStore() = default;
    virtual bool Open() = 0;
    virtual bool ReadInt(const char* name, int32_t& value) = 0;
    // Reads a string value of at most `size` bytes including its zero.
    virtual bool ReadText(const char* name, char* dest, int size) = 0;
    // Closes the key and deletes it: its values now live in the settings file.
    virtual void CloseAndDelete() = 0;
    // Closes the key and keeps it, when the settings file could not be written.
    virtual void Close() = 0;
};

// 0 when the file was read or created, -1 when it was too large. `legacy` may be null.
int LoadSettings(AppSettings& settings, Platform& platform, LegacySettingsStore* legacy);
// Applies the keys found in a settings text to the record; text[length] must be a zero byte.
void ApplySettingsText(AppSettings& settings, const char* text, int length);
// The whole settings file: all 32 lines "key=value" with CR LF, in the fixed written order.
std::string FormatSettingsText(const AppSettings& settings);
int SaveSettings(const AppSettings& settings, Platform& platform);
void NormalizeSettings(AppSettings& settings, const ScreenMetrics& screen);

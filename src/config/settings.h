#pragma once
// The display and behaviour settings, kept in Newsroller.ini beside the executable.
#include <cstdint>
#include <string>

#include "platform/safe_write.h"
#include "platform/screen_scale.h"
#include "platform/whole_file.h"

struct Platform;

constexpr int kSettingTextSize = 128;

// The field names are the keys of the file. Integers are whatever the file held until
// NormalizeSettings (program start) brings the ranged ones into range; the ranges below are those
// after it and in the settings dialog. Lengths ("pixels") are pixels of a 96-dpi screen, scaled
// by the system DPI where the program places, sizes and draws (platform/screen_scale.h).
struct AppSettings {
    int32_t winX;       // left edge of the ticker's client area, screen pixels; kept on the screen
    int32_t winY;       // top edge of the ticker's client area, screen pixels; kept on the screen
    int32_t width;      // width of the ticker window, pixels: 50 .. screen width + 2 frame widths
    int32_t schecx;     // width of the schedule window, pixels, as it was last closed; no range
    int32_t schecy;     // height of the schedule window, pixels, as it was last closed; no range
    int32_t xmove;      // pointer travel of the gesture over the ticker, pixels: 10 or more
    int32_t scrollf;    // display mode: 1 scroll mode (one line), 0 page mode (two lines)
    int32_t backR;      // background colour, red: 0 .. 255
    int32_t backG;      // background colour, green: 0 .. 255
    int32_t backB;      // background colour, blue: 0 .. 255
    int32_t rectR;      // colour of the frame round the ticker, red: 0 .. 255
    int32_t rectG;      // colour of the frame round the ticker, green: 0 .. 255
    int32_t rectB;      // colour of the frame round the ticker, blue: 0 .. 255
    int32_t text1R;     // first text colour, red: 0 .. 255
    int32_t text1G;     // first text colour, green: 0 .. 255
    int32_t text1B;     // first text colour, blue: 0 .. 255
    int32_t text2R;     // second text colour, red: 0 .. 255
    int32_t text2G;     // second text colour, green: 0 .. 255
    int32_t text2B;     // second text colour, blue: 0 .. 255
    int32_t upday;      // articles older than this many days are not shown: 1 or more
    int32_t wintop;     // 1: the ticker stays above all other windows; 0: it does not
    int32_t mousesche;  // 1: the gesture over the ticker opens the schedule window; 0: it does not
    int32_t fsize;      // height of the ticker font, pixels: 12 .. 64
    int32_t uptimer;    // minutes between update cycles: 20 or more after loading, 5 or more by the dialog
    // The whole conditional request header line of the next cycle's fetches; from the file only
    // when exactly 48 bytes long ("If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT").
    char ifmodified[kSettingTextSize];
    char fontface[kSettingTextSize];  // face name of the ticker font, Shift_JIS, at most 127 bytes
    int32_t ftype;                    // font weight: 700 bold, 400 normal (any weight from the file)
    int32_t scrolldiv;  // scroll step in scroll mode; the pixels per move grow with it: 1 .. 100
    int32_t toumeido;   // opacity: the window's alpha is toumeido - 45: 50 .. 300
    int32_t alerttime;  // minutes before a task at which its alert is shown: 0 .. 30
    int32_t disptimer;  // display pace in ticks, smaller is faster: 1 .. 10
    int32_t savepos;    // 1: the window position is stored in winX/winY when the program ends
    // Beyond the keys older copies of the program know (they ignore it), so written after them:
    int32_t hoverstop;  // 1: the display stands still while the pointer rests on the ticker
};

extern const char kDefaultIfModified[];  // "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT"
extern const char kSettingsFileName[];   // "Newsroller.ini"

// Every field its default (the values a first start writes).
void SetDefaultSettings(AppSettings& settings);

// The screen the ticker must stay on: the primary screen with one monitor, else the virtual
// screen; frame sizes are SM_CXDLGFRAME and SM_CYDLGFRAME; all in pixels at the system DPI.
struct ScreenMetrics {
    int left = 0, top = 0, width = 1024, height = 768;
    int frameX = 3, frameY = 3;
    int dpi = kBaseDpi;
};
// The same screen in the 96-dpi units of the settings, for the clamps and the position hint.
ScreenMetrics ScreenInUnits(const ScreenMetrics& screen);

// Values derived from the settings, each computed here only.
// Ticker window height: fsize + 9 in scroll mode, 2 * fsize + 10 in page mode.
int TickerHeight(const AppSettings& settings);
// The layered window's alpha: toumeido runs from 45 (invisible) to 300 (opaque, 255).
inline uint8_t OpacityAlpha(const AppSettings& s) { return static_cast<uint8_t>(s.toumeido - 45); }
// Pixels the band moves left per display step: 1 at scrolldiv 1, else (scrolldiv + 1) twelfths of fsize.
inline int ScrollStep(const AppSettings& s) {
    return s.scrolldiv == 1 ? 1 : ((s.scrolldiv + 1) * s.fsize) / 12;
}
// The same step in pixels of a screen at `dpi`.
inline int ScrollStepInPixels(const AppSettings& s, int dpi) { return ScaleToDpi(ScrollStep(s), dpi); }
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

// Reads the settings file into the record, whose fields keep their values for keys the file
// lacks. No file: the legacy key's values are taken over once and the file is written. kNotLoaded
// when nothing could be taken from an existing file (too large, held by another program, unreadable);
// such a file is kept as "Newsroller.ini.bak" before anything replaces it, and the user is told.
// `legacy` may be null.
LoadResult LoadSettings(AppSettings& settings, Platform& platform, LegacySettingsStore* legacy);
// Before a write: a settings file that another program held at start (the defaults have been in
// force, and the user's file was to be kept as .bak before the first write) is read again; when it
// now reads whole, its values are applied to the record and normalised as at start, and the file
// needs no copy. True when its values were taken; nothing is shown either way.
bool TakeSettingsHeldAtStart(AppSettings& settings, const ScreenMetrics& screen, Platform& platform);
// Applies the keys found in a settings text to the record; text[length] must be a zero byte.
void ApplySettingsText(AppSettings& settings, const char* text, int length);
// The whole settings file: every key as a line "key=value" with CR LF, in the fixed written order.
std::string FormatSettingsText(const AppSettings& settings);
// On failure the "OPEN ERROR" message has been shown and the file is unchanged.
WriteResult SaveSettings(const AppSettings& settings, Platform& platform);
void NormalizeSettings(AppSettings& settings, const ScreenMetrics& screen);
// NormalizeSettings' first steps, which place the window at start: `width` no wider than the
// screen, and winX, winY so that the whole window lies on it.
void KeepWindowInScreen(AppSettings& settings, const ScreenMetrics& screen);

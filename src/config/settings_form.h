#pragma once
// The settings dialog's decisions, apart from its window: the working state while it is open, the
// editing of its own copy of the feed list, the colour editor, the values previewed on the ticker,
// and OK's checks, reading order, clamps and messages. The dialog procedure reads its controls,
// calls these and writes its controls.
#include <cstdint>
#include <string>
#include <vector>

#include "config/feed_list.h"
#include "config/settings.h"

class MessageBoxes;

constexpr int kMaxTotalArticles = 2000;  // OK is refused while the maxima add up to more
constexpr int kShiftJisCharset = 128;    // the font character set the face list is made for
extern const char kUrlFieldPreset[];     // "http://"

enum ColourSlot : int { kColourBack = 0, kColourText1 = 1, kColourText2 = 2, kColourFrame = 3 };

struct SettingsForm {
    int savedWeight = 400, workingWeight = 400;
    int savedScrolldiv = 0, savedDisptimer = 0, savedToumeido = 0, savedHoverstop = 0;
    char face[kSettingTextSize] = {};
    int colours[4][3] = {};  // background, text 1, text 2, frame; each red, green, blue
    int selectedColour = kColourBack;
    bool listChanged = false;
    bool deleteKeyArmed = true;  // the Delete key removes a feed only while no edit field has the focus
    int selection = -1;          // the selected list line, or -1
    // The dialog's own copy of the feed list: an update cycle that is fetching meanwhile keeps
    // reading the live table, which OK replaces as a whole.
    FeedTable feeds;
};

// Opening: the saved copies and working values from the settings; no feed selected.
void BeginSettingsForm(SettingsForm& form, const AppSettings& settings);

// The values the up-down fields show: speed 11 - disptimer, transparency 30 - toumeido / 10.
int ShownSpeed(const AppSettings& settings);
int ShownTransparency(const AppSettings& settings);

// "x=0～%d, y=0～%d" with the largest x and y that keep the ticker on the screen.
std::string PositionHint(const ScreenMetrics& screen, int width, int fsize, int scrollf);

// ---- The feed list --------------------------------------------------------------------------

// "（%d）" with the maximum, then the site name.
std::string FeedLine(const FeedTable& feeds, int index);
int64_t TotalOfMaxima(const FeedTable& feeds);
std::string TotalText(const FeedTable& feeds);  // "%d件"
// The list's horizontal extent: 10 pixels per byte of its longest line.
int ListExtent(const FeedTable& feeds);

struct ListButtons {
    bool add = false, change = false, up = false, down = false, remove = false;
    bool entryKept = false;  // Add and Change stay as they are (the fields did not change)
};

// What the three fields show after an edit.
enum class FieldsShown { Unchanged, Feed, Cleared };

struct EditResult {
    bool done = false;                            // false: the edit was refused and nothing changed
    ListButtons buttons;                          // the button states after the edit, when done
    bool maximumShownAsZero = false;              // a negative maximum was taken as 0; the field shows 0
    FieldsShown fields = FieldsShown::Unchanged;  // Feed: the selected feed's; Cleared: "" and "http://"
};

// More than 7 characters: "http://" alone is not an address.
bool UrlLongEnough(const char* url);

// A click on a list line: the feed is selected and shown in the fields.
ListButtons SelectFeed(SettingsForm& form, int index);
// Typing in the name, URL or maximum field enables Add (and Change with a selection) once the name
// is not empty and the URL has more than 7 characters; typing disables nothing.
ListButtons EnabledByTyping(const SettingsForm& form, const char* site, const char* url);
// The edit fields' texts as read (Shift_JIS); the name and URL are cut to 255 bytes.
EditResult AddFeed(SettingsForm& form, const char* site, const char* url, const char* maximum);
EditResult ChangeFeed(SettingsForm& form, const char* site, const char* url, const char* maximum);
EditResult DeleteFeed(SettingsForm& form);
// direction -1 up, +1 down; the first line does not move up nor the last one down. The fields do
// not change, and neither do Add and Change.
EditResult MoveFeed(SettingsForm& form, int direction);
// The buttons of a line selected by the program (an imported feed): Up, Down and Delete follow the
// selection, Add and Change stay as they are.
ListButtons ButtonsForSelection(const SettingsForm& form);
// An edit field got (true) or lost (false) the keyboard focus.
void EditFieldFocus(SettingsForm& form, bool gained);

// ---- Colours ----------------------------------------------------------------------------------

enum class ScrollCode { LineLeft, LineRight, PageLeft, PageRight, Thumb, Other };

void SelectColour(SettingsForm& form, int slot);
// Changes component (0 red, 1 green, 2 blue) of the selected colour; returns its value, kept in 0..255.
int ScrollColour(SettingsForm& form, int component, ScrollCode code, int thumbPosition);

// ---- Changes seen on the ticker while the dialog is open -------------------------------------

// The weight after a control notification: 700 with "太字" checked, else 400 if it was 700. True
// when it changed (the ticker font is then made again).
bool UpdateWorkingWeight(SettingsForm& form, bool boldChecked);
// The values shown by the up-down fields as settings; out of range, the value at opening.
int LiveDisptimer(const SettingsForm& form, int shownSpeed);
int LiveScrolldiv(const SettingsForm& form, int shownStep);
int LiveToumeido(const SettingsForm& form, int shownTransparency);
// Cancel: the previewed values go back to those at opening.
void RestorePreviewedSettings(const SettingsForm& form, AppSettings& settings);

// ---- Fonts ------------------------------------------------------------------------------------

// A face the list offers: one of the Shift_JIS character set, not a vertical ("@") face.
bool IsListedFontFace(int charset, const char* face);
// The entry to select: the face equal to `fontface` (case-sensitive), else the first; -1 when empty.
int FaceToSelect(const std::vector<std::string>& faces, const char* fontface);

// ---- OK -------------------------------------------------------------------------------------

// The controls' contents as OK reads them (Shift_JIS texts; a text that is not a number reads as 0).
struct OkFields {
    std::string upday, uptimer, speed, step, transparency, alerttime, width, xmove, winX, winY, fsize;
    bool wintop = false, scrollf = false, mousesche = false, savepos = false, bold = false, hoverstop = false;
    bool hasFace = false;
    std::string face;
};

enum class OkCheck { Proceed, Busy, TooManyArticles };
// Refuses OK, with its message, while list edits wait for a busy update cycle or while the maxima
// add up to more than 2000; the dialog then stays open.
OkCheck CheckSettingsOk(const SettingsForm& form, bool cycleIdle, MessageBoxes& messages);
// Stores the colours and the fields into the settings in OK's order, with its clamps; an update
// interval below 5 minutes becomes 5 with the "自動修正" message.
void ReadSettingsOk(const SettingsForm& form, const OkFields& fields, AppSettings& settings,
                    const ScreenMetrics& screen, MessageBoxes& messages);
// The font height measured with the new font replaces `fsize` when they differ; kept in 12..64.
void SettleFontSize(AppSettings& settings, int measuredHeight);

enum class AfterOk { CacheOnlyCycle, Recount, Nothing };
// An edited list starts a cycle over the cached documents; otherwise an idle display recounts.
AfterOk NextStepAfterOk(bool listChanged, bool cycleIdle);

// The busy message shared by OK, "OPML保存" and drops.
void ShowBusyMessage(MessageBoxes& messages);

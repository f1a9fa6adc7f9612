#include "config/settings_form.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "config/file_text.h"
#include "feed/text.h"

const char kUrlFieldPreset[] = "http://";

namespace {

constexpr int kBold = 700;
constexpr int kNormal = 400;
constexpr int kShortestUrl = 7;  // "http://" alone is not an address

int32_t Value(const std::string& text) { return DecimalValue(text.c_str(), text.size()); }

int64_t Clamp(int64_t value, int64_t low, int64_t high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

int32_t ToInt(int64_t value) { return static_cast<int32_t>(Clamp(value, INT32_MIN, INT32_MAX)); }

// Characters, not bytes: a double-byte character counts once.
int CharacterCount(const char* text) {
    int count = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++count) {
        p += (IsShiftJisLead(*p) && p[1] != '\0') ? 2 : 1;
    }
    return count;
}

bool EntryAcceptable(const char* site, const char* url) { return site[0] != '\0' && UrlLongEnough(url); }

ListButtons SelectedButtons() {
    ListButtons b;
    b.up = b.down = b.remove = true;
    return b;
}

// Name and URL cut to 255 bytes; a negative maximum becomes 0.
void StoreEntry(FeedTable& feeds, int index, const char* site, const char* url, const char* maximum,
                EditResult& result) {
    CopyCut(feeds.site[index], kSlotSize, site);
    CopyCut(feeds.url[index], kSlotSize, url);
    int32_t value = DecimalValue(maximum, strlen(maximum));
    if (value < 0) {
        value = 0;
        result.maximumShownAsZero = true;
    }
    feeds.maximum[index] = value;
}

void SwapEntries(FeedTable& feeds, int a, int b) {
    char temp[kSlotSize];
    memcpy(temp, feeds.site[a], kSlotSize);
    memcpy(feeds.site[a], feeds.site[b], kSlotSize);
    memcpy(feeds.site[b], temp, kSlotSize);
    memcpy(temp, feeds.url[a], kSlotSize);
    memcpy(feeds.url[a], feeds.url[b], kSlotSize);
    memcpy(feeds.url[b], temp, kSlotSize);
    int32_t maximum = feeds.maximum[a];
    feeds.maximum[a] = feeds.maximum[b];
    feeds.maximum[b] = maximum;
}

int* ColourOf(SettingsForm& form, int slot) { return form.colours[slot]; }

}  // namespace

void BeginSettingsForm(SettingsForm& form, const AppSettings& s) {
    form.savedWeight = form.workingWeight = s.ftype;
    form.savedScrolldiv = s.scrolldiv;
    form.savedDisptimer = s.disptimer;
    form.savedToumeido = s.toumeido;
    form.savedHoverstop = s.hoverstop;
    CopyCut(form.face, sizeof form.face, s.fontface);
    const int colours[4][3] = {{s.backR, s.backG, s.backB},
                               {s.text1R, s.text1G, s.text1B},
                               {s.text2R, s.text2G, s.text2B},
                               {s.rectR, s.rectG, s.rectB}};
    memcpy(form.colours, colours, sizeof colours);
    form.selectedColour = kColourBack;
    form.listChanged = false;
    form.deleteKeyArmed = true;
    form.selection = -1;
    form.feeds.count = 0;
}

int ShownSpeed(const AppSettings& s) { return 11 - s.disptimer; }
int ShownTransparency(const AppSettings& s) { return 30 - s.toumeido / 10; }

std::string PositionHint(const ScreenMetrics& screen, int width, int fsize, int scrollf) {
    const int64_t height = scrollf == 0 ? 2 * int64_t{fsize} + 10 : int64_t{fsize} + 9;
    const int64_t maxX = int64_t{screen.width} + 2 * int64_t{screen.frameX} - width;
    const int64_t maxY = int64_t{screen.height} + 2 * int64_t{screen.frameY} - height;
    std::string hint;
    AppendFormat(hint, "x=0～%lld, y=0～%lld", static_cast<long long>(maxX), static_cast<long long>(maxY));
    return hint;
}

// ---- The feed list --------------------------------------------------------------------------

std::string FeedLine(const FeedTable& feeds, int index) {
    std::string line;
    AppendFormat(line, "（%d）", feeds.maximum[index]);
    line.append(feeds.site[index], strnlen(feeds.site[index], kSlotSize - 1));
    return line;
}

int64_t TotalOfMaxima(const FeedTable& feeds) {
    int64_t total = 0;
    for (int i = 0; i < feeds.count && i < kFeedSlots; ++i) total += feeds.maximum[i];
    return total;
}

std::string TotalText(const FeedTable& feeds) {
    std::string text;
    AppendFormat(text, "%lld件", static_cast<long long>(TotalOfMaxima(feeds)));
    return text;
}

int ListExtent(const FeedTable& feeds) {
    size_t longest = 0;
    for (int i = 0; i < feeds.count && i < kFeedSlots; ++i) {
        size_t length = FeedLine(feeds, i).size();
        if (length > longest) longest = length;
    }
    return static_cast<int>(longest) * 10;
}

bool UrlLongEnough(const char* url) { return CharacterCount(url) > kShortestUrl; }

ListButtons SelectFeed(SettingsForm& form, int index) {
    if (index < 0 || index >= form.feeds.count) return ListButtons();
    form.selection = index;
    form.deleteKeyArmed = true;
    return SelectedButtons();
}

ListButtons EnabledByTyping(const SettingsForm& form, const char* site, const char* url) {
    ListButtons b;
    if (EntryAcceptable(site, url)) {
        b.add = true;
        b.change = form.selection >= 0;
    }
    return b;
}

EditResult AddFeed(SettingsForm& form, const char* site, const char* url, const char* maximum) {
    EditResult result;
    if (!EntryAcceptable(site, url) || form.feeds.count >= kMaxUserFeeds) return result;
    const int index = form.feeds.count;
    StoreEntry(form.feeds, index, site, url, maximum, result);
    ++form.feeds.count;
    form.selection = index;
    form.listChanged = true;
    result.done = true;
    result.buttons = SelectedButtons();
    return result;
}

EditResult ChangeFeed(SettingsForm& form, const char* site, const char* url, const char* maximum) {
    EditResult result;
    if (form.selection < 0 || form.selection >= form.feeds.count || !EntryAcceptable(site, url))
        return result;
    StoreEntry(form.feeds, form.selection, site, url, maximum, result);
    form.listChanged = true;
    result.done = true;
    result.buttons = SelectedButtons();
    return result;
}

EditResult DeleteFeed(SettingsForm& form) {
    EditResult result;
    FeedTable& feeds = form.feeds;
    const int removed = form.selection;
    if (!form.deleteKeyArmed || removed < 0 || removed >= feeds.count) return result;
    for (int i = removed; i + 1 < feeds.count; ++i) SwapEntries(feeds, i, i + 1);
    --feeds.count;
    form.listChanged = true;
    result.done = true;
    if (feeds.count == 0) {
        form.selection = -1;
        result.fields = FieldsShown::Cleared;
        return result;  // every button disabled
    }
    form.selection = removed < feeds.count ? removed : feeds.count - 1;
    result.fields = FieldsShown::Feed;
    result.buttons = SelectedButtons();
    return result;
}

EditResult MoveFeed(SettingsForm& form, int direction) {
    EditResult result;
    const int from = form.selection;
    const int to = from + (direction < 0 ? -1 : 1);
    if (from < 0 || from >= form.feeds.count || to < 0 || to >= form.feeds.count) return result;
    SwapEntries(form.feeds, from, to);
    form.selection = to;
    form.listChanged = true;
    result.done = true;
    result.buttons = ButtonsForSelection(form);
    return result;
}

ListButtons ButtonsForSelection(const SettingsForm& form) {
    ListButtons b;
    if (form.selection >= 0 && form.selection < form.feeds.count) b = SelectedButtons();
    b.entryKept = true;
    return b;
}

void EditFieldFocus(SettingsForm& form, bool gained) { form.deleteKeyArmed = !gained; }

// ---- Colours ----------------------------------------------------------------------------------

void SelectColour(SettingsForm& form, int slot) {
    if (slot >= kColourBack && slot <= kColourFrame) form.selectedColour = slot;
}

int ScrollColour(SettingsForm& form, int component, ScrollCode code, int thumbPosition) {
    if (component < 0 || component > 2) return 0;
    int& value = ColourOf(form, form.selectedColour)[component];
    int64_t next = value;
    switch (code) {
        case ScrollCode::LineLeft:
            next -= 1;
            break;
        case ScrollCode::LineRight:
            next += 1;
            break;
        case ScrollCode::PageLeft:
            next -= 16;
            break;
        case ScrollCode::PageRight:
            next += 16;
            break;
        case ScrollCode::Thumb:
            next = thumbPosition;
            break;
        case ScrollCode::Other:
            break;
    }
    value = static_cast<int>(Clamp(next, 0, 255));
    return value;
}

// ---- Changes seen on the ticker while the dialog is open -------------------------------------

bool UpdateWorkingWeight(SettingsForm& form, bool boldChecked) {
    int before = form.workingWeight;
    if (boldChecked) {
        form.workingWeight = kBold;
    } else if (form.workingWeight == kBold) {
        form.workingWeight = kNormal;
    }
    return form.workingWeight != before;
}

int LiveDisptimer(const SettingsForm& form, int shownSpeed) {
    int64_t value = 11 - int64_t{shownSpeed};
    return value >= 1 && value <= 10 ? static_cast<int>(value) : form.savedDisptimer;
}

int LiveScrolldiv(const SettingsForm& form, int shownStep) {
    return shownStep >= 1 && shownStep <= 100 ? shownStep : form.savedScrolldiv;
}

int LiveToumeido(const SettingsForm& form, int shownTransparency) {
    int64_t value = (30 - int64_t{shownTransparency}) * 10;
    return value >= 50 && value <= 300 ? static_cast<int>(value) : form.savedToumeido;
}

void RestorePreviewedSettings(const SettingsForm& form, AppSettings& s) {
    s.scrolldiv = form.savedScrolldiv;
    s.disptimer = form.savedDisptimer;
    s.toumeido = form.savedToumeido;
    s.hoverstop = form.savedHoverstop;
}

// ---- Fonts ------------------------------------------------------------------------------------

bool IsListedFontFace(int charset, const char* face) {
    return charset == kShiftJisCharset && face && face[0] != '\0' && face[0] != '@';
}

int FaceToSelect(const std::vector<std::string>& faces, const char* fontface) {
    if (faces.empty()) return -1;
    for (size_t i = 0; i < faces.size(); ++i) {
        if (faces[i] == fontface) return static_cast<int>(i);
    }
    return 0;
}

// ---- OK -------------------------------------------------------------------------------------

void ShowBusyMessage(MessageBoxes& messages) {
    messages.Show("現在作業中です。完了までお待ちください。", "作業中", MessageIcon::Information);
}

OkCheck CheckSettingsOk(const SettingsForm& form, bool cycleIdle, MessageBoxes& messages) {
    if (form.listChanged && !cycleIdle) {
        ShowBusyMessage(messages);
        return OkCheck::Busy;
    }
    const int64_t total = TotalOfMaxima(form.feeds);
    if (total > kMaxTotalArticles) {
        char text[160];
        snprintf(text, sizeof text, "合計最大記事数は%d件以下にしてください。\n現在%lld件あります。",
                 kMaxTotalArticles, static_cast<long long>(total));
        messages.Show(text, "件数超過", MessageIcon::Warning);
        return OkCheck::TooManyArticles;
    }
    return OkCheck::Proceed;
}

void ReadSettingsOk(const SettingsForm& form, const OkFields& f, AppSettings& s, const ScreenMetrics& screen,
                    MessageBoxes& messages) {
    const int(*c)[3] = form.colours;
    s.backR = c[kColourBack][0], s.backG = c[kColourBack][1], s.backB = c[kColourBack][2];
    s.text1R = c[kColourText1][0], s.text1G = c[kColourText1][1], s.text1B = c[kColourText1][2];
    s.text2R = c[kColourText2][0], s.text2G = c[kColourText2][1], s.text2B = c[kColourText2][2];
    s.rectR = c[kColourFrame][0], s.rectG = c[kColourFrame][1], s.rectB = c[kColourFrame][2];

    s.upday = ToInt(Clamp(Value(f.upday), 1, INT32_MAX));
    s.uptimer = Value(f.uptimer);
    if (s.uptimer < 5) {
        s.uptimer = 5;
        messages.Show("更新頻度は5分未満に出来ません。\n5分に変更されました。", "自動修正",
                      MessageIcon::Information);
    }
    s.disptimer = ToInt(Clamp(11 - int64_t{Value(f.speed)}, 1, 10));
    s.scrolldiv = ToInt(Clamp(Value(f.step), 1, 100));
    s.toumeido = ToInt(Clamp(300 - 10 * int64_t{Value(f.transparency)}, 50, 300));
    s.alerttime = ToInt(Clamp(Value(f.alerttime), 0, 30));

    const int64_t widest = int64_t{screen.width} + 2 * int64_t{screen.frameX};
    int64_t width = Value(f.width);
    if (width > widest) {
        width = widest;
    } else if (width < 50) {
        width = 50;
    }
    s.width = ToInt(width);
    s.xmove = ToInt(Clamp(Value(f.xmove), 10, INT32_MAX));

    const int64_t maxX = int64_t{screen.left} + widest - s.width;
    s.winX = ToInt(Clamp(Value(f.winX), screen.left, maxX < screen.left ? screen.left : maxX));
    // The window height in force before this OK: scrollf and fsize are read after winY.
    const int64_t height = TickerHeight(s);
    const int64_t maxY = int64_t{screen.top} + screen.height + 2 * int64_t{screen.frameY} - height;
    s.winY = ToInt(Clamp(Value(f.winY), screen.top, maxY < screen.top ? screen.top : maxY));

    s.wintop = f.wintop ? 1 : 0;
    s.hoverstop = f.hoverstop ? 1 : 0;
    s.scrollf = f.scrollf ? 1 : 0;
    s.mousesche = f.mousesche ? 1 : 0;
    s.savepos = f.savepos ? 1 : 0;
    if (f.bold) {
        s.ftype = kBold;
    } else if (s.ftype == kBold) {
        s.ftype = kNormal;
    }
    s.fsize = ToInt(Clamp(Value(f.fsize), 12, 64));
    if (f.hasFace) CopyCut(s.fontface, sizeof s.fontface, f.face.c_str());
}

void SettleFontSize(AppSettings& s, int measuredHeight) {
    if (measuredHeight != s.fsize) s.fsize = measuredHeight;
    s.fsize = ToInt(Clamp(s.fsize, 12, 64));
}

AfterOk NextStepAfterOk(bool listChanged, bool cycleIdle) {
    if (listChanged) return AfterOk::CacheOnlyCycle;
    return cycleIdle ? AfterOk::Recount : AfterOk::Nothing;
}

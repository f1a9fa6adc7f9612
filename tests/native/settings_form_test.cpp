// The settings dialog's decisions: OK's checks, reading order and clamps, the list editing on the
// dialog's copy, the colour editor, the previewed values and the font list.
#include "config/settings_form.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_platform.h"

namespace {

std::unique_ptr<SettingsForm> FormWith(std::vector<int> maxima) {
    auto form = std::make_unique<SettingsForm>();
    AppSettings s;
    SetDefaultSettings(s);
    BeginSettingsForm(*form, s);
    for (int maximum : maxima) {
        std::string name = "site" + std::to_string(form->feeds.count);
        EXPECT_TRUE(AddFeed(*form, name.c_str(), "http://a.test/rss", std::to_string(maximum).c_str()).done);
    }
    form->listChanged = false;
    form->selection = -1;
    return form;
}

// The fields as the dialog opens on the default settings.
OkFields DefaultFields() {
    OkFields f;
    f.upday = "2", f.uptimer = "90", f.speed = "9", f.step = "5", f.transparency = "0", f.alerttime = "3";
    f.width = "600", f.xmove = "100", f.winX = "230", f.winY = "0", f.fsize = "18";
    f.wintop = f.scrollf = f.savepos = f.bold = true;
    return f;
}

struct ReadCase {
    std::string OkFields::*field;
    const char* text;
    int32_t AppSettings::*setting;
    int32_t expected;
};

TEST(SettingsOk, EachFieldIsReadWithItsClamp) {
    ScreenMetrics screen;  // 1024 x 768 at 0,0, dialog frames of 3 pixels
    const ReadCase cases[] = {
        {&OkFields::upday, "0", &AppSettings::upday, 1},
        {&OkFields::upday, "abc", &AppSettings::upday, 1},
        {&OkFields::upday, "7", &AppSettings::upday, 7},
        {&OkFields::uptimer, "5", &AppSettings::uptimer, 5},
        {&OkFields::uptimer, "120", &AppSettings::uptimer, 120},
        {&OkFields::speed, "10", &AppSettings::disptimer, 1},
        {&OkFields::speed, "0", &AppSettings::disptimer, 10},
        {&OkFields::step, "0", &AppSettings::scrolldiv, 1},
        {&OkFields::step, "150", &AppSettings::scrolldiv, 100},
        {&OkFields::transparency, "25", &AppSettings::toumeido, 50},
        {&OkFields::transparency, "0", &AppSettings::toumeido, 300},
        {&OkFields::transparency, "99999999999", &AppSettings::toumeido, 50},
        {&OkFields::alerttime, "31", &AppSettings::alerttime, 30},
        {&OkFields::alerttime, "-3", &AppSettings::alerttime, 0},
        {&OkFields::width, "10", &AppSettings::width, 50},
        {&OkFields::width, "99999", &AppSettings::width, 1030},
        {&OkFields::xmove, "3", &AppSettings::xmove, 10},
        {&OkFields::winX, "-5", &AppSettings::winX, 0},
        {&OkFields::winX, "5000", &AppSettings::winX, 1030 - 600},
        {&OkFields::winY, "-5", &AppSettings::winY, 0},
        {&OkFields::winY, "5000", &AppSettings::winY, 774 - 27},
        {&OkFields::fsize, "8", &AppSettings::fsize, 12},
        {&OkFields::fsize, "100", &AppSettings::fsize, 64},
    };
    for (const ReadCase& c : cases) {
        auto form = FormWith({});
        AppSettings s;
        SetDefaultSettings(s);
        OkFields f = DefaultFields();
        f.*c.field = c.text;
        RecordingMessageBoxes messages;
        ReadSettingsOk(*form, f, s, screen, messages);
        EXPECT_EQ(c.expected, s.*c.setting) << c.text;
        EXPECT_TRUE(messages.shown.empty()) << c.text;
    }
}

TEST(SettingsOk, AnIntervalBelowFiveMinutesBecomesFiveWithOneMessage) {
    for (const char* typed : {"0", "4", "", "-20"}) {
        auto form = FormWith({});
        AppSettings s;
        SetDefaultSettings(s);
        OkFields f = DefaultFields();
        f.uptimer = typed;
        RecordingMessageBoxes messages;
        ReadSettingsOk(*form, f, s, ScreenMetrics(), messages);
        EXPECT_EQ(5, s.uptimer) << typed;
        ASSERT_EQ(1u, messages.shown.size()) << typed;
        EXPECT_EQ("更新頻度は5分未満に出来ません。\n5分に変更されました。", messages.shown[0].text);
        EXPECT_EQ("自動修正", messages.shown[0].title);
        EXPECT_EQ(MessageIcon::Information, messages.shown[0].icon);
    }
}

TEST(SettingsOk, WindowTopIsClampedWithTheHeightInForceBeforeOk) {
    auto form = FormWith({});
    AppSettings s;
    SetDefaultSettings(s);  // scroll mode, fsize 18: 27 pixels high
    OkFields f = DefaultFields();
    f.winY = "5000";
    f.scrollf = false;  // page mode at 40 pixels would be 90 high
    f.fsize = "40";
    RecordingMessageBoxes messages;
    ReadSettingsOk(*form, f, s, ScreenMetrics(), messages);
    EXPECT_EQ(774 - 27, s.winY);
    EXPECT_EQ(0, s.scrollf);
    EXPECT_EQ(40, s.fsize);
}

TEST(SettingsOk, ColoursCheckBoxesWeightAndFace) {
    auto form = FormWith({});
    SelectColour(*form, kColourFrame);
    ScrollColour(*form, 2, ScrollCode::Thumb, 7);
    AppSettings s;
    SetDefaultSettings(s);
    OkFields f = DefaultFields();
    f.wintop = f.scrollf = f.savepos = f.bold = false;
    f.mousesche = true;
    f.hasFace = true;
    f.face = "ＭＳ ゴシック";
    RecordingMessageBoxes messages;
    ReadSettingsOk(*form, f, s, ScreenMetrics(), messages);
    EXPECT_EQ(7, s.rectB);
    EXPECT_EQ(112, s.backR);
    EXPECT_EQ((std::vector<int>{0, 0, 1, 0}),
              (std::vector<int>{s.wintop, s.scrollf, s.mousesche, s.savepos}));
    EXPECT_EQ(400, s.ftype);  // was 700
    EXPECT_STREQ("ＭＳ ゴシック", s.fontface);

    // A weight that is neither bold nor normal stays unless "太字" is checked.
    s.ftype = 500;
    ReadSettingsOk(*form, f, s, ScreenMetrics(), messages);
    EXPECT_EQ(500, s.ftype);
    f.bold = true;
    ReadSettingsOk(*form, f, s, ScreenMetrics(), messages);
    EXPECT_EQ(700, s.ftype);
}

TEST(SettingsOk, RefusedWhileBusyWithListEditsOrOverTwoThousandArticles) {
    RecordingMessageBoxes messages;
    auto fits = FormWith({1000, 1000});
    EXPECT_EQ(OkCheck::Proceed, CheckSettingsOk(*fits, true, messages));
    EXPECT_EQ(OkCheck::Proceed, CheckSettingsOk(*fits, false, messages));  // no list edits
    fits->listChanged = true;
    EXPECT_EQ(OkCheck::Busy, CheckSettingsOk(*fits, false, messages));
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("現在作業中です。完了までお待ちください。", messages.shown[0].text);
    EXPECT_EQ("作業中", messages.shown[0].title);

    auto over = FormWith({1000, 1000, 1});
    EXPECT_EQ(OkCheck::TooManyArticles, CheckSettingsOk(*over, true, messages));
    ASSERT_EQ(2u, messages.shown.size());
    EXPECT_EQ("合計最大記事数は2000件以下にしてください。\n現在2001件あります。", messages.shown[1].text);
    EXPECT_EQ("件数超過", messages.shown[1].title);
    EXPECT_EQ(MessageIcon::Warning, messages.shown[1].icon);
    EXPECT_EQ("2001件", TotalText(over->feeds));

    // Maxima from a hand-written file cannot overflow the total.
    auto huge = FormWith({2147483647, 2147483647});
    EXPECT_EQ(OkCheck::TooManyArticles, CheckSettingsOk(*huge, true, messages));
    EXPECT_EQ("4294967294件", TotalText(huge->feeds));
}

TEST(SettingsOk, AnEditedListStartsACacheOnlyCycleOtherwiseAnIdleDisplayRecounts) {
    EXPECT_EQ(AfterOk::CacheOnlyCycle, NextStepAfterOk(true, true));
    EXPECT_EQ(AfterOk::CacheOnlyCycle, NextStepAfterOk(true, false));
    EXPECT_EQ(AfterOk::Recount, NextStepAfterOk(false, true));
    EXPECT_EQ(AfterOk::Nothing, NextStepAfterOk(false, false));
}

TEST(SettingsOk, MeasuredFontHeightReplacesTheSizeWithinItsRange) {
    AppSettings s;
    SetDefaultSettings(s);
    const int cases[][3] = {{18, 18, 18}, {18, 19, 19}, {12, 11, 12}, {64, 70, 64}, {20, 0, 12}};
    for (const auto& c : cases) {
        s.fsize = c[0];
        SettleFontSize(s, c[1]);
        EXPECT_EQ(c[2], s.fsize) << c[0] << " measured " << c[1];
    }
}

// ---- The feed list ------------------------------------------------------------------------

TEST(SettingsList, AddNeedsANameAUrlLongerThanTheSchemeAndRoom) {
    auto form = FormWith({});
    struct {
        const char* site;
        const char* url;
        bool added;
    } cases[] = {
        {"", "http://a.test/", false},
        {"A", "http://", false},
        {"A", "http://a", true},
        {"日本", "http://日", true},  // characters, not bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.added, AddFeed(*form, c.site, c.url, "5").done) << c.site << " " << c.url;
        ListButtons typed = EnabledByTyping(*form, c.site, c.url);
        EXPECT_EQ(c.added, typed.add) << c.url;
    }
    EXPECT_EQ(2, form->feeds.count);
    EXPECT_TRUE(form->listChanged);
    EXPECT_EQ(1, form->selection);  // the new line is selected

    auto full = FormWith(std::vector<int>(100, 1));
    EXPECT_FALSE(AddFeed(*full, "A", "http://a.test/", "1").done);
    EXPECT_EQ(100, full->feeds.count);
    EXPECT_FALSE(full->listChanged);
}

TEST(SettingsList, AddAndChangeTakeANegativeMaximumAsZeroAndCutLongTexts) {
    auto form = FormWith({});
    EditResult added =
        AddFeed(*form, std::string(300, 'n').c_str(), ("http://" + std::string(300, 'u')).c_str(), "-4");
    ASSERT_TRUE(added.done);
    EXPECT_TRUE(added.maximumShownAsZero);
    EXPECT_EQ(0, form->feeds.maximum[0]);
    EXPECT_EQ(255u, std::string(form->feeds.site[0]).size());
    EXPECT_EQ(255u, std::string(form->feeds.url[0]).size());
    EXPECT_TRUE(added.buttons.up && added.buttons.down && added.buttons.remove);
    EXPECT_FALSE(added.buttons.add || added.buttons.change);
    EXPECT_EQ("（0）" + std::string(255, 'n'), FeedLine(form->feeds, 0));
    EXPECT_EQ(10 * static_cast<int>(FeedLine(form->feeds, 0).size()), ListExtent(form->feeds));

    EXPECT_FALSE(ChangeFeed(*FormWith({1}), "B", "http://b.test/", "3").done);  // nothing selected
    EditResult changed = ChangeFeed(*form, "B", "http://b.test/", "12");
    ASSERT_TRUE(changed.done);
    EXPECT_FALSE(changed.maximumShownAsZero);
    EXPECT_STREQ("B", form->feeds.site[0]);
    EXPECT_EQ(12, form->feeds.maximum[0]);
    EXPECT_EQ(0, form->selection);
    EXPECT_TRUE(EnabledByTyping(*form, "B", "http://b.test/").change);
}

TEST(SettingsList, DeleteKeepsThePositionOrTakesThePreviousLine) {
    struct {
        int feeds, selected;
        int selectionAfter;
        FieldsShown fields;
    } cases[] = {
        {3, 0, 0, FieldsShown::Feed},
        {3, 1, 1, FieldsShown::Feed},
        {3, 2, 1, FieldsShown::Feed},  // the last line: the new last line
        {1, 0, -1, FieldsShown::Cleared},
    };
    for (const auto& c : cases) {
        auto form = FormWith(std::vector<int>(static_cast<size_t>(c.feeds), 1));
        SelectFeed(*form, c.selected);
        EditResult result = DeleteFeed(*form);
        ASSERT_TRUE(result.done);
        EXPECT_EQ(c.feeds - 1, form->feeds.count);
        EXPECT_EQ(c.selectionAfter, form->selection) << c.feeds << " " << c.selected;
        EXPECT_EQ(c.fields, result.fields);
        EXPECT_EQ(c.feeds > 1, result.buttons.remove);
        EXPECT_TRUE(form->listChanged);
        if (c.feeds == 3) {
            // Later feeds moved up one place.
            std::vector<std::string> left;
            for (int i = 0; i < form->feeds.count; ++i) left.push_back(form->feeds.site[i]);
            std::vector<std::string> all = {"site0", "site1", "site2"};
            all.erase(all.begin() + c.selected);
            EXPECT_EQ(all, left);
        }
    }
}

TEST(SettingsList, TheDeleteKeyRemovesNothingWhileAnEditFieldHasTheFocus) {
    auto form = FormWith({1, 2});
    EXPECT_FALSE(DeleteFeed(*form).done);  // nothing selected
    SelectFeed(*form, 0);
    EditFieldFocus(*form, true);
    EXPECT_FALSE(DeleteFeed(*form).done);
    EXPECT_EQ(2, form->feeds.count);
    EditFieldFocus(*form, false);
    EXPECT_TRUE(DeleteFeed(*form).done);
    EXPECT_EQ(1, form->feeds.count);
}

TEST(SettingsList, UpAndDownSwapWithTheNeighbourButNotPastTheEnds) {
    auto form = FormWith({1, 2, 3});
    SelectFeed(*form, 0);
    EXPECT_FALSE(MoveFeed(*form, -1).done);
    EXPECT_TRUE(MoveFeed(*form, +1).done);
    EXPECT_EQ(1, form->selection);
    EXPECT_STREQ("site0", form->feeds.site[1]);
    EXPECT_EQ(1, form->feeds.maximum[1]);
    EXPECT_STREQ("site1", form->feeds.site[0]);
    EXPECT_TRUE(MoveFeed(*form, +1).done);
    EXPECT_FALSE(MoveFeed(*form, +1).done);  // now the last line
    EXPECT_EQ(2, form->selection);
    EXPECT_TRUE(MoveFeed(*form, -1).done);
    EXPECT_EQ(1, form->selection);
    EXPECT_EQ(6, TotalOfMaxima(form->feeds));
}

// ---- Colours, previews, hint, fonts ------------------------------------------------------------

TEST(SettingsColours, ScrollCodesMoveTheSelectedColourWithin0To255) {
    auto form = FormWith({});
    SelectColour(*form, kColourText1);  // 255, 222, 119
    struct {
        int component;
        ScrollCode code;
        int thumb;
        int expected;
    } cases[] = {
        {0, ScrollCode::LineRight, 0, 255}, {0, ScrollCode::LineLeft, 0, 254},
        {0, ScrollCode::PageLeft, 0, 238},  {1, ScrollCode::PageRight, 0, 238},
        {1, ScrollCode::PageRight, 0, 254}, {1, ScrollCode::PageRight, 0, 255},
        {2, ScrollCode::Thumb, 3, 3},       {2, ScrollCode::PageLeft, 0, 0},
        {2, ScrollCode::Other, 99, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, ScrollColour(*form, c.component, c.code, c.thumb));
    EXPECT_EQ((std::vector<int>{238, 255, 0}),
              (std::vector<int>{form->colours[1][0], form->colours[1][1], form->colours[1][2]}));
    EXPECT_EQ(112, form->colours[kColourBack][0]);  // the other colours are untouched
}

TEST(SettingsPreview, OutOfRangeValuesFallBackToThoseAtOpening) {
    auto form = FormWith({});  // disptimer 2, scrolldiv 5, toumeido 300
    EXPECT_EQ(1, LiveDisptimer(*form, 10));
    EXPECT_EQ(2, LiveDisptimer(*form, 11));
    EXPECT_EQ(2, LiveDisptimer(*form, 0));  // 11 is no speed
    EXPECT_EQ(99, LiveScrolldiv(*form, 99));
    EXPECT_EQ(5, LiveScrolldiv(*form, 101));
    EXPECT_EQ(50, LiveToumeido(*form, 25));
    EXPECT_EQ(300, LiveToumeido(*form, 0));
    EXPECT_EQ(300, LiveToumeido(*form, 26));
    AppSettings s;
    SetDefaultSettings(s);
    s.disptimer = 9, s.scrolldiv = 40, s.toumeido = 60;
    RestorePreviewedSettings(*form, s);
    EXPECT_EQ((std::vector<int>{2, 5, 300}), (std::vector<int>{s.disptimer, s.scrolldiv, s.toumeido}));
    EXPECT_EQ(9, ShownSpeed(s));
    EXPECT_EQ(0, ShownTransparency(s));

    EXPECT_FALSE(UpdateWorkingWeight(*form, true));  // already bold
    EXPECT_TRUE(UpdateWorkingWeight(*form, false));
    EXPECT_EQ(400, form->workingWeight);
    EXPECT_FALSE(UpdateWorkingWeight(*form, false));
}

TEST(SettingsHint, LargestPositionsKeepTheTickerOnTheScreen) {
    ScreenMetrics screen;
    EXPECT_EQ("x=0～430, y=0～747", PositionHint(screen, 600, 18, 1));
    EXPECT_EQ("x=0～430, y=0～728", PositionHint(screen, 600, 18, 0));
    screen.left = -1280;  // a second monitor on the left: the hint counts from 0 all the same
    EXPECT_EQ("x=0～1030, y=0～747", PositionHint(screen, 0, 18, 1));
}

TEST(SettingsFonts, ShiftJisFacesWithoutTheVerticalOnesAndTheSavedFaceSelected) {
    EXPECT_TRUE(IsListedFontFace(128, "ＭＳ ゴシック"));
    EXPECT_TRUE(IsListedFontFace(128, "IPAGothic"));  // named in English on a non-Japanese system
    EXPECT_FALSE(IsListedFontFace(128, "@ＭＳ ゴシック"));
    EXPECT_FALSE(IsListedFontFace(0, "Arial"));
    EXPECT_FALSE(IsListedFontFace(1, "ＭＳ ゴシック"));
    const std::vector<std::string> faces = {"IPAGothic", "MS Gothic", "ＭＳ Ｐゴシック"};
    EXPECT_EQ(2, FaceToSelect(faces, "ＭＳ Ｐゴシック"));
    EXPECT_EQ(0, FaceToSelect(faces, "ms gothic"));  // case-sensitive: the first entry
    EXPECT_EQ(-1, FaceToSelect({}, "MS Gothic"));
}

}  // namespace

#include "config/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "support/test_platform.h"

namespace {

const char kDefaultFile[] =
    "winX=230\r\nwinY=0\r\nwidth=600\r\nschecx=400\r\nschecy=300\r\nxmove=100\r\nscrollf=1\r\n"
    "backR=112\r\nbackG=112\r\nbackB=96\r\nrectR=188\r\nrectG=188\r\nrectB=82\r\n"
    "text1R=255\r\ntext1G=222\r\ntext1B=119\r\ntext2R=248\r\ntext2G=246\r\ntext2B=192\r\n"
    "upday=2\r\nwintop=1\r\nmousesche=0\r\nfsize=18\r\nuptimer=90\r\n"
    "ifmodified=If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT\r\n"
    "fontface=ＭＳ Ｐゴシック\r\n"
    "ftype=700\r\nscrolldiv=5\r\ntoumeido=300\r\nalerttime=3\r\ndisptimer=2\r\nsavepos=1\r\n"
    // A key of this program's own, after every key older copies write.
    "hoverstop=0\r\n";

AppSettings Defaults() {
    AppSettings s;
    SetDefaultSettings(s);
    return s;
}

AppSettings Applied(const std::string& text) {
    AppSettings s = Defaults();
    ApplySettingsText(s, text.c_str(), static_cast<int>(text.size()));
    return s;
}

class FakeLegacy : public LegacySettingsStore {
  public:
    bool Open() override { return exists; }
    bool ReadInt(const char* name, int32_t& value) override {
        reads.push_back(name);
        if (std::string(name) == "winX") return value = 345, true;
        if (std::string(name) == "fsize") return value = 30, true;
        if (std::string(name) == "toumeido") return value = 90, true;  // never asked for
        return false;
    }
    bool ReadText(const char* name, char* dest, int size) override {
        if (std::string(name) != "fontface") return false;
        CopyCut(dest, static_cast<size_t>(size), "IPAGothic");
        return true;
    }
    void CloseAndDelete() override { deleted = true; }
    void Close() override { closed = true; }
    bool exists = true;
    bool deleted = false;
    bool closed = false;
    std::vector<std::string> reads;
};

TEST(SettingsFile, FirstStartWritesEveryLineWithDefaults) {
    TestPlatform p;
    AppSettings s = Defaults();
    EXPECT_EQ(0, LoadSettings(s, p.platform, nullptr));
    std::string file = p.folder.Read("Newsroller.ini");
    EXPECT_EQ(std::string(kDefaultFile), file);
    EXPECT_EQ(0u, file.find("winX=230\r\n"));
    size_t lines = 0;
    for (size_t at = file.find("\r\n"); at != std::string::npos; at = file.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(33u, lines);
    EXPECT_EQ(std::vector<std::string>{"Newsroller.ini"}, p.folder.List());
    EXPECT_TRUE(p.messages.shown.empty());
}

TEST(SettingsFile, LegacyValuesAreImportedThenTheKeyDeleted) {
    TestPlatform p;
    AppSettings s = Defaults();
    FakeLegacy legacy;
    EXPECT_EQ(0, LoadSettings(s, p.platform, &legacy));
    EXPECT_EQ(345, s.winX);
    EXPECT_EQ(30, s.fsize);
    EXPECT_EQ(300, s.toumeido);
    EXPECT_STREQ("IPAGothic", s.fontface);
    EXPECT_EQ(22u, legacy.reads.size());
    EXPECT_TRUE(legacy.deleted);
    std::string file = p.folder.Read("Newsroller.ini");
    EXPECT_EQ(0u, file.find("winX=345\r\n"));
    EXPECT_NE(std::string::npos, file.find("\r\nfontface=IPAGothic\r\n"));
}

TEST(SettingsFile, LegacyKeyIsKeptWhenTheFileCannotBeWritten) {
    TestPlatform p;
    // A read-only settings file is treated as missing, and cannot be replaced.
    p.folder.Write("Newsroller.ini", "winX=1\r\n");
    chmod(p.folder.File("Newsroller.ini").c_str(), 0444);
    AppSettings s = Defaults();
    FakeLegacy legacy;
    EXPECT_EQ(0, LoadSettings(s, p.platform, &legacy));
    EXPECT_EQ(345, s.winX);
    EXPECT_FALSE(legacy.deleted);
    EXPECT_TRUE(legacy.closed);
    ASSERT_EQ(1u, p.messages.shown.size());
    EXPECT_EQ("Newsroller.iniファイルをオープンできませんでした。", p.messages.shown[0].text);
    EXPECT_EQ("OPEN ERROR", p.messages.shown[0].title);
    EXPECT_EQ(MessageIcon::Error, p.messages.shown[0].icon);
    EXPECT_EQ("winX=1\r\n", p.folder.Read("Newsroller.ini"));
    EXPECT_EQ(std::vector<std::string>{"Newsroller.ini"}, p.folder.List());
}

TEST(SettingsFile, WhatWasSavedLoadsBackTheSame) {
    TestPlatform p;
    AppSettings s = Defaults();
    int32_t AppSettings::*fields[] = {
        &AppSettings::winX,      &AppSettings::winY,      &AppSettings::width,    &AppSettings::schecx,
        &AppSettings::schecy,    &AppSettings::xmove,     &AppSettings::scrollf,  &AppSettings::backR,
        &AppSettings::backG,     &AppSettings::backB,     &AppSettings::rectR,    &AppSettings::rectG,
        &AppSettings::rectB,     &AppSettings::text1R,    &AppSettings::text1G,   &AppSettings::text1B,
        &AppSettings::text2R,    &AppSettings::text2G,    &AppSettings::text2B,   &AppSettings::upday,
        &AppSettings::wintop,    &AppSettings::mousesche, &AppSettings::fsize,    &AppSettings::uptimer,
        &AppSettings::ftype,     &AppSettings::scrolldiv, &AppSettings::toumeido, &AppSettings::alerttime,
        &AppSettings::disptimer, &AppSettings::savepos,   &AppSettings::hoverstop};
    int32_t value = -7;
    for (auto field : fields) s.*field = value += 13;
    s.winX = INT32_MIN;
    s.winY = INT32_MAX;
    CopyCut(s.ifmodified, sizeof s.ifmodified, "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT");
    CopyCut(s.fontface, sizeof s.fontface, "ＭＳ ゴシック");
    ASSERT_EQ(0, SaveSettings(s, p.platform));
    AppSettings loaded = Defaults();
    ASSERT_EQ(0, LoadSettings(loaded, p.platform, nullptr));
    for (auto field : fields) EXPECT_EQ(s.*field, loaded.*field);
    EXPECT_STREQ(s.ifmodified, loaded.ifmodified);
    EXPECT_STREQ(s.fontface, loaded.fontface);
    EXPECT_EQ(FormatSettingsText(s), p.folder.Read("Newsroller.ini"));
}

TEST(SettingsText, KeysAreFoundAnywhereInAnyCaseAndTheFirstWins) {
    AppSettings s = Applied("WINX=5\r\nwidth=700\r\nwidth=800\r\n# fsize=30\r\nfsize=40\r\nmy-xmove=44\r\n");
    EXPECT_EQ(5, s.winX);
    EXPECT_EQ(700, s.width);
    EXPECT_EQ(30, s.fsize);  // the first occurrence need not start a line
    EXPECT_EQ(44, s.xmove);
    EXPECT_EQ(0, s.winY);
    EXPECT_EQ(90, s.uptimer);  // missing: default
    EXPECT_EQ(0, s.hoverstop);
    EXPECT_EQ(1, Applied("savepos=0\r\nhoverstop=1\r\n").hoverstop);
}

TEST(SettingsText, AKeyNeedsThreeBytesAfterIt) {
    EXPECT_EQ(1, Applied("wintop=0\r\nsavepos=0").savepos);
    EXPECT_EQ(1, Applied("wintop=0\r\nsavepos=0\r").savepos);
    EXPECT_EQ(0, Applied("wintop=0\r\nsavepos=0\r\n").savepos);
    EXPECT_EQ(1, Applied("wintop=0\r\nsavepos=07").savepos);
    EXPECT_EQ(7, Applied("wintop=0\r\nsavepos=007").savepos);
}

TEST(SettingsText, NumbersConvertLikeTheStandardConversion) {
    AppSettings s = Applied(
        "winY= -15px\r\nwidth=\r\nfsize=big\r\nxmove=+12\r\nupday=99999999999\r\nschecx=-99999999999\r\n");
    EXPECT_EQ(-15, s.winY);
    EXPECT_EQ(0, s.width);
    EXPECT_EQ(0, s.fsize);
    EXPECT_EQ(12, s.xmove);
    EXPECT_EQ(INT32_MAX, s.upday);
    EXPECT_EQ(INT32_MIN, s.schecx);
}

TEST(SettingsText, OverlongValuesKeepTheCurrentValue) {
    std::string spaces99 = std::string(97, ' ') + "77";
    std::string spaces100 = std::string(98, ' ') + "77";
    EXPECT_EQ(77, Applied("fsize=" + spaces99 + "\r\n").fsize);
    EXPECT_EQ(18, Applied("fsize=" + spaces100 + "\r\n").fsize);

    const std::string header = "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT";
    ASSERT_EQ(48u, header.size());
    EXPECT_EQ(header, Applied("ifmodified=" + header + "\r\n").ifmodified);
    EXPECT_STREQ(kDefaultIfModified, Applied("ifmodified=" + header.substr(1) + "\r\n").ifmodified);
    EXPECT_STREQ(kDefaultIfModified, Applied("ifmodified=" + header + "X\r\n").ifmodified);

    EXPECT_EQ(std::string(127, 'f'), Applied("fontface=" + std::string(127, 'f') + "\r\n").fontface);
    EXPECT_STREQ("ＭＳ Ｐゴシック", Applied("fontface=" + std::string(128, 'f') + "\r\n").fontface);
    EXPECT_STREQ("", Applied("fontface=\r\nwinX=1\r\n").fontface);
}

TEST(SettingsFile, TooLargeFileIsRefusedAndLeftAlone) {
    TestPlatform p;
    std::string big = "winX=5\r\n" + std::string(51200 - 8, ' ');
    p.folder.Write("Newsroller.ini", big);
    AppSettings s = Defaults();
    EXPECT_EQ(-1, LoadSettings(s, p.platform, nullptr));
    EXPECT_EQ(230, s.winX);
    ASSERT_EQ(1u, p.messages.shown.size());
    // The message goes on to say where the refused file was kept.
    EXPECT_EQ(0u, p.messages.shown[0].text.find(
                      "Newsroller.iniファイルが大きすぎるため設定を取得できませんでした。"));
    EXPECT_NE(std::string::npos, p.messages.shown[0].text.find("Newsroller.ini.bak"));
    EXPECT_EQ("SIZE ERROR", p.messages.shown[0].title);
    EXPECT_EQ(big, p.folder.Read("Newsroller.ini"));

    p.folder.Write("Newsroller.ini", "winX=6\r\n" + std::string(51199 - 8, ' '));
    EXPECT_EQ(0, LoadSettings(s, p.platform, nullptr));
    EXPECT_EQ(6, s.winX);
    EXPECT_EQ(1u, p.messages.shown.size());
}

TEST(NormalizeSettings, BringsLoadedValuesIntoRange) {
    ScreenMetrics screen;  // 1024 x 768 at 0,0, frames 3
    AppSettings s = Applied(
        "uptimer=5\r\nfsize=big\r\nwidth=5000\r\nwinX=-40\r\nwinY=2000\r\nupday=0\r\n"
        "xmove=3\r\ndisptimer=11\r\nscrolldiv=0\r\ntoumeido=40\r\n");
    NormalizeSettings(s, screen);
    EXPECT_EQ(20, s.uptimer);
    EXPECT_EQ(12, s.fsize);
    EXPECT_EQ(1030, s.width);
    EXPECT_EQ(0, s.winX);
    EXPECT_EQ(768 + 6 - 9, s.winY);  // window height from fsize 0 as loaded, scroll mode
    EXPECT_EQ(1, s.upday);
    EXPECT_EQ(10, s.xmove);
    EXPECT_EQ(10, s.disptimer);
    EXPECT_EQ(1, s.scrolldiv);
    EXPECT_EQ(50, s.toumeido);

    AppSettings t = Applied(
        "width=10\r\nwinX=2000\r\nwinY=-5\r\nfsize=100\r\nscrollf=0\r\ntoumeido=999\r\n"
        "scrolldiv=101\r\ndisptimer=0\r\n");
    ScreenMetrics virtualScreen;
    virtualScreen.left = -1280;
    virtualScreen.top = -100;
    virtualScreen.width = 2304;
    virtualScreen.height = 1024;
    NormalizeSettings(t, virtualScreen);
    EXPECT_EQ(50, t.width);
    EXPECT_EQ(-1280 + 2304 + 6 - 50, t.winX);
    EXPECT_EQ(-5, t.winY);
    EXPECT_EQ(64, t.fsize);
    EXPECT_EQ(300, t.toumeido);
    EXPECT_EQ(100, t.scrolldiv);
    EXPECT_EQ(1, t.disptimer);

    AppSettings u = Applied("winY=500\r\nfsize=300\r\nscrollf=0\r\n");
    NormalizeSettings(u, screen);
    EXPECT_EQ(768 + 6 - 610, u.winY);  // 2 x 300 + 10, before fsize is brought to 64
}

TEST(NormalizeSettings, ExtremeValuesStayDefined) {
    AppSettings s = Applied(
        "winX=2147483647\r\nwinY=2147483647\r\nwidth=-2147483648\r\nfsize=2147483647\r\n"
        "scrollf=0\r\n");
    NormalizeSettings(s, ScreenMetrics{});
    EXPECT_EQ(50, s.width);
    EXPECT_EQ(1024 + 6 - 50, s.winX);
    EXPECT_EQ(INT32_MIN, s.winY);  // the window is taller than any screen
    EXPECT_EQ(64, s.fsize);
}

}  // namespace

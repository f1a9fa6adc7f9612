#include "config/settings.h"

#include <cstring>

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

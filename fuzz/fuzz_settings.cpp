// Settings text: any bytes apply without fault, what is written reads back the same, and the
// normalised record is in range.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 51200) return 0;                                  // the loader refuses such files
    std::string text(reinterpret_cast<const char*>(data), size);  // a zero byte follows the text
    AppSettings settings;
    SetDefaultSettings(settings);
    ApplySettingsText(settings, text.c_str(), static_cast<int>(text.size()));

    // A text value holding "=" or "<" (a CDATA opening) can hide a later key from the key search;
    // every other record survives a write and a read unchanged.
    std::string written = FormatSettingsText(settings);
    if (!strpbrk(settings.ifmodified, "=<") && !strpbrk(settings.fontface, "=<")) {
        AppSettings again;
        SetDefaultSettings(again);
        ApplySettingsText(again, written.c_str(), static_cast<int>(written.size()));
        if (FormatSettingsText(again) != written) abort();
    }

    ScreenMetrics screen;
    NormalizeSettings(settings, screen);
    if (settings.fsize < 12 || settings.fsize > 64 || settings.uptimer < 20 || settings.upday < 1 ||
        settings.xmove < 10 || settings.disptimer < 1 || settings.disptimer > 10 || settings.scrolldiv < 1 ||
        settings.scrolldiv > 100 || settings.toumeido < 50 || settings.toumeido > 300 ||
        settings.width < 50 || settings.width > screen.width + 2 * screen.frameX ||
        settings.winX < screen.left) {
        abort();
    }
    return 0;
}

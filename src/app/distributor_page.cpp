#include "app/distributor_page.h"

#include "app/app.h"

const char kGuideFileName[] = "はじめにお読みください.txt";

void OpenDistributorPage(App& app, const char* page) {
    Platform& platform = app.platform;
    if (page[0] != '\0') {
        if (!platform.shell.Open(page)) {
            platform.messages.Show("配布元のページを開けませんでした。", "OPEN ERROR", MessageIcon::Error);
        }
        return;
    }
    if (platform.files.Probe(kGuideFileName).access == FileAccess::Missing) {
        platform.messages.Show(
            "はじめにお読みください.txtが見つかりません。\r\n"
            "Newsroller.exeと同じフォルダーに、zipファイルから展開し直してください。",
            "OPEN ERROR", MessageIcon::Error);
        return;
    }
    if (!platform.shell.OpenProgramFile(kGuideFileName)) {
        platform.messages.Show("はじめにお読みください.txtを開けませんでした。\r\nメモ帳で開いてください。",
                               "OPEN ERROR", MessageIcon::Error);
    }
}

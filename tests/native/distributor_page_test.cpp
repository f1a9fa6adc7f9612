// "配布元サイトを開く": the build's page, else the guide beside the exe; a message when nothing opened.
#include <gtest/gtest.h>

#include "app/distributor_page.h"
#include "support/app_fixture.h"

TEST(DistributorPageTest, OpensThePageOrTheGuideAndSaysWhenNothingOpened) {
    const char* page = "https://example.jp/newsroller/";
    const struct {
        const char* page;
        bool guideThere, shellOpens;
        size_t opened, openedFiles;
        const char* message;  // the start of the message shown; "" for none
    } cases[] = {
        {page, false, true, 1, 0, ""},
        {page, true, false, 1, 0, "配布元のページを開けませんでした。"},
        {"", true, true, 0, 1, ""},
        {"", false, true, 0, 0, "はじめにお読みください.txtが見つかりません。"},
        {"", true, false, 0, 1, "はじめにお読みください.txtを開けませんでした。"},
    };
    for (const auto& c : cases) {
        AppFixture f;
        if (c.guideThere) f.test.folder.Write(kGuideFileName, "Newsroller\r\n");
        f.test.shell.opens = c.shellOpens;
        OpenDistributorPage(*f.app, c.page);
        EXPECT_EQ(std::vector<std::string>(c.opened, page), f.test.shell.opened);
        EXPECT_EQ(std::vector<std::string>(c.openedFiles, kGuideFileName), f.test.shell.openedFiles);
        std::string shown = f.test.messages.shown.empty() ? "" : f.test.messages.shown[0].text;
        EXPECT_EQ(0u, shown.find(c.message)) << c.page << " " << c.guideThere << " " << shown;
        EXPECT_EQ(c.message[0] ? 1u : 0u, f.test.messages.shown.size());
    }
}

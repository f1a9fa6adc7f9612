// "配布元サイトを開く": the distributor's page when the build names one, else the guide beside the exe,
// and a message whenever nothing could be opened.
#include <gtest/gtest.h>

#include "app/distributor_page.h"
#include "support/app_fixture.h"

namespace {

struct Case {
    const char* name;
    const char* page;
    bool guideThere;
    bool shellOpens;
    std::vector<std::string> opened;       // addresses handed to the shell
    std::vector<std::string> openedFiles;  // files of the program's folder handed to it
    const char* message;                   // the start of the message shown, or null
};

TEST(DistributorPageTest, OpensThePageOrTheGuideAndSaysWhenNothingOpened) {
    const char* page = "https://example.jp/newsroller/";
    const Case cases[] = {
        {"page", page, true, true, {page}, {}, nullptr},
        {"page the shell cannot open", page, false, false, {page}, {}, "配布元のページを開けませんでした。"},
        {"no page: the guide", "", true, true, {}, {kGuideFileName}, nullptr},
        {"no page, no guide", "", false, true, {}, {}, "はじめにお読みください.txtが見つかりません。"},
        {"no page, nothing opens the guide",
         "",
         true,
         false,
         {},
         {kGuideFileName},
         "はじめにお読みください.txtを開けませんでした。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppFixture f;
        if (c.guideThere) f.test.folder.Write(kGuideFileName, "Newsroller\r\n");
        f.test.shell.opens = c.shellOpens;
        OpenDistributorPage(*f.app, c.page);
        EXPECT_EQ(c.opened, f.test.shell.opened);
        EXPECT_EQ(c.openedFiles, f.test.shell.openedFiles);
        if (!c.message) {
            EXPECT_TRUE(f.test.messages.shown.empty());
            continue;
        }
        ASSERT_EQ(1u, f.test.messages.shown.size());
        EXPECT_EQ(0u, f.test.messages.shown[0].text.find(c.message)) << f.test.messages.shown[0].text;
        EXPECT_EQ("OPEN ERROR", f.test.messages.shown[0].title);
    }
}

}  // namespace

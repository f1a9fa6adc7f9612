#pragma once
// An application object over the native stand-ins, reset as the ticker window's creation resets it,
// with a helper that fills the article table.
#include <memory>
#include <string>

#include "app/app.h"
#include "support/test_platform.h"

class AppFixture {
  public:
    AppFixture() : app(std::make_unique<App>(test.platform)) { ResetApp(*app); }

    // Appends an article `age` days older than app->today; returns its index.
    int AddArticle(const std::string& site, const std::string& title, int age = 0,
                   const std::string& link = "http://example.com/a.html") {
        ArticleEntry& a = app->articles.slot[app->articles.count];
        CopyCut(a.site, sizeof a.site, site.c_str());
        CopyCut(a.title, sizeof a.title, title.c_str());
        CopyCut(a.link, sizeof a.link, link.c_str());
        a.day = app->today - age;
        return app->articles.count++;
    }

    TestPlatform test;
    std::unique_ptr<App> app;
};

#include "report/article_page.h"

#include <cstring>
#include <string>

#include "app/app.h"
#include "config/file_text.h"
#include "config/markup_escape.h"
#include "net/links.h"

const char kArticlePageFileName[] = "index.html";

namespace {

std::string Escaped(const char* text) {
    char target[kEscapedSize];
    EscapeForMarkup(text, target);
    return target;
}

bool SameSite(const ArticleEntry& a, const ArticleEntry& b) {
    return strncmp(a.site, b.site, kSlotSize) == 0;
}

const char kPageHead[] =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
    "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
    "<html>\r\n"
    "<head>\r\n";

const char kPageStyle[] =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\r\n"
    "<meta http-equiv=\"content-style-type\" content=\"text/css\">\r\n"
    "<style type=\"text/css\">\r\n"
    "body {font-size:75%;color:#505050;line-height:150%;letter-spacing:1px;background-color:#ffffff;}\r\n"
    "</style>\r\n"
    "</head>\r\n"
    "<body>\r\n";

}  // namespace

int WriteArticlePage(App& app, int mode) {
    std::string page;
    page.reserve(64 * 1024);
    page += kPageHead;
    page += "<title>Newsroller [";
    if (mode == 1) {
        AppendFormat(page, "%d日以内の記事", app.settings.upday);
    } else {
        page += "全ての記事";
    }
    page += "]</title>\r\n";
    page += kPageStyle;

    // A finished cycle's table is written even while the ticker still shows the one before it.
    const ArticleTable& table = NewestArticles(app);
    int count = table.count < kArticleCapacity ? table.count : kArticleCapacity;
    int considered[kArticleCapacity];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        if (mode != 1 || IsShownDay(app, table.slot[i].day)) considered[n++] = i;
    }

    bool listOpen = false;
    for (int k = 0; k < n; ++k) {
        if (page.size() > kPageTextLimit) break;
        const ArticleEntry& article = table.slot[considered[k]];
        if (k == 0 || !SameSite(article, table.slot[considered[k - 1]])) {
            page += "<big><b>　[" + Escaped(article.site) + "]</b></big><br>\r\n";
        }
        if (strnlen(article.title, 2) > 1) {
            if (!listOpen) {
                page += "<ul>\r\n";
                listOpen = true;
            }
            if (IsWebLink(article.link)) {
                page += "<li><a href=\"" + Escaped(article.link) + "\">" + Escaped(article.title) +
                        "</a></li>\r\n";
            } else {
                // Any other address is shown as text beside the title, never as a link.
                page += "<li>" + Escaped(article.title);
                if (article.link[0] != '\0') page += " (" + Escaped(article.link) + ")";
                page += "</li>\r\n";
            }
        }
        // The group's list closes after its last article, also when that article had no item.
        bool groupEnds = k + 1 == n || !SameSite(article, table.slot[considered[k + 1]]);
        if (groupEnds && listOpen) {
            page += "</ul>\r\n";
            listOpen = false;
        }
    }
    if (listOpen) page += "</ul>\r\n";  // the walk stopped at the size limit
    page += "</body></html>\r\n";

    return WriteProgramFile(app.platform, kArticlePageFileName, page,
                            "index.htmlファイルをオープンできませんでした。");
}

#include "config/feed_lookup.h"

#include <cstdio>

#include "net/conditional_header.h"

const char* const kUsualFeedPaths[7] = {"/feed",     "/rss",     "/index.xml", "/atom.xml",
                                        "/feed.xml", "/rss.xml", "/index.rdf"};

const char kNoFeedMessage[] =
    "このサイトにはフィード（RSS）が見つかりませんでした。\r\n"
    "サイトのページにある「RSS」や「フィード」のリンクを探し、そのアドレスを「URL」に入力してください。";

namespace {

struct StatusMeaning {
    int status;
    const char* reason;
    const char* meaning;
};

const char kTryLater[] = "しばらく待ってからもう一度試してください。";

const StatusMeaning kMeanings[] = {
    {400, "Bad Request", "アドレスの書き方が受け付けられませんでした。アドレスを確かめてください。"},
    {401, "Unauthorized",
     "このページを見るにはログインが必要です。ログインなしで読めるフィードのアドレスを入力してください。"},
    {403, "Forbidden", "このページを見ることは許されていません。"},
    {404, "Not Found", "このアドレスにはページがありません。アドレスが正しいか確かめてください。"},
    {407, "Proxy Authentication Required", "プロキシサーバーへのログインが必要です。"},
    {410, "Gone", "このページは削除されました。サイトで新しいフィードのアドレスを確かめてください。"},
    {429, "Too Many Requests", "サーバーへの問い合わせが多すぎると言われました。"},
    {500, "Internal Server Error", "サーバーの内部でエラーが起きました。"},
    {502, "Bad Gateway", "サーバーの手前の中継サーバーでエラーが起きました。"},
    {503, "Service Unavailable", "サーバーは一時的に利用できません。"},
    {504, "Gateway Timeout", "サーバーの手前の中継サーバーで時間切れになりました。"},
};

}  // namespace

std::string AnswerMessage(int status) {
    if (status <= 0) {
        return "サーバーに接続できませんでした。\r\n"
               "アドレスが正しいか、ネットワークにつながっているかを確かめてください。";
    }
    const char* reason = "";
    std::string meaning;
    for (const StatusMeaning& known : kMeanings) {
        if (known.status == status) {
            reason = known.reason;
            meaning = known.meaning;
        }
    }
    if (meaning.empty()) {
        if (status >= 500 && status <= 599) {
            meaning = "サーバーでエラーが起きました。";
        } else if (status >= 400 && status <= 499) {
            meaning = "このページは読めませんでした。アドレスを確かめてください。";
        } else if (status >= 200 && status <= 299) {
            meaning = "中身のない応答でした。";
        } else if (status >= 300 && status <= 399) {
            meaning = "転送先のページを読めませんでした。";
        } else {
            meaning = "サーバーの応答を読めませんでした。";
        }
    }
    if (status >= 500 || status == 429) meaning += kTryLater;
    char head[96];
    snprintf(head, sizeof head, "サーバーの応答: %d%s%s\r\n", status, *reason ? " " : "", reason);
    return head + meaning;
}

FeedLookup::State FeedLookup::Begin(Fetcher& fetcher, Clock& clock, const std::vector<std::string>& addresses,
                                    bool acceptOpml) {
    Cancel(fetcher);
    addresses_ = addresses;
    nextAddress_ = 0;
    acceptOpml_ = acceptOpml;
    links_.clear();
    url_.clear();
    message_.clear();
    opml_ = false;
    document_.Release();
    if (addresses_.empty()) return state_;
    stage_ = Stage::Typed;
    return Start(fetcher, clock, addresses_[nextAddress_++]);
}

FeedLookup::State FeedLookup::Start(Fetcher& fetcher, Clock& clock, const std::string& url) {
    asking_ = url;
    int64_t now = 0;
    if (FileTimeFromCivil(clock.UtcNow(), now)) now -= now % kFileTimeTicksPerSecond;
    asked_ = now;
    fetcher.EnsureSession();
    request_ = fetcher.Start(url.c_str(), kUnconditionalHeader);
    state_ = State::Working;
    if (request_ == 0) return OnAnswer(fetcher, clock, FetchAnswer{});
    return state_;
}

FeedLookup::State FeedLookup::Fail(const std::string& message) {
    message_ = message;
    document_.Release();
    state_ = State::Failed;
    return state_;
}

FeedLookup::State FeedLookup::Advance(Fetcher& fetcher, Clock& clock) {
    if (state_ != State::Working) return state_;
    fetcher.Advance();
    FetchAnswer answer;
    if (!fetcher.Take(request_, answer, document_)) return state_;
    request_ = 0;
    return OnAnswer(fetcher, clock, answer);
}

FeedLookup::State FeedLookup::OnAnswer(Fetcher& fetcher, Clock& clock, const FetchAnswer& answer) {
    const bool document = answer.result == kFetchOk;
    const DocumentKind kind = document ? KindOfDocument(document_.view()) : DocumentKind::Other;
    // Where the answer came from: relative links are read against it.
    const std::string at = answer.finalUrl.empty() ? asking_ : answer.finalUrl;
    const std::string feedUrl = answer.movedTo.empty() ? asking_ : answer.movedTo;
    switch (stage_) {
        case Stage::Typed:
            if (!document) {
                // No answer at all: the next way of reading the typed address may get one.
                if (answer.status == 0 && nextAddress_ < addresses_.size()) {
                    return Start(fetcher, clock, addresses_[nextAddress_++]);
                }
                return Fail(AnswerMessage(answer.status));
            }
            if (kind == DocumentKind::Page) {
                links_ = ReadFeedLinks(document_.view(), at);
                document_.Release();
                if (links_.size() > 1) {
                    state_ = State::Choosing;
                    return state_;
                }
                if (links_.size() == 1) {
                    stage_ = Stage::Link;
                    return Start(fetcher, clock, links_[0].url);
                }
                const size_t scheme = at.find("://");
                siteRoot_ = at.substr(0, at.find_first_of("/?#", scheme + 3));
                stage_ = Stage::Usual;
                nextUsual_ = 0;
                return TryNextUsual(fetcher, clock);
            }
            break;
        case Stage::Link:
            if (!document) return Fail(AnswerMessage(answer.status));
            if (kind == DocumentKind::Page) return Fail(kNoFeedMessage);
            break;
        case Stage::Usual:
            if (!document || kind != DocumentKind::Feed) {
                document_.Release();
                return TryNextUsual(fetcher, clock);
            }
            break;
    }
    opml_ = kind == DocumentKind::Opml;
    if (opml_ && !acceptOpml_) return Fail(kNoFeedMessage);
    url_ = feedUrl;
    state_ = State::Found;
    return state_;
}

FeedLookup::State FeedLookup::TryNextUsual(Fetcher& fetcher, Clock& clock) {
    if (nextUsual_ >= sizeof kUsualFeedPaths / sizeof kUsualFeedPaths[0]) return Fail(kNoFeedMessage);
    return Start(fetcher, clock, siteRoot_ + kUsualFeedPaths[nextUsual_++]);
}

FeedLookup::State FeedLookup::Choose(Fetcher& fetcher, Clock& clock, size_t index) {
    if (state_ != State::Choosing) return state_;
    if (index >= links_.size()) {
        Cancel(fetcher);
        return state_;
    }
    stage_ = Stage::Link;
    return Start(fetcher, clock, links_[index].url);
}

void FeedLookup::Cancel(Fetcher& fetcher) {
    if (request_ != 0) fetcher.Cancel(request_);
    request_ = 0;
    document_.Release();
    state_ = State::Idle;
}

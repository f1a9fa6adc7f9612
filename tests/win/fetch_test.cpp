// The document fetch against the loopback servers that tests/servers/servers.py starts (scripts/test
// starts them and exports their ports). Without those variables every test here fails, unless
// NEWSROLLER_NO_SERVERS=1 asks to skip them.
#include "net/fetch_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform_win.h"
#include "net/document_buffer.h"
#include "net/url.h"
#include "support/fakes.h"

namespace {

constexpr char kOldHeader[] = "If-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT";
// feed.xml is dated 1 January 2020: a request "modified since" 2025 is answered 304.
constexpr char kRecentHeader[] = "If-Modified-Since: Mon, 03 Feb 2025 09:05:07 GMT";

std::string Env(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::string();
    return std::string(value, length);
}

// A host path as Wine sees it (drive Z: is the host's root).
std::string HostPath(const std::string& path) {
    std::string windows = "Z:" + path;
    for (char& c : windows) {
        if (c == '/') c = '\\';
    }
    return windows;
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream file(HostPath(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string Unique() {
    static int counter = 0;
    return std::to_string(GetTickCount64()) + "-" + std::to_string(++counter);
}

double SecondsSince(ULONGLONG start) { return static_cast<double>(GetTickCount64() - start) / 1000.0; }

// The request's answer, moving the fetcher on every few milliseconds as the ticker's timer would
// (no window message is dispatched meanwhile); result 99 with status 1 when it did not end in 90 s.
FetchAnswer Await(WinInetFetcher& fetcher, FetchId id, DocumentBuffer& document) {
    FetchAnswer answer;
    ULONGLONG start = GetTickCount64();
    while (!fetcher.Take(id, answer, document)) {
        if (SecondsSince(start) > 90) {
            answer.result = kFetchEmpty;
            answer.status = 1;
            return answer;
        }
        Sleep(5);
        fetcher.Advance();
    }
    return answer;
}

FetchAnswer GetBy(WinInetFetcher& fetcher, const std::string& url, const char* headers,
                  DocumentBuffer& document) {
    FetchId id = fetcher.Start(url.c_str(), headers);
    EXPECT_NE(0u, id) << url;
    if (id == 0) return FetchAnswer();
    return Await(fetcher, id, document);
}

// A hidden message-only window with a timer, to see that window messages keep being dispatched while
// a fetch waits, and to start fetches from inside such a message.
class TimerWindow {
  public:
    explicit TimerWindow(UINT periodMs) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &TimerWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NewsrollerFetchTestTimer";
        RegisterClassW(&wc);  // a second registration fails harmlessly
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetTimer(window_, 1, periodMs, nullptr);
    }
    ~TimerWindow() {
        KillTimer(window_, 1);
        DestroyWindow(window_);
    }
    bool valid() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    int ticks = 0;
    std::function<void()> onTick;

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_TIMER) {
            auto* self = reinterpret_cast<TimerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self) {
                ++self->ticks;
                if (self->onTick) self->onTick();
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

class FetchTest : public testing::Test {
  protected:
    void SetUp() override {
        if (Env("NEWSROLLER_NO_SERVERS") == "1") GTEST_SKIP() << "NEWSROLLER_NO_SERVERS=1";
        for (const char* name :
             {"NEWSROLLER_HTTP_PORT", "NEWSROLLER_HTTPS_PORT", "NEWSROLLER_HTTPS_UNTRUSTED_PORT",
              "NEWSROLLER_FAULT_PORT", "NEWSROLLER_NGINX_LOG", "NEWSROLLER_WWW_DIR"}) {
            ASSERT_FALSE(Env(name).empty())
                << name << " is not set: start the servers with "
                << "tests/servers/servers.py start and source build/servers/servers.env "
                << "(scripts/test does both)";
        }
        http_ = Env("NEWSROLLER_HTTP_PORT");
        https_ = Env("NEWSROLLER_HTTPS_PORT");
        untrusted_ = Env("NEWSROLLER_HTTPS_UNTRUSTED_PORT");
        fault_ = Env("NEWSROLLER_FAULT_PORT");
        feed_ = ReadHostFile(Env("NEWSROLLER_WWW_DIR") + "/feed.xml");
        ASSERT_GT(feed_.size(), 10000u);
    }

    std::string Nginx(const std::string& path) const { return "http://127.0.0.1:" + http_ + path; }
    std::string Tls(const std::string& path) const { return "https://localhost:" + https_ + path; }
    std::string Fault(const std::string& path) const { return "http://127.0.0.1:" + fault_ + path; }

    // The access log's line for the request whose URL contains `token`.
    std::string LogLine(const std::string& token) const {
        std::istringstream log(ReadHostFile(Env("NEWSROLLER_NGINX_LOG")));
        std::string line, found;
        while (std::getline(log, line)) {
            if (line.find(token) != std::string::npos) found = line;
        }
        return found;
    }

    // A GET of `url` with `headers` by the fixture's own fetcher (default limits).
    FetchAnswer Get(const std::string& url, const char* headers = kOldHeader) {
        return GetBy(fetcher_, url, headers, document_);
    }
    std::string Text() const { return std::string(document_.text(), document_.textLength()); }

    std::string http_, https_, untrusted_, fault_, feed_;
    RecordingMessageBoxes messages_;
    Win32MessagePump pump_;
    DocumentBuffer document_;
    WinInetFetcher fetcher_;
};

TEST_F(FetchTest, FetchersReachTheirOwnRequestsSideBySide) {
    WinInetFetcher other;
    EXPECT_EQ(Fetcher::Session::Ready, fetcher_.EnsureSession());
    EXPECT_EQ(Fetcher::Session::Ready, other.EnsureSession());
    FetchId mine = fetcher_.Start(Fault("/ok").c_str(), kOldHeader);
    FetchId theirs = other.Start(Fault("/drip?chunks=2&interval=0.2").c_str(), kOldHeader);
    ASSERT_NE(0u, mine);
    ASSERT_NE(0u, theirs);
    EXPECT_EQ(1, fetcher_.InFlight());
    EXPECT_EQ(1, other.InFlight());
    EXPECT_EQ(kFetchOk, Await(fetcher_, mine, document_).result);
    EXPECT_NE(std::string::npos, Text().find("<title>First item</title>"));
    DocumentBuffer theirDocument;
    EXPECT_EQ(kFetchOk, Await(other, theirs, theirDocument).result);
    EXPECT_NE(nullptr, strstr(theirDocument.text(), "</rss>"));
    EXPECT_EQ(0, fetcher_.InFlight());
    FetchAnswer answer;
    EXPECT_FALSE(fetcher_.Take(mine, answer, document_)) << "an answer is taken once";
}

TEST_F(FetchTest, DocumentComesWholeFromNginx) {
    std::string token = Unique();
    FetchAnswer answer = Get(Nginx("/feed.xml?t=" + token));
    ASSERT_EQ(kFetchOk, answer.result);
    EXPECT_EQ(200, answer.status);
    EXPECT_EQ(Nginx("/feed.xml?t=" + token), answer.finalUrl);
    EXPECT_EQ("", answer.movedTo);
    EXPECT_TRUE(Text() == feed_) << document_.textLength();
    EXPECT_TRUE(messages_.shown.empty());
    // The next request of the same fetcher works as well.
    ASSERT_EQ(kFetchOk, Get(Nginx("/atom.xml")).result);
    EXPECT_EQ(ReadHostFile(Env("NEWSROLLER_WWW_DIR") + "/atom.xml"), Text());
}

TEST_F(FetchTest, AgentAndConditionalHeaderReachTheServerAndAnUnchangedFeedIsAnEmptyAnswer) {
    std::string token = Unique();
    FetchAnswer answer = Get(Nginx("/feed.xml?t=" + token), kRecentHeader);
    EXPECT_EQ(kFetchEmpty, answer.result);
    EXPECT_EQ(304, answer.status);
    EXPECT_TRUE(document_.held());
    EXPECT_STREQ("", document_.text());
    std::string line = LogLine(token);
    ASSERT_FALSE(line.empty()) << "no log line for " << token;
    EXPECT_NE(std::string::npos, line.find("\"GET /feed.xml?t=" + token + " HTTP/1.1\" 304 0 ")) << line;
    EXPECT_NE(std::string::npos, line.find("\"Newsroller1_88\"")) << line;
    EXPECT_NE(std::string::npos, line.find("\"Mon, 03 Feb 2025 09:05:07 GMT\"")) << line;
    // Plain HTTP to the port written in the URL.
    EXPECT_NE(std::string::npos, line.find(" http " + http_)) << line;
}

TEST_F(FetchTest, HttpsIsFetchedOverTls) {
    std::string token = Unique();
    ASSERT_EQ(kFetchOk, Get(Tls("/feed.xml?t=" + token)).result);
    EXPECT_TRUE(Text() == feed_);
    std::string line = LogLine(token);
    EXPECT_NE(std::string::npos, line.find(" https " + https_)) << line;
    EXPECT_NE(std::string::npos, line.find("\"Newsroller1_88\"")) << line;
    // Conditional requests work over TLS too.
    EXPECT_EQ(kFetchEmpty, Get(Tls("/feed.xml"), kRecentHeader).result);
}

// Wine would follow both redirects on its own, so the flags that leave redirects to the fetch (and
// would make Windows follow the first) are checked here; the refusal of the second is the fetch's.
TEST(FetchFlags, RedirectsAreLeftToTheFetchAndSecureFeedsGoOverTls) {
    UrlParts plain, secure;
    ASSERT_TRUE(SplitUrl("http://example.com/rss", plain));
    ASSERT_TRUE(SplitUrl("https://example.com/rss", secure));
    const DWORD always = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
    EXPECT_EQ(always | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS, RequestFlags(plain));
    EXPECT_EQ(always | INTERNET_FLAG_SECURE, RequestFlags(secure));
}

TEST_F(FetchTest, PlainFeedMovedToHttpsIsFetchedAndHttpsMovedToPlainFails) {
    std::string token = Unique();
    FetchAnswer answer = Get(Nginx("/to-https/feed.xml?t=" + token));
    ASSERT_EQ(kFetchOk, answer.result);
    EXPECT_TRUE(Text() == feed_);
    EXPECT_NE(std::string::npos, LogLine(token).find(" https " + https_)) << LogLine(token);
    EXPECT_EQ(Tls("/feed.xml?t=" + token), answer.movedTo);
    EXPECT_EQ(Tls("/feed.xml?t=" + token), answer.finalUrl);
    answer = Get(Tls("/to-http/feed.xml"));
    EXPECT_EQ(kFetchFailed, answer.result);
    EXPECT_EQ(301, answer.status);
    EXPECT_EQ("", answer.movedTo);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, CertificateThatIsNotTrustedFailsTheFetch) {
    std::string token = Unique();
    EXPECT_EQ(kFetchFailed, Get("https://localhost:" + untrusted_ + "/feed.xml?t=" + token).result);
    EXPECT_STREQ("", document_.text());
    EXPECT_TRUE(LogLine(token).empty()) << "the request went out despite the certificate";
    // A certificate for "localhost" does not match the name 127.0.0.1.
    EXPECT_EQ(kFetchFailed, Get("https://127.0.0.1:" + https_ + "/feed.xml").result);
    // No plain-text fallback: https to a port that speaks plain HTTP fails.
    token = Unique();
    EXPECT_EQ(kFetchFailed, Get("https://localhost:" + http_ + "/feed.xml?t=" + token).result);
    EXPECT_TRUE(LogLine(token).empty());
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, UrlWithoutHostDoesNotStart) {
    for (const char* url : {"http:/feed.xml", "127.0.0.1", "http://127.0.0.1:80x/", ""})
        EXPECT_EQ(0u, fetcher_.Start(url, kOldHeader)) << url;
    EXPECT_EQ(0u, fetcher_.Start(nullptr, kOldHeader));
    EXPECT_EQ(0, fetcher_.InFlight());
    EXPECT_TRUE(messages_.shown.empty());
}

// What each answer gives the caller: failures carry their status but never a document, 304 and an
// empty 2xx are empty answers, and redirects are followed with the permanent move kept apart.
TEST_F(FetchTest, AnswersAsTheirStatusesSay) {
    const std::string fault = Fault("");
    const std::string rss = "<title>First item</title>";
    struct Case {
        std::string path;
        const char* headers;
        FetchResult result;
        int status;
        std::string body;  // a part of the document; "" for none
        std::string etag, retryAfter, movedTo, finalUrl;
    } cases[] = {
        {"/ok", kOldHeader, kFetchOk, 200, rss, "", "", "", "/ok"},
        {"/status?code=404", kOldHeader, kFetchFailed, 404, "", "", "", "", "/status?code=404"},
        {"/status?code=500", kOldHeader, kFetchFailed, 500, "", "", "", "", "/status?code=500"},
        {"/status?code=503&retry=120", kOldHeader, kFetchFailed, 503, "", "", "120", "",
         "/status?code=503&retry=120"},
        {"/status?code=429&retry=Wed, 21 Oct 2037 07:28:00 GMT", kOldHeader, kFetchFailed, 429, "", "",
         "Wed, 21 Oct 2037 07:28:00 GMT", "", ""},
        {"/status?code=204", kOldHeader, kFetchEmpty, 204, "", "", "", "", ""},
        {"/notmodified", kRecentHeader, kFetchEmpty, 304, "", "", "", "", "/notmodified"},
        {"/empty", kOldHeader, kFetchEmpty, 200, "", "", "", "", "/empty"},
        {"/etag?tag=v7", kOldHeader, kFetchOk, 200, rss, "\"v7\"", "", "", "/etag?tag=v7"},
        {"/etag?tag=v7", "If-None-Match: \"v7\"\r\nIf-Modified-Since: Thu, 01 Jan 2004 00:00:00 GMT",
         kFetchEmpty, 304, "", "\"v7\"", "", "", "/etag?tag=v7"},
        {"/r/301/ok", kOldHeader, kFetchOk, 200, rss, "", "", "/ok", "/ok"},
        {"/r/308/ok", kOldHeader, kFetchOk, 200, rss, "", "", "/ok", "/ok"},
        {"/r/302/ok", kOldHeader, kFetchOk, 200, rss, "", "", "", "/ok"},
        {"/r/307/ok", kOldHeader, kFetchOk, 200, rss, "", "", "", "/ok"},
        {"/r/301/302/ok", kOldHeader, kFetchOk, 200, rss, "", "", "/r/302/ok", "/ok"},
        {"/r/302/301/ok", kOldHeader, kFetchOk, 200, rss, "", "", "", "/ok"},
        {"/r/301/301/etag?host=1", kOldHeader, kFetchOk, 200, rss, "\"v1\"", "", "/etag?host=1",
         "/etag?host=1"},
        {"/rel/x", kOldHeader, kFetchOk, 200, rss, "", "", "", "/ok"},
        {"/r/301/status?code=410", kOldHeader, kFetchFailed, 410, "", "", "", "", "/status?code=410"},
        {"/loop", kOldHeader, kFetchFailed, 302, "", "", "", "", "/loop"},
        {"/nolocation", kOldHeader, kFetchFailed, 301, "", "", "", "", "/nolocation"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        document_.Allocate(1);
        document_.AppendChunk("old", 3);
        FetchAnswer answer = Get(Fault(c.path), c.headers);
        EXPECT_EQ(c.result, answer.result);
        EXPECT_EQ(c.status, answer.status);
        if (c.body.empty()) {
            EXPECT_STREQ("", document_.text());
        } else {
            EXPECT_NE(std::string::npos, Text().find(c.body)) << Text();
        }
        EXPECT_EQ(c.etag, answer.etag);
        EXPECT_EQ(c.retryAfter, answer.retryAfter);
        EXPECT_EQ(c.movedTo.empty() ? "" : fault + c.movedTo, answer.movedTo);
        if (!c.finalUrl.empty()) {
            EXPECT_EQ(fault + c.finalUrl, answer.finalUrl);
        }
    }
    // A page of nginx's own 404 is no document either.
    FetchAnswer answer = Get(Nginx("/no-such-feed.xml"));
    EXPECT_EQ(kFetchFailed, answer.result);
    EXPECT_EQ(404, answer.status);
    EXPECT_STREQ("", document_.text());
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, ConditionalHeadersGoToEveryHopAndTheLastModifiedOfA2xxAnswerWithTheDocument) {
    std::string before = ReadHostFile(Env("NEWSROLLER_FAULT_LOG"));
    ASSERT_EQ(kFetchEmpty, Get(Fault("/r/301/302/etag"), "If-None-Match: \"v1\"\r\n").result);
    std::string added = ReadHostFile(Env("NEWSROLLER_FAULT_LOG")).substr(before.size());
    EXPECT_EQ(
        "/r/301/302/etag\tNewsroller1_88\t\tgzip\t\"v1\"\n"
        "/r/302/etag\tNewsroller1_88\t\tgzip\t\"v1\"\n"
        "/etag\tNewsroller1_88\t\tgzip\t\"v1\"\n",
        added);
    // nginx dates feed.xml 1 January 2020 00:00:00 UTC.
    FetchAnswer answer = Get(Nginx("/feed.xml"));
    ASSERT_EQ(kFetchOk, answer.result);
    EXPECT_EQ(FileTimeOf(2020, 1, 1, 0, 0, 0), answer.lastModified);
    EXPECT_EQ(FileTimeOf(2020, 1, 1, 0, 0, 0), document_.lastModified());
    // The same date sent back is what nginx's default (exact) answers 304 to.
    answer = Get(Nginx("/exact/feed.xml"), "If-Modified-Since: Wed, 01 Jan 2020 00:00:00 GMT");
    ASSERT_EQ(kFetchEmpty, answer.result);
    EXPECT_EQ(0, answer.lastModified);
    EXPECT_EQ(0, document_.lastModified());
    // Answers without the header carry no date.
    ASSERT_EQ(kFetchOk, Get(Fault("/ok")).result);
    EXPECT_EQ(0, document_.lastModified());
}

// The ticker's cycle keeps up to 8 requests in flight; each has its own handles and buffer, so that
// they run side by side and none gets another's body.
TEST_F(FetchTest, EightRequestsAtOnceEachGetTheirOwnBody) {
    TimerWindow wakes(100000);
    ASSERT_TRUE(wakes.valid());
    fetcher_.SetWakeWindow(wakes.window(), WM_APP + 7);
    const std::string atom = ReadHostFile(Env("NEWSROLLER_WWW_DIR") + "/atom.xml");
    struct Flight {
        std::string url;
        const std::string* expected;  // the whole document, or null for the fault server's drip
        FetchId id;
    };
    std::vector<Flight> flights;
    for (int i = 0; i < 8; ++i) {
        std::string url =
            i % 2 ? Fault("/drip?chunks=4&interval=0.25&n=" + std::to_string(i))
                  : Nginx(std::string(i % 4 ? "/atom.xml" : "/feed.xml") + "?n=" + std::to_string(i));
        flights.push_back({url, i % 2 ? nullptr : (i % 4 ? &atom : &feed_), 0});
    }
    ULONGLONG start = GetTickCount64();
    for (Flight& f : flights) ASSERT_NE(0u, f.id = fetcher_.Start(f.url.c_str(), kOldHeader)) << f.url;
    EXPECT_EQ(8, fetcher_.InFlight());
    std::vector<DocumentBuffer> documents(flights.size());
    size_t done = 0;
    std::vector<bool> taken(flights.size());
    while (done < flights.size() && SecondsSince(start) < 20) {
        MSG msg;
        while (PeekMessageW(&msg, wakes.window(), WM_APP + 7, WM_APP + 7, PM_REMOVE)) ++wakes.ticks;
        fetcher_.Advance();
        for (size_t i = 0; i < flights.size(); ++i) {
            FetchAnswer answer;
            if (taken[i] || !fetcher_.Take(flights[i].id, answer, documents[i])) continue;
            taken[i] = true;
            ++done;
            EXPECT_EQ(kFetchOk, answer.result) << flights[i].url;
            EXPECT_EQ(flights[i].url, answer.finalUrl);
        }
        Sleep(5);
    }
    double seconds = SecondsSince(start);
    ASSERT_EQ(flights.size(), done);
    // One after another the four drips alone would take 3 s.
    EXPECT_LT(seconds, 1.8);
    for (size_t i = 0; i < flights.size(); ++i) {
        std::string text(documents[i].text(), documents[i].textLength());
        if (flights[i].expected) {
            EXPECT_TRUE(text == *flights[i].expected) << flights[i].url << ": " << text.size() << " bytes";
        } else {
            EXPECT_EQ(0u, text.find("<?xml")) << flights[i].url;
            EXPECT_NE(std::string::npos, text.find("<title>Second item</title>")) << text;
            EXPECT_EQ(text.size() - 17, text.find("</channel></rss>\n")) << text;
        }
    }
    EXPECT_GT(wakes.ticks, 0) << "the library's completions woke the window";
    EXPECT_EQ(0, fetcher_.InFlight());
}

TEST_F(FetchTest, CancelledRequestsNeverAnswerAndAreFreedOnceTheLibraryClosedThem) {
    FetchLimits limits;
    limits.idleMilliseconds = 2000;
    WinInetFetcher fetcher(limits);
    // One in the middle of its body, one still waiting for the head of its answer.
    FetchId reading = fetcher.Start(Fault("/endless?interval=0.05").c_str(), kOldHeader);
    FetchId waiting = fetcher.Start(Fault("/silent?hold=30").c_str(), kOldHeader);
    ASSERT_NE(0u, reading);
    ASSERT_NE(0u, waiting);
    for (int i = 0; i < 100; ++i) {
        Sleep(5);
        fetcher.Advance();
    }
    ULONGLONG start = GetTickCount64();
    fetcher.Cancel(reading);
    fetcher.Cancel(waiting);
    fetcher.Cancel(12345);  // unknown: ignored
    EXPECT_LT(SecondsSince(start), 0.1);
    EXPECT_EQ(0, fetcher.InFlight());
    FetchAnswer answer;
    EXPECT_FALSE(fetcher.Take(reading, answer, document_));
    EXPECT_FALSE(fetcher.Take(waiting, answer, document_));
    // The request blocked in the library is let go of only when the library's own time-out ends
    // what it waits for; the other one at once.
    while (fetcher.Closing() > 0 && SecondsSince(start) < 10) {
        Sleep(10);
        fetcher.Advance();
    }
    EXPECT_EQ(0, fetcher.Closing());
    EXPECT_LT(SecondsSince(start), 4.0);
    // The fetcher goes on as before.
    FetchAnswer next = GetBy(fetcher, Fault("/ok"), kOldHeader, document_);
    EXPECT_EQ(kFetchOk, next.result);
}

TEST_F(FetchTest, HostThatNeverAnswersFailsAfterItsTimeOutWhileTheOthersComplete) {
    FetchLimits limits;
    limits.idleMilliseconds = 2000;
    WinInetFetcher fetcher(limits);
    ULONGLONG start = GetTickCount64();
    FetchId dead = fetcher.Start(Fault("/silent?hold=30").c_str(), kOldHeader);
    std::vector<FetchId> others;
    for (int i = 0; i < 5; ++i)
        others.push_back(
            fetcher.Start(Fault("/drip?chunks=3&interval=0.2&n=" + std::to_string(i)).c_str(), kOldHeader));
    for (FetchId id : others) {
        DocumentBuffer document;
        EXPECT_EQ(kFetchOk, Await(fetcher, id, document).result);
    }
    EXPECT_LT(SecondsSince(start), 1.8);
    EXPECT_EQ(1, fetcher.InFlight());
    FetchAnswer answer = Await(fetcher, dead, document_);
    double seconds = SecondsSince(start);
    EXPECT_EQ(kFetchFailed, answer.result);
    EXPECT_EQ(0, answer.status);
    EXPECT_GE(seconds, 2.0);
    EXPECT_LT(seconds, 4.0);
}

TEST_F(FetchTest, DestroyingTheFetcherWithRequestsInFlightTakesAboutTwoSecondsAtMost) {
    ULONGLONG start;
    {
        WinInetFetcher fetcher;
        for (const char* path : {"/silent?hold=30", "/silent?hold=30", "/endless?interval=0.1", "/drip"})
            ASSERT_NE(0u, fetcher.Start(Fault(path).c_str(), kOldHeader));
        for (int i = 0; i < 40; ++i) {
            Sleep(5);
            fetcher.Advance();
        }
        start = GetTickCount64();
    }
    EXPECT_LT(SecondsSince(start), 3.0);
    // What the library still held reaches no freed memory when it lets go (the test heap would show).
    EXPECT_EQ(kFetchOk, Get(Fault("/ok")).result);
}

TEST_F(FetchTest, ZeroByteEndsTheTextOfItsChunkOnly) {
    // "abc", a zero byte and 1019 bytes "d" arrive as one packet, "ghi" half a second later.
    ASSERT_EQ(kFetchOk, Get(Fault("/zero")).result);
    EXPECT_STREQ("abcghi", document_.text());
    EXPECT_EQ(1026u, document_.received());
}

TEST_F(FetchTest, SlowDripIsReceivedWhole) {
    ULONGLONG start = GetTickCount64();
    ASSERT_EQ(kFetchOk, Get(Fault("/drip?chunks=6&interval=0.4")).result);
    EXPECT_GE(SecondsSince(start), 1.9);
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    EXPECT_NE(nullptr, strstr(document_.text(), "</rss>"));
}

TEST_F(FetchTest, ConnectionResetHalfwayFails) {
    EXPECT_EQ(kFetchFailed, Get(Fault("/reset?bytes=200000")).result);
    EXPECT_STREQ("", document_.text());
    // Without a length, only the reset itself (reported by the read) tells the body is incomplete.
    EXPECT_EQ(kFetchFailed, Get(Fault("/reset?bytes=200000&nolength=1")).result);
    // An orderly close before the announced length is a broken-off document too, not a short one.
    FetchAnswer answer = Get(Fault("/reset?bytes=200000&clean=1"));
    EXPECT_EQ(kFetchFailed, answer.result);
    EXPECT_EQ(200, answer.status);
    EXPECT_STREQ("", document_.text());
}

TEST_F(FetchTest, DocumentOver16MiBFails) {
    // Announced by Content-Length: refused before the body is read.
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(kFetchFailed, Get(Fault("/huge?bytes=20000000")).result);
    EXPECT_LT(SecondsSince(start), 2.0);
    // Not announced: the body is counted as it comes and the fetch ends once it passes 16 MiB.
    EXPECT_EQ(kFetchFailed, Get(Fault("/huge?bytes=20000000&nolength=1")).result);
    EXPECT_STREQ("", document_.text());
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, SizeLimitIsExactAndConfigurable) {
    FetchLimits limits;
    limits.maxBytes = 100000;
    WinInetFetcher fetcher(limits);
    ASSERT_EQ(kFetchOk, GetBy(fetcher, Fault("/huge?bytes=100000&nolength=1"), kOldHeader, document_).result);
    EXPECT_EQ(100000u, document_.textLength());
    EXPECT_EQ(kFetchFailed,
              GetBy(fetcher, Fault("/huge?bytes=100001&nolength=1"), kOldHeader, document_).result);
    EXPECT_EQ(kFetchFailed, GetBy(fetcher, Fault("/huge?bytes=100001"), kOldHeader, document_).result);
    ASSERT_EQ(kFetchOk, GetBy(fetcher, Fault("/huge?bytes=100000"), kOldHeader, document_).result);
    EXPECT_EQ(100000u, document_.textLength());
}

TEST_F(FetchTest, NeverEndingBodyEndsAtTheTotalTimeLimit) {
    FetchLimits limits;
    limits.totalMilliseconds = 3000;
    WinInetFetcher fetcher(limits);
    for (const char* path : {"/endless?interval=0.1", "/endless?interval=5"}) {
        // Steady progress, or too little of it: either way the whole time ends the fetch.
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(kFetchFailed, GetBy(fetcher, Fault(path), kOldHeader, document_).result) << path;
        double seconds = SecondsSince(start);
        EXPECT_GE(seconds, 3.0) << path;
        EXPECT_LT(seconds, 4.5) << path;
    }
}

TEST_F(FetchTest, SilentServerGivesUpAfterAboutTenSeconds) {
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(kFetchFailed, Get(Fault("/silent?hold=60")).result);
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 10.0);
    EXPECT_LT(seconds, 12.0);
    // The given-up request is closed; the next fetch works and is not confused by it.
    ASSERT_EQ(kFetchOk, Get(Fault("/ok")).result);
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>First item</title>"));
}

TEST_F(FetchTest, CompressedAnswerIsDecodedByTheLibrary) {
    std::string token = Unique();
    FetchAnswer answer = Get(Nginx("/gzip/feed.xml?t=" + token));
    ASSERT_EQ(kFetchOk, answer.result);
    EXPECT_TRUE(Text() == feed_) << document_.textLength();
    EXPECT_EQ(FileTimeOf(2020, 1, 1, 0, 0, 0), document_.lastModified());
    // nginx logs the bytes it sent, headers included, last.
    std::string line = LogLine(token);
    ASSERT_FALSE(line.empty());
    size_t sent = std::stoul(line.substr(line.find_last_of(' ') + 1));
    EXPECT_LT(sent, feed_.size() / 2) << line;

    // A compressed body longer than the document it holds: its length is not the document's.
    ASSERT_EQ(kFetchOk, Get(Fault("/compressed?tiny=1")).result);
    EXPECT_STREQ("<rss/>", document_.text());
    ASSERT_EQ(kFetchOk, Get(Fault("/compressed")).result);
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, AnswerTheLibraryLeavesCompressedIsAskedForAgainUncompressed) {
    std::string log = Env("NEWSROLLER_FAULT_LOG");
    ASSERT_FALSE(log.empty());
    std::string before = ReadHostFile(log);
    // An encoding the library does not decode: the gzip bytes come through as they were sent.
    ASSERT_EQ(kFetchOk, Get(Fault("/compressed?encoding=x-gzip")).result);
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    std::string added = ReadHostFile(log).substr(before.size());
    EXPECT_EQ(
        "/compressed\tNewsroller1_88\tThu, 01 Jan 2004 00:00:00 GMT\tgzip\t\n"
        "/compressed\tNewsroller1_88\tThu, 01 Jan 2004 00:00:00 GMT\t\t\n",
        added);
}

}  // namespace

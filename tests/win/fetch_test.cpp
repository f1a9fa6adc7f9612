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

    std::string http_, https_, untrusted_, fault_, feed_;
    RecordingMessageBoxes messages_;
    Win32MessagePump pump_;
    DocumentBuffer document_;
};

TEST_F(FetchTest, OneSessionPerProcessWhoseCallbackReachesItsFetcher) {
    {
        WinInetFetcher fetcher(messages_, pump_);
        EXPECT_EQ(Fetcher::Session::Ready, fetcher.EnsureSession());
        EXPECT_EQ(Fetcher::Session::Ready, fetcher.EnsureSession());
        // The callback finds the fetcher whose session is open; a second one cannot open its own.
        WinInetFetcher second(messages_, pump_);
        EXPECT_EQ(Fetcher::Session::CallbackFailed, second.EnsureSession());
        EXPECT_EQ(kFetchFailed, second.Fetch(Fault("/ok").c_str(), kOldHeader, document_));
        EXPECT_EQ(kFetchOk, fetcher.Fetch(Fault("/ok").c_str(), kOldHeader, document_));
    }
    // Once the first is gone, a new fetcher opens its session and its callback reaches it (a fetch
    // whose callback found no fetcher would wait ten seconds and fail).
    WinInetFetcher next(messages_, pump_);
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(kFetchOk, next.Fetch(Fault("/ok").c_str(), kOldHeader, document_));
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST_F(FetchTest, DocumentComesWholeFromNginx) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/feed.xml?t=" + token).c_str(), kOldHeader, document_));
    EXPECT_EQ(feed_.size(), document_.textLength());
    EXPECT_TRUE(std::string(document_.text()) == feed_);
    EXPECT_TRUE(messages_.shown.empty());
    // The next fetch with the same fetcher (handles of the previous one closed) works as well.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/atom.xml").c_str(), kOldHeader, document_));
    EXPECT_EQ(ReadHostFile(Env("NEWSROLLER_WWW_DIR") + "/atom.xml"), document_.text());
}

TEST_F(FetchTest, UnchangedFeedIsAnEmptyAnswer) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    EXPECT_EQ(kFetchEmpty, fetcher.Fetch(Nginx("/feed.xml?t=" + token).c_str(), kRecentHeader, document_));
    EXPECT_TRUE(document_.held());
    EXPECT_STREQ("", document_.text());
    EXPECT_NE(std::string::npos, LogLine(token).find("\" 304 0 "));
}

TEST_F(FetchTest, AgentAndConditionalHeaderReachTheServer) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    ASSERT_EQ(kFetchEmpty, fetcher.Fetch(Nginx("/feed.xml?t=" + token).c_str(), kRecentHeader, document_));
    std::string line = LogLine(token);
    ASSERT_FALSE(line.empty()) << "no log line for " << token;
    EXPECT_NE(std::string::npos, line.find("\"GET /feed.xml?t=" + token + " HTTP/1.1\"")) << line;
    EXPECT_NE(std::string::npos, line.find("\"Newsroller1_88\"")) << line;
    EXPECT_NE(std::string::npos, line.find("\"Mon, 03 Feb 2025 09:05:07 GMT\"")) << line;
    // Plain HTTP to the port written in the URL.
    EXPECT_NE(std::string::npos, line.find(" http " + http_)) << line;
}

TEST_F(FetchTest, HttpsIsFetchedOverTls) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Tls("/feed.xml?t=" + token).c_str(), kOldHeader, document_));
    EXPECT_TRUE(std::string(document_.text()) == feed_);
    std::string line = LogLine(token);
    EXPECT_NE(std::string::npos, line.find(" https " + https_)) << line;
    EXPECT_NE(std::string::npos, line.find("\"Newsroller1_88\"")) << line;
    // Conditional requests work over TLS too.
    EXPECT_EQ(kFetchEmpty, fetcher.Fetch(Tls("/feed.xml").c_str(), kRecentHeader, document_));
}

// Wine follows both redirects on its own, so the flags that make Windows follow the first and refuse
// the second are checked here, and the refusal is the program's own as well.
TEST(FetchFlags, PlainFeedsFollowAMoveToHttpsAndSecureFeedsGoOverTls) {
    UrlParts plain, secure;
    ASSERT_TRUE(SplitUrl("http://example.com/rss", plain));
    ASSERT_TRUE(SplitUrl("https://example.com/rss", secure));
    const DWORD always = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    EXPECT_EQ(always | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS, RequestFlags(plain));
    EXPECT_EQ(always | INTERNET_FLAG_SECURE, RequestFlags(secure));
}

TEST_F(FetchTest, PlainFeedMovedToHttpsIsFetchedAndHttpsMovedToPlainFails) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/to-https/feed.xml?t=" + token).c_str(), kOldHeader, document_));
    EXPECT_TRUE(std::string(document_.text()) == feed_);
    EXPECT_NE(std::string::npos, LogLine(token).find(" https " + https_)) << LogLine(token);
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Tls("/to-http/feed.xml").c_str(), kOldHeader, document_));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, CertificateThatIsNotTrustedFailsTheFetch) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    EXPECT_EQ(kFetchFailed,
              fetcher.Fetch(("https://localhost:" + untrusted_ + "/feed.xml?t=" + token).c_str(), kOldHeader,
                            document_));
    EXPECT_STREQ("", document_.text());
    EXPECT_TRUE(LogLine(token).empty()) << "the request went out despite the certificate";
    // A certificate for "localhost" does not match the name 127.0.0.1.
    EXPECT_EQ(kFetchFailed,
              fetcher.Fetch(("https://127.0.0.1:" + https_ + "/feed.xml").c_str(), kOldHeader, document_));
    // No plain-text fallback: https to a port that speaks plain HTTP fails.
    token = Unique();
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(("https://localhost:" + http_ + "/feed.xml?t=" + token).c_str(),
                                          kOldHeader, document_));
    EXPECT_TRUE(LogLine(token).empty());
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, UrlWithoutHostFailsWithoutARequest) {
    WinInetFetcher fetcher(messages_, pump_);
    EXPECT_EQ(kFetchFailed, fetcher.Fetch("http:/feed.xml", kOldHeader, document_));
    EXPECT_EQ(kFetchFailed, fetcher.Fetch("127.0.0.1", kOldHeader, document_));
    EXPECT_EQ(kFetchFailed,
              fetcher.Fetch(("http://127.0.0.1:" + fault_ + "x/").c_str(), kOldHeader, document_));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, ErrorPageWithBodyIsADocument) {
    WinInetFetcher fetcher(messages_, pump_);
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/no-such-feed").c_str(), kOldHeader, document_));
    EXPECT_NE(nullptr, strstr(document_.text(), "<h1>Not Found</h1>"));
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/no-such-feed.xml").c_str(), kOldHeader, document_));
    EXPECT_NE(nullptr, strstr(document_.text(), "404 Not Found"));
}

TEST_F(FetchTest, EmptyAnswersAre99) {
    WinInetFetcher fetcher(messages_, pump_);
    EXPECT_EQ(kFetchEmpty, fetcher.Fetch(Fault("/notmodified").c_str(), kRecentHeader, document_));
    EXPECT_STREQ("", document_.text());
    EXPECT_EQ(kFetchEmpty, fetcher.Fetch(Fault("/empty").c_str(), kOldHeader, document_));
    EXPECT_STREQ("", document_.text());
}

TEST_F(FetchTest, ZeroByteEndsTheTextOfItsChunkOnly) {
    WinInetFetcher fetcher(messages_, pump_);
    // "abc", a zero byte and 1019 bytes "d" arrive as one 1023-byte read, "ghi" half a second later.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/zero").c_str(), kOldHeader, document_));
    EXPECT_STREQ("abcghi", document_.text());
    EXPECT_EQ(1026u, document_.received());
}

TEST_F(FetchTest, SlowDripIsReceivedWhole) {
    WinInetFetcher fetcher(messages_, pump_);
    ULONGLONG start = GetTickCount64();
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/drip?chunks=6&interval=0.4").c_str(), kOldHeader, document_));
    EXPECT_GE(SecondsSince(start), 1.9);
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    EXPECT_NE(nullptr, strstr(document_.text(), "</rss>"));
}

TEST_F(FetchTest, ConnectionResetHalfwayFails) {
    WinInetFetcher fetcher(messages_, pump_);
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Fault("/reset?bytes=200000").c_str(), kOldHeader, document_));
    EXPECT_LT(document_.received(), 200000u);
    // Without a length, only the reset itself (reported by the read) tells the body is incomplete.
    EXPECT_EQ(kFetchFailed,
              fetcher.Fetch(Fault("/reset?bytes=200000&nolength=1").c_str(), kOldHeader, document_));
    // An orderly close before the announced length is a broken-off document too, not a short one.
    EXPECT_EQ(kFetchFailed,
              fetcher.Fetch(Fault("/reset?bytes=200000&clean=1").c_str(), kOldHeader, document_));
    EXPECT_EQ(100000u, document_.received());
}

TEST_F(FetchTest, DocumentOver16MiBFails) {
    WinInetFetcher fetcher(messages_, pump_);
    // Announced by Content-Length: refused before the body is read.
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Fault("/huge?bytes=20000000").c_str(), kOldHeader, document_));
    EXPECT_LT(document_.received(), 1024u * 1024);
    EXPECT_LT(SecondsSince(start), 10.0);
    // Not announced: the body is counted as it comes and the fetch ends once it passes 16 MiB.
    EXPECT_EQ(kFetchFailed,
              fetcher.Fetch(Fault("/huge?bytes=20000000&nolength=1").c_str(), kOldHeader, document_));
    EXPECT_LE(document_.received(), kMaxDocumentBytes);
    EXPECT_GT(document_.received(), kMaxDocumentBytes - 2048);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, SizeLimitIsExactAndConfigurable) {
    FetchLimits limits;
    limits.maxBytes = 100000;
    WinInetFetcher fetcher(messages_, pump_, limits);
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/huge?bytes=100000&nolength=1").c_str(), kOldHeader, document_));
    EXPECT_EQ(100000u, document_.textLength());
    EXPECT_EQ(kFetchFailed,
              fetcher.Fetch(Fault("/huge?bytes=100001&nolength=1").c_str(), kOldHeader, document_));
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Fault("/huge?bytes=100001").c_str(), kOldHeader, document_));
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/huge?bytes=100000").c_str(), kOldHeader, document_));
    EXPECT_EQ(100000u, document_.textLength());
}

TEST_F(FetchTest, NeverEndingBodyEndsAtTheTotalTimeLimit) {
    FetchLimits limits;
    limits.totalMilliseconds = 3000;
    WinInetFetcher fetcher(messages_, pump_, limits);
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Fault("/endless?interval=0.1").c_str(), kOldHeader, document_));
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 3.0);
    EXPECT_LT(seconds, 6.0);
    EXPECT_GT(document_.received(), 500u);
    // A body that stops trickling for longer than the time left is ended by the same limit.
    start = GetTickCount64();
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Fault("/endless?interval=5").c_str(), kOldHeader, document_));
    seconds = SecondsSince(start);
    EXPECT_GE(seconds, 3.0);
    EXPECT_LT(seconds, 6.0);
}

TEST_F(FetchTest, NeverEndingBodyEndsWithinAMinuteByDefault) {
    WinInetFetcher fetcher(messages_, pump_);
    TimerWindow window(100);
    ASSERT_TRUE(window.valid());
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Fault("/endless?interval=0.5").c_str(), kOldHeader, document_));
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 60.0);
    EXPECT_LT(seconds, 65.0);
    EXPECT_GT(window.ticks, 100);
}

TEST_F(FetchTest, SilentServerGivesUpAfterAboutTenSecondsWhileMessagesFlow) {
    WinInetFetcher fetcher(messages_, pump_);
    TimerWindow window(50);
    ASSERT_TRUE(window.valid());
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(kFetchFailed, fetcher.Fetch(Fault("/silent?hold=60").c_str(), kOldHeader, document_));
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 10.0);
    EXPECT_LT(seconds, 20.0);
    // Timer messages every 50 ms kept being dispatched during the wait.
    EXPECT_GT(window.ticks, 100) << "in " << seconds << " s";
    // The given-up request is closed; the next fetch works and is not confused by it.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/ok").c_str(), kOldHeader, document_));
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>First item</title>"));
}

TEST_F(FetchTest, FetchFromAMessageDuringAFetchIsRefused) {
    WinInetFetcher fetcher(messages_, pump_);
    TimerWindow window(50);
    ASSERT_TRUE(window.valid());
    DocumentBuffer inner;
    ASSERT_TRUE(inner.AppendChunk("kept", 4));
    std::vector<int> innerResults;
    std::vector<bool> busySeen;
    window.onTick = [&] {
        busySeen.push_back(fetcher.busy());
        innerResults.push_back(fetcher.Fetch(Fault("/ok").c_str(), kOldHeader, inner));
    };
    EXPECT_FALSE(fetcher.busy());
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/drip?chunks=4&interval=0.4").c_str(), kOldHeader, document_));
    window.onTick = nullptr;
    EXPECT_NE(nullptr, strstr(document_.text(), "</rss>"));
    ASSERT_FALSE(innerResults.empty());
    for (size_t i = 0; i < innerResults.size(); ++i) {
        EXPECT_EQ(kFetchFailed, innerResults[i]) << i;
        EXPECT_TRUE(busySeen[i]) << i;
    }
    EXPECT_STREQ("kept", inner.text()) << "a refused fetch must not touch its document";
    EXPECT_FALSE(fetcher.busy());
    EXPECT_EQ(kFetchOk, fetcher.Fetch(Fault("/ok").c_str(), kOldHeader, inner));
}

TEST_F(FetchTest, LastModifiedOfA200AnswerGoesWithTheDocument) {
    WinInetFetcher fetcher(messages_, pump_);
    // nginx dates feed.xml 1 January 2020 00:00:00 UTC.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/feed.xml").c_str(), kOldHeader, document_));
    EXPECT_EQ(FileTimeOf(2020, 1, 1, 0, 0, 0), document_.lastModified());
    // The same date sent back is what nginx's default (exact) answers 304 to.
    ASSERT_EQ(kFetchEmpty, fetcher.Fetch(Nginx("/exact/feed.xml").c_str(),
                                         "If-Modified-Since: Wed, 01 Jan 2020 00:00:00 GMT", document_));
    EXPECT_EQ(0, document_.lastModified());
    // Answers without the header, or that are not a 200, carry no date.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/ok").c_str(), kOldHeader, document_));
    EXPECT_EQ(0, document_.lastModified());
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/no-such-feed.xml").c_str(), kOldHeader, document_));
    EXPECT_EQ(0, document_.lastModified());
}

TEST_F(FetchTest, CompressedAnswerIsDecodedByTheLibrary) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string token = Unique();
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Nginx("/gzip/feed.xml?t=" + token).c_str(), kOldHeader, document_));
    EXPECT_TRUE(std::string(document_.text(), document_.textLength()) == feed_) << document_.textLength();
    EXPECT_EQ(FileTimeOf(2020, 1, 1, 0, 0, 0), document_.lastModified());
    // nginx logs the bytes it sent, headers included, last.
    std::string line = LogLine(token);
    ASSERT_FALSE(line.empty());
    size_t sent = std::stoul(line.substr(line.find_last_of(' ') + 1));
    EXPECT_LT(sent, feed_.size() / 2) << line;

    // A compressed body longer than the document it holds: its length is not the document's.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/compressed?tiny=1").c_str(), kOldHeader, document_));
    EXPECT_STREQ("<rss/>", document_.text());
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/compressed").c_str(), kOldHeader, document_));
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FetchTest, AnswerTheLibraryLeavesCompressedIsAskedForAgainUncompressed) {
    WinInetFetcher fetcher(messages_, pump_);
    std::string log = Env("NEWSROLLER_FAULT_LOG");
    ASSERT_FALSE(log.empty());
    std::string before = ReadHostFile(log);
    // An encoding the library does not decode: the gzip bytes come through as they were sent.
    ASSERT_EQ(kFetchOk, fetcher.Fetch(Fault("/compressed?encoding=x-gzip").c_str(), kOldHeader, document_));
    EXPECT_NE(nullptr, strstr(document_.text(), "<title>Second item</title>"));
    std::string added = ReadHostFile(log).substr(before.size());
    EXPECT_EQ(
        "/compressed\tNewsroller1_88\tThu, 01 Jan 2004 00:00:00 GMT\tgzip\n"
        "/compressed\tNewsroller1_88\tThu, 01 Jan 2004 00:00:00 GMT\t\n",
        added);
}

}  // namespace

#include "net/fetch_win.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "net/document_buffer.h"
#include "net/http_answer.h"
#include "net/url.h"

namespace {

// The agent name the program has always sent: feed servers and their logs may know it by it, so it
// stays as it is whatever the program's version.
constexpr char kAgent[] = "Newsroller1_88";
constexpr DWORD kReadSize = 32 * 1024;
// Reads that complete at once are looped within this much of each Advance, so that painting stays
// smooth however much has arrived.
constexpr int64_t kAdvanceMicroseconds = 4000;
constexpr uint64_t kCloseWaitMilliseconds = 2000;
constexpr DWORD kHeaderLimit = 64 * 1024;
// Compressed answers are asked for and decoded by the library; the document stays as the server
// holds it.
constexpr char kAcceptCompressed[] = "Accept-Encoding: gzip";

// The first bytes of a gzip stream: an answer that still begins with them was not decoded.
bool StillCompressed(const DocumentBuffer& document) {
    return document.received() >= 2 && static_cast<unsigned char>(document.text()[0]) == 0x1f &&
           static_cast<unsigned char>(document.text()[1]) == 0x8b;
}

int64_t Microseconds() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart > 0 ? f.QuadPart : 1;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(now.QuadPart / frequency * 1000000 +
                                now.QuadPart % frequency * 1000000 / frequency);
}

// A header of the answer as sent, or false when it has none.
bool QueryHeader(HINTERNET request, DWORD query, std::string& value) {
    std::string buffer(512, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (HttpQueryInfoA(request, query, &buffer[0], &size, nullptr)) {
            value.assign(buffer.data(), size < buffer.size() ? size : buffer.size());
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > kHeaderLimit) return false;
        buffer.assign(size + 1, '\0');
    }
    return false;
}

int StatusOf(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return static_cast<int>(status);
}

int64_t AnnouncedLength(HINTERNET request, int status) {
    // A 204 carries no body whatever Content-Length says.
    if (status == HTTP_STATUS_NO_CONTENT) return -1;
    std::string text;
    // The length of a compressed body says nothing of the document's.
    if (QueryHeader(request, HTTP_QUERY_CONTENT_ENCODING, text)) return -1;
    if (!QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH, text)) return -1;
    char* end = nullptr;
    long long value = strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || value < 0) return -1;
    return value;
}

int64_t LastModifiedOf(HINTERNET request) {
    SYSTEMTIME date;
    DWORD size = sizeof date;
    FILETIME stamp;
    if (!HttpQueryInfoA(request, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &date, &size,
                        nullptr) ||
        !SystemTimeToFileTime(&date, &stamp)) {
        return 0;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(stamp.dwHighDateTime) << 32) | stamp.dwLowDateTime);
}

}  // namespace

// What the callback thread needs to wake the window thread. Shared by the fetcher and its requests,
// so that it outlives the fetcher as long as a request the library still holds may be reported.
struct WinInetFetcher::Wake {
    std::atomic<HWND> window{nullptr};
    std::atomic<UINT> message{0};
    std::atomic<bool> posted{false};

    void Post() {
        HWND target = window.load();
        if (!target || posted.exchange(true)) return;
        if (!PostMessageW(target, message.load(), 0, 0)) posted.store(false);
    }
};

// One GET: the context value of its handles. The callback thread writes only the atomics; all the
// rest belongs to the window thread.
struct WinInetFetcher::Request {
    enum class Stage {
        Sending,      // the request is out; its head has not been taken yet
        Reading,      // the body is read with reads that do not wait
        ReadPending,  // a read found nothing yet; the library reports when something came
        Done,         // the answer is ready and the handles are closed
    };

    Request(FetchId id_, const char* url, const char* headers_, std::shared_ptr<Wake> wake_,
            const FetchLimits& limits, uint64_t now)
        : id(id_),
          wake(std::move(wake_)),
          chain(url),
          headers(headers_ ? headers_ : ""),
          budget(limits, now) {
        while (!headers.empty() && (headers.back() == '\r' || headers.back() == '\n')) headers.pop_back();
        answer.finalUrl = url;
    }

    const FetchId id;
    const std::shared_ptr<Wake> wake;

    // From the callback thread. The count of handles is the last thing the callback touches: once
    // it is 0 the library is done with this request and it may be freed.
    std::atomic<bool> completed{false};
    std::atomic<DWORD> completeError{0};
    std::atomic<int> openHandles{0};

    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    Stage stage = Stage::Sending;
    RedirectChain chain;
    std::string headers;
    bool compressionAsked = true;
    FetchBudget budget;
    int64_t announced = -1;
    FetchAnswer answer;
    DocumentBuffer document;
    // The library may write into these until the read it was given has ended.
    INTERNET_BUFFERSA buffers{};
    char bytes[kReadSize];
};

WinInetFetcher::WinInetFetcher(const FetchLimits& limits)
    : limits_(limits), wake_(std::make_shared<Wake>()) {}

WinInetFetcher::~WinInetFetcher() {
    wake_->window.store(nullptr);
    while (!requests_.empty()) {
        CloseHandles(*requests_.back());
        Retire(requests_.size() - 1);
    }
    // A request blocked in a read the library cannot break off is let go of only when that read
    // times out: wait a little, then leave such requests to it.
    const uint64_t end = Now() + kCloseWaitMilliseconds;
    for (;;) {
        FreeClosed();
        if (closing_.empty() || Now() >= end) break;
        Sleep(10);
    }
    if (root_) InternetCloseHandle(root_);
    for (std::unique_ptr<Request>& left : closing_) {
        Request* leftToLibrary = left.release();
        (void)leftToLibrary;
    }
}

void WinInetFetcher::SetWakeWindow(HWND window, UINT message) {
    wake_->message.store(message);
    wake_->window.store(window);
}

uint64_t WinInetFetcher::Now() const { return GetTickCount64(); }

Fetcher::Session WinInetFetcher::EnsureSession() {
    if (!root_) {
        root_ = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
        if (!root_) return Session::OpenFailed;
    }
    if (!callbackRegistered_) {
        if (InternetSetStatusCallbackA(root_, &WinInetFetcher::StatusCallback) ==
            INTERNET_INVALID_STATUS_CALLBACK)
            return Session::CallbackFailed;
        callbackRegistered_ = true;
    }
    return Session::Ready;
}

void CALLBACK WinInetFetcher::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                             DWORD infoLength) {
    // The root handle has no context; each request's handles carry their request.
    if (!context) return;
    Request* request = reinterpret_cast<Request*>(context);
    if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        DWORD error = 0;
        if (info && infoLength >= sizeof(INTERNET_ASYNC_RESULT)) {
            const INTERNET_ASYNC_RESULT* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
            if (!result->dwResult) error = result->dwError ? result->dwError : ERROR_INTERNET_INTERNAL_ERROR;
        }
        request->completeError.store(error);
        request->completed.store(true);
        request->wake->Post();
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
        request->openHandles.fetch_sub(1);
    }
}

DWORD RequestFlags(const UrlParts& parts) {
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
    // https is requested over TLS, with the certificate checked. A plain feed that moved to https is
    // followed there; a secure feed sent to http is not (RedirectChain refuses it).
    if (parts.secure) {
        flags |= INTERNET_FLAG_SECURE;
    } else {
        flags |= INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    }
    return flags;
}

FetchId WinInetFetcher::Start(const char* url, const char* headers) {
    UrlParts parts;
    if (!url || !SplitUrl(url, parts) || EnsureSession() != Session::Ready) return 0;
    if (++lastId_ == 0) ++lastId_;
    std::unique_ptr<Request> request(new (std::nothrow)
                                         Request(lastId_, url, headers, wake_, limits_, Now()));
    if (!request) return 0;
    requests_.push_back(std::move(request));
    Request& started = *requests_.back();
    if (!Open(started)) Fail(started);
    return started.id;
}

bool WinInetFetcher::Open(Request& request) {
    UrlParts parts;
    if (!SplitUrl(request.chain.current().c_str(), parts)) return false;
    const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&request);
    // Both calls return their handle at once; only the send and the reads complete later.
    request.connection = InternetConnectA(root_, parts.host.c_str(), parts.port, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, context);
    if (!request.connection) return false;
    request.openHandles.fetch_add(1);
    // A server whose certificate is not trusted fails the fetch, never falls back to plain text.
    request.request = HttpOpenRequestA(request.connection, "GET", parts.path.c_str(), nullptr, nullptr,
                                       nullptr, RequestFlags(parts), context);
    if (!request.request) {
        CloseHandles(request);
        return false;
    }
    request.openHandles.fetch_add(1);
    // The library's own time-outs, set on the request (those of the root handle do not reach it
    // everywhere), end a call it is blocked in about when the fetch itself gives up.
    DWORD timeout =
        static_cast<DWORD>(limits_.idleMilliseconds < limits_.totalMilliseconds ? limits_.idleMilliseconds
                                                                                : limits_.totalMilliseconds);
    InternetSetOptionA(request.request, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(request.request, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(request.request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    std::string lines = request.headers;
    if (request.compressionAsked) {
        BOOL decode = TRUE;
        InternetSetOptionA(request.request, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
        lines += lines.empty() ? "" : "\r\n";
        lines += kAcceptCompressed;
    }
    request.stage = Request::Stage::Sending;
    request.completed.store(false);
    request.completeError.store(0);
    const char* extra = lines.empty() ? nullptr : lines.c_str();
    if (HttpSendRequestA(request.request, extra, extra ? static_cast<DWORD>(-1) : 0, nullptr, 0)) {
        // Done at once: nothing will report it. (A completion the library reports after all only
        // makes a later read look again, which a read that does not wait bears.)
        request.completed.store(true);
    } else if (GetLastError() != ERROR_IO_PENDING) {
        CloseHandles(request);
        return false;
    }
    return true;
}

void WinInetFetcher::Reopen(Request& request) {
    CloseHandles(request);
    request.document.Release();
    request.budget.Restart();
    request.announced = -1;
    if (!Open(request)) Fail(request);
}

void WinInetFetcher::CloseHandles(Request& request) {
    // Each close is reported by INTERNET_STATUS_HANDLE_CLOSING, at once or once the library has
    // finished what it was doing with the handle; a pending call is given up.
    if (request.request) InternetCloseHandle(request.request);
    if (request.connection) InternetCloseHandle(request.connection);
    request.request = nullptr;
    request.connection = nullptr;
}

void WinInetFetcher::Advance() {
    // Whatever the library reports from now on wakes the window thread again.
    wake_->posted.store(false);
    const int64_t readDeadline = Microseconds() + kAdvanceMicroseconds;
    const size_t count = requests_.size();
    // Each call begins with another request, so that one large body does not keep the rest waiting.
    for (size_t k = 0; k < count; ++k) Step(*requests_[(nextTurn_ + k) % count], readDeadline);
    nextTurn_ = count ? (nextTurn_ + 1) % count : 0;
    FreeClosed();
}

void WinInetFetcher::Step(Request& request, int64_t readDeadline) {
    if (request.stage == Request::Stage::Sending && request.completed.load()) {
        if (request.completeError.load() != 0) return Fail(request);
        request.budget.Progressed(Now());
        TakeHead(request);
    }
    if (request.stage == Request::Stage::ReadPending && request.completed.load()) {
        if (request.completeError.load() != 0) return Fail(request);
        request.stage = Request::Stage::Reading;
    }
    if (request.stage == Request::Stage::Reading) Read(request, readDeadline);
    if (request.stage != Request::Stage::Done && request.budget.OutOfTime(Now())) Fail(request);
}

void WinInetFetcher::TakeHead(Request& request) {
    const int status = StatusOf(request.request);
    std::string location;
    if (KindOfStatus(status) == StatusKind::Redirect &&
        QueryHeader(request.request, HTTP_QUERY_LOCATION, location) &&
        request.chain.Follow(status, location)) {
        return Reopen(request);
    }
    FetchAnswer& answer = request.answer;
    answer.status = status;
    answer.finalUrl = request.chain.current();
    answer.retryAfter.clear();
    QueryHeader(request.request, HTTP_QUERY_RETRY_AFTER, answer.retryAfter);
    switch (KindOfStatus(status)) {
        case StatusKind::Unchanged:
            QueryHeader(request.request, HTTP_QUERY_ETAG, answer.etag);
            return Finish(request, kFetchEmpty);
        case StatusKind::Document:
            QueryHeader(request.request, HTTP_QUERY_ETAG, answer.etag);
            answer.lastModified = LastModifiedOf(request.request);
            request.announced = AnnouncedLength(request.request, status);
            if (!request.budget.AnnouncedLengthFits(request.announced) || !request.document.Allocate(1)) {
                return Fail(request);
            }
            request.stage = Request::Stage::Reading;
            return;
        case StatusKind::Redirect:  // one that cannot be followed
        case StatusKind::Failure:
            return Fail(request);
    }
}

void WinInetFetcher::Read(Request& request, int64_t readDeadline) {
    for (;;) {
        memset(&request.buffers, 0, sizeof request.buffers);
        request.buffers.dwStructSize = sizeof request.buffers;
        request.buffers.lpvBuffer = request.bytes;
        request.buffers.dwBufferLength = kReadSize;
        request.completed.store(false);
        request.completeError.store(0);
        // A read that does not wait hands over what the library holds, or goes pending until
        // something came; its completion carries no data, only that the next read will find some.
        if (!InternetReadFileExA(request.request, &request.buffers, IRF_NO_WAIT,
                                 reinterpret_cast<DWORD_PTR>(&request))) {
            if (GetLastError() == ERROR_IO_PENDING) {
                request.stage = Request::Stage::ReadPending;
            } else {
                Fail(request);
            }
            return;
        }
        DWORD received = request.buffers.dwBufferLength;
        if (received > kReadSize) received = kReadSize;
        // The end comes only as a read of 0 bytes: the library may still hold data after the
        // server closed the connection.
        if (received == 0) return BodyEnded(request);
        request.budget.Progressed(Now());
        if (!request.budget.Take(received)) return Fail(request);
        if (!request.document.AppendChunk(request.bytes, received)) return Fail(request);
        if (Microseconds() >= readDeadline) return;
    }
}

void WinInetFetcher::BodyEnded(Request& request) {
    const FetchResult result = request.budget.Finish(request.announced);
    // The library may leave a compressed answer as it came (it does not decode one the server marks
    // "no-transform", or an encoding it does not know): the document is then asked for again,
    // uncompressed, as a step of the same request.
    if (result == kFetchOk && request.compressionAsked && StillCompressed(request.document)) {
        request.compressionAsked = false;
        return Reopen(request);
    }
    if (result == kFetchFailed) return Fail(request);
    Finish(request, result);
}

void WinInetFetcher::Finish(Request& request, FetchResult result) {
    CloseHandles(request);
    FetchAnswer& answer = request.answer;
    answer.result = result;
    answer.movedTo = request.chain.movedTo();
    if (result == kFetchOk) {
        request.document.SetLastModified(answer.lastModified);
    } else {
        request.document.Release();
        answer.lastModified = 0;
    }
    request.stage = Request::Stage::Done;
}

void WinInetFetcher::Fail(Request& request) {
    CloseHandles(request);
    FetchAnswer& answer = request.answer;
    answer.result = kFetchFailed;
    // A failure carries no document, nor what only a document's answer says; a move is not taken
    // from a chain that ended in a failure.
    answer.lastModified = 0;
    answer.etag.clear();
    answer.movedTo.clear();
    request.document.Release();
    request.stage = Request::Stage::Done;
}

bool WinInetFetcher::Take(FetchId id, FetchAnswer& answer, DocumentBuffer& document) {
    for (size_t i = 0; i < requests_.size(); ++i) {
        Request& request = *requests_[i];
        if (request.id != id) continue;
        if (request.stage != Request::Stage::Done) return false;
        answer = std::move(request.answer);
        document.Release();
        if (answer.result == kFetchOk) {
            document.Swap(request.document);
        } else {
            document.Allocate(1);
        }
        Retire(i);
        return true;
    }
    return false;
}

void WinInetFetcher::Cancel(FetchId id) {
    for (size_t i = 0; i < requests_.size(); ++i) {
        if (requests_[i]->id != id) continue;
        CloseHandles(*requests_[i]);
        Retire(i);
        return;
    }
}

void WinInetFetcher::Retire(size_t index) {
    closing_.push_back(std::move(requests_[index]));
    requests_.erase(requests_.begin() + static_cast<std::ptrdiff_t>(index));
    FreeClosed();
}

void WinInetFetcher::FreeClosed() {
    for (size_t i = 0; i < closing_.size();) {
        if (closing_[i]->openHandles.load() <= 0) {
            closing_.erase(closing_.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

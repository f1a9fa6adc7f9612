#include "net/fetch_win.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "net/document_buffer.h"
#include "net/url.h"

namespace {

// The agent name the program has always sent: feed servers and their logs may know it by it, so it
// stays as it is whatever the program's version.
constexpr char kAgent[] = "Newsroller1_88";
constexpr DWORD_PTR kConnectContext = 1;
constexpr DWORD_PTR kRequestContext = 2;
constexpr DWORD kReadSize = 1023;
// Compressed answers are asked for and decoded by the library; the document stays as the server
// holds it.
constexpr char kAcceptCompressed[] = "Accept-Encoding: gzip";

// The first bytes of a gzip stream: an answer that still begins with them was not decoded.
bool StillCompressed(const DocumentBuffer& document) {
    return document.received() >= 2 && static_cast<unsigned char>(document.text()[0]) == 0x1f &&
           static_cast<unsigned char>(document.text()[1]) == 0x8b;
}

class TickClock : public MonotonicClock {
  public:
    uint64_t NowMilliseconds() override { return GetTickCount64(); }
};

// How the callback reaches the fetcher. WinINet hands the callback only the handle a notification
// is about and that handle's context value, which stays 1 (connection) or 2 (request). Walking from
// that handle to the root handle and reading the root's context value does not work under Wine: it
// refuses INTERNET_OPTION_PARENT_HANDLE (error 12018), and it reports a new handle's creation on the
// parent handle. So the fetcher whose session is open is stored here once, when its callback is
// registered, and cleared when it is destroyed; only one session is open per process (the program
// has one fetcher). The count of running callbacks lets the destructor wait until none still
// holds the pointer.
std::atomic<WinInetFetcher*> sessionOwner{nullptr};
std::atomic<int> callbacksRunning{0};

}  // namespace

// The read buffer lives on the heap, not on the stack of the fetch: a read that is still pending
// when the fetch gives up may be completed by the library later, and must find memory that is
// still there (see the read loop).
struct WinInetFetcher::ReadArea {
    INTERNET_BUFFERSA buffers;
    char bytes[kReadSize + 1];
};

class WinInetFetcher::Event : public EventWait {
  public:
    explicit Event(HANDLE handle) : handle_(handle) {}
    bool WaitStep(int milliseconds) override {
        return WaitForSingleObject(handle_, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
    }

  private:
    HANDLE handle_;
};

WinInetFetcher::WinInetFetcher(MessageBoxes& messages, MessagePump& pump, const FetchLimits& limits)
    : messages_(messages), pump_(pump), limits_(limits), readArea_(new ReadArea) {
    // Auto-reset, not signalled.
    connectEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    openEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    completeEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

WinInetFetcher::~WinInetFetcher() {
    // From here on no callback may reach this object: unregister it, then wait for callbacks that
    // already hold the pointer (they only store a value and signal an event).
    WinInetFetcher* self = this;
    sessionOwner.compare_exchange_strong(self, nullptr);
    while (callbacksRunning.load() != 0) Sleep(1);
    CloseBoth();
    if (root_) InternetCloseHandle(root_);
    root_ = nullptr;
    for (HANDLE event : {connectEvent_, openEvent_, completeEvent_}) {
        if (event) CloseHandle(event);
    }
}

Fetcher::Session WinInetFetcher::EnsureSession() {
    if (!root_) {
        root_ = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
        if (!root_) return Session::OpenFailed;
    }
    if (!callbackRegistered_) {
        WinInetFetcher* expected = nullptr;
        if (!sessionOwner.compare_exchange_strong(expected, this) && expected != this)
            return Session::CallbackFailed;
        if (InternetSetStatusCallbackA(root_, &WinInetFetcher::FetchStatusCallback) ==
            INTERNET_INVALID_STATUS_CALLBACK) {
            sessionOwner.store(nullptr);
            return Session::CallbackFailed;
        }
        callbackRegistered_ = true;
    }
    return Session::Ready;
}

void CALLBACK WinInetFetcher::FetchStatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                                  LPVOID info, DWORD infoLength) {
    if (context != kConnectContext && context != kRequestContext) return;
    if (status != INTERNET_STATUS_HANDLE_CREATED && status != INTERNET_STATUS_REQUEST_COMPLETE) return;
    if (!info) return;
    callbacksRunning.fetch_add(1);
    WinInetFetcher* owner = sessionOwner.load();
    if (owner) owner->OnStatus(handle, context, status, info, infoLength);
    callbacksRunning.fetch_sub(1);
}

void WinInetFetcher::OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, const void* info,
                              DWORD infoLength) {
    if (status == INTERNET_STATUS_HANDLE_CREATED) {
        if (infoLength < sizeof(HINTERNET)) return;
        // The status information starts with the new handle (an INTERNET_ASYNC_RESULT's result).
        HINTERNET created = *static_cast<const HINTERNET*>(info);
        if (context == kConnectContext) {
            connection_.store(created);
            SetEvent(connectEvent_);
        } else {
            request_.store(created);
            SetEvent(openEvent_);
        }
        return;
    }
    // INTERNET_STATUS_REQUEST_COMPLETE. Only the current request counts: a request given up and
    // closed earlier may still report its end.
    if (context != kRequestContext || handle != request_.load()) return;
    DWORD error = 0;
    if (infoLength >= sizeof(INTERNET_ASYNC_RESULT)) {
        const INTERNET_ASYNC_RESULT* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
        if (!result->dwResult) error = result->dwError ? result->dwError : ERROR_INTERNET_INTERNAL_ERROR;
    }
    completeError_.store(error);
    SetEvent(completeEvent_);
}

void WinInetFetcher::CloseRequest() {
    HINTERNET handle = request_.exchange(nullptr);
    if (handle) InternetCloseHandle(handle);
}

void WinInetFetcher::CloseConnection() {
    HINTERNET handle = connection_.exchange(nullptr);
    if (handle) InternetCloseHandle(handle);
}

void WinInetFetcher::ShowOutOfMemory() {
    messages_.Show("メモリが不足しています。", "ERROR", MessageIcon::Error);
}

WaitOutcome WinInetFetcher::Wait(HANDLE event, const FetchBudget& budget) {
    Event waitable(event);
    TickClock clock;
    return PumpingWait(waitable, pump_, budget, clock);
}

int64_t WinInetFetcher::AnnouncedLength(int status) {
    // A 304 or 204 carries no body whatever Content-Length says.
    if (status == HTTP_STATUS_NOT_MODIFIED || status == HTTP_STATUS_NO_CONTENT) return -1;
    char text[32];
    DWORD size = sizeof text - 1;
    // The length of a compressed body says nothing of the document's.
    if (HttpQueryInfoA(request_.load(), HTTP_QUERY_CONTENT_ENCODING, text, &size, nullptr)) return -1;
    size = sizeof text - 1;
    if (!HttpQueryInfoA(request_.load(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return -1;
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    char* end = nullptr;
    long long value = strtoll(text, &end, 10);
    if (end == text || value < 0) return -1;
    return value;
}

int64_t WinInetFetcher::LastModified() {
    SYSTEMTIME date;
    DWORD size = sizeof date;
    FILETIME stamp;
    if (!HttpQueryInfoA(request_.load(), HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &date, &size,
                        nullptr) ||
        !SystemTimeToFileTime(&date, &stamp)) {
        return 0;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(stamp.dwHighDateTime) << 32) | stamp.dwLowDateTime);
}

DWORD RequestFlags(const UrlParts& parts) {
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    // https is requested over TLS, with the certificate checked. A plain feed that moved to https is
    // followed there; a secure feed sent to http is not (the library refuses it without the flag
    // that would allow it).
    if (parts.secure) {
        flags |= INTERNET_FLAG_SECURE;
    } else {
        flags |= INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    }
    return flags;
}

std::string WinInetFetcher::FinalUrl() {
    char url[4096];
    DWORD size = sizeof url;
    if (!InternetQueryOptionA(request_.load(), INTERNET_OPTION_URL, url, &size)) return std::string();
    return std::string(url, size < sizeof url ? size : sizeof url - 1);
}

FetchResult WinInetFetcher::FetchDocument(const char* url, const char* header, DocumentBuffer& document) {
    // Every fetch shares the handles, events and read area: a fetch asked for while another one
    // waits (from a message dispatched by that wait) is refused rather than nested.
    if (busy_) return kFetchFailed;
    busy_ = true;
    FetchResult result = Run(url, header, Compression::Asked, document);
    // The library may leave a compressed answer as it came (it does not decode one the server marks
    // "no-transform", or an encoding it does not know): the document is then asked for uncompressed,
    // unless the program is closing.
    if (result == kFetchOk && StillCompressed(document) && !pump_.QuitSeen()) {
        result = Run(url, header, Compression::NotAsked, document);
    }
    busy_ = false;
    return result;
}

// An asynchronous library call either finishes at once or reports ERROR_IO_PENDING and ends later
// with `event`; called right after the call, while its last error is still current.
WinInetFetcher::CallEnd WinInetFetcher::FinishCall(bool finishedAtOnce, HANDLE event,
                                                   const FetchBudget& budget) {
    if (finishedAtOnce) return CallEnd::Done;
    if (GetLastError() != ERROR_IO_PENDING) return CallEnd::Failed;
    return Wait(event, budget) == WaitOutcome::Signalled ? CallEnd::Done : CallEnd::WaitGivenUp;
}

FetchResult WinInetFetcher::Run(const char* url, const char* header, Compression compression,
                                DocumentBuffer& document) {
    UrlParts parts;
    if (!SplitUrl(url, parts)) return kFetchFailed;
    if (EnsureSession() != Session::Ready) return kFetchFailed;
    if (!document.Allocate(1)) {
        ShowOutOfMemory();
        return kFetchFailed;
    }
    TickClock clock;
    FetchBudget budget(limits_, clock.NowMilliseconds());
    // However the fetch ends, its connection and request handles are closed.
    struct HandlesGuard {
        WinInetFetcher& fetcher;
        ~HandlesGuard() { fetcher.CloseBoth(); }
    } guard{*this};

    // Connection (context 1).
    CloseConnection();
    ResetEvent(connectEvent_);
    HINTERNET connection = InternetConnectA(root_, parts.host.c_str(), parts.port, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, kConnectContext);
    if (connection) connection_.store(connection);
    if (FinishCall(connection != nullptr, connectEvent_, budget) != CallEnd::Done) return kFetchFailed;
    if (!connection_.load()) return kFetchFailed;

    // Request (context 2). A server whose certificate is not trusted fails the fetch, never falls back
    // to plain text.
    CloseRequest();
    ResetEvent(openEvent_);
    HINTERNET request = HttpOpenRequestA(connection_.load(), "GET", parts.path.c_str(), nullptr, nullptr,
                                         nullptr, RequestFlags(parts), kRequestContext);
    if (request) request_.store(request);
    if (FinishCall(request != nullptr, openEvent_, budget) != CallEnd::Done) return kFetchFailed;
    if (!request_.load()) return kFetchFailed;
    // The library's own time-outs, set on the request (those of the root handle do not reach it
    // everywhere), bound a connection that was given up and is still being served in the background.
    DWORD timeout = static_cast<DWORD>(limits_.totalMilliseconds);
    InternetSetOptionA(request_.load(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(request_.load(), INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(request_.load(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    std::string lines = header ? header : "";
    if (compression == Compression::Asked) {
        BOOL decode = TRUE;
        InternetSetOptionA(request_.load(), INTERNET_OPTION_HTTP_DECODING, &decode, sizeof decode);
        lines += lines.empty() ? "" : "\r\n";
        lines += kAcceptCompressed;
    }

    // Send, with the conditional request header line.
    ResetEvent(completeEvent_);
    completeError_.store(0);
    const char* headers = lines.empty() ? nullptr : lines.c_str();
    BOOL sent = HttpSendRequestA(request_.load(), headers, headers ? static_cast<DWORD>(-1) : 0, nullptr, 0);
    if (!sent && GetLastError() != ERROR_IO_PENDING) return kFetchFailed;
    // The send's completion is awaited even when the call succeeded at once: left unawaited, it
    // could arrive during the first read's wait and pass for that read's end, with no bytes read.
    if (Wait(completeEvent_, budget) != WaitOutcome::Signalled) return kFetchFailed;
    // A request that completed with an error (no connection, a certificate that is not trusted, a
    // broken answer) has no document to read.
    if (completeError_.load() != 0) return kFetchFailed;
    // Where redirects ended: an https feed must not have been moved to plain text, whatever the
    // library let through.
    if (!RedirectAllowed(url, FinalUrl().c_str())) return kFetchFailed;
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (!HttpQueryInfoA(request_.load(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &statusSize, nullptr)) {
        status = 0;
    }
    if (status == HTTP_STATUS_OK) document.SetLastModified(LastModified());
    int64_t announced = AnnouncedLength(static_cast<int>(status));
    if (!budget.AnnouncedLengthFits(announced)) return kFetchFailed;

    // Read loop, 1023 bytes at a time. The loop ends only on a read of 0 bytes: the library may
    // still hold data after the server closed the connection.
    for (;;) {
        ReadArea& area = *readArea_;
        memset(&area.buffers, 0, sizeof area.buffers);
        area.buffers.dwStructSize = sizeof area.buffers;
        area.buffers.lpvBuffer = area.bytes;
        area.buffers.dwBufferLength = kReadSize;
        ResetEvent(completeEvent_);
        completeError_.store(0);
        BOOL read = InternetReadFileExA(request_.load(), &area.buffers, 0, kRequestContext);
        switch (FinishCall(read != FALSE, completeEvent_, budget)) {
            case CallEnd::Done:
                break;
            case CallEnd::Failed:
                return kFetchFailed;
            case CallEnd::WaitGivenUp: {
                // The read may still complete after its handle is closed, into this area: leave the
                // area to the library (a small block per abandoned read) and take a new one.
                ReadArea* leftToLibrary = readArea_.release();
                (void)leftToLibrary;
                readArea_.reset(new ReadArea);
                return kFetchFailed;
            }
        }
        if (completeError_.load() != 0) return kFetchFailed;
        DWORD received = area.buffers.dwBufferLength;
        if (received > kReadSize) received = kReadSize;
        if (received == 0) return budget.Finish(announced);
        if (!budget.Take(received)) return kFetchFailed;
        if (!document.AppendChunk(area.bytes, received)) {
            ShowOutOfMemory();
            return kFetchFailed;
        }
        if (budget.OutOfTime(clock.NowMilliseconds())) return kFetchFailed;
    }
}

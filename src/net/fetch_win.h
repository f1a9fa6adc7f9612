#pragma once
// The document fetch over asynchronous WinINet: one GET at a time, waiting on events that the
// status callback signals while window messages keep being dispatched.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "net/fetch_bounds.h"

struct UrlParts;

// The request flags of a feed's GET: always from the server, never into the library's cache, over TLS
// for https, and following a plain address that moved to https.
DWORD RequestFlags(const UrlParts& parts);

class WinInetFetcher : public Fetcher {
  public:
    // `messages` shows the out-of-memory message; `pump` dispatches one message per wait step.
    WinInetFetcher(MessageBoxes& messages, MessagePump& pump, const FetchLimits& limits = FetchLimits());
    ~WinInetFetcher() override;
    WinInetFetcher(const WinInetFetcher&) = delete;
    WinInetFetcher& operator=(const WinInetFetcher&) = delete;

    Session EnsureSession() override;
    // Not built yet: the requests of the non-blocking fetch.
    FetchId Start(const char*, const char*) override { return 0; }
    void Advance() override {}
    bool Take(FetchId, FetchAnswer&, DocumentBuffer&) override { return false; }
    void Cancel(FetchId) override {}
    int InFlight() const override { return 0; }
    FetchResult Fetch(const char* url, const char* header, DocumentBuffer& document) override {
        return FetchDocument(url, header, document);
    }
    // GET `url` with `header` (one whole request header line, may be empty) into `document`:
    // 0 a document, 99 an empty answer, -1 a failure (the document may then hold a partial text).
    FetchResult FetchDocument(const char* url, const char* header, DocumentBuffer& document);
    // True while a fetch waits (a second one is then refused).
    bool busy() const { return busy_; }

    static void CALLBACK FetchStatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                             DWORD infoLength);

  private:
    struct ReadArea;
    class Event;

    enum class CallEnd { Done, Failed, WaitGivenUp };

    enum class Compression { Asked, NotAsked };

    FetchResult Run(const char* url, const char* header, Compression compression, DocumentBuffer& document);
    CallEnd FinishCall(bool finishedAtOnce, HANDLE event, const FetchBudget& budget);
    WaitOutcome Wait(HANDLE event, const FetchBudget& budget);
    void OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, const void* info, DWORD infoLength);
    void CloseRequest();
    void CloseConnection();
    void CloseBoth() {
        CloseRequest();
        CloseConnection();
    }
    int64_t AnnouncedLength(int status);
    int64_t LastModified();
    // The address the request ended at after redirects, or empty.
    std::string FinalUrl();
    void ShowOutOfMemory();

    MessageBoxes& messages_;
    MessagePump& pump_;
    FetchLimits limits_;

    HINTERNET root_ = nullptr;
    bool callbackRegistered_ = false;
    bool busy_ = false;

    // Written by the callback thread, read by the user-interface thread.
    std::atomic<HINTERNET> connection_{nullptr};
    std::atomic<HINTERNET> request_{nullptr};
    std::atomic<DWORD> completeError_{0};  // error of the last completed request or read, 0 = none

    HANDLE connectEvent_ = nullptr;
    HANDLE openEvent_ = nullptr;
    HANDLE completeEvent_ = nullptr;

    std::unique_ptr<ReadArea> readArea_;
};

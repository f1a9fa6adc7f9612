#pragma once
// The document fetch over asynchronous WinINet. Many GETs run at once, each with its own connection
// and request handles, read buffer, document and state; the window thread moves them on in Advance
// without ever waiting, and the library's status callback only records what happened and wakes
// that thread with one posted message.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "net/fetch_bounds.h"

struct UrlParts;

// The request flags of a feed's GET: always from the server, never into the library's cache, over TLS
// for https, and redirects left to the fetch, which follows them itself to learn where a feed moved
// (a plain address moved to https is followed; the flag that lets the library do so stays set).
DWORD RequestFlags(const UrlParts& parts);

class WinInetFetcher : public Fetcher {
  public:
    // `messages` shows the out-of-memory message of the blocking Fetch; `pump` dispatches one window
    // message per step of it.
    explicit WinInetFetcher(const FetchLimits& limits = FetchLimits());
    // Cancels every request and waits about 2 s at most for the library to let go of them; what it
    // still holds then is left to it (the process is ending).
    ~WinInetFetcher() override;
    WinInetFetcher(const WinInetFetcher&) = delete;
    WinInetFetcher& operator=(const WinInetFetcher&) = delete;

    // The window that is posted `message` when the library has done something Advance should take
    // up: one message until the next Advance, however much happens meanwhile. Null for none.
    void SetWakeWindow(HWND window, UINT message);

    Session EnsureSession() override;
    FetchId Start(const char* url, const char* headers) override;
    void Advance() override;
    bool Take(FetchId id, FetchAnswer& answer, DocumentBuffer& document) override;
    void Cancel(FetchId id) override;
    int InFlight() const override { return static_cast<int>(requests_.size()); }

    // Requests given up or taken whose handles the library has not reported closed yet (Advance
    // frees each one once it has).
    int Closing() const { return static_cast<int>(closing_.size()); }

    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                        DWORD infoLength);

  private:
    struct Wake;
    struct Request;

    uint64_t Now() const;
    bool Open(Request& request);
    void Reopen(Request& request);
    void CloseHandles(Request& request);
    void Step(Request& request, int64_t readDeadline);
    void TakeHead(Request& request);
    void Read(Request& request, int64_t readDeadline);
    void BodyEnded(Request& request);
    void Finish(Request& request, FetchResult result);
    void Fail(Request& request);
    // Takes the request out of the requests in flight; it is freed once its handles are closed.
    void Retire(size_t index);
    void FreeClosed();

    FetchLimits limits_;
    std::shared_ptr<Wake> wake_;
    HINTERNET root_ = nullptr;
    bool callbackRegistered_ = false;
    FetchId lastId_ = 0;
    size_t nextTurn_ = 0;
    std::vector<std::unique_ptr<Request>> requests_;
    std::vector<std::unique_ptr<Request>> closing_;
};

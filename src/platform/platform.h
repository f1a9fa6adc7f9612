#pragma once
// The small interfaces through which the portable core reaches the platform. The Win32 layer
// supplies the real ones (*_win.cpp); native tests and tools supply stand-ins. All texts that
// cross these interfaces are Shift_JIS (code page 932) byte strings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/civil_time.h"

class DocumentBuffer;

enum class MessageIcon { None, Error, Warning, Information };

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows a modal message box owned by the ticker window and waits until it is closed.
    virtual void Show(const char* text, const char* title, MessageIcon icon) = 0;
};

class Shell {
  public:
    virtual ~Shell() = default;
    // Hands a link to the shell with the verb "open", shown normally.
    virtual bool Open(const char* target) = 0;
    // Opens a file of the program's folder (for example "index.html") the same way.
    virtual bool OpenProgramFile(const char* name) = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual CivilTime LocalNow() = 0;
    virtual CivilTime UtcNow() = 0;
    // Milliseconds from an arbitrary start that never go back: time-outs and time budgets.
    virtual uint64_t Milliseconds() = 0;
};

// Whether a file of the program's folder can be opened for reading and writing without sharing,
// and when it cannot, why.
enum class FileAccess {
    Openable,
    Missing,   // no such file (or folder on its way)
    ReadOnly,  // the file exists but may not be written
    Busy,      // another program holds it open without sharing
    Failed,    // it exists but cannot be opened for another reason (a folder of that name, rights)
};

struct FileProbe {
    FileAccess access;
    int64_t size;  // when Openable
};

// Files of the program's folder. Names are relative to that folder and may contain
// backslash-separated folders ("cache\\http@%%host%rss").
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Opens an existing file for reading and writing without sharing, takes its size and closes it.
    virtual FileProbe Probe(const char* name) = 0;
    // Size of an existing file that can be opened for reading and writing, or -1 when it is
    // missing, read-only or in use.
    int64_t OpenableSize(const char* name) {
        FileProbe probe = Probe(name);
        return probe.access == FileAccess::Openable ? probe.size : -1;
    }
    // Reads at most `capacity` bytes from the start of such a file; the count read, or -1.
    [[nodiscard]] virtual int64_t Read(const char* name, char* dest, size_t capacity) = 0;
    // Creates an empty file when none exists; true when the file exists afterwards.
    virtual bool CreateEmptyIfMissing(const char* name) = 0;
    // Creates a folder; an existing one is not an error.
    virtual bool CreateFolder(const char* name) = 0;
    // Creates or truncates `name` and writes all bytes, flushed to the disk; false on any failure
    // (a partial file may then remain).
    virtual bool WriteNew(const char* name, const char* data, size_t size) = 0;
    // Copies the bytes of `from` (which needs only to be readable) to `to`, created or truncated
    // and flushed to the disk; false on any failure (a partial `to` may then remain).
    [[nodiscard]] virtual bool Copy(const char* from, const char* to) = 0;
    // Moves `from` over `to` in one step, replacing it (refused when `to` is read-only).
    virtual bool Replace(const char* from, const char* to) = 0;
    virtual bool Remove(const char* name) = 0;
    // Waits before a busy file is tried again. No window message is dispatched meanwhile, so it is
    // kept short (the program's files are retried for a few hundred milliseconds in all).
    virtual void Pause(int milliseconds) = 0;
    // The last-write time of an existing file as a UTC file time (100-nanosecond units since 1601);
    // false when the file is missing or its time cannot be read.
    virtual bool LastWriteTime(const char* name, int64_t& utcFileTime) = 0;
    // Dates an existing file's last write at a UTC file time; false on any failure.
    virtual bool SetLastWriteTime(const char* name, int64_t utcFileTime) = 0;

    // Files found unreadable that could not be copied then, because another program held them:
    // WriteFileSafely keeps such a file as "<name>.bak" before anything replaces it. (Held here so
    // that every writer of the program's files obeys it without knowing.)
    void KeepBeforeReplacing(const char* name) {
        if (!MustKeepBeforeReplacing(name)) keepBeforeReplacing_.emplace_back(name);
    }
    void NoLongerKeep(const char* name) {
        for (size_t i = 0; i < keepBeforeReplacing_.size(); ++i) {
            if (keepBeforeReplacing_[i] == name) {
                keepBeforeReplacing_.erase(keepBeforeReplacing_.begin() + static_cast<std::ptrdiff_t>(i));
                return;
            }
        }
    }
    bool MustKeepBeforeReplacing(const char* name) const {
        for (const std::string& kept : keepBeforeReplacing_) {
            if (kept == name) return true;
        }
        return false;
    }

  private:
    std::vector<std::string> keepBeforeReplacing_;
};

// Results of a document fetch.
enum FetchResult : int { kFetchOk = 0, kFetchEmpty = 99, kFetchFailed = -1 };

// What a finished GET said besides its body.
struct FetchAnswer {
    // 0: a non-empty document of a 2xx answer; 99: no body (304 Not Modified, or an empty 2xx
    // answer); -1: no document (no connection, a time-out, an answer cut short, a status other than
    // 2xx and 304, a document over the size limit). A failure never carries a document.
    FetchResult result = kFetchFailed;
    int status = 0;            // HTTP status of the final answer after redirects; 0 when none came
    int64_t lastModified = 0;  // Last-Modified of a 2xx answer as a UTC file time; 0 when none
    std::string etag;          // the ETag of a 2xx or 304 answer as the server sent it; empty for none
    std::string retryAfter;    // the Retry-After value of the final answer as sent; empty for none
    std::string finalUrl;      // where the redirects ended (the address asked for when none)
    // The address the document moved to for good: the target of the redirects of the chain's start
    // that were all permanent (301, 308); empty when there was none or the first was temporary.
    std::string movedTo;
};

// A request in flight, as the fetcher numbers it; 0 is no request.
using FetchId = uint32_t;

// The document fetch. Nothing here waits: a request is started, moves on in the background (the
// library's threads) and is taken when done, so that the window thread never blocks and no window
// message is dispatched from inside a fetch. Many requests may be in flight at once; each has its
// own connection, request and buffer.
class Fetcher {
  public:
    enum class Session { Ready, OpenFailed, CallbackFailed };
    virtual ~Fetcher() = default;
    // Opens the internet session on first use (kept afterwards; retried after a failure).
    virtual Session EnsureSession() = 0;
    // Starts a GET of `url` sending `headers` (request header lines separated by CR LF, may be
    // empty) and returns at once; 0 when it could not start (no session, an address without a host,
    // memory): the caller then takes it as a failed fetch.
    virtual FetchId Start(const char* url, const char* headers) = 0;
    // Moves the requests in flight on without waiting: takes what the library has done and reads
    // what has arrived, within a small time budget. Called on every tick and whenever the library
    // says something arrived.
    virtual void Advance() = 0;
    // True once request `id` is done: its answer and body (an empty text unless the result is 0) are
    // moved out and the id is forgotten. False while it is still in flight or for an unknown id.
    virtual bool Take(FetchId id, FetchAnswer& answer, DocumentBuffer& document) = 0;
    // Gives a request up: its handles are closed and its answer never comes. Unknown ids are ignored.
    virtual void Cancel(FetchId id) = 0;
    // Requests started and neither taken nor cancelled.
    virtual int InFlight() const = 0;
};

class MessagePump {
  public:
    virtual ~MessagePump() = default;
    // Takes at most one waiting window message of the thread and dispatches it.
    virtual void DispatchOne() = 0;
    // True once the pump has come upon the message that ends the program's message loop; the
    // message itself is left for that loop.
    virtual bool QuitSeen() { return false; }
};

// What the portable code needs of the ticker window itself.
class TickerHost {
  public:
    virtual ~TickerHost() = default;
    // Sets the layered-window alpha; does nothing when the system lacks the function.
    virtual void ApplyOpacity(uint8_t alpha) = 0;
    // The client area's top-left corner as stored in winX/winY (window rectangle + dialog frame).
    virtual bool ClientOrigin(int& x, int& y) = 0;
    // Invalidates the whole ticker window without erasing.
    virtual void InvalidateTicker() = 0;
    virtual void DestroyTicker() = 0;
};

// The current user's entry that starts this program with Windows (the value "Newsroller" of the
// Run key). The only thing the program writes outside its folder, and only when the user asks.
class StartupEntry {
  public:
    virtual ~StartupEntry() = default;
    // True when the entry exists and names this program's executable (its full path).
    virtual bool NamesThisProgram() = 0;
    // Writes the entry: the executable's full path, quoted. False on failure.
    virtual bool Write() = 0;
    // Removes the entry; true also when there was none.
    virtual bool Remove() = 0;
};

// Text in one of the code pages Windows converts (numbered as Windows numbers them: 1251, 936, 950,
// 28592 ...) read as UTF-8, for feeds that declare such an encoding.
class CodePages {
  public:
    virtual ~CodePages() = default;
    // Appends the `count` bytes at `bytes`, read in `codePage`, to `out` as UTF-8; a byte sequence
    // the code page does not define becomes U+FFFD. False (and `out` unchanged) when the code page
    // is not available.
    virtual bool ToUtf8(unsigned codePage, const char* bytes, size_t count, std::string& out) = 0;
};

struct Platform {
    MessageBoxes& messages;
    Shell& shell;
    Clock& clock;
    FileSystem& files;
    Fetcher& fetcher;
    MessagePump& pump;
    TickerHost& host;
    CodePages* codePages = nullptr;  // none: feeds in other code pages are read as UTF-8
};

#pragma once
// Stand-ins for the platform interfaces that need no file system, for native and Windows-side
// tests alike: recording message boxes and shell, a settable clock, a scripted fetcher, a counting
// message pump and a recording ticker host.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "net/document_buffer.h"
#include "platform/platform.h"

struct ShownMessage {
    std::string text;
    std::string title;
    MessageIcon icon;
};

class RecordingMessageBoxes : public MessageBoxes {
  public:
    void Show(const char* text, const char* title, MessageIcon icon) override {
        shown.push_back({text, title, icon});
    }
    std::vector<ShownMessage> shown;
};

class RecordingShell : public Shell {
  public:
    bool Open(const char* target) override {
        opened.push_back(target);
        return opens;
    }
    bool OpenProgramFile(const char* name) override {
        openedFiles.push_back(name);
        return opens;
    }
    std::vector<std::string> opened;
    std::vector<std::string> openedFiles;
    bool opens = true;  // false: the shell finds nothing to open with
};

class FixedClock : public Clock {
  public:
    FixedClock();
    CivilTime LocalNow() override { return local; }
    CivilTime UtcNow() override { return utc; }
    uint64_t Milliseconds() override { return milliseconds; }
    // Sets both clocks (UTC = local - 9 hours, as in Japan).
    void Set(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);
    CivilTime local;
    CivilTime utc;
    uint64_t milliseconds = 0;
};

// The file time of a date and time (taken as UTC), for dating files and documents.
int64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second);

struct FetchRequest {
    std::string url;
    std::string header;
};

// Answers fetches from a script per URL; an unscripted URL fails with -1. A started request is done
// at once unless its URL is held: it then stays in flight until released (or cancelled).
class ScriptedFetcher : public Fetcher {
  public:
    struct Answer {
        FetchResult result = kFetchFailed;
        std::string body;
        int64_t lastModified = 0;  // the date the answer gives the document (UTC file time), 0 for none
        int status = 0;            // 0: 200 for a document or an empty answer, none for a failure
        std::string etag;
        std::string retryAfter;
        std::string movedTo;
    };
    Session EnsureSession() override {
        ++sessionCalls;
        return session;
    }
    FetchId Start(const char* url, const char* headers) override;
    void Advance() override { ++advances; }
    bool Take(FetchId id, FetchAnswer& answer, DocumentBuffer& document) override;
    void Cancel(FetchId id) override;
    int InFlight() const override { return static_cast<int>(inFlight_.size()); }
    FetchResult Fetch(const char* url, const char* header, DocumentBuffer& document) override;

    // Every fetch of `url` answers this way (after any queued one-time answers).
    void Always(const std::string& url, FetchResult result, const std::string& body = "",
                int64_t lastModified = 0);
    void Once(const std::string& url, FetchResult result, const std::string& body = "",
              int64_t lastModified = 0);
    void Always(const std::string& url, const Answer& answer) { always_[url] = answer; }
    void Once(const std::string& url, const Answer& answer) { once_[url].push_back(answer); }
    // Requests of `url` stay in flight until Release(url).
    void Hold(const std::string& url) { held_[url] = true; }
    void Release(const std::string& url) { held_.erase(url); }
    // Requests in flight for each host now, and the most there ever were at once, in all and per host.
    int peakInFlight = 0;
    std::map<std::string, int> peakPerHost;

    Session session = Session::Ready;
    int sessionCalls = 0;
    int advances = 0;
    bool refuseStart = false;  // Start returns 0, as when the session is not open
    std::vector<FetchRequest> requests;
    std::vector<std::string> cancelled;  // URLs of requests given up

  private:
    struct Flight {
        std::string url;
        Answer answer;
    };
    Answer Next(const std::string& url);
    std::map<std::string, std::deque<Answer>> once_;
    std::map<std::string, Answer> always_;
    std::map<std::string, bool> held_;
    std::map<FetchId, Flight> inFlight_;
    FetchId lastId_ = 0;
};

// Another fetcher with something done once while the next request is in flight (between its start
// and its answer: the windows' messages arrive then).
class WaitingFetcher : public Fetcher {
  public:
    explicit WaitingFetcher(Fetcher& inner) : inner_(inner) {}
    Session EnsureSession() override { return inner_.EnsureSession(); }
    FetchId Start(const char* url, const char* headers) override {
        FetchId id = inner_.Start(url, headers);
        if (whileWaiting) {
            auto action = whileWaiting;
            whileWaiting = nullptr;
            action(url);
        }
        return id;
    }
    void Advance() override { inner_.Advance(); }
    bool Take(FetchId id, FetchAnswer& answer, DocumentBuffer& document) override {
        return inner_.Take(id, answer, document);
    }
    void Cancel(FetchId id) override { inner_.Cancel(id); }
    int InFlight() const override { return inner_.InFlight(); }
    FetchResult Fetch(const char* url, const char* header, DocumentBuffer& document) override {
        if (whileWaiting) {
            auto action = whileWaiting;
            whileWaiting = nullptr;
            action(url);
        }
        return inner_.Fetch(url, header, document);
    }
    std::function<void(const char*)> whileWaiting;

  private:
    Fetcher& inner_;
};

class CountingPump : public MessagePump {
  public:
    void DispatchOne() override { ++dispatched; }
    int dispatched = 0;
};

class RecordingHost : public TickerHost {
  public:
    void ApplyOpacity(uint8_t alpha) override { opacity.push_back(alpha); }
    bool ClientOrigin(int& x, int& y) override {
        x = originX;
        y = originY;
        return true;
    }
    void InvalidateTicker() override { ++invalidations; }
    void DestroyTicker() override { ++destroyed; }
    std::vector<int> opacity;
    int originX = 0, originY = 0;
    int invalidations = 0;
    int destroyed = 0;
};

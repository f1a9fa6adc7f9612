#pragma once
// Stand-ins for the platform interfaces that need no file system, for native and Windows-side
// tests alike: recording message boxes and shell, a settable clock, a scripted fetcher, a counting
// message pump and a recording ticker host.
#include <deque>
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
        return true;
    }
    bool OpenProgramFile(const char* name) override {
        openedFiles.push_back(name);
        return true;
    }
    std::vector<std::string> opened;
    std::vector<std::string> openedFiles;
};

class FixedClock : public Clock {
  public:
    FixedClock();
    CivilTime LocalNow() override { return local; }
    CivilTime UtcNow() override { return utc; }
    // Sets both clocks (UTC = local - 9 hours, as in Japan).
    void Set(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);
    CivilTime local;
    CivilTime utc;
};

// The file time of a date and time (taken as UTC), for dating files and documents.
int64_t FileTimeOf(int year, int month, int day, int hour, int minute, int second);

struct FetchRequest {
    std::string url;
    std::string header;
};

// Answers fetches from a script per URL; an unscripted URL fails with -1.
class ScriptedFetcher : public Fetcher {
  public:
    struct Answer {
        FetchResult result;
        std::string body;
        int64_t lastModified;  // the date the answer gives the document (UTC file time), 0 for none
    };
    Session EnsureSession() override {
        ++sessionCalls;
        return session;
    }
    FetchResult Fetch(const char* url, const char* header, DocumentBuffer& document) override;
    // Every fetch of `url` answers this way (after any queued one-time answers).
    void Always(const std::string& url, FetchResult result, const std::string& body = "",
                int64_t lastModified = 0);
    void Once(const std::string& url, FetchResult result, const std::string& body = "",
              int64_t lastModified = 0);

    Session session = Session::Ready;
    int sessionCalls = 0;
    std::vector<FetchRequest> requests;

  private:
    std::map<std::string, std::deque<Answer>> once_;
    std::map<std::string, Answer> always_;
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

#pragma once
// The scene both redraw benchmarks draw: the ticker at its default settings in scroll mode,
// showing 200 articles of four sites, with a platform that does nothing (a redraw reaches none of
// it).
#include <cstdio>

#include "app/app.h"
#include "app/cycle.h"
#include "platform/platform.h"
#include "net/document_buffer.h"

class NullPlatform {
  public:
    NullPlatform() : platform{messages, shell, clock, files, fetcher, pump, host} {}
    NullPlatform(const NullPlatform&) = delete;
    NullPlatform& operator=(const NullPlatform&) = delete;

    struct : MessageBoxes {
        void Show(const char*, const char*, MessageIcon) override {}
    } messages;
    struct : Shell {
        bool Open(const char*) override { return false; }
        bool OpenProgramFile(const char*) override { return false; }
    } shell;
    struct : Clock {
        CivilTime LocalNow() override { return CivilTime{}; }
        CivilTime UtcNow() override { return CivilTime{}; }
        uint64_t Milliseconds() override { return 0; }
    } clock;
    struct : FileSystem {
        FileProbe Probe(const char*) override { return FileProbe{FileAccess::Missing, -1}; }
        int64_t Read(const char*, char*, size_t) override { return -1; }
        bool CreateEmptyIfMissing(const char*) override { return false; }
        bool CreateFolder(const char*) override { return false; }
        bool WriteNew(const char*, const char*, size_t) override { return false; }
        bool Copy(const char*, const char*) override { return false; }
        bool Replace(const char*, const char*) override { return false; }
        bool Remove(const char*) override { return false; }
        void Pause(int) override {}
        bool LastWriteTime(const char*, int64_t&) override { return false; }
        bool SetLastWriteTime(const char*, int64_t) override { return false; }
    } files;
    struct : Fetcher {
        Session EnsureSession() override { return Session::OpenFailed; }
        FetchId Start(const char*, const char*) override { return 0; }
        void Advance() override {}
        bool Take(FetchId, FetchAnswer&, DocumentBuffer&) override { return false; }
        void Cancel(FetchId) override {}
        int InFlight() const override { return 0; }
    } fetcher;
    struct : MessagePump {
        void DispatchOne() override {}
    } pump;
    struct : TickerHost {
        void ApplyOpacity(uint8_t) override {}
        bool ClientOrigin(int&, int&) override { return false; }
        void InvalidateTicker() override {}
        void DestroyTicker() override {}
    } host;
    Platform platform;
};

constexpr int kSceneArticles = 200;
constexpr int kSceneSites = 4;

// Default settings, scroll mode, the band already across the window, 200 shown articles with
// Japanese titles of about twenty characters.
inline void FillTickerScene(App& app) {
    ResetApp(app);
    app.fullRepaint = 0;  // the window's shape and place are set once, not per redraw
    app.today = 12000;
    for (int i = 0; i < kSceneArticles; ++i) {
        ArticleEntry& a = app.articles.slot[i];
        int site = i / (kSceneArticles / kSceneSites);
        snprintf(a.site, sizeof a.site, "新聞%d", site);
        snprintf(a.title, sizeof a.title, "第%d面の記事その%d番、東京で新しい出来事", site, i);
        snprintf(a.link, sizeof a.link, "http://news%d.example/%d", site, i);
        a.day = app.today;
    }
    app.articles.count = kSceneArticles;
    app.state = AppState::Showing;
    RecountShownArticles(app);
    app.painter.scrollBaseTaken = true;
    app.painter.scrollBase = 3;
}

// One move of the band as the tick makes it at the defaults, and a redraw asked for.
inline void StepTickerScene(App& app) {
    app.scrollOffset += ((app.settings.scrolldiv + 1) * app.settings.fsize) / -12;
    app.repaintPending = 1;
}

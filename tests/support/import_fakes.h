#pragma once
// Stand-ins for the windows of an OPML import: a view that records what the import showed, and a
// runner that ticks an import session to its end, as the import dialog's timer does.
#include <string>
#include <vector>

#include "app/opml_import_dialog.h"
#include "app/url_drop.h"

class RecordingImportView : public ImportView {
  public:
    void MoveProgress(ProgressMove move) override {
        progress = move == ProgressMove::Step ? progress + 1 : 0;
    }
    void ShowOutline(const char* site, const char* url) override {
        outlines.push_back(std::string(site) + " " + url);
    }
    void ShowAddedFeed(int index) override { added.push_back(index); }
    int progress = 0;                   // the progress bar's position
    std::vector<std::string> outlines;  // "site url" as the fields showed them
    std::vector<int> added;             // the list lines added
};

class TickingRunner : public ImportRunner {
  public:
    TickingRunner(App& app, SettingsForm& form) : app_(app), form_(form) {}
    void RunImport(TextView document) override {
        ImportSession session(app_, form_, document);
        if (!session.nothingToImport()) totals.push_back(session.outlineTotal());
        while (!session.nothingToImport() && session.Tick(view) != ImportTick::Finished) {
        }
    }
    RecordingImportView view;
    std::vector<int> totals;  // the outline total of each import dialog shown

  private:
    App& app_;
    SettingsForm& form_;
};

// The source folders form layers that run one way: platform <- feed <- net <- config <- schedule <-
// {app, display, report}. A file may include its own folder, a lower one, or a peer on the top
// layer; never a higher one. res/ holds only resource ids and may be included from anywhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

namespace {

const std::map<std::string, int> kLayerOf = {
    {"res", 0},      {"platform", 0}, {"feed", 1},    {"net", 2},    {"config", 3},
    {"schedule", 4}, {"app", 5},      {"display", 5}, {"report", 5},
};

TEST(Layering, NoFolderIncludesAHigherOne) {
    namespace fs = std::filesystem;
    const fs::path src = fs::path(NEWSROLLER_SOURCE_DIR) / "src";
    const std::regex include(R"re(^\s*#\s*include\s*"([a-z_]+)/[^"]+")re");
    int filesRead = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h") continue;
        const std::string folder = entry.path().parent_path().filename().string();
        ASSERT_TRUE(kLayerOf.count(folder)) << "a source folder with no layer: " << folder;
        std::ifstream file(entry.path());
        std::string line;
        std::smatch match;
        while (std::getline(file, line)) {
            if (!std::regex_search(line, match, include)) continue;
            const std::string target = match[1];
            ASSERT_TRUE(kLayerOf.count(target))
                << entry.path() << " includes from an unknown folder: " << line;
            EXPECT_LE(kLayerOf.at(target), kLayerOf.at(folder)) << entry.path() << ": " << line;
        }
        ++filesRead;
    }
    EXPECT_GT(filesRead, 40);
}

}  // namespace

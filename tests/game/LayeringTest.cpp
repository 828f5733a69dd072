// The folders of the tree form layers, and an include may only reach down:
//   platform <- foundation <- engine <- text <- sprites <- gui <- app, strictly
//   ordered; pathfinding builds on the foundation only and serves app and above;
//   the game layer (level, farm, levelui, frontend, tutorials) may include its
//   own folders and everything below; game (the program's wiring) may include
//   anything but the showcase and the bot (only the program's main function
//   includes the bot), and the level bot (bot) and the showcase
//   program (showcase) sit on top of it, neither including the other; nothing
//   below includes any of the three. The content tools may include anything
//   but the program. A folder not yet in the tree simply has no files.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kStrictOrder = {"platform", "foundation", "engine", "text",
                                               "sprites",  "gui",        "app"};
const std::vector<std::string> kGameLayer = {"level", "farm", "levelui", "frontend", "tutorials"};
// Folders of the tree that hold no layered code.
const std::set<std::string> kOutsideTheLayers = {"tests", "bench", "content", "cmake", "build", ".git"};

// Every layered folder with the folders it may include (itself among them).
std::map<std::string, std::set<std::string>> LayerRules() {
    std::map<std::string, std::set<std::string>> rules;
    std::set<std::string> below;
    for (const std::string& folder : kStrictOrder) {
        below.insert(folder);
        rules[folder] = below;
    }
    rules["pathfinding"] = {"platform", "foundation", "pathfinding"};
    rules["app"].insert("pathfinding");
    std::set<std::string> gameLayer = rules["app"];
    gameLayer.insert(kGameLayer.begin(), kGameLayer.end());
    for (const std::string& folder : kGameLayer)
        rules[folder] = gameLayer;
    rules["tools"] = gameLayer;
    rules["tools"].insert("tools");
    rules["game"] = gameLayer;
    rules["game"].insert("game");
    rules["bot"] = gameLayer;
    rules["bot"].insert({"game", "bot"});
    rules["showcase"] = gameLayer;
    rules["showcase"].insert({"game", "showcase"});
    return rules;
}

// Files that may include more than their folder: the game program's main
// function plays with the bot, which is built on the game's library.
const std::map<std::string, std::set<std::string>> kFileExceptions = {{"game/Main.cpp", {"bot"}}};

struct Finding {
    std::vector<std::string> violations; // "file:line includes folder/..."
    std::vector<std::string> unknownFolders;
    int includes = 0; // the includes of the tree's own folders that were checked
};

bool IsSource(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc" || ext == ".inl";
}

// Checks every source file below root's layered folders.
Finding CheckLayering(const fs::path& root) {
    const auto rules = LayerRules();
    std::set<std::string> known;
    for (const auto& [folder, allowed] : rules)
        known.insert(folder);
    const std::regex include(R"(^\s*#\s*include\s*[<"]([A-Za-z_]+)/)");
    Finding finding;
    for (const fs::directory_entry& top : fs::directory_iterator(root)) {
        if (!top.is_directory()) continue;
        const std::string folder = top.path().filename().string();
        if (kOutsideTheLayers.count(folder)) continue;
        auto rule = rules.find(folder);
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(top.path())) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
            if (rule == rules.end()) {
                finding.unknownFolders.push_back(folder);
                break;
            }
            std::ifstream file(entry.path());
            std::string line;
            for (int number = 1; std::getline(file, line); ++number) {
                std::smatch match;
                if (!std::regex_search(line, match, include)) continue;
                const std::string target = match[1];
                if (!known.count(target)) continue; // a system or third-party header
                ++finding.includes;
                const auto exception =
                    kFileExceptions.find(fs::relative(entry.path(), root).generic_string());
                if (!rule->second.count(target) &&
                    !(exception != kFileExceptions.end() && exception->second.count(target)))
                    finding.violations.push_back(fs::relative(entry.path(), root).string() + ":" +
                                                 std::to_string(number) + " includes " + target + "/");
            }
        }
    }
    return finding;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(Layering, NoFolderOfTheTreeIncludesAHigherOne) {
    const Finding finding = CheckLayering(VB_SOURCE_DIR);
    EXPECT_GT(finding.includes, 500) << "the tree's includes were not found";
    EXPECT_TRUE(finding.violations.empty()) << Join(finding.violations);
    EXPECT_TRUE(finding.unknownFolders.empty()) << "folders with code but no place in the layers:\n"
                                                << Join(finding.unknownFolders);
}

// The checker on a small tree: each case is one file with one include.
TEST(Layering, TheCheckFindsEveryKindOfUpwardInclude) {
    struct Case {
        const char* file;
        const char* line;
        bool allowed;
    };
    const Case cases[] = {
        {"engine/Viewer.cpp", "#include \"foundation/List.h\"", true},
        {"engine/Viewer.cpp", "#include \"text/KGEFont.h\"", false},
        {"foundation/deep/Inner.h", "  #  include \"engine/Log.h\"", false},
        {"platform/Files.cpp", "#include <app/App.h>", false},
        {"text/Font.cpp", "#include \"sprites/Sprite.h\"", false},
        {"sprites/Sprite.cpp", "#include \"text/KGEText.h\"", true},
        {"gui/Window.cpp", "#include \"sprites/Sprite.h\"", true},
        {"gui/Window.cpp", "#include \"pathfinding/Grid.h\"", false},
        {"pathfinding/Grid.cpp", "#include \"foundation/List.h\"", true},
        {"pathfinding/Grid.cpp", "#include \"engine/Log.h\"", false},
        {"app/Shell.cpp", "#include \"pathfinding/Grid.h\"", true},
        {"app/Shell.cpp", "#include \"gui/Window.h\"", true},
        {"app/Shell.cpp", "#include \"level/GameLevel.h\"", false},
        {"app/Shell.cpp", "#include \"game/GameProgram.h\"", false},
        {"level/GameLevel.cpp", "#include \"levelui/Panel.h\"", true},
        {"tutorials/Step.cpp", "#include \"farm/Plant.h\"", true},
        {"frontend/Map.cpp", "#include \"app/App.h\"", true},
        {"farm/Plant.cpp", "#include \"game/GameScreens.h\"", false},
        {"tools/content/Main.cpp", "#include \"app/Config.h\"", true},
        {"tools/content/Main.cpp", "#include \"game/GameScreens.h\"", false},
        {"game/Main.cpp", "#include \"tutorials/Step.h\"", true},
        {"game/Main.cpp", "#include \"bot/LevelBot.h\"", true},
        {"game/LevelScreen.cpp", "#include \"bot/LevelBot.h\"", false},
        {"game/LevelScreen.cpp", "#include \"showcase/LayerShowcase.h\"", false},
        {"bot/LevelBot.cpp", "#include \"game/LevelInterface.h\"", true},
        {"bot/LevelBot.cpp", "#include \"showcase/LayerShowcase.h\"", false},
        {"showcase/LayerShowcase.cpp", "#include \"game/LevelScreen.h\"", true},
        {"showcase/LayerShowcase.cpp", "#include \"bot/LevelBot.h\"", false},
        {"frontend/MainScreen.cpp", "#include \"showcase/LayerShowcase.h\"", false},
        {"level/GameLevel.cpp", "#include \"bot/LevelBot.h\"", false},
        {"tools/content/Main.cpp", "#include \"showcase/LayerShowcase.h\"", false},
        {"engine/Viewer.cpp", "#include <vector>", true},
        {"engine/Viewer.cpp", "// #include \"app/App.h\" was here", true},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        const fs::path file = dir.Path() / c.file;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "// a file\n" << c.line << "\n";
        const Finding finding = CheckLayering(dir.Path());
        EXPECT_EQ(finding.violations.empty(), c.allowed) << c.file << ": " << c.line;
        if (!c.allowed && !finding.violations.empty()) {
            EXPECT_NE(finding.violations[0].find(":2 includes"), std::string::npos) << finding.violations[0];
        }
    }
}

TEST(Layering, AFolderWithCodeButNoPlaceInTheLayersIsReported) {
    testsupport::TempDir dir;
    fs::create_directories(dir.Path() / "world");
    std::ofstream(dir.Path() / "world" / "World.cpp") << "int x;\n";
    fs::create_directories(dir.Path() / "docs");
    std::ofstream(dir.Path() / "docs" / "notes.md") << "text\n";
    const Finding finding = CheckLayering(dir.Path());
    ASSERT_EQ(finding.unknownFolders.size(), 1u);
    EXPECT_EQ(finding.unknownFolders[0], "world");
}

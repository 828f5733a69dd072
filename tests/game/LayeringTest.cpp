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
//
// Within the game layer and the program, objects cross between the folders
// with their types: a reinterpret_cast that turns a pointer into a word or a
// word back into a pointer stays only where the window toolkit below hands
// out a word of its own (a control's user data, a dialog's answer words, a
// text tag's context object), each file with its count and its reason.
#include "tests/support/Pattern.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
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
    const testsupport::Pattern include(R"(^\s*#\s*include\s*[<"]([A-Za-z_]+)/)");
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
                std::vector<std::string> match;
                if (!include.Search(line, &match)) continue;
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

// ---------------------------------------------------------------- words for objects

const std::vector<std::string> kTypedFolders = {"level", "farm", "levelui", "frontend", "tutorials", "game"};

// The casts between pointers and words that stay, by file: how many, and why.
struct AllowedCasts {
    int count;
    const char* why;
};
const std::map<std::string, AllowedCasts> kAllowedCasts = {
    // A control's user data is a word of the toolkit's: the panels put the
    // record a button stands for in it, and read it back on the click.
    {"levelui/PointPanels.cpp", {3, "a button's user data and a panel's tag value name the point or record"}},
    {"levelui/ChildPanels.cpp", {2, "the remove and upgrade buttons' user data name their point"}},
    {"levelui/WarehouseWindow.cpp", {2, "a tile's user data and text tag context name its product"}},
    {"levelui/PanelDisplays.cpp", {2, "the goal button's user data and text tag context name its goal"}},
    {"farm/BuildingSites.cpp",
     {2, "a site choice carries its plant or building type as the button's user data"}},
    {"game/LevelTutorials.cpp",
     {6, "the tutorial compares a control's user data with the record it names, and hands the text "
         "tags their context objects"}},
    // A dialog's answer reaches its owner through the two words the toolkit keeps for it.
    {"levelui/LevelPanel.cpp", {2, "the close-tutorial dialog's answer word names the panel's context"}},
    {"levelui/LevelWindows.cpp", {2, "the restart dialog's answer word names the window manager"}},
    {"levelui/LevelMenu.cpp", {2, "the quit dialog's answer word names the menu"}},
    {"frontend/ProfileWindows.cpp", {2, "the delete dialog's answer word names the profiles window"}},
    {"game/LevelInterface.cpp", {2, "the game-over dialog's answer word names the interface"}},
    // The text tags of hint texts carry their context object as a word of the text layer.
    {"levelui/TextTags.cpp", {3, "a text tag's context object is a word of the text layer"}},
    {"levelui/TextTagSources.cpp", {1, "a text tag's context object is a word of the text layer"}},
    {"levelui/FarmTextTagSources.cpp", {6, "a text tag's context object is a word of the text layer"}},
    {"frontend/AwardsWindow.cpp", {1, "an award hint's text tag context object"}},
    {"game/AwardsProgram.cpp", {1, "an award text's tag context object"}},
};

// The text with comments and string and character literals blanked.
std::string WithoutCommentsAndLiterals(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < text.size();) {
        size_t end = i + 1;
        if (text.compare(i, 2, "//") == 0) {
            end = text.find('\n', i);
        } else if (text.compare(i, 2, "/*") == 0) {
            end = text.find("*/", i + 2);
            if (end != std::string::npos) end += 2;
        } else if (text[i] == '"' || (text[i] == '\'' && !(i > 0 && std::isxdigit(uint8_t(text[i - 1]))))) {
            end = i + 1;
            while (end < text.size() && text[end] != text[i] && text[end] != '\n')
                end += text[end] == '\\' ? 2 : 1;
            ++end;
        } else {
            ++i;
            continue;
        }
        if (end == std::string::npos || end > text.size()) end = text.size();
        for (size_t k = i; k < end; ++k)
            if (out[k] != '\n') out[k] = ' ';
        i = end;
    }
    return out;
}

// How many casts between a pointer and a word the text holds: a
// reinterpret_cast to intptr_t or uintptr_t, or to a pointer (these folders
// read no raw bytes, so a pointer made by reinterpret_cast is made from a word).
int WordCasts(const std::string& source) {
    const testsupport::Pattern cast(R"(reinterpret_cast\s*<\s*([^<>]*(<[^<>]*>)?[^<>]*)>)");
    const testsupport::Pattern word(R"(^\s*(const\s+)?(std::)?u?intptr_t\s*$)");
    const std::string text = WithoutCommentsAndLiterals(source);
    int count = 0;
    for (const std::vector<std::string>& found : cast.FindAll(text)) {
        const std::string& target = found[1];
        const size_t last = target.find_last_not_of(" \t\n");
        if (word.Matches(target) || (last != std::string::npos && target[last] == '*')) ++count;
    }
    return count;
}

// Every file of the typed folders with such casts, as "folder/File.cpp" and its count.
std::map<std::string, int> FindWordCasts(const fs::path& root) {
    std::map<std::string, int> found;
    for (const std::string& folder : kTypedFolders) {
        if (!fs::is_directory(root / folder)) continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            if (const int n = WordCasts(text)) found[fs::relative(entry.path(), root).generic_string()] = n;
        }
    }
    return found;
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

// An object passed between the game's folders (to the tutorial, between the
// farm and the level) goes with its type; a new cast to or from a word is
// either a message that lost its type or a new use of a toolkit word, which
// then joins the list with its reason.
TEST(Layering, ObjectsCrossTheGameLayerWithTheirTypes) {
    const std::map<std::string, int> found = FindWordCasts(VB_SOURCE_DIR);
    std::vector<std::string> unexpected;
    for (const auto& [file, count] : found) {
        auto allowed = kAllowedCasts.find(file);
        if (allowed == kAllowedCasts.end() || count > allowed->second.count)
            unexpected.push_back(file + ": " + std::to_string(count));
    }
    EXPECT_TRUE(unexpected.empty()) << "casts between pointers and words beyond the allowed ones:\n"
                                    << Join(unexpected);
    // A list entry whose casts have gone (or fewer of them) is brought down, so
    // that the list stays the list of what is there.
    std::vector<std::string> stale;
    for (const auto& [file, allowed] : kAllowedCasts) {
        auto it = found.find(file);
        if (it == found.end() || it->second < allowed.count) stale.push_back(file + " (" + allowed.why + ")");
    }
    EXPECT_TRUE(stale.empty()) << "allowed casts no longer in the tree:\n" << Join(stale);
}

// The counter on small sources: each case is one text and the casts it holds.
TEST(Layering, TheCastCheckCountsWordsMadeFromPointersAndBack) {
    const struct {
        const char* source;
        int casts;
    } cases[] = {
        {"Notify(1, reinterpret_cast<intptr_t>(this));", 1},
        {"auto w = reinterpret_cast<const uintptr_t>(p);", 1},
        {"auto w = reinterpret_cast< std::uintptr_t >(p);", 1},
        {"auto* p = reinterpret_cast<const Job*>(data);", 1},
        {"auto* p = reinterpret_cast<std::vector<int>*>(data);", 1},
        {"auto a = reinterpret_cast<uintptr_t>(x), b = reinterpret_cast<Point*>(a);", 2},
        {"const Job* job = data.As<Job>();", 0},
        {"auto v = static_cast<uintptr_t>(count);", 0},
        {"// reinterpret_cast<intptr_t>(this) was here", 0},
        {"/* reinterpret_cast<Job*>(w) */ int x;", 0},
        {"Log(\"reinterpret_cast<intptr_t>(this)\");", 0},
        {"char c = '\"'; auto w = reinterpret_cast<intptr_t>(p);", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WordCasts(c.source), c.casts) << c.source;
}

TEST(Layering, ACastAddedToAGameFolderIsFoundWithItsFile) {
    testsupport::TempDir dir;
    fs::create_directories(dir.Path() / "farm" / "deep");
    std::ofstream(dir.Path() / "farm" / "deep" / "Point.cpp")
        << "void Point::Ripe() {\n    host_->Notify(9, 0, reinterpret_cast<intptr_t>(this));\n}\n";
    fs::create_directories(dir.Path() / "gui");
    std::ofstream(dir.Path() / "gui" / "Window.cpp") << "auto w = reinterpret_cast<uintptr_t>(this);\n";
    std::ofstream(dir.Path() / "farm" / "Notes.md") << "reinterpret_cast<intptr_t>(this)\n";
    const std::map<std::string, int> found = FindWordCasts(dir.Path());
    EXPECT_EQ(found, (std::map<std::string, int>{{"farm/deep/Point.cpp", 1}}));
}

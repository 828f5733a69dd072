// Every hook the program gives the game layer's host structs and hook tables
// is filled: the map's hooks, the profile store's, the level windows' host
// (the map's level window and the level's own windows), the pause menu's, the options window's,
// the level's own hooks, the level interface's session hooks, the level's
// point makers, the shell's screen parts, its own hooks and each state's
// callbacks, the notice stacks', and the shell's and the tutorials' services (named), each from the
// builder the program uses. A member may stay
// empty only when its header declares it an OptionalHook and says why. Each table's members are named here in
// order; a member added to a table fails the count until it is named (and wired).
#include "app/App.h"
#include "app/AppState.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "app/Profiles.h"
#include "engine/SoundManager.h"
#include "foundation/OptionalHook.h"
#include "frontend/MapScreen.h"
#include "frontend/OptionsWindow.h"
#include "game/AwardsProgram.h"
#include "game/GameProgram.h"
#include "game/LevelInterface.h"
#include "game/LevelProfiles.h"
#include "game/LevelScreen.h"
#include "game/LevelTutorials.h"
#include "game/MapProgram.h"
#include "game/ProgramWorld.h"
#include "gui/Notices.h"
#include "gui/Window.h"
#include "levelui/LevelMenu.h"
#include "levelui/LevelWindows.h"
#include "tests/farm/BuildingTestSupport.h"
#include "tests/support/Pattern.h"
#include "tests/support/TempDir.h"
#include "tutorials/Tutorial.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Stands for any member's value in an aggregate initialisation (never made).
struct AnyMember {
    template <class T> operator T() const;
};

// How many members an aggregate has: the most initialisers it takes.
template <class T, class... Members> constexpr size_t MemberCount() {
    if constexpr (requires { T{Members{}..., AnyMember{}}; })
        return MemberCount<T, Members..., AnyMember>();
    else
        return sizeof...(Members);
}

// Calls f with each of the members, in order.
template <class F, class... Members> void CallWithEach(F& f, const Members&... members) {
    (f(members), ...);
}

// One branch of ForEachMember: binds the N members of the table and calls f with each.
#define VB_EACH_MEMBER(N, ...)                                                                               \
    else if constexpr (n == N) {                                                                             \
        auto& [__VA_ARGS__] = table;                                                                         \
        CallWithEach(f, __VA_ARGS__);                                                                        \
    }

// Calls f with every member of the aggregate, in order.
template <class T, class F> void ForEachMember(const T& table, F&& f) {
    constexpr size_t n = MemberCount<T>();
    static_assert(n >= 1 && n <= 24, "a hook table of 1 to 24 members");
    if constexpr (n == 0) {
    }
    VB_EACH_MEMBER(1, m0)
    VB_EACH_MEMBER(2, m0, m1)
    VB_EACH_MEMBER(3, m0, m1, m2)
    VB_EACH_MEMBER(4, m0, m1, m2, m3)
    VB_EACH_MEMBER(5, m0, m1, m2, m3, m4)
    VB_EACH_MEMBER(6, m0, m1, m2, m3, m4, m5)
    VB_EACH_MEMBER(7, m0, m1, m2, m3, m4, m5, m6)
    VB_EACH_MEMBER(8, m0, m1, m2, m3, m4, m5, m6, m7)
    VB_EACH_MEMBER(9, m0, m1, m2, m3, m4, m5, m6, m7, m8)
    VB_EACH_MEMBER(10, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9)
    VB_EACH_MEMBER(11, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10)
    VB_EACH_MEMBER(12, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11)
    VB_EACH_MEMBER(13, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12)
    VB_EACH_MEMBER(14, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13)
    VB_EACH_MEMBER(15, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14)
    VB_EACH_MEMBER(16, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15)
    VB_EACH_MEMBER(17, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16)
    VB_EACH_MEMBER(18, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17)
    VB_EACH_MEMBER(19, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18)
    VB_EACH_MEMBER(20, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18,
                   m19)
    VB_EACH_MEMBER(21, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18,
                   m19, m20)
    VB_EACH_MEMBER(22, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18,
                   m19, m20, m21)
    VB_EACH_MEMBER(23, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18,
                   m19, m20, m21, m22)
    VB_EACH_MEMBER(24, m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18,
                   m19, m20, m21, m22, m23)
}

#undef VB_EACH_MEMBER

template <class T> struct IsFunction : std::false_type {};
template <class Signature> struct IsFunction<std::function<Signature>> : std::true_type {};

// Whether the table's object pointers are hooks too (a table of hook
// interfaces), or plain data that may be null.
enum class Pointers { Data, Hooks };

// A hook's state: empty or filled; nullopt for a member that is no hook to
// check (plain data, or an OptionalHook, which may stay empty).
template <class Member> std::optional<bool> Filled(const Member& member, Pointers pointers) {
    if constexpr (IsFunction<Member>::value)
        return bool(member);
    else if constexpr (std::is_pointer_v<Member> && std::is_function_v<std::remove_pointer_t<Member>>)
        return member != nullptr;
    else if constexpr (std::is_pointer_v<Member>)
        return pointers == Pointers::Hooks ? std::optional<bool>(member != nullptr) : std::nullopt;
    else
        return std::nullopt;
}

// The table's members, named in order, are filled wherever they are hooks.
template <class T>
void ExpectWired(const T& table, const std::string& name, const std::vector<std::string>& members,
                 Pointers pointers = Pointers::Data) {
    ASSERT_EQ(members.size(), MemberCount<T>()) << name << ": every member named here, in order";
    size_t i = 0;
    ForEachMember(table, [&](const auto& member) {
        const std::optional<bool> filled = Filled(member, pointers);
        EXPECT_TRUE(!filled || *filled) << name << "::" << members[i] << " is empty";
        ++i;
    });
}

const std::vector<std::string> kLevelWindowsHostMembers = {
    "profile",     "title",    "regimeBlock",        "hasSavedGame", "garbageSites", "bonusIcon",
    "bonusRecord", "goalIcon", "goalHasIngredients", "saveProfiles", "leaveLevel",   "selectBonuses"};

} // namespace

TEST(HooksWiring, TheMapsHooks) {
    ExpectWired(BuildMapHooks(), "MapHooks",
                {"openLevelWindow", "startTutorial", "showAwardNotice", "makeLevel", "levelHeld",
                 "dropHeldLevel", "levelExists", "findCharacter", "openOptions", "openAwards", "openProfiles",
                 "showComic", "finishTutorial", "deleteTutorial"});
}

TEST(HooksWiring, TheProfileStoresHooks) {
    ExpectWired(BuildProfileHooks(), "ProfileHooks",
                {"levelInfo", "setCurrentLevel", "setMapState", "countLevelWin"});
}

TEST(HooksWiring, TheLevelWindowsHostOverTheMapAndInTheLevel) {
    const LevelWindowsHost map = ProgramLevelWindowsHost([]() -> Profile* { return nullptr; },
                                                         std::make_shared<ProgramBonusEdit>(), {});
    ExpectWired(map, "LevelWindowsHost (map)", kLevelWindowsHostMembers);

    buildtest::Tables tables;
    ProgramWorld world(&tables.farm);
    LevelInterface ui(world, tables.farm);
    ExpectWired(ui.WindowsHost(), "LevelWindowsHost (level)", kLevelWindowsHostMembers);
    EXPECT_TRUE(ui.WindowsHost().leaveLevel) << "the level's windows leave it";
}

TEST(HooksWiring, ThePauseMenusHooks) {
    buildtest::Tables tables;
    ProgramWorld world(&tables.farm);
    LevelInterface ui(world, tables.farm);
    const LevelMenuHooks hooks = ui.MenuHooks(0);
    ExpectWired(hooks, "LevelMenuHooks",
                {"level", "windows", "closeMainWindow", "leaveLevel", "fade", "restartFromScratch",
                 "openOptions", "openAwards"});
    ExpectWired(hooks.windows, "LevelMenuHooks::windows", kLevelWindowsHostMembers);
}

TEST(HooksWiring, TheOptionsWindowsServices) {
    SoundManager sound;
    const OptionsServices services = ProgramOptionsServices(sound);
    ExpectWired(services, "OptionsServices", {"sound", "setFullscreen", "isFullscreen", "saveConfig"});
    EXPECT_EQ(services.sound, &sound);
}

// The shell's services and the tutorials' are plain pointers, each of which may be null (their headers say
// when): the shell sets all three as its run starts, the map's and the level's tutorial runners get the
// window stack; the tutorial walks and the focus checks play them. Named here, so that a member added is
// seen.
TEST(HooksWiring, TheShellsAndTheTutorialsServices) {
    ExpectWired(AppServices{}, "AppServices", {"viewer", "input", "sound"});
    ExpectWired(tut::TutorialServices{}, "TutorialServices", {"windows"});
}

TEST(HooksWiring, TheLevelsHooks) {
    buildtest::Tables tables;
    ProgramWorld world(&tables.farm);
    LevelInterface ui(world, tables.farm);
    NoLevelFrontEnd frontEnd;
    ProgramLevelTutorials tutorials(0);
    const GameLevel::Hooks hooks = ProgramLevelHooks(ui, frontEnd, tutorials);
    ExpectWired(hooks, "GameLevel::Hooks", {"panel", "tutorial", "frontEnd"}, Pointers::Hooks);
    // Every hook of the level's classes is pure: what the program hands the
    // level answers each itself, none is a set whose bodies do nothing.
    EXPECT_EQ(dynamic_cast<NoLevelInterface*>(hooks.panel), nullptr);
    EXPECT_EQ(dynamic_cast<PanelOnlyDriver*>(hooks.panel), nullptr);
    EXPECT_EQ(dynamic_cast<NoLevelTutorial*>(hooks.tutorial), nullptr);
    // The farm's world leaves the field's buttons and labels and the level
    // interface's panels and windows to the program, which answers each.
    static_assert(std::is_abstract_v<FarmWorld> && !std::is_abstract_v<ProgramWorld>);
}

// What the level's session hands its interface: the restart and the level
// tutorials' full-warehouse start.
TEST(HooksWiring, TheLevelInterfacesSessionHooks) {
    ProgramLevelTutorials tutorials(0);
    ExpectWired(ProgramLevelSessionHooks(tutorials, [] {}), "LevelSessionHooks",
                {"restartNow", "startFullWarehouseTutorial"});
}

// The level's point makers as the program's world installs them for a level:
// the warehouse, the plants and the buildings; the sites are the level's own
// points, which it makes without a maker.
TEST(HooksWiring, TheLevelsPointMakers) {
    testsupport::TestLevelData levelData;
    buildtest::Tables tables;
    ProgramWorld world(&tables.farm);
    world.InstallPointMakers();
    EXPECT_EQ(GetPointMaker(kPointEmptySite), nullptr) << "the level makes its sites";
    for (uint32_t kind : {uint32_t(kPointWarehouse), uint32_t(kPointPlant), uint32_t(kPointBuilding)})
        EXPECT_NE(GetPointMaker(kind), nullptr) << "the point maker of kind " << kind;
    world.RemovePointMakers();
    for (uint32_t kind : {uint32_t(kPointWarehouse), uint32_t(kPointPlant), uint32_t(kPointBuilding)})
        EXPECT_EQ(GetPointMaker(kind), nullptr) << "the point maker of kind " << kind << " stays";
}

// The do-nothing hook sets (NoLevelInterface and its parts, NoLevelTutorial,
// NoLevelFrontEnd, NoLevelPanelContext, PanelOnlyDriver)
// are for levels and panels without the game around them; no class of the
// program's own folders derives from one, so a hook it forgets fails to
// build instead of doing nothing.
namespace {

std::vector<std::string> ClassesOnDoNothingHooks(const fs::path& root) {
    const testsupport::Pattern doNothingBase(
        R"(:\s*(public\s+)?(NoLevelInterface|NoPanelHooks|WithoutInterfaceBeyondPanel|NoLevelTutorial|NoLevelFrontEnd|NoLevelPanelContext|PanelOnlyDriver)\b)");
    std::vector<std::string> found;
    for (const char* folder : {"level", "farm", "levelui", "frontend", "tutorials", "game", "app", "bot"}) {
        if (!fs::exists(root / folder)) continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream file(entry.path());
            std::string line;
            for (int number = 1; std::getline(file, line); ++number)
                if (line.find(':') != std::string::npos && doNothingBase.Search(line))
                    found.push_back(fs::relative(entry.path(), root).string() + ":" + std::to_string(number));
        }
    }
    return found;
}

} // namespace

TEST(HooksWiring, NoClassOfTheProgramDerivesFromADoNothingHookSet) {
    const std::vector<std::string> found = ClassesOnDoNothingHooks(VB_SOURCE_DIR);
    std::string lines;
    for (const std::string& line : found)
        lines += line + "\n";
    EXPECT_TRUE(found.empty()) << lines;
    // The check itself finds such a class in a small tree.
    testsupport::TempDir dir;
    fs::create_directories(dir.Path() / "game");
    ASSERT_TRUE(testsupport::WriteFileBytes((dir.Path() / "game" / "Quiet.h").string(),
                                            "class Quiet : public NoLevelTutorial {};\n"));
    EXPECT_EQ(ClassesOnDoNothingHooks(dir.Path()).size(), 1u);
}

// The shell's tables as the program fills them: every part that the screen
// resources rebuild has its hook, and each game state's screen fills the
// callbacks its state takes. The level, the map and the comics take the
// cursor, the frame, the drawing and the mouse; the level and the map the
// keys too (the map passes the wheel and the keys to its windows); the main
// screen takes the cursor, the frame, the drawing and the keys its windows
// leave (the shell offers them the input first); the logos a click.
TEST(HooksWiring, TheShellsScreenPartsAndEachStatesCallbacks) {
    App app;
    GameProgram program;
    const AppState& state = app.State();
    // The texts' part stays empty: no text of the game is made for one
    // screen size (the windows' and the tutorials' are laid out again by
    // their own parts).
    const char* const parts[] = {"Texts", "Map", "Level", "MainScreen", "Windows", "Tutorial"};
    static_assert(std::size(parts) == size_t(ScreenPart::Count));
    for (size_t part = 1; part < size_t(ScreenPart::Count); ++part)
        EXPECT_NE(state.shell.screenHooks[part], nullptr) << "the screen part " << parts[part];
    // The shell's own hooks that the layers above fill: the windows' text
    // tags and the level loading's failure. The failed-save presenter stays
    // empty: the shell's own dialog puts a failed write to the player (tests
    // give their own); the state-change and focus callbacks are the shell's
    // own, set when it runs.
    EXPECT_NE(state.textTagCallback, nullptr) << "the text tags";
    EXPECT_NE(state.levelLoadFailure, nullptr) << "the level loading's failure";

    constexpr uint32_t kShown = kCallbackCursor | kCallbackUpdate | kCallbackDraw;
    constexpr uint32_t kClicks =
        kCallbackMouseDown | kCallbackMouseUp | kCallbackMouseMove | kCallbackMouseDoubleClick;
    const struct {
        int32_t state;
        const char* name;
        uint32_t slots;
    } kStates[] = {
        {kStateLogos, "logos", kCallbackUpdate | kCallbackDraw | kCallbackMouseDown},
        {kStateDataLoading, "data loading", kCallbackUpdate | kCallbackDraw},
        {kStateLevelLoading, "level loading", kCallbackUpdate | kCallbackDraw},
        {kStateLevel, "level", kShown | kClicks | kCallbackKeyDown},
        {kStateMap, "map", kShown | kClicks | kCallbackMouseWheel | kCallbackKeyDown},
        {kStateMainScreen, "main screen", kShown | kCallbackKeyDown},
        {kStateComics, "comics", kShown},
    };
    for (const auto& expected : kStates) {
        const auto screen = state.states.screens.find(expected.state);
        ASSERT_NE(screen, state.states.screens.end()) << expected.name << " has no screen";
        EXPECT_TRUE(screen->second.open) << expected.name << "::open";
        ASSERT_NE(screen->second.callbacks, nullptr) << expected.name << " has no callbacks";
        const AppCallbacks& c = *screen->second.callbacks;
        const std::pair<uint32_t, bool> slots[] = {
            {kCallbackCursor, c.cursor != nullptr},
            {kCallbackUpdate, c.update != nullptr},
            {kCallbackDraw, c.draw != nullptr},
            {kCallbackMouseDown, c.mouseDown != nullptr},
            {kCallbackMouseUp, c.mouseUp != nullptr},
            {kCallbackMouseMove, c.mouseMove != nullptr},
            {kCallbackMouseDoubleClick, c.mouseDoubleClick != nullptr},
            {kCallbackMouseWheel, c.mouseWheel != nullptr},
            {kCallbackKeyDown, c.keyDown != nullptr},
            {kCallbackKeyUp, c.keyUp != nullptr},
            {kCallbackKeyRepeat, c.keyRepeat != nullptr},
        };
        for (const auto& [slot, filled] : slots) {
            if (!(expected.slots & slot)) continue;
            EXPECT_TRUE(filled) << expected.name << ": the callback of slot 0x" << std::hex << slot;
        }
    }
}

// The notice stacks are classes, not tables: their hooks are named here.
TEST(HooksWiring, TheNoticeStacksHooks) {
    WindowManager windows{nullptr, nullptr};
    SoundManager sound;
    InstallAwardNotices(windows, sound);
    EXPECT_TRUE(windows.Messages().playSound);
    EXPECT_TRUE(windows.Awards().playSound);
    EXPECT_TRUE(windows.Awards().contentSource);
    EXPECT_TRUE(windows.Awards().openAwardsWindow);
}

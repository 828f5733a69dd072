// Every hook the program gives the game layer's host structs and hook tables
// is filled: the map's hooks, the profile store's, the level windows' host
// (the map's level window and the level's own windows) and the pause menu's,
// each from the builder the program uses. A member may stay empty only when
// its header declares it an OptionalHook and says why. Each table's members
// are named here in order; a member added to a table fails the count until
// it is named (and wired).
#include "app/Profiles.h"
#include "foundation/OptionalHook.h"
#include "frontend/MapScreen.h"
#include "game/AwardsProgram.h"
#include "game/LevelInterface.h"
#include "game/LevelProfiles.h"
#include "game/MapProgram.h"
#include "game/ProgramWorld.h"
#include "levelui/LevelMenu.h"
#include "levelui/LevelWindows.h"
#include "tests/farm/BuildingTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

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

// Calls f with every member of the aggregate, in order.
template <class T, class F> void ForEachMember(const T& table, F&& f) {
    constexpr size_t n = MemberCount<T>();
    static_assert(n >= 1 && n <= 24, "a hook table of 1 to 24 members");
    if constexpr (n == 1) {
        auto& [m0] = table;
        f(m0);
    } else if constexpr (n == 2) {
        auto& [m0, m1] = table;
        f(m0);
        f(m1);
    } else if constexpr (n == 3) {
        auto& [m0, m1, m2] = table;
        f(m0);
        f(m1);
        f(m2);
    } else if constexpr (n == 4) {
        auto& [m0, m1, m2, m3] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
    } else if constexpr (n == 5) {
        auto& [m0, m1, m2, m3, m4] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
    } else if constexpr (n == 6) {
        auto& [m0, m1, m2, m3, m4, m5] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
    } else if constexpr (n == 7) {
        auto& [m0, m1, m2, m3, m4, m5, m6] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
    } else if constexpr (n == 8) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
    } else if constexpr (n == 9) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
    } else if constexpr (n == 10) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
    } else if constexpr (n == 11) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
    } else if constexpr (n == 12) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
    } else if constexpr (n == 13) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
    } else if constexpr (n == 14) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
    } else if constexpr (n == 15) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
    } else if constexpr (n == 16) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
    } else if constexpr (n == 17) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
    } else if constexpr (n == 18) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
        f(m17);
    } else if constexpr (n == 19) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
        f(m17);
        f(m18);
    } else if constexpr (n == 20) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18, m19] =
            table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
        f(m17);
        f(m18);
        f(m19);
    } else if constexpr (n == 21) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18, m19,
               m20] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
        f(m17);
        f(m18);
        f(m19);
        f(m20);
    } else if constexpr (n == 22) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18, m19, m20,
               m21] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
        f(m17);
        f(m18);
        f(m19);
        f(m20);
        f(m21);
    } else if constexpr (n == 23) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18, m19, m20,
               m21, m22] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
        f(m17);
        f(m18);
        f(m19);
        f(m20);
        f(m21);
        f(m22);
    } else if constexpr (n == 24) {
        auto& [m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15, m16, m17, m18, m19, m20,
               m21, m22, m23] = table;
        f(m0);
        f(m1);
        f(m2);
        f(m3);
        f(m4);
        f(m5);
        f(m6);
        f(m7);
        f(m8);
        f(m9);
        f(m10);
        f(m11);
        f(m12);
        f(m13);
        f(m14);
        f(m15);
        f(m16);
        f(m17);
        f(m18);
        f(m19);
        f(m20);
        f(m21);
        f(m22);
        f(m23);
    }
}

template <class T> struct IsFunction : std::false_type {};
template <class Signature> struct IsFunction<std::function<Signature>> : std::true_type {};

// A hook's state: empty or filled; nullopt for a member that is no hook to
// check (plain data, or an OptionalHook, which may stay empty).
template <class Member> std::optional<bool> Filled(const Member& member) {
    if constexpr (IsFunction<Member>::value)
        return bool(member);
    else if constexpr (std::is_pointer_v<Member> && std::is_function_v<std::remove_pointer_t<Member>>)
        return member != nullptr;
    else
        return std::nullopt;
}

// The table's members, named in order, are filled wherever they are hooks.
template <class T>
void ExpectWired(const T& table, const std::string& name, const std::vector<std::string>& members) {
    ASSERT_EQ(members.size(), MemberCount<T>()) << name << ": every member named here, in order";
    size_t i = 0;
    ForEachMember(table, [&](const auto& member) {
        const std::optional<bool> filled = Filled(member);
        EXPECT_TRUE(!filled || *filled) << name << "::" << members[i] << " is empty";
        ++i;
    });
}

const std::vector<std::string> kLevelWindowsHostMembers = {
    "profile",     "title",    "regimeBlock",  "hasSavedGame", "garbageSites", "bonusIcon",
    "bonusRecord", "goalIcon", "saveProfiles", "leaveLevel",   "selectBonuses"};

} // namespace

TEST(HooksWiring, TheMapsHooks) {
    ExpectWired(BuildMapHooks(), "MapHooks",
                {"openLevelWindow", "startTutorial", "showAwardNotice", "makeLevel", "levelHeld",
                 "dropHeldLevel", "levelExists", "findCharacter", "openOptions", "openAwards", "openProfiles",
                 "showComic"});
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

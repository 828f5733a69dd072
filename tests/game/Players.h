#pragma once
// The program tests' players, made with the game's own profile store in a
// game copy's user folder: a new player as the profile window makes one
// (tutorials on, easy), changed by the test, saved and made current.
#include "app/Profiles.h"
#include "gui/Regime.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "tests/support/InputScript.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

namespace testplayers {

inline void MakePlayer(const std::string& user, const char16_t* name,
                       const std::function<void(ProfileRecord&)>& change = {}) {
    std::filesystem::create_directories(user);
    ProfileManager profiles(platform::ToGamePath(user));
    profiles.Load();
    Profile* player = profiles.CreateProfile(name);
    ASSERT_NE(player, nullptr);
    if (change) change(player->MutableRecord());
    ASSERT_TRUE(player->Save());
    profiles.SetCurrent(player);
}

// The current player's record as the user folder holds it, read back by the
// game's own profile store; none when there is no current player.
inline std::optional<ProfileRecord> StoredCurrent(const std::string& user) {
    ProfileManager profiles(platform::ToGamePath(user));
    profiles.Load();
    if (!profiles.Current()) return std::nullopt;
    return profiles.Current()->Record();
}

// A current player past the map's first-visit tutorial who has won the easy
// regime's levels before the one of the index with the medal and has that
// one open. With tutorials, the level tutorials stay on, as the profile
// window makes a new player; without, the player has turned them off. The
// test's own change comes last.
inline void MakeEasyPlayer(const std::string& user, const char16_t* name, int32_t openLevel, uint32_t medal,
                           bool tutorials, const std::function<void(ProfileRecord&)>& change = {}) {
    MakePlayer(user, name, [&](ProfileRecord& record) {
        EXPECT_EQ(record.results.tutorial, 1u) << "a new player's tutorials are on";
        LevelProgress* easy = record.results.regimes[kRegimeEasy].levels;
        for (int32_t i = 0; i < openLevel; ++i)
            easy[i].status = medal;
        easy[openLevel].status = kLevelOpen;
        record.flags |= kProfileFlagEasyMapTutorial;
        if (!tutorials) record.results.tutorial = 0;
        if (change) change(record);
    });
}

// Ida, current: the easy regime's levels 1-19 won with silver and level 20
// open, past the map's tutorial, owning the bonuses and taking bonuses 0
// (the bees) and 4 (the good feed) into her levels.
inline void MakeBonusPlayer(const std::string& user, std::initializer_list<int> owned) {
    MakeEasyPlayer(user, u"ida", 19, kLevelSilver, true, [owned](ProfileRecord& record) {
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        for (int bonus : owned)
            easy.owned[bonus] = 1;
        easy.chosenCount = 2;
        easy.chosen[0] = 0, easy.chosen[1] = 4, easy.chosen[2] = -1;
    });
}

// The new-player window's keys from ms on: the name it offers (the user's)
// cleared by 17 backspaces, the keys typed, apart by apartMs each, and Enter
// 100 ms after the last.
inline std::string NewPlayerByKeys(int ms, std::initializer_list<const char*> keys, int apartMs = 40) {
    using testsupport::script::quick::Key;
    std::string events;
    for (int i = 0; i < 17; ++i, ms += apartMs)
        events += Key(ms, "BACK");
    for (const char* key : keys)
        events += Key(ms, key), ms += apartMs;
    return events + Key(ms + 100, "RETURN");
}

// An empty user folder's way to the map at 1024 x 768: a click skips the
// logos, the first player is made as "ann", "easy" shows the first comic,
// whose two clicks complete and close it, and the map opens about 8.7 s in
// (its villains' attack first).
inline std::string NewPlayerAnnToMap() {
    using testsupport::script::quick::Click;
    return Click(40, 500, 300) + NewPlayerByKeys(4500, {"A", "N", "N"}) + Click(6700, 749, 445) +
           Click(7500, 512, 600) + Click(8200, 512, 600);
}

} // namespace testplayers

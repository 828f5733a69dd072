#pragma once
// The program tests' players, made with the game's own profile store in a
// game copy's user folder: a new player as the profile window makes one
// (tutorials on, easy), changed by the test, saved and made current.
#include "app/Profiles.h"
#include "platform/Utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>

namespace testplayers {

inline void MakePlayer(const std::string& user, const char16_t* name,
                       const std::function<void(ProfileRecord&)>& change = {}) {
    std::filesystem::create_directories(user);
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    Profile* player = profiles.CreateProfile(name);
    ASSERT_NE(player, nullptr);
    if (change) change(player->MutableRecord());
    ASSERT_TRUE(player->Save());
    profiles.SetCurrent(player);
}

// Ida, current: the easy regime's levels 1-19 won with silver and level 20
// open, past the map's tutorial, owning the bonuses and taking bonuses 0
// (the bees) and 4 (the good feed) into her levels.
inline void MakeBonusPlayer(const std::string& user, std::initializer_list<int> owned) {
    MakePlayer(user, u"ida", [owned](ProfileRecord& record) {
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        for (int i = 0; i < 19; ++i)
            easy.levels[i].status = kLevelSilver;
        easy.levels[19].status = kLevelOpen;
        for (int bonus : owned)
            easy.owned[bonus] = 1;
        easy.chosenCount = 2;
        easy.chosen[0] = 0, easy.chosen[1] = 4, easy.chosen[2] = -1;
        record.flags |= kProfileFlagEasyMapTutorial;
    });
}

} // namespace testplayers

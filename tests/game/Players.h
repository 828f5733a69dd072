#pragma once
// The program tests' players, made with the game's own profile store in a
// game copy's user folder: a new player as the profile window makes one
// (tutorials on, easy), changed by the test, saved and made current.
#include "app/Profiles.h"
#include "platform/Utf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
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

} // namespace testplayers

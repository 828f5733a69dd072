#include "engine/Log.h"
#include "platform/Utf.h"
#include "sprites/GameAnimation.h"
#include "sprites/Gradient.h"
#include "sprites/Sprite.h"
#include "tests/sprites/SpriteTestHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using spritetest::TestHost;

TEST(SpriteLibrary, LookupsIgnoreCaseAndRefuseEmptyNames) {
    SpriteLibrary library(3, nullptr);
    library.AddSprite(u"Egg")->SetFrames({{0, 0, 4, 4}});
    library.AddSprite(u"egg")->SetFrames({{0, 0, 8, 8}});
    EXPECT_EQ(library.FindSprite(u"EGG"), library.GetSpriteAt(0)) << "first match";
    EXPECT_EQ(library.FindMapSprite(u"egg"), library.GetSpriteAt(0));
    EXPECT_EQ(library.FindSprite(nullptr), nullptr);
    EXPECT_EQ(library.FindSprite(u""), nullptr);
    EXPECT_EQ(library.FindSprite(u"eggs"), nullptr);
    EXPECT_EQ(library.FindTexture(u""), nullptr);
    EXPECT_EQ(library.FindTexture(u"egg"), nullptr);
}

// Every name asked for and not found is logged once per library, whichever
// call asked and however it was spelt; a probe, an empty name and a found
// sprite are not.
TEST(SpriteLibrary, EachMissingSpriteIsLoggedOncePerLibrary) {
    testsupport::TempDir dir;
    const std::string log = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(log).c_str()));
    SpriteLibraries libraries;
    SpriteLibrary* icons = libraries.Make(2, nullptr);
    SpriteLibrary* level = libraries.Make(7, nullptr);
    ASSERT_TRUE(icons && level);
    icons->AddSprite(u"ico_wheat")->SetFrames({{0, 0, 4, 4}});
    SetSpriteLibraries(&libraries);
    EXPECT_EQ(icons->FindSprite(u"ico_bread"), nullptr);
    EXPECT_EQ(icons->FindMapSprite(u"ICO_BREAD"), nullptr);
    EXPECT_EQ(icons->CreateInstanceByName(u"ico_Bread", 0), nullptr);
    EXPECT_EQ(GetSprite(2, u"ico_bread"), nullptr);
    EXPECT_EQ(GetSprite(7, u"ico_bread"), nullptr) << "another library: a line of its own";
    EXPECT_EQ(level->CreateInstanceByName(u"hay", 0), nullptr);
    EXPECT_EQ(icons->ProbeSprite(u"map_water1_3"), nullptr);
    EXPECT_EQ(icons->FindSprite(u""), nullptr);
    EXPECT_EQ(icons->FindSprite(nullptr), nullptr);
    EXPECT_NE(icons->FindSprite(u"ICO_WHEAT"), nullptr);
    EXPECT_NE(GetSprite(2, u"ico_wheat"), nullptr);
    SetSpriteLibraries(nullptr);
    LogFinish();

    const std::string all = testsupport::ReadFileBytes(log);
    std::vector<std::string> lines;
    for (size_t at = all.find("Sprite missing"); at != std::string::npos;
         at = all.find("Sprite missing", at + 1))
        lines.push_back(all.substr(at, all.find_first_of("\r\n", at) - at));
    ASSERT_EQ(lines.size(), 3u) << all;
    const char* expected[] = {"library 2 ico_bread", "library 7 ico_bread", "library 7 hay"};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_NE(lines[i].find(expected[i]), std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].size() - lines[i].find(expected[i]), std::string(expected[i]).size()) << lines[i];
    }
    EXPECT_EQ(all.find("wheat"), std::string::npos) << all;
    EXPECT_EQ(all.find("map_water"), std::string::npos) << all;
}

TEST(SpriteLibrary, InstancesNeedFramesAndAnimateOnlyWhenAsked) {
    TestHost host;
    SpriteLibrary library(7, nullptr);
    MapSprite* still = library.AddSprite(u"still");
    still->SetFrames({{0, 0, 4, 4}, {4, 0, 8, 4}});
    MapSprite* walk = library.AddSprite(u"walk");
    walk->SetFrames({{0, 0, 4, 4}, {4, 0, 8, 4}, {8, 0, 12, 4}});
    walk->SetDefaultSequence(kPlayLoop, 100);
    MapSprite* empty = library.AddSprite(u"empty");
    EXPECT_EQ(library.CreateInstance(nullptr, 1), nullptr);
    EXPECT_EQ(library.CreateInstance(empty, 1), nullptr);
    EXPECT_FALSE(library.CreateInstance(still, 1)->sequenceInUse) << "no frame time";
    EXPECT_FALSE(library.CreateInstance(walk, 0)->sequenceInUse);
    auto instance = walk->CreateInstance(1);
    ASSERT_NE(instance, nullptr);
    EXPECT_TRUE(instance->sequenceInUse);
    EXPECT_EQ(instance->sequence.time, host.game);
    EXPECT_EQ(instance->sequence.count, 3);
    EXPECT_EQ(library.CreateInstanceByName(u"WALK", 0)->definition, walk);
    instance->SetFrameSequence(nullptr, false);
    EXPECT_FALSE(instance->sequenceInUse);
}

TEST(SpriteLibrary, FrameRectsSizesAndDrawingWithoutATexture) {
    SpriteLibrary library(4, nullptr);
    MapSprite* sprite = library.AddSprite(u"bar");
    sprite->SetFrames({{0, 0, 10, 4}, {0, 4, 6, 20}});
    EXPECT_EQ(sprite->GetWidth(), 10);
    EXPECT_EQ(sprite->GetHeight(), 16);
    kis::Rect r;
    EXPECT_TRUE(sprite->GetFrameRect(1, &r));
    EXPECT_EQ(r.bottom, 20);
    EXPECT_FALSE(sprite->GetFrameRect(2, &r));
    EXPECT_EQ(r.right, 0) << "out of range: an empty rectangle";
    EXPECT_FALSE(sprite->GetFrameRect(-1, &r));
    MapDrawItem item;
    EXPECT_FALSE(sprite->Draw(&item, 0, 5, 5, nullptr, 0xFFFFFFFF, false)) << "no texture: nothing filled";
    EXPECT_EQ(item.texture, nullptr);
    EXPECT_FALSE(sprite->Draw(&item, 5, 5, 5, nullptr, 0xFFFFFFFF, false));
}

TEST(SpriteLibrary, SpriteUserRebuildsOnlyOnAChange) {
    SpriteLibrary library(6, nullptr);
    MapSprite* house = library.AddSprite(u"house");
    house->SetFrames({{0, 0, 10, 10}, {10, 0, 14, 4}});
    house->SetSubSprites({{1, 2.0f, 3.0f, 0.5f, 1.0f, 1.0f, 1.0f}, {-1, 0, 0, 0, 0, 1, 1}});
    MapSprite* shed = library.AddSprite(u"shed");
    shed->SetFrames({{0, 0, 10, 10}});
    MapSpriteUser user;
    user.SetSprite(house, false);
    ASSERT_NE(user.GetSubSprites(), nullptr);
    EXPECT_EQ(user.GetSubSprites()->size(), 2u);
    auto extra = std::make_unique<SubSpriteImage>();
    extra->SetFrameData(0, 1, 1, 0, 0, 1, 1);
    MapSpriteUser::AddSubSprite(nullptr, std::move(extra));
    std::unique_ptr<SubSpriteList> list;
    MapSpriteUser::AddSubSprite(&list, nullptr);
    EXPECT_EQ(list, nullptr) << "a null sub-sprite makes no list";
    user.SetSprite(house, false);
    EXPECT_EQ(user.GetSubSprites()->size(), 2u) << "the same sprite: nothing happens";
    user.SetSprite(shed, true);
    EXPECT_EQ(user.GetSubSprites()->size(), 2u) << "kept";
    user.SetSprite(house, false);
    user.SetSprite(shed, false);
    EXPECT_EQ(user.GetSubSprites(), nullptr) << "dropped; the shed has none";
}

TEST(Gradient, UpdatesAreBatchedAndTheLastEndRebuilds) {
    Gradient g;
    g.BeginUpdate();
    g.BeginUpdate();
    g.Add(0xFF000000, 100);
    g.Add(0xFFFFFFFF, 100);
    EXPECT_EQ(g.TotalLength(), 0u) << "no rebuild while updating";
    g.EndUpdate();
    EXPECT_EQ(g.TotalLength(), 0u);
    g.EndUpdate();
    EXPECT_EQ(g.TotalLength(), 200u);
    EXPECT_EQ(g.UpdateCount(), 0);
    g.EndUpdate(); // at 0 nothing happens
    EXPECT_EQ(g.UpdateCount(), 0);
    EXPECT_EQ(g.ColourAt(50), 0xFF808080u);
    EXPECT_EQ(g.ColourAt(500), 0xFFFFFFFFu);
    EXPECT_EQ(g.TableColour(0.0f), 0xFF000000u);
    EXPECT_EQ(g.TableColour(1.0f), 0xFFFFFFFFu);
}

TEST(GameAnimation, VariantsHaveTheirLengthAndTracksWrapTheVariant) {
    SpriteLibrary library(7, nullptr);
    MapSprite* sprite = library.AddSprite(u"girl_walk");
    sprite->SetFrames(std::vector<kis::Rect>(8, kis::Rect{0, 0, 4, 4}));
    GameAnimation walk(u"girl_walk");
    for (int d = 0; d < 3; ++d) {
        AnimationVariant v;
        v.sprite = sprite;
        SetFrameSequence(&v.sequence, d == 2 ? kPlayOnce : kPlayLoop, d * 2, 2, 150, 0, 0);
        v.mirrored = d == 1;
        walk.AddVariant(v);
    }
    EXPECT_EQ(walk.GetVariant(0)->Length(), 300u);
    EXPECT_EQ(walk.GetVariant(3), nullptr);
    AnimationRegistry registry;
    registry.Add(&walk);
    EXPECT_EQ(registry.Find(u"GIRL_WALK"), &walk);
    EXPECT_EQ(registry.Find(walk.GetNameId()), &walk);
    EXPECT_EQ(registry.Find(0u), nullptr);
    AnimationTrack track;
    track.Play(&walk, 4); // 4 mod 3
    EXPECT_EQ(track.variant, 1);
    EXPECT_TRUE(track.mirrored);
    track.Play(&walk, -1); // keeps the variant
    EXPECT_EQ(track.variant, 1);
    track.Update(160);
    EXPECT_EQ(track.CurrentFrame(), 3);
    track.Play(&walk, 2, 2.0f);
    track.Update(100); // twice as fast: 200 ms in
    EXPECT_EQ(track.CurrentFrame(), 5);
    EXPECT_FALSE(track.IsDone());
    track.Update(50);
    EXPECT_TRUE(track.IsDone());
}

} // namespace

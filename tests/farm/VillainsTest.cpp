// The villain kinds: the loader, its refusals and the lookup.
#include "farm/FarmVillains.h"
#include "tests/farm/FarmTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace farmtest;

TEST(Villains, TheLoaderReadsEveryKindAndLoadsItsSound) {
    FarmTablesSource source;
    source.villains = {Villain("robber"), Villain("fox")};
    source.villains[1].health = 0; // no clicks needed: no bar segments
    Pack pack({{kVillainChunkId, 256, VillainChunkBytes(source)}});
    RecordingResources resources;
    VillainTable table(&resources);
    ASSERT_TRUE(LoadAll(table, pack.Reader()));
    ASSERT_EQ(table.Count(), 2);
    const VILLAININFO* fox = table.FindVillainInfo(kis::NameId("fox"));
    ASSERT_NE(fox, nullptr);
    EXPECT_EQ(fox, table.Get(1));
    EXPECT_EQ(fox->record.flightTime, 1500u);
    EXPECT_NE(fox->sound, 0u);
    EXPECT_EQ(resources.soundsLoaded.size(), 2u);
    EXPECT_EQ(table.FindVillainInfo(0), nullptr);
    EXPECT_EQ(table.FindVillainInfo(kis::NameId("wolf")), nullptr);
}

TEST(Villains, TheLoaderRefusesBadKinds) {
    using Change = std::function<void(VillainInfoRecord&)>;
    const std::pair<const char*, Change> cases[] = {
        {"health below 0", [](auto& v) { v.health = -1; }},
        {"shot speed 0", [](auto& v) { v.maxShotSpeed = 0.0f; }},
        {"negative shot speed", [](auto& v) { v.maxShotSpeed = -2.0f; }},
        {"shot speed not a number", [](auto& v) { v.maxShotSpeed = std::nanf(""); }},
        {"infinite shot speed", [](auto& v) { v.maxShotSpeed = INFINITY; }},
        {"an unterminated sound",
         [](auto& v) {
             for (char16_t& c : v.soundName)
                 c = u's';
         }},
    };
    for (const auto& [what, change] : cases) {
        FarmTablesSource source;
        source.villains = {Villain("robber")};
        change(source.villains[0]);
        Pack pack({{kVillainChunkId, 256, VillainChunkBytes(source)}});
        RecordingResources resources;
        VillainTable table(&resources);
        EXPECT_FALSE(LoadAll(table, pack.Reader())) << what;
    }
    // The kinds live under sub-id 256 only.
    FarmTablesSource source;
    source.villains = {Villain("robber")};
    Pack pack({{kVillainChunkId, 1, VillainChunkBytes(source)}});
    RecordingResources resources;
    VillainTable table(&resources);
    EXPECT_FALSE(LoadAll(table, pack.Reader()));
}

TEST(Villains, AtALevelsLoadTheThreeCrossesAreMadeReady) {
    farmtest::RecordingResources resources;
    resources.AddSprite(kLevelLibrary, u"villain_cross_1");
    resources.AddSprite(kLevelLibrary, u"villain_cross_3");
    resources.AddSprite(kPlantLibrary, u"villain_cross_2"); // another library's
    EXPECT_EQ(LoadVillainCrosses(&resources), 2);
    EXPECT_EQ(resources.Fake(kLevelLibrary, u"villain_cross_1")->acquired, 1);
    EXPECT_EQ(resources.Fake(kLevelLibrary, u"villain_cross_3")->acquired, 1);
    EXPECT_EQ(resources.Fake(kPlantLibrary, u"villain_cross_2")->acquired, 0);
    EXPECT_EQ(LoadVillainCrosses(nullptr), 0);
}

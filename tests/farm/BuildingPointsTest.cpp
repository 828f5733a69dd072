// Building points: the point maker, stages, the build job and its save
// record, the panel's upgrade block, production animations, the warehouse.
#include "tests/farm/BuildingTestSupport.h"
#include "tests/support/Damage.h"

#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace buildtest;

namespace {

Job_Build* QueuedBuildJob(MapPlayer& player) {
    for (int32_t i = 0; i < player.JobCount(); ++i)
        if (auto* job = dynamic_cast<Job_Build*>(player.GetJob(i)); job && !job->IsFinished()) return job;
    return nullptr;
}

std::vector<uint8_t> SavePlayer(MapPlayer& player) {
    SaveWriter writer;
    EXPECT_TRUE(player.SaveState(writer));
    return writer.Bytes();
}

} // namespace

TEST(BuildingPointTest, ThePointMakerTakesKindsOneAndThree) {
    TestBakeryLevel l;
    struct Case {
        const char* what;
        PointRecord record;
        bool warehouse, factory;
    } cases[] = {
        {"warehouse", leveltest::Point(kPointWarehouse, 1, kWarehouseId, 10, 10), true, false},
        {"bakery", leveltest::Point(kPointBuilding, 1, kBakery, 10, 10), false, true},
        {"unknown type", leveltest::Point(kPointBuilding, 1, 0x999, 10, 10), false, false},
        {"plant", leveltest::Point(kPointPlant, 1, kBakery, 10, 10), false, false},
        {"empty site", leveltest::Point(kPointEmptySite, 0, 0, 10, 10), false, false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<BaseLevelPoint> p = MakeBuildingPoint(&l.host, 7, c.record);
        EXPECT_EQ(dynamic_cast<PointWarehouse*>(p.get()) != nullptr, c.warehouse) << c.what;
        EXPECT_EQ(dynamic_cast<PointFactory*>(p.get()) != nullptr, c.factory) << c.what;
    }
    // The level built its warehouse and bakery through it.
    ASSERT_NE(l.Warehouse(), nullptr);
    ASSERT_NE(l.Bakery(), nullptr);
    EXPECT_EQ(l.Warehouse()->Kind(), uint32_t(kPointWarehouse));
    EXPECT_EQ(l.Bakery()->Stage(), 1);
}

TEST(BuildingPointTest, AListWithoutAWarehouseGivesNoWarehousePoint) {
    TestBakeryLevel l;
    farmtest::RecordingResources resources;
    FarmData bare(&resources);
    struct BareHost : Host {
        using Host::Host;
        FarmData* data;
        BuildingList& Buildings() override { return data->buildings; }
    } host(&bare);
    host.data = &bare;
    EXPECT_EQ(MakeBuildingPoint(&host, 0, leveltest::Point(kPointWarehouse, 1, kWarehouseId, 0, 0)), nullptr);
}

TEST(BuildingPointTest, SetStageStopsAtTheHighestLevelAndAnswersForTheCurrentOne) {
    TestBakeryLevel l;
    PointFactory* bakery = l.Bakery();
    struct Step {
        int32_t stage;
        bool answer;
        int32_t after;
    } steps[] = {
        {1, true, 1},  // the current level
        {0, false, 1}, // lower
        {5, true, 2},  // past the highest allowed (2): stops there
        {2, true, 2},  {1, false, 2},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(bakery->SetStage(s.stage, false, 0), s.answer) << s.stage;
        EXPECT_EQ(bakery->Stage(), s.after) << s.stage;
    }
    EXPECT_EQ(bakery->SlotCount(), 2);

    // A site answers true for its own stage 0.
    BaseLevelPoint* site = l.level->CreatePoint(1, leveltest::Point(kPointBuilding, 0, kBakery, 120, 160));
    auto* building = dynamic_cast<PointBuilding*>(site);
    ASSERT_NE(building, nullptr);
    EXPECT_TRUE(building->SetStage(0, false, 0));
    EXPECT_EQ(building->Stage(), 0);
}

TEST(BuildingPointTest, PositionsFollowTheAnchorAndTheMirror) {
    TestBakeryLevel l;
    BUILDING* type = l.tables.farm.buildings.FindBuildingType(kBakery);
    type->header.mirrorA = 1; // the request decides
    struct Case {
        uint32_t flags;
        float x, y, workX, workY;
    } cases[] = {
        {0, 120 + 10, 160 + 20 - 48, 120 + 10 + 5, 160 + 20 + 30},
        {1, 120 - 10, 160 + 20 - 48, 120 - 10 - 5, 160 + 20 + 30},
    };
    for (const Case& c : cases) {
        PointRecord r = leveltest::Point(kPointBuilding, 1, kBakery, 120, 160);
        r.flags = c.flags;
        auto* p = dynamic_cast<PointBuilding*>(l.level->CreatePoint(2, r));
        ASSERT_NE(p, nullptr);
        float x, y;
        p->GetPosition(&x, &y);
        EXPECT_EQ(x, c.x) << c.flags;
        EXPECT_EQ(y, c.y) << c.flags;
        p->GetWorkPosition(&x, &y);
        EXPECT_EQ(x, c.workX) << c.flags;
        EXPECT_EQ(y, c.workY) << c.flags;
    }
}

TEST(BuildingPointTest, ABoughtSiteOrdersItsBuildAndACancelRevertsIt) {
    TestBakeryLevel l;
    BaseLevelPoint* site = l.level->CreatePoint(1, leveltest::Point(kPointBuilding, 0, kBakery, 120, 160));
    Job_Build* job = QueuedBuildJob(*l.player);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->Reserved(), kLevel1Price);
    EXPECT_EQ(l.host.money.Get(), 500 - kLevel1Price);
    EXPECT_EQ(l.level->ReservedMoney(), kLevel1Price);
    EXPECT_EQ(job->Point(), site);
    EXPECT_FALSE(site->AcceptsWork()); // a site takes no work

    job->Stop();
    EXPECT_EQ(l.host.money.Get(), 500);
    EXPECT_EQ(l.level->ReservedMoney(), 0);
    l.Run(10);
    // The definition's empty site is back in its place.
    EXPECT_EQ(dynamic_cast<PointBuilding*>(l.level->GetPoint(1)), nullptr);
    EXPECT_EQ(l.level->GetPoint(1)->Kind(), uint32_t(kPointEmptySite));
}

TEST(BuildingPointTest, ABuildJobLetGoByItsPointDoesNotRebuildIt) {
    TestBakeryLevel l;
    BaseLevelPoint* site = l.level->CreatePoint(1, leveltest::Point(kPointBuilding, 0, kBakery, 120, 160));
    auto* building = dynamic_cast<PointBuilding*>(site);
    Job_Build* job = QueuedBuildJob(*l.player);
    ASSERT_NE(job, nullptr);
    building->CancelBuildJob(false);
    EXPECT_EQ(building->BuildJob(), nullptr);
    EXPECT_EQ(job->Point(), nullptr);
    EXPECT_TRUE(job->IsFinished());
    EXPECT_EQ(l.host.money.Get(), 500); // the reservation went back
    l.Run(10);
    EXPECT_EQ(l.level->GetPoint(1), site); // not re-created from its definition
}

TEST(BuildingPointTest, TheFarmerBuildsAndUpgradesLevelByLevel) {
    TestBakeryLevel l;
    BaseLevelPoint* site = l.level->CreatePoint(1, leveltest::Point(kPointBuilding, 0, kBakery, 120, 160));
    auto* building = dynamic_cast<PointFactory*>(site);
    ASSERT_NE(building, nullptr);
    l.Run(200);
    EXPECT_TRUE(building->IsUpgrading());
    EXPECT_EQ(std::u16string(l.player->GetAnimationName()), u"girl_build");
    l.Run(kBuildMs + 20);
    EXPECT_EQ(building->Stage(), 1);
    EXPECT_FALSE(building->IsUpgrading());
    EXPECT_EQ(building->BuildJob(), nullptr);
    EXPECT_EQ(building->SlotCount(), 1);
    EXPECT_EQ(l.host.money.Get(), 500 - kLevel1Price); // spent
    EXPECT_EQ(l.level->ReservedMoney(), 0);

    // The panel's upgrade block, then its command.
    EXPECT_EQ(building->UpgradePrice(), kLevel2Price);
    EXPECT_TRUE(building->CanUpgrade());
    EXPECT_FALSE(building->OnButtonCommand(kUpgradeCommand + 1));
    EXPECT_TRUE(building->OnButtonCommand(kUpgradeCommand));
    EXPECT_FALSE(building->CanUpgrade()); // a build job is queued
    EXPECT_EQ(l.host.money.Get(), 500 - kLevel1Price - kLevel2Price);
    l.Run(kBuildMs + 300);
    EXPECT_EQ(building->Stage(), 2);
    EXPECT_EQ(building->SlotCount(), 2);
    EXPECT_EQ(building->UpgradePrice(), 0);
    EXPECT_FALSE(building->CanUpgrade());
    EXPECT_FALSE(building->OnButtonCommand(kUpgradeCommand));
}

TEST(BuildingPointTest, UpgradeNeedsMoneyAndAnUndamagedBuilding) {
    TestBakeryLevel l;
    PointFactory* bakery = l.Bakery();
    l.host.money.Set(kLevel2Price - 1);
    EXPECT_FALSE(bakery->OnButtonCommand(kUpgradeCommand));
    EXPECT_EQ(QueuedBuildJob(*l.player), nullptr);

    l.host.money.Set(500);
    ASSERT_TRUE(bakery->OnButtonCommand(kUpgradeCommand));
    l.Run(200);
    ASSERT_TRUE(bakery->IsUpgrading());
    // A shot stops the build at once and gives the money back.
    bakery->AddDamage(5, false);
    EXPECT_EQ(bakery->BuildJob(), nullptr);
    EXPECT_FALSE(bakery->IsUpgrading());
    EXPECT_EQ(l.host.money.Get(), 500);
    EXPECT_FALSE(bakery->CanUpgrade());
    l.Run(kBuildMs + 100);
    EXPECT_EQ(bakery->Stage(), 1);
}

TEST(BuildingPointTest, ThePanelStripIsCentred) {
    struct Case {
        int32_t left, width, block, upgrade, remove;
    } cases[] = {
        {0, 420, 42, 196, 330},
        {0, 620, 142, 296, 430},
        {30, 800, 30 + 190 + 42, 30 + 190 + 196, 30 + 190 + 330},
    };
    for (const Case& c : cases) {
        const BuildingPanelLayout layout = LayoutBuildingPanel(c.left, c.width);
        EXPECT_EQ(layout.levelBlockX, c.block) << c.width;
        EXPECT_EQ(layout.upgradeX, c.upgrade) << c.width;
        EXPECT_EQ(layout.removeX, c.remove) << c.width;
    }
}

TEST(BuildingAnimationTest, CyclesLoopFinishAndFollowTheRate) {
    static const uint32_t table[4] = {7, 8, 9, 10};
    struct Case {
        const char* what;
        float rate;
        bool stopAfterStart;
        uint32_t ms;
        int32_t state;
        uint32_t frame;
    } cases[] = {
        {"looping frame 2", 1.0f, false, 250, BuildingAnimation::kLooping, 9},
        {"looping wraps", 1.0f, false, 450, BuildingAnimation::kLooping, 7},
        {"rate 2 twice as fast", 2.0f, false, 125, BuildingAnimation::kLooping, 9},
        {"finishing plays on", 1.0f, true, 350, BuildingAnimation::kFinishing, 10},
        {"finishing ends at the cycle", 1.0f, true, 410, BuildingAnimation::kStopped, 7},
        {"finishing at rate 2", 2.0f, true, 205, BuildingAnimation::kStopped, 7},
    };
    for (const Case& c : cases) {
        BuildingAnimation a;
        a.frames = 4;
        a.frameMs = 100;
        a.table = table;
        a.Start(c.rate);
        if (c.stopAfterStart) a.Stop();
        for (uint32_t t = 0; t < c.ms; t += 5)
            a.Update(5);
        EXPECT_EQ(a.state, c.state) << c.what;
        EXPECT_EQ(a.Frame(), c.frame) << c.what;
    }
    // One frame or no frame time: nothing to play.
    BuildingAnimation still;
    still.frames = 1;
    still.frameMs = 100;
    still.table = table;
    still.Start(1.0f);
    EXPECT_EQ(still.state, BuildingAnimation::kStopped);
    // Mirrored: measured from the other side of the base sprite.
    EXPECT_EQ(MirroredAnimationX(120, 30, 10.0f), 80.0f);
    EXPECT_EQ(MirroredAnimationX(64, 64, 0.0f), 0.0f);
}

TEST(WarehousePointTest, ItsLevelSetsTheStockCapacities) {
    TestBakeryLevel l;
    PointWarehouse* warehouse = l.Warehouse();
    ASSERT_NE(warehouse, nullptr);
    const PRODUCT* wheat = l.tables.farm.products.FindProduct(kWheat);
    const PRODUCT* bread = l.tables.farm.products.FindProduct(kBread);
    EXPECT_EQ(l.host.Stock().GetWarehouseLevel(), 1u);
    EXPECT_EQ(l.host.warehouseButtonLevel, 0);
    EXPECT_FALSE(warehouse->AcceptsWork());
    EXPECT_FALSE(warehouse->HasPanel());

    ASSERT_TRUE(warehouse->SetStage(3, false, 0));
    EXPECT_EQ(l.host.Stock().GetWarehouseLevel(), 3u);
    EXPECT_EQ(l.host.warehouseButtonLevel, 2);
    for (const PRODUCT* p : {wheat, bread})
        EXPECT_EQ(l.host.Stock().GetCapacity(p), 150u);

    warehouse->OnClick();
    EXPECT_EQ(l.host.warehouseWindows, 1);
}

TEST(BuildJobSaveTest, ARunningBuildSavesAndLoadsToTheSameBytes) {
    TestBakeryLevel l;
    ASSERT_TRUE(l.Bakery()->OnButtonCommand(kUpgradeCommand));
    l.Run(200);
    ASSERT_TRUE(l.Bakery()->IsUpgrading());
    const std::vector<uint8_t> saved = SavePlayer(*l.player);

    SaveReader reader(saved);
    std::string why;
    ASSERT_TRUE(l.player->LoadState(reader, &why)) << why;
    Job_Build* loaded = QueuedBuildJob(*l.player);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Point(), l.Bakery());
    EXPECT_EQ(l.Bakery()->BuildJob(), loaded);
    EXPECT_EQ(loaded->Reserved(), kLevel2Price);
    const std::vector<uint8_t> again = SavePlayer(*l.player);
    ASSERT_EQ(again.size(), saved.size());
    for (size_t i = 0; i < saved.size(); ++i)
        EXPECT_EQ(again[i], saved[i]) << "byte " << i;

    l.Run(kBuildMs);
    EXPECT_EQ(l.Bakery()->Stage(), 2);
    EXPECT_EQ(l.level->ReservedMoney(), 0);
}

TEST(BuildJobSaveTest, DamagedRecordsAreRefused) {
    TestBakeryLevel l;
    ASSERT_TRUE(l.Bakery()->OnButtonCommand(kUpgradeCommand));
    const std::vector<uint8_t> good = SavePlayer(*l.player);
    const size_t job = MapCharacter::kBlockSize; // the one job record follows the block
    ASSERT_EQ(good.size(), job + Job_Build::kRecordSize);
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    } cases[] = {
        {"point index past the points", 40, 99}, {"point is the warehouse", 40, 0},
        {"point is an empty site", 40, 1},       {"reservation differs from the price", 12, kLevel2Price + 1},
        {"step past the job's", 8, 4},           {"running outside step 3", 20, 1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        PutU32(bad.data() + job, c.offset, c.value);
        SaveReader reader(bad);
        EXPECT_FALSE(l.player->LoadState(reader)) << c.what;
    }
    // A record for a building already at its highest level has no price.
    TestBakeryLevel top(2);
    ASSERT_EQ(top.Bakery()->Stage(), 2);
    std::vector<uint8_t> bad = good;
    PutU32(bad.data() + job, 12, 0);
    SaveReader reader(bad);
    EXPECT_FALSE(top.player->LoadState(reader));
    // The good record still loads.
    SaveReader again(good);
    EXPECT_TRUE(l.player->LoadState(again));
}

TEST(BuildJobSaveTest, AJobWhosePointWentGivesTheMoneyBack) {
    TestBakeryLevel l;
    ASSERT_TRUE(l.Bakery()->OnButtonCommand(kUpgradeCommand));
    ASSERT_EQ(l.host.money.Get(), 500 - kLevel2Price);
    // The point is re-created under the queued job (a level reload).
    l.level->CreatePoint(3, leveltest::Point(kPointBuilding, 1, kBakery, 800, 500));
    l.Run(20);
    EXPECT_EQ(QueuedBuildJob(*l.player), nullptr);
    EXPECT_EQ(l.host.money.Get(), 500);
    EXPECT_EQ(l.level->ReservedMoney(), 0);
    EXPECT_EQ(l.Bakery()->Stage(), 1);
}

TEST(BuildJobSaveTest, RandomlyDamagedRecordsAreRefusedOrLoadWhole) {
    TestBakeryLevel l;
    ASSERT_TRUE(l.Bakery()->OnButtonCommand(kUpgradeCommand));
    l.Run(200);
    const std::vector<uint8_t> saved = SavePlayer(*l.player);
    const std::string good(saved.begin(), saved.end());
    platform::SeedRand(280);
    const int rounds = testsupport::ForRounds(300, 3000, [&](int round) {
        const std::string bad = testsupport::Damage(good, round);
        SaveReader reader(std::span(reinterpret_cast<const uint8_t*>(bad.data()), bad.size()));
        if (!l.player->LoadState(reader)) return;
        // What loads keeps the point and its job linked both ways.
        Job_Build* job = QueuedBuildJob(*l.player);
        if (job) {
            EXPECT_EQ(job->Point(), l.Bakery());
            EXPECT_EQ(l.Bakery()->BuildJob(), job);
        }
    });
    EXPECT_GT(rounds, 0);
    // The good record still loads after all that.
    SaveReader reader(saved);
    EXPECT_TRUE(l.player->LoadState(reader));
}

// What a clean site offers and orders: the level's factories and animal
// houses (never the warehouse), each with its level-1 price; the order
// turns the site into a building site whose build the farmer takes up, and
// refuses a site with garbage, a point that is no site, and short money.
#include "tests/farm/BuildingTestSupport.h"

#include "farm/BuildingSites.h"

#include <gtest/gtest.h>

using namespace buildtest;

namespace {

// A clean site at the index (the sample's sites hold garbage); the level's
// world hands out the farmer.
void MakeCleanSite(TestBakeryLevel& l, uint32_t index) {
    l.host.world->player = l.player.get();
    l.level->CreatePoint(index, leveltest::Point(kPointEmptySite, 0, 0, 120, 160));
}

} // namespace

TEST(BuildingSitesTest, TheLevelsFactoriesAreOfferedWithTheirFirstPrice) {
    TestBakeryLevel l;
    const LevelRecord& r = l.record.record;
    const FarmData& farm = l.tables.farm;
    const std::vector<SiteChoice> buildings = SiteChoices(r, farm.plants, farm.buildings, kSiteBuildings);
    ASSERT_EQ(buildings.size(), 1u); // the bakery; the warehouse is never offered
    EXPECT_EQ(buildings[0].objectId, kBakery);
    EXPECT_EQ(buildings[0].pointKind, uint32_t(kPointBuilding));
    EXPECT_EQ(buildings[0].price, kLevel1Price);
    EXPECT_EQ(buildings[0].record, reinterpret_cast<uintptr_t>(farm.buildings.FindBuildingType(kBakery)));
    EXPECT_TRUE(SiteChoices(r, farm.plants, farm.buildings, kSitePets).empty());
    EXPECT_TRUE(SiteChoices(r, farm.plants, farm.buildings, kSitePlants).empty());

    // A type the level allows no level of is not offered.
    LevelRecord none = r;
    none.types[1].count = 0;
    EXPECT_TRUE(SiteChoices(none, farm.plants, farm.buildings, kSiteBuildings).empty());
}

TEST(BuildingSitesTest, AnOrderTurnsTheSiteIntoABuildingSiteThatTheFarmerBuilds) {
    TestBakeryLevel l;
    MakeCleanSite(l, 1);
    const SiteChoice bakery =
        SiteChoices(l.record.record, l.tables.farm.plants, l.tables.farm.buildings, kSiteBuildings).at(0);
    ASSERT_EQ(OrderOnSite(*l.level, 1, bakery), SiteRefusal::None);
    auto* building = dynamic_cast<PointBuilding*>(l.level->GetPoint(1));
    ASSERT_NE(building, nullptr);
    EXPECT_EQ(building->Stage(), 0);
    ASSERT_NE(building->BuildJob(), nullptr);
    EXPECT_EQ(l.host.money.Get(), 500 - kLevel1Price);
    EXPECT_EQ(building->X(), 120);
    EXPECT_EQ(building->Y(), 160);
    // The site is no site any more: a second order is refused.
    EXPECT_EQ(OrderOnSite(*l.level, 1, bakery), SiteRefusal::NoSite);

    l.host.events.clear();
    l.Run(kBuildMs + 2000);
    EXPECT_EQ(building->Stage(), 1);
    EXPECT_EQ(std::count(l.host.events.begin(), l.host.events.end(), TutorialEvent::PointChanged), 1);
}

TEST(BuildingSitesTest, OrdersAreRefusedWithTheirReason) {
    TestBakeryLevel l;
    MakeCleanSite(l, 1);
    const SiteChoice bakery =
        SiteChoices(l.record.record, l.tables.farm.plants, l.tables.farm.buildings, kSiteBuildings).at(0);
    EXPECT_EQ(CheckSiteOrder(*l.level, 0, bakery), SiteRefusal::NoSite);   // the warehouse
    EXPECT_EQ(CheckSiteOrder(*l.level, 2, bakery), SiteRefusal::NotClean); // garbage on it
    EXPECT_EQ(CheckSiteOrder(*l.level, 7, bakery), SiteRefusal::NoSite);   // no point
    l.level->Money().Set(kLevel1Price - 1);
    EXPECT_EQ(OrderOnSite(*l.level, 1, bakery), SiteRefusal::Money);
    EXPECT_EQ(l.level->GetPoint(1)->Kind(), uint32_t(kPointEmptySite));
    l.level->Money().Set(kLevel1Price);
    EXPECT_EQ(CheckSiteOrder(*l.level, 1, bakery), SiteRefusal::None);
    l.host.world->player = nullptr; // no farmer to do the work
    EXPECT_EQ(OrderOnSite(*l.level, 1, bakery), SiteRefusal::NoFarmer);
    EXPECT_EQ(l.level->GetPoint(1)->Kind(), uint32_t(kPointEmptySite));
}

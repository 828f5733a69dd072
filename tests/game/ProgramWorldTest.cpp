// The program's level world: the warehouse stock follows the building
// table's capacities by warehouse level, and its saved block round-trips
// while a broken one (unknown product, more than the warehouse holds, a
// level or count out of range) is refused.
#include "game/ProgramWorld.h"
#include "level/SaveStream.h"
#include "tests/farm/BuildingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using buildtest::kEgg;
using buildtest::kWheat;

struct World {
    buildtest::Tables tables;
    ProgramWorld world{&tables.farm};
    World() { world.ResetStock(3); }
};

std::vector<uint8_t> StockBlock(uint32_t level, std::vector<std::pair<uint32_t, uint32_t>> records,
                                uint32_t count = UINT32_MAX) {
    SaveWriter out;
    out.PutU32(16 + 8 * uint32_t(records.size()));
    out.PutU32(level);
    out.PutU32(count == UINT32_MAX ? uint32_t(records.size()) : count);
    out.PutU32(0);
    for (const auto& [id, n] : records)
        out.PutU32(id), out.PutU32(n);
    return out.TakeBytes();
}

TEST(ProgramWorld, StockRoomFollowsTheWarehouseLevel) {
    World w;
    // The test warehouse holds 50 units a product per level.
    EXPECT_EQ(w.world.ProductRoom(kWheat), 50u);
    EXPECT_EQ(w.world.AddProduct(kWheat, 70), 50u);
    EXPECT_EQ(w.world.ProductRoom(kWheat), 0u);
    w.world.SetWarehouseLevel(2);
    EXPECT_EQ(w.world.ProductRoom(kWheat), 50u);
    EXPECT_EQ(w.world.AddProduct(kWheat, 70), 50u);
    EXPECT_EQ(w.world.ProductCount(kWheat), 100u);
    EXPECT_EQ(w.world.AddProduct(0x12345678, 5), 0u) << "an unknown product is not stored";
    // The farm's view of the same stock.
    const PRODUCT* egg = w.tables.farm.products.FindProduct(kEgg);
    w.world.Add(egg, 4);
    w.world.Remove(egg, 1);
    EXPECT_EQ(w.world.ProductCount(kEgg), 3u);
    EXPECT_EQ(w.world.GetCount(egg), 3);
}

TEST(ProgramWorld, StockBlockRoundTrips) {
    World w;
    w.world.SetWarehouseLevel(2);
    w.world.AddProduct(kWheat, 80);
    w.world.AddProduct(kEgg, 3);
    SaveWriter out;
    w.world.SaveStock(out);
    const std::vector<uint8_t> bytes = out.TakeBytes();

    World loaded;
    SaveReader in(bytes);
    ASSERT_TRUE(loaded.world.LoadStock(in));
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(loaded.world.Stock().GetWarehouseLevel(), 2u);
    EXPECT_EQ(loaded.world.ProductCount(kWheat), 80u);
    EXPECT_EQ(loaded.world.ProductCount(kEgg), 3u);
}

TEST(ProgramWorld, BrokenStockBlocksAreRefused) {
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"unknown product", StockBlock(1, {{0x12345678, 1}})},
        {"more than the warehouse holds", StockBlock(1, {{kWheat, 51}})},
        {"warehouse level 0", StockBlock(0, {})},
        {"warehouse level above the highest", StockBlock(4, {})},
        {"count beyond the records", StockBlock(1, {{kWheat, 1}}, 2)},
        {"too many records", StockBlock(1, std::vector<std::pair<uint32_t, uint32_t>>(33, {kWheat, 0}))},
    };
    for (const auto& c : cases) {
        World w;
        SaveReader in(c.bytes);
        EXPECT_FALSE(w.world.LoadStock(in)) << c.what;
    }
    // The sound block beside them is taken.
    World w;
    const std::vector<uint8_t> good = StockBlock(3, {{kWheat, 150}, {kEgg, 1}});
    SaveReader in(good);
    EXPECT_TRUE(w.world.LoadStock(in));
    EXPECT_EQ(w.world.ProductCount(kWheat), 150u);
}

} // namespace

#include "level/VillainSchedule.h"

#include "LevelTestSupport.h"
#include "level/SaveStream.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

namespace {

struct Places : VillainPlaces {
    std::vector<uint32_t> taken = std::vector<uint32_t>(16, 0);
    std::vector<uint32_t> order;
    bool IsPlaceFree(uint32_t place) const override { return taken[place] == 0; }
    void CreateVillain(uint32_t place, uint32_t kind) override {
        taken[place] = kind;
        order.push_back(place);
    }
};

} // namespace

// The first villain comes after entry 0's delay; then each entry waits its
// own; after the last the schedule goes on from the loop start.
TEST(VillainSchedule, EntriesWaitTheirDelaysAndLoop) {
    Level level = leveltest::MakeLevel();
    level.schedule = {{0, 5, 100}, {1, 5, 50}, {0, 5, 30}};
    level.record.scheduleCount = 3;
    VillainSchedule schedule;
    schedule.Reset(level);
    Places places;
    schedule.Tick(90, places);
    EXPECT_TRUE(places.order.empty());
    schedule.Tick(10, places);
    EXPECT_EQ(places.order, std::vector<uint32_t>({0}));
    schedule.Tick(50, places);
    EXPECT_EQ(places.order, std::vector<uint32_t>({0, 1}));
    schedule.Tick(30, places); // place 0 taken: nobody comes
    EXPECT_EQ(places.order.size(), 2u);
    EXPECT_EQ(schedule.State().currentEntry, 1u) << "looped back to the loop start";
    EXPECT_EQ(schedule.State().countdownMs, 50);

    level.record.loopLength = 0;
    schedule.Reset(level);
    for (int t = 0; t < 100; ++t)
        schedule.Tick(10, places);
    EXPECT_FALSE(schedule.IsActive());
    EXPECT_EQ(schedule.State().currentEntry, 3u);
}

// A run of zero delays is worked off 16 entries a tick; a random place is
// one that is free, and no villain comes when every place is taken.
TEST(VillainSchedule, AtMostSixteenEntriesATickAndRandomFreePlaces) {
    Level level = leveltest::MakeLevel();
    level.record.placeCount = 16;
    level.schedule.assign(40, {-1, 5, 0});
    level.schedule[0].delayMs = 10;
    level.record.scheduleCount = 40;
    level.record.loopLength = 0;
    platform::SeedRand(7);
    VillainSchedule schedule;
    schedule.Reset(level);
    Places places;
    places.taken[3] = 9;
    schedule.Tick(10, places);
    EXPECT_EQ(schedule.State().currentEntry, 16u);
    EXPECT_EQ(places.order.size(), 15u) << "15 free places filled, the 16th entry found none";
    for (uint32_t p : places.order)
        EXPECT_NE(p, 3u);
    schedule.Tick(10, places);
    EXPECT_EQ(schedule.State().currentEntry, 32u);
    EXPECT_EQ(places.order.size(), 15u);
}

// The saved state is u32 20 and 20 bytes; a state that does not fit the
// level is refused and the old one kept.
TEST(VillainSchedule, SaveIsTwentyBytesAfterItsSize) {
    Level level = leveltest::MakeLevel();
    VillainSchedule schedule;
    schedule.Reset(level);
    Places places;
    schedule.Tick(5500, places);
    SaveWriter out;
    schedule.Save(out);
    auto saved = out.Finish();
    ASSERT_EQ(saved->Data().size(), 24u);
    EXPECT_EQ(saved->Data()[0], 20u);

    VillainSchedule copy;
    copy.Reset(level);
    SaveReader in(saved->Data());
    ASSERT_TRUE(copy.Load(in));
    EXPECT_EQ(std::memcmp(&copy.State(), &schedule.State(), 20), 0);

    // size, active, entry, count, countdown (longer than any entry's delay)
    struct Case {
        int word;
        uint32_t value;
    } bad[] = {{0, 24}, {1, 2}, {2, 3}, {3, 4}, {4, 0xFFFFFFFF}, {4, 1796807333}};
    for (const Case& c : bad) {
        std::vector<uint8_t> bytes(saved->Data().begin(), saved->Data().end());
        std::memcpy(bytes.data() + 4 * c.word, &c.value, 4);
        VillainSchedule other;
        other.Reset(level);
        SaveReader damaged(bytes);
        EXPECT_FALSE(other.Load(damaged)) << c.word;
        EXPECT_TRUE(damaged.Failed());
        EXPECT_EQ(other.State().countdownMs, 5000);
    }
}

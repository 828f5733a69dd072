#include "level/Economy.h"
#include "level/GameMessager.h"

#include <gtest/gtest.h>

#include <vector>

// The farm layer's product record; the stock only compares its address.
struct PRODUCT {
    int number;
};

namespace {

TEST(MoneyValue, AddAndSubtractStayWithinZeroAnd99999AndNotifyOnceEach) {
    struct Case {
        int32_t start;
        bool add;
        int32_t amount;
        int32_t expected;
        int32_t change;
    };
    const Case cases[] = {
        {99990, true, 20, 99999, 9},          {30, false, 50, 0, 30},        {0, true, 0, 0, 0},
        {500, true, -700, 0, -500},           {500, false, -200, 700, -200}, {99999, false, 1, 99998, 1},
        {10, true, 2000000000, 99999, 99989},
    };
    for (const Case& c : cases) {
        MoneyValue money;
        money.Set(c.start);
        int calls = 0;
        money.Listeners().Add([&] { ++calls; });
        const int32_t change = c.add ? money.Add(c.amount) : money.Subtract(c.amount);
        EXPECT_EQ(money.Get(), c.expected) << c.start << (c.add ? " + " : " - ") << c.amount;
        EXPECT_EQ(change, c.change) << c.start << (c.add ? " + " : " - ") << c.amount;
        EXPECT_EQ(calls, 1);
    }
}

TEST(MoneyValue, ListenerThatRemovesItselfIsCalledOnceAndOthersStillRun) {
    MoneyValue money;
    std::vector<int> calls;
    uint32_t first = 0;
    first = money.Listeners().Add([&] {
        calls.push_back(1);
        money.Listeners().Remove(first);
    });
    money.Listeners().Add([&] { calls.push_back(2); });
    money.Add(5);
    money.Add(5);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 2}));
    EXPECT_EQ(money.Listeners().Count(), 1u);
}

TEST(ValueCounter, ReachesItsTargetWithinTheTimeInThirtyMillisecondSteps) {
    struct Case {
        int32_t from, to;
        uint32_t time, delay;
    };
    const Case cases[] = {
        {0, 1000, 300, 0}, {500, 20, 300, 0}, {0, 7, 1000, 50}, {0, 99999, 95, 0}, {10, 10, 300, 0}};
    for (const Case& c : cases) {
        ValueCounter counter;
        counter.SetTarget(c.from, 0, 1000, 0);
        counter.Update(1000);
        ASSERT_EQ(counter.Value(), c.from);
        counter.SetTarget(c.to, c.time, 2000, c.delay);
        int32_t last = counter.Value();
        // Nothing moves before the delay; between ticks the value holds.
        for (uint32_t t = 2000; t <= 2000 + c.delay + c.time; ++t) {
            const int32_t value = counter.Update(t);
            if (t < 2000 + c.delay) {
                EXPECT_EQ(value, c.from);
            } else if ((t - 2000 - c.delay) % ValueCounter::kTickMs != 0) {
                EXPECT_EQ(value, last);
            }
            EXPECT_TRUE(c.to >= c.from ? value >= last : value <= last) << "moves one way only";
            last = value;
        }
        EXPECT_EQ(last, c.to) << c.from << " -> " << c.to << " in " << c.time;
    }
}

TEST(ValueCounter, ZeroTimeJumpsAtOnce) {
    ValueCounter counter;
    counter.SetTarget(4321, 0, 100, 0);
    EXPECT_EQ(counter.Update(100), 4321);
    counter.SetTarget(10, 29, 200, 0); // less than one tick
    EXPECT_EQ(counter.Update(200), 10);
}

class StockTest : public ::testing::Test {
  protected:
    PRODUCT wheat{1}, eggs{2}, flour{3};
    // 10 units per product at level 1, 20 at 2, 40 at 3 and above.
    ProductStock stock{[](const PRODUCT*, uint32_t level) { return level >= 3 ? 40u : level * 10u; }, 3};
};

TEST_F(StockTest, AddTakesWhatFitsAndRemoveDropsTheEmptyRecord) {
    struct Step {
        PRODUCT* product;
        bool add;
        uint32_t n;
        uint32_t taken;
        uint32_t count;
        int32_t index;
    };
    const Step steps[] = {
        {&wheat, true, 4, 4, 4, 0},    {&wheat, true, 9, 6, 10, 0}, {&wheat, true, 1, 0, 10, 0},
        {&eggs, true, 0, 0, 0, -1},    {&eggs, true, 3, 3, 3, 1},   {&wheat, false, 4, 4, 6, 0},
        {&wheat, false, 50, 6, 0, -1}, {&eggs, false, 1, 1, 2, 0},  {&flour, false, 1, 0, 0, -1},
        {nullptr, true, 5, 0, 0, -1},
    };
    for (const Step& s : steps) {
        const uint32_t taken = s.add ? stock.Add(s.product, s.n) : stock.Remove(s.product, s.n);
        EXPECT_EQ(taken, s.taken);
        EXPECT_EQ(stock.GetCount(s.product), s.count);
        EXPECT_EQ(stock.IndexOf(s.product), s.index);
    }
    EXPECT_EQ(stock.RecordCount(), 1);
}

TEST_F(StockTest, WarehouseLevelOnlyRisesAndRefreshesEveryCapacity) {
    stock.Add(&wheat, 10);
    stock.Add(&eggs, 1);
    EXPECT_EQ(stock.GetCapacity(&wheat), 10u);
    stock.SetWarehouseLevel(3);
    EXPECT_EQ(stock.GetWarehouseLevel(), 3u);
    EXPECT_EQ(stock.GetRecord(0).capacity, 40u);
    EXPECT_EQ(stock.GetRecord(1).capacity, 40u);
    stock.SetWarehouseLevel(2);
    EXPECT_EQ(stock.GetWarehouseLevel(), 3u);
    EXPECT_EQ(stock.GetCapacity(&flour), 40u);
    EXPECT_EQ(stock.Add(&wheat, 100), 30u);
}

TEST_F(StockTest, ListenersSeeEachChangeAndAnEmptiedRecordIsAlreadyGone) {
    std::vector<std::pair<const PRODUCT*, uint32_t>> seen;
    std::vector<int32_t> indexSeen;
    stock.AddListener([&](const ProductStock::Record& record) {
        seen.emplace_back(record.product, record.count);
        indexSeen.push_back(stock.IndexOf(record.product));
    });
    stock.Add(&wheat, 3);
    stock.Add(&wheat, 0);   // nothing taken: no call
    stock.Remove(&eggs, 1); // absent: no call
    stock.Remove(&wheat, 3);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair<const PRODUCT*>(&wheat, 3u));
    EXPECT_EQ(seen[1], std::make_pair<const PRODUCT*>(&wheat, 0u));
    EXPECT_EQ(indexSeen[1], -1);
}

TEST(GameMessager, LetsEachIdThroughOnceInTenSecondsAndReplacesStaleIds) {
    GameMessager messager;
    for (uint32_t id = 1; id <= 8; ++id)
        EXPECT_TRUE(messager.CanShow(id, id - 1)) << id; // id i shown at i - 1 ms
    struct Check {
        uint32_t id, now;
        bool shown;
        const char* why;
    };
    const Check checks[] = {
        {3, 5000, false, "shown 4,998 ms ago"},
        {9, 5000, false, "eight ids held, none 10 s old"},
        {9, 10000, true, "id 1 (shown at 0) is stale and gives its slot"},
        {9, 10001, false, "just shown"},
        {10, 10000, false, "id 2 was shown 9,999 ms ago"},
        {10, 10001, true, "now id 2 is stale"},
        {1, 10001, false, "id 1 was forgotten; id 3 is 9,999 ms old"},
        {5, 10004, true, "a held id again after 10 s"},
    };
    for (const Check& c : checks)
        EXPECT_EQ(messager.CanShow(c.id, c.now), c.shown) << c.why;
}

TEST(GameMessager, StopFlagSilencesEverything) {
    bool stopped = true;
    GameMessager messager(&stopped);
    EXPECT_FALSE(messager.CanShow(1, 0));
    stopped = false;
    EXPECT_TRUE(messager.CanShow(1, 0));
}

} // namespace

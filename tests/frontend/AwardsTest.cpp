#include "frontend/Awards.h"
#include "engine/LoaderState.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/Utf.h"
#include "tests/support/DataChunks.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void SetName(char16_t (&field)[32], const char16_t* text) {
    std::memset(field, 0, sizeof field);
    for (int i = 0; text[i] && i < 31; ++i)
        field[i] = text[i];
}

struct Table {
    AwardRecord awards[kAwardCount] = {};
    AwardGoal goals[kGoalCount] = {};

    // Awards stored in reverse index order, thresholds 10/50/100 scaled by
    // the index; goal k has target 5 * (k + 1).
    Table() {
        for (int i = 0; i < kAwardCount; ++i) {
            AwardRecord& a = awards[i];
            SetName(a.key, u"award");
            SetName(a.icon, u"award_icon");
            a.index = kAwardCount - 1 - i;
            a.start = 0;
            a.bronze = 10 * (a.index + 1);
            a.silver = 50 * (a.index + 1);
            a.gold = 100 * (a.index + 1);
        }
        for (int i = 0; i < kGoalCount; ++i) {
            AwardGoal& g = goals[i];
            SetName(g.key, u"goal");
            SetName(g.icon, u"goal_icon");
            g.index = i;
            g.target = 5 * (i + 1);
        }
    }
    std::vector<uint8_t> Bytes() const { return EncodeAwardTable(awards, goals); }
};

Awards Loaded(const Table& table = Table()) {
    Awards awards;
    std::string why;
    const std::vector<uint8_t> bytes = table.Bytes();
    EXPECT_TRUE(awards.Read(bytes.data(), bytes.size(), &why)) << why;
    return awards;
}

TEST(AwardTable, ReadsBothBlocksAndFindsRecordsByIndex) {
    Table table;
    table.awards[2].iconSlot = 0x12345678; // a stored pointer is not kept
    const Awards awards = Loaded(table);
    ASSERT_TRUE(awards.IsLoaded());
    EXPECT_EQ(awards.GetAward(0).index, 8);
    EXPECT_EQ(awards.GetAward(2).iconSlot, 0u);
    EXPECT_EQ(std::u16string(awards.GetAward(0).key), u"award");
    ASSERT_NE(awards.FindAward(8), nullptr);
    EXPECT_EQ(awards.FindAward(8)->gold, 900);
    EXPECT_EQ(awards.FindGoal(7)->target, 40);
    EXPECT_EQ(std::u16string(awards.GetGoal(3).icon), u"goal_icon");
    EXPECT_EQ(awards.FindAward(9), nullptr);
    EXPECT_EQ(awards.FindGoal(-1), nullptr);
}

TEST(AwardTable, RefusesTablesThatBreakARule) {
    struct Case {
        const char* what;
        void (*damage)(Table&);
    };
    const Case cases[] = {
        {"award index 9", [](Table& t) { t.awards[4].index = 9; }},
        {"award index -1", [](Table& t) { t.awards[0].index = -1; }},
        {"award index twice", [](Table& t) { t.awards[1].index = t.awards[0].index; }},
        {"goal index 8", [](Table& t) { t.goals[7].index = 8; }},
        {"goal index twice", [](Table& t) { t.goals[3].index = 2; }},
        {"bronze above silver", [](Table& t) { t.awards[3].bronze = t.awards[3].silver + 1; }},
        {"silver above gold", [](Table& t) { t.awards[3].silver = t.awards[3].gold + 1; }},
        {"start above bronze", [](Table& t) { t.awards[5].start = t.awards[5].bronze + 1; }},
        {"empty key", [](Table& t) { t.goals[0].key[0] = 0; }},
        {"key without terminator",
         [](Table& t) { std::fill(std::begin(t.awards[6].key), std::end(t.awards[6].key), u'k'); }},
        {"icon without terminator",
         [](Table& t) { std::fill(std::begin(t.goals[5].icon), std::end(t.goals[5].icon), u'i'); }},
    };
    for (const Case& c : cases) {
        Awards awards = Loaded();
        const int32_t goldBefore = awards.FindAward(0)->gold;
        Table table;
        c.damage(table);
        const std::vector<uint8_t> bytes = table.Bytes();
        std::string why;
        EXPECT_FALSE(awards.Read(bytes.data(), bytes.size(), &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        // The table as it was stays.
        EXPECT_EQ(awards.FindAward(0)->gold, goldBefore) << c.what;
    }
    // Equal thresholds are allowed (a tier may be skipped).
    Table equal;
    equal.awards[0].bronze = equal.awards[0].silver = equal.awards[0].gold;
    Loaded(equal);
}

TEST(AwardTable, RefusesAnyOtherSize) {
    const std::vector<uint8_t> good = Table().Bytes();
    for (size_t size :
         {size_t(0), size_t(152 * 9), size_t(kAwardTableSize - 1), size_t(kAwardTableSize + 1)}) {
        std::vector<uint8_t> bytes = good;
        bytes.resize(size);
        Awards awards;
        EXPECT_FALSE(awards.Read(bytes.data(), bytes.size(), nullptr)) << size;
        EXPECT_FALSE(awards.IsLoaded());
    }
}

// Writes a data pack holding the chunk (with the given bytes) and loads it
// through the loading stage.
LoaderState LoadFromPack(Awards& awards, const std::vector<uint8_t>& chunk, uint32_t subId) {
    testsupport::TempDir dir;
    const kis::DataFileReaderPtr reader =
        testsupport::OnlyChunkFile(dir.File("Data.dat"), {1, 2, 3},
                                   {kAwardTableChunkId, subId, std::string(chunk.begin(), chunk.end())});
    EXPECT_NE(reader, nullptr);
    LoaderState state = {};
    EXPECT_EQ(awards.Load(reader.get(), &state), kLoaderFinished);
    return state;
}

TEST(AwardTable, LoadingStageReadsTheChunkInOneCallAndFlagsEveryFailure) {
    const std::vector<uint8_t> good = Table().Bytes();
    {
        Awards awards;
        EXPECT_EQ(LoadFromPack(awards, good, kAwardTableChunkSubId).error, 0);
        EXPECT_TRUE(awards.IsLoaded());
    }
    {
        Awards awards; // a chunk shorter than the two blocks
        std::vector<uint8_t> shortChunk(good.begin(), good.end() - 1);
        EXPECT_NE(LoadFromPack(awards, shortChunk, kAwardTableChunkSubId).error, 0);
        EXPECT_FALSE(awards.IsLoaded());
    }
    {
        Awards awards; // another version of the chunk
        EXPECT_NE(LoadFromPack(awards, good, kAwardTableChunkSubId + 1).error, 0);
    }
    {
        Awards awards; // an index out of range
        Table table;
        table.goals[0].index = 100;
        EXPECT_NE(LoadFromPack(awards, table.Bytes(), kAwardTableChunkSubId).error, 0);
    }
    Awards awards;
    LoaderState state = {};
    EXPECT_EQ(awards.Load(nullptr, &state), kLoaderFinished);
    EXPECT_NE(state.error, 0);
}

TEST(AwardTable, TierIsTheHighestThresholdReached) {
    Table table;
    table.awards[0].bronze = 10;
    table.awards[0].silver = 50;
    table.awards[0].gold = 100; // award index 8
    const Awards awards = Loaded(table);
    const struct {
        int32_t value;
        int tier;
    } cases[] = {{-5, 0}, {9, 0}, {10, 1}, {49, 1}, {50, 2}, {99, 2}, {100, 3}, {INT32_MAX, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(awards.GetTier(8, c.value), c.tier) << c.value;
    EXPECT_EQ(awards.GetTier(9, 1000000), 0);
    EXPECT_EQ(awards.GetTier(-1, 1000000), 0);
}

TEST(AwardTable, AddReportsTheNewTierOnlyWhenItRose) {
    const Awards awards = Loaded(); // award 0: 10 / 50 / 100
    AwardCounters counters = {};
    EXPECT_EQ(awards.Add(counters, 0, 9), 0);
    EXPECT_EQ(awards.Add(counters, 0, 1), kTierBronze);
    EXPECT_EQ(awards.Add(counters, 0, 5), 0);
    // A jump past two thresholds gives one report with the highest tier.
    EXPECT_EQ(awards.Add(counters, 0, 100), kTierGold);
    EXPECT_EQ(counters.awards[0], 115);
    EXPECT_EQ(awards.Add(counters, 0, 1), 0);
    // The counter saturates instead of wrapping round to a low tier.
    EXPECT_EQ(awards.Add(counters, 0, INT32_MAX), 0);
    EXPECT_EQ(counters.awards[0], INT32_MAX);
    // No other counter changes, and an index out of range changes nothing.
    EXPECT_EQ(awards.Add(counters, 9, 5), 0);
    EXPECT_EQ(awards.Add(counters, -1, 5), 0);
    for (int i = 1; i < kAwardCount; ++i)
        EXPECT_EQ(counters.awards[i], 0);
    for (int32_t goal : counters.goals)
        EXPECT_EQ(goal, 0);
    EXPECT_EQ(counters.finalAward, 0);
}

TEST(AwardTable, GoalCountersOnlyGrowAndReportTheCrossing) {
    Table table;
    table.goals[2].target = 8;
    const Awards awards = Loaded(table);
    struct Case {
        int32_t counter, amount;
        bool relative;
        bool crossed;
        int32_t after;
    };
    const Case cases[] = {
        {5, 3, false, false, 5}, // a lower absolute value changes nothing
        {5, 5, false, false, 5}, // nor an equal one
        {5, 3, true, true, 8},   // relative +3 reaches the target 8
        {5, 9, false, true, 9},  // absolute past it
        {5, 1, true, false, 6},  // grows, not yet there
        {8, 1, true, false, 9},  // already past: no second report
        {5, -2, true, false, 5}, // a negative step changes nothing
        {INT32_MAX - 1, 5, true, false, INT32_MAX},
    };
    for (const Case& c : cases) {
        AwardCounters counters = {};
        counters.goals[2] = c.counter;
        EXPECT_EQ(awards.AddGoalProgress(counters, 2, c.amount, c.relative), c.crossed)
            << c.counter << " " << c.amount;
        EXPECT_EQ(counters.goals[2], c.after) << c.counter << " " << c.amount;
    }
    AwardCounters counters = {};
    EXPECT_FALSE(awards.AddGoalProgress(counters, 8, 100, false));
    EXPECT_FALSE(awards.AddGoalProgress(counters, -1, 100, false));
    for (int32_t goal : counters.goals)
        EXPECT_EQ(goal, 0);
}

TEST(AwardTable, FinalAwardIsWonOnceWhenEverythingIsComplete) {
    const Awards awards = Loaded();
    AwardCounters counters = {};
    for (int k = 0; k < kAwardCount; ++k)
        counters.awards[k] = awards.FindAward(k)->gold;
    for (int k = 0; k < kGoalCount; ++k)
        counters.goals[k] = awards.FindGoal(k)->target;
    // One award short of gold, then one goal short of its target.
    counters.awards[4] -= 1;
    EXPECT_FALSE(awards.CheckAllComplete(counters));
    counters.awards[4] += 1;
    counters.goals[7] -= 1;
    EXPECT_FALSE(awards.CheckAllComplete(counters));
    EXPECT_EQ(counters.finalAward, 0);
    counters.goals[7] += 1;
    EXPECT_TRUE(awards.CheckAllComplete(counters));
    EXPECT_NE(counters.finalAward, 0);
    // Later events that keep everything gold report nothing again.
    awards.Add(counters, 0, 10);
    EXPECT_FALSE(awards.CheckAllComplete(counters));
    // An empty table never completes.
    Awards empty;
    AwardCounters fresh = {};
    EXPECT_FALSE(empty.CheckAllComplete(fresh));
}

Sprite* FakeSprites(int32_t library, const char16_t* name) {
    // Distinct non-null values stand for sprites; only library 14 answers.
    static char slots[4];
    if (library != kAwardIconLibrary) return nullptr;
    const std::u16string n(name);
    if (n == u"award_icon") return reinterpret_cast<Sprite*>(&slots[0]);
    if (n == u"ba_total") return reinterpret_cast<Sprite*>(&slots[1]);
    if (n == u"ico_total") return reinterpret_cast<Sprite*>(&slots[2]);
    return nullptr;
}

TEST(AwardTable, IconsAreResolvedInLibrary14BesideTheRecords) {
    Awards awards = Loaded();
    awards.ResolveIcons(FakeSprites);
    for (int i = 0; i < kAwardCount; ++i)
        EXPECT_EQ(awards.GetAwardIcon(i), FakeSprites(kAwardIconLibrary, u"award_icon"));
    for (int i = 0; i < kGoalCount; ++i)
        EXPECT_EQ(awards.GetGoalIcon(i), nullptr); // "goal_icon" is absent
    EXPECT_EQ(awards.GetTotalAwardSprite(), FakeSprites(kAwardIconLibrary, u"ba_total"));
    EXPECT_EQ(awards.GetTotalIconSprite(), FakeSprites(kAwardIconLibrary, u"ico_total"));
    // The records themselves stay as read.
    EXPECT_EQ(awards.GetAward(0).iconSlot, 0u);
}

} // namespace

// Saved animal houses: save, load and save again give the same bytes in
// every phase; the houses' own records and the farmer's job records are
// refused when they do not fit, and damaged streams never load out of
// bounds.
#include "platform/Random.h"
#include "tests/farm/AnimalTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace animaltest;

namespace {

std::unique_ptr<SaveBuffer> SaveOf(AnimalLevel& l) {
    std::unique_ptr<SaveBuffer> saved = l.level->Save();
    EXPECT_NE(saved, nullptr);
    return saved;
}

// Loads the bytes into a fresh level like the saved one and saves again.
std::vector<uint8_t> Resave(const SaveBuffer& saved, int32_t henStage, int32_t shedStage, int32_t rackStage,
                            float rate = 1.0f) {
    AnimalLevel loaded(henStage, shedStage, rackStage, 10, rate);
    std::string why;
    EXPECT_TRUE(loaded.level->Load(saved.Data(), &why)) << why;
    std::unique_ptr<SaveBuffer> again = loaded.level->Save();
    return again ? std::vector<uint8_t>(again->Data().begin(), again->Data().end()) : std::vector<uint8_t>();
}

std::vector<uint8_t> BytesOf(const SaveBuffer& b) {
    return {b.Data().begin(), b.Data().end()};
}

// Where two streams first differ (-1: they are the same).
int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return int64_t(i);
    return a.size() == b.size() ? -1 : int64_t(n);
}

} // namespace

TEST(AnimalSaveTest, EveryPhaseLoadsToTheSameBytes) {
    // A level with all three houses fed, saved at moments of their cycles
    // (ms after the feeding): the henhouse's phases 0..4, the shed and rack
    // producing and ready, with the farmer's jobs under way.
    for (uint32_t after : {0u, 300u, 3000u, 5200u, 6000u, 7600u, 8500u, 10500u}) {
        SCOPED_TRACE(after);
        AnimalLevel l(2, 2, 2, 10);
        ASSERT_TRUE(l.FeedAndWait(l.Hen()));
        ASSERT_TRUE(l.FeedAndWait(l.Shed()));
        ASSERT_TRUE(l.FeedAndWait(l.Rack()));
        l.Run(after);
        std::unique_ptr<SaveBuffer> saved = SaveOf(l);
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(FirstDifference(Resave(*saved, 2, 2, 2), BytesOf(*saved)), -1);
    }
}

TEST(AnimalSaveTest, JobsUnderWayLoadToTheSameBytes) {
    // 0 feeding the henhouse (walking, then animating), 1 taking eggs,
    // 2 milking, 3 shearing; saved at ms after the order.
    const struct {
        int job;
        uint32_t after;
    } cases[] = {{0, 10}, {0, 200}, {1, 10}, {1, 300}, {2, 10}, {2, 400}, {3, 10}, {3, 300}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.job * 10000 + int(c.after));
        AnimalLevel l(1, 1, 1, 10);
        if (c.job == 0) {
            ASSERT_TRUE(l.Hen()->OnOverheadCommand(kFeedCommand));
        } else if (c.job == 1) {
            ASSERT_TRUE(l.FeedAndWait(l.Hen()));
            ASSERT_TRUE(l.RunUntil([&] { return l.Hen()->Phase() == 4; }, 20000));
            ASSERT_TRUE(l.Hen()->OnOverheadCommand(kEggsCommand));
        } else if (c.job == 2) {
            ASSERT_TRUE(l.FeedAndWait(l.Shed()));
            ASSERT_TRUE(l.RunUntil([&] { return l.Shed()->Remaining() == 0.0f; }, 10000));
            ASSERT_TRUE(l.Shed()->OnOverheadCommand(kMilkCommand));
        } else {
            ASSERT_TRUE(l.FeedAndWait(l.Rack()));
            ASSERT_TRUE(l.RunUntil([&] { return l.Rack()->Remaining() == 0.0f; }, 10000));
            ASSERT_TRUE(l.Rack()->OnOverheadCommand(kCutCommand));
        }
        l.Run(c.after);
        ASSERT_GT(l.player->JobCount(), 0);
        std::unique_ptr<SaveBuffer> saved = SaveOf(l);
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(FirstDifference(Resave(*saved, 1, 1, 1), BytesOf(*saved)), -1);
    }
}

TEST(AnimalSaveTest, EggsSavedAfterAnUpgradeLoadAsTheyWere) {
    AnimalLevel l(1);
    PointHenhouse* hen = l.Hen();
    ASSERT_TRUE(l.FeedAndWait(hen));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 4; }, 20000));
    ASSERT_TRUE(hen->OnButtonCommand(kUpgradeCommand));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Stage() == 2; }, 5000));
    l.Run(500);
    std::unique_ptr<SaveBuffer> saved = SaveOf(l);
    ASSERT_NE(saved, nullptr);
    AnimalLevel loaded(1);
    std::string why;
    ASSERT_TRUE(loaded.level->Load(saved->Data(), &why)) << why;
    EXPECT_EQ(loaded.Hen()->Stage(), 2);
    EXPECT_EQ(loaded.Hen()->EggCount(), 1);
    EXPECT_EQ(loaded.Hen()->ChickenCount(), 0);
    EXPECT_NE(loaded.host.Visible(1u, kEggsCommand), nullptr);
    std::unique_ptr<SaveBuffer> again = loaded.level->Save();
    EXPECT_EQ(FirstDifference(BytesOf(*again), BytesOf(*saved)), -1);
}

TEST(AnimalSaveTest, AShedSavedHalfWayKeepsItsFractionAtAnotherRate) {
    AnimalLevel l(1, 2, 1, 10, 1.0f);
    ASSERT_TRUE(l.FeedAndWait(l.Shed()));
    l.Run(kShedMs / 2);
    const float fraction = l.Shed()->Remaining() / float(kShedMs);
    std::unique_ptr<SaveBuffer> saved = SaveOf(l);
    AnimalLevel loaded(1, 2, 1, 10, 3.0f);
    std::string why;
    ASSERT_TRUE(loaded.level->Load(saved->Data(), &why)) << why;
    EXPECT_FLOAT_EQ(loaded.Shed()->Remaining() / float(kShedMs), fraction);
}

TEST(AnimalSaveTest, HenhouseRecordsOutOfRangeAreRefused) {
    // fed, phase, timer 0 (the others run out before the phase, whole from it), a nest offset, eggs
    const struct {
        uint32_t fed;
        int32_t phase;
        float timer;
        int32_t nestDx;
        int32_t eggs;
        bool ok;
    } cases[] = {
        {1, 0, 100.0f, 0, 0, true},         {1, 4, 0.0f, 0, 1, true},
        {1, 2, 100.0f, 0, 0, false},                                   // phase 0's timer in phase 2
        {1, 5, 0.0f, 0, 0, false},                                     // no phase 5
        {1, -1, 0.0f, 0, 0, false},                                    // nor -1
        {1, 2, -1.0f, 0, 0, false},                                    // a negative timer
        {1, 2, std::nanf(""), 0, 0, false},                            // not a number
        {1, 2, INFINITY, 0, 0, false},      {1, 4, 0.0f, 0, 5, false}, // more eggs than nests
        {1, 4, 0.0f, 0, 0, false},                                     // phase 4 without eggs
        {1, 2, 0.0f, 0, 1, false},                                     // eggs before the nests are sat on
        {1, 2, 0.0f, 40, 0, false},                                    // a nest far from the house
        {2, 2, 0.0f, 0, 0, false},                                     // a fed flag of 2
        {0, 2, 0.0f, 0, 0, false},                                     // unfed with a phase
        {1, 2, 5000.0f, 0, 0, false}, // longer than the house's production gives its first phase
        {0, 0, 0.0f, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fed << " " << c.phase << " " << c.timer << " " << c.eggs);
        AnimalLevel l(1);
        PointHenhouse* hen = l.Hen();
        int32_t cx, cy;
        hen->GetNestCentre(&cx, &cy);
        Bytes b;
        b.writer.PutU32(64);
        b.writer.PutU32(c.fed);
        b.writer.PutI32(c.phase);
        const std::array<float, 4> whole = PointHenhouse::PhaseTimers(kHenProductionMs, kHenEatingMs);
        for (int i = 0; i < 4; ++i)
            b.writer.PutF32(c.fed ? (i == 0 ? c.timer : i < c.phase ? 0.0f : whole[size_t(i)]) : 0.0f);
        for (int i = 0; i < 4; ++i) {
            b.writer.PutI32(c.fed ? cx + (i == 0 ? c.nestDx : 0) : 0);
            b.writer.PutI32(c.fed ? cy : 0);
        }
        b.writer.PutI32(c.eggs);
        SaveReader in = b.Reader();
        EXPECT_EQ(hen->LoadOwn(in), c.ok);
        EXPECT_EQ(in.Failed(), !c.ok);
        if (c.ok && c.phase == 4) {
            EXPECT_EQ(hen->EggCount(), c.eggs);
            EXPECT_EQ(hen->ChickenCount(), 0);
        }
    }
}

TEST(AnimalSaveTest, ShedAndRackRecordsOutOfRangeAreRefused) {
    const struct {
        uint32_t size;
        uint32_t fed;
        float fraction;
        float call;
        bool shedOk, rackOk;
    } cases[] = {
        {16, 1, 0.5f, -1.0f, true, true},
        {16, 1, 0.0f, 4000.0f, true, true},
        {16, 1, 0.0f, 15000.0f, true, false}, // the rack calls every 5 s
        {16, 1, 1.5f, -1.0f, false, false},
        {16, 1, -0.1f, -1.0f, false, false},
        {16, 1, std::nanf(""), -1.0f, false, false},
        {16, 1, 0.5f, INFINITY, false, false},
        {16, 1, 0.5f, std::nanf(""), false, false},
        {16, 1, 0.5f, -5.0f, false, false},
        {16, 0, 0.5f, -1.0f, false, false}, // unfed with time left
        {16, 3, 0.0f, -1.0f, false, false},
        {20, 1, 0.5f, -1.0f, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fed << " " << c.fraction << " " << c.call);
        AnimalLevel l(1, 1, 1);
        for (PointPetshouse* house :
             {static_cast<PointPetshouse*>(l.Shed()), static_cast<PointPetshouse*>(l.Rack())}) {
            Bytes b;
            b.writer.PutU32(c.size);
            b.writer.PutU32(c.fed);
            b.writer.PutF32(c.fraction);
            b.writer.PutF32(c.call);
            if (c.size > 16) b.writer.PutU32(0);
            SaveReader in = b.Reader();
            EXPECT_EQ(house->LoadOwn(in), house == l.Shed() ? c.shedOk : c.rackOk);
        }
    }
}

TEST(AnimalSaveTest, JobRecordsMustFitTheirHouse) {
    AnimalLevel l(1, 2, 1, 10);
    ASSERT_TRUE(l.FeedAndWait(l.Hen()));
    ASSERT_TRUE(l.RunUntil([&] { return l.Hen()->Phase() == 4; }, 20000));
    ASSERT_TRUE(l.FeedAndWait(l.Shed()));
    ASSERT_TRUE(l.RunUntil([&] { return l.Shed()->Remaining() == 0.0f; }, 10000));
    l.host.world->stock[kWheat] = 10;
    auto record = [](uint32_t size, uint32_t jobId, std::initializer_list<uint32_t> own) {
        std::vector<uint8_t> r(size, 0);
        PutU32(r.data(), 0, size);
        PutU32(r.data(), 4, jobId);
        size_t at = 40;
        for (uint32_t v : own) {
            if (at + 4 <= size) PutU32(r.data(), at, v);
            at += 4;
        }
        return r;
    };
    const uint32_t hen = 1, shed = 2, rack = 3, warehouse = 0;
    std::vector<uint8_t> walkOut = record(52, JOBID_MILKCOWS, {~0u, 2000000u, uint32_t(kShedY)});
    PutU32(walkOut.data(), 8, 4); // out from a shed that went, to a spot off the field
    const struct {
        std::vector<uint8_t> bytes;
        bool ok;
    } cases[] = {
        {record(44, JOBID_TAKEEGGS, {hen}), true},
        {record(44, JOBID_TAKEEGGS, {shed}), false}, // a shed holds no eggs
        {record(44, JOBID_TAKEEGGS, {warehouse}), false},
        {record(44, JOBID_TAKEEGGS, {99}), false},
        {record(48, JOBID_TAKEEGGS, {hen}), false},
        {record(52, JOBID_MILKCOWS, {shed, uint32_t(kShedX + 110), uint32_t(kShedY - 1)}), true},
        {record(52, JOBID_MILKCOWS, {shed, uint32_t(kShedX + 100), uint32_t(kShedY - 1)}), false},
        {record(52, JOBID_MILKCOWS, {hen, uint32_t(kHenX + 110), uint32_t(kHenY - 1)}), false},
        {record(44, JOBID_CUTSHEEPS, {rack}), true},
        {walkOut, false},
        {record(44, JOBID_CUTSHEEPS, {shed}), false},
        {record(52, JOBID_FEED, {rack, kWheat, 1}), true},
        {record(52, JOBID_FEED, {rack, kWheat, 0}), true},
        {record(52, JOBID_FEED, {rack, kWheat, 2}), false}, // not the feed of one feeding
        {record(52, JOBID_FEED, {rack, kEgg, 1}), false},
        {record(52, JOBID_FEED, {hen, kWheat, 1}), false}, // a fed house takes no feed
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto& c = cases[i];
        PlayerJobLoader loader = GetPlayerJobLoader(U32At(c.bytes.data(), 4));
        ASSERT_NE(loader, nullptr);
        std::unique_ptr<Job> job = loader(l.player.get(), c.bytes.data(), c.bytes.size());
        EXPECT_EQ(job != nullptr, c.ok);
    }
}

TEST(AnimalSaveTest, AFeedingJobLoadedWithoutUnitsGivesNothingBack) {
    for (uint32_t units : {0u, 1u}) {
        SCOPED_TRACE(units);
        AnimalLevel l(1, 2, 1, 3);
        std::vector<uint8_t> r(52, 0);
        PutU32(r.data(), 0, 52);
        PutU32(r.data(), 4, JOBID_FEED);
        PutU32(r.data(), 40, 3);
        PutU32(r.data(), 44, kWheat);
        PutU32(r.data(), 48, units);
        std::unique_ptr<Job> job = GetPlayerJobLoader(JOBID_FEED)(l.player.get(), r.data(), r.size());
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(static_cast<Job_Feed*>(job.get())->Carried(), units);
        job->Stop();
        EXPECT_EQ(l.Stock(kWheat), 3 + units);
    }
}

TEST(AnimalSaveTest, DamagedStreamsAreRefusedOrReadWithinBounds) {
    AnimalLevel l(2, 2, 2, 10);
    ASSERT_TRUE(l.FeedAndWait(l.Hen()));
    ASSERT_TRUE(l.FeedAndWait(l.Shed()));
    ASSERT_TRUE(l.FeedAndWait(l.Rack()));
    l.Run(2600);
    std::unique_ptr<SaveBuffer> saved = SaveOf(l);
    ASSERT_NE(saved, nullptr);
    const std::vector<uint8_t> clean = BytesOf(*saved);
    platform::SeedRand(1234);
    int refused = 0, loaded = 0;
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> bytes = clean;
        const int flips = 1 + platform::Rand() % 4;
        for (int f = 0; f < flips; ++f) {
            const size_t at = (size_t(platform::Rand()) * 32768u + size_t(platform::Rand())) % bytes.size();
            bytes[at] = uint8_t(platform::Rand());
        }
        AnimalLevel target(2, 2, 2, 10);
        std::string why;
        if (target.level->Load(bytes, &why)) {
            ++loaded;
            target.Run(200); // a loaded level runs on
            EXPECT_NE(target.level->Save(), nullptr);
        } else {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(refused + loaded, 60);
}

TEST(AnimalSaveTest, ASheepWithOneKindSavesItsFleeceAsTheShornFigure) {
    // The game data's sheep may have one animation kind: a ready rack keeps
    // its sheep within it, so the saved game loads.
    for (int32_t kinds : {1, 2}) {
        SCOPED_TRACE(kinds);
        AnimalLevel l(1, 1, 2, 10);
        l.tables.sheep.kinds.resize(size_t(kinds));
        ASSERT_TRUE(l.FeedAndWait(l.Rack()));
        ASSERT_TRUE(l.RunUntil([&] { return l.Rack()->Remaining() == 0.0f; }, 10000));
        EXPECT_EQ(l.Rack()->Sheep(0)->AnimationKind(), kinds - 1);
        std::unique_ptr<SaveBuffer> saved = SaveOf(l);
        AnimalLevel loaded(1, 1, 2, 10);
        loaded.tables.sheep.kinds.resize(size_t(kinds));
        std::string why;
        EXPECT_TRUE(loaded.level->Load(saved->Data(), &why)) << why;
    }
}

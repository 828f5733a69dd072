#include "foundation/Ident.h"
#include "level/Economy.h"
#include "level/Job.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/MapObject.h"
#include "level/SpriteObject.h"
#include "pathfinding/PathFinder.h"
#include "platform/Random.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"
#include "tests/support/Damage.h"
#include "tests/support/FakeLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// A level with money, points that can be removed, and a tutorial that may
// hold the farmer (it refuses TutorialAction::StepAside).
struct FakeLevel : testsupport::FakeLevelServices {
    FakeLevel() { livePoints = {0, 1, 2, 3}; }
};

GameCharacter Describe(uint32_t id, float speed) {
    GameCharacter c;
    c.id = id;
    c.variantCount = 4;
    c.walkSpeed = speed;
    c.kinds.resize(2);
    c.kinds[0].standing[0] = u's';
    c.kinds[0].walk[0] = u'w';
    c.kinds[1].standing[0] = u'c';
    return c;
}

// A farmer's job as the farm code would write one: the common 40 bytes and
// a point index.
class FakeFarmJob : public Job {
  public:
    static constexpr size_t kSize = 44;
    FakeFarmJob(MapCharacter* owner, int32_t point) : Job(owner, JOBID_WATER) { targetPoint_ = point; }
    void Update(uint32_t) override { Finish(); }
    bool Save(JobSaveContext& context, SaveWriter& writer) override {
        if (IsFinished()) return true;
        uint8_t* record = BeginSaveRecord(context, writer, kSize);
        if (!record) return false;
        SaveProgress(record, false);
        PutI32(record, 40, targetPoint_);
        return true;
    }
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size) {
        if (size != kSize) return nullptr;
        auto job = std::make_unique<FakeFarmJob>(player, I32At(record, 40));
        job->LoadHead(record);
        if (!job->LoadProgress(record)) return nullptr;
        return job;
    }
};

class CharacterTest : public ::testing::Test {
  protected:
    testsupport::TestLevelData levelData; // where the job loader is registered
    void SetUp() override {
        level.money.Set(1000);
        SetPlayerJobLoader(JOBID_WATER, FakeFarmJob::Load);
    }
    void TearDown() override { ClearPlayerJobLoaders(); }

    void Run(MapCharacter& c, int ticks) {
        for (int i = 0; i < ticks; ++i) {
            if (level.finder) level.finder->Update(100000);
            c.Update(10);
        }
    }

    FakeLevel level;
    LevelMap map{&level};
    GameCharacter farmerInfo = Describe(kCharacterFarmer, 2.0f);
    GameCharacter cowInfo = Describe(kCharacterCow, 1.0f);
};

TEST_F(CharacterTest, JobRecordsHaveTheirFixedSizes) {
    MapCharacter cow(&map, &cowInfo, 0, nullptr, 0, 10, 10, -1);
    struct Case {
        const char* what;
        std::unique_ptr<Job> job;
        size_t size;
    };
    Case cases[] = {
        {"walk", std::make_unique<Job_GoTo>(&cow, 5.0f, 6.0f, 1, 1.5f, 2), Job_GoTo::kRecordSize},
        {"chicken walk", std::make_unique<Job_GoTo>(&cow, 5.0f, 6.0f, 0, 1.0f, -1, true), 24},
        {"animation", std::make_unique<Job_Animation>(&cow, JOBID_COWHEADEAT, u"eat", 0, -2), 112},
        {"farm job", std::make_unique<FakeFarmJob>(&cow, 3), 44},
    };
    static_assert(Job::kCommonSize == 40 && Job_GoTo::kRecordSize == 36 && Job_Animation::kRecordSize == 112);
    for (Case& c : cases) {
        SaveWriter writer;
        JobSaveContext context;
        writer.Alloc(8); // the record need not start the stream
        ASSERT_TRUE(c.job->Save(context, writer)) << c.what;
        EXPECT_EQ(writer.Size() - 8, c.size) << c.what;
        EXPECT_EQ(context.count, 1u) << c.what;
        EXPECT_EQ(context.first, 8u) << c.what;
        EXPECT_EQ(U32At(writer.At(8), 0), c.size) << c.what;
        EXPECT_EQ(U32At(writer.At(8), 4), c.job->JobId()) << c.what;
    }
    // A stopped job writes nothing.
    SaveWriter writer;
    JobSaveContext context;
    cases[0].job->Stop();
    EXPECT_TRUE(cases[0].job->Save(context, writer));
    EXPECT_EQ(writer.Size(), 0u);
}

TEST_F(CharacterTest, AddJobDropsAWalkQueuedLast) {
    MapCharacter cow(&map, &cowInfo, 0, nullptr, 0, 10, 10, -1);
    cow.AddJob(std::make_unique<Job_GoTo>(&cow, 50.0f, 10.0f));
    cow.AddJob(std::make_unique<Job_GoTo>(&cow, 60.0f, 10.0f));
    ASSERT_EQ(cow.JobCount(), 1);
    float x = 0, y = 0;
    cow.GetJob(0)->GetPosition(&x, &y);
    EXPECT_EQ(x, 60.0f);
    cow.AddJob(std::make_unique<Job_Animation>(&cow, JOBID_COWHEADEAT, u"eat", 0, 100));
    EXPECT_EQ(cow.JobCount(), 1) << "the trailing walk gave way";
    EXPECT_EQ(cow.LastJobId(), uint32_t(JOBID_COWHEADEAT));
    cow.AddJob(std::make_unique<Job_GoTo>(&cow, 70.0f, 10.0f));
    cow.AddJob(std::make_unique<Job_Animation>(&cow, JOBID_COWHEADYELLING, u"yell", 0, 100));
    ASSERT_EQ(cow.JobCount(), 2);
    EXPECT_EQ(cow.GetJob(0)->JobId(), uint32_t(JOBID_COWHEADEAT));
}

TEST_F(CharacterTest, ReservationsTakeOnlyMoneyThatIsThereAndCancelsGiveItBack) {
    MapPlayer farmer(&map, &farmerInfo, 100, 100);
    auto* job = static_cast<FakeFarmJob*>(farmer.AddJob(std::make_unique<FakeFarmJob>(&farmer, 1)));
    struct Step {
        const char* what;
        int32_t reserve; // -1: Release
        bool ok;
        int32_t money, held, total;
    };
    const Step steps[] = {
        {"price paid", 300, true, 700, 300, 300},
        {"more than the level has", 5000, false, 700, 300, 300},
        {"cancelled", -1, true, 1000, 0, 0},
        {"below 1 holds nothing", -20, true, 1000, 0, 0},
        {"exactly all the money", 1000, true, 0, 1000, 1000},
        {"dropped as spent", 0, true, 0, 0, 0},
    };
    for (const Step& s : steps) {
        const bool ok = s.reserve == -1 ? job->Release() : job->ReserveMoney(s.reserve);
        EXPECT_EQ(ok, s.ok) << s.what;
        EXPECT_EQ(level.money.Get(), s.money) << s.what;
        EXPECT_EQ(job->Reserved(), s.held) << s.what;
        EXPECT_EQ(level.reserved, s.total) << s.what;
    }
    // A finished job keeps its money spent; deleting a character with a
    // reservation clears the level's reserved total.
    level.money.Set(500);
    job->ReserveMoney(200);
    EXPECT_EQ(level.reserved, 200);
    auto other = std::make_unique<MapPlayer>(&map, &farmerInfo, 0, 0);
    other->AddJob(std::make_unique<FakeFarmJob>(&*other, 2))->ReserveMoney(100);
    EXPECT_EQ(level.reserved, 300);
    other.reset();
    EXPECT_EQ(level.reserved, 200);
    EXPECT_EQ(level.money.Get(), 200);
    Run(farmer, 1); // the job finishes and is deleted: the money stays spent
    EXPECT_EQ(farmer.JobCount(), 0);
    EXPECT_EQ(level.reserved, 0);
    EXPECT_EQ(level.money.Get(), 200);
}

TEST_F(CharacterTest, WalksRouteAroundAnObstacleAndArrives) {
    const uint32_t clearances[] = {4, 8};
    level.finder = std::make_unique<shpf::PathFinder>(400, 300, clearances);
    const shpf::_SHAPE wall = shpf::MakeRectangleShape(150, 0, 170, 250);
    level.finder->SetLevelShapes({&wall, 1});
    MapPlayer farmer(&map, &farmerInfo, 50, 100);
    farmer.AddToLevel(1);
    farmer.AddJob(std::make_unique<Job_GoTo>(&farmer, 300.0f, 100.0f, 0, 1.0f, 2));
    int ticks = 0;
    bool crossedBelow = false;
    while (farmer.JobCount() > 0 && ticks < 2000) {
        Run(farmer, 1);
        ++ticks;
        if (farmer.X() >= 140 && farmer.X() <= 180) {
            crossedBelow = crossedBelow || farmer.Y() > 250;
            EXPECT_GT(farmer.Y(), 250 - 1) << "inside the wall at tick " << ticks;
        }
    }
    EXPECT_EQ(farmer.JobCount(), 0);
    EXPECT_FLOAT_EQ(farmer.X(), 300.0f);
    EXPECT_FLOAT_EQ(farmer.Y(), 100.0f);
    EXPECT_TRUE(crossedBelow);
    // Around the wall is more than 250 + 150 pixels at 2 per tick.
    EXPECT_GT(ticks, 200);
    EXPECT_FALSE(farmer.IsWalking());
    EXPECT_EQ(farmer.AnimationNameId(), 0u) << "standing again";
}

TEST_F(CharacterTest, AWalkToAPointThatGoesEndsWhereTheWalkerIs) {
    MapCharacter cow(&map, &cowInfo, 0, nullptr, 0, 0, 0, -1);
    cow.AddJob(std::make_unique<Job_GoTo>(&cow, 100.0f, 0.0f, 1, 1.0f, 3));
    Run(cow, 10);
    EXPECT_TRUE(cow.IsWalking());
    level.livePoints.erase(3);
    Run(cow, 1);
    EXPECT_FALSE(cow.IsWalking());
    EXPECT_EQ(cow.JobCount(), 0);
    EXPECT_LT(cow.X(), 20.0f);
}

TEST_F(CharacterTest, TheTutorialHoldsTheFarmerBeforeAJobAndTheSideStepWalksTowardsTheCentre) {
    MapPlayer farmer(&map, &farmerInfo, 600, 200);
    level.refusedActions.insert(TutorialAction::StepAside);
    farmer.AddJob(std::make_unique<Job_GoTo>(&farmer, 700.0f, 200.0f, 1));
    Run(farmer, 5);
    EXPECT_EQ(farmer.X(), 600.0f);
    EXPECT_EQ(farmer.CurrentJob(), nullptr);
    level.refusedActions.clear();
    Run(farmer, 5);
    EXPECT_GT(farmer.X(), 600.0f);

    MapPlayer other(&map, &farmerInfo, 600, 200);
    other.RequestSideStep();
    Run(other, 200);
    EXPECT_FALSE(other.SideStepRequested());
    EXPECT_FLOAT_EQ(other.X(), 600.0f - MapPlayer::kSideStepX) << "the centre (400) is to the left";
    EXPECT_FLOAT_EQ(other.Y(), 200.0f + MapPlayer::kSideStepY);
}

TEST_F(CharacterTest, AnimationJobPlaysForItsDurationThenStands) {
    MapCharacter cow(&map, &cowInfo, 0, nullptr, 0, 0, 0, -1);
    cow.AddJob(std::make_unique<Job_Animation>(&cow, JOBID_COWHEADEAT, u"cow_eat", 0, 95));
    Run(cow, 1);
    EXPECT_EQ(cow.AnimationNameId(), kis::NameId(u"cow_eat"));
    Run(cow, 9);
    EXPECT_EQ(cow.JobCount(), 1) << "95 ms not yet over after the first 90";
    Run(cow, 2);
    EXPECT_EQ(cow.JobCount(), 0);
    EXPECT_EQ(cow.AnimationNameId(), 0u);
}

// A walk goes at its job's pace times the three motion tracks, each 1 plus
// its modifiers; a modifier set or taken off mid-walk counts from the next
// tick, and a job's own pace is taken each tick.
TEST_F(CharacterTest, MotionTracksPaceTheWalks) {
    struct Case {
        const char* what;
        std::vector<std::tuple<uint32_t, uint32_t, float>> modifiers; // track, id, value
        float jobPace;
        float perTick; // pixels per 10-ms tick (the cow walks 1.0)
    } cases[] = {
        {"no modifier", {}, 1.0f, 1.0f},
        {"track 0 + 0.5", {{0, 7, 0.5f}}, 1.0f, 1.5f},
        {"track 1 + 0.5, track 2 + 1", {{1, 7, 0.5f}, {2, 9, 1.0f}}, 1.0f, 3.0f},
        {"two modifiers on one track add", {{0, 7, 0.5f}, {0, 8, 0.25f}}, 1.0f, 1.75f},
        {"a modifier set twice keeps the last", {{0, 7, 0.5f}, {0, 7, 1.0f}}, 1.0f, 2.0f},
        {"a modifier of 0 is taken off", {{0, 7, 0.5f}, {0, 7, 0.0f}}, 1.0f, 1.0f},
        {"the job's pace", {{0, 7, 1.0f}}, 1.5f, 3.0f},
        {"a track number out of range", {{3, 7, 1.0f}}, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MapCharacter cow(&map, &cowInfo, 0, nullptr, 0, 0, 0, -1);
        for (const auto& [track, id, value] : c.modifiers)
            cow.SetTrack(track, id, value);
        cow.AddJob(std::make_unique<Job_GoTo>(&cow, 1000.0f, 0.0f, 1, c.jobPace));
        Run(cow, 1); // the job begins its walk and takes its first step
        const float start = cow.X();
        Run(cow, 10);
        EXPECT_NEAR(cow.X() - start, 10.0f * c.perTick, 0.01f);
    }

    MapCharacter cow(&map, &cowInfo, 0, nullptr, 0, 0, 0, -1);
    cow.AddJob(std::make_unique<Job_GoTo>(&cow, 1000.0f, 0.0f, 1, 1.0f));
    Run(cow, 11);
    const float before = cow.X();
    cow.SetTrack(0, 0x102, 1.0f); // a speed bonus starts mid-walk
    Run(cow, 10);
    EXPECT_NEAR(cow.X() - before, 20.0f, 0.01f) << "the walk that was under way speeds up";
    cow.SetTrack(0, 0x102, 0.0f);
    const float after = cow.X();
    Run(cow, 10);
    EXPECT_NEAR(cow.X() - after, 10.0f, 0.01f);
}

// Animations started at the character's speed (the farmer's work) run, and
// end, at its scale track; others keep their own pace. The alpha track is
// the figure's opacity, within 0..1.
TEST_F(CharacterTest, TheScaleTrackPacesWorkAnimationsAndTheAlphaTrackFades) {
    struct Case {
        uint32_t flags;
        float scale; // the scale track's modifier
        int ticksToEnd;
    } cases[] = {
        {MapCharacter::kAnimationAtSpeed, 0.0f, 30},
        {MapCharacter::kAnimationAtSpeed, 0.5f, 20},
        {MapCharacter::kAnimationAtSpeed, 2.0f, 10},
        {MapCharacter::kAnimationAtSpeed | 1, 1.0f, 15},
        {0, 2.0f, 30},
        {1, 1.0f, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << ", scale + " << c.scale);
        MapPlayer farmer(&map, &farmerInfo, 100, 100);
        farmer.SetScaleTrack(0x104, c.scale);
        farmer.AddJob(std::make_unique<Job_Animation>(&farmer, JOBID_SHEEPBLINK, u"girl_work", c.flags, 300));
        Run(farmer, c.ticksToEnd);
        EXPECT_EQ(farmer.JobCount(), 1) << "the job ends on the tick after its time ran out";
        Run(farmer, 1);
        EXPECT_EQ(farmer.JobCount(), 0);
        EXPECT_FLOAT_EQ(farmer.GetAnimationSpeed(), 1.0f + c.scale);
    }

    MapPlayer farmer(&map, &farmerInfo, 100, 100);
    farmer.SetSpeedModifier(0, 0x102, 0.5f); // the level's player track: walks and work
    EXPECT_FLOAT_EQ(farmer.TrackValue(0), 1.5f);
    EXPECT_FLOAT_EQ(farmer.GetAnimationSpeed(), 1.5f);
    farmer.SetSpeedModifier(5, 0x103, 1.0f); // the level's further player track: walks
    EXPECT_FLOAT_EQ(farmer.TrackValue(2), 2.0f);
    EXPECT_FLOAT_EQ(farmer.MotionFactor(), 3.0f);
    farmer.SetSpeedModifier(0, 0x102, 0.0f);
    EXPECT_FLOAT_EQ(farmer.GetAnimationSpeed(), 1.0f);

    for (const auto& [alpha, shown] : {std::pair{0.25f, 0.25f}, {-1.0f, 0.0f}, {3.0f, 1.0f}, {NAN, 1.0f}}) {
        farmer.SetAlphaTrack(alpha);
        EXPECT_FLOAT_EQ(farmer.Alpha(), shown) << alpha;
    }
}

// Three jobs queued (an animation running, then a farm job, then a walk).
void FillQueue(MapPlayer& farmer, CharacterTest* test) {
    (void)test;
    farmer.AddJob(std::make_unique<Job_Animation>(&farmer, JOBID_SHEEPBLINK, u"blink", 3, 500));
    Job* water = farmer.AddJob(std::make_unique<FakeFarmJob>(&farmer, 2));
    water->ReserveMoney(40);
    water->SetStep(2);
    farmer.AddJob(std::make_unique<Job_GoTo>(&farmer, 120.0f, 80.0f, 0, 1.25f, 1));
}

TEST_F(CharacterTest, SavedAndLoadedCharacterSavesTheSameBytes) {
    MapPlayer farmer(&map, &farmerInfo, 100, 100);
    farmer.AddToLevel(2);
    FillQueue(farmer, this);
    farmer.RequestSideStep();
    Run(farmer, 13);
    ASSERT_EQ(farmer.JobCount(), 3);
    ASSERT_EQ(farmer.CurrentJob(), farmer.GetJob(0));
    ASSERT_EQ(farmer.GetJob(0)->State(), JobState::Animating);

    SaveWriter first;
    ASSERT_TRUE(farmer.SaveState(first));
    EXPECT_EQ(first.Size(), 132u + 112 + 44 + 36);
    EXPECT_EQ(U32At(first.At(0), 96), 3u);
    EXPECT_EQ(U32At(first.At(0), 68), uint32_t(JOBID_SHEEPBLINK));
    EXPECT_EQ(I32At(first.At(0), 72), 0);
    EXPECT_EQ(U32At(first.At(0), 100), 1u) << "the side step is still asked for";

    // The level gives the reservations back before the jobs are rebuilt.
    FakeLevel other;
    other.money.Set(level.money.Get() + level.reserved);
    LevelMap otherMap(&other);
    MapPlayer copy(&otherMap, &farmerInfo, 0, 0);
    SaveReader reader(first.Bytes());
    std::string why;
    ASSERT_TRUE(copy.LoadState(reader, &why)) << why;
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_EQ(other.reserved, 40);
    EXPECT_EQ(other.money.Get(), level.money.Get());
    EXPECT_EQ(copy.Layer(), 2);

    SaveWriter second;
    ASSERT_TRUE(copy.SaveState(second));
    EXPECT_EQ(second.Bytes(), first.Bytes());

    // Both go on alike.
    Run(farmer, 60);
    Run(copy, 60);
    EXPECT_EQ(farmer.JobCount(), copy.JobCount());
    EXPECT_FLOAT_EQ(farmer.X(), copy.X());
    EXPECT_FLOAT_EQ(farmer.Y(), copy.Y());
}

TEST_F(CharacterTest, BrokenSaveRecordsAreRefusedAndTheCharacterKept) {
    const uint32_t clearances[] = {4};
    level.finder = std::make_unique<shpf::PathFinder>(400, 300, clearances);
    MapPlayer farmer(&map, &farmerInfo, 100, 100);
    farmer.AddToLevel(2);
    FillQueue(farmer, this);
    Run(farmer, 3);
    SaveWriter good;
    ASSERT_TRUE(farmer.SaveState(good));
    const size_t job0 = 132, job1 = 132 + 112, job2 = 132 + 112 + 44;

    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"shorter than the block", [](auto& b) { b.resize(131); }},
        {"block size", [](auto& b) { PutU32(b.data(), 0, 128); }},
        {"another character", [](auto& b) { PutU32(b.data(), 4, 6); }},
        {"count 33", [](auto& b) { PutU32(b.data(), 96, 33); }},
        {"count past the bytes", [](auto& b) { PutU32(b.data(), 96, 4); }},
        {"last record cut", [](auto& b) { b.pop_back(); }},
        {"record shorter than its head", [=](auto& b) { PutU32(b.data() + job1, 0, 12); }},
        {"record past the end", [=](auto& b) { PutU32(b.data() + job2, 0, 37); }},
        {"unknown JOBID", [=](auto& b) { PutU32(b.data() + job1, 4, 77); }},
        {"JOBID without loader", [=](auto& b) { PutU32(b.data() + job1, 4, JOBID_HARVEST); }},
        {"walk record of animation size", [=](auto& b) { PutU32(b.data() + job0, 4, JOBID_GOTO); }},
        {"current index past count", [](auto& b) { PutI32(b.data(), 72, 3); }},
        {"current JOBID differs", [](auto& b) { PutU32(b.data(), 68, JOBID_GOTO); }},
        {"progress of another step", [=](auto& b) { PutU32(b.data() + job0, 16, 5); }},
        {"a queued job running", [=](auto& b) { PutU32(b.data() + job1, 20, 1); }},
        {"name without end", [=](auto& b) { std::fill_n(b.data() + job0 + 40, 64, uint8_t('a')); }},
        {"NaN position", [](auto& b) { PutU32(b.data(), 8, 0x7FC00000); }},
        {"far off the field", [](auto& b) { PutF32(b.data(), 12, 900000.0f); }},
        {"walk target a field's width past its edge", [](auto& b) { PutF32(b.data(), 60, 801.0f); }},
        {"walk job's target off the field", [=](auto& b) { PutF32(b.data() + job2, 16, 900000.0f); }},
        {"drawn 100,000 px off her place", [](auto& b) { PutI32(b.data(), 52, 100000); }},
        {"alpha 2", [](auto& b) { PutF32(b.data(), 48, 2.0f); }},
        {"twice her size", [](auto& b) { PutF32(b.data(), 44, 2.0f); }},
        {"unseen", [](auto& b) { PutF32(b.data(), 48, 0.0f); }},
        {"a speck", [](auto& b) { PutF32(b.data(), 44, 1e-30f); }},
        {"off the level", [](auto& b) { PutU32(b.data(), 36, 0); }},
        {"work animation longer than its work", [](auto& b) { PutI32(b.data(), 32, 501); }},
        {"endless animation for a timed work", [](auto& b) { PutI32(b.data(), 32, -1); }},
        {"work past the clock's run", [=](auto& b) { PutU32(b.data() + job0, 28, INT32_MAX); }},
        {"worked past the clock's run", [=](auto& b) { PutU32(b.data() + job0, 24, INT32_MAX); }},
        {"animation job too long", [=](auto& b) { PutU32(b.data() + job0, 108, INT32_MAX); }},
        {"variant 4", [](auto& b) { PutU32(b.data(), 24, 4); }},
        {"layer 5", [](auto& b) { PutU32(b.data(), 40, 5); }},
        {"side-step flag 2", [](auto& b) { PutU32(b.data(), 100, 2); }},
        {"more money held than the level has", [=](auto& b) { PutU32(b.data() + job1, 12, 999999); }},
    };
    SaveWriter before;
    MapPlayer target(&map, &farmerInfo, 5, 5);
    target.AddJob(std::make_unique<Job_GoTo>(&target, 9.0f, 9.0f));
    ASSERT_TRUE(target.SaveState(before));
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good.Bytes();
        c.damage(bad);
        SaveReader reader(bad);
        std::string why;
        EXPECT_FALSE(target.LoadState(reader, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        SaveWriter after;
        ASSERT_TRUE(target.SaveState(after));
        EXPECT_EQ(after.Bytes(), before.Bytes()) << c.what << ": the character changed";
    }
}

TEST_F(CharacterTest, RandomDamageToSaveRecordsIsRefusedOrReadWithinBounds) {
    MapPlayer farmer(&map, &farmerInfo, 100, 100);
    farmer.AddToLevel(2);
    FillQueue(farmer, this);
    Run(farmer, 3);
    SaveWriter good;
    ASSERT_TRUE(farmer.SaveState(good));
    const std::string bytes(good.Bytes().begin(), good.Bytes().end());
    platform::SeedRand(1919);
    int accepted = 0;
    const int rounds = testsupport::ForRounds(3000, 5000, [&](int round) {
        const std::string damaged = testsupport::Damage(bytes, round);
        FakeLevel fresh;
        fresh.money.Set(99999);
        LevelMap freshMap(&fresh);
        MapPlayer copy(&freshMap, &farmerInfo, 0, 0);
        SaveReader reader({reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size()});
        if (!copy.LoadState(reader)) {
            EXPECT_EQ(copy.JobCount(), 0);
            EXPECT_EQ(fresh.reserved, 0);
            return;
        }
        ++accepted;
        EXPECT_LE(reader.Position(), damaged.size());
        // The level's reserved total is exactly what the jobs hold, and
        // what was read runs and saves again.
        int32_t held = 0;
        for (int32_t i = 0; i < copy.JobCount(); ++i)
            held += copy.GetJob(i)->Reserved();
        EXPECT_EQ(fresh.reserved, held);
        EXPECT_EQ(fresh.money.Get() + held, 99999);
        Run(copy, 20);
        SaveWriter again;
        EXPECT_TRUE(copy.SaveState(again));
    });
    EXPECT_GT(rounds, 100);
    EXPECT_LT(accepted, rounds);
}

TEST_F(CharacterTest, AJobsIconGoesWithTheJobAndTheJobsWithTheirCharacter) {
    MapSprite icon(nullptr, u"icon_water");
    auto farmer = std::make_unique<MapPlayer>(&map, &farmerInfo, 10, 10);
    Job* first = farmer->AddJob(std::make_unique<FakeFarmJob>(farmer.get(), 1));
    Job* second = farmer->AddJob(std::make_unique<FakeFarmJob>(farmer.get(), 2));
    first->ShowIcon(40, 20, &icon, 1, 0xFFFFFFFF);
    second->ShowIcon(80, 20, &icon, 2, 0xFFFFFFFF);
    second->ReserveMoney(100);
    ASSERT_EQ(map.LayerObjects(0).size(), 2u);
    EXPECT_EQ(first->Icon()->GetPointIndex(), 1);
    EXPECT_EQ(first->Icon()->Sprite(), &icon);
    first->ShowIcon(50, 20, &icon, 1, 0xFF00FF00); // replaces its own
    EXPECT_EQ(map.LayerObjects(0).size(), 2u);
    Run(*farmer, 1); // the first job finishes and goes, its icon with it
    ASSERT_EQ(map.LayerObjects(0).size(), 1u);
    EXPECT_EQ(map.LayerObjects(0)[0], second->Icon());
    EXPECT_EQ(level.reserved, 100);
    farmer.reset();
    EXPECT_TRUE(map.LayerObjects(0).empty());
    EXPECT_EQ(level.reserved, 0);
}

TEST_F(CharacterTest, MapLayersHoldOnlyLiveObjectsInDrawingOrder) {
    auto a = std::make_unique<MapCharacter>(&map, &cowInfo, 0, nullptr, 0, 0, 50, 1);
    auto b = std::make_unique<MapCharacter>(&map, &cowInfo, 0, nullptr, 0, 0, 20, -1);
    auto c = std::make_unique<MapCharacter>(&map, &cowInfo, 0, nullptr, 0, 0, 30, -1);
    a->AddToLevel(1);
    b->AddToLevel(1);
    c->AddToLevel(1);
    c->SetPosition(0, 30, 0, 25); // its draw offset puts it below a
    map.SortLayers();
    const auto& layer = map.LayerObjects(1);
    ASSERT_EQ(layer.size(), 3u);
    EXPECT_EQ(layer[0], b.get());
    EXPECT_EQ(layer[1], a.get());
    EXPECT_EQ(layer[2], c.get());
    b.reset();
    EXPECT_EQ(map.LayerObjects(1).size(), 2u);
    EXPECT_TRUE(a->OnClick());
    EXPECT_FALSE(c->OnClick());
    EXPECT_EQ(level.clicks, std::vector<int32_t>{1});

    // An object sent away goes when its closing effect has run.
    MapObject* owned = map.Adopt(std::move(a));
    EXPECT_EQ(MapObject::AddEffect(owned, 100, new SEffect_Wait(250)), 350u);
    EXPECT_TRUE(owned->HasEffects());
    map.Update(349);
    EXPECT_EQ(map.LayerObjects(1).size(), 2u);
    map.Update(1);
    EXPECT_EQ(map.LayerObjects(1).size(), 1u);
    EXPECT_EQ(map.PendingRemovals(), 0u);
    EXPECT_EQ(MapObject::AddEffect(c.get(), 0, new SEffect_Wait(10)), 0u) << "only objects the map owns";
    EXPECT_FALSE(c->HasEffects());

    // A character that outlives its map is detached from it.
    auto lateMap = std::make_unique<LevelMap>(&level);
    auto late = std::make_unique<MapPlayer>(lateMap.get(), &farmerInfo, 0, 0);
    late->AddToLevel(0);
    late->AddJob(std::make_unique<Job_GoTo>(late.get(), 9.0f, 9.0f));
    Run(*late, 1);
    lateMap.reset();
    EXPECT_EQ(late->Map(), nullptr);
    late.reset();
}

} // namespace

// The sample field, headless: the farmer walks a route around a pond
// between two points and works at each, a chicken wanders in its pen,
// earned money flies up as a star and rolls on the counter, and the stock
// count changes. Screenshots and a log go to level-field/ in the test's
// working folder.
#include "app/App.h"
#include "app/SpriteTextures.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/DataFile.h"
#include "level/Economy.h"
#include "level/LevelData.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/SpriteObject.h"
#include "pathfinding/PathFinder.h"
#include "platform/PngWriter.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"
#include "sprites/SpriteHost.h"
#include "sprites/SpritePack.h"
#include "tests/sprites/SpriteTestHost.h"
#include "tests/support/FakeLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

struct PRODUCT {
    int number;
};

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr uint32_t kGrass = 0xFF4E8A3A;

class CaptureSink final : public platform::FrameSink {
  public:
    void ShowFrame(const uint32_t* pixels, int width, int height, int pitch) override {
        frame.assign(size_t(width) * size_t(height), 0);
        for (int y = 0; y < height; ++y)
            std::copy_n(pixels + size_t(y) * size_t(pitch), width, frame.begin() + ptrdiff_t(y) * width);
    }
    std::vector<uint32_t> frame;
};

class FieldViewer : public DXLViewer {
  public:
    bool Open() {
        DXLDisplaySettings s;
        ValidateSettings(&s, nullptr, nullptr);
        s.present.backBufferWidth = kWidth;
        s.present.backBufferHeight = kHeight;
        s.present.presentationInterval = platform::kPresentIntervalImmediate;
        s.present.deviceWindow = &sink;
        return ChangeDisplayMode(&s) == kResultOk && HasDevice();
    }
    CaptureSink sink;
};

// The level around the field: its money, clock and path finder, points 0
// and 1, the screen centre in the middle of the field.
struct FieldLevel : testsupport::FakeLevelServices {
    FieldLevel() {
        livePoints = {0, 1};
        centreX = kWidth / 2.0f, centreY = kHeight / 2.0f;
    }
};

// A farmer's work as the farm's jobs do it: walk to the point, play the
// work animation, done.
class FieldWork : public Job {
  public:
    FieldWork(MapCharacter* owner, float x, float y, int32_t point)
        : Job(owner, JOBID_HARVEST), x_(x), y_(y) {
        targetPoint_ = point;
    }
    void Update(uint32_t) override {
        switch (state_) {
        case JobState::New:
            BeginWalk(x_, y_, 0, 1.0f);
            break;
        case JobState::Walking:
            if (UpdateWalk(1.0f)) StartAnimation(1200, u"girl_stand", -1, 0);
            break;
        case JobState::Animating:
            if (UpdateAnimation()) Finish();
            break;
        default:
            break;
        }
    }
    bool Save(JobSaveContext&, SaveWriter&) override { return true; }

  private:
    float x_, y_;
};

std::string GameDataFile(const char* name) {
    const char* binary = std::getenv("VB_BINARY_DIR");
    return binary ? std::string(binary) + "/game/Data/" + name : std::string();
}

using Reader = std::unique_ptr<kis::DataFileReaderW, bool (*)(kis::BaseDataFile*)>;
Reader OpenPack(const std::string& path, uint32_t type, uint32_t version) {
    return Reader(kis::OpenDataFileForRead(platform::Utf8ToUtf16(path).c_str(), type, version, 1),
                  kis::CloseDataFile);
}

// Counts the pixels of a rectangle that are not grass.
int Drawn(const std::vector<uint32_t>& frame, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, kHeight); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, kWidth); ++x)
            n += (frame[size_t(y) * kWidth + size_t(x)] & 0xFFFFFF) != (kGrass & 0xFFFFFF);
    return n;
}

// The viewer, the game's own packs as the gamedata target wrote them, and
// the character descriptions.
class FieldScenario : public ::testing::Test {
  protected:
    // The shell's state the test runs on, with the level's data it loads.
    testsupport::TestLevelData levelData;
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        // The sprite pack stays open: textures are read when first drawn.
        sprites = OpenPack(GameDataFile("Sprites.dat"), kSpritePackTypeId, kSpritePackTypeVersion);
        Reader data = OpenPack(GameDataFile("Data.dat"), kDataPackTypeId, kDataPackTypeVersion);
        ASSERT_TRUE(sprites && data) << "the game's Data folder (gamedata target) is missing";
        shared = std::make_unique<DXLTextures>(&viewer);
        SpritePackLoader loader(&libraries, shared.get(), LoadSpriteTextures);
        LoaderState state = {};
        while (loader.Load(sprites.get(), &state) == kLoaderCallAgain) {
        }
        ASSERT_EQ(state.error, 0);
        SetSpriteLibraries(&libraries);
        state = {};
        CharactersStage().load(data.get(), &state);
        ASSERT_EQ(state.error, 0);
        state = {};
        BonusesStage().load(data.get(), &state);
        ASSERT_EQ(state.error, 0);
        std::filesystem::create_directories("level-field");
    }
    void TearDown() override {
        SetSpriteLibraries(nullptr);
        FreeLevelGameData();
        FreeSpriteTextures();
        libraries.Clear();
        sprites.reset();
    }
    const std::vector<std::unique_ptr<GameCharacter>>& Characters() const {
        return levelData.data.characters;
    }
    void DrawFrame(LevelMap& map) {
        viewer.BeginScene();
        viewer.ClearTarget(kGrass);
        viewer.ResetTransform();
        viewer.ApplyTransform();
        map.Draw(viewer);
        viewer.EndFrame();
    }

    FieldViewer viewer;
    spritetest::TestHost host{1000};
    Reader sprites{nullptr, kis::CloseDataFile};
    std::unique_ptr<DXLTextures> shared;
    SpriteLibraries libraries;
};

TEST_F(FieldScenario, EveryCharacterStandsAndWalksInFourDirections) {
    FieldLevel level;
    LevelMap map(&level);
    std::vector<std::unique_ptr<MapCharacter>> figures;
    // One row per character; standing in the four directions, then walking.
    for (uint32_t id = 1; id <= 7; ++id) {
        const GameCharacter* info = FindById(Characters(), id);
        ASSERT_NE(info, nullptr) << id;
        for (int32_t column = 0; column < 8; ++column) {
            const float x = 40.0f + 78.0f * float(column), y = 4.0f + 66.0f * float(id);
            auto figure = std::make_unique<MapCharacter>(&map, info, 0, nullptr, 0, x, y, -1);
            const bool walking = column >= 4 && info->GetWalkAnimationName(0);
            figure->PlayNamedAnimation(walking ? info->GetWalkAnimationName(0) : info->GetAnimationName(0, 0),
                                       column % 4, -1);
            figure->AddToLevel(1);
            figure->Update(walking ? 140 : 0);
            EXPECT_NE(figure->Track().animation, nullptr) << "character " << id << " has its art";
            // The animals, the villain and the catapult lie on a shadow of
            // their own; the farmer's and the chicken's art draws one.
            EXPECT_EQ(figure->Shadow() != nullptr, id == 3 || id == 4 || id == 6 || id == 7) << id;
            figures.push_back(std::move(figure));
        }
    }
    DrawFrame(map);
    std::string error;
    EXPECT_TRUE(platform::WritePng("level-field/characters.png", viewer.sink.frame.data(), kWidth, kHeight,
                                   kWidth, &error))
        << error;
    for (const auto& figure : figures) {
        const int x = int(figure->X()), y = int(figure->Y());
        EXPECT_GT(Drawn(viewer.sink.frame, x - 30, y - 60, x + 30, y + 4), 40)
            << "character " << figure->CharacterId() << " at " << x << "," << y;
    }
}

TEST_F(FieldScenario, EveryBonusHasItsThreeFrameIcon) {
    const Bonuses& bonuses = levelData.data.bonuses;
    for (int32_t id = 0; id < kBonusCount; ++id) {
        ASSERT_NE(bonuses.Icon(id), nullptr) << id;
        EXPECT_EQ(bonuses.Icon(id)->GetFrameCount(), 3) << id;
    }
    for (int32_t i = 0; i < Bonuses::kBeeCount; ++i)
        EXPECT_NE(GetSprite(8, bonuses.BeeSprite(i)), nullptr) << i;
}

TEST_F(FieldScenario, FarmerWalksAndWorksChickenWandersMoneyFliesAndStockChanges) {
    const auto& characters = Characters();
    FieldLevel level;
    level.money.Set(500);
    const uint32_t clearances[] = {4, 10};
    level.finder = std::make_unique<shpf::PathFinder>(kWidth, kHeight, clearances);
    const shpf::_SHAPE pond = shpf::MakeEllipseShape(320, 300, 70, 110);
    level.finder->SetLevelShapes({&pond, 1});
    PRODUCT wheat{1};
    ProductStock stock([](const PRODUCT*, uint32_t level) { return 10 * level; }, 4);
    ValueCounter counter;
    counter.SetTarget(level.money.Get(), 0, host.game, 0);

    std::ofstream log("level-field/log.txt");
    level.money.Listeners().Add([&] {
        log << "t=" << level.time << " money " << level.money.Get() << "\n";
        counter.SetTarget(level.money.Get(), 600, host.game, 0);
    });
    stock.AddListener([&](const ProductStock::Record& r) {
        log << "t=" << level.time << " stock " << r.count << "/" << r.capacity << "\n";
    });

    LevelMap map(&level);
    const float pointA[2] = {140, 300}, pointB[2] = {500, 300};
    auto farmerOwner =
        std::make_unique<MapPlayer>(&map, FindById(characters, kCharacterFarmer), pointA[0], pointA[1]);
    auto chickenOwner = std::make_unique<MapCharacter>(&map, FindById(characters, kCharacterChicken), 0,
                                                       nullptr, 0, 520, 120, -1);
    MapPlayer& farmer = *farmerOwner;
    MapCharacter& chicken = *chickenOwner;
    farmer.AddToLevel(1);
    chicken.AddToLevel(1);
    MapSprite* star = libraries.Get(1) ? libraries.Get(1)->FindMapSprite(u"star") : nullptr;

    // Work at B, then back at A.
    farmer.AddJob(std::make_unique<FieldWork>(&farmer, pointB[0], pointB[1], 1));
    farmer.AddJob(std::make_unique<FieldWork>(&farmer, pointA[0], pointA[1], 0));

    platform::SeedRand(19);
    int worked = 0, chickenWalks = 0, shots = 0;
    bool inPond = false, wentBelowOrAbove = false;
    float chickenTravel = 0.0f;
    // The current job and its JOBID, kept apart: a finished job is deleted.
    const Job* lastCurrent = nullptr;
    uint32_t lastJobId = 0;
    const uint32_t shotsAt[] = {1000, 4200, 5300, 9500};
    for (uint32_t tick = 0; tick < 2000; ++tick) { // 20 s in 10-ms ticks
        level.time += 10;
        host.SetClocks(host.game + 10);
        level.finder->Update(1000000);
        const float cx = chicken.X(), cy = chicken.Y();
        if (chicken.JobCount() == 0) {
            // A new spot in the pen (460..600, 80..180).
            const float x = 460.0f + float(platform::Rand() % 141), y = 80.0f + float(platform::Rand() % 101);
            chicken.AddJob(std::make_unique<Job_GoTo>(&chicken, x, y, 0, 1.0f, -1, true));
            ++chickenWalks;
        }
        chicken.Update(10);
        chickenTravel += std::hypot(chicken.X() - cx, chicken.Y() - cy);
        farmer.Update(10);
        // A finished work job: money earned, wheat stored, a star flies up.
        if (lastCurrent && lastJobId == JOBID_HARVEST && farmer.CurrentJob() != lastCurrent) {
            ++worked;
            level.money.Add(25);
            stock.Add(&wheat, 3);
            if (star) {
                SpriteObject* flying =
                    CreateMapObject(&map, star, 0x10005000, farmer.X(), farmer.Y() - 70, 0, -1, false);
                flying->AddToLevel(0);
                flying->AttachEffect(new SEffect_Pos(0, 0, 0, -60, 900, true, 0));
                MapObject::AddEffect(flying, 0, new SEffect_Alpha(1.0f, 0.0f, 900, true, 0));
            }
        }
        lastCurrent = farmer.CurrentJob();
        lastJobId = lastCurrent ? lastCurrent->JobId() : 0;
        const float px = farmer.X(), py = farmer.Y();
        const float ex = (px - 320) / 70, ey = (py - 300) / 110;
        inPond = inPond || ex * ex + ey * ey < 1.0f;
        if (px > 250 && px < 390) wentBelowOrAbove = wentBelowOrAbove || py < 190 || py > 410;
        map.Update(10);

        if (tick % 2 == 0) { // a frame every 20 ms
            counter.Update(host.game);
            DrawFrame(map);
        }
        if (shots < 4 && level.time == shotsAt[shots]) {
            const std::string name = "level-field/field_" + std::to_string(level.time) + ".png";
            std::string error;
            EXPECT_TRUE(platform::WritePng(name, viewer.sink.frame.data(), kWidth, kHeight, kWidth, &error))
                << error;
            log << "t=" << level.time << " screenshot " << name << " farmer " << farmer.X() << ","
                << farmer.Y() << " chicken " << chicken.X() << "," << chicken.Y() << " counter "
                << counter.Value() << "\n";
            // The farmer is drawn where it stands.
            EXPECT_GT(Drawn(viewer.sink.frame, int(farmer.X()) - 20, int(farmer.Y()) - 60,
                            int(farmer.X()) + 20, int(farmer.Y()) + 4),
                      100)
                << "at " << level.time;
            ++shots;
        }
    }
    log << "farmer worked " << worked << " times; chicken walked " << chickenWalks << " times, "
        << chickenTravel << " px\n";

    EXPECT_EQ(worked, 2);
    EXPECT_EQ(farmer.JobCount(), 0);
    EXPECT_FLOAT_EQ(farmer.X(), pointA[0]);
    EXPECT_FALSE(inPond) << "the route goes round the pond";
    EXPECT_TRUE(wentBelowOrAbove);
    EXPECT_EQ(level.money.Get(), 550);
    EXPECT_EQ(counter.Value(), 550) << "the counter has rolled to the money";
    EXPECT_EQ(stock.GetCount(&wheat), 6u);
    EXPECT_GE(chickenWalks, 3);
    EXPECT_GT(chickenTravel, 200.0f);
    EXPECT_GE(chicken.X(), 460.0f);
    EXPECT_LE(chicken.Y(), 180.0f);
    EXPECT_EQ(map.PendingRemovals(), 0u) << "the stars are gone";
    EXPECT_EQ(shots, 4);

    log.flush();
}

} // namespace

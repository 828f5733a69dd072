// The map's animals and villains: where a chicken may stand and go, how many
// figures a decoration makes, the jobs' timing and the villain's script.
#include "frontend/MapAnimals.h"

#include "level/GameCharacter.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

const GameCharacter* Description(uint32_t id) {
    static std::map<uint32_t, GameCharacter> known;
    if (id != 2 && id != 3 && id != 6 && id != 7) return nullptr; // no sheep description
    GameCharacter& c = known[id];
    c.id = id;
    c.variantCount = 4;
    return &c;
}

MapAnimalGroup Chickens(uint32_t count, std::vector<shpf::_SHAPE> shapes) {
    MapAnimalGroup g{};
    g.id = 2;
    g.a = int32_t(count);
    g.b = int32_t(shapes.size());
    for (size_t i = 0; i < shapes.size(); ++i)
        g.shapes[i] = shapes[i];
    return g;
}

MapAnimalGroup Figure(uint32_t id, int32_t x, int32_t y) {
    MapAnimalGroup g{};
    g.id = id;
    g.a = x;
    g.b = y;
    return g;
}

} // namespace

TEST(MapAnimals, ADecorationMakesFourFiguresAtMostAndNoneWithoutADescription) {
    struct Case {
        const char* name;
        std::vector<MapAnimalGroup> groups;
        size_t figures;
    };
    const shpf::_SHAPE pen = shpf::MakeRectangleShape(0, 0, 200, 200);
    const Case cases[] = {
        {"three chickens", {Chickens(3, {pen})}, 3},
        {"six chickens", {Chickens(6, {pen})}, 4},
        {"chickens of two groups", {Chickens(3, {pen}), Chickens(3, {pen})}, 4},
        {"chickens and a cow", {Chickens(2, {pen}), Figure(3, 50, 50)}, 3},
        {"a sheep without its description", {Figure(5, 10, 10), Figure(3, 50, 50)}, 1},
        {"an unknown figure", {Figure(9, 10, 10)}, 0},
    };
    for (const Case& c : cases) {
        MapAnimalFigures figures;
        MakeMapAnimals(&figures, c.groups, Description);
        EXPECT_EQ(figures.animals.size(), c.figures) << c.name;
        EXPECT_EQ(figures.drawOrder.size(), c.figures) << c.name;
        for (const auto& animal : figures.animals)
            EXPECT_NE(animal->Description(), nullptr) << c.name;
    }
}

TEST(MapAnimals, ChickensKeepTheirSpacingAndNeverPickATargetCloseBy) {
    platform::SeedRand(7);
    MapAnimalFigures figures;
    MakeMapAnimals(&figures, {Chickens(4, {shpf::MakeRectangleShape(100, 100, 180, 160)})}, Description);
    ASSERT_EQ(figures.animals.size(), 4u);
    for (int frame = 0; frame < 3000; ++frame) {
        for (auto& chicken : figures.animals)
            chicken->Update(10);
        for (auto& chicken : figures.animals) {
            EXPECT_TRUE(chicken->X() >= 100 && chicken->X() <= 180 && chicken->Y() >= 100 &&
                        chicken->Y() <= 160);
            for (auto& other : figures.animals) {
                if (other == chicken) continue;
                EXPECT_GE(
                    std::hypot(chicken->TargetX() - other->TargetX(), chicken->TargetY() - other->TargetY()),
                    16.0f - 0.01f);
            }
        }
    }
    for (int i = 0; i < 200; ++i) {
        MapPoint p;
        if (!figures.animals[0]->PickTarget(&p, i % 2 == 0)) continue;
        EXPECT_GE(std::hypot(float(p.x) - figures.animals[0]->X(), float(p.y) - figures.animals[0]->Y()),
                  10.0f);
    }
    // The draw list is sorted by y, then x.
    for (size_t i = 1; i < figures.drawOrder.size(); ++i) {
        const MapLevelCharacter* a = figures.drawOrder[i - 1];
        const MapLevelCharacter* b = figures.drawOrder[i];
        EXPECT_TRUE(a->Y() < b->Y() || (a->Y() == b->Y() && a->X() <= b->X()));
    }
}

TEST(MapAnimals, AChickenWithoutAreaOnlyWaitsAndYells) {
    platform::SeedRand(3);
    MapAnimalFigures figures;
    MakeMapAnimals(&figures, {Chickens(1, {})}, Description);
    ASSERT_EQ(figures.animals.size(), 1u);
    MapLevelCharacter& chicken = *figures.animals[0];
    MapPoint p;
    EXPECT_FALSE(chicken.PickTarget(&p, true));
    for (int i = 0; i < 2000; ++i) {
        chicken.Update(10);
        ASSERT_EQ(chicken.X(), 0.0f);
        ASSERT_EQ(chicken.Y(), 0.0f);
    }
}

TEST(MapAnimals, APathOutsideEveryShapeIsBlocked) {
    MapAnimalFigures figures;
    // Two pens joined by nothing: a chicken in one cannot walk to the other.
    MakeMapAnimals(
        &figures,
        {Chickens(1, {shpf::MakeRectangleShape(0, 0, 20, 20), shpf::MakeRectangleShape(60, 0, 80, 20)})},
        Description);
    MapLevelCharacter& chicken = *figures.animals[0];
    chicken.MoveTo(10, 10);
    chicken.SetTarget(10, 10);
    EXPECT_TRUE(chicken.CanStandAt(70, 10, false));
    EXPECT_TRUE(chicken.IsPathBlocked(70, 10));
    EXPECT_FALSE(chicken.IsPathBlocked(18, 15));
    EXPECT_FALSE(chicken.CanStandAt(40, 10, true));
}

TEST(MapAnimals, AJobWithoutDelayBeginsInTheUpdateItWasMadeIn) {
    MapLevelCharacter figure(nullptr, Description(3), kVillainTraits);
    figure.MoveTo(0, 0);
    figure.Track().variant = 1; // already facing right: no turn before the walk
    figure.SetJob(std::make_unique<MLCJob_GoTo>(&figure, 1, 0, 15.0f, 0.0f));
    figure.Update(10);
    EXPECT_FLOAT_EQ(figure.X(), 1.5f); // 1.5 pixels per tick
    figure.SetJob(std::make_unique<MLCJob_GoTo>(&figure, 1, 25, 30.0f, 0.0f));
    figure.Update(20);
    EXPECT_FLOAT_EQ(figure.X(), 1.5f); // still waiting
    figure.Update(15);                 // 5 ms of waiting left, 10 ms of walking
    EXPECT_FLOAT_EQ(figure.X(), 3.0f);
}

namespace {
struct World : MapVillainWorld {
    std::map<int32_t, MapPoint> cells{{14, {500, 300}}, {25, {300, 500}}};
    std::vector<int32_t> bursts;
    std::optional<MapPoint> LevelCentre(int32_t level) const override {
        auto found = cells.find(level);
        return found == cells.end() ? std::nullopt : std::optional<MapPoint>(found->second);
    }
    void OnShotBurst(int32_t level) override { bursts.push_back(level); }
    GPSSpace* Particles() override { return nullptr; }
};
} // namespace

TEST(MapVillain, FiresAtEachTargetAndLeavesOnceEveryShotHasBurst) {
    World world;
    MLCVillain villain(&world, Description(6), Description(7), {-64, 280}, {20, 360}, 2, {14, 25});
    std::vector<int32_t> stages;
    for (int tick = 0; tick < 20000 && villain.Stage() >= 0; ++tick) {
        villain.Update(10);
        if (stages.empty() || stages.back() != villain.Stage()) stages.push_back(villain.Stage());
        if (villain.Stage() == 7) {
            EXPECT_TRUE(villain.CatapultShown());
        }
        if (villain.Stage() == 9) {
            EXPECT_EQ(world.bursts.size(), 2u) << "it leaves only after both shots burst";
        }
    }
    EXPECT_EQ(villain.Stage(), -1);
    EXPECT_EQ(villain.ShotsFired(), 2);
    std::sort(world.bursts.begin(), world.bursts.end());
    EXPECT_EQ(world.bursts, (std::vector<int32_t>{14, 25}));
    // Walk in, set up, shoot; back to the catapult for the second shot; wait
    // for the shots, pack up (the sample art has no packing animation, so
    // stage 8 passes within an update) and walk out.
    const std::vector<int32_t> expected{1, 2, 3, 4, 5, 6, 3, 4, 5, 6, 7, 9, -1};
    EXPECT_EQ(stages, expected);
    EXPECT_FLOAT_EQ(villain.X(), -64.0f);
    EXPECT_FLOAT_EQ(villain.Y(), 280.0f);
}

TEST(MapVillain, ATargetWithoutACellIsSkipped) {
    World world;
    MLCVillain villain(&world, Description(6), Description(7), {0, 0}, {10, 0}, 0, {14, 99, 25});
    EXPECT_EQ(villain.TargetCount(), 2);
    for (int tick = 0; tick < 20000 && villain.Stage() >= 0; ++tick)
        villain.Update(10);
    EXPECT_EQ(world.bursts, (std::vector<int32_t>{14, 25}));
}

TEST(MapVillain, AShotFliesFourPixelsAnUpdateAndBurstsOnItsTarget) {
    World world;
    MLCVillainShot shot(&world, 500, 100, 14, {500, 300});
    for (int i = 0; i < 49; ++i)
        shot.Update(10);
    EXPECT_FLOAT_EQ(shot.Y(), 296.0f);
    EXPECT_FALSE(shot.Bursting());
    shot.Update(10);
    EXPECT_TRUE(shot.Bursting());
    EXPECT_FLOAT_EQ(shot.Y(), 300.0f);
    EXPECT_EQ(world.bursts, (std::vector<int32_t>{14}));
}

TEST(MapVillain, AShotGrowsFromFourFifthsToItsFullSizeOverItsFirst300Ms) {
    World world;
    MLCVillainShot shot(&world, 500, 100, 14, {500, 600});
    struct Step {
        uint32_t ms; // time since the shot left
        float scale;
    } steps[] = {{0, 0.64f}, {150, 0.72f}, {290, 0.7946667f}, {300, 0.8f}, {1000, 0.8f}};
    uint32_t now = 0;
    for (const Step& step : steps) {
        for (; now < step.ms; now += 10)
            shot.Update(10);
        EXPECT_NEAR(shot.Scale(), step.scale, 1e-5) << step.ms << " ms";
    }
}

TEST(MapAnimals, AWalkerTurnsToItsWayAStepEveryThirtyMillisecondsBeforeItWalks) {
    // Variants turn from facing down: 0 down, 1 right, 2 up, 3 left.
    struct Case {
        const char* name;
        int32_t from;
        float dx, dy;
        int32_t wanted, steps;
    };
    const Case cases[] = {
        {"already facing right", 1, 40, 0, 1, 0},
        {"down to right", 0, 40, 0, 1, 1},
        {"down to left, the short way back", 0, -40, 0, 3, 1},
        {"down to up, two steps", 0, 0, -40, 2, 2},
        {"left to down, the short way on", 3, 3, 40, 0, 1},
        {"right to left", 1, -40, -2, 3, 2},
    };
    for (const Case& c : cases) {
        MapLevelCharacter walker(nullptr, Description(2), kChickenTraits);
        walker.MoveTo(100, 100);
        walker.Track().variant = c.from;
        walker.SetJob(std::make_unique<MLCJob_GoTo>(&walker, 1, 0, 100 + c.dx, 100 + c.dy));
        const uint32_t turning = uint32_t(c.steps) * MLCJob_GoTo::kTurnStep;
        for (uint32_t t = 10; t <= turning; t += 10) {
            walker.Update(10);
            EXPECT_FLOAT_EQ(walker.X(), 100) << c.name << " at " << t;
            EXPECT_FLOAT_EQ(walker.Y(), 100) << c.name << " at " << t;
            if (t < turning) {
                EXPECT_NE(walker.Track().variant, c.wanted) << c.name << " turned early, at " << t;
            }
        }
        EXPECT_EQ(walker.Track().variant, c.wanted) << c.name;
        walker.Update(10);
        const float walked = std::hypot(walker.X() - 100, walker.Y() - 100);
        EXPECT_NEAR(walked, kChickenTraits.walkSpeed, 1e-4) << c.name << ": one tick of walking";
    }
}

TEST(MapAnimals, AHenStandsFacingTheWaySheWalked) {
    platform::SeedRand(3);
    MapAnimalFigures figures;
    MakeMapAnimals(&figures, {Chickens(1, {shpf::MakeRectangleShape(0, 0, 300, 300)})}, Description);
    ASSERT_EQ(figures.animals.size(), 1u);
    MapLevelCharacter& hen = *figures.animals[0];
    hen.MoveTo(150, 150);
    hen.Track().variant = 0;
    hen.standingVariant = 0;
    hen.SetJob(std::make_unique<MLCJob_GoTo>(&hen, MLCChicken::kWalkJob, 0, 150, 110)); // up
    for (int i = 0; i < 40 && hen.Job() && hen.Job()->Kind() == MLCChicken::kWalkJob; ++i)
        hen.Update(50);
    EXPECT_FLOAT_EQ(hen.Y(), 110);
    EXPECT_EQ(hen.standingVariant, 2);
}

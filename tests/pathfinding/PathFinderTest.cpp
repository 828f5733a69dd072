#include "pathfinding/PathFinder.h"

#include "platform/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace shpf;

namespace {

const uint32_t kClearances[] = {0, 6, 12};

// A U open to the top: a walker in its cup must climb out to go south.
std::vector<_SHAPE> UShape() {
    return {MakeRectangleShape(150, 100, 170, 220), MakeRectangleShape(250, 100, 270, 220),
            MakeRectangleShape(150, 200, 270, 220)};
}

// A closed box of walls around (340, 80).
std::vector<_SHAPE> WalledBox() {
    return {MakeRectangleShape(300, 40, 380, 48), MakeRectangleShape(300, 112, 380, 120),
            MakeRectangleShape(300, 40, 308, 120), MakeRectangleShape(372, 40, 380, 120)};
}

double Length(_PATHPOINT a, _PATHPOINT b) {
    return std::hypot(double(b.x - a.x), double(b.y - a.y));
}

// Walks every run of the route in tenth-pixel steps and asks the grid about
// each point, truncated and rounded: none may lie in a blocking area.
void ExpectClear(const _SHAPEGRID* grid, const std::vector<_PATHPOINT>& route, size_t from = 0) {
    ASSERT_FALSE(route.empty());
    for (size_t i = from; i + 1 < route.size(); ++i) {
        const _PATHPOINT a = route[i], b = route[i + 1];
        const int steps = std::max(1, int(Length(a, b) * 10));
        for (int s = 0; s <= steps; ++s) {
            const double x = a.x + (b.x - a.x) * double(s) / steps, y = a.y + (b.y - a.y) * double(s) / steps;
            ASSERT_EQ(PathFinder::GetGridCell(grid, int(std::floor(x)), int(std::floor(y))), nullptr)
                << "run " << i << " at " << x << "," << y;
            ASSERT_EQ(PathFinder::GetGridCell(grid, int(std::lround(x)), int(std::lround(y))), nullptr)
                << "run " << i << " at " << x << "," << y;
        }
    }
}

// A clock that moves on by a fixed step at every look.
struct SteppingClock {
    uint64_t now = 0, step;
    explicit SteppingClock(uint64_t s) : step(s) {}
};

} // namespace

TEST(Routes, GoAroundAUShapedObstacleAndNeverEnterABlockingArea) {
    for (uint32_t cls = 0; cls < 3; ++cls) {
        PathFinder finder(400, 300, kClearances);
        const std::vector<_SHAPE> u = UShape();
        finder.SetLevelShapes(u);
        std::vector<_PATHPOINT> route;
        ASSERT_EQ(finder.FindRoute(210, 150, 210, 270, cls, &route), RouteStatus::Found) << cls;
        ASSERT_GE(route.size(), 4u) << "out of the cup, round a wall, back in below";
        EXPECT_EQ(route.front().x, 210);
        EXPECT_EQ(route.front().y, 150);
        EXPECT_EQ(route.back().x, 210);
        EXPECT_EQ(route.back().y, 270);
        ExpectClear(finder.GetGrid(cls), route);
        // It climbs above the U's top and passes beside a wall, clear by the class's clearance.
        int top = 300;
        bool outside = false;
        for (const _PATHPOINT& p : route) {
            top = std::min<int>(top, p.y);
            outside |= p.x < 150 - int(kClearances[cls]) || p.x >= 270 + int(kClearances[cls]);
        }
        EXPECT_LT(top, 100 - int(kClearances[cls])) << cls;
        EXPECT_TRUE(outside) << cls;
        // Smoothed: no longer than the way round the wall's corner plus two cells a corner.
        double length = 0;
        for (size_t i = 0; i + 1 < route.size(); ++i)
            length += Length(route[i], route[i + 1]);
        const double c = kClearances[cls] + 1 + 2 * kSearchCellSize;
        const double shortest = Length({210, 150}, {int16_t(150 - c), int16_t(100 - c)}) +
                                (220 - 100 + 2 * c) +
                                Length({int16_t(150 - c), int16_t(220 + c)}, {210, 270});
        EXPECT_LT(length, shortest) << cls;
    }
}

TEST(Routes, AcrossOpenGroundAreOneStraightRun) {
    PathFinder finder(400, 300, kClearances);
    std::vector<_PATHPOINT> route;
    ASSERT_EQ(finder.FindRoute(3, 5, 391, 287, 2, &route), RouteStatus::Found);
    ASSERT_EQ(route.size(), 2u);
    EXPECT_EQ(route[1].x, 391);
    EXPECT_EQ(route[1].y, 287);
    // Points off the field are brought onto it.
    ASSERT_EQ(finder.FindRoute(-50, 20, 100000, 20, 0, &route), RouteStatus::Found);
    ASSERT_EQ(route.size(), 2u);
    EXPECT_EQ(route[0].x, 0);
    EXPECT_EQ(route[1].x, 399);
}

TEST(Routes, AWalledInGoalGivesTheNearestReachablePlace) {
    PathFinder finder(400, 300, kClearances);
    finder.SetLevelShapes(WalledBox());
    for (uint32_t cls = 0; cls < 3; ++cls) {
        std::vector<_PATHPOINT> route;
        ASSERT_EQ(finder.FindRoute(50, 50, 340, 80, cls, &route), RouteStatus::NearestOnly) << cls;
        const _SHAPEGRID* grid = finder.GetGrid(cls);
        ExpectClear(grid, route);
        const _PATHPOINT end = route.back();
        EXPECT_FALSE(end.x >= 300 && end.x < 380 && end.y >= 40 && end.y < 120) << "stays outside the walls";
        // The nearest free pixels lie just outside the grown bottom and right
        // walls, 40 + clearance away; the end may lose at most one search
        // cell and the pixel margin, and goes no nearer than they are.
        const double nearest = 40 + kClearances[cls];
        const double d = Length(end, {340, 80});
        EXPECT_GE(d, nearest) << cls;
        EXPECT_LE(d, nearest + kSearchCellSize + 2) << cls;
        EXPECT_EQ(PathFinder::GetGridCell(grid, end.x, end.y), nullptr);
    }
    // From inside the box the goal is reached; the way out is what is missing.
    std::vector<_PATHPOINT> inside;
    EXPECT_EQ(finder.FindRoute(330, 70, 345, 85, 0, &inside), RouteStatus::Found);
}

TEST(Routes, AStartInsideAnAreaStepsOutFirst) {
    PathFinder finder(400, 300, kClearances);
    finder.SetLevelShapes(UShape());
    std::vector<_PATHPOINT> route;
    ASSERT_EQ(finder.FindRoute(160, 150, 60, 150, 1, &route), RouteStatus::Found);
    ASSERT_GE(route.size(), 2u);
    EXPECT_EQ(route[0].x, 160);
    EXPECT_EQ(PathFinder::GetGridCell(finder.GetGrid(1), route[1].x, route[1].y), nullptr);
    EXPECT_LT(Length(route[0], route[1]), 10 + 6 + 2 * kSearchCellSize) << "the nearest free cell";
    ExpectClear(finder.GetGrid(1), route, 1);
}

TEST(Routes, UnknownClassesAreRefused) {
    PathFinder finder(400, 300, kClearances);
    EXPECT_EQ(finder.RequestRoute(0, 0, 10, 10, 3), 0u);
    EXPECT_EQ(finder.GetGrid(3), nullptr);
    std::vector<_PATHPOINT> route;
    EXPECT_EQ(finder.FindRoute(0, 0, 10, 10, 7, &route), RouteStatus::Unknown);
    EXPECT_EQ(finder.GetRoute(12345, &route), RouteStatus::Unknown);
    // A field filled by one obstacle has no place to go.
    finder.SetLevelShapes(std::vector<_SHAPE>{MakeRectangleShape(-5, -5, 500, 500)});
    EXPECT_EQ(finder.FindRoute(10, 10, 100, 100, 0, &route), RouteStatus::Failed);
    const uint32_t id = finder.RequestRoute(10, 10, 100, 100, 0);
    finder.Update(1000);
    EXPECT_EQ(finder.GetRoute(id, &route), RouteStatus::Failed);
    // So has a field without size.
    PathFinder empty(0, 0, kClearances);
    EXPECT_EQ(empty.FindRoute(10, 10, 100, 100, 1, &route), RouteStatus::Failed);
    EXPECT_FALSE(empty.IsFree(1, 0, 0));
    EXPECT_EQ(PathFinder::GetGridCell(empty.GetGrid(1), 0, 0), nullptr);
}

TEST(TimeSlicedRoutes, TheBudgetChangesOnlyHowManyFramesARequestTakes) {
    struct Trip {
        int32_t sx, sy, gx, gy;
        uint32_t cls;
    };
    const Trip trips[] = {{210, 150, 210, 270, 0}, {10, 10, 390, 290, 1},  {50, 50, 340, 80, 2},
                          {390, 10, 10, 290, 2},   {160, 150, 60, 150, 1}, {5, 295, 395, 5, 0},
                          {210, 150, 210, 270, 2}, {20, 280, 215, 160, 1}};
    std::vector<_SHAPE> shapes = UShape();
    for (const _SHAPE& s : WalledBox())
        shapes.push_back(s);
    shapes.push_back(MakeCircleShape(80, 220, 30));
    shapes.push_back(MakeTriangleShape({20, 120}, {90, 60}, {110, 140}));

    PathFinder reference(400, 300, kClearances);
    reference.SetLevelShapes(shapes);
    std::vector<std::vector<_PATHPOINT>> expected;
    for (const Trip& t : trips) {
        expected.emplace_back();
        reference.FindRoute(t.sx, t.sy, t.gx, t.gy, t.cls, &expected.back());
    }

    std::vector<int> framesTaken;
    for (uint64_t budget : {0u, 40u, 400u, 1000000u}) {
        SteppingClock clock(10);
        PathFinder finder(400, 300, kClearances, [&clock] { return clock.now += clock.step; });
        finder.SetLevelShapes(shapes);
        std::vector<uint32_t> ids;
        for (const Trip& t : trips)
            ids.push_back(finder.RequestRoute(t.sx, t.sy, t.gx, t.gy, t.cls));
        int frames = 0;
        while (finder.PendingCount() > 0 && frames < 10000) {
            finder.Update(budget);
            ++frames;
        }
        framesTaken.push_back(frames);
        for (size_t i = 0; i < ids.size(); ++i) {
            std::vector<_PATHPOINT> route;
            EXPECT_NE(finder.GetRoute(ids[i], &route), RouteStatus::Pending) << "budget " << budget;
            ASSERT_EQ(route.size(), expected[i].size()) << "budget " << budget << " trip " << i;
            EXPECT_EQ(std::memcmp(route.data(), expected[i].data(), route.size() * sizeof(_PATHPOINT)), 0)
                << "budget " << budget << " trip " << i;
            EXPECT_EQ(finder.GetRoute(ids[i], &route), RouteStatus::Unknown) << "a route is handed out once";
        }
    }
    EXPECT_GT(framesTaken[0], framesTaken[1]);
    EXPECT_GT(framesTaken[1], framesTaken[2]);
    EXPECT_EQ(framesTaken[3], 1);
}

TEST(TimeSlicedRoutes, AFrameStopsServingOnceItsBudgetIsUsed) {
    // Short trips finish in one step each; the clock moves 10 per look, a
    // frame looks once at its start and once after each step, and takes
    // another step only while the longest step still fits in the budget.
    SteppingClock clock(10);
    PathFinder finder(400, 300, kClearances, [&clock] { return clock.now += clock.step; });
    finder.Revision(); // the grids are built as the level loads
    for (int i = 0; i < 12; ++i)
        finder.RequestRoute(10 + i, 10, 20 + i, 12, 0);
    finder.Update(30);
    EXPECT_EQ(finder.PendingCount(), 9u);
    finder.Update(0);
    EXPECT_EQ(finder.PendingCount(), 8u) << "even a spent budget moves the queue on";
    finder.Update(60);
    EXPECT_EQ(finder.PendingCount(), 2u);
}

TEST(TimeSlicedRoutes, CancelledRequestsAreForgotten) {
    PathFinder finder(400, 300, kClearances);
    const uint32_t a = finder.RequestRoute(10, 10, 390, 290, 0);
    const uint32_t b = finder.RequestRoute(10, 10, 300, 20, 0);
    EXPECT_EQ(finder.GetRoute(a, nullptr), RouteStatus::Pending);
    finder.CancelRoute(a);
    EXPECT_EQ(finder.GetRoute(a, nullptr), RouteStatus::Unknown);
    finder.Update(1000000);
    std::vector<_PATHPOINT> route;
    EXPECT_EQ(finder.GetRoute(b, &route), RouteStatus::Found);
    EXPECT_EQ(route.back().x, 300);
}

TEST(ObstacleSets, RegisterMoveAndUnregisterAndBlockedWalkersAskAgain) {
    PathFinder finder(400, 300, kClearances);
    std::vector<_PATHPOINT> straight;
    ASSERT_EQ(finder.FindRoute(20, 150, 380, 150, 1, &straight), RouteStatus::Found);
    ASSERT_EQ(straight.size(), 2u);
    const uint32_t before = finder.Revision();
    EXPECT_TRUE(finder.IsRouteFree(1, 100, 150, {straight.data() + 1, 1}));

    const int owner = 0;
    const _SHAPE villain[] = {MakeRectangleShape(4, -36, 44, 28)}; // relative to the villain
    auto set = std::make_unique<MapShapes>(&finder, villain, 180, 160, &owner);
    EXPECT_EQ(set->Owner(), &owner);
    EXPECT_NE(finder.Revision(), before) << "a walker sees the grids change";
    EXPECT_FALSE(finder.IsRouteFree(1, 100, 150, {straight.data() + 1, 1}));
    EXPECT_NE(PathFinder::GetGridCell(finder.GetGrid(0), 184, 124), nullptr);
    EXPECT_EQ(PathFinder::GetGridCell(finder.GetGrid(0), 183, 124), nullptr);

    std::vector<_PATHPOINT> detour;
    ASSERT_EQ(finder.FindRoute(100, 150, 380, 150, 1, &detour), RouteStatus::Found);
    EXPECT_GT(detour.size(), 2u);
    ExpectClear(finder.GetGrid(1), detour);

    // The set moves with its villain: the old place frees, the new one blocks.
    set->SetPosition(180, 60);
    EXPECT_EQ(PathFinder::GetGridCell(finder.GetGrid(0), 190, 150), nullptr);
    EXPECT_NE(PathFinder::GetGridCell(finder.GetGrid(0), 190, 50), nullptr);
    EXPECT_TRUE(finder.IsRouteFree(1, 100, 150, {straight.data() + 1, 1}));

    set.reset();
    EXPECT_TRUE(finder.GetGrid(0)->areas.empty());
    EXPECT_TRUE(finder.IsFree(0, 190, 50));
}

TEST(ObstacleSets, ASearchUnderWayStartsOverWhenTheGridsChange) {
    SteppingClock clock(10);
    PathFinder finder(2000, 300, kClearances, [&clock] { return clock.now += clock.step; });
    const uint32_t id = finder.RequestRoute(10, 150, 1990, 150, 0);
    finder.Update(0); // one step of a search that needs a few
    ASSERT_EQ(finder.GetRoute(id, nullptr), RouteStatus::Pending);
    const _SHAPE wall[] = {MakeRectangleShape(0, 0, 20, 250)};
    MapShapes set(&finder, wall, 1000, 20, nullptr);
    while (finder.PendingCount() > 0)
        finder.Update(0);
    std::vector<_PATHPOINT> route;
    ASSERT_EQ(finder.GetRoute(id, &route), RouteStatus::Found);
    ExpectClear(finder.GetGrid(0), route);
    EXPECT_GT(route.size(), 2u);
}

TEST(ObstacleSets, OutliveTheirPathFinderSafely) {
    auto finder = std::make_unique<PathFinder>(100, 100, kClearances);
    const _SHAPE s[] = {MakeCircleShape(0, 0, 5)};
    MapShapes set(finder.get(), s, 50, 50, nullptr);
    EXPECT_FALSE(finder->IsFree(0, 50, 50));
    finder.reset();
    set.SetPosition(10, 10); // must not touch the finder that went away
    EXPECT_EQ(set.X(), 10);
}

TEST(CrashDump, HoldsTheObstaclesAndClearancesBesideTheReason) {
    testsupport::TempDir dir;
    PathFinder finder(640, 480, kClearances, nullptr, platform::ToGamePath(dir.Path().string()));
    const _SHAPE level[] = {MakeCircleShape(100, 100, 20), MakeTriangleShape({1, 2}, {30, 4}, {5, 60})};
    finder.SetLevelShapes(level);
    const _SHAPE villain[] = {MakeRectangleShape(4, -36, 44, 28)};
    MapShapes set(&finder, villain, -7, 300, nullptr);
    ASSERT_TRUE(finder.WriteCrashDump("checking the dump"));

    const std::string dump = testsupport::ReadFileBytes(dir.File("$crash.shpf"));
    const size_t expectedSize = 4 + 4 + 8 + 4 + 3 * 4 + 4 + (12 + 2 * 32) + (12 + 32) + 4;
    ASSERT_EQ(dump.size(), expectedSize);
    const auto* b = reinterpret_cast<const uint8_t*>(dump.data());
    auto u32 = [&](size_t at) {
        return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
    };
    EXPECT_EQ(dump.substr(0, 4), "SHPF");
    EXPECT_EQ(u32(4), 1u);
    EXPECT_EQ(u32(8), 0u);                 // left, top
    EXPECT_EQ(u32(12), 480u << 16 | 640u); // right, bottom
    EXPECT_EQ(u32(16), 3u);
    EXPECT_EQ(u32(20), 0u);
    EXPECT_EQ(u32(24), 6u);
    EXPECT_EQ(u32(28), 12u);
    EXPECT_EQ(u32(32), 2u); // the level's shapes and one set
    EXPECT_EQ(u32(36), 0u);
    EXPECT_EQ(u32(40), 0u);
    EXPECT_EQ(u32(44), 2u);
    uint8_t record[32];
    WriteShape(level[1], record);
    EXPECT_EQ(std::memcmp(b + 48 + 32, record, 32), 0);
    EXPECT_EQ(int32_t(u32(112)), -7);
    EXPECT_EQ(u32(116), 300u);
    EXPECT_EQ(u32(120), 1u);
    WriteShape(villain[0], record);
    EXPECT_EQ(std::memcmp(b + 124, record, 32), 0);
    EXPECT_EQ(u32(156), 0u) << "no request was being served";

    const std::string log = testsupport::ReadFileBytes(dir.File("$crash.log"));
    EXPECT_NE(log.find("checking the dump"), std::string::npos);
    // A second dump replaces the first, never writing through a link to another file (here the first's).
    std::filesystem::create_hard_link(dir.File("$crash.log"), dir.File("notes"));
    ASSERT_TRUE(finder.WriteCrashDump("again"));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.File("notes")), log);
    EXPECT_NE(testsupport::ReadFileBytes(dir.File("$crash.log")).find("again"), std::string::npos);

    PathFinder nowhere(10, 10, kClearances, nullptr, u"\\no\\such\\folder");
    EXPECT_FALSE(nowhere.WriteCrashDump("unwritable"));
}

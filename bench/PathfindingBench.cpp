// Routes on a 1024 x 688 field with 64 obstacle shapes: one route across the
// field, and 200 requests served in frames of a 2 ms budget.
#include "pathfinding/PathFinder.h"
#include "platform/Random.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr int kWidth = 1024, kHeight = 688;
const uint32_t kClearances[] = {4, 8, 16};
constexpr uint32_t kWalkerClass = 1;

int Rand(int n) {
    return platform::Rand() % n;
}

// 64 shapes of every kind, away from the left and right edges so that the
// trip across the field has its ends on free ground.
std::vector<shpf::_SHAPE> FieldShapes() {
    platform::SeedRand(1);
    std::vector<shpf::_SHAPE> shapes;
    for (int i = 0; i < 64; ++i) {
        const int x = 80 + Rand(kWidth - 160), y = 20 + Rand(kHeight - 40), r = 10 + Rand(30);
        auto at = [&](int dx, int dy) { return shpf::ShapePoint{int16_t(x + dx), int16_t(y + dy)}; };
        switch (i % 5) {
        case 0:
            shapes.push_back(shpf::MakeRectangleShape(x - r, y - r / 2, x + r, y + r / 2));
            break;
        case 1:
            shapes.push_back(shpf::MakeCircleShape(x, y, r));
            break;
        case 2:
            shapes.push_back(shpf::MakeEllipseShape(x, y, r, r / 2 + 2));
            break;
        case 3:
            shapes.push_back(shpf::MakeTriangleShape(at(-r, r), at(r, r), at(0, -r)));
            break;
        default:
            shapes.push_back(shpf::MakeQuadrangleShape(at(0, -r), at(r, 0), at(0, r), at(-r, 0)));
            break;
        }
    }
    return shapes;
}

void BM_RouteAcrossTheField(benchmark::State& state) {
    shpf::PathFinder finder(kWidth, kHeight, kClearances);
    finder.SetLevelShapes(FieldShapes());
    std::vector<shpf::_PATHPOINT> route;
    if (finder.FindRoute(8, 344, 1016, 344, kWalkerClass, &route) != shpf::RouteStatus::Found) {
        state.SkipWithError("no route across the field");
        return;
    }
    for (auto _ : state) {
        finder.FindRoute(8, 344, 1016, 344, kWalkerClass, &route);
        benchmark::DoNotOptimize(route.data());
    }
    state.counters["waypoints"] = double(route.size());
}
BENCHMARK(BM_RouteAcrossTheField)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);

void BM_TwoHundredRequestsInFramesOf2ms(benchmark::State& state) {
    shpf::PathFinder finder(kWidth, kHeight, kClearances);
    finder.SetLevelShapes(FieldShapes());
    finder.Revision(); // the grids are built when the level loads, not in a frame
    platform::SeedRand(7);
    struct Trip {
        int sx, sy, gx, gy;
    };
    std::vector<Trip> trips;
    while (trips.size() < 200) {
        const Trip t{Rand(kWidth), Rand(kHeight), Rand(kWidth), Rand(kHeight)};
        if (finder.IsFree(kWalkerClass, t.sx, t.sy) && finder.IsFree(kWalkerClass, t.gx, t.gy))
            trips.push_back(t);
    }
    double frames = 0, worstFrameMs = 0, lost = 0, overBudget = 0, allFrames = 0;
    for (auto _ : state) {
        std::vector<uint32_t> ids;
        for (const Trip& t : trips)
            ids.push_back(finder.RequestRoute(t.sx, t.sy, t.gx, t.gy, kWalkerClass));
        frames = 0;
        while (finder.PendingCount() > 0) {
            const auto start = std::chrono::steady_clock::now();
            finder.Update(2000);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            worstFrameMs = std::max(worstFrameMs, ms);
            overBudget += ms > 2.0;
            ++allFrames;
            ++frames;
        }
        std::vector<shpf::_PATHPOINT> route;
        for (uint32_t id : ids) {
            const shpf::RouteStatus s = finder.GetRoute(id, &route);
            lost += s != shpf::RouteStatus::Found && s != shpf::RouteStatus::NearestOnly;
        }
    }
    state.counters["frames"] = frames;
    state.counters["worst_frame_ms"] = worstFrameMs;
    state.counters["lost"] = lost;
    state.counters["frames_over_2ms"] = overBudget;
    state.counters["frames_measured"] = allFrames;
}
BENCHMARK(BM_TwoHundredRequestsInFramesOf2ms)->Unit(benchmark::kMillisecond)->Iterations(20);

// A villain sets up its obstacle: every grid is built again.
void BM_GridsRebuiltForAnObstacle(benchmark::State& state) {
    shpf::PathFinder finder(kWidth, kHeight, kClearances);
    finder.SetLevelShapes(FieldShapes());
    const shpf::_SHAPE obstacle[] = {shpf::MakeRectangleShape(4, -36, 44, 28)};
    shpf::MapShapes set(&finder, obstacle, 500, 300, nullptr);
    int x = 0;
    for (auto _ : state) {
        set.SetPosition(500 + (++x & 1), 300);
        benchmark::DoNotOptimize(finder.Revision());
    }
}
BENCHMARK(BM_GridsRebuiltForAnObstacle)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

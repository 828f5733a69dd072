// One level tick with three level-4 animal houses at work: four chickens
// wandering and eating, four cows eating, four sheep with their heads.
#include "tests/farm/AnimalTestSupport.h"

#include <benchmark/benchmark.h>

using namespace animaltest;

static void BM_AnimalHousesTick(benchmark::State& state) {
    AnimalLevel l(4, 4, 4, 40);
    l.host.world->stock[kWheat] = 40;
    for (PointPetshouse* house :
         {static_cast<PointPetshouse*>(l.Hen()), static_cast<PointPetshouse*>(l.Shed()),
          static_cast<PointPetshouse*>(l.Rack())})
        if (!l.FeedAndWait(house)) state.SkipWithError("a house could not be fed");
    // The henhouse in its eating phase, the others producing.
    l.RunUntil([&] { return l.Hen()->Phase() == 1; }, 10000);
    for (auto _ : state) {
        l.level->Update(kLevelTickMs);
        l.player->Update(kLevelTickMs);
    }
}
BENCHMARK(BM_AnimalHousesTick);

BENCHMARK_MAIN();

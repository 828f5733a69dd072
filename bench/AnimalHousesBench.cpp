// One level tick with three level-4 animal houses at work: four chickens
// wandering, four cows eating, four sheep with their heads eating.
#include "tests/farm/AnimalTestSupport.h"

#include <benchmark/benchmark.h>

using namespace animaltest;

static void BM_AnimalHousesTick(benchmark::State& state) {
    AnimalLevel l(4, 4, 4, 40);
    // Long cycles keep the animals at work for the whole run: the chickens
    // wander through a long first phase, cows and sheep eat.
    for (PointPetshouse* house :
         {static_cast<PointPetshouse*>(l.Hen()), static_cast<PointPetshouse*>(l.Shed()),
          static_cast<PointPetshouse*>(l.Rack())})
        house->Type()->header.animal.productionTime = 1000000000;
    for (PointPetshouse* house :
         {static_cast<PointPetshouse*>(l.Hen()), static_cast<PointPetshouse*>(l.Shed()),
          static_cast<PointPetshouse*>(l.Rack())})
        if (!l.FeedAndWait(house)) state.SkipWithError("a house could not be fed");
    l.Run(2000);
    for (auto _ : state) {
        l.level->Update(kLevelTickMs);
        l.player->Update(kLevelTickMs);
    }
}
BENCHMARK(BM_AnimalHousesTick);

BENCHMARK_MAIN();

// One level tick with four villains at their catapults and 64 shots in
// flight: the shots move and trail, the villains count down.
#include "tests/farm/VillainTestSupport.h"

#include <benchmark/benchmark.h>

using namespace villaintest;

namespace {

// Four places, far from every point; shots that crawl, so that they stay in
// flight while the benchmark runs.
Level FourPlaces() {
    Level level = VillainLevel();
    level.record.placeCount = 4;
    for (uint32_t p = 0; p < 4; ++p)
        level.record.places[p] = {-60, 300 + 60 * int32_t(p), 500 + 40 * int32_t(p), 300 + 60 * int32_t(p),
                                  p};
    return level;
}

VillainInfoRecord Slow() {
    VillainInfoRecord r = Brute();
    r.shots = 1000;
    r.shotInterval = 1000000;
    r.maxShotSpeed = 1e-5f;
    return r;
}

void BM_LevelTickWithVillainsAndShots(benchmark::State& state) {
    VillainLevelFixture f(Slow(), FourPlaces());
    for (uint32_t p = 0; p < 4; ++p)
        f.Villains().CreateVillain(p, kis::NameId("brute"));
    f.RunUntil([&] {
        for (int32_t i = 0; i < f.Villains().VillainCount(); ++i)
            if (f.Villains().GetVillain(i)->State() != kVillainAttacking) return false;
        return true;
    });
    const VILLAININFO* info = f.table.FindVillainInfo(kis::NameId("brute"));
    for (;;) {
        const int32_t n = f.Villains().ShotCount();
        if (n >= int32_t(FarmVillains::kMaxShots)) break;
        f.Villains().AddShot(600.0f, 200.0f + float(n), n % int32_t(f.level->PointCount()), info, true);
    }
    for (auto _ : state) {
        f.level->Tick();
        benchmark::DoNotOptimize(f.Villains().GetShot(0)->Travelled());
    }
    state.counters["villains"] = f.Villains().VillainCount();
    state.counters["shots"] = f.Villains().ShotCount();
}
BENCHMARK(BM_LevelTickWithVillainsAndShots);

} // namespace

BENCHMARK_MAIN();

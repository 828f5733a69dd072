// The busy scene at 1024 x 768, drawn by our software device and by SDL's
// software renderer in the same run; each reports frames per second.
#include "platform/BusyScene.h"

#include <benchmark/benchmark.h>

namespace {

const platform::BusyScene& Scene() {
    static const platform::BusyScene scene = platform::MakeBusyScene();
    return scene;
}

void BM_BusyScene_SoftwareDevice(benchmark::State& state) {
    platform::PresentParameters p;
    p.backBufferWidth = platform::BusyScene::kWidth;
    p.backBufferHeight = platform::BusyScene::kHeight;
    std::unique_ptr<platform::GraphicsDevice> device;
    if (platform::Failed(platform::CreateDevice(0, p, nullptr, &device))) {
        state.SkipWithError("device creation failed");
        return;
    }
    platform::BusySceneOnDevice scene(Scene(), *device);
    for (auto _ : state) {
        scene.DrawFrame();
        benchmark::DoNotOptimize(device->BackBuffer().pixels[0]);
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BusyScene_SoftwareDevice)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BusyScene_SdlSoftwareRenderer(benchmark::State& state) {
    platform::BusySceneOnSdl scene(Scene());
    if (!scene.IsReady()) {
        state.SkipWithError("SDL software renderer unavailable");
        return;
    }
    for (auto _ : state) {
        scene.DrawFrame();
        benchmark::DoNotOptimize(scene.Frame().pixels[0]);
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BusyScene_SdlSoftwareRenderer)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

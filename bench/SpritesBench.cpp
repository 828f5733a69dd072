// A busy level-like scene drawn through the sprites subsystem on the software
// device at 1024 x 768: 300 map sprites sorted by their feet each frame, 40
// sprite instances under looping effect queues, and 2,000 live particles.
// Run beside bench_DeviceBench, whose busy scene is the device alone. Also
// the time to load the game's Sprites.dat (every library) with its textures,
// a whole level frame (field picture, characters, panel) and, as its
// yardstick, the copy of one 1024 x 768 frame.
#include "app/App.h"
#include "app/SpriteTextures.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/DataFile.h"
#include "platform/Random.h"
#include "platform/Rasterizer.h"
#include "platform/Utf.h"
#include "sprites/GameAnimation.h"
#include "sprites/Particles.h"
#include "sprites/SpriteEffect.h"
#include "sprites/SpriteHost.h"
#include "sprites/SpritePack.h"

#include "BenchScene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kWidth = bench::kSceneWidth, kHeight = bench::kSceneHeight;
constexpr uint32_t kFrameMs = 16;

// The game clock moves one frame per drawn frame.
class BenchHost final : public SpriteHost {
  public:
    uint32_t GameClock() override { return clock; }
    uint32_t RealClock() override { return clock; }
    void TakeCallbacks(uint32_t) override {}
    void RestoreCallbacks() override {}
    void SetGameState(int32_t) override {}
    uint32_t clock = 1000;
};

// The game's pack with its textures on the viewer; null when it cannot be read.
struct LoadedPack {
    // The sprite textures' loaders are kept in the running App's state: it goes last.
    App app;
    // Open while the textures live: each is read from the pack when first drawn.
    kis::DataFileReaderPtr reader;
    std::unique_ptr<DXLTextures> shared;
    SpriteLibraries libraries;
    ~LoadedPack() {
        FreeSpriteTextures();
        libraries.Clear();
    }
};

std::unique_ptr<LoadedPack> LoadPack(DXLViewer& viewer) {
    auto pack = std::make_unique<LoadedPack>();
    pack->shared = std::make_unique<DXLTextures>(&viewer);
    pack->reader.reset(kis::OpenDataFileForRead(platform::Utf8ToUtf16(VB_SPRITES_DAT).c_str(),
                                                kSpritePackTypeId, kSpritePackTypeVersion,
                                                kSpritePackDataVersion));
    if (!pack->reader) return nullptr;
    SpritePackLoader loader(&pack->libraries, pack->shared.get(), LoadSpriteTextures);
    LoaderState state = {};
    while (loader.Load(pack->reader.get(), &state) == kLoaderCallAgain) {
    }
    if (state.error) return nullptr;
    return pack;
}

void BM_LoadSpritePack(benchmark::State& state) {
    bench::SceneViewer viewer;
    if (!viewer.Open()) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) {
        auto pack = LoadPack(viewer);
        if (!pack) {
            state.SkipWithError("Sprites.dat cannot be loaded (build the gamedata target)");
            return;
        }
        benchmark::DoNotOptimize(pack->libraries.Get(7));
    }
}
BENCHMARK(BM_LoadSpritePack)->Unit(benchmark::kMillisecond)->UseRealTime();

struct Figure {
    MapSprite* sprite;
    int32_t frame;
    float x, y, vx;
    bool mirror;
};

struct Showpiece {
    std::unique_ptr<SpriteInstance> instance;
    std::unique_ptr<SpriteEffectQueue> queue;
    SpriteEffect* effect; // owned by the queue
    float x, y;
};

void BM_BusyLevelScene_Sprites(benchmark::State& state) {
    BenchHost host;
    SetSpriteHost(&host);
    bench::SceneViewer viewer;
    std::unique_ptr<LoadedPack> pack = viewer.Open() ? LoadPack(viewer) : nullptr;
    SpriteLibrary* level = pack ? pack->libraries.Get(7) : nullptr;
    SpriteLibrary* interface = pack ? pack->libraries.Get(1) : nullptr;
    const GPSDescription* gas =
        pack ? FindParticleDescription(&pack->libraries.particles, u"bullet_gas") : nullptr;
    if (!level || !interface || !gas) {
        SetSpriteHost(nullptr);
        state.SkipWithError("Sprites.dat cannot be loaded (build the gamedata target)");
        return;
    }
    platform::SeedRand(1);
    MapSprite* kinds[3] = {level->FindMapSprite(u"girl_walk"), level->FindMapSprite(u"chicken"),
                           level->FindMapSprite(u"girl_stand")};
    std::vector<Figure> figures;
    for (int i = 0; i < 300; ++i) {
        MapSprite* s = kinds[i % 3];
        figures.push_back({s, platform::Rand() % s->GetFrameCount(), float(platform::Rand() % kWidth),
                           float(64 + platform::Rand() % (kHeight - 64)),
                           float(platform::Rand() % 61 - 30) / 10.0f, (i & 4) != 0});
    }
    std::vector<Figure*> order;
    for (Figure& f : figures)
        order.push_back(&f);

    const char16_t* pieceSprites[4] = {u"star", u"button", u"lock", u"star"};
    std::vector<Showpiece> pieces(40);
    for (size_t i = 0; i < pieces.size(); ++i) {
        Showpiece& p = pieces[i];
        p.instance = interface->CreateInstanceByName(pieceSprites[i % 4], 0);
        p.instance->originX = p.instance->originY = 0.5f;
        SpriteEffect* effects[4] = {new SEffect_Alpha(1.0f, 0.2f, 900, false, 0),
                                    new SEffect_SinScale(1.0f, 1.3f, 2, 1200, false, 0),
                                    new SEffect_Pos(-20, 0, 20, 0, 1000, false, 0),
                                    new SEffect_Color(0xFFFFFFFF, 0xFF40FF40, 800, false, 0)};
        p.effect = effects[i % 4];
        for (int k = 0; k < 4; ++k)
            if (k != int(i % 4)) delete effects[k];
        AddSpriteEffect(&p.queue, p.effect);
        p.x = float(40 + (i % 10) * 100);
        p.y = float(40 + (i / 10) * 40);
    }

    // Twenty emitters of up to 100 particles each, filled before timing.
    GPSSpace space;
    GPSDescription busy = *gas;
    busy.record.maxParticles = 100;
    busy.record.lifetime = -1; // endless: the count stays at the emitters' limits
    busy.record.emission.rate = 400.0f;
    for (int i = 0; i < 20; ++i)
        space.AddEmitter(busy, nullptr, float(50 + (i % 5) * 220), float(200 + (i / 5) * 150))
            ->StartEmitting();
    space.Update(1000);

    auto frame = [&] {
        host.clock += kFrameMs;
        for (Figure& f : figures) {
            f.x += f.vx;
            if (f.x < 0 || f.x > float(kWidth)) f.vx = -f.vx;
            f.frame = (f.frame + 1) % f.sprite->GetFrameCount();
        }
        std::sort(order.begin(), order.end(), [](const Figure* a, const Figure* b) { return a->y < b->y; });
        space.Update(kFrameMs);
        viewer.BeginScene();
        viewer.ClearTarget(0xFF3C7A30);
        viewer.ResetTransform();
        viewer.ApplyTransform();
        viewer.SetBlendMode(kBlendAlpha);
        MapDrawItem item;
        for (const Figure* f : order)
            if (f->sprite->Draw(&item, f->frame, int32_t(f->x), int32_t(f->y), nullptr, 0xFFFFFFFF,
                                f->mirror))
                item.Draw(viewer);
        space.Draw(viewer);
        for (Showpiece& p : pieces) {
            viewer.ResetTransform();
            viewer.Translate(p.x, p.y);
            UpdateSpriteEffects(&p.queue, &viewer);
            p.instance->colour = ApplyEffectAlpha(p.queue.get(), p.queue->colour);
            viewer.SetBlendMode(kBlendAlpha);
            p.instance->Draw(viewer);
            if (p.effect->Elapsed() >= p.effect->Duration()) p.effect->Restart(0);
        }
        viewer.EndFrame();
    };
    frame();
    for (auto _ : state)
        frame();
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["particles"] = double(space.ParticleCount());
    pieces.clear();
    pack.reset();
    SetSpriteHost(nullptr);
}
BENCHMARK(BM_BusyLevelScene_Sprites)->Unit(benchmark::kMillisecond)->UseRealTime();

// A level frame as the level screen draws one: the clear, the field picture at
// twice its size (1024 x 688, opaque), 24 farm girls and hens sorted by their
// feet, and the panel along the bottom (the window skin's frame stretched over
// 1024 x 80, eight buttons with a star each). With the argument 0 the
// rasteriser's shortcuts are off: the general path, for comparison.
void BM_WholeLevelFrame(benchmark::State& state) {
    const bool shortcuts = platform::raster::UseShortcuts(state.range(0) != 0);
    BenchHost host;
    SetSpriteHost(&host);
    bench::SceneViewer viewer;
    std::unique_ptr<LoadedPack> pack = viewer.Open() ? LoadPack(viewer) : nullptr;
    SpriteLibrary* level = pack ? pack->libraries.Get(7) : nullptr;
    SpriteLibrary* interface = pack ? pack->libraries.Get(1) : nullptr;
    MapSprite* field = level ? level->FindMapSprite(u"field_31") : nullptr;
    if (!interface || !field || !interface->FindSprite(u"dialogs") || !interface->FindSprite(u"button") ||
        !interface->FindSprite(u"star")) {
        SetSpriteHost(nullptr);
        platform::raster::UseShortcuts(shortcuts);
        state.SkipWithError("Sprites.dat cannot be loaded (build the gamedata target)");
        return;
    }
    platform::SeedRand(1);
    MapSprite* kinds[3] = {level->FindMapSprite(u"girl_walk"), level->FindMapSprite(u"chicken"),
                           level->FindMapSprite(u"girl_stand")};
    std::vector<Figure> figures;
    for (int i = 0; i < 24; ++i) {
        MapSprite* s = kinds[i % 3];
        figures.push_back({s, platform::Rand() % s->GetFrameCount(),
                           float(32 + platform::Rand() % (kWidth - 64)), float(120 + platform::Rand() % 520),
                           float(platform::Rand() % 31 - 15) / 10.0f, (i & 4) != 0});
    }
    std::vector<Figure*> order;
    for (Figure& f : figures)
        order.push_back(&f);
    std::unique_ptr<SpriteInstance> panel = interface->CreateInstanceByName(u"dialogs", 0);
    std::vector<std::unique_ptr<SpriteInstance>> pieces;
    for (int i = 0; i < 8; ++i) {
        pieces.push_back(interface->CreateInstanceByName(u"button", 0));
        pieces.back()->position = {float(200 + i * 90), 700.0f};
        pieces.push_back(interface->CreateInstanceByName(u"star", 0));
        pieces.back()->position = {float(210 + i * 90), 712.0f};
    }
    panel->position = {0.0f, 688.0f};
    panel->scaleX = float(kWidth) / 64.0f;
    panel->scaleY = 80.0f / 64.0f;

    auto frame = [&] {
        host.clock += kFrameMs;
        for (Figure& f : figures) {
            f.x += f.vx;
            if (f.x < 32 || f.x > float(kWidth - 32)) f.vx = -f.vx;
            f.frame = (f.frame + 1) % f.sprite->GetFrameCount();
        }
        std::sort(order.begin(), order.end(), [](const Figure* a, const Figure* b) { return a->y < b->y; });
        viewer.BeginScene();
        viewer.ClearTarget(0xFF203018);
        viewer.ResetTransform();
        viewer.Scale(2.0f);
        viewer.ApplyTransform();
        viewer.SetBlendMode(kBlendAlpha);
        MapDrawItem item;
        if (field->Draw(&item, 0, 0, 0, nullptr, 0xFFFFFFFF, false)) item.Draw(viewer);
        viewer.ResetTransform();
        viewer.ApplyTransform();
        for (const Figure* f : order)
            if (f->sprite->Draw(&item, f->frame, int32_t(f->x), int32_t(f->y), nullptr, 0xFFFFFFFF,
                                f->mirror))
                item.Draw(viewer);
        viewer.ResetTransform();
        panel->Draw(viewer);
        for (auto& piece : pieces) {
            viewer.ResetTransform();
            piece->Draw(viewer);
        }
        viewer.EndFrame();
    };
    frame();
    for (auto _ : state)
        frame();
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    panel.reset();
    pieces.clear();
    pack.reset();
    SetSpriteHost(nullptr);
    platform::raster::UseShortcuts(shortcuts);
}
BENCHMARK(BM_WholeLevelFrame)
    ->ArgName("shortcuts")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The yardstick of a frame's cost: one 1024 x 768 frame copied with memcpy.
void BM_FrameCopy(benchmark::State& state) {
    std::vector<uint32_t> from(size_t(kWidth) * kHeight, 0xFF203018u), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

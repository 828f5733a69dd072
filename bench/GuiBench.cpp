// The window toolkit on a busy screen: 10 open windows with 100 buttons (each
// with a hint) at 1024 x 768, the mouse sweeping over them. One benchmark
// times the toolkit's own work per frame (input routing, hover and hint
// logic, window and button effects, quad building) on a viewer without a
// device, so that nothing is rasterised; the other draws the whole frame on
// the software device.
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "gui/SpritesWindow.h"
#include "platform/GlyphFace.h"
#include "platform/GraphicsDevice.h"
#include "platform/SyntheticFace.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteHost.h"
#include "text/FontSlots.h"
#include "text/KGEWinFont.h"

#include "BenchScene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int32_t kWindows = 10, kButtonsPerWindow = 10;
constexpr uint32_t kFrameMs = 16;
constexpr const char16_t* kFontChars = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ";

class BenchHost final : public SpriteHost {
  public:
    BenchHost() { SetSpriteHost(this); }
    ~BenchHost() override { SetSpriteHost(nullptr); }
    uint32_t GameClock() override { return clock; }
    uint32_t RealClock() override { return clock; }
    void TakeCallbacks(uint32_t) override {}
    void RestoreCallbacks() override {}
    void SetGameState(int32_t) override {}
    uint32_t clock = 1000;
};

class Panel : public SpritesWindow {
  public:
    Panel(WindowManager& m, int32_t index)
        : SpritesWindow(m, MakeWindowTag('P', 'n', 'l', char('0' + index)), {}) {
        AddBackground(195, 370);
        AddCaptionFrame(150);
        SetCaptionText(u"Panel");
        MoveTo(12 + (index % 5) * 202, 12 + (index / 5) * 380);
        for (int32_t i = 0; i < kButtonsPerWindow; ++i) {
            ImageButton* b = controls_.Make<ImageButton>(uint32_t(i + 1), 20, 52 + i * 31, 155, u"Button");
            b->SetHint(u"Caption", u"A hint of a button");
        }
        // Two windows keep a colour effect running all the time.
        if (index < 2) AddEffect(new SEffect_Color(0xFFFFFFFF, 0xFFE0E0E0, 100000000, false, 0));
    }
};

// The skin: one texture with the pieces side by side, as the art has it.
struct Skin {
    SpriteLibraries libraries;
    std::unique_ptr<DXLTexture> texture;
    explicit Skin(DXLViewer* viewer) {
        SpriteLibrary* one = libraries.Make(1, nullptr);
        MapSprite* dialogs = one->AddSprite(u"dialogs");
        std::vector<kis::Rect> frames;
        for (int32_t i = 0; i < kSkinPieceCount; ++i)
            frames.push_back({i * 64, 0, i * 64 + 64, 64});
        dialogs->SetFrames(frames);
        if (viewer && viewer->HasDevice()) {
            texture = std::make_unique<DXLTexture>(viewer);
            texture->Create(64 * kSkinPieceCount, 64, kFormatA8R8G8B8, false);
            dialogs->SetTexture(texture.get());
        }
        SetSpriteLibraries(&libraries);
    }
    ~Skin() { SetSpriteLibraries(nullptr); }
};

// The toolkit's text font in its slot, from a made-up glyph face (the data
// pack's fonts are not loaded here).
struct Font {
    platform::GlyphFaceOpener previous;
    std::unique_ptr<KGEWinFont> font;
    explicit Font(DXLViewer* viewer) {
        previous = platform::SetGlyphFaceOpener([](const platform::GlyphFaceRequest& request, std::string*) {
            return std::make_unique<platform::SyntheticFace>(platform::SyntheticFaceSpec{}, request);
        });
        KGEWinFont* made = nullptr;
        if (KGECreateWinFont(viewer, 0, 10, 400, 0, 0, 0, 5, 0xFFFFFF, u"Arial", kSpaceFromFont, 0xFFFFFFFF,
                             kFontChars, 0, nullptr, nullptr, 0, 0, 0xFFFFFFFF, &made) == 0) {
            font.reset(made);
            font->AddRef();
        }
        AppFontSlots[kButtonFont - 5] = font.get();
    }
    ~Font() {
        AppFontSlots[kButtonFont - 5] = nullptr;
        platform::SetGlyphFaceOpener(previous);
    }
};

struct Screen {
    BenchHost host;
    WindowManager manager;
    int32_t frame = 0;
    explicit Screen(DXLViewer* viewer) : manager(viewer, nullptr) {
        for (int32_t i = 0; i < kWindows; ++i)
            manager.Open<Panel>(i);
    }
    // One frame: the mouse moves along a sweep over the windows, a click every
    // 30 frames; then the update and the drawing.
    void Frame() {
        host.clock += kFrameMs;
        ++frame;
        // Every 40 frames (640 ms: long enough for a hint) the mouse goes to the
        // next button, or to an empty place between the windows for every
        // fifth one; a one-pixel tremble in between keeps the wait going.
        const int32_t step = frame / 40;
        GameWindow* w = manager.Get(step % kWindows);
        const GameButton* b = w->Controls().Get((step / kWindows) % kButtonsPerWindow);
        int32_t x = w->rect.left + (b->rect.left + b->rect.right) / 2 + (frame & 1);
        int32_t y = w->rect.top + (b->rect.top + b->rect.bottom) / 2;
        if (step % 5 == 4) x = 20, y = 20 + (frame & 1);
        manager.OnMouseMove(x, y, 0);
        if (frame % 40 == 39) {
            manager.OnMouseDown(x, y, 1);
            manager.OnMouseUp(x, y, 1);
        }
        manager.Update();
        manager.Draw();
    }
};

void BM_Toolkit_WorkPerFrame(benchmark::State& state) {
    DXLViewer viewer; // no device: the quads are built, nothing is rasterised
    Skin skin(nullptr);
    Font font(&viewer);
    Screen screen(&viewer);
    int64_t hinted = 0;
    for (auto _ : state) {
        screen.Frame();
        hinted += screen.manager.IsHintShown();
    }
    state.counters["frames with a hint"] = double(hinted) / double(std::max<int64_t>(1, state.iterations()));
    state.counters["font"] = font.font != nullptr;
}
BENCHMARK(BM_Toolkit_WorkPerFrame)->Unit(benchmark::kMicrosecond);

void BM_Toolkit_WholeFrame1024x768(benchmark::State& state) {
    bench::SceneViewer viewer;
    if (!viewer.Open()) {
        state.SkipWithError("no software device");
        return;
    }
    Skin skin(&viewer);
    Font font(&viewer);
    Screen screen(&viewer);
    for (auto _ : state) {
        viewer.BeginScene();
        viewer.ClearTarget(0xFF204020);
        screen.Frame();
        viewer.EndFrame();
        benchmark::DoNotOptimize(viewer.GetDevice()->BackBuffer().pixels[0]);
    }
}
BENCHMARK(BM_Toolkit_WholeFrame1024x768)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

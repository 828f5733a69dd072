#pragma once
#include "platform/GraphicsDevice.h"

#include <memory>
#include <vector>

// The busy scene: a fixed drawing workload of the size the game reaches on its
// fullest screens, used to measure the software device and to cross-check it
// against SDL's own software renderer drawing the same quads.
namespace platform {

struct BusyScene {
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;
    static constexpr int kBackgroundSize = 1024; // power-of-two texture, the top 768 rows shown
    static constexpr int kSpriteSize = 64;
    static constexpr int kSpriteCount = 400;
    static constexpr int kImageCount = 4;

    struct Sprite {
        TexturedVertex corners[4]; // the device's quad: top-left, top-right, bottom-right, bottom-left
        int image;
        bool additive; // else alpha-blended
    };

    std::vector<uint32_t> background;          // kBackgroundSize squared, opaque A8R8G8B8
    std::vector<std::vector<uint32_t>> images; // kSpriteSize squared each, with soft alpha edges
    std::vector<Sprite> sprites;
};

// Builds the scene: one full-screen background and 400 sprites with vertex
// colours, a quarter of them rotated and scaled, a tenth additive. Always the same.
BusyScene MakeBusyScene();

// Draws the scene through a graphics device, as the engine would: one fan per quad.
class BusySceneOnDevice {
  public:
    BusySceneOnDevice(const BusyScene& scene, GraphicsDevice& device);
    // One frame: begin, background, sprites, end and present.
    Result DrawFrame();

  private:
    const BusyScene& scene_;
    GraphicsDevice& device_;
    TexturePtr background_;
    std::vector<TexturePtr> images_;
};

// Draws the same quads with SDL's software renderer into a memory surface.
class BusySceneOnSdl {
  public:
    explicit BusySceneOnSdl(const BusyScene& scene);
    ~BusySceneOnSdl();
    BusySceneOnSdl(const BusySceneOnSdl&) = delete;
    BusySceneOnSdl& operator=(const BusySceneOnSdl&) = delete;

    bool IsReady() const;
    void DrawFrame();
    FrameView Frame() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform

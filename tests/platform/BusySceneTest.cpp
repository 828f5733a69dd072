#include "platform/BusyScene.h"
#include "platform/Rasterizer.h"

#include <gtest/gtest.h>

using namespace platform;

// Both renderers draw the busy scene alike, so that timing them compares like with like.
TEST(BusyScene, SoftwareDeviceAndSdlRendererDrawTheSameScene) {
    const BusyScene scene = MakeBusyScene();
    ASSERT_EQ(scene.sprites.size(), size_t(BusyScene::kSpriteCount));

    PresentParameters p;
    p.backBufferWidth = BusyScene::kWidth;
    p.backBufferHeight = BusyScene::kHeight;
    std::unique_ptr<GraphicsDevice> device;
    ASSERT_EQ(CreateDevice(0, p, nullptr, &device), kOk);
    BusySceneOnDevice ours(scene, *device);
    ASSERT_EQ(ours.DrawFrame(), kOk);

    BusySceneOnSdl sdl(scene);
    ASSERT_TRUE(sdl.IsReady());
    sdl.DrawFrame();

    const FrameView a = device->BackBuffer(), b = sdl.Frame();
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    // Colour channels only: the presented frame ignores the back buffer's alpha,
    // which SDL blends by another rule.
    double sum[3] = {};
    long changed = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            uint32_t p1 = a.pixels[y * a.pitchInPixels + x], p2 = b.pixels[y * b.pitchInPixels + x];
            for (int c = 0; c < 3; ++c)
                sum[c] += std::abs(int(p1 >> (8 * c) & 0xFF) - int(p2 >> (8 * c) & 0xFF));
            changed +=
                (p1 & 0xFFFFFF) != (scene.background[size_t(y) * BusyScene::kBackgroundSize + x] & 0xFFFFFF);
        }
    const double pixels = double(a.width) * a.height;
    for (int c = 0; c < 3; ++c) {
        EXPECT_LT(sum[c] / pixels, 4.0) << "channel " << c;
        std::printf("mean difference of channel %d: %.3f\n", c, sum[c] / pixels);
    }
    // The sprites cover a good part of the frame, so the comparison means something.
    EXPECT_GT(changed, long(pixels / 2));
}

// The wider kernels chosen on processors with AVX2 or AVX-512 draw exactly what
// the SSE2 ones draw, so that frames do not depend on the machine.
TEST(BusyScene, EveryKernelWidthDrawsTheSameFrame) {
    const BusyScene scene = MakeBusyScene();
    PresentParameters p;
    p.backBufferWidth = BusyScene::kWidth;
    p.backBufferHeight = BusyScene::kHeight;
    const int widths[] = {128, 256, 512};
    std::vector<uint32_t> frames[3];
    for (int k = 0; k < 3; ++k) {
        const int previous = raster::UseKernelWidth(widths[k]);
        std::unique_ptr<GraphicsDevice> device;
        ASSERT_EQ(CreateDevice(0, p, nullptr, &device), kOk);
        BusySceneOnDevice ours(scene, *device);
        EXPECT_EQ(ours.DrawFrame(), kOk);
        raster::UseKernelWidth(previous);
        const FrameView f = device->BackBuffer();
        for (int y = 0; y < f.height; ++y)
            frames[k].insert(frames[k].end(), f.pixels + y * f.pitchInPixels,
                             f.pixels + y * f.pitchInPixels + f.width);
    }
    for (int k = 1; k < 3; ++k) {
        ASSERT_EQ(frames[k].size(), frames[0].size());
        size_t differing = 0;
        for (size_t i = 0; i < frames[0].size(); ++i)
            differing += frames[0][i] != frames[k][i];
        EXPECT_EQ(differing, 0u) << widths[k] << "-bit kernels";
    }
}

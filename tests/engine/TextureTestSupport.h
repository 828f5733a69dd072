#pragma once
// Shared by the texture tests: a viewer with a real software device, a device
// wrapper that can refuse texture formats and bindings, and bitmap makers.
#include "engine/Texture.h"
#include "platform/GraphicsDevice.h"
#include "tests/engine/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>

namespace texturetest {

// Forwards everything to the real device, except texture formats it is told
// to refuse and, when asked, every texture binding.
class FussyDevice final : public platform::GraphicsDevice {
  public:
    explicit FussyDevice(std::unique_ptr<platform::GraphicsDevice> inner) : in(std::move(inner)) {}
    std::unique_ptr<platform::GraphicsDevice> in;
    std::set<platform::Format> refused;
    bool refuseBinding = false;
    using R = platform::Result;

    R CreateTexture(uint32_t w, uint32_t h, platform::Format f, platform::Pool p,
                    platform::TexturePtr* o) override {
        return refused.count(f) ? platform::kErrNotAvailable : in->CreateTexture(w, h, f, p, o);
    }
    R SetRenderState(platform::RenderState s, uint32_t v) override { return in->SetRenderState(s, v); }
    R GetRenderState(platform::RenderState s, uint32_t* v) override { return in->GetRenderState(s, v); }
    R SetTextureStageState(uint32_t st, platform::TextureStageState t, uint32_t v) override {
        return in->SetTextureStageState(st, t, v);
    }
    R GetTextureStageState(uint32_t st, platform::TextureStageState t, uint32_t* v) override {
        return in->GetTextureStageState(st, t, v);
    }
    R SetSamplerState(uint32_t s, platform::SamplerState t, uint32_t v) override {
        return in->SetSamplerState(s, t, v);
    }
    R GetSamplerState(uint32_t s, platform::SamplerState t, uint32_t* v) override {
        return in->GetSamplerState(s, t, v);
    }
    R SetTexture(uint32_t stage, const platform::TexturePtr& t) override {
        return refuseBinding && t ? platform::kErrInvalidCall : in->SetTexture(stage, t);
    }
    R SetTransform(platform::TransformState s, const platform::Matrix& m) override {
        return in->SetTransform(s, m);
    }
    R GetTransform(platform::TransformState s, platform::Matrix* m) override {
        return in->GetTransform(s, m);
    }
    R SetViewport(const platform::Viewport& v) override { return in->SetViewport(v); }
    R GetViewport(platform::Viewport* v) override { return in->GetViewport(v); }
    R SetScissorRect(const platform::PixelRect& r) override { return in->SetScissorRect(r); }
    R SetVertexFormat(uint32_t fvf) override { return in->SetVertexFormat(fvf); }
    R DrawPrimitiveUP(platform::PrimitiveType t, uint32_t n, const void* v, uint32_t s) override {
        return in->DrawPrimitiveUP(t, n, v, s);
    }
    R Clear(uint32_t f, uint32_t c, float z, uint32_t s) override { return in->Clear(f, c, z, s); }
    R BeginScene() override { return in->BeginScene(); }
    R EndScene() override { return in->EndScene(); }
    R Present() override { return in->Present(); }
    void SetRasterizing(bool on) override { in->SetRasterizing(on); }
    R TestCooperativeLevel() override { return in->TestCooperativeLevel(); }
    R Reset(const platform::PresentParameters& p) override { return in->Reset(p); }
    void SetLossCause(bool active) override { in->SetLossCause(active); }
    const platform::DeviceCaps& GetCaps() const override { return in->GetCaps(); }
    platform::FrameView BackBuffer() const override { return in->BackBuffer(); }
};

// A windowed viewer with the software device, 64 x 64 unless told otherwise.
class TestViewer : public viewertest::WindowedViewer {
  public:
    bool Open(uint32_t width = 64, uint32_t height = 64) { return WindowedViewer::Open(width, height); }
    // Puts a fussy wrapper around the device (after Open).
    FussyDevice* MakeFussy() {
        auto fussy = std::make_unique<FussyDevice>(std::move(device_));
        FussyDevice* raw = fussy.get();
        device_ = std::move(fussy);
        return raw;
    }
};

// A bitmap of the format and size whose pixels come from a function of (x, y)
// given as ARGB.
inline std::unique_ptr<DXLBitmap> MakeBitmap(PixelFormat format, int width, int height,
                                             const std::function<uint32_t(int, int)>& argb) {
    auto bitmap = std::make_unique<DXLBitmap>();
    bitmap->SetFormat(format);
    bitmap->SetSize(width, height);
    const uint32_t bytes = bitmap->GetBytesPerPixel();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ARGBToPixel(argb(x, y), format, bitmap->GetRow(y) + size_t(x) * bytes);
    return bitmap;
}

// A texel of a live A8R8G8B8 texture.
inline uint32_t Texel(DXLTexture& texture, int x, int y) {
    auto* bits = static_cast<uint8_t*>(texture.Lock(platform::kLockReadOnly));
    if (!bits) return 0xDEADBEEF;
    uint32_t value = 0;
    std::memcpy(&value, bits + size_t(y) * size_t(texture.GetLockedPitch()) + size_t(x) * 4, 4);
    texture.Unlock();
    return value;
}

} // namespace texturetest

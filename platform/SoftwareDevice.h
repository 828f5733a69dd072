#pragma once
#include "platform/GraphicsDevice.h"
#include "platform/Rasterizer.h"

namespace platform {

// The reference device: draws into a 32-bit A8R8G8B8 back buffer in memory and
// hands each presented frame to a FrameSink. Created through CreateDevice.
class SoftwareDevice final : public GraphicsDevice {
  public:
    // The parameters must have been accepted by CheckPresentParameters.
    SoftwareDevice(const PresentParameters& parameters, FrameSink* sink);

    Result CreateTexture(uint32_t width, uint32_t height, Format format, Pool pool, TexturePtr* out) override;
    Result SetRenderState(RenderState state, uint32_t value) override;
    Result GetRenderState(RenderState state, uint32_t* value) override;
    Result SetTextureStageState(uint32_t stage, TextureStageState type, uint32_t value) override;
    Result GetTextureStageState(uint32_t stage, TextureStageState type, uint32_t* value) override;
    Result SetSamplerState(uint32_t sampler, SamplerState type, uint32_t value) override;
    Result GetSamplerState(uint32_t sampler, SamplerState type, uint32_t* value) override;
    Result SetTexture(uint32_t stage, const TexturePtr& texture) override;
    Result SetTransform(TransformState state, const Matrix& matrix) override;
    Result GetTransform(TransformState state, Matrix* matrix) override;
    Result SetViewport(const Viewport& viewport) override;
    Result GetViewport(Viewport* viewport) override;
    Result SetScissorRect(const PixelRect& rect) override;
    Result SetVertexFormat(uint32_t fvf) override;
    Result DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                           uint32_t stride) override;
    Result Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) override;
    Result BeginScene() override;
    Result EndScene() override;
    Result Present() override;
    void SetRasterizing(bool on) override { rasterizing_ = on; }
    Result TestCooperativeLevel() override;
    Result Reset(const PresentParameters& parameters) override;
    void SetLossCause(bool active) override;
    const DeviceCaps& GetCaps() const override { return caps_; }
    FrameView BackBuffer() const override;

  private:
    void RestoreDefaultStates();
    Matrix* TransformSlot(TransformState state);
    raster::PixelState ResolvePixelState();
    raster::ClipRect ViewportClip() const;
    // The viewport, cut to the scissor rectangle while the scissor test is on.
    raster::ClipRect DrawClip() const;
    void PaceToRefresh();
    raster::Surface Target() const;
    // A clear of the target is kept pending rather than written at once: rows
    // that opaque rectangles then cover whole (the level's field picture) are
    // never filled. CoverPendingClear notes a rectangle about to be drawn over;
    // WritePendingClear fills what remains, before anything reads the target.
    void CoverPendingClear(const raster::ClipRect& drawn);
    void WritePendingClear() const;
    // Fills row y of the pending clear outside the columns drawn over in it.
    void FillAroundDrawn(int y) const;

    PresentParameters parameters_;
    FrameSink* sink_;
    DeviceCaps caps_;
    // Mutable: reading the back buffer writes out a pending clear first.
    mutable std::vector<uint32_t> frame_;
    struct PendingClear {
        bool active = false;
        uint32_t colour = 0;
        raster::ClipRect rect;
        // Per row of rect: the columns [first, second) already drawn over, which the
        // clear leaves alone; a row not drawn over holds the empty {rect.x0, rect.x0}.
        std::vector<std::pair<int, int>> drawn;
    };
    mutable PendingClear pendingClear_;

    uint32_t renderStates_[kRenderStateCount] = {};
    uint32_t stageStates_[kTextureStageCount][kTextureStageStateCount] = {};
    uint32_t samplerStates_[kSamplerCount][kSamplerStateCount] = {};
    TexturePtr textures_[kTextureStageCount];
    Matrix world_, view_, projection_;
    Viewport viewport_;
    PixelRect scissor_;
    uint32_t fvf_ = 0;

    bool inScene_ = false;
    bool lost_ = false;      // draws do nothing until Reset
    bool lossCause_ = false; // Reset is refused while the cause lasts
    bool rasterizing_ = true;
    // Display pacing for interval "one" (see PaceToRefresh).
    bool pacing_ = false;
    uint32_t paceStart_ = 0;
    uint32_t pacedFrames_ = 0;
    std::vector<raster::ScreenVertex> screenVertices_; // reused between draws
};

// kOk when a device can be created or reset with these parameters.
Result CheckPresentParameters(const PresentParameters& parameters);

} // namespace platform

#pragma once
#include "platform/GraphicsDevice.h"

#include <string>
#include <vector>

namespace platform {

// One call made on a RecordingDevice, with its arguments in order.
struct RecordedCall {
    std::string name;                 // e.g. "SetRenderState"
    std::vector<uint32_t> args;       // integer arguments; floats by their bit pattern; matrices as 16 floats
    std::vector<uint8_t> data;        // the vertex bytes of a draw
    const Texture* texture = nullptr; // the texture of SetTexture (null unbinds)
    std::string text;                 // readable form, e.g. "SetRenderState(27, 1)"
};

// A device that records every call, getters included, and forwards it to
// another device, whose results it returns. Tests use it to check what the
// engine asked of the device.
class RecordingDevice final : public GraphicsDevice {
  public:
    explicit RecordingDevice(std::unique_ptr<GraphicsDevice> inner);
    // Records over a software device made with these parameters.
    explicit RecordingDevice(const PresentParameters& parameters);

    const std::vector<RecordedCall>& Calls() const { return calls_; }
    std::vector<std::string> CallTexts() const;
    void ClearCalls() { calls_.clear(); }
    GraphicsDevice& Inner() { return *inner_; }

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
    void SetRasterizing(bool on) override;
    Result TestCooperativeLevel() override;
    Result Reset(const PresentParameters& parameters) override;
    void SetLossCause(bool active) override;
    const DeviceCaps& GetCaps() const override { return inner_->GetCaps(); }
    FrameView BackBuffer() const override { return inner_->BackBuffer(); }

  private:
    RecordedCall& Record(const char* name, std::vector<uint32_t> args);

    std::unique_ptr<GraphicsDevice> inner_;
    std::vector<RecordedCall> calls_;
};

} // namespace platform

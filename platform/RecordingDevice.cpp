#include "platform/RecordingDevice.h"

#include "platform/SoftwareDevice.h"

#include <bit>
#include <cstdio>

namespace platform {
namespace {

uint32_t U(auto v) {
    return static_cast<uint32_t>(v);
}
uint32_t F(float v) {
    return std::bit_cast<uint32_t>(v);
}

std::vector<uint32_t> MatrixArgs(uint32_t state, const Matrix& m) {
    std::vector<uint32_t> args{state};
    for (const auto& row : m.m)
        for (float v : row)
            args.push_back(F(v));
    return args;
}

} // namespace

RecordingDevice::RecordingDevice(std::unique_ptr<GraphicsDevice> inner) : inner_(std::move(inner)) {}

RecordingDevice::RecordingDevice(const PresentParameters& parameters)
    : inner_(std::make_unique<SoftwareDevice>(parameters, nullptr)) {}

RecordedCall& RecordingDevice::Record(const char* name, std::vector<uint32_t> args) {
    RecordedCall& call = calls_.emplace_back();
    call.name = name;
    call.text = name;
    call.text += '(';
    for (size_t i = 0; i < args.size(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, i ? ", %u" : "%u", args[i]);
        call.text += number;
    }
    call.text += ')';
    call.args = std::move(args);
    return call;
}

std::vector<std::string> RecordingDevice::CallTexts() const {
    std::vector<std::string> texts;
    texts.reserve(calls_.size());
    for (const RecordedCall& c : calls_)
        texts.push_back(c.text);
    return texts;
}

Result RecordingDevice::CreateTexture(uint32_t width, uint32_t height, Format format, Pool pool,
                                      TexturePtr* out) {
    Record("CreateTexture", {width, height, U(format), U(pool)});
    return inner_->CreateTexture(width, height, format, pool, out);
}

Result RecordingDevice::SetRenderState(RenderState state, uint32_t value) {
    Record("SetRenderState", {U(state), value});
    return inner_->SetRenderState(state, value);
}

Result RecordingDevice::GetRenderState(RenderState state, uint32_t* value) {
    Record("GetRenderState", {U(state)});
    return inner_->GetRenderState(state, value);
}

Result RecordingDevice::SetTextureStageState(uint32_t stage, TextureStageState type, uint32_t value) {
    Record("SetTextureStageState", {stage, U(type), value});
    return inner_->SetTextureStageState(stage, type, value);
}

Result RecordingDevice::GetTextureStageState(uint32_t stage, TextureStageState type, uint32_t* value) {
    Record("GetTextureStageState", {stage, U(type)});
    return inner_->GetTextureStageState(stage, type, value);
}

Result RecordingDevice::SetSamplerState(uint32_t sampler, SamplerState type, uint32_t value) {
    Record("SetSamplerState", {sampler, U(type), value});
    return inner_->SetSamplerState(sampler, type, value);
}

Result RecordingDevice::GetSamplerState(uint32_t sampler, SamplerState type, uint32_t* value) {
    Record("GetSamplerState", {sampler, U(type)});
    return inner_->GetSamplerState(sampler, type, value);
}

Result RecordingDevice::SetTexture(uint32_t stage, const TexturePtr& texture) {
    RecordedCall& call = Record("SetTexture", {stage, texture ? 1u : 0u});
    call.texture = texture.get();
    return inner_->SetTexture(stage, texture);
}

Result RecordingDevice::SetTransform(TransformState state, const Matrix& matrix) {
    Record("SetTransform", MatrixArgs(U(state), matrix));
    return inner_->SetTransform(state, matrix);
}

Result RecordingDevice::GetTransform(TransformState state, Matrix* matrix) {
    Record("GetTransform", {U(state)});
    return inner_->GetTransform(state, matrix);
}

Result RecordingDevice::SetViewport(const Viewport& vp) {
    Record("SetViewport", {vp.x, vp.y, vp.width, vp.height, F(vp.minZ), F(vp.maxZ)});
    return inner_->SetViewport(vp);
}

Result RecordingDevice::GetViewport(Viewport* viewport) {
    Record("GetViewport", {});
    return inner_->GetViewport(viewport);
}

Result RecordingDevice::SetScissorRect(const PixelRect& rect) {
    Record("SetScissorRect", {U(rect.left), U(rect.top), U(rect.right), U(rect.bottom)});
    return inner_->SetScissorRect(rect);
}

Result RecordingDevice::SetVertexFormat(uint32_t fvf) {
    Record("SetVertexFormat", {fvf});
    return inner_->SetVertexFormat(fvf);
}

Result RecordingDevice::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                        uint32_t stride) {
    RecordedCall& call = Record("DrawPrimitiveUP", {U(type), primitiveCount, stride});
    uint32_t count = type == PrimitiveType::TriangleList    ? primitiveCount * 3
                     : type == PrimitiveType::TriangleFan   ? primitiveCount + 2
                     : type == PrimitiveType::LineStrip     ? primitiveCount + 1
                     : type == PrimitiveType::LineList      ? primitiveCount * 2
                     : type == PrimitiveType::TriangleStrip ? primitiveCount + 2
                                                            : primitiveCount;
    if (vertices && primitiveCount) {
        const uint8_t* p = static_cast<const uint8_t*>(vertices);
        call.data.assign(p, p + size_t(count) * stride);
    }
    return inner_->DrawPrimitiveUP(type, primitiveCount, vertices, stride);
}

Result RecordingDevice::Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) {
    Record("Clear", {flags, colour, F(z), stencil});
    return inner_->Clear(flags, colour, z, stencil);
}

Result RecordingDevice::BeginScene() {
    Record("BeginScene", {});
    return inner_->BeginScene();
}

Result RecordingDevice::EndScene() {
    Record("EndScene", {});
    return inner_->EndScene();
}

Result RecordingDevice::Present() {
    Record("Present", {});
    return inner_->Present();
}

void RecordingDevice::SetRasterizing(bool on) {
    Record("SetRasterizing", {on ? 1u : 0u});
    inner_->SetRasterizing(on);
}

Result RecordingDevice::TestCooperativeLevel() {
    Record("TestCooperativeLevel", {});
    return inner_->TestCooperativeLevel();
}

Result RecordingDevice::Reset(const PresentParameters& p) {
    Record("Reset", {p.backBufferWidth, p.backBufferHeight, U(p.backBufferFormat), p.windowed ? 1u : 0u,
                     p.presentationInterval});
    return inner_->Reset(p);
}

void RecordingDevice::SetLossCause(bool active) {
    Record("SetLossCause", {active ? 1u : 0u});
    inner_->SetLossCause(active);
}

} // namespace platform

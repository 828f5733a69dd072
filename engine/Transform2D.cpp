// The viewer's 2D transform, blend modes, texture states, draw calls and the
// pixel-row conversions of glyph sheets.
#include "engine/Texture.h"
#include "engine/Viewer.h"

#include <algorithm>
#include <cmath>

using platform::GraphicsDevice;
using platform::RenderState;

// ---------------------------------------------------------------- transform

void DXLViewer::SetTransform(const DXLMatrix* m) {
    if (m) transform_ = *m;
}

void DXLViewer::GetTransform(DXLMatrix* m) const {
    if (m) *m = transform_;
}

void DXLViewer::ResetTransform(DXLMatrix* m) {
    *(m ? m : &transform_) = kIdentityMatrix;
}

void DXLViewer::ApplyTransform(const DXLMatrix* m) {
    if (device_) device_->SetTransform(platform::TransformState::World, m ? *m : transform_);
}

void DXLViewer::BeginClip(const kis::Rect& rect) {
    if (!device_) return;
    const float(&m)[4][4] = transform_.m;
    float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
    for (const int32_t x : {rect.left, rect.right})
        for (const int32_t y : {rect.top, rect.bottom}) {
            const float sx = float(x) * m[0][0] + float(y) * m[1][0] + m[3][0];
            const float sy = float(x) * m[0][1] + float(y) * m[1][1] + m[3][1];
            left = std::min(left, sx);
            top = std::min(top, sy);
            right = std::max(right, sx);
            bottom = std::max(bottom, sy);
        }
    // Pixels whose centres lie inside stay, as the rasteriser fills them.
    kis::Rect clip = kis::MakeRect(
        int32_t(std::max(0.0f, std::round(left))), int32_t(std::max(0.0f, std::round(top))),
        int32_t(std::max(0.0f, std::round(right))), int32_t(std::max(0.0f, std::round(bottom))));
    scissorStack_.push_back(DXLSCISSORDATA{scissorRect_, scissorFlag_});
    if (scissorFlag_) {
        // Inside an outer clip: only what both let through (empty when they do not meet).
        clip.left = std::max(clip.left, scissorRect_.left);
        clip.top = std::max(clip.top, scissorRect_.top);
        clip.right = std::max(clip.left, std::min(clip.right, scissorRect_.right));
        clip.bottom = std::max(clip.top, std::min(clip.bottom, scissorRect_.bottom));
    }
    SetScissor(clip, 1);
}

void DXLViewer::EndClip() {
    if (!device_) return;
    if (scissorStack_.empty()) {
        if (scissorFlag_) SetScissor(scissorRect_, 0);
        return;
    }
    const DXLSCISSORDATA outer = scissorStack_.back();
    scissorStack_.pop_back();
    SetScissor(outer.rect, outer.flag);
}

void DXLViewer::SetScissor(const kis::Rect& rect, uint32_t flag) {
    scissorRect_ = rect;
    scissorFlag_ = flag;
    if (flag)
        device_->SetScissorRect(platform::PixelRect{scissorRect_.left, scissorRect_.top, scissorRect_.right,
                                                    scissorRect_.bottom});
    device_->SetRenderState(RenderState::ScissorTestEnable, flag ? 1 : 0);
}

void DXLViewer::ApplyIdentityTransform() {
    if (device_) device_->SetTransform(platform::TransformState::World, kIdentityMatrix);
}

void DXLViewer::GetDeviceTransform(DXLMatrix* m) {
    DXLMatrix* target = m ? m : &transform_;
    if (!device_ || platform::Failed(device_->GetTransform(platform::TransformState::World, target)))
        *target = kIdentityMatrix;
}

void DXLViewer::Translate(float x, float y) {
    if (x == 0.0f && y == 0.0f) return;
    float(&m)[4][4] = transform_.m;
    m[3][0] += x * m[0][0] + y * m[1][0];
    m[3][1] += x * m[0][1] + y * m[1][1];
}

void DXLViewer::TranslateV(const kis::Vector2& v) {
    Translate(v.x, v.y);
}

void DXLViewer::Scale(float f) {
    if (f == 1.0f) return;
    Scale2(f, f);
}

void DXLViewer::Scale2(float fx, float fy) {
    if (fx == 1.0f && fy == 1.0f) return;
    float(&m)[4][4] = transform_.m;
    m[0][0] *= fx;
    m[0][1] *= fx;
    m[1][0] *= fy;
    m[1][1] *= fy;
}

void DXLViewer::ScaleV(const kis::Vector2& v) {
    Scale2(v.x, v.y);
}

void DXLViewer::SetScale(float s) {
    float(&m)[4][4] = transform_.m;
    float t = m[0][0] != 0.0f ? m[0][1] / m[0][0] : 0.0f;
    float r = m[1][1] != 0.0f ? m[1][0] / m[1][1] : 0.0f;
    m[0][0] = s;
    m[0][1] = s * t;
    m[1][1] = s;
    m[1][0] = s * r;
}

void DXLViewer::Rotate(float radians) {
    if (radians == 0.0f) return;
    float c = std::cos(radians);
    float s = std::sin(radians);
    float(&m)[4][4] = transform_.m;
    float x0 = m[0][0], x1 = m[0][1];
    float y0 = m[1][0], y1 = m[1][1];
    m[0][0] = c * x0 + s * y0;
    m[0][1] = c * x1 + s * y1;
    m[1][0] = -s * x0 + c * y0;
    m[1][1] = -s * x1 + c * y1;
}

void DXLViewer::RotateDegrees(float degrees) {
    if (degrees == 0.0f) return;
    Rotate(degrees * kis::kPi / 180.0f);
}

void DXLViewer::SnapTransformOrigin() {
    transform_.m[3][0] = float(kis::Round(transform_.m[3][0]));
    transform_.m[3][1] = float(kis::Round(transform_.m[3][1]));
}

void DXLViewer::ApplyTranslationMatrix(float x, float y) {
    translation_.m[3][0] = x;
    translation_.m[3][1] = y;
    if (device_) device_->SetTransform(platform::TransformState::World, translation_);
}

// ---------------------------------------------------------------- states

void DXLViewer::SetBlendMode(uint32_t mode) {
    if (mode == blendMode_) return;
    blendMode_ = mode;
    ApplyBlendMode();
}

void DXLViewer::ApplyBlendMode() {
    if (!device_) return;
    using platform::Blend;
    struct Factors {
        Blend src, dest;
    };
    static constexpr Factors kModes[5] = {
        {Blend::One, Blend::Zero}, // opaque: the factors stay as they are
        {Blend::SrcAlpha, Blend::InvSrcAlpha},
        {Blend::Zero, Blend::InvSrcAlpha},
        {Blend::SrcAlpha, Blend::One},
        {Blend::InvDestColor, Blend::InvSrcAlpha},
    };
    if (blendMode_ == kBlendOpaque) {
        device_->SetRenderState(RenderState::AlphaBlendEnable, 0);
        return;
    }
    if (blendMode_ >= 5) return;
    device_->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device_->SetRenderState(RenderState::SrcBlend, uint32_t(kModes[blendMode_].src));
    device_->SetRenderState(RenderState::DestBlend, uint32_t(kModes[blendMode_].dest));
}

bool DXLViewer::BindTexture(DXLTexture* texture) {
    if (!device_) return false;
    if (texture == boundTexture_) return true;
    static const platform::TexturePtr kNone;
    if (platform::Failed(device_->SetTexture(0, texture ? texture->GetDeviceTexture() : kNone))) return false;
    boundTexture_ = texture;
    return true;
}

void DXLViewer::SetMinFilter(GraphicsDevice* device, bool linear) {
    if (device)
        device->SetSamplerState(
            0, platform::SamplerState::MinFilter,
            uint32_t(linear ? platform::TextureFilter::Linear : platform::TextureFilter::Point));
}

void DXLViewer::SetMagFilter(GraphicsDevice* device, bool linear) {
    if (device)
        device->SetSamplerState(
            0, platform::SamplerState::MagFilter,
            uint32_t(linear ? platform::TextureFilter::Linear : platform::TextureFilter::Point));
}

void DXLViewer::ApplyTextureState(const DXLTextureState* state) {
    if (!device_ || !state) return;
    GraphicsDevice* d = device_.get();
    SetBlendMode(state->blendMode);
    SetMinFilter(d, state->minLinear != 0);
    SetMagFilter(d, state->magLinear != 0);
    d->SetSamplerState(0, platform::SamplerState::AddressU, state->addressU);
    d->SetSamplerState(0, platform::SamplerState::AddressV, state->addressV);
    d->SetTextureStageState(0, platform::TextureStageState::ColorOp, state->colorOp);
    d->SetTextureStageState(0, platform::TextureStageState::AlphaOp, state->alphaOp);
}

// ---------------------------------------------------------------- drawing

void DXLViewer::DrawTexturedQuad(const TexturedQuad* quad) {
    DrawTexturedQuads(1, quad);
}

void DXLViewer::DrawTexturedQuads(uint32_t count, const TexturedQuad* quads) {
    if (!device_ || !quads || count == 0) return;
    device_->SetVertexFormat(platform::kFvfTexturedVertex);
    for (uint32_t i = 0; i < count; ++i)
        device_->DrawPrimitiveUP(platform::PrimitiveType::TriangleFan, 2, quads[i].v,
                                 sizeof(platform::TexturedVertex));
}

void DXLViewer::FillRect(const platform::ColouredVertex* vertices) {
    if (!device_ || !vertices) return;
    device_->SetVertexFormat(platform::kFvfColouredVertex);
    device_->DrawPrimitiveUP(platform::PrimitiveType::TriangleFan, 2, vertices,
                             sizeof(platform::ColouredVertex));
}

void DXLViewer::DrawRectOutline(const platform::ColouredVertex* vertices) {
    DrawRectOutlineFVF(platform::kFvfColouredVertex, vertices, sizeof(platform::ColouredVertex));
}

void DXLViewer::DrawRectOutlineFVF(uint32_t fvf, const void* vertices, uint32_t stride) {
    if (!device_ || !vertices) return;
    device_->SetVertexFormat(fvf);
    device_->DrawPrimitiveUP(platform::PrimitiveType::LineStrip, 4, vertices, stride);
}

void DXLViewer::DrawLineStrip(uint32_t fvf, uint32_t count, const void* vertices, uint32_t stride) {
    if (!device_ || !vertices || count < 2) return;
    device_->SetVertexFormat(fvf);
    device_->DrawPrimitiveUP(platform::PrimitiveType::LineStrip, count - 1, vertices, stride);
}

void DXLViewer::DrawTriangleFan(uint32_t fvf, uint32_t triangles, const void* vertices, uint32_t stride) {
    if (!device_ || !vertices || triangles == 0) return;
    device_->SetVertexFormat(fvf);
    device_->DrawPrimitiveUP(platform::PrimitiveType::TriangleFan, triangles, vertices, stride);
}

// ---------------------------------------------------------------- pixel rows

void RecolorPixels(const uint32_t* source, uint32_t* destination, uint32_t count, uint32_t colour,
                   float factor) {
    const uint32_t rgb = colour & 0x00FFFFFFu;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t alpha = source[i] >> 24;
        if (factor != 1.0f) {
            int32_t scaled = kis::Round(float(alpha) * factor);
            alpha = scaled < 0 ? 0u : (scaled > 255 ? 255u : uint32_t(scaled));
        }
        destination[i] = alpha << 24 | rgb;
    }
}

void ConvertAlphaToA8L8(const uint32_t* source, uint16_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        destination[i] = uint16_t((source[i] >> 24) << 8 | 0xFF);
}

void ConvertGreenToA4R4G4B4(const uint32_t* source, uint16_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        destination[i] = uint16_t(((source[i] >> 12) & 0xF) << 12 | 0x0FFF);
}

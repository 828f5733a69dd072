#include "level/MapShadow.h"

#include "engine/Texture.h"
#include "engine/Viewer.h"

#include <algorithm>
#include <cmath>

void MapShadow::SetAlpha(float alpha) {
    alpha_ = std::clamp(alpha, 0.0f, 1.0f);
}

void MapShadow::Draw(DXLViewer& viewer, float x, float y, float scale) const {
    if (!texture_ || alpha_ <= 0.0f || opacity_ <= 0.0f) return;
    const float width = float(texture_->GetWidth()) * scale;
    const float height = float(texture_->GetHeight()) * scale;
    const uint32_t alpha = uint32_t(std::lround(255.0f * std::clamp(opacity_ * alpha_, 0.0f, 1.0f)));
    TexturedQuad quad;
    texture_->MakeQuadSized(&quad, x + float(dx_) - width / 2, y + float(dy_) - height / 2, width, height,
                            (alpha << 24) | 0x00FFFFFF);
    if (!texture_->Bind(true)) return;
    viewer.SetBlendMode(kBlendAlpha);
    viewer.DrawTexturedQuad(&quad);
}

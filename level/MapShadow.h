#pragma once
// A character's shadow: a texture drawn centred under the character's feet,
// offset by the description's shadow offset, at the shadow's opacity times
// the character's alpha. Drawn before the figure, so it lies beneath it.

#include <cstdint>

class DXLTexture;
class DXLViewer;

class MapShadow {
  public:
    // texture: owned by its texture collection (the sprite pack's library).
    MapShadow(DXLTexture* texture, int32_t dx, int32_t dy, float opacity = 1.0f)
        : texture_(texture), dx_(dx), dy_(dy), opacity_(opacity) {}

    // The character's alpha, 0..1.
    void SetAlpha(float alpha);
    float Alpha() const { return alpha_; }
    // Draws at the viewer's current transform, centred at (x + dx, y + dy).
    void Draw(DXLViewer& viewer, float x, float y, float scale = 1.0f) const;
    DXLTexture* Texture() const { return texture_; }

  private:
    DXLTexture* texture_;
    int32_t dx_, dy_;
    float opacity_;
    float alpha_ = 1.0f;
};

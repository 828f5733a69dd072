#include "levelui/InstanceDrawing.h"

#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "sprites/Sprite.h"

#include <algorithm>

DXLTexture* InterfaceTexture(const char16_t* name) {
    constexpr int32_t kInterfaceLibrary = 1;
    SpriteLibrary* library = GetLibrary(kInterfaceLibrary);
    DXLTexture* texture = library ? library->FindTexture(name) : nullptr;
    if (texture && !texture->IsLive()) texture->Restore(); // pack textures load when first drawn
    return texture && texture->IsLive() ? texture : nullptr;
}

std::unique_ptr<SpriteInstance> CentredInstance(Sprite* sprite, int32_t frame, float scale) {
    if (!sprite || !sprite->GetLibrary()) return nullptr;
    auto instance = sprite->GetLibrary()->CreateInstance(sprite, 0);
    if (!instance) return nullptr;
    instance->frame = std::clamp(frame, 0, std::max(sprite->GetFrameCount() - 1, 0));
    instance->scaleX = instance->scaleY = scale;
    instance->originX = instance->originY = 0.5f;
    return instance;
}

void DrawInstanceAt(DXLViewer& viewer, SpriteInstance& instance, float x, float y, uint32_t colour) {
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(x, y);
    viewer.ApplyTransform();
    instance.colour = colour;
    instance.Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

DXLRectF PictureBounds(const SpriteInstance& instance) {
    const TexturedQuad* quad =
        instance.definition ? instance.definition->GetFrameQuad(instance.frame) : nullptr;
    if (!quad) return {0.0f, 0.0f, 0.0f, 0.0f};
    DXLRectF bounds{1e9f, 1e9f, -1e9f, -1e9f};
    for (const platform::TexturedVertex& v : quad->v) {
        bounds.left = std::min(bounds.left, v.x), bounds.right = std::max(bounds.right, v.x);
        bounds.top = std::min(bounds.top, v.y), bounds.bottom = std::max(bounds.bottom, v.y);
    }
    return bounds;
}

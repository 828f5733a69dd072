#include "level/SpriteObject.h"

#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

bool MapSpriteCovers(const MapSprite* sprite, int32_t frame, float x, float y, bool mirror, int32_t anchorX,
                     int32_t anchorY) {
    kis::Rect r{};
    if (!sprite || !sprite->GetFrameRect(frame, &r)) return false;
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    // The anchor (mirrored: width - x) stands on the position, and the quad
    // lies half a unit up and left of the frame's place, so that each texel
    // shows whole at its own spot and the filter blends between them.
    const float u = x + float(mirror ? w - anchorX : anchorX), v = y + float(anchorY);
    if (u < -0.5f || v < -0.5f || u >= float(w) - 0.5f || v >= float(h) - 0.5f) return false;
    const bool flip = mirror && sprite->IsMirrorable();
    const int32_t alpha = FilteredAlpha(sprite->GetTexture(), r,
                                        float(r.left) + (flip ? float(w - 1) - u : u), float(r.top) + v);
    return alpha < 0 || alpha >= kCoverAlpha;
}

bool MapSpriteCovers(const MapSprite* sprite, int32_t frame, float x, float y, bool mirror) {
    mirror = sprite && mirror && sprite->IsMirrorable();
    return sprite && MapSpriteCovers(sprite, frame, x, y, mirror, sprite->GetOriginX(), sprite->GetOriginY());
}

SpriteObject::SpriteObject(LevelMap* map, MapSprite* sprite, uint32_t kind, int32_t ownerPoint)
    : MapObject(map, ownerPoint), sprite_(sprite), kind_(kind) {}

int32_t SpriteObject::Depth() const {
    return sprite_ ? sprite_->GetDepth() : 0;
}

bool SpriteObject::ToDrawingFrame(float x, float y, float* ox, float* oy) const {
    if (sizeFactor_ <= 0.0f) return false;
    *ox = (x - x_ - float(offsetX_)) / sizeFactor_;
    *oy = (y - y_ - float(offsetY_)) / sizeFactor_;
    return true;
}

bool SpriteObject::Covers(float x, float y) const {
    float ox = 0.0f, oy = 0.0f;
    return ToDrawingFrame(x, y, &ox, &oy) && MapSpriteCovers(sprite_, frame_, ox, oy, IsMirrored());
}

void SpriteObject::Draw(DXLViewer& viewer) {
    if (!sprite_) return;
    DXLMatrix saved;
    const uint32_t colour = BeginDraw(viewer, tint, &saved);
    DrawSprite(viewer, colour);
    EndDraw(viewer, saved);
}

void SpriteObject::DrawSprite(DXLViewer& viewer, uint32_t colour) {
    MapDrawItem item;
    if (sprite_->DrawFloat(&item, frame_, 0.0f, 0.0f, nullptr, colour, IsMirrored())) item.Draw(viewer);
}

SpriteObject* CreateMapObject(LevelMap* map, MapSprite* sprite, uint32_t kind, float x, float y,
                              uint32_t flags, int32_t ownerPoint, bool mirrored) {
    if (!map) return nullptr;
    auto object = std::make_unique<SpriteObject>(map, sprite, kind, ownerPoint);
    object->SetPosition(x, y);
    object->SetMirrored(mirrored);
    object->SetCreateFlags(flags);
    return static_cast<SpriteObject*>(map->Adopt(std::move(object)));
}

#include "level/SpriteObject.h"

#include "engine/PixelFormat.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "platform/GraphicsDevice.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

#include <cmath>

namespace {

// The least alpha of a texel that counts as drawn: the soft rims of a
// picture, where little shows, leave the click to what lies behind.
constexpr uint32_t kCoverAlpha = 0x40;

bool TexelShows(DXLTexture* texture, int32_t x, int32_t y) {
    if (!texture || !texture->IsLive() || x >= texture->GetTextureWidth() || y >= texture->GetTextureHeight())
        return true;
    const PixelFormat format = texture->GetTextureFormat();
    const uint32_t bytes = GetFormatBytes(format);
    if (bytes == 0 || IsDXTFormat(format)) return true;
    const auto* bits = static_cast<const uint8_t*>(texture->Lock(platform::kLockReadOnly));
    if (!bits) return true;
    uint32_t argb = 0;
    const bool read =
        PixelToARGB(bits + size_t(y) * size_t(texture->GetLockedPitch()) + size_t(x) * bytes, format, &argb);
    texture->Unlock();
    return !read || (argb >> 24) >= kCoverAlpha;
}

} // namespace

bool MapSpriteCovers(const MapSprite* sprite, int32_t frame, float x, float y, bool mirror) {
    kis::Rect r{};
    if (!sprite || !sprite->GetFrameRect(frame, &r)) return false;
    mirror = mirror && sprite->IsMirrorable();
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    // DrawFloat puts the origin (mirrored: width - x) on the position.
    const float left = -float(mirror ? w - sprite->GetOriginX() : sprite->GetOriginX());
    const int32_t column = int32_t(std::floor(x - left)),
                  row = int32_t(std::floor(y + float(sprite->GetOriginY())));
    if (column < 0 || row < 0 || column >= w || row >= h) return false;
    return TexelShows(sprite->GetTexture(), r.left + (mirror ? w - 1 - column : column), r.top + row);
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

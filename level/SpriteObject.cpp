#include "level/SpriteObject.h"

#include "engine/Viewer.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

SpriteObject::SpriteObject(LevelMap* map, MapSprite* sprite, uint32_t kind, int32_t ownerPoint)
    : MapObject(map, ownerPoint), sprite_(sprite), kind_(kind) {}

int32_t SpriteObject::Depth() const {
    return sprite_ ? sprite_->GetDepth() : 0;
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

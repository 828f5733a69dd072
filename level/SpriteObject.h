#pragma once
// Map objects that draw one map sprite: the pictures of buildings, plants,
// nests, a job's icon.

#include "level/MapObject.h"

#include <cstdint>
#include <memory>

class MapSprite;

class SpriteObject : public MapObject {
  public:
    // sprite: owned by its sprite library; kind: the object's kind word
    // (the farm code tells its objects apart by it).
    SpriteObject(LevelMap* map, MapSprite* sprite, uint32_t kind, int32_t ownerPoint);

    void Draw(DXLViewer& viewer) override;
    int32_t Depth() const override;
    // The frame shown, where its texels are visible enough to see.
    bool Covers(float x, float y) const override;

    // Draws the sprite at the viewer's current transform, the object's
    // position and effects already applied.
    virtual void DrawSprite(DXLViewer& viewer, uint32_t colour);
    virtual void SetScale(float scale) { sizeFactor_ = scale; }

    MapSprite* Sprite() const { return sprite_; }
    void SetSprite(MapSprite* sprite) { sprite_ = sprite; }
    int32_t Frame() const { return frame_; }
    void SetFrame(int32_t frame) { frame_ = frame; }
    uint32_t Kind() const { return kind_; }
    uint32_t CreateFlags() const { return createFlags_; }
    void SetCreateFlags(uint32_t flags) { createFlags_ = flags; }
    // The colour the sprite is drawn in (its alpha times the object's).
    uint32_t tint = 0xFFFFFFFF;

  protected:
    // The field place (x, y) in the object's own drawing frame: before its
    // size factor, the object's position at (0, 0). False while the object
    // is shrunk to nothing.
    bool ToDrawingFrame(float x, float y, float* ox, float* oy) const;

    MapSprite* sprite_; // owned by its library
    uint32_t kind_;
    uint32_t createFlags_ = 0;
    int32_t frame_ = 0;
};

// The least alpha that counts as drawn: the soft rims of a picture, where
// little shows, leave the click to what lies behind. The buttons over the
// field take their clicks by the same measure.
constexpr int32_t kCoverAlpha = 0x40;

// Whether the frame of the sprite, as DrawFloat draws it at (0, 0), shows
// at (x, y): inside the frame's quad where the filtered texels' alpha is at
// least kCoverAlpha. Where the texels cannot be read (no live texture, a
// compressed format) the whole quad counts.
bool MapSpriteCovers(const MapSprite* sprite, int32_t frame, float x, float y, bool mirror);
// The same for a frame drawn with the anchor (anchorX, anchorY) on (0, 0),
// mirrored (the anchor taken from the right) when mirror is set, as an
// animation's frames are.
bool MapSpriteCovers(const MapSprite* sprite, int32_t frame, float x, float y, bool mirror, int32_t anchorX,
                     int32_t anchorY);

// Makes a sprite object on the map (owned by the map) at (x, y); it enters
// the level when its owner adds it to a layer.
SpriteObject* CreateMapObject(LevelMap* map, MapSprite* sprite, uint32_t kind, float x, float y,
                              uint32_t flags, int32_t ownerPoint, bool mirrored);

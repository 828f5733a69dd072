#pragma once
// Objects of the level map and the map that holds them.
//
// The map keeps its objects in five draw layers, drawn from layer 4 down to
// layer 0; within a layer objects are drawn in order of their sort line (the
// position's y plus the draw offset's y plus the depth of the object's map
// sprite), so a figure further down the field covers one behind it.
//
// Ownership: the map owns the objects handed to it (Adopt: the sprite
// objects CreateMapObject makes, and every object sent away through
// MapObject::AddEffect); characters are owned by whoever made them (the
// level owns the farmer and the villains, an animal house its animals). The
// layers only point at objects: an object leaves its layer in its
// destructor, so no layer holds a deleted object.

#include "engine/Viewer.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class LevelMap;
class LevelServices;
class SpriteEffect;
class SpriteEffectQueue;

class MapObject {
  public:
    static constexpr int32_t kLayerCount = 5;
    enum Flags : uint32_t {
        kMirrored = 0x1,
        kOnLevel = 0x2,
        kHidden = 0x4,
        // The object is a picture of its owner point: a click on it picks
        // the point.
        kPointPicture = 0x8,
    };

    // ownerPoint: the level point the object belongs to (-1 none).
    MapObject(LevelMap* map, int32_t ownerPoint);
    MapObject(const MapObject&) = delete;
    MapObject& operator=(const MapObject&) = delete;

    // Lets go of what the object acquired for drawing.
    virtual void Release() {}
    // Starts the object's vanish effect; answers the time (from now) at which
    // the object may go. The base has none and answers the delay.
    virtual uint32_t StartVanish(uint32_t delay) { return delay; }
    virtual void OnAddedToLevel() {}
    virtual void OnRemovedFromLevel() {}
    virtual ~MapObject();
    virtual void Draw(DXLViewer& viewer);
    // Moves the object and keeps its layer's order.
    virtual void MoveToCell(float x, float y);
    virtual void AddToLevel(int32_t layer);
    virtual void RemoveFromLevel();
    // Takes the effect into the object's effect queue (and, for a
    // character, its shadow follows).
    virtual void AttachEffect(SpriteEffect* effect);
    // Deletes the queued effects.
    virtual void StopEffects();
    virtual void Highlight(bool on) { highlighted_ = on; }
    virtual int32_t GetPointIndex() const { return ownerPoint_; }
    // Whether the object's drawn picture covers the field place (x, y); the
    // base draws nothing and covers nothing.
    virtual bool Covers(float x, float y) const {
        (void)x, (void)y;
        return false;
    }
    // Passes the click to the owner point; false when there is none.
    virtual bool OnClick();

    void SetPosition(float x, float y, int32_t offsetX = 0, int32_t offsetY = 0);
    float X() const { return x_; }
    float Y() const { return y_; }
    int32_t OffsetX() const { return offsetX_; }
    int32_t OffsetY() const { return offsetY_; }
    // The line the object is sorted by within its layer.
    float SortLine() const { return y_ + float(offsetY_) + float(Depth()); }
    // The depth of the object's map sprite (0 without one).
    virtual int32_t Depth() const { return 0; }

    int32_t Layer() const { return layer_; }
    bool IsOnLevel() const { return (flags_ & kOnLevel) != 0; }
    bool IsMirrored() const { return (flags_ & kMirrored) != 0; }
    void SetMirrored(bool on) { SetFlag(kMirrored, on); }
    bool IsHidden() const { return (flags_ & kHidden) != 0; }
    void SetHidden(bool on) { SetFlag(kHidden, on); }
    bool IsPointPicture() const { return (flags_ & kPointPicture) != 0; }
    void SetPointPicture(bool on) { SetFlag(kPointPicture, on); }
    uint32_t Flags() const { return flags_; }
    bool IsHighlighted() const { return highlighted_; }
    float SizeFactor() const { return sizeFactor_; }
    void SetSizeFactor(float size) { sizeFactor_ = size; }
    float Alpha() const { return alpha_; }
    void SetAlpha(float alpha) { alpha_ = alpha; }
    LevelMap* Map() const { return map_; }
    LevelServices* Services() const;

    // Stops the object's effects, starts its vanish, attaches the closing
    // effect (owned from here) and has its map delete the object once its
    // vanish and the effect's time are over. The object must be owned by its map
    // (Adopt); otherwise the effect is deleted and 0 answered. Answers the
    // delay plus the effect's length.
    static uint32_t AddEffect(MapObject* object, uint32_t delay, SpriteEffect* effect);
    bool HasEffects() const;

  protected:
    friend class LevelMap;
    void SetFlag(uint32_t flag, bool on) { flags_ = on ? (flags_ | flag) : (flags_ & ~flag); }
    // Keeps the viewer's transform in *saved, moves it to the object's
    // place, applies the effects and the size factor; answers the colour
    // with the object's and the effects' alpha.
    uint32_t BeginDraw(DXLViewer& viewer, uint32_t colour, DXLMatrix* saved);
    void EndDraw(DXLViewer& viewer, const DXLMatrix& saved);

    std::unique_ptr<SpriteEffectQueue> effects_;

    LevelMap* map_;
    int32_t ownerPoint_;
    float x_ = 0.0f, y_ = 0.0f;
    int32_t offsetX_ = 0, offsetY_ = 0;
    int32_t layer_ = -1;
    uint32_t flags_ = 0;
    float sizeFactor_ = 1.0f;
    float alpha_ = 1.0f;
    bool highlighted_ = false;
};

// A map object that moves.
class DynObject : public MapObject {
  public:
    using MapObject::MapObject;
    virtual void MoveTo(float x, float y) { MoveToCell(x, y); }
};

class LevelMap {
  public:
    explicit LevelMap(LevelServices* services) : services_(services) {}
    ~LevelMap();
    LevelMap(const LevelMap&) = delete;
    LevelMap& operator=(const LevelMap&) = delete;

    LevelServices* Services() const { return services_; }

    // Takes an object into the map's keeping and answers it.
    MapObject* Adopt(std::unique_ptr<MapObject> object);
    bool Owns(const MapObject* object) const;
    // Deletes an object the map owns.
    void Delete(MapObject* object);

    // Advances the map's clock; objects sent away whose time has come are
    // deleted.
    void Update(uint32_t ms);
    uint32_t Clock() const { return clock_; }
    // Draws layers 4 down to 0, each in sort-line order, at the viewer's
    // current transform (the level's view).
    void Draw(DXLViewer& viewer);
    // Puts every layer in drawing order (stable, so equal lines keep the
    // order of their adding).
    void SortLayers();

    const std::vector<MapObject*>& LayerObjects(int32_t layer) const { return layers_[size_t(layer)]; }
    // The point picture (IsPointPicture) drawn in front of the others at the
    // field place (x, y), shown and on the level; null when none covers it.
    MapObject* PointPictureAt(float x, float y);
    // Whether a point picture of the point is on the level, shown or not.
    bool HasPointPicture(int32_t point) const;
    size_t PendingRemovals() const { return removals_.size(); }

  private:
    friend class MapObject;
    void Insert(MapObject* object, int32_t layer);
    void Erase(MapObject* object);
    void QueueRemoval(MapObject* object, uint32_t afterMs);

    LevelServices* services_;
    std::array<std::vector<MapObject*>, MapObject::kLayerCount> layers_;
    std::vector<std::unique_ptr<MapObject>> owned_;
    struct Removal {
        MapObject* object;
        uint32_t time;
    };
    std::vector<Removal> removals_;
    uint32_t clock_ = 0;
    bool dying_ = false;
};

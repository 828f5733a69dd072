#include "level/MapObject.h"

#include "engine/Viewer.h"
#include "level/LevelServices.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------- MapObject

MapObject::MapObject(LevelMap* map, int32_t ownerPoint) : map_(map), ownerPoint_(ownerPoint) {}

MapObject::~MapObject() {
    // Only the layer entry: the virtual hooks of a class being destroyed
    // are no longer there to call.
    if (map_ && layer_ >= 0) map_->Erase(this);
}

void MapObject::Draw(DXLViewer& viewer) {
    (void)viewer;
}

void MapObject::MoveToCell(float x, float y) {
    x_ = x;
    y_ = y;
}

void MapObject::AddToLevel(int32_t layer) {
    if (!map_) return;
    layer = std::clamp(layer, 0, kLayerCount - 1);
    if (layer_ >= 0) map_->Erase(this);
    map_->Insert(this, layer);
    layer_ = layer;
    const bool wasOn = IsOnLevel();
    SetFlag(kOnLevel, true);
    if (!wasOn) OnAddedToLevel();
}

void MapObject::RemoveFromLevel() {
    if (!map_ || layer_ < 0) return;
    map_->Erase(this);
    layer_ = -1;
    SetFlag(kOnLevel, false);
    OnRemovedFromLevel();
}

bool MapObject::OnClick() {
    LevelServices* services = Services();
    if (ownerPoint_ < 0 || !services || !services->PointExists(ownerPoint_)) return false;
    services->ClickPoint(ownerPoint_);
    return true;
}

void MapObject::SetPosition(float x, float y, int32_t offsetX, int32_t offsetY) {
    x_ = x;
    y_ = y;
    offsetX_ = offsetX;
    offsetY_ = offsetY;
}

LevelServices* MapObject::Services() const {
    return map_ ? map_->Services() : nullptr;
}

uint32_t MapObject::AddEffect(MapObject* object, uint32_t delay, SpriteEffect* effect) {
    std::unique_ptr<SpriteEffect> owned(effect);
    if (!object || !object->map_ || !object->map_->Owns(object)) return 0;
    object->StopEffects();
    const uint32_t vanish = object->StartVanish(delay);
    const uint32_t end = delay + (owned ? owned->Duration() : 0);
    if (owned) object->AttachEffect(owned.release());
    object->map_->QueueRemoval(object, std::max(vanish, end));
    return end;
}

void MapObject::AttachEffect(SpriteEffect* effect) {
    AddSpriteEffect(&effects_, effect);
}

void MapObject::StopEffects() {
    effects_.reset();
}

bool MapObject::HasEffects() const {
    return effects_ && effects_->Count() > 0;
}

uint32_t MapObject::BeginDraw(DXLViewer& viewer, uint32_t colour, DXLMatrix* saved) {
    viewer.GetTransform(saved);
    viewer.Translate(x_ + float(offsetX_), y_ + float(offsetY_));
    // Steps the effects: an ended queue goes.
    UpdateSpriteEffects(&effects_, &viewer);
    if (sizeFactor_ != 1.0f) viewer.Scale2(sizeFactor_, sizeFactor_);
    viewer.ApplyTransform();
    viewer.SetBlendMode(kBlendAlpha);
    uint32_t alpha = uint32_t(std::lround(float(colour >> 24) * std::clamp(alpha_, 0.0f, 1.0f)));
    if (effects_ && (effects_->mask & kEffectColour)) {
        alpha = alpha * (effects_->colour >> 24) / 255;
        colour = (colour & 0xFF000000) | (effects_->colour & 0x00FFFFFF & colour);
    }
    return (alpha << 24) | (colour & 0x00FFFFFF);
}

void MapObject::EndDraw(DXLViewer& viewer, const DXLMatrix& saved) {
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- LevelMap

LevelMap::~LevelMap() {
    dying_ = true;
    removals_.clear();
    // Newest first, so an object made after another (its icon, its shadow)
    // goes before it.
    while (!owned_.empty())
        owned_.pop_back();
    // Objects owned elsewhere that outlive the map forget it, so their own
    // end does not reach back into it.
    for (auto& layer : layers_) {
        for (MapObject* object : layer) {
            object->map_ = nullptr;
            object->layer_ = -1;
            object->flags_ &= ~uint32_t(MapObject::kOnLevel);
        }
        layer.clear();
    }
}

MapObject* LevelMap::Adopt(std::unique_ptr<MapObject> object) {
    if (!object) return nullptr;
    owned_.push_back(std::move(object));
    return owned_.back().get();
}

bool LevelMap::Owns(const MapObject* object) const {
    return std::any_of(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == object; });
}

void LevelMap::Delete(MapObject* object) {
    std::erase_if(removals_, [&](const Removal& r) { return r.object == object; });
    auto it = std::find_if(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == object; });
    if (it == owned_.end()) return;
    std::unique_ptr<MapObject> gone = std::move(*it);
    owned_.erase(it);
    gone->RemoveFromLevel();
}

void LevelMap::QueueRemoval(MapObject* object, uint32_t afterMs) {
    for (Removal& removal : removals_) {
        if (removal.object == object) {
            removal.time = clock_ + afterMs;
            return;
        }
    }
    removals_.push_back({object, clock_ + afterMs});
}

void LevelMap::Update(uint32_t ms) {
    clock_ += ms;
    // Collected first: deleting an object may send another away.
    for (size_t i = 0; i < removals_.size();) {
        if (int32_t(clock_ - removals_[i].time) >= 0) {
            MapObject* object = removals_[i].object;
            removals_.erase(removals_.begin() + ptrdiff_t(i));
            Delete(object);
            i = 0;
        } else {
            ++i;
        }
    }
}

void LevelMap::Insert(MapObject* object, int32_t layer) {
    layers_[size_t(layer)].push_back(object);
}

void LevelMap::Erase(MapObject* object) {
    for (auto& layer : layers_)
        std::erase(layer, object);
}

void LevelMap::SortLayers() {
    for (auto& layer : layers_) {
        std::stable_sort(layer.begin(), layer.end(), [](const MapObject* a, const MapObject* b) {
            return a->SortLine() < b->SortLine();
        });
    }
}

void LevelMap::Draw(DXLViewer& viewer) {
    SortLayers();
    for (int32_t layer = MapObject::kLayerCount - 1; layer >= 0; --layer) {
        for (MapObject* object : layers_[size_t(layer)]) {
            if (!object->IsHidden()) object->Draw(viewer);
        }
    }
}

MapObject* LevelMap::PointPictureAt(float x, float y) {
    // Drawing goes from layer 4 to layer 0 and, within a layer, along the
    // sort lines: the first cover met going the other way is in front.
    SortLayers();
    for (const auto& layer : layers_) {
        for (auto it = layer.rbegin(); it != layer.rend(); ++it) {
            MapObject* object = *it;
            if (object->IsPointPicture() && !object->IsHidden() && object->Covers(x, y)) return object;
        }
    }
    return nullptr;
}

bool LevelMap::HasPointPicture(int32_t point) const {
    return std::any_of(layers_.begin(), layers_.end(), [point](const std::vector<MapObject*>& layer) {
        return std::any_of(layer.begin(), layer.end(), [point](const MapObject* object) {
            return object->IsPointPicture() && object->GetPointIndex() == point;
        });
    });
}

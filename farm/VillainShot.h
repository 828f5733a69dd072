#pragma once
// A villain's shot: it flies straight from the catapult's launch point to
// its target point in the kind's flight time (never faster than the kind's
// highest speed), trailing gas. Clicked in flight it bursts and pays; at a
// live point it damages it; with its target gone it bursts harmlessly.
//
// Save record (28 bytes): {u32 28, u32 finished, u32 target point, u32 kind
// id, i32 start x, i32 start y, f32 travelled}; a finished shot writes
// nothing after its flag and is skipped when loaded.

#include "farm/VillainHost.h"
#include "level/MapObject.h"

#include <cstdint>
#include <memory>

class FarmVillains;
struct GPSDescription;
class GPSEmiter;
class Sprite;
class SpriteInstance;
class SpriteLibraries;
class SpriteLibrary;
class SaveReader;
class SaveWriter;
struct VILLAININFO;

// The shots' pictures (the bullet, the gas cloud, the trail's particles),
// looked up the first time a shot needs them and again only when the sprite
// libraries change. The shots' owner keeps one for all of its shots.
class ShotSprites {
  public:
    Sprite* Bullet() { return Cached(u"bullet_01", &bullet_); }
    Sprite* Gas() { return Cached(u"gas", &gas_); }
    const GPSDescription* Trail();

  private:
    struct Entry {
        Sprite* sprite = nullptr;         // owned by the library
        SpriteLibrary* library = nullptr; // the library it was looked up in
    };
    static Sprite* Cached(const char16_t* name, Entry* entry);

    Entry bullet_, gas_;
    const GPSDescription* trail_ = nullptr; // owned by the libraries
    SpriteLibraries* trailLibraries_ = nullptr;
};

class VillainShot : public DynObject {
  public:
    static constexpr uint32_t kRecordSize = 28;
    // The kind's frame time when its sprite gives none.
    static constexpr uint32_t kDefaultFrameMs = 60;

    // From (x, y) towards the target point. fired: the swell of a new shot.
    // The host answers the target's place; a target that does not exist
    // leaves the shot where it starts (it bursts on its first update).
    VillainShot(FarmVillains* owner, float x, float y, int32_t target, const VILLAININFO* info, bool fired);
    ~VillainShot() override;

    // One level tick.
    void Update(uint32_t ms);
    void Draw(DXLViewer& viewer) override;
    // A hovered shot answers no point.
    int32_t GetPointIndex() const override { return -1; }
    // Bursts the shot and pays the kind's click money.
    bool OnClick() override;
    // Once: the gas replaces the bullet and the trail goes.
    void Burst();

    void Save(SaveWriter& out) const;
    // Reads one record: null with *ok true for a finished shot, null with
    // *ok false for a record that does not fit (size, kind, target,
    // distance); else the shot.
    static std::unique_ptr<VillainShot> Load(FarmVillains* owner, SaveReader& in, bool* ok);

    int32_t Target() const { return target_; }
    float StartX() const { return startX_; }
    float StartY() const { return startY_; }
    float Length() const { return length_; }
    float Speed() const { return speed_; }
    float Travelled() const { return travelled_; }
    // The rest of the flight takes the ticks from now on.
    void Retime(uint32_t ticks) {
        if (ticks > 0 && length_ > travelled_) speed_ = (length_ - travelled_) / float(ticks);
    }
    bool IsBurst() const { return burst_; }
    bool IsRemoved() const { return removed_; }
    bool HasTrail() const { return trail_ != nullptr; }
    int32_t Frame() const { return frame_; }
    const VILLAININFO* Info() const { return info_; }

  private:
    friend class FarmVillains; // hands a loaded shot over
    void SetTravelled(float travelled);
    void Land();

    FarmVillains* owner_; // owns the shot
    int32_t target_;
    float startX_, startY_;
    const VILLAININFO* info_; // owned by the villain table
    float dx_ = 0.0f, dy_ = 0.0f;
    float length_ = 0.0f;
    float speed_ = 0.0f;
    float travelled_ = 0.0f;
    bool burst_ = false;
    bool removed_ = false;
    uint32_t animMs_ = 0;
    int32_t frame_ = 0;
    float angle_ = 0.0f;
    std::unique_ptr<SpriteInstance> sprite_;
    GPSEmiter* trail_ = nullptr; // owned by the particle space
};

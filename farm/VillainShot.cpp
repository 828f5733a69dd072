#include "farm/VillainShot.h"

#include "engine/Log.h"
#include "farm/FarmVillains.h"
#include "farm/Villains.h"
#include "foundation/Ident.h"
#include "level/Records.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int32_t kEffectLibrary = 8;
constexpr float kShotScale = 0.5f;
constexpr float kGasSpeed = 2.0f;

// The ball and the gas cloud are drawn in the middle of their pictures, and
// the shot turns about that middle as it flies: its drawn centre stays on the
// position that takes its clicks, at every angle and scale.
std::unique_ptr<SpriteInstance> CentredInstance(Sprite* sprite) {
    if (!sprite) return nullptr;
    std::unique_ptr<SpriteInstance> instance = sprite->GetLibrary()->CreateInstance(sprite, 0);
    if (!instance) return nullptr;
    instance->originX = instance->originY = 0.5f;
    instance->scaleX = instance->scaleY = kShotScale;
    return instance;
}

uint32_t FrameTime(const Sprite* sprite) {
    const uint32_t t = sprite ? sprite->GetDefaultFrameTime() : 0;
    return t ? t : VillainShot::kDefaultFrameMs;
}

} // namespace

Sprite* ShotSprites::Cached(const char16_t* name, Entry* entry) {
    SpriteLibrary* library = GetLibrary(kEffectLibrary);
    if (library != entry->library) {
        entry->library = library;
        entry->sprite = library ? library->FindSprite(name) : nullptr;
    }
    return entry->sprite;
}

const GPSDescription* ShotSprites::Trail() {
    if (GetSpriteLibraries() != trailLibraries_) {
        trailLibraries_ = GetSpriteLibraries();
        trail_ = trailLibraries_
                     ? FindParticleDescription(&trailLibraries_->particles, kis::NameId("bullet_gas"))
                     : nullptr;
    }
    return trail_;
}

VillainShot::VillainShot(FarmVillains* owner, float x, float y, int32_t target, const VILLAININFO* info,
                         bool fired)
    : DynObject(owner->Map(), -1), owner_(owner), target_(target), startX_(x), startY_(y), info_(info) {
    sprite_ = CentredInstance(owner_->Sprites().Bullet());
    float tx = x, ty = y;
    owner_->Host().PointPosition(target, &tx, &ty);
    dx_ = tx - x;
    dy_ = ty - y;
    length_ = std::sqrt(dx_ * dx_ + dy_ * dy_);
    angle_ = float(std::atan2(dy_, dx_) * 180.0 / std::numbers::pi) - 45.0f;
    if (sprite_) sprite_->angle = angle_;
    speed_ = ShotSpeed(length_, info->record.flightTime, info->record.maxShotSpeed);
    SetPosition(x, y);

    GPSSpace* space = owner_->Host().ParticleSpace();
    if (const GPSDescription* trail = space ? owner_->Sprites().Trail() : nullptr) {
        GPSDescription copy = *trail;
        ScaleTrailSizes(&copy.record.emission.sizeMin, &copy.record.emission.sizeMax, TrailFactor(speed_));
        trail_ = space->AddEmitter(copy, &copy.record.emission, x, y);
        trail_->StartEmitting();
    }
    if (fired) AttachEffect(new SEffect_Scale(0.8f, 1.2f, 300, false, 0));
    AddToLevel(0);
}

VillainShot::~VillainShot() {
    // The space owns the emitter and has no call to drop one: it stops.
    if (trail_) trail_->StopEmitting(true);
}

void VillainShot::SetTravelled(float travelled) {
    travelled_ = travelled;
    const float t = length_ > 0.0f ? std::min(travelled_ / length_, 1.0f) : 1.0f;
    MoveTo(startX_ + dx_ * t, startY_ + dy_ * t);
    if (trail_) trail_->SetPosition(x_, y_);
}

void VillainShot::Update(uint32_t ms) {
    if (removed_) return;
    const Sprite* sprite = burst_ ? owner_->Sprites().Gas() : owner_->Sprites().Bullet();
    const int32_t frames = sprite ? sprite->GetFrameCount() : 0;
    animMs_ += ms;
    const float speed = burst_ ? kGasSpeed : 1.0f;
    const int32_t frame = int32_t(float(animMs_) * speed / float(FrameTime(sprite)));
    if (burst_) {
        // The gas plays once; the shot goes with its last frame.
        if (frame + 1 >= frames) {
            removed_ = true;
            return;
        }
        frame_ = frame;
    } else {
        frame_ = frames > 0 ? frame % frames : 0;
    }
    if (sprite_) sprite_->frame = frame_;
    if (burst_) return;
    if (!owner_->Host().TutorialAllows(TutorialAction::Villains, kShotObjectKind,
                                       TutorialObject::Of<VillainShot>(this)))
        return;
    const float travelled = travelled_ + speed_;
    if (travelled >= length_) {
        Land();
        return;
    }
    SetTravelled(travelled);
}

void VillainShot::Land() {
    VillainHost& host = owner_->Host();
    if (!host.IsLivePoint(target_)) {
        LogLabelPrintf(kLogIndent, "Villain shot", "bursts harmlessly: point %d is gone", target_);
        Burst();
        return;
    }
    SetTravelled(length_);
    host.AddDamage(target_, *info_, true);
    LogLabelPrintf(kLogIndent, "Villain shot", "lands on point %d: its puddle (damage %d)", target_,
                   info_->record.damage);
    host.PlayEventSound(kSoundShotLands);
    removed_ = true;
}

void VillainShot::Burst() {
    if (burst_ || removed_) return;
    burst_ = true;
    animMs_ = 0;
    frame_ = 0;
    sprite_ = CentredInstance(owner_->Sprites().Gas());
    if (trail_) trail_->StopEmitting(true);
    trail_ = nullptr;
}

bool VillainShot::OnClick() {
    if (burst_ || removed_) return false;
    VillainHost& host = owner_->Host();
    host.PlayEventSound(kSoundShotClicked);
    LogLabelPrintf(kLogIndent, "Villain shot", "clicked in flight at %.0f of %.0f pixels: pays %d",
                   travelled_, length_, info_->record.shotClickMoney);
    host.AddMoney(info_->record.shotClickMoney, int32_t(std::lround(x_)), int32_t(std::lround(y_)),
                  kShotMoneyOffset);
    Burst();
    return true;
}

void VillainShot::Draw(DXLViewer& viewer) {
    if (removed_ || !sprite_) return;
    DXLMatrix saved;
    const uint32_t colour = BeginDraw(viewer, 0xFFFFFFFF, &saved);
    DXLMatrix atShot;
    viewer.GetTransform(&atShot);
    sprite_->colour = colour;
    sprite_->Draw(viewer);
    if (!burst_ && highlighted_) {
        // Lit by the pointer: the ball once more, added over itself in grey.
        // It follows the plain drawing, whose texture is still bound, so the
        // added blend holds for it; the instance's draw moved the view.
        viewer.SetTransform(&atShot);
        viewer.SetBlendMode(kBlendAdditive);
        sprite_->colour = (colour & 0xFF000000) | 0x404040;
        sprite_->Draw(viewer);
        viewer.SetBlendMode(kBlendAlpha);
    }
    highlighted_ = false;
    EndDraw(viewer, saved);
}

namespace {

// A shot's record: its head, then, for a shot still in flight, where it flies.
// The size word counts the flight part even when a finished shot leaves it out.
struct ShotHead {
    uint32_t size;     // VillainShot::kRecordSize
    uint32_t finished; // 0 or 1
};
constexpr auto kShotHeadLayout =
    kis::Layout(8, kis::Field<&ShotHead::size>(0), kis::Field<&ShotHead::finished>(4));
struct ShotFlight {
    uint32_t target; // the point's index
    uint32_t kind;   // the villain kind's id
    int32_t startX, startY;
    float travelled; // pixels
};
constexpr auto kShotFlightLayout =
    kis::Layout(VillainShot::kRecordSize - kShotHeadLayout.size, kis::Field<&ShotFlight::target>(0),
                kis::Field<&ShotFlight::kind>(4), kis::Field<&ShotFlight::startX>(8),
                kis::Field<&ShotFlight::startY>(12), kis::Field<&ShotFlight::travelled>(16));

} // namespace

void VillainShot::Save(SaveWriter& out) const {
    const bool finished = burst_ || removed_;
    PutRecord(out, kShotHeadLayout, {kRecordSize, finished ? 1u : 0u});
    if (finished) return;
    PutRecord(out, kShotFlightLayout,
              {uint32_t(target_), info_->record.id, int32_t(std::lround(startX_)),
               int32_t(std::lround(startY_)), travelled_});
}

std::unique_ptr<VillainShot> VillainShot::Load(FarmVillains* owner, SaveReader& in, bool* ok) {
    *ok = false;
    ShotHead head;
    if (!GetRecord(in, kShotHeadLayout, &head) || head.size != kRecordSize || head.finished > 1)
        return nullptr;
    if (head.finished) {
        *ok = true;
        return nullptr;
    }
    ShotFlight flight;
    if (!GetRecord(in, kShotFlightLayout, &flight)) return nullptr;
    const uint32_t target = flight.target;
    const uint32_t kind = flight.kind;
    const int32_t x = flight.startX;
    const int32_t y = flight.startY;
    const float travelled = flight.travelled;
    const VILLAININFO* info = owner->Table() ? owner->Table()->FindVillainInfo(kind) : nullptr;
    // The target's position is read at once: the index must name a point.
    if (!info || target >= uint32_t(owner->Host().PointCount())) return nullptr;
    // Shots fly from where the villains stand: a launch point of the level's places.
    if (!std::isfinite(travelled) || travelled < 0.0f || !owner->IsLaunchPoint(x, y)) return nullptr;
    auto shot = std::make_unique<VillainShot>(owner, float(x), float(y), int32_t(target), info, false);
    // A shot in flight has not reached its target: it lands at the end of its
    // way. The start is saved in whole pixels, which moves that end by less
    // than one.
    if (travelled > shot->length_ + 1.0f) return nullptr;
    shot->SetTravelled(std::min(travelled, shot->length_));
    shot->travelled_ = travelled;
    LogLabelPrintf(kLogIndent, "Villain shot", "in flight at point %d goes on from %.2f of %.2f pixels",
                   int32_t(target), travelled, shot->length_);
    *ok = true;
    return shot;
}

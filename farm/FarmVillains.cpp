#include "farm/FarmVillains.h"

#include "engine/Log.h"
#include "farm/FarmResources.h"
#include "farm/VillainRules.h"
#include "farm/Villains.h"
#include "level/Records.h"
#include "level/SaveStream.h"

#include <algorithm>
#include <cmath>

namespace {

// The figures' places around their foot point (villain 48 x 64 from
// (24, 60), catapult 64 x 56 from (32, 52)), a little narrower than drawn,
// where a figure has no picture to take its click.
struct Box {
    float left, top, right, bottom;
    bool Holds(float x, float y, float px, float py) const {
        return px >= x + left && px <= x + right && py >= y + top && py <= y + bottom;
    }
};
constexpr Box kVillainBox = {-18.0f, -60.0f, 18.0f, 4.0f};
constexpr Box kCatapultBox = {-28.0f, -48.0f, 28.0f, 4.0f};

// A figure takes a click where its animation's frame is drawn.
bool FigureAt(const MapCharacter& figure, const Box& box, float x, float y) {
    return figure.Track().Variant() ? figure.Covers(x, y) : box.Holds(figure.X(), figure.Y(), x, y);
}

bool Refuse(std::string* why, const std::string& text) {
    if (why && why->empty()) *why = text;
    return false;
}

} // namespace

int32_t LoadVillainCrosses(FarmResources* resources) {
    int32_t found = 0;
    for (const char16_t* name : {u"villain_cross_1", u"villain_cross_2", u"villain_cross_3"}) {
        Sprite* sprite = resources ? resources->FindSprite(kLevelLibrary, name) : nullptr;
        if (!sprite) continue;
        resources->AcquireSprite(sprite);
        ++found;
    }
    return found;
}

FarmVillains::FarmVillains(const Setup& setup) : setup_(setup), slots_(setup.places.size(), nullptr) {}

FarmVillains::~FarmVillains() {
    Clear();
}

void FarmVillains::Clear() {
    // Shots first: nothing of theirs points at a villain.
    shots_.clear();
    std::fill(slots_.begin(), slots_.end(), nullptr);
    while (!villains_.empty())
        villains_.pop_back();
}

bool FarmVillains::IsVillainPlaceFree(uint32_t place) const {
    return place < slots_.size() && slots_[place] == nullptr;
}

MapVillain* FarmVillains::VillainAt(uint32_t place) const {
    return place < slots_.size() ? slots_[place] : nullptr;
}

MapVillain* FarmVillains::CreateVillain(uint32_t place, uint32_t kind) {
    const VILLAININFO* info = setup_.table ? setup_.table->FindVillainInfo(kind) : nullptr;
    if (!info || place >= slots_.size() || !setup_.villain) return nullptr;
    if (MapVillain* old = slots_[place]) {
        slots_[place] = nullptr;
        std::erase_if(villains_, [&](const auto& v) { return v.get() == old; });
    }
    villains_.push_back(
        std::make_unique<MapVillain>(this, setup_.villain, int32_t(place), setup_.places[place], info));
    MapVillain* villain = villains_.back().get();
    slots_[place] = villain;
    villain->SetArrivalSoundPending();
    villain->ShowCross();
    villain->AddToLevel(0);
    const VillainPlace& at = setup_.places[place];
    LogLabelPrintf(kLogIndent, "Villain", "comes to place %u: it walks in from (%d, %d) to (%d, %d)", place,
                   at.startX, at.startY, at.installX, at.installY);
    return villain;
}

void FarmVillains::ReleaseSlot(int32_t place, const MapVillain* villain) {
    if (place >= 0 && size_t(place) < slots_.size() && slots_[size_t(place)] == villain)
        slots_[size_t(place)] = nullptr;
}

void FarmVillains::AttackVillainsByBees() {
    for (const auto& villain : villains_)
        if (villain->State() == kVillainArriving || villain->State() == kVillainAttacking)
            villain->AttackByBees();
}

VillainShot* FarmVillains::NearestShot(float x, float y) const {
    VillainShot* nearest = nullptr;
    float best = kShotClickRadius;
    for (const auto& shot : shots_) {
        if (shot->IsBurst() || shot->IsRemoved()) continue;
        const float d = std::hypot(shot->X() - x, shot->Y() - y);
        if (d <= best) best = d, nearest = shot.get();
    }
    return nearest;
}

VillainShot* FarmVillains::PickableShot(float x, float y) const {
    VillainShot* nearest = NearestShot(x, y);
    if (nearest && Host().TutorialAllows(TutorialAction::PickObject, kShotObjectKind,
                                         TutorialObject::Of<VillainShot>(nearest)))
        return nearest;
    return nullptr;
}

MapVillain* FarmVillains::PickableVillain(float x, float y) const {
    // The front-most figure first: the one lowest on the field.
    MapVillain* hit = nullptr;
    for (const auto& villain : villains_) {
        if (villain->State() > kVillainLeaving || !villain->IsOnLevel()) continue;
        if (!Host().TutorialAllows(TutorialAction::PickObject, kVillainObjectKind,
                                   TutorialObject::Of<MapVillain>(villain.get())))
            continue;
        const MapCatapult* catapult = villain->Catapult();
        const bool onVillain = FigureAt(*villain, kVillainBox, x, y);
        const bool onCatapult = catapult && catapult->IsOnLevel() && FigureAt(*catapult, kCatapultBox, x, y);
        if ((onVillain || onCatapult) && (!hit || villain->Y() > hit->Y())) hit = villain.get();
    }
    return hit;
}

bool FarmVillains::ClickAt(float x, float y) {
    if (VillainShot* shot = PickableShot(x, y)) return shot->OnClick();
    MapVillain* hit = PickableVillain(x, y);
    return hit && hit->OnClick();
}

void FarmVillains::Hover(bool inField, float x, float y) {
    VillainShot* shot = inField ? PickableShot(x, y) : nullptr;
    if (shot) shot->Highlight(true);
    MapVillain* hovered = inField && !shot ? PickableVillain(x, y) : nullptr;
    for (const auto& villain : villains_) {
        const bool on = villain.get() == hovered;
        if (villain->IsHighlighted() != on) villain->Highlight(on);
    }
}

bool FarmVillains::IsLaunchPoint(int32_t x, int32_t y) const {
    return std::any_of(setup_.places.begin(), setup_.places.end(), [&](const VillainPlace& place) {
        const VillainOffset o = LaunchOffset(place.direction % kVillainDirections);
        return int64_t(place.installX) + o.x == x && int64_t(place.installY) + o.y == y;
    });
}

VillainShot* FarmVillains::AddShot(float x, float y, int32_t target, const VILLAININFO* info, bool fired) {
    if (!info || shots_.size() >= kMaxShots) return nullptr;
    shots_.push_back(std::make_unique<VillainShot>(this, x, y, target, info, fired));
    return shots_.back().get();
}

void FarmVillains::TickShots(uint32_t ms) {
    // By index: a landing shot may make the level fire no new one, but the
    // list must not be walked by iterators while it could grow.
    for (size_t i = 0; i < shots_.size(); ++i)
        shots_[i]->Update(ms);
    std::erase_if(shots_, [](const auto& shot) { return shot->IsRemoved(); });
}

void FarmVillains::TickVillains(uint32_t ms) {
    for (size_t i = 0; i < villains_.size(); ++i)
        villains_[i]->Update(ms);
    RemoveGone();
}

void FarmVillains::RemoveGone() {
    for (size_t i = 0; i < villains_.size();) {
        MapVillain* villain = villains_[i].get();
        if (!villain->IsRemovalDue()) {
            ++i;
            continue;
        }
        std::replace(slots_.begin(), slots_.end(), villain, static_cast<MapVillain*>(nullptr));
        villain->RemoveFromLevel();
        villains_.erase(villains_.begin() + ptrdiff_t(i));
    }
}

void FarmVillains::SaveVillains(SaveWriter& out) const {
    uint32_t live = 0;
    for (const auto& shot : shots_)
        live += shot->IsRemoved() ? 0 : 1;
    out.PutU32(live);
    for (const auto& shot : shots_)
        if (!shot->IsRemoved()) shot->Save(out);

    out.PutU32(uint32_t(slots_.size()));
    for (size_t place = 0; place < slots_.size(); ++place) {
        const MapVillain* villain = slots_[place];
        if (!villain) {
            // A villain that let go of this place and is still on its way.
            for (const auto& v : villains_)
                if (v->PlaceIndex() < 0 && v->HomePlace() == int32_t(place) && !v->IsRemovalDue()) {
                    villain = v.get();
                    break;
                }
        }
        out.PutU32(villain ? villain->Info()->record.id : 0);
        if (!villain) continue;
        SaveWriter block;
        if (!villain->SaveState(block)) {
            out.Alloc(0xFFFFFFFFu); // fails the stream: a save that cannot be read back
            return;
        }
        if (uint8_t* p = out.Alloc(uint32_t(block.Size()), false))
            std::copy(block.Bytes().begin(), block.Bytes().end(), p);
    }
}

bool FarmVillains::LoadVillains(SaveReader& in, uint32_t placeCount, std::string* why) {
    const uint32_t shotCount = in.ReadU32();
    if (in.Failed() || shotCount > kMaxShots) return Refuse(why, "shot count");
    if (size_t(shotCount) * 8 > in.Remaining()) return Refuse(why, "shot records cut short");

    // Built aside and taken only whole: a refused save leaves the level's.
    FarmVillains loaded(setup_);
    for (uint32_t i = 0; i < shotCount; ++i) {
        bool ok = false;
        std::unique_ptr<VillainShot> shot = VillainShot::Load(&loaded, in, &ok);
        if (!ok) return Refuse(why, "shot record " + std::to_string(i));
        if (shot) loaded.shots_.push_back(std::move(shot));
    }
    const uint32_t places = in.ReadU32();
    if (in.Failed() || places != placeCount || places != slots_.size()) return Refuse(why, "place count");
    for (uint32_t place = 0; place < places; ++place) {
        const uint32_t kind = in.ReadU32();
        if (in.Failed()) return Refuse(why, "place record cut short");
        if (kind == 0) continue;
        const VILLAININFO* info = setup_.table ? setup_.table->FindVillainInfo(kind) : nullptr;
        if (!info || !setup_.villain) return Refuse(why, "unknown villain kind");
        loaded.villains_.push_back(std::make_unique<MapVillain>(&loaded, setup_.villain, int32_t(place),
                                                                setup_.places[place], info));
        MapVillain* villain = loaded.villains_.back().get();
        const uint8_t* rest = in.ReadPtr(0);
        const size_t left = in.Remaining();
        SaveReader reader(std::span<const uint8_t>(rest, left));
        std::string reason;
        if (!rest || !villain->LoadState(reader, &reason)) return Refuse(why, "villain: " + reason);
        // The jobs must be the ones the saved state runs.
        for (int32_t j = 0; j < villain->JobCount(); ++j) {
            const uint32_t id = villain->GetJob(j)->JobId();
            const int32_t s = villain->State();
            const bool fits =
                (id == JOBID_VILLAINENTER && s == kVillainArriving) ||
                (id == JOBID_VILLAINSHOT && (s == kVillainAttacking || s == kVillainTutorialHold)) ||
                (id == JOBID_VILLAINLEAVE && s == kVillainLeaving) ||
                (id == JOBID_VILLAINRUN && s == kVillainRunningAway);
            if (!fits) return Refuse(why, "a villain's job does not fit its state");
        }
        in.ReadPtr(uint32_t(reader.Position()));
        if (villain->PlaceIndex() >= 0) loaded.slots_[place] = villain;
    }
    if (in.Failed()) return Refuse(why, "villains cut short");

    Clear();
    for (auto& shot : loaded.shots_) {
        shot->owner_ = this;
        shots_.push_back(std::move(shot));
    }
    loaded.shots_.clear();
    for (auto& villain : loaded.villains_) {
        villain->owner_ = this;
        villains_.push_back(std::move(villain));
    }
    loaded.villains_.clear();
    slots_ = loaded.slots_;
    std::fill(loaded.slots_.begin(), loaded.slots_.end(), nullptr);
    for (const auto& villain : villains_)
        villain->FinishLoad();
    return true;
}

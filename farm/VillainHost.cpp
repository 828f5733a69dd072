#include "farm/VillainHost.h"
#include "farm/FarmHost.h"

#include "farm/Villains.h"
#include "level/GameLevel.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>

namespace {

// A depth that sorts an object after everything else on its layer.
constexpr int32_t kTopDepth = 1000000;
constexpr uint32_t kPulseMs = 150;

} // namespace

// ---------------------------------------------------------------- MapHealthBar

class MapHealthBar::Picture : public MapObject {
  public:
    Picture(LevelMap* map, int32_t x, int32_t y) : MapObject(map, -1) {
        SetPosition(float(x), float(y));
        for (int i = 0; i < 2; ++i) {
            Sprite* sprite = GetSprite(kLibrary, i == 0 ? u"vil_health_bar" : u"vil_health_back");
            SpriteLibrary* library = sprite ? sprite->GetLibrary() : nullptr;
            pieces_[i] = library ? library->CreateInstance(sprite, 0) : nullptr;
            if (pieces_[i]) pieces_[i]->originX = 0.0f, pieces_[i]->originY = 0.0f;
        }
    }
    int32_t Depth() const override { return kTopDepth; }

    void SetQuads(std::vector<HealthBarQuad> quads) { quads_ = std::move(quads); }

    void Draw(DXLViewer& viewer) override {
        DXLMatrix saved;
        const uint32_t colour = BeginDraw(viewer, 0xFFFFFFFF, &saved);
        if ((colour >> 24) != 0) {
            for (const HealthBarQuad& q : quads_) {
                SpriteInstance* piece = pieces_[q.filled ? 0 : 1].get();
                if (!piece) continue;
                // Unscaled: each piece is drawn at its frame's left, and
                // the next one covers what lies beyond its width.
                piece->frame = int32_t(q.piece);
                piece->colour = colour;
                DXLMatrix at;
                viewer.GetTransform(&at);
                viewer.Translate(q.x, q.y);
                viewer.ApplyTransform();
                piece->Draw(viewer);
                viewer.SetTransform(&at);
                viewer.ApplyTransform();
            }
        }
        EndDraw(viewer, saved);
    }

  private:
    std::unique_ptr<SpriteInstance> pieces_[2];
    std::vector<HealthBarQuad> quads_;
};

MapHealthBar::MapHealthBar(LevelMap* map, int32_t x, int32_t y, int32_t maximum)
    : maximum_(std::max(maximum, 0)), value_(maximum_) {
    if (!map) return;
    auto picture = std::make_unique<Picture>(map, x, y);
    picture_ = static_cast<Picture*>(map->Adopt(std::move(picture)));
    // Relative to its place: the bar's place is the object's.
    picture_->SetQuads(BuildHealthBar(maximum_, value_, 0.0f, 0.0f));
    picture_->SetAlpha(0.0f);
    picture_->AddToLevel(0);
}

MapHealthBar::~MapHealthBar() {
    if (!picture_ || !picture_->Map()) return;
    if (!shown_) {
        picture_->Map()->Delete(picture_);
        return;
    }
    MapObject::AddEffect(picture_, 0, new SEffect_Alpha(1.0f, 0.0f, 200, true, 0));
}

void MapHealthBar::SetValue(int32_t value) {
    value = std::clamp(value, 0, maximum_);
    if (value == value_) return;
    value_ = value;
    if (picture_) picture_->SetQuads(BuildHealthBar(maximum_, value_, 0.0f, 0.0f));
}

void MapHealthBar::Show(uint32_t ms) {
    if (shown_) return;
    shown_ = true;
    if (!picture_) return;
    picture_->SetAlpha(1.0f);
    picture_->AttachEffect(new SEffect_Alpha(0.0f, 1.0f, ms, true, 0));
}

void MapHealthBar::Hide(uint32_t ms) {
    if (!shown_) return;
    shown_ = false;
    if (!picture_) return;
    (void)ms; // gone at once: a fade would end with the bar shown again
    picture_->StopEffects();
    picture_->SetAlpha(0.0f);
}

void MapHealthBar::Pulse() {
    if (!picture_) return;
    picture_->AttachEffect(new SEffect_Scale(1.0f, 1.2f, kPulseMs / 2, true, 0));
    picture_->AttachEffect(new SEffect_Scale(1.2f, 1.0f, kPulseMs / 2, true, kPulseMs / 2));
}

// ---------------------------------------------------------------- MapParticleLayer

MapParticleLayer::MapParticleLayer(LevelMap* map)
    : MapObject(map, -1), space_(std::make_unique<GPSSpace>()) {}

MapParticleLayer::~MapParticleLayer() = default;

void MapParticleLayer::Update(uint32_t ms) {
    space_->Update(ms);
}

void MapParticleLayer::Draw(DXLViewer& viewer) {
    space_->Draw(viewer);
}

// ---------------------------------------------------------------- PlainHealthBar

PlainHealthBar::PlainHealthBar(int32_t x, int32_t y, int32_t maximum)
    : x_(x), y_(y), maximum_(maximum > 0 ? maximum : 0), value_(maximum_) {
    quads_ = BuildHealthBar(maximum_, value_, float(x_), float(y_));
}

void PlainHealthBar::SetValue(int32_t value) {
    value = value < 0 ? 0 : value > maximum_ ? maximum_ : value;
    if (value == value_) return;
    value_ = value;
    quads_ = BuildHealthBar(maximum_, value_, float(x_), float(y_));
}

// ---------------------------------------------------------------- VillainLevelHost

VillainLevelHost::VillainLevelHost(GameLevel* level, FarmHost* farm) : level_(level), farm_(farm) {}

void VillainLevelHost::PlayEventSound(uint32_t slot) {
    farm_->PlayEventSound(slot);
}
void VillainLevelHost::PlaySound(uint32_t sound) {
    farm_->PlaySoundOnce(sound);
}
bool VillainLevelHost::TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) {
    return farm_->TutorialAllows(action, tag, data);
}
void VillainLevelHost::TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) {
    farm_->TutorialNotify(event, a, b);
}
GPSSpace* VillainLevelHost::ParticleSpace() {
    return farm_->ParticleSpace();
}

void VillainLevelHost::AddMoney(int32_t amount, int32_t x, int32_t y, int32_t offset) {
    level_->AddMoney(amount, x, y, offset);
}

void VillainLevelHost::AddAwardCount(uint32_t award, int32_t n) {
    level_->AddAwardCount(award, n);
}

void VillainLevelHost::ResetVillainsInARow() {
    level_->ResetVillainsInARow();
}

void VillainLevelHost::RaiseVillainsInARow() {
    level_->RaiseVillainsInARow();
}

int32_t VillainLevelHost::ChooseShotTarget(int32_t x, int32_t y) {
    const BaseLevelPoint* point = level_->ChooseShotTarget(x, y);
    return point ? int32_t(point->Index()) : -1;
}

bool VillainLevelHost::IsLivePoint(int32_t index) const {
    return level_->GetLivePoint(index) != nullptr;
}

bool VillainLevelHost::PointPosition(int32_t index, float* x, float* y) const {
    const BaseLevelPoint* point = level_->GetPoint(index);
    if (!point) return false;
    *x = float(point->X());
    *y = float(point->Y());
    return true;
}

int32_t VillainLevelHost::PointCount() const {
    return int32_t(level_->PointCount());
}

void VillainLevelHost::AddDamage(int32_t index, const VILLAININFO& info, bool animated) {
    if (BaseLevelPoint* point = level_->GetLivePoint(index)) point->AddDamage(info.record.damage, animated);
}

std::unique_ptr<VillainHealthBar> VillainLevelHost::CreateHealthBar(int32_t x, int32_t y, int32_t maximum) {
    std::unique_ptr<VillainHealthBar> bar = farm_->CreateHealthBar(x, y, maximum);
    return bar ? std::move(bar) : std::make_unique<PlainHealthBar>(x, y, maximum);
}

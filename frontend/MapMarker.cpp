#include "frontend/MapMarker.h"

#include "app/GameStates.h"
#include "app/Profiles.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/NumberText.h"
#include "level/GameCharacter.h"
#include "sprites/FrameSequence.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"
#include "text/KGEText.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int32_t kSignFont = 4;
constexpr int32_t kMedalFont = 8;
constexpr MapPoint kSignOffset{-24, -57};
constexpr MapPoint kSignNumber{22, 29}; // the number's centre from the sign's origin
constexpr uint32_t kGlowColour = 0xFFFFBE;
constexpr uint32_t kGlowAlpha = 160;
constexpr uint32_t kSelectionColour = 0x20C0FFA0;

std::unique_ptr<KGETextW> MakeText(int32_t font, int32_t number) {
    KGEFont* kge = GetFont(font);
    DXLViewer* viewer = GetAppServices().viewer;
    if (!kge || !viewer) return nullptr;
    const std::u16string text = kis::DecimalText(number);
    KGETextParams params = KGEDefaultTextParams();
    KGETextW* made = nullptr;
    const HResult hr = KGECreateText(viewer, kge, &params, text.c_str(), kKgeToTerminator, nullptr, &made);
    std::unique_ptr<KGETextW> owned(made);
    return Failed(hr) ? nullptr : std::move(owned);
}

uint32_t WithAlpha(uint32_t rgb, uint32_t alpha) {
    return (alpha << 24) | (rgb & 0xFFFFFF);
}

// A lit figure is drawn again, additively, with a quarter of its alpha.
uint32_t HighlightAlpha(uint32_t alpha) {
    return alpha == 255 ? 0x40 : alpha / 4;
}

void DrawInstance(DXLViewer& viewer, SpriteInstance& sprite, uint32_t alpha, bool lit) {
    sprite.colour = WithAlpha(0xFFFFFF, alpha);
    viewer.SetBlendMode(kBlendAlpha);
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    sprite.Draw(viewer);
    viewer.SetTransform(&saved);
    if (!lit) return;
    sprite.colour = WithAlpha(0xFFFFFF, HighlightAlpha(alpha));
    viewer.SetBlendMode(kBlendAdditive);
    sprite.Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.SetBlendMode(kBlendAlpha);
}

void DrawText(DXLViewer& viewer, KGETextW& text, float x, float y, uint32_t colour, uint32_t alpha) {
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(x, y);
    viewer.ApplyTransform();
    text.SetColor(WithAlpha(colour, alpha));
    text.Draw();
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

SpriteLibrary* MapLibrary() {
    return GetLibrary(kMapSpriteLibrary);
}

} // namespace

float MapFade::Value() const {
    if (elapsed <= delay) return from;
    const float t = std::min(1.0f, float(elapsed - delay) / float(length));
    return from + (to - from) * t;
}

uint32_t MapFade::Alpha() const {
    return uint32_t(std::lround(std::clamp(Value(), 0.0f, 1.0f) * 255.0f));
}

// ---------------------------------------------------------------- decorations

MLSSprite::MLSSprite(const MapDecorationEntry& entry, bool centred)
    : BaseMLS(entry.mask), fields_(ReadSpriteFields(entry)), centred_(centred) {
    if (SpriteLibrary* library = MapLibrary())
        sprite_ = library->CreateInstanceByName(fields_.name.c_str(), fields_.flag);
    if (!sprite_) return;
    sprite_->scaleX = sprite_->scaleY = fields_.scale;
}

MLSSprite::~MLSSprite() = default;

void MLSSprite::OnShown() {
    time_ = 0;
    if (sprite_) sprite_->frame = 0;
}

void MLSSprite::Update(uint32_t dt) {
    if (!sprite_ || !fields_.frameMs) return;
    time_ += dt;
    FrameSequence sequence;
    SetFrameSequence(&sequence, fields_.mode, 0, sprite_->definition->GetFrameCount(), fields_.frameMs, 0, 0);
    sprite_->frame = FrameSequenceFrameAt(&sequence, time_);
}

void MLSSprite::Draw(DXLViewer& viewer, uint32_t alpha, bool lit) {
    if (!sprite_) return;
    float x = float(fields_.x), y = float(fields_.y);
    if (centred_) {
        x -= float(sprite_->definition->GetWidth()) * fields_.scale / 2.0f;
        y -= float(sprite_->definition->GetHeight()) * fields_.scale / 2.0f;
    }
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(x, y);
    DrawInstance(viewer, *sprite_, alpha, lit);
    viewer.SetTransform(&saved);
}

MLSSign::MLSSign(const MapDecorationEntry& entry, int32_t level)
    : BaseMLS(entry.mask), fields_(ReadSignFields(entry)), number_(level + 1) {
    if (SpriteLibrary* library = MapLibrary()) sign_ = library->CreateInstanceByName(u"sign", 0);
    text_ = MakeText(kSignFont, number_);
}

MLSSign::~MLSSign() = default;

void MLSSign::Draw(DXLViewer& viewer, uint32_t alpha, bool lit) {
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(float(fields_.x + kSignOffset.x), float(fields_.y + kSignOffset.y));
    // The sign grows in and shrinks out.
    const float size = fade ? std::clamp(fade->Value(), 0.0f, 1.0f) : 1.0f;
    if (sign_) {
        sign_->scaleX = sign_->scaleY = size;
        DrawInstance(viewer, *sign_, fade ? 255 : alpha, lit);
    }
    if (text_)
        DrawText(viewer, *text_, float(kSignNumber.x - text_->GetWidth() / 2) * size,
                 float(kSignNumber.y - text_->GetHeight() / 2) * size, lit ? 0xFFFFFF : 0xA0A0A0, alpha);
    viewer.SetTransform(&saved);
}

MLSParticles::MLSParticles(const MapDecorationEntry& entry)
    : BaseMLS(entry.mask), space_(std::make_unique<GPSSpace>()) {
    const MapParticleFields fields = ReadParticleFields(entry);
    scale_ = fields.scale > 0.0f ? fields.scale : 1.0f;
    for (const MapParticleEmitter& emitter : fields.emitters)
        if (const GPSDescription* description = FindMapParticleDescription(emitter.description))
            space_->AddEmitter(*description, nullptr, float(emitter.x) / scale_, float(emitter.y) / scale_);
}

MLSParticles::~MLSParticles() = default;

void MLSParticles::OnShown() {
    space_->StartEmitters();
}

void MLSParticles::OnHiding() {
    space_->StopEmitters(false);
}

void MLSParticles::Update(uint32_t dt) {
    space_->Update(dt);
}

int32_t MLSParticles::EmitterCount() const {
    return space_->EmitterCount();
}

void MLSParticles::Draw(DXLViewer& viewer, uint32_t alpha, bool) {
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Scale(scale_);
    space_->SetAlpha(float(alpha) / 255.0f);
    space_->Draw(viewer);
    viewer.SetTransform(&saved);
}

MLSChars::MLSChars(const MapDecorationEntry& entry, const MapMarkerWorld* world) : BaseMLS(entry.mask) {
    MakeMapAnimals(&animals_, ReadAnimalGroups(entry),
                   [world](uint32_t id) { return world ? world->FindCharacter(id) : nullptr; });
}

void MLSChars::Update(uint32_t dt) {
    for (auto& animal : animals_.animals)
        animal->Update(dt);
}

void MLSChars::Draw(DXLViewer& viewer, uint32_t alpha, bool lit) {
    // Every shadow first, so that no shadow lies over a figure in front.
    for (MapLevelCharacter* animal : animals_.drawOrder)
        animal->DrawShadow(viewer, alpha);
    for (MapLevelCharacter* animal : animals_.drawOrder)
        animal->Draw(viewer, alpha, lit);
}

std::unique_ptr<BaseMLS> MakeDecoration(const MapDecorationEntry& entry, int32_t level,
                                        const MapMarkerWorld* world) {
    switch (entry.kind) {
    case kDecorationSprite:
        return std::make_unique<MLSSprite>(entry, false);
    case kDecorationSpot:
        return std::make_unique<MLSSprite>(entry, true);
    case kDecorationSign:
        return std::make_unique<MLSSign>(entry, level);
    case kDecorationParticles:
        return std::make_unique<MLSParticles>(entry);
    case kDecorationAnimals:
        return std::make_unique<MLSChars>(entry, world);
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------- marker

MapLevelSprite::MapLevelSprite(int32_t level, MapPoint position, bool hasCell, const MapLevelRecord* record,
                               const MapMarkerWorld* world)
    : level_(level), position_(position), hasCell_(hasCell), record_(record), world_(world) {}

MapLevelSprite::~MapLevelSprite() = default;

int32_t MapLevelSprite::DecorationCount() const {
    return int32_t(
        std::count_if(decorations_.begin(), decorations_.end(), [](const auto& d) { return d != nullptr; }));
}

uint32_t MapLevelSprite::GlowAlpha() const {
    if (glowFade_) return kGlowAlpha * glowFade_->Alpha() / 255;
    return glowing_ ? kGlowAlpha : 0;
}

void MapLevelSprite::SetState(uint32_t status, bool animated, uint32_t delay) {
    status_ = status;
    uint32_t mask = kLookPassed;
    if (status <= 2) {
        mask = 1u << status;
        medal_.reset();
        medalFade_.reset();
        number_.reset();
        medalFrame_ = -1;
        showsNumber_ = false;
    } else {
        medalFade_.reset();
        ShowMedal(animated, delay);
    }
    ApplyDecorations(mask, animated, delay);
    glowFade_.reset();
    if (status == 2) {
        if (!glowing_) {
            glowing_ = true;
            if (animated) glowFade_ = MapFade::In(delay + kMapFadeMs);
        }
    } else if (glowing_) {
        glowing_ = false;
        if (animated) glowFade_ = MapFade::Out(delay);
    }
}

void MapLevelSprite::ApplyDecorations(uint32_t mask, bool animated, uint32_t delay) {
    if (!record_) return;
    const uint32_t count = std::min<uint32_t>(record_->count, kMapDecorationSlots);
    for (uint32_t i = 0; i < count; ++i) {
        const MapDecorationEntry& entry = record_->entries[i];
        std::unique_ptr<BaseMLS>& slot = decorations_[i];
        if (!slot || slot->hiding) {
            if (!animated) slot.reset();
            if (!(entry.mask & mask)) continue;
            std::unique_ptr<BaseMLS> made = MakeDecoration(entry, level_, world_);
            if (!made) continue;
            if (!animated) {
                made->OnShown();
                made->shown = true;
            } else {
                made->FadeIn(status_ >= 1 ? delay + kMapFadeMs : delay);
            }
            slot = std::move(made); // one still fading out here goes now
            continue;
        }
        if (slot->mask & mask) continue;
        if (!animated) {
            slot.reset();
            continue;
        }
        slot->hiding = true;
        if (slot->shown) {
            slot->OnHiding();
            slot->shown = false;
        }
        slot->FadeOut(delay);
    }
}

void MapLevelSprite::ShowMedal(bool animated, uint32_t delay) {
    const uint32_t grade = world_ ? world_->LevelGrade(level_) : status_;
    medalFrame_ = grade >= kLevelBronze && grade <= kLevelGold ? int32_t(grade - kLevelBronze) : -1;
    if (!medal_ && medalFrame_ >= 0)
        if (SpriteLibrary* library = MapLibrary()) {
            medal_ = library->CreateInstanceByName(u"map_medals", 0);
            if (medal_) {
                medal_->originX = 0.5f;
                const int32_t height = medal_->definition->GetHeight(); // of one frame
                medal_->originY = height > 0 ? 17.0f / float(height) : 0.0f;
                // The medal's colour is doubled (0x808080 shows the picture as
                // drawn, the hover's 0xA0A0A0 brightens it); its alpha fades.
                const DXLTextureState state = MakeTextureState(
                    1, 1, uint32_t(platform::TextureAddress::Clamp),
                    uint32_t(platform::TextureAddress::Clamp), kBlendAlpha,
                    uint32_t(platform::TextureOp::Modulate2x), uint32_t(platform::TextureOp::Modulate));
                medal_->SetTextureState(&state);
            }
        }
    if (animated) medalFade_ = MapFade::In(delay + kMapFadeMs);
    showsNumber_ = true;
    if (!number_) number_ = MakeText(kMedalFont, level_ + 1);
}

void MapLevelSprite::CompleteFades() {
    for (std::unique_ptr<BaseMLS>& slot : decorations_) {
        if (!slot || !slot->fade) continue;
        slot->fade.reset();
        if (slot->hiding) {
            slot.reset();
            continue;
        }
        if (!slot->shown) {
            slot->OnShown();
            slot->shown = true;
        }
    }
    medalFade_.reset();
    glowFade_.reset();
}

void MapLevelSprite::Update(uint32_t dt) {
    for (std::unique_ptr<BaseMLS>& slot : decorations_) {
        if (!slot) continue;
        if (slot->fade) {
            slot->fade->Advance(dt);
            if (slot->fade->Done()) {
                slot->fade.reset();
                if (slot->hiding) {
                    slot.reset();
                    continue;
                }
            }
        }
        if (!slot->shown && !slot->hiding && (!slot->fade || slot->fade->Started())) {
            slot->OnShown();
            slot->shown = true;
        }
        slot->Update(dt);
    }
    if (medalFade_) {
        medalFade_->Advance(dt);
        if (medalFade_->Done()) medalFade_.reset();
    }
    if (glowFade_) {
        glowFade_->Advance(dt);
        if (glowFade_->Done()) glowFade_.reset();
    }
}

void MapLevelSprite::DrawBase(DXLViewer& viewer) {
    if (!hasCell_) return;
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(float(position_.x), float(position_.y));
    SpriteLibrary* library = MapLibrary();
    if (hovered_ && library)
        if (auto selection = library->CreateInstanceByName(u"selection", 0)) {
            selection->originX = selection->originY = 0.5f;
            selection->colour = kSelectionColour;
            viewer.SetBlendMode(kBlendAdditive);
            selection->Draw(viewer);
            viewer.SetTransform(&saved);
            viewer.Translate(float(position_.x), float(position_.y));
            viewer.SetBlendMode(kBlendAlpha);
        }
    if ((glowing_ || glowFade_) && library)
        if (auto hex = library->CreateInstanceByName(u"hex", 0)) {
            hex->originX = hex->originY = 0.5f;
            hex->colour = WithAlpha(kGlowColour, GlowAlpha());
            viewer.SetBlendMode(kBlendAlpha);
            hex->Draw(viewer);
            viewer.SetTransform(&saved);
            viewer.Translate(float(position_.x), float(position_.y));
        }
    DXLMatrix atMarker;
    viewer.GetTransform(&atMarker);
    for (std::unique_ptr<BaseMLS>& slot : decorations_) {
        if (!slot) continue;
        viewer.SetTransform(&atMarker);
        // The decorations are placed in map pixels, not from the marker.
        viewer.Translate(float(-position_.x), float(-position_.y));
        slot->Draw(viewer, slot->fade ? slot->fade->Alpha() : 255, hovered_);
    }
    viewer.SetTransform(&saved);
}

void MapLevelSprite::PlaceMedal(DXLViewer& viewer, MapPoint at, float screenScale) {
    viewer.Translate(float(at.x), float(at.y));
    viewer.SetScale(screenScale);
    viewer.SnapTransformOrigin(); // a zoomed map would leave the medal and its number blurred between pixels
}

void MapLevelSprite::DrawMedal(DXLViewer& viewer, float screenScale) {
    if (!hasCell_ || (!medal_ && !number_)) return;
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    const MapPoint at{position_.x + kMedalOffset.x, position_.y + kMedalOffset.y};
    PlaceMedal(viewer, at, screenScale);
    const uint32_t alpha = MedalAlpha();
    if (medal_ && medalFrame_ >= 0) {
        medal_->frame = medalFrame_;
        medal_->colour = WithAlpha(hovered_ ? 0xA0A0A0 : 0x808080, alpha);
        viewer.SetBlendMode(kBlendAlpha);
        medal_->Draw(viewer);
        viewer.SetTransform(&saved);
        PlaceMedal(viewer, at, screenScale);
    }
    if (number_)
        DrawText(viewer, *number_, float(-(number_->GetWidth() / 2) - 1),
                 float(23 - number_->GetHeight() / 2), 0xFFFFFF, alpha);
    viewer.SetTransform(&saved);
}

// ---------------------------------------------------------------- water

namespace {
std::vector<Sprite*> FindWaterFrames(int32_t index) {
    std::vector<Sprite*> frames;
    SpriteLibrary* library = MapLibrary();
    for (int32_t k = 1; library && k <= 8; ++k) {
        const std::string name = "map_water" + std::to_string(index) + "_" + std::to_string(k);
        const std::u16string wide(name.begin(), name.end());
        Sprite* sprite = library->ProbeSprite(wide.c_str()); // the series ends at the first gap
        if (!sprite || sprite->GetFrameCount() == 0) break;
        frames.push_back(sprite);
    }
    return frames;
}
} // namespace

MapWater::MapWater(int32_t index, int32_t x, int32_t y, uint32_t frameMs)
    : MapWater(FindWaterFrames(index), x, y, frameMs) {}

MapWater::MapWater(std::vector<Sprite*> frames, int32_t x, int32_t y, uint32_t frameMs)
    : frames_(std::move(frames)), x_(x), y_(y), frameMs_(std::max(frameMs, GameTick)),
      phases_(int32_t(frames_.size()) + 1) {}

void MapWater::Advance(uint32_t dt) {
    if (frames_.empty()) return;
    elapsed_ += dt;
    while (elapsed_ >= frameMs_) {
        elapsed_ -= frameMs_;
        index_ = (index_ + 1) % phases_;
    }
    fraction_ = float(elapsed_) / float(frameMs_);
}

std::vector<MapWater::Layer> MapWater::Layers() const {
    std::vector<Layer> layers;
    const int32_t n = int32_t(frames_.size()), p = index_;
    if (n == 0) return layers;
    if (p >= 1 && p < n) layers.push_back({p - 1, 255});
    if (p == n)
        layers.push_back({n - 1, uint32_t(std::lround((1.0f - fraction_) * 255.0f))});
    else
        layers.push_back({p, uint32_t(std::lround(fraction_ * 255.0f))});
    return layers;
}

void MapWater::Draw(DXLViewer& viewer) {
    for (const Layer& layer : Layers()) {
        Sprite* sprite = frames_[size_t(layer.frame)];
        if (!sprite) continue;
        SpriteInstance instance(sprite);
        instance.colour = WithAlpha(0xFFFFFF, layer.alpha);
        DXLMatrix saved;
        viewer.GetTransform(&saved);
        viewer.Translate(float(x_), float(y_));
        viewer.SetBlendMode(kBlendAlpha);
        instance.Draw(viewer);
        viewer.SetTransform(&saved);
    }
}

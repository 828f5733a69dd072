#pragma once
// The level markers of the level-select map and their decorations. A marker
// owns up to 16 decorations, one per entry of its level record; each entry
// names the level statuses it shows under, so a level's look follows its
// status with 300 ms fades. The map's animated water is drawn by MapWater.

#include "frontend/MapAnimals.h"
#include "frontend/MapData.h"
#include "frontend/MapGeometry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class DXLViewer;
class GameCharacter;
class GPSSpace;
class KGETextW;
class Sprite;
class SpriteInstance;

constexpr uint32_t kMapFadeMs = 300;
constexpr int32_t kMapSpriteLibrary = 12;

// An alpha (or size) fade from one value to another after a delay.
struct MapFade {
    float from = 0.0f, to = 1.0f;
    uint32_t delay = 0, elapsed = 0, length = kMapFadeMs;

    static MapFade In(uint32_t delay) { return {0.0f, 1.0f, delay}; }
    static MapFade Out(uint32_t delay) { return {1.0f, 0.0f, delay}; }
    void Advance(uint32_t dt) { elapsed += dt; }
    bool Started() const { return elapsed >= delay; }
    bool Done() const { return elapsed >= delay + length; }
    float Value() const;
    uint32_t Alpha() const;
};

// What the markers ask of the map.
class MapMarkerWorld {
  public:
    virtual ~MapMarkerWorld() = default;
    // The profile's status of the level in the regime in use.
    virtual uint32_t LevelGrade(int32_t level) const = 0;
    virtual const GameCharacter* FindCharacter(uint32_t id) const = 0;
};

class BaseMLS {
  public:
    explicit BaseMLS(uint32_t mask) : mask(mask) {}
    virtual ~BaseMLS() = default;
    virtual void FadeIn(uint32_t delay) { fade = MapFade::In(delay); }
    virtual void FadeOut(uint32_t delay) { fade = MapFade::Out(delay); }
    virtual void OnShown() {}
    virtual void OnHiding() {}
    virtual void Update(uint32_t dt) { (void)dt; }
    virtual void Draw(DXLViewer& viewer, uint32_t alpha, bool lit) = 0;
    virtual uint32_t Kind() const = 0;

    uint32_t mask;
    std::optional<MapFade> fade;
    bool hiding = false;
    bool shown = false;
};

class MLSSprite : public BaseMLS {
  public:
    MLSSprite(const MapDecorationEntry& entry, bool centred);
    ~MLSSprite() override;
    void OnShown() override;
    void Update(uint32_t dt) override;
    void Draw(DXLViewer& viewer, uint32_t alpha, bool lit) override;
    uint32_t Kind() const override { return centred_ ? kDecorationSpot : kDecorationSprite; }
    bool Animated() const { return fields_.frameMs != 0; }

  private:
    MapSpriteFields fields_;
    bool centred_;
    std::unique_ptr<SpriteInstance> sprite_;
    uint32_t time_ = 0;
};

class MLSSign : public BaseMLS {
  public:
    MLSSign(const MapDecorationEntry& entry, int32_t level);
    ~MLSSign() override;
    void Draw(DXLViewer& viewer, uint32_t alpha, bool lit) override;
    uint32_t Kind() const override { return kDecorationSign; }
    int32_t Number() const { return number_; }

  private:
    MapSignFields fields_;
    int32_t number_;
    std::unique_ptr<SpriteInstance> sign_;
    std::unique_ptr<KGETextW> text_;
};

class MLSParticles : public BaseMLS {
  public:
    explicit MLSParticles(const MapDecorationEntry& entry);
    ~MLSParticles() override;
    void OnShown() override;
    void OnHiding() override;
    void Update(uint32_t dt) override;
    void Draw(DXLViewer& viewer, uint32_t alpha, bool lit) override;
    uint32_t Kind() const override { return kDecorationParticles; }
    int32_t EmitterCount() const;

  private:
    float scale_;
    std::unique_ptr<GPSSpace> space_;
};

class MLSChars : public BaseMLS {
  public:
    MLSChars(const MapDecorationEntry& entry, const MapMarkerWorld* world);
    void Update(uint32_t dt) override;
    void Draw(DXLViewer& viewer, uint32_t alpha, bool lit) override;
    uint32_t Kind() const override { return kDecorationAnimals; }
    const MapAnimalFigures& Animals() const { return animals_; }

  private:
    MapAnimalFigures animals_;
};

// The decoration an entry makes; null for an unknown kind.
std::unique_ptr<BaseMLS> MakeDecoration(const MapDecorationEntry& entry, int32_t level,
                                        const MapMarkerWorld* world);

class MapLevelSprite {
  public:
    // record is the map's (it outlives the marker); world may be null.
    MapLevelSprite(int32_t level, MapPoint position, bool hasCell, const MapLevelRecord* record,
                   const MapMarkerWorld* world);
    ~MapLevelSprite();
    MapLevelSprite(const MapLevelSprite&) = delete;
    MapLevelSprite& operator=(const MapLevelSprite&) = delete;

    void SetState(uint32_t status, bool animated, uint32_t delay);
    void ApplyDecorations(uint32_t mask, bool animated, uint32_t delay);
    void CompleteFades();
    void Update(uint32_t dt);
    void SetHover(bool on) { hovered_ = on; }
    void DrawBase(DXLViewer& viewer);
    void DrawMedal(DXLViewer& viewer, float screenScale);
    // Moves the viewer's transform to a medal at a map point: at the game
    // screen's scale whatever the map's zoom, on whole pixels.
    static void PlaceMedal(DXLViewer& viewer, MapPoint at, float screenScale);

    int32_t Level() const { return level_; }
    MapPoint Position() const { return position_; }
    bool HasCell() const { return hasCell_; }
    uint32_t Status() const { return status_; }
    bool Hovered() const { return hovered_; }
    const BaseMLS* Decoration(int32_t slot) const { return decorations_[size_t(slot)].get(); }
    int32_t DecorationCount() const;
    // -1: no medal; 0, 1, 2 bronze, silver, gold.
    int32_t MedalFrame() const { return medalFrame_; }
    bool ShowsNumber() const { return showsNumber_; }
    // The medal's alpha (255 without a fade).
    uint32_t MedalAlpha() const { return medalFade_ ? medalFade_->Alpha() : 255; }
    bool Glowing() const { return glowing_; }
    bool GlowFading() const { return glowFade_.has_value(); }
    uint32_t GlowAlpha() const;

    static constexpr MapPoint kMedalOffset{-49, -2};

  private:
    void ShowMedal(bool animated, uint32_t delay);

    int32_t level_;
    MapPoint position_;
    bool hasCell_;
    const MapLevelRecord* record_;
    const MapMarkerWorld* world_;
    std::array<std::unique_ptr<BaseMLS>, kMapDecorationSlots> decorations_;
    bool hovered_ = false;
    uint32_t status_ = 0;
    int32_t medalFrame_ = -1;
    bool showsNumber_ = false;
    std::optional<MapFade> medalFade_;
    std::unique_ptr<SpriteInstance> medal_;
    std::unique_ptr<KGETextW> number_;
    bool glowing_ = false;
    std::optional<MapFade> glowFade_;
};

// The map's animated water: its frames fade in one after another, the last
// one fades out, and it starts again from nothing.
class MapWater {
  public:
    // Looks up "map_water<index>_1".."map_water<index>_8" in library 12.
    MapWater(int32_t index, int32_t x, int32_t y, uint32_t frameMs);
    // With given frames (tests: the count matters, the pointers may be null).
    MapWater(std::vector<Sprite*> frames, int32_t x, int32_t y, uint32_t frameMs);
    void Advance(uint32_t dt);
    void Draw(DXLViewer& viewer);

    struct Layer {
        int32_t frame;
        uint32_t alpha;
    };
    // What a draw shows now: up to two frames with their alphas.
    std::vector<Layer> Layers() const;
    int32_t Phase() const { return index_; }
    int32_t PhaseCount() const { return phases_; }
    uint32_t FrameMs() const { return frameMs_; }

  private:
    std::vector<Sprite*> frames_; // owned by library 12
    int32_t x_, y_;
    uint32_t frameMs_;
    int32_t index_ = 0;
    int32_t phases_;
    uint32_t elapsed_ = 0;
    float fraction_ = 0.0f;
};

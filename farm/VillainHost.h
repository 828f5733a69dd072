#pragma once
// What villains and their shots need of the running level, the screens and
// the profile, behind one interface: money with its flying amount, award
// counters, the points a shot may aim at and damage, the event sounds, the
// profile's villains-in-a-row counter, the tutorial, the particle space and
// the health bars drawn among the screen sprites. VillainLevelHost fills the
// level's part from a GameLevel; the rest comes from the farm host
// (farm/FarmHost.h) it is given.

#include "farm/VillainRules.h"
#include "gui/TutorialMessages.h"
#include "gui/TutorialObject.h"
#include "level/MapObject.h"

#include <cstdint>
#include <memory>
#include <vector>

class FarmHost;
class GameLevel;
class GPSSpace;
class SpriteInstance;
struct VILLAININFO;

// Event-sound slots of the villains and shots.
enum VillainSound : uint32_t {
    kSoundVillainHit = 4,
    kSoundVillainDrivenOff = 5,
    kSoundVillainShoots = 6,
    kSoundShotClicked = 8,
    kSoundShotLands = 9,
};

// The award counter of villains driven off.
constexpr uint32_t kAwardVillainsDrivenOff = 8;
constexpr int32_t kDriveOffMoneyOffset = -80;
constexpr int32_t kShotMoneyOffset = -32;

// A villain's health bar among the level's screen sprites.
class VillainHealthBar {
  public:
    virtual ~VillainHealthBar() = default;
    // Rebuilds the bar for a new value (clamped to 0..maximum); nothing when
    // unchanged.
    virtual void SetValue(int32_t value) = 0;
    virtual int32_t Value() const = 0;
    virtual void Show(uint32_t ms) = 0;
    virtual void Hide(uint32_t ms) = 0;
    virtual bool IsShown() const = 0;
    // The short swell of a hit (1.0 to 1.2 and back, 150 ms).
    virtual void Pulse() = 0;
};

// A bar that keeps its value and its quads (BuildHealthBar) and draws
// nothing: what a level without screen sprites uses, and the tests.
class PlainHealthBar : public VillainHealthBar {
  public:
    PlainHealthBar(int32_t x, int32_t y, int32_t maximum);
    void SetValue(int32_t value) override;
    int32_t Value() const override { return value_; }
    void Show(uint32_t) override { shown_ = true; }
    void Hide(uint32_t) override { shown_ = false; }
    bool IsShown() const override { return shown_; }
    void Pulse() override { ++pulses; }

    int32_t Maximum() const { return maximum_; }
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }
    const std::vector<HealthBarQuad>& Quads() const { return quads_; }
    int pulses = 0;

  private:
    int32_t x_, y_, maximum_, value_;
    bool shown_ = false;
    std::vector<HealthBarQuad> quads_;
};

// A health bar drawn on the level map, above every figure: the pieces of
// "vil_health_bar" and "vil_health_back" (sprite library 1) laid out by
// BuildHealthBar around (x, y). It fades in and out and swells on a hit. Its
// drawing object belongs to the map; when the bar goes, the object fades and
// the map deletes it.
class MapHealthBar : public VillainHealthBar {
  public:
    static constexpr int32_t kLibrary = 1;
    MapHealthBar(LevelMap* map, int32_t x, int32_t y, int32_t maximum);
    ~MapHealthBar() override;
    void SetValue(int32_t value) override;
    int32_t Value() const override { return value_; }
    void Show(uint32_t ms) override;
    void Hide(uint32_t ms) override;
    bool IsShown() const override { return shown_; }
    void Pulse() override;

  private:
    class Picture;
    int32_t maximum_, value_;
    bool shown_ = false;
    Picture* picture_ = nullptr; // owned by the map
};

// The level's particle space (the shots' gas trails) as a map object drawn
// after every other object of the top layer. The map owns it.
class MapParticleLayer : public MapObject {
  public:
    explicit MapParticleLayer(LevelMap* map);
    ~MapParticleLayer() override;
    GPSSpace& Space() { return *space_; }
    // Moves the particles on.
    void Update(uint32_t ms);
    void Draw(DXLViewer& viewer) override;
    int32_t Depth() const override { return 1000000; }

  private:
    std::unique_ptr<GPSSpace> space_;
};

class VillainHost {
  public:
    virtual ~VillainHost() = default;

    // Money paid (or taken) with its flying amount at a field position.
    virtual void AddMoney(int32_t amount, int32_t x, int32_t y, int32_t offset) = 0;
    virtual void AddAwardCount(uint32_t award, int32_t n) = 0;
    // A live point for a shot launched from (x, y): a random one at least
    // 150 pixels away before a nearer one; -1 when none.
    virtual int32_t ChooseShotTarget(int32_t x, int32_t y) = 0;
    // Whether the point exists, is not being removed and accepts work.
    virtual bool IsLivePoint(int32_t index) const = 0;
    // The position of a point that exists (live or not); false when none.
    virtual bool PointPosition(int32_t index, float* x, float* y) const = 0;
    virtual int32_t PointCount() const = 0;
    // A shot of this kind lands on a live point.
    virtual void AddDamage(int32_t index, const VILLAININFO& info, bool animated) = 0;

    // An event sound by slot, and a loaded sound (the arrival's).
    virtual void PlayEventSound(uint32_t slot) = 0;
    virtual void PlaySound(uint32_t sound) = 0;
    // The profile's count of villains driven off before they fired.
    virtual void ResetVillainsInARow() = 0;
    virtual void RaiseVillainsInARow() = 0;

    virtual bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) = 0;
    virtual void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) = 0;

    // The level's particle space; null: shots fly without a trail.
    virtual GPSSpace* ParticleSpace() = 0;
    // A health bar for a villain at (x, y).
    virtual std::unique_ptr<VillainHealthBar> CreateHealthBar(int32_t x, int32_t y, int32_t maximum) = 0;
};

// The host over a running level and the farm host around it (sounds, the
// tutorial, the particle space, the health bars). Both outlive it.
class VillainLevelHost : public VillainHost {
  public:
    VillainLevelHost(GameLevel* level, FarmHost* farm);

    void AddMoney(int32_t amount, int32_t x, int32_t y, int32_t offset) override;
    void AddAwardCount(uint32_t award, int32_t n) override;
    int32_t ChooseShotTarget(int32_t x, int32_t y) override;
    bool IsLivePoint(int32_t index) const override;
    bool PointPosition(int32_t index, float* x, float* y) const override;
    int32_t PointCount() const override;
    void AddDamage(int32_t index, const VILLAININFO& info, bool animated) override;
    void PlayEventSound(uint32_t slot) override;
    void PlaySound(uint32_t sound) override;
    void ResetVillainsInARow() override;
    void RaiseVillainsInARow() override;
    bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) override;
    void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) override;
    GPSSpace* ParticleSpace() override;
    std::unique_ptr<VillainHealthBar> CreateHealthBar(int32_t x, int32_t y, int32_t maximum) override;

  private:
    GameLevel* level_; // not owned
    FarmHost* farm_;   // not owned
};

#pragma once
// The small figures of the level-select map: chickens, cows and sheep that
// belong to a marker's animal decoration, and the villains of the attack
// scene with their catapult and gas shots. Every figure runs one job at a
// time; a finished job hands its kind back to the figure.

#include "frontend/MapData.h"
#include "frontend/MapGeometry.h"
#include "level/MapShadow.h"
#include "sprites/GameAnimation.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DXLViewer;
class GameCharacter;
class GPSSpace;
class GPSEmiter;
class MapLevelCharacter;
class SpriteInstance;

// The figures of one animal decoration: it owns them and keeps a second list
// in draw order (by y, then by x).
struct MapAnimalFigures {
    // Before the figures: a figure leaves this list as it goes.
    std::vector<MapLevelCharacter*> drawOrder;
    std::vector<std::unique_ptr<MapLevelCharacter>> animals;
};

enum class MapJobState { New, Running, Stopped, Completed };

class MapLevelCharJob {
  public:
    MapLevelCharJob(MapLevelCharacter* figure, int32_t kind, uint32_t delay)
        : figure_(figure), kind_(kind), delay_(delay) {}
    virtual ~MapLevelCharJob() = default;
    // False: the job cannot run and is stopped.
    virtual bool Begin() { return true; }
    virtual void Update(uint32_t dt) { (void)dt; }
    // Both refuse a job that already ended.
    bool Complete();
    bool Stop();

    int32_t Kind() const { return kind_; }
    MapJobState State() const { return state_; }

  protected:
    friend class MapLevelCharacter;
    MapLevelCharacter* figure_; // the figure that owns this job
    int32_t kind_;
    uint32_t delay_;
    MapJobState state_ = MapJobState::New;
};

class MLCJob_Wait : public MapLevelCharJob {
  public:
    using MapLevelCharJob::MapLevelCharJob;
    void Update(uint32_t) override { Complete(); }
};

class MLCJob_Animation : public MapLevelCharJob {
  public:
    // duration -1: the animation's own length.
    MLCJob_Animation(MapLevelCharacter* figure, int32_t kind, uint32_t delay, std::u16string name,
                     int32_t variant, int32_t duration);
    bool Begin() override;
    void Update(uint32_t dt) override;

  private:
    std::u16string name_;
    int32_t variant_;
    int32_t duration_;
};

class MLCJob_GoTo : public MapLevelCharJob {
  public:
    MLCJob_GoTo(MapLevelCharacter* figure, int32_t kind, uint32_t delay, float x, float y);
    bool Begin() override;
    void Update(uint32_t dt) override;

    static constexpr uint32_t kTurnStep = 30; // ms per direction step while turning

  private:
    float targetX_, targetY_, startX_ = 0, startY_ = 0;
    float distance_ = 0, travelled_ = 0;
    int32_t wantedVariant_ = 0; // the direction to face, as a variant of the walk
    uint32_t turnTimer_ = kTurnStep;
};

struct MapFigureTraits {
    uint32_t description;
    float scale;
    float walkSpeed; // map pixels per 10 ms tick
    float walkFactor;
    float radius; // spacing
};
constexpr MapFigureTraits kChickenTraits{2, 0.6f, 0.25f, 0.75f, 8.0f};
constexpr MapFigureTraits kCowTraits{3, 0.5f, 0.0f, 0.0f, 0.0f};
constexpr MapFigureTraits kSheepTraits{5, 0.72f, 0.0f, 0.0f, 0.0f};
constexpr MapFigureTraits kVillainTraits{6, 0.65f, 1.5f, 1.0f, 1.0f};
constexpr MapFigureTraits kCatapultTraits{7, 1.0f, 1.0f, 1.0f, 1.0f};

class MapLevelCharacter {
  public:
    // Registers with the owner's draw list (the owner keeps the figure).
    MapLevelCharacter(MapAnimalFigures* owner, const GameCharacter* description,
                      const MapFigureTraits& traits);
    virtual ~MapLevelCharacter();
    MapLevelCharacter(const MapLevelCharacter&) = delete;
    MapLevelCharacter& operator=(const MapLevelCharacter&) = delete;

    virtual void Reset(const MapAnimalGroup& group);
    virtual void Update(uint32_t dt);
    virtual void Draw(DXLViewer& viewer, uint32_t alpha, bool lit);
    // The shadow under the figure at its place and scale, its opacity the
    // description's times alpha / 255; drawn before the figures it lies under.
    void DrawShadow(DXLViewer& viewer, uint32_t alpha);
    virtual void OnJobCompleted(int32_t kind) { (void)kind; }
    virtual void OnJobStopped(int32_t kind) { (void)kind; }

    // Sets the position and keeps the owner's draw list sorted.
    void MoveTo(float x, float y);
    void PlayAnimation(const char16_t* name, int32_t variant);
    void PlayStanding(int32_t variant);
    void PlayWalk();
    // The variant of the direction (dx, dy): the variants turn from facing
    // down the screen (down, right, up, left for four).
    int32_t DirectionVariant(float dx, float dy) const;
    // One step round the variants towards wanted, the shorter way.
    void TurnTowards(int32_t wanted);
    // A new job replaces the current one; with a delay the figure stands while it waits.
    void SetJob(std::unique_ptr<MapLevelCharJob> job);

    void AddShapes(const MapAnimalGroup& group);
    bool CanStandAt(float x, float y, bool ignoreOthers) const;
    bool IsPathBlocked(float x, float y) const;
    // A random free point of the area at least 10 pixels away; wide takes
    // the first such point, narrow only one the figure can walk to.
    bool PickTarget(MapPoint* out, bool wide) const;

    float X() const { return x_; }
    float Y() const { return y_; }
    float TargetX() const { return targetX_; }
    float TargetY() const { return targetY_; }
    void SetTarget(float x, float y) { targetX_ = x, targetY_ = y; }
    const MapFigureTraits& Traits() const { return traits_; }
    const GameCharacter* Description() const { return description_; }
    const MapLevelCharJob* Job() const { return job_.get(); }
    AnimationTrack& Track() { return track_; }
    const shpf::ShapeRect& Area() const { return area_; }
    const MapShadow* Shadow() const { return shadow_.get(); }
    int32_t standingVariant = 0;

  protected:
    // What a figure does when it has no job (before the figure update).
    virtual void Idle() {}

    MapAnimalFigures* owner_; // null for the villains
    const GameCharacter* description_;
    MapFigureTraits traits_;
    AnimationTrack track_;
    std::unique_ptr<MapShadow> shadow_; // none when the description names no shadow texture
    float x_ = 0, y_ = 0, targetX_ = 0, targetY_ = 0;
    std::vector<shpf::_SHAPE> shapes_;
    shpf::ShapeRect area_{0, 0, 0, 0};
    std::unique_ptr<MapLevelCharJob> job_;
};

class MLCChicken : public MapLevelCharacter {
  public:
    MLCChicken(MapAnimalFigures* owner, const GameCharacter* description)
        : MapLevelCharacter(owner, description, kChickenTraits) {}
    void Reset(const MapAnimalGroup& group) override;
    void OnJobCompleted(int32_t kind) override;
    static constexpr int32_t kWalkJob = 1;

  protected:
    void Idle() override;
};

class MLCCow : public MapLevelCharacter {
  public:
    MLCCow(MapAnimalFigures* owner, const GameCharacter* description)
        : MapLevelCharacter(owner, description, kCowTraits) {}
    void Reset(const MapAnimalGroup& group) override;

  protected:
    void Idle() override;
};

class MLCSheep : public MapLevelCharacter {
  public:
    MLCSheep(MapAnimalFigures* owner, const GameCharacter* description);
    void Reset(const MapAnimalGroup& group) override;

  protected:
    void Idle() override;
};

// Makes the figures of an animal decoration's groups, at most 4 in all; a
// group whose character description is missing makes none.
void MakeMapAnimals(MapAnimalFigures* figures, const std::vector<MapAnimalGroup>& groups,
                    const std::function<const GameCharacter*(uint32_t id)>& find);

// A particle description of any sprite library by its id; null when none has it.
struct GPSDescription;
const GPSDescription* FindMapParticleDescription(uint32_t id);

// What the villains need of the map.
class MapVillainWorld {
  public:
    virtual ~MapVillainWorld() = default;
    // The centre of a level's cell; none for a level without one.
    virtual std::optional<MapPoint> LevelCentre(int32_t level) const = 0;
    // A shot burst on the level's marker.
    virtual void OnShotBurst(int32_t level) = 0;
    // The map's particle space for the shot trails (may be null).
    virtual GPSSpace* Particles() = 0;
};

class MLCVillainShot {
  public:
    MLCVillainShot(MapVillainWorld* world, float x, float y, int32_t level, MapPoint target);
    ~MLCVillainShot();
    void Update(uint32_t dt);
    void Draw(DXLViewer& viewer);
    bool Landed() const { return landed_; }
    bool Bursting() const { return bursting_; }
    float X() const { return x_; }
    float Y() const { return y_; }
    // The drawing scale: 0.8 times its grow-in, 0.8 to 1.0 over its first 300 ms.
    float Scale() const;

    static constexpr float kSpeed = 4.0f; // map pixels per update
    static constexpr uint32_t kGrowMs = 300;

  private:
    void Burst();

    MapVillainWorld* world_; // the map, which outlives its villains
    float startX_, startY_, x_, y_;
    int32_t level_;
    float dx_, dy_, distance_, travelled_ = 0;
    std::unique_ptr<SpriteInstance> sprite_;
    GPSEmiter* trail_ = nullptr; // owned by the world's particle space
    uint32_t spriteTime_ = 0;
    uint32_t age_ = 0; // ms since the shot left
    bool landed_ = false, bursting_ = false;
};

class MLCVillain : public MapLevelCharacter {
  public:
    // Targets are level indices counted from 0; one without a cell is skipped.
    MLCVillain(MapVillainWorld* world, const GameCharacter* description, const GameCharacter* catapult,
               MapPoint start, MapPoint stand, int32_t variant, std::vector<int32_t> targets);
    ~MLCVillain() override;
    void SetStage(int32_t stage);
    int32_t Stage() const { return stage_; }
    int32_t ShotsFired() const { return shotsFired_; }
    int32_t TargetCount() const { return int32_t(targets_.size()); }
    const std::vector<std::unique_ptr<MLCVillainShot>>& Shots() const { return shots_; }
    bool CatapultShown() const { return catapultShown_; }

    void Update(uint32_t dt) override;
    void Draw(DXLViewer& viewer, uint32_t alpha, bool lit) override;
    void OnJobCompleted(int32_t kind) override { SetStage(kind + 1); }

  protected:
    void Idle() override;

  private:
    bool ShotInFlight() const;

    MapVillainWorld* world_;
    const GameCharacter* catapultDescription_;
    std::unique_ptr<MapLevelCharacter> catapult_;
    bool catapultShown_ = false;
    std::vector<std::unique_ptr<MLCVillainShot>> shots_;
    MapPoint start_, stand_;
    std::vector<int32_t> targets_;
    int32_t stage_ = 0;
    int32_t shotsFired_ = 0;
    bool waitingForShots_ = false;
};

#pragma once
// The villain on the level map, its catapult and its four jobs.
//
// A villain comes by the level's schedule to one of the level's villain
// places: a cross marks its install spot, it walks in, sets up its catapult
// and fires its shots at the level's points one interval apart, then walks
// off. Clicks that use up its health (or the bees bonus) drive it off: it
// breaks its catapult, runs away and pays. FarmVillains (farm/FarmVillains.h)
// owns the villains and their shots; a villain owns its catapult, its
// obstacle, its health bar and its jobs.
//
// Save: the villain's character block carries at byte 100 its own 28 bytes
// (place index, state, f32 countdown, shots left, health, direction, set-up
// flag) and at byte 128 its catapult's state.

#include "farm/VillainHost.h"
#include "farm/VillainRules.h"
#include "level/LevelTable.h"
#include "level/MapCharacter.h"

#include <cstdint>
#include <memory>

class FarmVillains;
class MapVillain;
class SpriteInstance;
class SpriteObject;
struct VILLAININFO;

class MapCatapult : public MapCharacter {
  public:
    // At the villain's install spot plus the direction's catapult offset;
    // hidden until set up.
    MapCatapult(LevelMap* map, const GameCharacter* description, MapVillain* villain, uint32_t direction,
                float x, float y);

    // Animated: fades in, out or away; else the state is taken at once.
    void SetState(int32_t state, bool animated);
    int32_t State() const { return state_; }
    void Update(uint32_t ms) override;
    void DrawAnimation(DXLViewer& viewer, uint32_t colour) override;
    void Highlight(bool on) override;
    // Clicks on the catapult are the villain's.
    bool OnClick() override;
    int32_t GetPointIndex() const override { return -1; }
    // The villain lets go of it.
    void Detach() { villain_ = nullptr; }

  private:
    MapVillain* villain_; // the owner, or null once it let go
    uint32_t direction_;
    int32_t state_ = kCatapultHidden;
    int32_t removeInMs_ = -1; // a broken catapult leaves the level after its fade
};

class MapVillain : public MapCharacter {
  public:
    static constexpr uint32_t kOwnOffset = 100;
    static constexpr uint32_t kCatapultOffset = 128;
    // A villain running away goes this much faster: its motion track 1,
    // under this modifier id.
    static constexpr float kRunawaySpeed = 1.5f;
    static constexpr uint32_t kRunawayTrackId = 0x2003;
    static constexpr uint32_t kHitFlashMs = 120;

    // A villain of a kind at its place's start point, facing the place's
    // direction; kVillainArriving with its countdown at 0, so it sets off at once.
    MapVillain(FarmVillains* owner, const GameCharacter* description, int32_t placeIndex,
               const VillainPlace& place, const VILLAININFO* info);
    ~MapVillain() override;

    // Lets go of its place: the slot link, the obstacle and the cross.
    void ReleasePlace();
    void OnAddedToLevel() override;
    void OnRemovedFromLevel() override;
    void Highlight(bool on) override;
    // A hovered villain answers no point.
    int32_t GetPointIndex() const override { return -1; }
    bool OnClick() override;
    void MoveTo(float x, float y) override;
    void DrawAnimation(DXLViewer& viewer, uint32_t colour) override;
    void Idle() override;
    void FillSaveRecord(uint8_t* block) const override;
    std::unique_ptr<Job> CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) override;
    void Update(uint32_t ms) override;
    bool ApplyLoadedState(const uint8_t* block) override;

    // Fires when shots are left (else nothing): a target from the launch
    // point gets a shot job, or the shot is lost when no point is live.
    void Shoot();
    // The pulsing cross at the install spot, until the villain arrives.
    void ShowCross();
    // Driven off: kVillainRunningAway, the money, the award and the in-a-row counter.
    void DriveOff();
    void AttackByBees();
    void SetState(int32_t state, bool animated);
    // After a load: the obstacle, the catapult and the bar as the loaded
    // fields say.
    void FinishLoad();

    // Plays a villain animation for its look and direction (duration -2:
    // its own length) as the job's animation.
    void Animate(Job* job, const char16_t* name, int32_t duration);
    // A walk taken up again after a load goes on with the animation time
    // the saved block had, as if it had never stopped.
    void ResumeAnimationAt(uint32_t time);
    // Set up at its spot: the obstacle stands from here on.
    void MarkSetUp();
    // The villain fires its shot now (the shot job's first step ends).
    void FireShot(int32_t target);

    int32_t State() const { return state_; }
    int32_t PlaceIndex() const { return placeIndex_; }
    // The place it came to (kept after it lets go of it).
    int32_t HomePlace() const { return homePlace_; }
    float Countdown() const { return countdownMs_; }
    int32_t ShotsLeft() const { return shotsLeft_; }
    // The villain keeps at least n shots (a tutorial holds it for one more).
    void KeepShots(int32_t n) { shotsLeft_ = shotsLeft_ < n ? n : shotsLeft_; }
    int32_t Health() const { return health_; }
    uint32_t Direction() const { return direction_; }
    bool IsSetUp() const { return setUp_; }
    bool IsObstacleOn() const { return obstacle_ != nullptr; }
    bool HasCross() const { return cross_ != nullptr; }
    bool IsBeesAttack() const { return bees_; }
    bool IsFlashing() const { return flashMs_ > 0; }
    const VILLAININFO* Info() const { return info_; }
    const VillainPlace& Place() const { return place_; }
    MapCatapult* Catapult() const { return catapult_.get(); }
    VillainHealthBar* HealthBar() const { return healthBar_.get(); }
    FarmVillains* Owner() const { return owner_; }
    VillainHost& Host() const;
    // The install spot plus the direction's launch offset.
    VillainOffset LaunchPoint() const;
    // The direction as a variant of the character's animations.
    int32_t DirectionVariant() const;
    bool IsRemovalDue() const { return state_ == kVillainGone; }
    // The colour of the hit flash now (0 when none).
    uint32_t FlashColour() const;

  private:
    void SetObstacle(bool on);
    void HideCross();
    void SyncCatapult(bool animated);
    bool HealthBarDue() const;

    FarmVillains* owner_; // owns this villain
    VillainPlace place_;
    const VILLAININFO* info_; // owned by the villain table
    int32_t placeIndex_;
    int32_t homePlace_;
    int32_t state_ = kVillainArriving;
    float countdownMs_ = 0.0f;
    int32_t shotsLeft_;
    int32_t health_;
    uint32_t direction_;
    bool setUp_ = false;
    bool arrivalSoundPending_ = false;
    bool bees_ = false;
    bool idleRan_ = false;
    uint32_t flashMs_ = 0;
    uint32_t beesMs_ = 0;
    uint32_t catapultAnimation_ = 0xFFFFFFFF; // the name id the catapult last followed
    std::unique_ptr<shpf::MapShapes> obstacle_;
    std::unique_ptr<MapCatapult> catapult_;
    std::unique_ptr<VillainHealthBar> healthBar_;
    SpriteObject* cross_ = nullptr; // owned by the map
    std::unique_ptr<SpriteInstance> bees_sprites_[3];
    int32_t loadedCatapult_ = 0;

    friend class FarmVillains;
    void SetArrivalSoundPending() { arrivalSoundPending_ = true; }
};

// ---------------------------------------------------------------- jobs

// A villain's job: numbered steps from 1, each a walk or an animation; the
// animation steps named by the kind save their progress.
class VillainJob : public Job {
  public:
    VillainJob(MapVillain* villain, uint32_t jobId);
    void Update(uint32_t ms) override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    // Takes the saved step and progress; false when they do not fit.
    bool Restore(const uint8_t* record, size_t size);
    MapVillain* Villain() const { return villain_; }

  protected:
    enum class Begin { Started, Skip, Finished };
    virtual Begin BeginStep(uint32_t step) = 0;
    virtual void EndStep(uint32_t) {}
    virtual void OnDone() {}
    virtual uint32_t LastStep() const = 0;
    virtual bool SavesProgress(uint32_t step) const = 0;
    virtual size_t RecordSize() const { return kCommonSize; }
    virtual void SaveOwn(uint8_t*) const {}

    MapVillain* villain_;  // the owner
    bool resumed_ = false; // loaded: the first step taken up goes on, not over
};

class Job_VillainEnter : public VillainJob {
  public:
    explicit Job_VillainEnter(MapVillain* villain) : VillainJob(villain, JOBID_VILLAINENTER) {}

  protected:
    Begin BeginStep(uint32_t step) override;
    void OnDone() override;
    uint32_t LastStep() const override { return 3; }
    bool SavesProgress(uint32_t step) const override { return step == 2 || step == 3; }
};

class Job_VillainLeave : public VillainJob {
  public:
    explicit Job_VillainLeave(MapVillain* villain) : VillainJob(villain, JOBID_VILLAINLEAVE) {}

  protected:
    Begin BeginStep(uint32_t step) override;
    void OnDone() override;
    uint32_t LastStep() const override { return 2; }
    bool SavesProgress(uint32_t step) const override { return step == 1; }
};

class Job_VillainRunaway : public VillainJob {
  public:
    explicit Job_VillainRunaway(MapVillain* villain) : VillainJob(villain, JOBID_VILLAINRUN) {}

  protected:
    Begin BeginStep(uint32_t step) override;
    void OnDone() override;
    uint32_t LastStep() const override { return 3; }
    bool SavesProgress(uint32_t step) const override { return step == 1 || step == 2; }
};

class Job_VillainShot : public VillainJob {
  public:
    static constexpr size_t kRecordSize = 44;
    Job_VillainShot(MapVillain* villain, int32_t target);

  protected:
    Begin BeginStep(uint32_t step) override;
    void EndStep(uint32_t step) override;
    uint32_t LastStep() const override { return 2; }
    bool SavesProgress(uint32_t step) const override { return step == 1 || step == 2; }
    size_t RecordSize() const override { return kRecordSize; }
    void SaveOwn(uint8_t* record) const override;
};

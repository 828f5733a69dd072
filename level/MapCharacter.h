#pragma once
// Characters on the level map: a figure that walks routes, plays animations
// and carries out a queue of jobs, and the farmer who is one of them.
//
// A character is saved as a 132-byte block followed by its queued jobs:
//   0 u32 size 132, 4 character id, 8 f32 x, 12 f32 y, 16 animation kind,
//   20 animation name id (0 standing), 24 variant, 28 animation time ms,
//   32 i32 time left (-1 endless), 36 flags (bit 0 mirrored, 1 on the level,
//   2 hidden, 3 the animation runs at the character's speed), 40 layer,
//   44 f32 size factor, 48 f32 alpha, 52 and 56 i32 draw offset, 60 and 64
//   f32 walk target, 68 current JOBID, 72 i32 its index among the saved jobs
//   (-1 none), 76-95 reserved, 96 job record count (at most 32), 100-131 the
//   subclass's own.

#include "level/GameCharacter.h"
#include "level/Job.h"
#include "level/MapObject.h"
#include "level/MapShadow.h"
#include "level/SpeedTrack.h"
#include "pathfinding/PathFinder.h"
#include "sprites/GameAnimation.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GameLevel;

class MapCharacter : public DynObject {
  public:
    static constexpr size_t kBlockSize = 132;
    static constexpr size_t kSubclassOffset = 100;
    static constexpr uint32_t kMaxJobs = 32;
    // The simulation tick that walk speeds are given for.
    static constexpr uint32_t kTickMs = 10;
    static constexpr uint32_t kMotionTrackCount = 3;
    // PlayNamedAnimation's flag (and Job::StartAnimation's): the animation
    // and its length run at the character's animation speed, so the
    // farmer's work goes faster under her speed bonus.
    static constexpr uint32_t kAnimationAtSpeed = 0x4;

    // description: the character's description (owned by the game data);
    // kind and animation: the first animation (null name: the kind's
    // standing one); third: passed to SetAnimation (the sheep give their
    // rack's mirrored flag).
    MapCharacter(LevelMap* map, const GameCharacter* description, int32_t kind, const char16_t* animation,
                 int32_t third, float x, float y, int32_t ownerPoint);
    // Deletes the jobs first, while the character and its level are whole.
    ~MapCharacter() override;

    // The shadow comes with the level and goes with it.
    void OnAddedToLevel() override;
    void OnRemovedFromLevel() override;
    // The shadow, then the animation, at the character's place.
    void Draw(DXLViewer& viewer) override;
    // The animation's current frame (the shadow is not the figure).
    bool Covers(float x, float y) const override;

    // ---- operations after the DynObject ones, in their fixed order
    // Draws the current animation frame at the viewer's current transform.
    virtual void DrawAnimation(DXLViewer& viewer, uint32_t colour);
    // Called when no job is left.
    virtual void Idle() {}
    virtual void AdvanceAnimation(uint32_t ms);
    // Takes up the next job when none is current and runs the current one.
    virtual void UpdateJob(uint32_t ms);
    // Fills the kind's own bytes 100-131 of the 132-byte block (the rest is
    // the character's, written by SaveState).
    virtual void FillSaveRecord(uint8_t* block) const { (void)block; }
    // Builds a job from its record by JOBID; null for a JOBID this character
    // does not know or a record that does not fit.
    virtual std::unique_ptr<Job> CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size);
    virtual void SetAnimation(int32_t kind, const char16_t* name, int32_t third);
    // How fast the animations started at the character's speed run: its
    // scale track.
    virtual float GetAnimationSpeed() const { return scaleTrack_.Value(); }
    // One tick: the job, the walk, the animation.
    virtual void Update(uint32_t ms);
    virtual void OnJobsChanged() {}
    // A job whose work was done (Job::WorkDone) is about to go.
    virtual void OnJobDone(const Job&) {}
    // Checks and takes the subclass's bytes 100-131 of a loaded block;
    // false refuses the load (nothing may have changed then).
    virtual bool ApplyLoadedState(const uint8_t* block) {
        (void)block;
        return true;
    }
    // Whether the character plays a timed animation only as the work of its
    // current job: a loaded one must then have no more time left than that
    // work lasts.
    virtual bool AnimatesOnlyAtWork() const { return false; }
    // Whether the character stands on the level whole, seen and opaque, all
    // the time (play never fades, hides or shrinks it): a loaded one must.
    virtual bool AlwaysShown() const { return false; }
    // The largest size factor the character is drawn at: a loaded one above
    // it (or not above 0) is refused.
    virtual float LargestSizeFactor() const { return 1.0f; }
    // Reads count job records; false (nothing kept) when one is refused.
    virtual bool LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                          std::string* why);
    // Appends a job to the queue, first deleting a walk job queued last (a
    // new order replaces a walk that nobody waits for). Answers the job, or
    // null when the queue is full (the job is cancelled and deleted).
    virtual Job* AddJob(std::unique_ptr<Job> job);

    // ---- save and load
    // The fields of the character block that every character saves (its
    // layout is in MapCharacter.cpp).
    struct SavedRecord {
        uint32_t size;        // kBlockSize
        uint32_t characterId; // the description's id
        float x, y;
        int32_t animKind;
        uint32_t animNameId; // 0: the kind's standing animation
        int32_t variant;
        uint32_t animTime;
        int32_t timeLeft; // -1 endless
        uint32_t flags;   // kMirrored, kOnLevel, kHidden and the animation's speed
        int32_t layer;    // -1 not on the map
        float sizeFactor, alpha;
        int32_t offsetX, offsetY;
        float walkX, walkY;
        uint32_t currentJobId; // 0 none
        int32_t currentIndex;  // among the saved job records, -1 none
        uint32_t jobCount;
    };
    // Appends the block and the records of the queued jobs.
    bool SaveState(SaveWriter& writer) const;
    // Reads a block and its jobs. Refused (false, why set, the character
    // unchanged) for a short block, a count past the bytes left, an unknown
    // JOBID, a record that does not fit its job, or a place or an animation
    // the level could not have brought it to.
    bool LoadState(SaveReader& reader, std::string* why = nullptr);
    // Whether a loaded position is one where a figure of the level can stand or walk to.
    bool PlaceFits(float x, float y);

    // ---- jobs
    int32_t JobCount() const { return int32_t(jobs_.size()); }
    Job* GetJob(int32_t i) const { return jobs_[size_t(i)].get(); }
    Job* LastJob() const { return jobs_.empty() ? nullptr : jobs_.back().get(); }
    uint32_t LastJobId() const { return jobs_.empty() ? 0 : jobs_.back()->JobId(); }
    Job* CurrentJob() const { return current_; }
    int32_t CurrentTargetPoint() const { return current_ ? current_->TargetPoint() : -1; }
    // Clears the current job when it is the given one.
    void ClearCurrentJob(const Job* job);
    // Deletes one job of the queue.
    void DeleteJob(Job* job);
    void DeleteAllJobs();
    // Moves a queued job to another place in the queue (the job loaders).
    void MoveJob(int32_t from, int32_t to);
    // A positive count keeps the character from being re-routed.
    int32_t noRerouteCount = 0;

    // ---- tracks
    // Motion track k (0..2) paces the character's walks: each is 1 plus its
    // modifier entries by id (value 0 takes an entry off), and a walk goes
    // at its own speed times all three. Track 0 is the pace its level or
    // house gives it (the farmer's speed bonus, an animal house's rate),
    // 1 its own (a villain running away), 2 a further factor of the level.
    void SetTrack(uint32_t track, uint32_t id, float value);
    float TrackValue(uint32_t track) const;
    float MotionFactor() const;
    // The scale track: the time scale of the animations started at the
    // character's speed (kAnimationAtSpeed), 1 plus its entries.
    void SetScaleTrack(uint32_t id, float value);
    // The alpha track: the figure's opacity, 0..1.
    void SetAlphaTrack(float alpha);

    // ---- walking
    // Walks to (x, y) at pixelsPerTick (times the motion tracks); straight
    // skips the path finder.
    void StartWalk(float x, float y, bool straight, float pixelsPerTick, const char16_t* walkAnimation);
    // The walk's own speed from now on (a job's walk paced anew each tick).
    void SetWalkSpeed(float pixelsPerTick) { walk_.speed = pixelsPerTick; }
    void StopWalk();
    bool IsWalking() const { return walk_.active; }
    float WalkTargetX() const { return walk_.targetX; }
    float WalkTargetY() const { return walk_.targetY; }
    const std::vector<shpf::_PATHPOINT>& Route() const { return walk_.points; }

    // ---- animation
    // Plays the standing animation of a kind.
    void PlayAnimation(int32_t kind, bool mirrored);
    // Plays an animation by name for duration ms (-1 endless, -2 its own
    // length); variant -1 keeps the current direction; flags:
    // kAnimationAtSpeed or 0.
    void PlayNamedAnimation(const char16_t* name, int32_t variant, int32_t duration, uint32_t flags = 0);
    // Changes the kind and keeps the animation time.
    void SwitchAnimationKind(int32_t kind);
    bool AnimationDone() const { return timeLeft_ == 0; }
    // The length of an animation variant in ms (0 when unknown).
    virtual uint32_t AnimationLength(uint32_t nameId, int32_t variant) const;
    // The animation being played (what is drawn); its animation is null
    // when the sprite pack has none of the name.
    const AnimationTrack& Track() const { return track_; }
    const MapShadow* Shadow() const { return shadow_.get(); }
    const char16_t* GetAnimationName() const { return animName_; }
    uint32_t AnimationNameId() const { return animNameId_; }
    int32_t AnimationKind() const { return animKind_; }
    int32_t Variant() const { return variant_; }
    uint32_t AnimationTime() const { return animTime_; }
    int32_t AnimationTimeLeft() const { return timeLeft_; }

    const GameCharacter* Description() const { return description_; }
    uint32_t CharacterId() const { return description_ ? description_->id : 0; }

  protected:
    struct Walk {
        bool active = false;
        bool straight = false;
        float targetX = 0.0f, targetY = 0.0f;
        float speed = 0.0f; // pixels per tick
        uint32_t routeId = 0;
        uint32_t revision = 0;
        std::vector<shpf::_PATHPOINT> points;
        size_t next = 0;
    };
    // The block's fields as the character stands (the job fields left zero).
    SavedRecord SaveRecord() const;
    void StepWalk(uint32_t ms);
    void RequestRoute();
    void FaceTowards(float dx, float dy);
    void SetAnimationName(const char16_t* name);
    // Starts the track on the current name and variant, at the current time.
    void RestartTrack();

    const GameCharacter* description_; // owned by the game data
    std::vector<std::unique_ptr<Job>> jobs_;
    Job* current_ = nullptr; // one of jobs_
    Walk walk_;
    int32_t animKind_ = 0;
    char16_t animName_[32] = {};
    uint32_t animNameId_ = 0; // 0: the kind's standing animation
    int32_t variant_ = 0;
    uint32_t animTime_ = 0;
    int32_t timeLeft_ = -1;
    AnimationTrack track_;
    bool animAtSpeed_ = false; // the animation runs at GetAnimationSpeed()
    float animCarry_ = 0.0f;   // the part of a millisecond it has not shown yet
    std::array<SpeedTrack, kMotionTrackCount> motionTracks_{};
    SpeedTrack scaleTrack_;
    std::unique_ptr<MapShadow> shadow_;
};

// The farmer.
class MapPlayer : public MapCharacter {
  public:
    // The side step: 64 pixels towards the screen centre and 16 down at 128
    // pixels per second.
    static constexpr float kSideStepX = 64.0f;
    static constexpr float kSideStepY = 16.0f;
    static constexpr float kSideStepSpeed = 1.28f; // per 10-ms tick

    MapPlayer(LevelMap* map, const GameCharacter* description, float x, float y);

    void RequestSideStep() { sideStepRequested_ = true; }
    bool SideStepRequested() const { return sideStepRequested_; }
    // A modifier of the level's player speed tracks: track 0 paces her walks
    // (motion track 0) and her work (the scale track, which cows and sheep
    // follow while they are milked or shorn), track 5 her walks (motion
    // track 2).
    void SetSpeedModifier(uint32_t levelTrack, uint32_t id, float value);

    void Idle() override;
    void UpdateJob(uint32_t ms) override;
    // Her work for the farm done (not a walk) counts towards the level's jobs done.
    void OnJobDone(const Job& job) override;
    std::unique_ptr<Job> CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) override;
    void FillSaveRecord(uint8_t* block) const override;
    bool ApplyLoadedState(const uint8_t* block) override;
    bool AnimatesOnlyAtWork() const override { return true; }
    bool AlwaysShown() const override { return true; }

  private:
    bool sideStepRequested_ = false;
};

// The running level a character's map belongs to (its services' level);
// null for a map without one. Its jobs find their points there.
GameLevel* LevelOf(MapCharacter* character);

// The farmer's job loaders, by JOBID, kept in the game's level data: the farm
// code registers the loader of each of its jobs at start-up; a saved job whose
// JOBID has no loader is refused, as is every one while no level data is set.
void SetPlayerJobLoader(uint32_t jobId, PlayerJobLoader loader);
PlayerJobLoader GetPlayerJobLoader(uint32_t jobId);
void ClearPlayerJobLoaders();

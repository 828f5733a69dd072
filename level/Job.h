#pragma once
// Jobs: the step-wise tasks a character carries out, one after another from
// its job queue.
//
// A job is a small state machine (new, walking, animating, stopped, done)
// with a step number its subclass drives. A job of the farmer may hold a
// money reservation: its price, taken from the level's money when it is
// ordered and counted in the level's reserved total until the job is spent
// or cancelled.
//
// Saved games keep each queued job as a record: a 16-byte head {u32 size,
// u32 JOBID, u32 step, u32 money reserved}, usually 24 bytes of progress
// {step it belongs to, running, elapsed ms, duration ms, i32 target point,
// reserved} (zero when not running), then the job's own fields.

#include "level/Records.h"

#include <cstdint>
#include <memory>

class MapCharacter;
class MapPlayer;
class MapSprite;
class SpriteObject;

enum JOBID : uint32_t {
    // The farmer's jobs.
    JOBID_GOTO = 1,
    JOBID_PLANT = 2,
    JOBID_WATER = 3,
    JOBID_HARVEST = 4,
    JOBID_BUILD = 5,
    JOBID_FEED = 6,
    JOBID_TAKEEGGS = 7,
    JOBID_MILKCOWS = 8,
    JOBID_CUTSHEEPS = 9,
    JOBID_CLEAR = 10,
    JOBID_PULLDOWN = 11,
    JOBID_REPAIR = 12,
    // The animals' jobs.
    JOBID_PETEAT = 0x1001,
    JOBID_CHICKENEGG = 0x1101,
    JOBID_COWHEADMILK = 0x1481,
    JOBID_COWHEADYELLING = 0x1482,
    JOBID_COWHEADEAT = 0x1483,
    JOBID_SHEEPCUT = 0x1581,
    JOBID_SHEEPEAT = 0x1582,
    JOBID_SHEEPYELLING = 0x1583,
    JOBID_SHEEPTURNLEFT = 0x1584,
    JOBID_SHEEPTURNRIGHT = 0x1585,
    JOBID_SHEEPBLINK = 0x1586,
    // The villains' jobs.
    JOBID_VILLAINENTER = 0x2001,
    JOBID_VILLAINLEAVE = 0x2002,
    JOBID_VILLAINRUN = 0x2003,
    JOBID_VILLAINSHOT = 0x2004,
};

// Whether a JOBID is one of the jobs that play one animation (Job_Animation).
bool IsAnimationJobId(uint32_t jobId);
// The name of a JOBID for messages ("GOTO", "SHEEPBLINK"); null when unknown.
const char* JobIdName(uint32_t jobId);

enum class JobState : uint32_t {
    New = 0,
    Walking = 1,
    Animating = 2,
    Stopped = 3,
    Done = 4,
};

struct JobProgress {
    uint32_t step;
    uint32_t running;
    uint32_t elapsed;  // ms
    uint32_t duration; // ms
    int32_t targetPoint;
    uint32_t reserved;
};
static_assert(sizeof(JobProgress) == 24);
// The duration of work that plays an endless animation (its time left, -1).
// Any other work lasts at most the level clock's whole run: a longer one
// could never end.
constexpr uint32_t kEndlessWorkMs = UINT32_MAX;

// The head every job record starts with.
struct JobHead {
    uint32_t size;
    uint32_t jobId;
    uint32_t step;
    int32_t reserved; // money
};

// Counts the job records written after a character block.
struct JobSaveContext {
    uint32_t count = 0;
    size_t first = SIZE_MAX; // where the first record starts
};

class Job {
  public:
    static constexpr size_t kHeadSize = 16;
    static constexpr size_t kProgressSize = 24;
    static constexpr size_t kCommonSize = kHeadSize + kProgressSize;
    static_assert(kCommonSize == 40);

    // The job belongs to owner; it joins the owner's queue through
    // MapCharacter::AddJob, which owns it from then on.
    Job(MapCharacter* owner, uint32_t jobId);
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Whether a route that ends short of the goal will do.
    virtual bool AcceptsPath(bool reachesGoal) const {
        (void)reachesGoal;
        return true;
    }
    // The place the job works at; false when it has none.
    virtual bool GetPosition(float* x, float* y) const;
    // Sets the step (-1 = the next one); refused when stopped or done.
    virtual bool SetStep(int32_t step);
    // Gives the reservation up (spent: no money back), deletes the icon.
    virtual ~Job();
    // Runs the job for one tick of ms.
    virtual void Update(uint32_t ms) = 0;
    // Clears the owner's current job when it is this one, then Release;
    // false when already stopped or done.
    virtual bool Stop();
    // Appends the job's record; stopped and done jobs write nothing. False
    // when it could not be written.
    virtual bool Save(JobSaveContext& context, SaveWriter& writer) = 0;

    // Starts a walk of the owner to (x, y) (flags bit 0: straight, without
    // the path finder) at speed factor times the owner's walk speed.
    void BeginWalk(float x, float y, uint32_t flags, float speedFactor);
    void BeginWalkTo(bool straight, float x, float y, float speedFactor, const char16_t* walkAnimation);
    // True on arrival (or when the walk cannot go on); until then the walk
    // goes on at speedFactor times the owner's walk speed.
    bool UpdateWalk(float speedFactor);
    // Plays an animation of the owner for duration ms (-2: the animation's
    // own length; -1: until stopped). flags: MapCharacter::kAnimationAtSpeed
    // runs it (and its duration) at the owner's animation speed; the
    // farmer's work animations pass it (4, or 5 with bit 0, which the
    // records keep and nothing reads).
    void StartAnimation(int32_t duration, const char16_t* name, int32_t variant, uint32_t flags);
    // True when the animation has finished.
    bool UpdateAnimation();

    // Takes amount (at least 1, else nothing) from the level's money as the
    // job's reservation, in place of the old one. Refused (false, nothing
    // changed) when the level cannot pay it, so a reservation is always
    // money that was really taken. 0 drops the reservation without giving
    // money back.
    bool ReserveMoney(int32_t amount);
    // Cancels the job's work: ends its walk or animation, gives the
    // reservation back to the level's money and returns to state new; false
    // when stopped or done.
    bool Release();
    // Tells the tutorial the job was ordered.
    void Notify();
    // Shows the job's icon (a sprite of the interface library) at (x, y) on
    // the top layer of the owner's map, tinted; it belongs to the job's
    // point and goes with the job. A new icon replaces the old one.
    void ShowIcon(float x, float y, MapSprite* icon, int32_t point, uint32_t tint);
    void HideIcon();
    SpriteObject* Icon() const { return icon_.get(); }
    // The kind word of a job's icon object.
    static constexpr uint32_t kIconKind = 0x10004000;

    // The head of a record (at least kHeadSize bytes).
    static JobHead HeadOf(const uint8_t* record);
    // The progress part of a record (at least kCommonSize bytes); its
    // reserved word reads as zero.
    static JobProgress ProgressOf(const uint8_t* record);
    // Reserves the record in the stream and fills its head; counts it.
    uint8_t* BeginSaveRecord(JobSaveContext& context, SaveWriter& writer, size_t size);
    // Writes the 24 progress bytes after the head (zero when not running).
    void SaveProgress(uint8_t* record, bool running) const;
    // Restores the progress part; false when it does not fit the job (its
    // step or target differ, or a time passes the level clock's whole run).
    bool LoadProgress(const uint8_t* record);
    // Counts the work's time, which stops with the level clock's whole run.
    void AddElapsed(uint32_t ms);
    // Reads the head's step and reservation (the caller has checked the
    // size and JOBID); the reservation is taken when the character's load
    // commits (ReserveLoaded).
    void LoadHead(const uint8_t* record);
    bool ReserveLoaded() { return ReserveMoney(loadedReservation_); }
    int32_t LoadedReservation() const { return loadedReservation_; }

    uint32_t JobId() const { return jobId_; }
    JobState State() const { return state_; }
    bool IsFinished() const { return state_ == JobState::Stopped || state_ == JobState::Done; }
    // Whether the owner did the job's work: it is done, or it was stopped
    // while the work ran (a harvest stops once its crop is stored).
    bool WorkDone() const { return state_ == JobState::Done || stoppedAtWork_; }
    uint32_t Step() const { return step_; }
    int32_t Reserved() const { return reserved_; }
    int32_t TargetPoint() const { return targetPoint_; }
    void SetTargetPoint(int32_t index) { targetPoint_ = index; }
    MapCharacter* Owner() const { return owner_; }
    const JobProgress& Progress() const { return progress_; }
    // Whether the job's point (if it has one) still exists.
    bool TargetAlive() const;

  protected:
    void Finish() { state_ = JobState::Done; }

    MapCharacter* owner_; // the character whose queue owns this job
    uint32_t jobId_;
    JobState state_ = JobState::New;
    uint32_t step_ = 0;
    int32_t reserved_ = 0;
    int32_t targetPoint_ = -1;
    JobProgress progress_{};
    int32_t loadedReservation_ = 0;
    bool stoppedAtWork_ = false;
    std::unique_ptr<SpriteObject> icon_;
};

// The own field of a job at a point (a 44-byte record): 40 i32 the point's
// index.
struct AtPointRecord {
    int32_t point;
};
inline constexpr auto kAtPointLayout =
    kis::Layout(Job::kCommonSize + 4, kis::Field<&AtPointRecord::point>(Job::kCommonSize));

// Walks the owner to a place. Record: 36 bytes, no progress part: 16 f32 x,
// 20 f32 y, 24 flags (bit 0 straight), 28 f32 speed factor, 32 i32 target
// point; the chicken's short form (24 bytes) keeps only x and y.
class Job_GoTo : public Job {
  public:
    static constexpr size_t kRecordSize = 36;
    static constexpr size_t kShortRecordSize = 24;

    Job_GoTo(MapCharacter* owner, float x, float y, uint32_t flags = 0, float speedFactor = 1.0f,
             int32_t targetPoint = -1, bool shortRecord = false);
    void Update(uint32_t ms) override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    bool GetPosition(float* x, float* y) const override;
    // Rebuilds one from its record; null when the record does not fit.
    static std::unique_ptr<Job_GoTo> Load(MapCharacter* owner, const uint8_t* record, size_t size);

  private:
    float x_, y_;
    uint32_t flags_;
    float speedFactor_;
    bool shortRecord_;
};

// Plays one animation of the owner. Record: 112 bytes: the common 40, 40 the
// animation name, 104 flags, 108 i32 duration ms (-2 play once).
class Job_Animation : public Job {
  public:
    static constexpr size_t kRecordSize = 112;

    Job_Animation(MapCharacter* owner, uint32_t jobId, const char16_t* animation, uint32_t flags,
                  int32_t duration);
    void Update(uint32_t ms) override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    const char16_t* Animation() const { return animation_; }
    int32_t Duration() const { return duration_; }
    uint32_t AnimationFlags() const { return flags_; }

  private:
    friend std::unique_ptr<Job_Animation> LoadAnimationJob(MapCharacter* owner, const uint8_t* record,
                                                           size_t size);
    char16_t animation_[kNameLength] = {};
    uint32_t flags_;
    int32_t duration_;
};

// Rebuilds an animation job from its record and replays its step; null
// when the record does not fit (size, JOBID, name).
std::unique_ptr<Job_Animation> LoadAnimationJob(MapCharacter* owner, const uint8_t* record, size_t size);

// Rebuilds one of the farmer's farm jobs from its saved record; null when the
// record does not fit (registered by JOBID, see SetPlayerJobLoader).
using PlayerJobLoader = std::unique_ptr<Job> (*)(MapPlayer* player, const uint8_t* record, size_t size);

#pragma once
// Level points: the places of the field where something can be built, planted
// or kept. BaseLevelPoint carries what every point has and saves; LevelPoint
// adds stages, the lock, the progress line, the stage stars and the overhead
// sprites; EmptyLevelPoint is an empty site with its garbage. The farm's
// points (warehouse, plants, buildings) derive from LevelPoint and are made
// by the point makers the game registers (see GameLevel::CreatePoint); until
// they exist, the level stands a plain LevelPoint in for them so that a level
// can run.
//
// A point belongs to its level (GameLevel keeps it in a std::unique_ptr); the
// level attaches itself before the point is set up, so every operation after
// the constructor may reach the level.

#include "level/LevelTable.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

class GameLevel;
class MapObject;
class SaveReader;
class SaveWriter;
class Sprite;
class SpriteObject;

// The award counter of the garbage sites cleared.
constexpr uint32_t kAwardSitesCleared = 7;
// The countdown a point starts with, and starts again towards its next stage
// (a bed's next growth, a house's next round of work): the point's work waits
// while it runs.
constexpr int32_t kPointInitialCountdownMs = 600;

// The toxic puddle on a damaged point: created by the first hit, stronger with
// every later one, gone with the point's repair.
class PointDamage {
  public:
    // The puddle grows with the strength up to this and no further: hits
    // beyond it change nothing, so the strength stops there.
    static constexpr int32_t kStrongest = 100;
    explicit PointDamage(int32_t strength) : strength_(std::min(strength, kStrongest)) {}
    void Strengthen(int32_t by) { strength_ = by >= kStrongest - strength_ ? kStrongest : strength_ + by; }
    int32_t Strength() const { return strength_; }

  private:
    int32_t strength_;
};

class BaseLevelPoint {
  public:
    BaseLevelPoint(uint32_t index, uint32_t kind) : index_(index), kind_(kind) {}
    BaseLevelPoint(const BaseLevelPoint&) = delete;
    BaseLevelPoint& operator=(const BaseLevelPoint&) = delete;

    // ---- operations in their fixed order
    // Sets the point up from its record (a definition or a saved record).
    virtual void Setup(const PointRecord& record);
    // A new point (not a loaded one) starts its countdown; the countdown set.
    virtual int32_t Init() {
        countdownMs_ = kPointInitialCountdownMs;
        return countdownMs_;
    }
    virtual void OnLevelBegun() {}
    // The level took the point in, or lets it go.
    virtual void OnAttach() {}
    virtual void OnDetach() {}
    // Removes the point's content (animated, forGood, from delay); the time
    // in ms at which it is gone.
    virtual uint32_t Remove(bool animated, bool forGood, uint32_t delay);
    // Takes the puddle off the map and the repair button off the field.
    virtual ~BaseLevelPoint();
    virtual void SetMirrored(bool mirrored) { mirrored_ = mirrored; }
    virtual bool AcceptsWork() const { return true; }
    virtual void OnDamaged(bool) {}
    virtual void OnRepaired(bool) {}
    // The point's place on the field.
    virtual void GetPosition(float* x, float* y) const {
        *x = float(x_);
        *y = float(y_);
    }
    // The spot jobs walk to, relative to the point.
    virtual void GetWorkOffset(float* dx, float* dy) const {
        *dx = 0.0f;
        *dy = 0.0f;
    }
    // Runs the point's countdown; the part of ms left after it (all of ms
    // without a countdown, 0 while it lasts).
    virtual int32_t Update(uint32_t ms);
    // A speed-track entry of the point's group (animal houses, factories).
    virtual void StartTrack(uint32_t, float) {}
    // A click on the point: selects it with the click sound.
    virtual void OnClick();
    // The map object a click on the point picks (a building's picture), with
    // its kind word; null when the point has none and a click selects it.
    virtual const SpriteObject* PickedObject() const { return nullptr; }
    // The speed group whose modifiers the point takes: 2 animal houses,
    // 3 factories, 0 none.
    virtual uint32_t SpeedGroup() const { return 0; }
    // Stops the point's work (the level is left).
    virtual void Stop() {}
    // Fills the point record as a definition would hold the point now.
    virtual void GetInfo(PointRecord* record) const;
    // Puts the point's output into the warehouse; the units moved.
    virtual uint32_t CollectProducts() { return 0; }
    // The kind's own record after the base block (none by default), the second
    // pass block and their loads; a load that does not fit fails the reader.
    virtual void SaveOwn(SaveWriter&) const {}
    virtual bool LoadOwn(SaveReader&) { return true; }
    virtual void SaveSecondPass(SaveWriter& out) const;
    virtual bool LoadSecondPass(SaveReader& in);

    // The longest pending delay the point's own changes give it (its
    // pictures going and coming): a plain point has none. A saved delay
    // beyond it is refused.
    virtual uint32_t LongestPendingDelayMs() const { return 0; }
    // Asked once the farmer's jobs are loaded too: whether the point's state
    // is one play leaves it in beside them (a bed or building bought at
    // stage 0 waits for its job). False refuses the save.
    virtual bool FitsLoadedJobs() const { return true; }
    // The base block (24 bytes): flags, countdown, pending delay, click action.
    void SaveBase(SaveWriter& out) const;
    bool LoadBase(SaveReader& in);
    // The damage block (12 bytes). A loaded puddle stops the point's work
    // as the hit did (OnDamaged).
    void SaveDamage(SaveWriter& out) const;
    bool LoadDamage(SaveReader& in);

    // Joins the point to its level (then OnAttach); the level owns the point.
    void Attach(GameLevel* level);
    GameLevel* Level() const { return level_; }

    // A shot hits the point: the point's puddle is made, or strengthened by
    // strength, then OnDamaged; its repair button comes up.
    void AddDamage(int32_t strength, bool animated);
    // The repair: the puddle and the repair button go, then OnRepaired.
    // False when undamaged.
    bool Repair(bool animated);
    bool IsDamaged() const { return damage_ != nullptr; }
    // The repair button's click: orders the farmer's repair job (free of
    // charge) and takes the button away. False when the point is not
    // damaged, is going, already has its repair ordered or the level has no
    // farmer.
    bool RequestRepair();
    // Whether an unfinished repair job of the farmer aims at the point.
    bool IsRepairOrdered() const;
    // The repair button is shown while the point is damaged, stays and has
    // no repair ordered, and is taken away otherwise (a loaded repair job, a
    // stopped one, a point being removed); the level asks every tick.
    void RefreshRepairButton(bool animated);
    bool HasRepairButton() const { return repairButton_ != 0; }
    const PointDamage* GetDamage() const { return damage_.get(); }
    // The puddle's picture on the map ("puddle" of the level library, under
    // the figures), shown while the point is damaged; null when not.
    const SpriteObject* Puddle() const { return puddle_; }
    static constexpr uint32_t kPuddleObjectKind = 0x10000120;

    // Icons and buttons shown beside the point (owned by the map). A new one
    // joins the point's earlier ones; DetachObject takes one off.
    void AttachObject(MapObject* object);
    void DetachObject(MapObject* object);
    const std::vector<MapObject*>& AttachedObjects() const { return attached_; }
    // Removes the point once: while it is being removed the delay comes back
    // unchanged.
    uint32_t RequestRemove(bool animated, bool forGood, uint32_t delay);

    uint32_t Index() const { return index_; }
    uint32_t Kind() const { return kind_; }
    int32_t Stage() const { return stage_; }
    uint32_t ObjectId() const { return objectId_; }
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }
    bool IsMirrored() const { return mirrored_; }
    bool IsLocked() const { return locked_; }
    bool IsBeingRemoved() const { return beingRemoved_; }
    int32_t Damage() const { return damage_ ? damage_->Strength() : 0; }
    bool IsBusy() const { return busy_; }
    void SetBusy(bool busy) { busy_ = busy; }
    // The time left of the point's countdown (-1: none).
    int32_t Countdown() const { return countdownMs_; }
    uint32_t ClickAction() const { return clickAction_; }
    void SetClickAction(uint32_t jobId) { clickAction_ = jobId; }

  private:
    // The puddle follows the damage: made, grown with its strength, or gone.
    void ShowPuddle(bool animated);
    void HidePuddle(bool animated);

  protected:
    GameLevel* level_ = nullptr; // the level that owns the point
    uint32_t index_;
    uint32_t kind_;
    int32_t stage_ = 0;
    uint32_t objectId_ = 0;
    uint32_t value_ = 0; // clearing price or ripeness, as the record holds it
    uint32_t water_ = 0;
    uint32_t waterMax_ = 0;
    int32_t x_ = 0, y_ = 0;
    bool mirrored_ = false;
    bool locked_ = false;
    bool beingRemoved_ = false;
    bool busy_ = false;
    std::unique_ptr<PointDamage> damage_;
    SpriteObject* puddle_ = nullptr; // owned by the level's map
    uint32_t repairButton_ = 0;      // the interface hooks' handle of the repair button, 0 none
    std::vector<MapObject*> attached_;
    int32_t countdownMs_ = -1;
    uint32_t pendingDelayMs_ = 0;
    uint32_t clickAction_ = 0;
};

class LevelPoint : public BaseLevelPoint {
  public:
    using BaseLevelPoint::BaseLevelPoint;

    // Takes the record, its stage kept within the level's limit; a kind
    // whose stage brings pictures or orders raises it through SetStage
    // itself after this.
    void Setup(const PointRecord& record) override;
    // Hides the progress line and the stage stars; removed for good, the
    // farmer's jobs at the point are cancelled too (a stage change removes
    // the old stage without touching them). The delay in ms after which it
    // is gone.
    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;

    // ---- operations after the base ones, in their fixed order
    // Sets the stage (within the limit); false for a stage it cannot take.
    virtual bool SetStage(int32_t stage, bool animated, uint32_t delay);
    // The highest stage the point may reach in this level.
    virtual int32_t StageLimit() const;
    // Farm points neither grow nor produce while locked.
    virtual void Lock() { locked_ = true; }
    virtual void Unlock() { locked_ = false; }
    // Asks the farmer to pull the point down (a job at the point).
    virtual bool RequestPulldown();
    // Where the stage stars stand (above the point).
    virtual void GetStarsPosition(float* x, float* y) const {
        *x = float(x_);
        *y = float(y_) - 64.0f;
    }
    // Where the progress line stands: just above the stars unless the kind
    // has a place of its own.
    virtual void GetProgressPosition(float* x, float* y) const {
        GetStarsPosition(x, y);
        *y -= 24.0f;
    }
    // Whether the point takes an order now.
    virtual bool IsReady() const { return !locked_ && !beingRemoved_; }
    // A second working position; false when the point has none.
    virtual bool GetSecondPosition(float*, float*) const { return false; }

    // Raises the point to its next stage (animated); the warehouse raises
    // the stock's level with it. False at the limit.
    bool NextStage();
    // Begins the change to the next stage: the countdown starts again, and
    // the point's work waits until it has run.
    void StartNextStage() { countdownMs_ = kPointInitialCountdownMs; }
    int32_t Update(uint32_t ms) override;

    // The progress line: a percentage 0..100, or hidden (-1). The level's
    // screen sprites draw it at GetProgressPosition while it is set.
    void SetProgress(int32_t percent);
    void HideProgress() { progress_ = -1; }
    int32_t Progress() const { return progress_; }

    // Stage stars: the point's stage out of the highest it may reach, drawn
    // at GetStarsPosition once the delay has run (a highest stage below 2
    // shows none, as does a point below stage 1).
    void ShowStageStars(int32_t highestStage, bool animated, uint32_t delay);
    void HideStageStars() { stars_ = 0; }
    int32_t StageStars() const { return stars_; }
    uint32_t StarsDelay() const { return starsDelayMs_; }
    bool StarsAnimated() const { return starsAnimated_; }

  protected:
    int32_t progress_ = -1;
    int32_t stars_ = 0;
    uint32_t starsDelayMs_ = 0;
    bool starsAnimated_ = false;
};

// An empty site (kPointEmptySite): clean, or holding garbage (the record's object id,
// its clearing price in the record's value). A click on garbage orders the
// farmer to clear it when the level panel does not offer the order itself; a
// click on a clean site opens the build menu.
class EmptyLevelPoint : public LevelPoint {
  public:
    // The map sprite library that holds the garbage pictures.
    static constexpr int32_t kGarbageLibrary = 7;
    // The map layer of the garbage (the characters' layer: they sort by depth).
    static constexpr int32_t kGarbageLayer = 2;
    static constexpr uint32_t kGarbageObjectKind = 0x10000100;
    // A clean site's plot mark lies on the field picture's layer, under
    // everything that stands or walks on the field.
    static constexpr int32_t kPlotLayer = 4;
    static constexpr uint32_t kPlotObjectKind = 0x10000001;

    explicit EmptyLevelPoint(uint32_t index) : LevelPoint(index, kPointEmptySite) {}
    ~EmptyLevelPoint() override;
    // A site is nothing a shot can aim at or damage: only beds and buildings
    // that stand take work (their jobs at the site need no such answer).
    bool AcceptsWork() const override { return false; }
    // The garbage's picture goes on the level's map (when its sprite exists);
    // a clean site shows its plot mark instead.
    void Setup(const PointRecord& record) override;
    void OnClick() override;
    void GetInfo(PointRecord* record) const override;
    // The farmer works beside the heap, not on it.
    void GetWorkOffset(float* dx, float* dy) const override {
        *dx = 44.0f;
        *dy = 4.0f;
    }

    uint32_t GarbageId() const { return objectId_; }
    int32_t GarbagePrice() const { return static_cast<int32_t>(value_); }
    bool HasGarbage() const { return objectId_ != 0; }
    // Orders the farmer to clear the garbage (its price reserved); false when
    // there is none, a clearing is already ordered, the money is short or the
    // level has no farmer.
    bool RequestClear();
    // The clearing job has finished: the garbage goes and the award counter
    // and the goals hear of it.
    void ClearGarbage();
    // The garbage's picture on the map (owned by the map), or null.
    MapObject* GarbageObject() const { return garbageObject_; }
    // The plot mark of a clean site on the map (owned by the map), or null.
    MapObject* PlotObject() const { return plotObject_; }

  private:
    void DeleteGarbageObject();
    // Every clean site shows the plot mark, whether the level began with it
    // clean or it became clean later (garbage cleared, a bed or building
    // removed, an order cancelled); it goes with the site.
    void ShowPlot();
    void DeletePlotObject();
    MapObject* garbageObject_ = nullptr;
    MapObject* plotObject_ = nullptr;
};

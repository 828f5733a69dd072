#pragma once
// Level points: the places of the field where something can be built, planted
// or kept. BaseLevelPoint carries what every point has and saves; LevelPoint
// adds the lock. The farm's points (warehouse, plants, buildings) derive from
// LevelPoint; until they exist, the level stands a plain LevelPoint in for
// them so that a level can run.

#include "level/LevelTable.h"

#include <cstdint>

class SaveReader;
class SaveWriter;

class BaseLevelPoint {
  public:
    BaseLevelPoint(uint32_t index, uint32_t kind) : index_(index), kind_(kind) {}
    BaseLevelPoint(const BaseLevelPoint&) = delete;
    BaseLevelPoint& operator=(const BaseLevelPoint&) = delete;

    // Sets the point up from its record (a definition or a saved record).
    virtual void Setup(const PointRecord& record);
    // Removes the point's content (animated, forGood, from delay); the time
    // in ms at which it is gone.
    virtual uint32_t Remove(bool animated, bool forGood, uint32_t delay);
    virtual ~BaseLevelPoint() = default;
    virtual void SetMirrored(bool mirrored) { mirrored_ = mirrored; }
    virtual bool AcceptsWork() const { return true; }
    virtual void OnDamaged(bool) {}
    virtual void OnRepaired(bool) {}
    // Runs the point's countdown; the time left (-1 none).
    virtual int32_t Update(uint32_t ms);
    // A speed-track entry of the point's group (animal houses, factories).
    virtual void StartTrack(uint32_t, float) {}
    // The speed group whose modifiers the point takes: 2 animal houses,
    // 3 factories, 0 none.
    virtual uint32_t SpeedGroup() const { return 0; }
    // Stops the point's work (the level is left).
    virtual void Stop() {}
    // Fills the point record as a definition would hold the point now.
    virtual void GetInfo(PointRecord* record) const;
    // The kind's own record after the base block (none by default), the second
    // pass block and their loads; a load that does not fit fails the reader.
    virtual void SaveOwn(SaveWriter&) const {}
    virtual bool LoadOwn(SaveReader&) { return true; }
    virtual void SaveSecondPass(SaveWriter& out) const;
    virtual bool LoadSecondPass(SaveReader& in);

    // The base block (24 bytes): flags, countdown, pending delay, click action.
    void SaveBase(SaveWriter& out) const;
    bool LoadBase(SaveReader& in);
    // The damage block (12 bytes).
    void SaveDamage(SaveWriter& out) const;
    bool LoadDamage(SaveReader& in);

    // A shot hits the point: the damage grows by strength, then OnDamaged.
    void AddDamage(int32_t strength, bool animated);
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
    int32_t Damage() const { return damage_; }

  protected:
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
    int32_t damage_ = 0;
    int32_t countdownMs_ = -1;
    uint32_t pendingDelayMs_ = 0;
    uint32_t clickAction_ = 0;
};

class LevelPoint : public BaseLevelPoint {
  public:
    using BaseLevelPoint::BaseLevelPoint;
    // Farm points neither grow nor produce while locked.
    void Lock() { locked_ = true; }
    void Unlock() { locked_ = false; }
};

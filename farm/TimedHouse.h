#pragma once
// The animal house whose produce comes from one timer: the cowshed and the
// sheep rack. Fed, the timer runs down while the animals eat; run out, the
// produce is ready, the house's own button is shown and its animals call
// now and then until the farmer collects the produce.

#include "farm/AnimalHouse.h"

#include <cstdint>

// The timer and its 16-byte record.
struct ProduceTimer {
    static constexpr uint32_t kRecordSize = 16;
    float remaining = 0.0f; // ms; 0 = produce ready when fed
    float callTimer = -1.0f;
    // The record's fraction and call timer, refused when out of range.
    static bool CheckRecord(uint32_t fed, float fraction, float callTimer);
};

class PointTimedHouse : public PointPetshouse {
  public:
    int32_t Update(uint32_t ms) override;
    void SaveOwn(SaveWriter& out) const override;
    bool LoadOwn(SaveReader& in) override;
    bool IsReady() const override { return PointPetshouse::IsReady() && timer_.remaining > 0.0f; }
    void RefreshFeedGauge() override;
    uint32_t RefreshButtons(bool animated, uint32_t delay) override;
    void SetFed(bool fed, bool animated) override;

    // Whether the animals are at work on the produce.
    bool IsProducing() const { return fed_ && timer_.remaining > 0.0f; }
    float Remaining() const { return timer_.remaining; }
    float CallTimer() const { return timer_.callTimer; }

  protected:
    // buttonLift: how far above the anchor the house's own button stands;
    // readyLabel: the log line's label when the produce is ready.
    PointTimedHouse(FarmHost* host, uint32_t index, BUILDING* type, int32_t buttonLift,
                    const char* readyLabel);
    // The animals at work (the units of produce they give).
    virtual int32_t AnimalCount() const = 0;
    // A cow or sheep takes its house's rate entries on motion tracks 0 and 1.
    void FollowTrack(MapCharacter& animal, uint32_t id, float value) const override;
    // The produce is ready: the animals drop what they were doing.
    virtual void StopAnimalJobs() = 0;
    // The call timer ran out: one animal calls and the timer is set again.
    virtual void CallAnimal() = 0;
    // The longest call timer a saved record may hold.
    virtual float LongestCallMs() const;
    // Delivers the ready produce from the anchor, one unit an animal.
    bool DeliverReadyProduce(GameMessager* messenger);

    ProduceTimer timer_;

  private:
    int32_t buttonLift_;
    const char* readyLabel_;
    float loadedFraction_ = -1.0f; // the loaded record's, until the timer moves
};

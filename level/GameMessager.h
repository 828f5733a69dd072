#pragma once
// A message throttle: each message id is let through at most once in
// 10,000 ms. The farmer's jobs, the factories and the level own one each, so
// that, say, "the warehouse is full" does not repeat every tick.

#include <array>
#include <cstddef>
#include <cstdint>

class GameMessager {
  public:
    static constexpr uint32_t kInterval = 10000;
    static constexpr int kSlots = 8;

    // stopFlag, when given, silences every message while it is set; it
    // belongs to the level, which outlives its throttles.
    explicit GameMessager(const bool* stopFlag = nullptr) : stopFlag_(stopFlag) {}

    // True, remembering the time, when the id was last shown at least
    // 10,000 ms ago or has not been shown yet. The time is the system clock's
    // (the platform's millisecond clock, virtual in headless runs), so the
    // interval runs on while the level is paused. A new id takes a free
    // slot; with all eight held it takes the slot shown longest ago, once
    // that one's interval has passed. (Refusing every ninth id for good
    // would keep a product's "warehouse full" silent for the rest of the
    // level; while all eight were shown within the interval a new one is
    // refused.)
    bool CanShow(uint32_t id);
    // The same at a given time (ms of the system clock).
    bool CanShow(uint32_t id, uint32_t now);
    void Clear();

  private:
    struct Slot {
        uint32_t id;
        uint32_t time;
    };
    std::array<Slot, kSlots> slots_{};
    int count_ = 0;
    const bool* stopFlag_;
};

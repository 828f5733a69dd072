#pragma once
// A speed track: a factor made of modifier entries by id (a running bonus,
// a house's rate), each added to 1 while it is set. The level keeps one per
// speed group; characters keep their motion and scale tracks so.

#include <cstdint>
#include <vector>

class SpeedTrack {
  public:
    // Sets the entry (a value of 0 takes it off).
    void Set(uint32_t id, float value);
    // 1 plus every entry, never below 0.
    float Value() const;
    void Clear() { entries_.clear(); }
    struct Entry {
        uint32_t id;
        float value;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

  private:
    std::vector<Entry> entries_;
};

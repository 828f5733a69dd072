#pragma once
// A colour gradient: entries of a colour and a length in ms, blended from one
// entry's colour to the next over the entry's length, baked into a table.
// Changes can be batched: between BeginUpdate and the matching EndUpdate the
// table is not rebuilt, and the last EndUpdate rebuilds it once.

#include <cstdint>
#include <vector>

class Gradient {
  public:
    static constexpr int kTableSize = 256;
    struct Entry {
        uint32_t colour; // ARGB
        uint32_t length; // ms to the next entry's colour
    };

    void BeginUpdate() { ++updates_; }
    // Takes one from the counter above 0 and rebuilds; nothing at 0.
    void EndUpdate();
    // Sums the entries' lengths and bakes the table; only when no update runs.
    void Rebuild();

    void Clear();
    void Add(uint32_t colour, uint32_t length);
    const std::vector<Entry>& Entries() const { return entries_; }
    int32_t UpdateCount() const { return updates_; }
    uint32_t TotalLength() const { return total_; }
    // The colour at a time from the start (clamped to the length), exact.
    uint32_t ColourAt(uint32_t ms) const;
    // The colour at a fraction 0..1 of the length, from the baked table.
    uint32_t TableColour(float fraction) const;

  private:
    std::vector<Entry> entries_;
    int32_t updates_ = 0;
    uint32_t total_ = 0;
    uint32_t table_[kTableSize] = {};
};

// Each channel of a and b blended: a at t = 0, b at t = 1.
uint32_t BlendArgb(uint32_t a, uint32_t b, float t);
// Each channel multiplied (0xFF is 1).
uint32_t ModulateArgb(uint32_t a, uint32_t b);

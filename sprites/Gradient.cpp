#include "sprites/Gradient.h"

#include <algorithm>
#include <cmath>

uint32_t BlendArgb(uint32_t a, uint32_t b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float x = float((a >> shift) & 0xFF), y = float((b >> shift) & 0xFF);
        out |= uint32_t(std::lround(x + (y - x) * t)) << shift;
    }
    return out;
}

uint32_t ModulateArgb(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) + 127) / 255 << shift;
    return out;
}

void Gradient::EndUpdate() {
    if (updates_ <= 0) return;
    --updates_;
    Rebuild();
}

void Gradient::Rebuild() {
    if (updates_ != 0) return;
    total_ = 0;
    for (const Entry& e : entries_)
        total_ += e.length;
    for (int i = 0; i < kTableSize; ++i)
        table_[i] = ColourAt(uint32_t(uint64_t(total_) * uint64_t(i) / (kTableSize - 1)));
}

void Gradient::Clear() {
    entries_.clear();
    Rebuild();
}

void Gradient::Add(uint32_t colour, uint32_t length) {
    entries_.push_back({colour, length});
    Rebuild();
}

uint32_t Gradient::ColourAt(uint32_t ms) const {
    if (entries_.empty()) return 0xFFFFFFFF;
    uint32_t start = 0;
    for (size_t i = 0; i + 1 < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (ms < start + e.length)
            return BlendArgb(e.colour, entries_[i + 1].colour, float(ms - start) / float(e.length));
        start += e.length;
    }
    return entries_.back().colour;
}

uint32_t Gradient::TableColour(float fraction) const {
    if (!(fraction > 0.0f)) return table_[0]; // NaN reads as 0
    const int i = int(std::min(fraction, 1.0f) * float(kTableSize - 1) + 0.5f);
    return table_[i];
}

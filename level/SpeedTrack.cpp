#include "level/SpeedTrack.h"

#include <algorithm>

void SpeedTrack::Set(uint32_t id, float value) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; });
    if (value == 0.0f) {
        if (it != entries_.end()) entries_.erase(it);
    } else if (it != entries_.end()) {
        it->value = value;
    } else {
        entries_.push_back({id, value});
    }
}

float SpeedTrack::Value() const {
    float v = 1.0f;
    for (const Entry& e : entries_)
        v += e.value;
    return std::max(v, 0.0f);
}

#include "level/GameMessager.h"

#include "platform/Clock.h"

bool GameMessager::CanShow(uint32_t id) {
    return CanShow(id, platform::Milliseconds());
}

bool GameMessager::CanShow(uint32_t id, uint32_t now) {
    if (stopFlag_ && *stopFlag_) return false;
    for (int i = 0; i < count_; ++i) {
        Slot& slot = slots_[size_t(i)];
        if (slot.id != id) continue;
        if (now - slot.time < kInterval) return false;
        slot.time = now;
        return true;
    }
    if (count_ < kSlots) {
        slots_[size_t(count_++)] = {id, now};
        return true;
    }
    // Full: the id shown longest ago gives its slot up once its interval
    // has passed, so a throttle never goes deaf to new ids for good.
    int oldest = 0;
    for (int i = 1; i < kSlots; ++i) {
        if (now - slots_[size_t(i)].time > now - slots_[size_t(oldest)].time) oldest = i;
    }
    if (now - slots_[size_t(oldest)].time < kInterval) return false;
    slots_[size_t(oldest)] = {id, now};
    return true;
}

void GameMessager::Clear() {
    count_ = 0;
}

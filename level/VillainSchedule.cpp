#include "level/VillainSchedule.h"

#include "foundation/Helpers.h"
#include "level/Records.h"

#include <algorithm>
#include <cstring>

namespace {

// The schedule's record: a size word that counts the state but not itself,
// then the state, its reserved word written zero and ignored.
struct ScheduleRecord {
    uint32_t size; // sizeof(VillainScheduleState)
    VillainScheduleState state;
};
constexpr auto kStateLayout = kis::Layout(
    sizeof(VillainScheduleState), kis::Field<&VillainScheduleState::active>(0),
    kis::Field<&VillainScheduleState::currentEntry>(4), kis::Field<&VillainScheduleState::entryCount>(8),
    kis::Field<&VillainScheduleState::countdownMs>(12));
constexpr auto kScheduleLayout =
    kis::Layout(4 + sizeof(VillainScheduleState), kis::Field<&ScheduleRecord::size>(0),
                kis::Field<&ScheduleRecord::state, kStateLayout>(4));

} // namespace

void VillainSchedule::Reset(const Level& level) {
    level_ = &level;
    state_ = {};
    state_.entryCount = static_cast<uint32_t>(level.schedule.size());
    state_.active = level.VillainsEnabled() && !level.schedule.empty() && level.record.placeCount > 0;
    if (state_.active) state_.countdownMs = static_cast<int32_t>(level.schedule[0].delayMs);
}

void VillainSchedule::Tick(uint32_t elapsedMs, VillainPlaces& places) {
    if (!state_.active || !level_) return;
    state_.countdownMs -= static_cast<int32_t>(elapsedMs);
    for (uint32_t handled = 0; state_.active && state_.countdownMs <= 0 && handled < kMaxEntriesPerTick;
         ++handled) {
        RunEntry(level_->schedule[state_.currentEntry], places);
        Advance();
    }
}

void VillainSchedule::RunEntry(const ScheduleEntry& entry, VillainPlaces& places) {
    const uint32_t placeCount = level_->record.placeCount;
    if (entry.place >= 0) {
        if (places.IsPlaceFree(static_cast<uint32_t>(entry.place)))
            places.CreateVillain(static_cast<uint32_t>(entry.place), entry.villainKind);
        return;
    }
    bool anyFree = false;
    for (uint32_t p = 0; p < placeCount && !anyFree; ++p)
        anyFree = places.IsPlaceFree(p);
    if (!anyFree) return;
    for (;;) {
        const uint32_t p = static_cast<uint32_t>(kis::Random(static_cast<int32_t>(placeCount)));
        if (places.IsPlaceFree(p)) {
            places.CreateVillain(p, entry.villainKind);
            return;
        }
    }
}

void VillainSchedule::Advance() {
    if (++state_.currentEntry >= state_.entryCount) {
        if (level_->record.loopLength == 0) {
            state_.active = 0;
            state_.currentEntry = state_.entryCount;
            state_.countdownMs = 0;
            return;
        }
        state_.currentEntry = level_->record.loopStart;
    }
    state_.countdownMs = static_cast<int32_t>(level_->schedule[state_.currentEntry].delayMs);
}

void VillainSchedule::Save(SaveWriter& out) const {
    PutRecord(out, kScheduleLayout, {sizeof(VillainScheduleState), state_});
}

bool VillainSchedule::Load(SaveReader& in) {
    ScheduleRecord record{};
    if (!GetRecord(in, kScheduleLayout, &record) || record.size != sizeof(VillainScheduleState)) {
        in.Fail();
        return false;
    }
    const VillainScheduleState& s = record.state;
    // The countdown starts at an entry's delay and only runs down.
    uint32_t longest = 0;
    if (level_)
        for (const ScheduleEntry& entry : level_->schedule)
            longest = std::max(longest, entry.delayMs);
    const bool fits = level_ && s.active <= 1 && s.entryCount == level_->schedule.size() &&
                      s.countdownMs >= 0 && uint32_t(s.countdownMs) <= longest &&
                      (s.active ? s.currentEntry < s.entryCount : s.currentEntry <= s.entryCount) &&
                      (!s.active || level_->VillainsEnabled());
    if (!fits) {
        in.Fail();
        return false;
    }
    state_ = s;
    return true;
}

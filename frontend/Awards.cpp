#include "frontend/Awards.h"

#include "engine/LoaderState.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"

#include <algorithm>
#include <vector>

namespace {

int32_t LoadI32(const uint8_t* p) {
    return int32_t(kis::LoadLE32(p));
}

// A name field: 32 UTF-16 units that must hold a terminator.
bool LoadName(const uint8_t* p, char16_t (&name)[32]) {
    bool terminated = false;
    for (int i = 0; i < 32; ++i) {
        name[i] = char16_t(kis::LoadLE16(p + 2 * i));
        terminated = terminated || name[i] == 0;
    }
    return terminated;
}

} // namespace

int AwardTier(const AwardRecord& award, int32_t value) {
    if (value >= award.gold) return kTierGold;
    if (value >= award.silver) return kTierSilver;
    if (value >= award.bronze) return kTierBronze;
    return kTierNone;
}

namespace {

void StoreName(uint8_t* p, const char16_t (&name)[32]) {
    for (int i = 0; i < 32; ++i)
        kis::StoreLE16(p + 2 * i, uint16_t(name[i]));
}

} // namespace

std::vector<uint8_t> EncodeAwardTable(const AwardRecord (&awards)[kAwardCount],
                                      const AwardGoal (&goals)[kGoalCount]) {
    std::vector<uint8_t> bytes(kAwardTableSize, 0);
    uint8_t* p = bytes.data();
    for (const AwardRecord& a : awards) {
        StoreName(p, a.key);
        kis::StoreLE32(p + 64, uint32_t(a.index));
        StoreName(p + 68, a.icon);
        kis::StoreLE32(p + 136, uint32_t(a.start));
        kis::StoreLE32(p + 140, uint32_t(a.bronze));
        kis::StoreLE32(p + 144, uint32_t(a.silver));
        kis::StoreLE32(p + 148, uint32_t(a.gold));
        p += sizeof(AwardRecord);
    }
    for (const AwardGoal& g : goals) {
        StoreName(p, g.key);
        kis::StoreLE32(p + 64, uint32_t(g.index));
        kis::StoreLE32(p + 68, uint32_t(g.target));
        StoreName(p + 72, g.icon);
        p += sizeof(AwardGoal);
    }
    return bytes;
}

bool Awards::Read(const uint8_t* bytes, size_t size, std::string* why) {
    auto fail = [&](std::string reason) {
        if (why) *why = std::move(reason);
        return false;
    };
    if (size != kAwardTableSize)
        return fail("the table holds " + std::to_string(size) + " bytes, not " +
                    std::to_string(kAwardTableSize));

    AwardRecord awards[kAwardCount] = {};
    AwardGoal goals[kGoalCount] = {};
    bool awardSeen[kAwardCount] = {};
    bool goalSeen[kGoalCount] = {};
    const uint8_t* p = bytes;
    for (int i = 0; i < kAwardCount; ++i, p += sizeof(AwardRecord)) {
        AwardRecord& a = awards[i];
        const std::string which = "award " + std::to_string(i);
        if (!LoadName(p, a.key) || a.key[0] == 0) return fail(which + ": key missing or not terminated");
        a.index = LoadI32(p + 64);
        if (!LoadName(p + 68, a.icon)) return fail(which + ": icon name not terminated");
        a.iconSlot = 0;
        a.start = LoadI32(p + 136);
        a.bronze = LoadI32(p + 140);
        a.silver = LoadI32(p + 144);
        a.gold = LoadI32(p + 148);
        if (a.index < 0 || a.index >= kAwardCount || awardSeen[a.index])
            return fail(which + ": index " + std::to_string(a.index) + " out of range or repeated");
        awardSeen[a.index] = true;
        if (!(a.start <= a.bronze && a.bronze <= a.silver && a.silver <= a.gold))
            return fail(which + ": thresholds decrease");
    }
    for (int i = 0; i < kGoalCount; ++i, p += sizeof(AwardGoal)) {
        AwardGoal& g = goals[i];
        const std::string which = "goal " + std::to_string(i);
        if (!LoadName(p, g.key) || g.key[0] == 0) return fail(which + ": key missing or not terminated");
        g.index = LoadI32(p + 64);
        g.target = LoadI32(p + 68);
        if (!LoadName(p + 72, g.icon)) return fail(which + ": icon name not terminated");
        g.iconSlot = 0;
        if (g.index < 0 || g.index >= kGoalCount || goalSeen[g.index])
            return fail(which + ": index " + std::to_string(g.index) + " out of range or repeated");
        goalSeen[g.index] = true;
    }
    std::copy(std::begin(awards), std::end(awards), awards_);
    std::copy(std::begin(goals), std::end(goals), goals_);
    std::fill(std::begin(awardIcons_), std::end(awardIcons_), nullptr);
    std::fill(std::begin(goalIcons_), std::end(goalIcons_), nullptr);
    totalAward_ = totalIcon_ = nullptr;
    loaded_ = true;
    return true;
}

int32_t Awards::Load(kis::BaseDataFile* reader, LoaderState* state) {
    if (!reader || !reader->OpenChunk(kAwardTableChunkId, kAwardTableChunkSubId)) {
        state->error = 1;
        return kLoaderFinished;
    }
    const kis::DataFileEntry* chunk = reader->GetOpenChunk();
    // The size is checked before anything is read: the table is small and fixed.
    std::vector<uint8_t> bytes;
    bool ok = chunk && chunk->size == kAwardTableSize;
    if (ok) {
        bytes.resize(chunk->size);
        ok = reader->Read(bytes.data(), uint32_t(bytes.size()));
    }
    reader->CloseChunk();
    if (!ok || !Read(bytes.data(), bytes.size(), nullptr)) state->error = 1;
    state->done = state->total = 1;
    return kLoaderFinished;
}

void Awards::ResolveIcons(SpriteLookup getSprite) {
    for (int i = 0; i < kAwardCount; ++i)
        awardIcons_[i] = getSprite ? getSprite(kAwardIconLibrary, awards_[i].icon) : nullptr;
    for (int i = 0; i < kGoalCount; ++i)
        goalIcons_[i] = getSprite ? getSprite(kAwardIconLibrary, goals_[i].icon) : nullptr;
    totalAward_ = getSprite ? getSprite(kAwardIconLibrary, u"ba_total") : nullptr;
    totalIcon_ = getSprite ? getSprite(kAwardIconLibrary, u"ico_total") : nullptr;
}

const AwardRecord* Awards::FindAward(int index) const {
    if (!loaded_) return nullptr;
    for (const AwardRecord& a : awards_)
        if (a.index == index) return &a;
    return nullptr;
}

const AwardGoal* Awards::FindGoal(int index) const {
    if (!loaded_) return nullptr;
    for (const AwardGoal& g : goals_)
        if (g.index == index) return &g;
    return nullptr;
}

int Awards::GetTier(int index, int32_t value) const {
    const AwardRecord* award = FindAward(index);
    return award ? AwardTier(*award, value) : kTierNone;
}

int Awards::Add(AwardCounters& counters, int index, int32_t amount) const {
    if (!FindAward(index)) return 0;
    int32_t& counter = counters.awards[index];
    const int before = GetTier(index, counter);
    counter = int32_t(std::clamp<int64_t>(int64_t(counter) + amount, INT32_MIN, INT32_MAX));
    const int after = GetTier(index, counter);
    return after > before ? after : 0;
}

bool Awards::AddGoalProgress(AwardCounters& counters, int index, int32_t amount, bool relative) const {
    const AwardGoal* goal = FindGoal(index);
    if (!goal) return false;
    int32_t& counter = counters.goals[index];
    const int64_t value = relative ? int64_t(counter) + amount : amount;
    if (value <= counter) return false;
    const int32_t old = counter;
    counter = int32_t(std::min<int64_t>(value, INT32_MAX));
    return old < goal->target && counter >= goal->target;
}

bool Awards::CheckAllComplete(AwardCounters& counters) const {
    if (!loaded_ || counters.finalAward) return false;
    for (const AwardRecord& a : awards_)
        if (AwardTier(a, counters.awards[a.index]) != kTierGold) return false;
    for (const AwardGoal& g : goals_)
        if (counters.goals[g.index] < g.target) return false;
    counters.finalAward = 1;
    return true;
}

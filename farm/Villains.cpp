#include "farm/Villains.h"

#include "farm/RecordReader.h"

#include <cmath>

const char* CheckVillainInfo(const VillainInfoRecord& r) {
    if (!IsNameTerminated(r.soundName)) return "unterminated name";
    // Health is the bar's segment count and the clicks a villain takes.
    if (r.health < 0) return "health below 0";
    // A shot that never moves never lands.
    if (!std::isfinite(r.maxShotSpeed) || r.maxShotSpeed <= 0.0f) return "highest shot speed not above 0";
    return nullptr;
}

VILLAININFO* VillainTable::Add(const VillainInfoRecord& record) {
    auto info = std::make_unique<VILLAININFO>();
    info->record = record;
    info->sound = resources_->LoadSound(record.soundName);
    infos_.push_back(std::move(info));
    return infos_.back().get();
}

int32_t VillainTable::Load(kis::DataFileReaderW* reader, LoaderState* state) {
    return LoadRecordChunk(
        reader, state, kVillainChunkId, kVillainChunkSubId,
        [&](uint32_t* count) {
            return ReadCount(reader, count) && CountFits(reader, *count, sizeof(VillainInfoRecord));
        },
        [&] {
            VillainInfoRecord record;
            if (!ReadRecord(reader, &record) || CheckVillainInfo(record)) return false;
            Add(record);
            return true;
        });
}

VILLAININFO* VillainTable::FindVillainInfo(uint32_t id) const {
    if (id == 0) return nullptr;
    for (const auto& info : infos_)
        if (info->record.id == id) return info.get();
    return nullptr;
}

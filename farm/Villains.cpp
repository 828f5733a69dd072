#include "farm/Villains.h"

#include "farm/RecordReader.h"

#include <cmath>

const char* CheckVillainInfo(const VillainInfoRecord& r) {
    if (!IsNameTerminated(r.soundName)) return "unterminated name";
    // The health bar has room for health + 1 segments.
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
    auto fail = [&] {
        state->error = 1;
        reader->CloseChunk();
        return kLoaderFinished;
    };
    if (state->done == 0 && state->total == 0) {
        uint32_t count = 0;
        if (!reader->OpenChunk(kVillainChunkId, kVillainChunkSubId)) {
            state->error = 1;
            return kLoaderFinished;
        }
        if (!ReadCount(reader, &count) || !CountFits(reader, count, sizeof(VillainInfoRecord))) return fail();
        state->total = int32_t(count);
    }
    while (state->done < state->total) {
        VillainInfoRecord record;
        if (!ReadRecord(reader, &record) || CheckVillainInfo(record)) return fail();
        Add(record);
        ++state->done;
        if (GlobalObjectSetFloat(float(state->done) / float(state->total))) return kLoaderCallAgain;
    }
    if (ChunkBytesLeft(reader) != 0) return fail();
    if (!reader->CloseChunk()) state->error = 1;
    return kLoaderFinished;
}

VILLAININFO* VillainTable::FindVillainInfo(uint32_t id) const {
    if (id == 0) return nullptr;
    for (const auto& info : infos_)
        if (info->record.id == id) return info.get();
    return nullptr;
}

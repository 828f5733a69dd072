#include "level/LevelData.h"

#include "app/App.h"
#include "engine/Log.h"
#include "level/Records.h"

namespace {

// What GameBonuses answers while no level data is set.
const Bonuses kNoBonuses;

// The largest 'CHQR': 32 characters of eight animation kinds each.
constexpr size_t kMaxCharactersChunk = 4 + 32 * (GameCharacter::kHeadSize + 8 * GameCharacter::kKindSize);

int32_t LoadCharacters(kis::DataFileReaderW* reader, LoaderState* state) {
    LevelGameData* data = GetLevelGameData();
    if (!data) {
        state->error = 1;
        return kLoaderFinished;
    }
    std::vector<uint8_t> chunk;
    std::string why = "the chunk is missing or too large";
    std::vector<std::unique_ptr<GameCharacter>> characters;
    if (!ReadWholeChunk(reader, kChunkCharacters, kCharactersSubId, kMaxCharactersChunk, &chunk) ||
        !ParseCharacters(chunk, &characters, &why)) {
        LogErrorPrintf(kLogIndent, "Character descriptions refused: %s.", why.c_str());
        state->error = 1;
        return kLoaderFinished;
    }
    data->characters = std::move(characters);
    state->done = state->total = int32_t(data->characters.size());
    return kLoaderFinished;
}

int32_t LoadBonuses(kis::DataFileReaderW* reader, LoaderState* state) {
    LevelGameData* data = GetLevelGameData();
    if (!data) {
        state->error = 1;
        return kLoaderFinished;
    }
    std::vector<uint8_t> chunk;
    std::string why = "the chunk is missing or too large";
    Bonuses bonuses;
    if (!ReadWholeChunk(reader, kChunkBonuses, kBonusesSubId, Bonuses::kChunkSize, &chunk) ||
        !bonuses.Parse(chunk, &why)) {
        LogErrorPrintf(kLogIndent, "Bonus table refused: %s.", why.c_str());
        state->error = 1;
        return kLoaderFinished;
    }
    data->bonuses = bonuses;
    // The sprite pack was read before the data pack's stages.
    data->bonuses.ResolveIcons();
    state->done = state->total = kBonusCount;
    return kLoaderFinished;
}

} // namespace

LevelGameData* GetLevelGameData() {
    return AppInstalled<LevelGameData>();
}

void SetLevelGameData(LevelGameData* data) {
    InstallInApp(data);
}

std::span<const std::unique_ptr<GameCharacter>> GameCharacters() {
    const LevelGameData* data = GetLevelGameData();
    return data ? std::span<const std::unique_ptr<GameCharacter>>(data->characters)
                : std::span<const std::unique_ptr<GameCharacter>>();
}

const Bonuses& GameBonuses() {
    const LevelGameData* data = GetLevelGameData();
    return data ? data->bonuses : kNoBonuses;
}

void FreeLevelGameData() {
    if (LevelGameData* data = GetLevelGameData()) {
        data->characters.clear();
        data->bonuses = Bonuses{};
    }
}

GameDataStage CharactersStage() {
    return {kChunkCharacters, 1.0f, "character descriptions", GetDataPack, LoadCharacters};
}

GameDataStage BonusesStage() {
    return {kChunkBonuses, 1.0f, "bonuses", GetDataPack, LoadBonuses};
}

bool ReadWholeChunk(kis::DataFileReaderW* reader, uint32_t id, uint32_t subId, size_t maxSize,
                    std::vector<uint8_t>* out) {
    if (!reader || !reader->OpenChunk(id, subId)) return false;
    const kis::DataFileEntry* entry = reader->GetOpenChunk();
    if (!entry || entry->size > maxSize) {
        reader->CloseChunk();
        return false;
    }
    out->assign(entry->size, 0);
    const bool read = entry->size == 0 || reader->Read(out->data(), entry->size);
    reader->CloseChunk();
    return read;
}

#pragma once
// The tables of a built data pack read through the game's own loaders: the
// award table, the products, the building types, the plants and the level
// table. The loaders ask for no sprites, sounds or characters here; the
// award names come from the loaded award table.
#include "farm/Buildings.h"
#include "farm/FarmResources.h"
#include "farm/Plants.h"
#include "farm/Products.h"
#include "foundation/DataFile.h"
#include "foundation/DataPackIds.h"
#include "frontend/Awards.h"
#include "level/LevelTable.h"
#include "platform/Utf.h"

#include <string>
#include <vector>

namespace builttables {

class TableResources : public FarmResources {
  public:
    explicit TableResources(const Awards& awards) : awards_(awards) {}
    Sprite* FindSprite(int32_t, const char16_t*) override { return nullptr; }
    void AcquireSprite(Sprite*) override {}
    int32_t GetFrameCount(Sprite*) override { return 0; }
    uint32_t LoadSound(const char16_t*) override { return 0; }
    GameCharacter* FindCharacter(uint32_t) override { return nullptr; }
    void AcquireCharacter(GameCharacter*) override {}
    const char16_t* GetAwardName(int32_t index) override {
        const AwardRecord* award = awards_.FindAward(index);
        return award ? award->key : nullptr;
    }

  private:
    const Awards& awards_;
};

template <class Loader> bool LoadStage(Loader load) {
    LoaderState state = {};
    int32_t result = kLoaderCallAgain;
    for (int calls = 0; calls < 1000 && result != kLoaderFinished; ++calls)
        result = load(&state);
    return result == kLoaderFinished && !state.error;
}

inline std::vector<uint8_t> ChunkBytes(kis::DataFileReaderW* reader, uint32_t id, uint32_t subId) {
    for (const kis::DataFileEntry& entry : reader->GetRoot().entries) {
        if (entry.id != id || entry.subId != subId) continue;
        std::vector<uint8_t> bytes(entry.size);
        if (!reader->OpenChunkEntry(&entry) || !reader->Read(bytes.data(), entry.size) ||
            !reader->CloseChunk())
            return {};
        return bytes;
    }
    return {};
}

struct Tables {
    Awards awards;
    TableResources resources{awards};
    ProductList products{&resources};
    BuildingList buildings{&resources, &products};
    PlantData plants{&resources, &products};
    LevelTable levels;

    // Reads the pack; why tells what failed.
    bool Load(const std::string& pack, std::string* why) {
        const std::u16string path = platform::Utf8ToUtf16(pack);
        kis::DataFileReaderW* reader =
            kis::OpenDataFileForRead(path.c_str(), kDataPackTypeId, kDataPackTypeVersion, kPackDataVersion);
        if (!reader) return *why = "cannot open " + pack, false;
        const bool loaded = LoadStage([&](LoaderState* s) { return awards.Load(reader, s); }) &&
                            LoadStage([&](LoaderState* s) { return products.Load(reader, s); }) &&
                            LoadStage([&](LoaderState* s) { return buildings.Load(reader, s); }) &&
                            LoadStage([&](LoaderState* s) { return plants.Load(reader, s); });
        const std::vector<uint8_t> levelBytes = ChunkBytes(reader, kLevelTableChunk, kLevelTableSubId);
        kis::CloseDataFile(reader);
        if (!loaded || !awards.IsLoaded()) return *why = "the farm tables of " + pack + " do not load", false;
        return levels.Parse(levelBytes, nullptr, why);
    }
};

// Whether the level enables the building type.
inline bool Allows(const Level& level, uint32_t typeId) {
    for (uint32_t i = 0; i < level.record.typeCount; ++i)
        if (level.record.types[i].id == typeId && level.record.types[i].count > 0) return true;
    return false;
}

} // namespace builttables

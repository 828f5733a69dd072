// Every award counter has something in the game that raises it. A harvest
// raises counter 0, eggs, milk and wool counter 1, a cleared site counter 7,
// a villain driven off counter 8; a factory's goods raise the counter of the
// award whose key is the product's name. The first test reads the built
// Data.dat through the game's own loaders and finds, for each of the nine
// counters, a level where a player meets its source; the second lets the
// level bot play the campaign's dairy and weaving levels for a player and
// reads the counters her profile kept.
#include "app/Profiles.h"
#include "farm/Buildings.h"
#include "farm/FarmResources.h"
#include "farm/Products.h"
#include "farm/VillainHost.h"
#include "foundation/DataFile.h"
#include "foundation/DataPackIds.h"
#include "frontend/Awards.h"
#include "level/LevelPoint.h"
#include "level/LevelTable.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"

#include <array>

using namespace programtest;

namespace {

constexpr uint32_t kHarvestAward = 0;
constexpr uint32_t kAnimalProduceAward = 1;

// What the loaders ask of the game while the tables load: no sprites, sounds
// or characters; the award names come from the loaded award table.
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
    void ShowProductChange(const ProductChange&) override {}

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

std::vector<uint8_t> ChunkBytes(kis::DataFileReaderW* reader, uint32_t id, uint32_t subId) {
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

bool Allows(const Level& level, uint32_t typeId) {
    for (uint32_t i = 0; i < level.record.typeCount; ++i)
        if (level.record.types[i].id == typeId && level.record.types[i].count > 0) return true;
    return false;
}

} // namespace

TEST(AwardCounters, EveryCounterOfTheBuiltTablesHasASourceAPlayerMeets) {
    const std::u16string pack = platform::Utf8ToUtf16(testsupport::BuiltProgramFolder() + "/Data/Data.dat");
    kis::DataFileReaderW* reader =
        kis::OpenDataFileForRead(pack.c_str(), kDataPackTypeId, kDataPackTypeVersion, kPackDataVersion);
    ASSERT_NE(reader, nullptr);
    Awards awards;
    ASSERT_TRUE(LoadStage([&](LoaderState* s) { return awards.Load(reader, s); }));
    ASSERT_TRUE(awards.IsLoaded());
    TableResources resources(awards);
    ProductList products(&resources);
    BuildingList buildings(&resources, &products);
    ASSERT_TRUE(LoadStage([&](LoaderState* s) { return products.Load(reader, s); }));
    ASSERT_TRUE(LoadStage([&](LoaderState* s) { return buildings.Load(reader, s); }));
    const std::vector<uint8_t> levelBytes = ChunkBytes(reader, kLevelTableChunk, kLevelTableSubId);
    kis::CloseDataFile(reader);
    LevelTable levels;
    std::string why;
    ASSERT_TRUE(levels.Parse(levelBytes, nullptr, &why)) << why;
    // A product's award index is found by name the first time a level uses it.
    for (int32_t i = 0; i < products.Count(); ++i)
        products.Acquire(products.Get(i));

    // Where each counter is raised, as "level N: what".
    std::array<std::vector<std::string>, kAwardCount> sources;
    for (uint32_t index = 0; index < kLevelCount; ++index) {
        const Level* level = levels.Get(index);
        if (!level) continue;
        const std::string where = "level " + std::to_string(index + 1) + ": ";
        for (const PointRecord& point : level->points) {
            if (point.kind == kPointPlant) sources[kHarvestAward].push_back(where + "a bed to harvest");
            if (point.kind == kPointEmptySite && point.objectId != 0)
                sources[kAwardSitesCleared].push_back(where + "a site to clear");
        }
        if (level->record.plantCount > 0) sources[kHarvestAward].push_back(where + "plants to sow");
        if (level->VillainsEnabled() && !level->schedule.empty())
            sources[kAwardVillainsDrivenOff].push_back(where + "villains");
        for (int32_t t = 0; t < buildings.Count(); ++t) {
            const BUILDING* type = buildings.Get(t);
            if (!Allows(*level, type->header.id)) continue;
            if (type->IsAnimalHouse() && type->produceProduct)
                sources[kAnimalProduceAward].push_back(where + "an animal house");
            for (int32_t k = 0; k < type->FactoryProductCount(); ++k) {
                const PRODUCT* made = products.FindProduct(type->header.factory.productIds[k]);
                ASSERT_NE(made, nullptr);
                const int32_t award = made->record.awardIndex;
                if (award >= 0 && award < kAwardCount)
                    sources[size_t(award)].push_back(where + platform::Utf16ToUtf8(made->record.name));
            }
        }
    }
    for (int counter = 0; counter < kAwardCount; ++counter) {
        SCOPED_TRACE(testing::Message() << "counter " << counter);
        const AwardRecord* award = awards.FindAward(counter);
        ASSERT_NE(award, nullptr) << "no award counts it";
        EXPECT_FALSE(sources[size_t(counter)].empty())
            << "nothing in the game raises award \"" << platform::Utf16ToUtf8(award->key) << "\"";
    }
}

// The bot plays level 38 (pies, the dairy's cheese, a site to clear, robbers)
// and level 39 (the weaving house's cloth, bread, wool) for Ida: her profile
// counts every award's source at least once.
TEST(AwardCounters, TheBotsDairyAndWeavingLevelsRaiseEveryCounter) {
    GameCopy game;
    testplayers::MakePlayer(game.User(), u"ida");
    std::string output;
    ASSERT_EQ(game.Run("--headless --draw-every 200 --until-ms 3600000 --bot easy 38,39", &output), 0)
        << output;
    const std::string log = game.Log();
    ASSERT_NE(log.find("Bot: level 38 regime 0 won"), std::string::npos) << log;
    ASSERT_NE(log.find("Bot: level 39 regime 0 won"), std::string::npos) << log;
    ASSERT_NE(log.find("Bot: every level played."), std::string::npos) << log;

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    const ProfileRecord& record = *saved;
    for (int counter = 0; counter < kAwardCount; ++counter)
        EXPECT_GE(record.awards[counter], 1) << "counter " << counter << " was never raised";
}

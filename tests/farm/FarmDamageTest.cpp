// Damaged chunks: each of the four chunks with bytes changed at random (by
// the game's own generator, so a failing run can be repeated) is either
// refused with the data error or loads records that stay within their
// room. Also the whole-table checks the content tool makes.
#include "app/App.h"
#include "platform/Random.h"
#include "tests/farm/FarmTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace farmtest;

namespace {

// Every loaded record within the limits the rest of the game relies on.
void ExpectWithinLimits(const FarmData& d) {
    for (int32_t i = 0; i < d.products.Count(); ++i) {
        const PRODUCT* p = d.products.Get(i);
        ASSERT_GE(p->record.ingredientCount, 0);
        ASSERT_LE(p->record.ingredientCount, kMaxIngredients);
        for (int32_t k = 0; k < p->record.ingredientCount; ++k)
            ASSERT_NE(p->ingredients[k], nullptr);
        d.products.IsAvailable(p); // ends, whatever the ingredients
    }
    for (int32_t i = 0; i < d.plants.Count(); ++i)
        ASSERT_EQ(CheckPlantRecord(d.plants.Get(i)->record), nullptr);
    ASSERT_EQ(CheckPlantSettings(d.plants.Settings()), nullptr);
    for (int32_t i = 0; i < d.buildings.Count(); ++i) {
        const BUILDING* b = d.buildings.Get(i);
        ASSERT_EQ(CheckBuildingHeader(b->header), nullptr);
        for (int32_t l = 0; l < b->header.levelCount; ++l)
            ASSERT_EQ(CheckBuildingLevel(b->header, b->levels[l].record), nullptr);
    }
    for (int32_t i = 0; i < d.villains.Count(); ++i)
        ASSERT_EQ(CheckVillainInfo(d.villains.Get(i)->record), nullptr);
}

struct ChunkCase {
    const char* name;
    uint32_t id, subId;
    std::vector<uint8_t> (*bytes)(const FarmTablesSource&);
    std::function<bool(FarmData&, kis::DataFileReaderW*)> load;
};

} // namespace

TEST(FarmDamage, DamagedChunksAreRefusedOrLoadWithinLimits) {
    const ChunkCase cases[] = {
        {"PROD", kProductChunkId, 1, ProductChunkBytes,
         [](FarmData& d, auto* r) { return LoadAll(d.products, r); }},
        {"PLNT", kPlantChunkId, 1, PlantChunkBytes,
         [](FarmData& d, auto* r) { return LoadAll(d.plants, r); }},
        {"BLDN", kBuildingChunkId, 1, BuildingChunkBytes,
         [](FarmData& d, auto* r) { return LoadAll(d.buildings, r); }},
        {"VLNS", kVillainChunkId, 256, VillainChunkBytes,
         [](FarmData& d, auto* r) { return LoadAll(d.villains, r); }},
    };
    const FarmTablesSource sample = Sample();
    platform::SeedRand(24);
    for (const ChunkCase& c : cases) {
        const std::vector<uint8_t> good = c.bytes(sample);
        int refused = 0, loaded = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int run = 0; run < 400 && std::chrono::steady_clock::now() - start < std::chrono::seconds(8);
             ++run) {
            std::vector<uint8_t> bytes = good;
            // Most runs change a few bytes anywhere; some aim at the counts
            // at the front, some cut the chunk short.
            const int kind = platform::Rand() % 8;
            const int changes = 1 + platform::Rand() % 6;
            for (int k = 0; k < changes; ++k) {
                const size_t span = kind == 0 ? std::min<size_t>(8, bytes.size()) : bytes.size();
                const size_t at = size_t(platform::Rand() * 32768 + platform::Rand()) % span;
                bytes[at] = uint8_t(platform::Rand());
            }
            if (kind == 1) bytes.resize(size_t(platform::Rand()) % bytes.size());
            Pack pack({{c.id, c.subId, bytes}});
            RecordingResources resources;
            FarmData data(&resources);
            if (!c.load(data, pack.Reader())) {
                ++refused;
                continue;
            }
            ++loaded;
            ExpectWithinLimits(data);
            if (HasFatalFailure()) {
                ADD_FAILURE() << c.name << " run " << run;
                return;
            }
        }
        EXPECT_GT(refused, 0) << c.name;
        EXPECT_GT(loaded, 0) << c.name;
    }
}

// The tests of FarmChunks run on an App of their own: the shell's state lives in it.
struct FarmChunks : ::testing::Test {
    App app;
};

TEST_F(FarmChunks, TheSampleIsSoundAndWhatTheGameRefusesIsRefused) {
    EXPECT_EQ(CheckFarmTables(Sample()), "");
    using Change = std::function<void(FarmTablesSource&)>;
    const std::pair<const char*, Change> cases[] = {
        {"a two-product cycle",
         [](auto& s) {
             s.products[0].ingredients[0] = {kis::NameId("bread"), 1};
         }},
        {"a product needing itself",
         [](auto& s) {
             s.products[1].ingredients[0] = {kis::NameId("apple"), 3};
         }},
        {"a product twice", [](auto& s) { s.products.push_back(Product("egg")); }},
        {"no warehouse", [](auto& s) { s.buildings.erase(s.buildings.begin()); }},
        {"a villain without health", [](auto& s) { s.villains[0].health = -5; }},
    };
    for (const auto& [what, change] : cases) {
        FarmTablesSource source = Sample();
        change(source);
        EXPECT_NE(CheckFarmTables(source), "") << what;
    }
    // A pair of 0 units or of an unknown product is dropped by the game, so
    // it closes no cycle.
    FarmTablesSource dropped = Sample();
    dropped.products[0].ingredients[0] = {kis::NameId("bread"), 0};
    dropped.products[1].ingredients[0] = {kis::NameId("nothing"), 1};
    EXPECT_EQ(CheckFarmTables(dropped), "");
}

// The chunks written for the game load back through the game's loaders
// in the data pack's order.
TEST_F(FarmChunks, WrittenChunksLoadThroughTheStages) {
    testsupport::TempDir dir;
    const std::u16string path = platform::Utf8ToUtf16(dir.File("Data.dat"));
    kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(path.c_str(), 1, 2, 1, false);
    ASSERT_TRUE(WriteFarmChunks(*writer, Sample()));
    ASSERT_TRUE(kis::CloseDataFile(writer));
    kis::DataFileReaderW* reader = kis::OpenDataFileForRead(path.c_str(), 1, 2, 1);
    ASSERT_NE(reader, nullptr);
    RecordingResources resources;
    FarmData data(&resources);
    SetGameFarmData(&data);
    for (auto stage : {LoadProductsStage, LoadPlantsStage, LoadBuildingsStage, LoadVillainsStage}) {
        LoaderState state = {};
        while (stage(reader, &state) == kLoaderCallAgain) {
        }
        EXPECT_EQ(state.error, 0);
    }
    SetGameFarmData(nullptr);
    kis::CloseDataFile(reader);
    EXPECT_EQ(data.products.Count(), 4);
    EXPECT_EQ(data.plants.Count(), 2);
    EXPECT_EQ(data.buildings.Count(), 2);
    EXPECT_EQ(data.villains.Count(), 1);
    EXPECT_EQ(data.plants.FindPlantByName(u"apple_tree")->product, data.products.FindProductByName(u"apple"));

    // Without the game's tables a stage fails instead of reading into nothing.
    LoaderState state = {};
    EXPECT_EQ(LoadProductsStage(nullptr, &state), kLoaderFinished);
    EXPECT_EQ(state.error, 1);
}

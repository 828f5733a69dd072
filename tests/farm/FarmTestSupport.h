#pragma once
// Shared pieces of the farm-table tests: resources that record what the
// tables ask of them, a small sample of every table, and a pack of chunks
// written to a temporary file for the loaders to read.
#include "farm/FarmChunks.h"
#include "farm/FarmData.h"
#include "farm/FarmHost.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "level/Economy.h"
#include "level/GameLevel.h"
#include "platform/Utf.h"
#include "tests/support/FakeLevel.h"
#include "tests/support/TempDir.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace farmtest {

// A sprite as the recording resources hand it out: never looked into by
// the tables, only passed back.
struct FakeSprite {
    int32_t library;
    std::u16string name;
    int32_t frames;
    int acquired = 0;
};

class RecordingResources : public FarmResources {
  public:
    // Sprites that exist: library, name, frame count.
    void AddSprite(int32_t library, const std::u16string& name, int32_t frames = 1) {
        sprites_.push_back(std::make_unique<FakeSprite>(FakeSprite{library, name, frames}));
    }
    FakeSprite* Fake(int32_t library, const std::u16string& name) {
        for (auto& s : sprites_)
            if (s->library == library && s->name == name) return s.get();
        return nullptr;
    }
    static FakeSprite* AsFake(Sprite* sprite) { return reinterpret_cast<FakeSprite*>(sprite); }
    int Acquisitions() const {
        int n = 0;
        for (auto& s : sprites_)
            n += s->acquired;
        return n;
    }

    Sprite* FindSprite(int32_t library, const char16_t* name) override {
        FakeSprite* fake = Fake(library, name);
        return reinterpret_cast<Sprite*>(fake);
    }
    void AcquireSprite(Sprite* sprite) override { ++AsFake(sprite)->acquired; }
    int32_t GetFrameCount(Sprite* sprite) override { return AsFake(sprite)->frames; }
    uint32_t LoadSound(const char16_t* name) override {
        soundsLoaded.push_back(name);
        return name[0] ? uint32_t(soundsLoaded.size()) : 0;
    }
    GameCharacter* FindCharacter(uint32_t) override { return nullptr; }
    void AcquireCharacter(GameCharacter*) override {}
    const char16_t* GetAwardName(int32_t index) override {
        ++awardLookups;
        return index < int32_t(awardNames.size()) ? awardNames[size_t(index)].c_str() : nullptr;
    }

    int awardLookups = 0;
    std::vector<std::u16string> awardNames;
    std::vector<std::u16string> soundsLoaded;

  private:
    std::vector<std::unique_ptr<FakeSprite>> sprites_;
};

inline void SetName(NameField& field, const char* text) {
    std::memset(field, 0, sizeof field);
    const std::u16string wide = platform::Utf8ToUtf16(text);
    std::memcpy(field, wide.data(), std::min<size_t>(wide.size(), 31) * sizeof(char16_t));
}

inline ProductRecord Product(const char* name, std::vector<IngredientPair> ingredients = {}) {
    ProductRecord r;
    std::memset(&r, 0, sizeof r);
    SetName(r.name, name);
    SetName(r.iconName, (std::string("ico_") + name).c_str());
    SetName(r.mapSpriteName, (std::string("product_") + name).c_str());
    r.id = kis::NameId(name);
    r.awardIndex = -1;
    r.ingredientCount = int32_t(ingredients.size());
    for (size_t i = 0; i < ingredients.size() && i < 4; ++i)
        r.ingredients[i] = ingredients[i];
    return r;
}

inline BuildingTypeSource Warehouse(int32_t levels = 4) {
    BuildingTypeSource b;
    std::memset(&b, 0, sizeof b);
    SetName(b.header.label, "warehouse");
    b.header.id = kis::NameId("warehouse");
    b.header.levelCount = levels;
    b.header.mirrorA = 1;
    for (int32_t i = 0; i < levels && i < 4; ++i)
        b.levels[i].capacityOrAnimationCount = 50 * (i + 1);
    return b;
}

inline BuildingTypeSource Factory(const char* name, std::vector<const char*> products, int32_t levels = 2) {
    BuildingTypeSource b;
    std::memset(&b, 0, sizeof b);
    SetName(b.header.label, name);
    b.header.id = kis::NameId(name);
    b.header.kind = kBuildingFactory;
    b.header.levelCount = levels;
    b.header.characterOrProductCount = uint32_t(products.size());
    for (size_t i = 0; i < products.size() && i < 5; ++i)
        b.header.factory.productIds[i] = kis::NameId(products[i]);
    SetName(b.header.factory.workingSound, "work");
    for (int32_t i = 0; i < levels && i < 4; ++i) {
        BuildingLevelRecord& l = b.levels[i];
        l.capacityOrAnimationCount = 1;
        SetName(l.animations[0].spriteName, "oven");
        l.animations[0].framesInCycle = -1;
        l.emitterCount = 1;
        l.emitters[0] = {kis::NameId("smoke"), 10, -60};
    }
    return b;
}

inline BuildingTypeSource AnimalHouse(const char* name) {
    BuildingTypeSource b;
    std::memset(&b, 0, sizeof b);
    SetName(b.header.label, name);
    b.header.id = kis::NameId(name);
    b.header.kind = kBuildingAnimalHouse;
    b.header.levelCount = 1;
    b.header.animal.feedProductId = kis::NameId("wheat");
    b.header.animal.produceProductId = kis::NameId("egg");
    b.header.animal.productionTime = 10000;
    b.header.animal.eatingTime = 2000;
    return b;
}

inline PlantRecord Plant(const char* name, int32_t kind, const char* product) {
    PlantRecord r;
    std::memset(&r, 0, sizeof r);
    SetName(r.label, name);
    SetName(r.mapSpriteName, (std::string("plant_") + name).c_str());
    r.kind = kind;
    r.id = kis::NameId(name);
    r.productId = kis::NameId(product);
    if (kind == kPlantKindTree) {
        SetName(r.trunkOrEffect, "trunk");
        SetName(r.fruitSpriteName, "fruit");
        const int32_t counts[4] = {2, 3, 4, 5};
        std::memcpy(r.fruitCounts, counts, sizeof counts);
    }
    return r;
}

inline VillainInfoRecord Villain(const char* name) {
    VillainInfoRecord r;
    std::memset(&r, 0, sizeof r);
    SetName(r.label, name);
    SetName(r.soundName, "villain_arrive");
    r.id = kis::NameId(name);
    r.shots = 3;
    r.health = 5;
    r.maxShotSpeed = 4.0f;
    r.flightTime = 1500;
    return r;
}

// The sample content: wheat, apple, egg, bread; wheat and apple_tree; the
// warehouse and the bakery; one villain kind.
inline FarmTablesSource Sample() {
    FarmTablesSource t;
    t.products = {Product("wheat"), Product("apple"), Product("egg"),
                  Product("bread", {{kis::NameId("wheat"), 2}, {kis::NameId("egg"), 1}})};
    t.products[3].productionTime = 6000;
    for (int s = 0; s < 4; ++s)
        t.plantSettings.stages[s].spriteCount = s + 1;
    GameBedsRecord beds;
    std::memset(&beds, 0, sizeof beds);
    for (int k = 0; k < 4; ++k)
        SetName(beds.spriteNames[k], ("bed_" + std::to_string(k + 1)).c_str());
    t.bedSets = {beds};
    t.plants = {Plant("wheat", 1, "wheat"), Plant("apple_tree", kPlantKindTree, "apple")};
    t.buildings = {Warehouse(), Factory("bakery", {"bread"})};
    t.villains = {Villain("robber")};
    return t;
}

// A data pack of the given chunks in a temporary folder, opened for reading.
class Pack {
  public:
    struct Chunk {
        uint32_t id, subId;
        std::vector<uint8_t> bytes;
    };
    explicit Pack(const std::vector<Chunk>& chunks) {
        const std::u16string path = platform::Utf8ToUtf16(dir_.File("Data.dat"));
        kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(path.c_str(), 1, 2, 1, false);
        for (const Chunk& c : chunks)
            writer->BeginChunk(c.id, c.subId), writer->Write(c.bytes.data(), uint32_t(c.bytes.size())),
                writer->EndChunk();
        kis::CloseDataFile(writer);
        reader_ = kis::OpenDataFileForRead(path.c_str(), 1, 2, 1);
    }
    ~Pack() { kis::CloseDataFile(reader_); }
    kis::DataFileReaderW* Reader() { return reader_; }

  private:
    testsupport::TempDir dir_;
    kis::DataFileReaderW* reader_ = nullptr;
};

// Calls a loader until it finishes; true when it finished without error.
template <class Table>
bool LoadAll(Table& table, kis::DataFileReaderW* reader, LoaderState* state = nullptr) {
    LoaderState own = {};
    LoaderState& s = state ? *state : own;
    for (int calls = 0; calls < 100000; ++calls)
        if (table.Load(reader, &s) != kLoaderCallAgain) return s.error == 0;
    return false;
}

// The farm host of a level without pictures, sounds or interface: empty farm
// tables, a stock without room, and every other answer "none" (null, 0,
// nothing shown). It also serves the test's map as the level would, the
// running level being the backing level a test sets, with one tutorial for
// both. A test overrides the members its subject uses.
class FakeFarmHost : public testsupport::FakeLevelServices, public FarmHost {
  public:
    GameLevel* RunningLevel() override { return this->backingLevel; }
    bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) override {
        return FakeLevelServices::TutorialAllows(action, tag, data);
    }
    void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) override {
        FakeLevelServices::TutorialNotify(event, a, b);
    }
    LevelMap* Map() override { return nullptr; }
    MapPlayer* Player() override { return nullptr; }
    ProductStock& Stock() override { return stock_; }
    ProductStockView& StockView() override { return stockView_; }
    ProductList& Products() override { return tables_.products; }
    BuildingList& Buildings() override { return tables_.buildings; }
    PlantData& Plants() override { return tables_.plants; }
    FarmResources* Resources() override { return nullptr; }
    uint32_t PutToWarehouse(const PRODUCT*, uint32_t, GameMessager*, int32_t, int32_t, int32_t,
                            int32_t) override {
        return 0;
    }
    const GameCharacter* FindCharacter(uint32_t) override { return nullptr; }
    Sprite* FindSprite(int32_t, const char16_t*) override { return nullptr; }
    int32_t SpriteWidth(Sprite*) override { return 0; }
    MapSprite* AsMapSprite(Sprite*) override { return nullptr; }
    GAMEBEDS* BedSet() override { return nullptr; }
    Sprite* EmptyTreeSite() override { return nullptr; }
    const GPSDescription* FindParticle(uint32_t) override { return nullptr; }
    GPSSpace* ParticleSpace() override { return nullptr; }
    std::unique_ptr<VillainHealthBar> CreateHealthBar(int32_t, int32_t, int32_t) override { return nullptr; }
    uint32_t PlayOnChannel(uint32_t, uint32_t, int32_t) override { return 0; }
    void FadeOutSound(uint32_t, uint32_t) override {}
    void PlayEventSound(uint32_t) override {}
    void PlaySoundOnce(uint32_t) override {}
    std::unique_ptr<OverheadButton> ShowProductionButton(PointFactory*, int32_t, int32_t, const PRODUCT*,
                                                         int32_t, int32_t, bool, uint32_t) override {
        return nullptr;
    }
    std::unique_ptr<OverheadButton> ShowSlotButton(PointFactory*, int32_t, int32_t, int32_t, int32_t, bool,
                                                   uint32_t) override {
        return nullptr;
    }
    std::unique_ptr<OverheadButton> ShowAnimalButton(PointBuilding*, uint32_t, const PRODUCT*, int32_t,
                                                     int32_t, int32_t, bool, uint32_t) override {
        return nullptr;
    }
    OverheadButtons* Buttons() override { return nullptr; }
    void ShowProductChange(const ProductChange&) override {}
    void AttachBuildingPanel(PointBuilding*) override {}
    void DetachBuildingPanel(PointBuilding*) override {}
    void RefreshBuildingPanel(PointBuilding*) override {}
    PlantPanel* SharedPlantPanel() override { return nullptr; }
    void OpenWarehouseWindow() override {}
    void SetWarehouseButtonLevel(int32_t) override {}

  private:
    struct View : ProductStockView {
        explicit View(ProductStock& stock) : stock(stock) {}
        int32_t GetCount(const PRODUCT* product) const override { return int32_t(stock.GetCount(product)); }
        void Remove(const PRODUCT* product, int32_t units) override {
            if (units > 0) stock.Remove(product, uint32_t(units));
        }
        void Add(const PRODUCT* product, int32_t units) override {
            if (units > 0) stock.Add(product, uint32_t(units));
        }
        ProductStock& stock;
    };
    FarmData tables_{nullptr};
    ProductStock stock_{[](const PRODUCT*, uint32_t) { return 0u; }, 1};
    View stockView_{stock_};
};

} // namespace farmtest

#include "farm/Plants.h"

#include "farm/Products.h"
#include "farm/RecordReader.h"
#include "foundation/Ident.h"

PlantSpriteEffect GetPlantSpriteEffect(const PLANT& plant) {
    if (plant.IsTree()) return PlantSpriteEffect::None;
    // The first byte of the field, as it lies in the file.
    const uint8_t selector = uint8_t(plant.record.trunkOrEffect[0] & 0xFF);
    return selector == 1   ? PlantSpriteEffect::GrowAndShrink
           : selector == 2 ? PlantSpriteEffect::Fade
                           : PlantSpriteEffect::None;
}

const char* CheckPlantSettings(const PlantSettings& settings) {
    for (const PlantStageEntry& stage : settings.stages)
        if (stage.spriteCount < 0 || stage.spriteCount > kMaxStageSprites) return "plant sprites out of 0..4";
    return nullptr;
}

const char* CheckPlantRecord(const PlantRecord& p) {
    if (!IsNameTerminated(p.iconName) || !IsNameTerminated(p.secondIconName) ||
        !IsNameTerminated(p.mapSpriteName) || !IsNameTerminated(p.harvestAnimation))
        return "unterminated name";
    if (p.kind != kPlantKindTree) return nullptr;
    if (!IsNameTerminated(p.trunkOrEffect) || !IsNameTerminated(p.fruitSpriteName))
        return "unterminated name";
    // Fruits are placed in the order of the places, as many as stage 4
    // holds: no stage may ask for more.
    const int32_t most = p.fruitCounts[kPlantStages - 1];
    if (most < 0 || most > kMaxFruits) return "fruit count out of 0..24";
    for (int32_t count : p.fruitCounts)
        if (count < 0 || count > most) return "a stage's fruits above the stage-4 count";
    return nullptr;
}

GAMEBEDS* PlantData::AddBedSet(const GameBedsRecord& record) {
    auto beds = std::make_unique<GAMEBEDS>();
    beds->record = record;
    beds_.push_back(std::move(beds));
    return beds_.back().get();
}

PLANT* PlantData::Add(const PlantRecord& record) {
    auto plant = std::make_unique<PLANT>();
    plant->record = record;
    plant->icon = resources_->FindSprite(kIconLibrary, record.iconName);
    plant->secondIcon = resources_->FindSprite(kIconLibrary, record.secondIconName);
    plant->mapSprite = resources_->FindSprite(kPlantLibrary, record.mapSpriteName);
    plant->product = products_->FindProduct(record.productId);
    if (plant->IsTree()) {
        plant->trunkSprite = resources_->FindSprite(kPlantLibrary, record.trunkOrEffect);
        plant->fruitSprite = resources_->FindSprite(kPlantLibrary, record.fruitSpriteName);
    }
    plants_.push_back(std::move(plant));
    return plants_.back().get();
}

int32_t PlantData::Load(kis::DataFileReaderW* reader, LoaderState* state) {
    return LoadRecordChunk(
        reader, state, kPlantChunkId, kFarmChunkSubId,
        [&](uint32_t* plants) {
            // The settings and the bed sets stand before the plants.
            PlantSettings settings;
            uint32_t bedSets = 0;
            if (!ReadRecord(reader, &settings) || CheckPlantSettings(settings) ||
                !ReadCount(reader, &bedSets) || !CountFits(reader, bedSets, sizeof(GameBedsRecord)))
                return false;
            settings_ = settings;
            for (uint32_t i = 0; i < bedSets; ++i) {
                GameBedsRecord beds;
                if (!ReadRecord(reader, &beds)) return false;
                for (const NameField& name : beds.spriteNames)
                    if (!IsNameTerminated(name)) return false;
                AddBedSet(beds);
            }
            return ReadCount(reader, plants) && CountFits(reader, *plants, sizeof(PlantRecord));
        },
        [&] {
            PlantRecord record;
            if (!ReadRecord(reader, &record) || CheckPlantRecord(record)) return false;
            Add(record);
            return true;
        });
}

PLANT* PlantData::FindPlant(uint32_t id) const {
    if (id == 0) return nullptr;
    for (const auto& plant : plants_)
        if (plant->record.id == id) return plant.get();
    return nullptr;
}

PLANT* PlantData::FindPlantByName(const char16_t* name) const {
    return FindPlant(kis::NameId(name));
}

void PlantData::ResetUsedFlags() {
    for (auto& plant : plants_)
        plant->usable = false;
}

void PlantData::EnablePlant(PLANT* plant, int32_t highestStage) {
    if (!plant) return;
    plant->highestStage = highestStage;
    if (plant->usable) return;
    plant->usable = true;
    if (plant->acquireCount == 0) Acquire(plant);
    products_->MarkUsed(plant->product);
}

void PlantData::Acquire(PLANT* plant) {
    if (!plant) return;
    if (plant->acquireCount == 0) {
        if (plant->mapSprite) resources_->AcquireSprite(plant->mapSprite);
        if (!plant->icon) plant->icon = resources_->FindSprite(kIconLibrary, plant->record.iconName);
        if (!plant->secondIcon)
            plant->secondIcon = resources_->FindSprite(kIconLibrary, plant->record.secondIconName);
        if (plant->icon) resources_->AcquireSprite(plant->icon);
        if (plant->secondIcon) resources_->AcquireSprite(plant->secondIcon);
        products_->Acquire(plant->product);
        if (plant->IsTree()) {
            if (plant->trunkSprite) resources_->AcquireSprite(plant->trunkSprite);
            if (plant->fruitSprite) resources_->AcquireSprite(plant->fruitSprite);
        }
    }
    ++plant->acquireCount;
}

bool PlantData::LoadBedSprites(int32_t bedSetIndex, Sprite* emptyTreeSite) {
    if (bedSetIndex < 0 || bedSetIndex >= BedSetCount()) return false;
    GAMEBEDS& beds = *beds_[size_t(bedSetIndex)];
    for (int32_t k = 0; k < 4; ++k) {
        if (beds.sprites[k]) continue;
        beds.sprites[k] = resources_->FindSprite(kBedLibrary, beds.record.spriteNames[k]);
        if (beds.sprites[k]) resources_->AcquireSprite(beds.sprites[k]);
    }
    if (emptyTreeSite) resources_->AcquireSprite(emptyTreeSite);
    return true;
}

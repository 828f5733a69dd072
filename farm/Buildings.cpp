#include "farm/Buildings.h"

#include "farm/Products.h"
#include "farm/RecordReader.h"
#include "foundation/Ident.h"

#include <algorithm>

namespace {

uint32_t HenhouseId() {
    static const uint32_t id = kis::NameId("henhouse");
    return id;
}

uint32_t WarehouseId() {
    static const uint32_t id = kis::NameId("warehouse");
    return id;
}

} // namespace

const char* CheckBuildingHeader(const BuildingHeader& h) {
    if (h.levelCount < 1 || h.levelCount > kMaxBuildingLevels) return "level count out of 1..4";
    if (!IsNameTerminated(h.siteSpriteName)) return "unterminated name";
    if (h.kind == kBuildingFactory) {
        if (h.characterOrProductCount > uint32_t(kMaxFactoryProducts)) return "more than 5 factory products";
        if (!IsNameTerminated(h.factory.workingSound)) return "unterminated name";
    } else if (h.kind == kBuildingAnimalHouse) {
        const BuildingAnimalPart& a = h.animal;
        if (!IsNameTerminated(a.panelIconName) || !IsNameTerminated(a.feedIconName) ||
            !IsNameTerminated(a.feedAnimation) || !IsNameTerminated(a.workingSound))
            return "unterminated name";
        // Both times divide: the production gauges and the henhouse's phases.
        if (a.productionTime == 0) return "animal house production time 0";
        if (h.id == HenhouseId() && a.eatingTime == 0) return "henhouse eating time 0";
    }
    return nullptr;
}

const char* CheckBuildingLevel(const BuildingHeader& h, const BuildingLevelRecord& l) {
    if (!IsNameTerminated(l.mapSpriteName) || !IsNameTerminated(l.iconName) ||
        !IsNameTerminated(l.secondIconName))
        return "unterminated name";
    if (l.extraCount < 0 || l.extraCount > kMaxExtraMapSprites) return "extra map sprites out of 0..2";
    for (int32_t i = 0; i < l.extraCount; ++i)
        if (!IsNameTerminated(l.extraSpriteNames[i])) return "unterminated name";
    if (l.emitterCount < 0 || l.emitterCount > kMaxBuildingEmitters) return "emitters out of 0..16";
    if (h.kind == kBuildingFactory) {
        const int32_t n = l.capacityOrAnimationCount;
        if (n < 0 || n > kMaxProductionAnimations) return "production animations out of 0..4";
        for (int32_t i = 0; i < n; ++i) {
            if (!IsNameTerminated(l.animations[i].spriteName)) return "unterminated name";
            if (l.animations[i].framesInCycle > kMaxCycleFrames) return "more than 32 frames in a cycle";
        }
    } else if (h.kind == kBuildingAnimalHouse) {
        if (!IsNameTerminated(l.animal.overlaySpriteName)) return "unterminated name";
    }
    return nullptr;
}

bool ResolveBuildingMirror(const BuildingHeader& header, bool requested) {
    if (header.mirrorA == 0) return header.mirrorB != 0;
    return header.mirrorB != 0 ? !requested : requested;
}

BUILDING* BuildingList::Add(const BuildingHeader& header, const BuildingLevelRecord* levels) {
    auto type = std::make_unique<BUILDING>();
    type->header = header;
    type->siteSprite = resources_->FindSprite(kBuildingLibrary, header.siteSpriteName);
    if (type->IsAnimalHouse()) {
        const BuildingAnimalPart& a = header.animal;
        type->animal = resources_->FindCharacter(header.characterOrProductCount);
        type->panelIcon = resources_->FindSprite(kIconLibrary, a.panelIconName);
        type->feedIcon = resources_->FindSprite(kIconLibrary, a.feedIconName);
        type->feedProduct = products_->FindProduct(a.feedProductId);
        type->produceProduct = products_->FindProduct(a.produceProductId);
        if (header.id == HenhouseId())
            type->nestSprite = resources_->FindSprite(kBuildingLibrary, u"henhouse_nest");
    }
    for (int32_t i = 0; i < header.levelCount; ++i) {
        BuildingLevel& level = type->levels[i];
        const BuildingLevelRecord& r = level.record = levels[i];
        level.mapSprite = resources_->FindSprite(kBuildingLibrary, r.mapSpriteName);
        for (int32_t e = 0; e < r.extraCount; ++e)
            level.extraSprites[e] = resources_->FindSprite(kBuildingLibrary, r.extraSpriteNames[e]);
        level.icon = resources_->FindSprite(kIconLibrary, r.iconName);
        level.secondIcon = resources_->FindSprite(kIconLibrary, r.secondIconName);
        if (type->IsAnimalHouse())
            level.overlay = resources_->FindSprite(kBuildingLibrary, r.animal.overlaySpriteName);
        else if (type->IsFactory())
            for (int32_t a = 0; a < r.capacityOrAnimationCount; ++a)
                level.animationSprites[a] =
                    resources_->FindSprite(kBuildingLibrary, r.animations[a].spriteName);
    }
    types_.push_back(std::move(type));
    return types_.back().get();
}

int32_t BuildingList::Load(kis::DataFileReaderW* reader, LoaderState* state) {
    const int32_t result = LoadRecordChunk(
        reader, state, kBuildingChunkId, kFarmChunkSubId,
        [&](uint32_t* count) {
            // Every type takes its header and at least one level.
            return ReadCount(reader, count) &&
                   CountFits(reader, *count, sizeof(BuildingHeader) + sizeof(BuildingLevelRecord));
        },
        [&] {
            auto header = std::make_unique<BuildingHeader>();
            if (!ReadRecord(reader, header.get()) || CheckBuildingHeader(*header)) return false;
            auto levels = std::make_unique<BuildingLevelRecord[]>(kMaxBuildingLevels);
            for (int32_t i = 0; i < header->levelCount; ++i)
                if (!ReadRecord(reader, &levels[i]) || CheckBuildingLevel(*header, levels[i])) return false;
            Add(*header, levels.get());
            return true;
        });
    // Every level asks the warehouse for its capacities.
    if (result == kLoaderFinished && !state->error && !FindBuildingType(WarehouseId())) state->error = 1;
    return result;
}

BUILDING* BuildingList::FindBuildingType(uint32_t id) const {
    if (id == 0) return nullptr;
    for (const auto& type : types_)
        if (type->header.id == id) return type.get();
    return nullptr;
}

BUILDING* BuildingList::FindBuildingByName(const char16_t* name) const {
    return FindBuildingType(kis::NameId(name));
}

void BuildingList::EnableBuilding(BUILDING* type, int32_t highestLevel) {
    if (!type) return;
    type->highestLevel = highestLevel;
    if (type->usable) return;
    type->usable = true;
    if (type->acquireCount == 0) Acquire(type);
    // The feed is bought, not made here: it is not marked.
    if (type->IsAnimalHouse()) products_->MarkUsed(type->produceProduct);
    for (int32_t i = 0; i < type->FactoryProductCount(); ++i)
        products_->MarkUsedById(type->header.factory.productIds[i]);
}

void BuildingList::Acquire(BUILDING* type) {
    if (!type) return;
    auto acquire = [&](Sprite* sprite) {
        if (sprite) resources_->AcquireSprite(sprite);
    };
    if (type->acquireCount == 0) {
        acquire(type->siteSprite);
        if (type->IsFactory()) {
            if (!type->workingSound)
                type->workingSound = resources_->LoadSound(type->header.factory.workingSound);
        } else if (type->IsAnimalHouse()) {
            acquire(type->panelIcon);
            acquire(type->feedIcon);
            if (type->animal) resources_->AcquireCharacter(type->animal);
            products_->Acquire(type->produceProduct);
            if (!type->workingSound)
                type->workingSound = resources_->LoadSound(type->header.animal.workingSound);
        }
        acquire(type->nestSprite);
        for (int32_t i = 0; i < type->header.levelCount; ++i) {
            BuildingLevel& level = type->levels[i];
            acquire(level.icon);
            acquire(level.secondIcon);
            acquire(level.mapSprite);
            for (int32_t e = 0; e < level.record.extraCount; ++e)
                acquire(level.extraSprites[e]);
            if (type->IsAnimalHouse()) acquire(level.overlay);
            if (!type->IsFactory()) continue;
            for (int32_t a = 0; a < level.record.capacityOrAnimationCount; ++a) {
                Sprite* sprite = level.animationSprites[a];
                acquire(sprite);
                ProductionAnimation& animation = level.record.animations[a];
                if (animation.framesInCycle < 0 && sprite)
                    animation.framesInCycle =
                        std::clamp(resources_->GetFrameCount(sprite), 0, kMaxCycleFrames);
            }
        }
    }
    ++type->acquireCount;
}

bool BuildingList::IsBuildingTypeAvailable(BUILDING* type) const {
    if (!type || !type->usable) return false;
    if (!type->IsFactory()) return true;
    for (int32_t i = 0; i < type->FactoryProductCount(); ++i)
        if (products_->IsAvailableById(type->header.factory.productIds[i])) return true;
    type->usable = false;
    return false;
}

void BuildingList::ResetUsedFlags() {
    for (auto& type : types_)
        type->usable = false;
}

int32_t BuildingList::GetWarehouseCapacity(const PRODUCT* product, int32_t level) const {
    if (!product) return 0;
    if (!warehouse_) warehouse_ = FindBuildingType(WarehouseId());
    if (!warehouse_) return 0; // the loader refuses such data; a list filled by hand may lack it
    level = std::clamp(level, 1, warehouse_->header.levelCount);
    return std::max(warehouse_->levels[level - 1].record.capacityOrAnimationCount, 0);
}

ProductStock::CapacityFunction BuildingList::WarehouseCapacities() const {
    return [this](const PRODUCT* product, uint32_t level) {
        return uint32_t(GetWarehouseCapacity(product, int32_t(level)));
    };
}

#include "farm/FarmWorld.h"

#include "app/App.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "farm/AnimalHouses.h"
#include "farm/BuildingPoints.h"
#include "farm/BuildingSites.h"
#include "farm/FarmData.h"
#include "farm/FarmVillains.h"
#include "farm/PlantPoints.h"
#include "level/GameLevel.h"
#include "level/LevelData.h"
#include "level/MapCharacter.h"
#include "level/Records.h"
#include "level/SaveStream.h"
#include "platform/Utf.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"

#include <cstdio>

namespace {

constexpr int32_t kCharacterLayer = 2;

// The stock block: its head (bytes 12-15 written zero, not read), then one
// entry per record of the stock.
struct StockHead {
    uint32_t size; // the whole block's, head and entries
    uint32_t warehouseLevel;
    uint32_t count; // entries that follow
};
constexpr auto kStockHeadLayout =
    kis::Layout(16, kis::Field<&StockHead::size>(0), kis::Field<&StockHead::warehouseLevel>(4),
                kis::Field<&StockHead::count>(8));
struct StockEntry {
    uint32_t productId;
    uint32_t units;
};
constexpr auto kStockEntryLayout =
    kis::Layout(8, kis::Field<&StockEntry::productId>(0), kis::Field<&StockEntry::units>(4));

constexpr uint32_t StockBlockSize(uint32_t count) {
    return uint32_t(kStockHeadLayout.size + count * kStockEntryLayout.size);
}

std::string Narrow(const char16_t* text) {
    return platform::Utf16ToUtf8(text ? std::u16string_view(text) : std::u16string_view());
}

} // namespace

FarmWorld::FarmWorld(FarmData* farm)
    : farm_(farm), stock_(std::make_unique<ProductStock>(farm->buildings.WarehouseCapacities(), 1)) {
    WatchStock();
}

FarmWorld::~FarmWorld() = default;

void FarmWorld::Detach() {
    if (villains_) villains_->Clear();
}

void FarmWorld::Attach(GameLevel* level) {
    level_ = level;
    const LevelRecord& r = level->Record().record;
    farm_->ResetUsedFlags();
    for (uint32_t i = 0; i < r.stockCount; ++i)
        farm_->products.MarkUsedById(r.stock[i].id);
    for (uint32_t i = 0; i < r.plantCount; ++i)
        if (PLANT* plant = farm_->plants.FindPlant(r.plants[i].id))
            farm_->plants.EnablePlant(plant, int32_t(r.plants[i].count));
    for (uint32_t i = 0; i < r.typeCount; ++i)
        if (BUILDING* type = farm_->buildings.FindBuildingType(r.types[i].id))
            farm_->buildings.EnableBuilding(type, int32_t(r.types[i].count));
    // The plant beds of the level's set and its empty tree site.
    farm_->plants.LoadBedSprites(int32_t(r.bedSet), FindSprite(kLevelLibrary, r.treeSiteSprite));

    villainHost_ = std::make_unique<VillainLevelHost>(level, this);
    const auto characters = GameCharacters();
    FarmVillains::Setup setup;
    setup.map = &level->Map();
    setup.host = villainHost_.get();
    setup.table = &farm_->villains;
    setup.villain = FindById(characters, kCharacterVillain);
    setup.catapult = FindById(characters, kCharacterCatapult);
    setup.places = std::span<const VillainPlace>(r.places, r.placeCount);
    villains_ = std::make_unique<FarmVillains>(setup);
    particles_ =
        static_cast<MapParticleLayer*>(level->Map().Adopt(std::make_unique<MapParticleLayer>(&level->Map())));
    particles_->AddToLevel(0);
}

void FarmWorld::InstallPointMakers() {
    auto building = [this](uint32_t index, const PointRecord& record) -> std::unique_ptr<BaseLevelPoint> {
        if (auto house = MakeAnimalHousePoint(this, index, record)) return house;
        return MakeBuildingPoint(this, index, record);
    };
    SetPointMaker(kPointWarehouse, building);
    SetPointMaker(kPointBuilding, building);
    SetPointMaker(kPointPlant, [this](uint32_t index, const PointRecord& record) {
        return MakePlantPoint(this, index, record);
    });
}

void FarmWorld::RemovePointMakers() {
    for (uint32_t kind : {uint32_t(kPointWarehouse), uint32_t(kPointPlant), uint32_t(kPointBuilding)})
        SetPointMaker(kind, nullptr);
}

void FarmWorld::BuildPathFinder() {
    const ::Level& record = level_->Record();
    auto finder = std::make_unique<shpf::PathFinder>(record.record.fieldWidth, record.record.fieldHeight,
                                                     std::span<const uint32_t>(kClearances));
    finder->SetLevelShapes(record.shapes);
    level_->SetPathFinder(std::move(finder));
}

// ---------------------------------------------------------------- stock

void FarmWorld::ResetStock(uint32_t highestWarehouseLevel) {
    stock_ = std::make_unique<ProductStock>(farm_->buildings.WarehouseCapacities(),
                                            std::max(1u, highestWarehouseLevel));
    WatchStock();
}

// Every change of the stock (the level's starting stock, a delivery, a
// feeding, a sale, a production's ingredients) tells the factories whether
// their recipes can start, so their production buttons show it at once, and
// the goals that count the product in stock count it again: a goal met with
// wheat in the warehouse is no longer met once the mill has ground it.
void FarmWorld::WatchStock() {
    stock_->AddListener([this](const ProductStock::Record& record) {
        if (!level_) return;
        RefreshFactoryRecipes(*level_);
        if (record.product) level_->UpdateGoals(kGoalProduct);
    });
}

uint32_t FarmWorld::AddProduct(uint32_t productId, uint32_t units) {
    const PRODUCT* product = farm_->products.FindProduct(productId);
    return product ? stock_->Add(product, units) : 0;
}

uint32_t FarmWorld::ProductCount(uint32_t productId) const {
    const PRODUCT* product = farm_->products.FindProduct(productId);
    return product ? stock_->GetCount(product) : 0;
}

int64_t FarmWorld::StockValue() const {
    int64_t value = 0;
    for (int32_t i = 0; i < stock_->RecordCount(); ++i) {
        const ProductStock::Record& record = stock_->GetRecord(i);
        value += int64_t(record.product->record.price) * record.count;
    }
    return value;
}

void FarmWorld::SetWarehouseLevel(uint32_t level) {
    stock_->SetWarehouseLevel(level);
}

uint32_t FarmWorld::ProductRoom(uint32_t productId) const {
    const PRODUCT* product = farm_->products.FindProduct(productId);
    return product ? stock_->GetRoom(product) : 0;
}

int32_t FarmWorld::ProductPrice(uint32_t productId) const {
    const PRODUCT* product = farm_->products.FindProduct(productId);
    return product ? product->record.price : 0;
}

uint32_t FarmWorld::ProductNumber(uint32_t productId) const {
    const PRODUCT* product = farm_->products.FindProduct(productId);
    return product ? product->record.number : 0;
}

void FarmWorld::SaveStock(SaveWriter& out) const {
    const uint32_t n = uint32_t(stock_->RecordCount());
    PutRecord(out, kStockHeadLayout, {StockBlockSize(n), stock_->GetWarehouseLevel(), n});
    for (int32_t i = 0; i < stock_->RecordCount(); ++i) {
        const ProductStock::Record& record = stock_->GetRecord(i);
        PutRecord(out, kStockEntryLayout, {record.product->record.id, record.count});
    }
}

bool FarmWorld::LoadStock(SaveReader& in) {
    StockHead head{};
    if (!GetRecord(in, kStockHeadLayout, &head)) return false;
    // The whole block is there before the stock is touched.
    if (head.warehouseLevel < 1 || head.warehouseLevel > stock_->GetHighestLevel() ||
        head.count > kMaxStockRecords || head.size != StockBlockSize(head.count) ||
        in.Remaining() < head.size - kStockHeadLayout.size)
        return false;
    stock_->Clear();
    stock_->SetWarehouseLevel(head.warehouseLevel);
    for (uint32_t i = 0; i < head.count; ++i) {
        StockEntry entry{};
        if (!GetRecord(in, kStockEntryLayout, &entry)) return false;
        const PRODUCT* product = farm_->products.FindProduct(entry.productId);
        // An unknown product, or more than the warehouse holds, is a broken save.
        if (!product || stock_->Add(product, entry.units) != entry.units) return false;
    }
    return true;
}

int32_t FarmWorld::GetCount(const PRODUCT* product) const {
    return int32_t(stock_->GetCount(product));
}
void FarmWorld::Remove(const PRODUCT* product, int32_t units) {
    if (units > 0) stock_->Remove(product, uint32_t(units));
}
void FarmWorld::Add(const PRODUCT* product, int32_t units) {
    if (units > 0) stock_->Add(product, uint32_t(units));
}

// ---------------------------------------------------------------- farmer

void FarmWorld::CreatePlayer(int32_t x, int32_t y) {
    LevelMap& map = level_->Map();
    if (player_) map.Delete(player_);
    player_ = nullptr;
    const GameCharacter* farmer = FindById(GameCharacters(), kCharacterFarmer);
    if (!farmer) {
        LogErrorPrintf(0, "The level has no farmer: the character descriptions lack one.");
        return;
    }
    player_ =
        static_cast<MapPlayer*>(map.Adopt(std::make_unique<MapPlayer>(&map, farmer, float(x), float(y))));
    player_->AddToLevel(kCharacterLayer);
}

// The farmer's character block (none without a farmer: the character
// descriptions lacked one, and the level's set-up said so).
void FarmWorld::SavePlayer(SaveWriter& out) const {
    if (player_ && !player_->SaveState(out)) out.Fail();
}
bool FarmWorld::LoadPlayer(SaveReader& in) {
    std::string why;
    if (!player_ || player_->LoadState(in, &why)) return true;
    LogErrorPrintf(0, "The saved farmer is refused: %s.", why.c_str());
    return false;
}
void FarmWorld::StopCharacters() {
    if (!player_) return;
    player_->DeleteAllJobs();
    // Her work went with its job: she stands, as a farmer without a job does.
    player_->StopWalk();
    player_->PlayAnimation(player_->AnimationKind(), player_->IsMirrored());
}
void FarmWorld::SetPlayerSpeedModifier(uint32_t track, uint32_t id, float value) {
    if (player_) player_->SetSpeedModifier(track, id, value);
}
void FarmWorld::PreRunParticles(uint32_t ticks) {
    for (uint32_t i = 0; particles_ && i < ticks; ++i)
        particles_->Update(kLevelTickMs);
}
void FarmWorld::TickShots(uint32_t ms) {
    if (villains_) villains_->TickShots(ms);
    if (particles_) particles_->Update(ms);
}
void FarmWorld::TickCharacters(uint32_t ms) {
    if (player_) player_->Update(ms);
    if (villains_) villains_->TickVillains(ms);
}

// ---------------------------------------------------------------- villains

bool FarmWorld::IsVillainPlaceFree(uint32_t place) const {
    return villains_ && villains_->IsVillainPlaceFree(place);
}
void FarmWorld::CreateVillain(uint32_t place, uint32_t villainKind, const VillainPlace&) {
    if (villains_ && !villains_->CreateVillain(place, villainKind))
        LogErrorPrintf(0, "A villain of kind 0x%08X cannot come to place %u.", villainKind, place);
}
void FarmWorld::AttackVillainsByBees() {
    if (villains_) villains_->AttackVillainsByBees();
}
// The villains' block (none before the level's set-up made the villains).
void FarmWorld::SaveVillains(SaveWriter& out) const {
    if (villains_) villains_->SaveVillains(out);
}
bool FarmWorld::LoadVillains(SaveReader& in, uint32_t placeCount) {
    if (!villains_ || villains_->LoadVillains(in, placeCount, &villainWhy_)) return true;
    LogErrorPrintf(0, "The saved villains are refused: %s.", villainWhy_.c_str());
    return false;
}

GPSSpace* FarmWorld::ParticleSpace() {
    return particles_ ? &particles_->Space() : nullptr;
}
std::unique_ptr<VillainHealthBar> FarmWorld::CreateHealthBar(int32_t x, int32_t y, int32_t maximum) {
    return std::make_unique<MapHealthBar>(&level_->Map(), x, y, maximum);
}
bool FarmWorld::ClickFieldObject(float x, float y) {
    return villains_ && villains_->ClickAt(x, y);
}
bool FarmWorld::ShotUnder(float x, float y) const {
    return villains_ && villains_->ShotUnder(x, y);
}
void FarmWorld::HoverFieldObject(bool inField, float x, float y) {
    if (villains_) villains_->Hover(inField, x, y);
}

bool FarmWorld::GetBonus(uint32_t slot, BonusInfo* info) const {
    const Bonuses& bonuses = GameBonuses();
    const BONUS* bonus = bonuses.IsLoaded() ? bonuses.Get(int32_t(slot)) : nullptr;
    if (!bonus) return false;
    info->rechargeMs = bonus->rechargeMs;
    info->durationMs = bonus->durationMs;
    for (int t = 0; t < Bonuses::kTrackCount; ++t)
        info->speedModifiers[t] = bonuses.SpeedModifier(int32_t(slot), t);
    return true;
}

// ---------------------------------------------------------------- the tutorial

bool FarmWorld::TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) {
    return level_->TutorialAllows(action, tag, data);
}
void FarmWorld::TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) {
    // A point's new stage goes into the log once the level plays.
    if (event == TutorialEvent::PointChanged && level_ && level_->IsBegun()) {
        if (const auto* point = b.As<BaseLevelPoint>())
            LogLabelPrintf(kLogIndent, "Point stage", "point %u (kind %d) at stage %d", point->Index(),
                           int(a), point->Stage());
    }
    // A factory's starts and units go into the log.
    if (event == TutorialEvent::ProductionStarted || event == TutorialEvent::ProductionEnded) {
        const PRODUCT* product = farm_->products.FindProduct(a);
        LogLabelPrintf(kLogIndent,
                       event == TutorialEvent::ProductionStarted ? "Production started" : "Unit produced",
                       "%s", product ? Narrow(product->record.name).c_str() : "?");
    }
    level_->TutorialNotify(event, a, b);
}

// ---------------------------------------------------------------- the farm host

LevelMap* FarmWorld::Map() {
    return &level_->Map();
}

uint32_t FarmWorld::PutToWarehouse(const PRODUCT* product, uint32_t units, GameMessager* messenger,
                                   int32_t awardIndex, int32_t x, int32_t y, int32_t flyInOffset) {
    if (!product || units == 0) return 0;
    const uint32_t stored =
        level_->PutToWarehouse(product->record.id, units, messenger, awardIndex, x, y, flyInOffset);
    LogLabelPrintf(kLogIndent, "Into the warehouse", "%u of %u %s (stock %u)", stored, units,
                   Narrow(product->record.name).c_str(), stock_->GetCount(product));
    if (stored > 0) ShowProductChange({int32_t(stored), x, y + flyInOffset, 0, 0, product});
    return stored;
}

ProductList& FarmWorld::Products() {
    return farm_->products;
}
BuildingList& FarmWorld::Buildings() {
    return farm_->buildings;
}

Sprite* FarmWorld::FindSprite(int32_t library, const char16_t* name) {
    FarmResources* resources = farm_->Resources();
    return resources ? resources->FindSprite(library, name) : nullptr;
}

int32_t FarmWorld::SpriteWidth(Sprite* sprite) {
    return sprite ? sprite->GetWidth() : 0;
}

// The farm's sounds belong to the running level and are heard by the
// interface too: paused with the level and faded out with its screen.
uint32_t FarmWorld::PlayOnChannel(uint32_t soundId, uint32_t category, int32_t loopMode) {
    return soundId ? GetSoundManager().PlayById(soundId, category, loopMode) : 0;
}
void FarmWorld::FadeOutSound(uint32_t channel, uint32_t ms) {
    if (channel) GetSoundManager().StopChannelFade(channel, ms);
}
void FarmWorld::PlayEventSound(uint32_t slot) {
    SoundManager& sound = GetSoundManager();
    if (const uint32_t id = sound.GetEventSound(int(slot)))
        sound.PlayById(id, kSoundCategoryLevel | kSoundCategoryScreen, kLoopAsLoaded);
}
void FarmWorld::PlaySoundOnce(uint32_t sound) {
    if (sound) GetSoundManager().PlayById(sound, kSoundCategoryLevel | kSoundCategoryScreen, kLoopAsLoaded);
}

const GameCharacter* FarmWorld::FindCharacter(uint32_t id) {
    return FindById(GameCharacters(), id);
}

PlantData& FarmWorld::Plants() {
    return farm_->plants;
}
FarmResources* FarmWorld::Resources() {
    return farm_->Resources();
}
GAMEBEDS* FarmWorld::BedSet() {
    const int32_t set = int32_t(level_->Record().record.bedSet);
    return set >= 0 && set < farm_->plants.BedSetCount() ? farm_->plants.GetBedSet(set) : nullptr;
}
Sprite* FarmWorld::EmptyTreeSite() {
    return FindSprite(kLevelLibrary, level_->Record().record.treeSiteSprite);
}
MapSprite* FarmWorld::AsMapSprite(Sprite* sprite) {
    return dynamic_cast<MapSprite*>(sprite);
}

// ---------------------------------------------------------------- the smoke

// The effects the building table names are the sprite pack's particle
// descriptions, by the name id of their name.
const GPSDescription* FarmWorld::FindParticle(uint32_t effectId) {
    SpriteLibraries* libraries = GetSpriteLibraries();
    return libraries ? FindParticleDescription(&libraries->particles, effectId) : nullptr;
}

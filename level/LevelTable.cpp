#include "level/LevelTable.h"

#include "app/App.h"
#include "engine/LoaderState.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "foundation/NumberText.h"
#include "text/Language.h"

#include <cmath>
#include <cstring>

namespace {

// Reads the chunk front to back; every take is bounded by the bytes left.
class ChunkCursor {
  public:
    explicit ChunkCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t Left() const { return bytes_.size() - at_; }
    bool TakeU32(uint32_t* v) {
        if (Left() < 4) return false;
        *v = kis::LoadLE32(bytes_.data() + at_);
        at_ += 4;
        return true;
    }
    // n records of T; the count is checked against the bytes left before
    // anything is sized.
    template <class T> bool TakeArray(uint32_t n, std::vector<T>* out) {
        if (n > Left() / sizeof(T)) return false;
        out->resize(n);
        if (n) std::memcpy(out->data(), bytes_.data() + at_, n * sizeof(T));
        at_ += n * sizeof(T);
        return true;
    }
    template <class T> bool Take(T* out) {
        if (Left() < sizeof(T)) return false;
        std::memcpy(out, bytes_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return true;
    }

  private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

bool Terminated(const char16_t (&name)[32]) {
    for (char16_t c : name)
        if (c == 0) return true;
    return false;
}

bool PositiveFinite(float v) {
    return std::isfinite(v) && v > 0.0f;
}

struct Checker {
    const LevelTableCatalog* catalog;
    std::string* why;
    uint32_t level;

    bool Fail(const char* what) {
        if (why) *why = "level " + std::to_string(level) + ": " + what;
        return false;
    }
};

// The highest stage a point of this kind and object may have in the level;
// 0 when the object is not enabled there.
uint32_t HighestStage(const LevelRecord& r, const PointRecord& p) {
    const IdCount* list = p.kind == kPointPlant ? r.plants : r.types;
    const uint32_t count = p.kind == kPointPlant ? r.plantCount : r.typeCount;
    for (uint32_t i = 0; i < count; ++i)
        if (list[i].id == p.objectId) return list[i].count;
    return 0;
}

bool CheckRegime(Checker& c, const RegimeBlock& regime, uint32_t garbageSites) {
    if (!(regime.goldMs > 0 && regime.goldMs < regime.silverMs && regime.silverMs < regime.bronzeMs))
        return c.Fail("medal times out of order");
    if (regime.goalCount > kMaxLevelGoals) return c.Fail("too many goals");
    for (uint32_t g = 0; g < regime.goalCount; ++g) {
        const GoalRecord& goal = regime.goals[g];
        if (goal.target < 1) return c.Fail("goal without a target");
        switch (goal.kind) {
        case kGoalMoney:
        case kGoalGarbageSites:
            if (goal.objectId != 0 || goal.stage != 0) return c.Fail("goal names an object");
            // The level window shows the heaps on the field and the panel
            // counts down from the target: both are the same number.
            if (goal.kind == kGoalGarbageSites && goal.target != garbageSites)
                return c.Fail("a sites goal must count every garbage heap of the level");
            break;
        case kGoalProduct:
            if (goal.stage != 0) return c.Fail("product goal with a stage");
            if (c.catalog && !c.catalog->HasProduct(goal.objectId))
                return c.Fail("goal names an unknown product");
            break;
        case kGoalPlant:
        case kGoalBuilding:
            if (goal.stage < 1 || goal.stage > 4) return c.Fail("goal stage out of range");
            if (c.catalog && goal.kind == kGoalPlant && !c.catalog->HasPlant(goal.objectId))
                return c.Fail("goal names an unknown plant");
            if (c.catalog && goal.kind == kGoalBuilding && c.catalog->BuildingLevelCount(goal.objectId) == 0)
                return c.Fail("goal names an unknown building type");
            break;
        default:
            return c.Fail("unknown goal kind");
        }
    }
    return true;
}

bool CheckPoints(Checker& c, const Level& level, uint32_t warehouseId) {
    const LevelRecord& r = level.record;
    for (size_t i = 0; i < level.points.size(); ++i) {
        const PointRecord& p = level.points[i];
        if (p.kind > kPointBuilding) return c.Fail("unknown point kind");
        if ((i == 0) != (p.kind == kPointWarehouse))
            return c.Fail("the warehouse must be point 0 and only there");
        if (p.kind == kPointEmptySite) {
            if (p.stage != 0 || p.Price() < 0) return c.Fail("empty site with a stage or a negative price");
            continue;
        }
        if (p.kind == kPointWarehouse && p.objectId != warehouseId)
            return c.Fail("point 0 is not the warehouse");
        if (p.kind == kPointBuilding && p.objectId == warehouseId) return c.Fail("a second warehouse");
        const uint32_t highest = HighestStage(r, p);
        if (highest == 0) return c.Fail("point names a plant or building not enabled in the level");
        if (p.stage < 1 || static_cast<uint32_t>(p.stage) > highest)
            return c.Fail("point stage out of range");
        if (p.kind == kPointPlant) {
            const float ripeness = p.Ripeness();
            if (!std::isfinite(ripeness) || ripeness < 0.0f || ripeness > 100.0f)
                return c.Fail("bad ripeness");
            if (p.waterMax != 0 && p.water > p.waterMax) return c.Fail("more water than the maximum");
        }
    }
    return true;
}

bool CheckSchedule(Checker& c, const Level& level) {
    const LevelRecord& r = level.record;
    for (const ScheduleEntry& e : level.schedule) {
        if (e.place < -1 || (e.place >= 0 && static_cast<uint32_t>(e.place) >= r.placeCount))
            return c.Fail("schedule entry names a missing place");
        if (c.catalog && !c.catalog->HasVillainKind(e.villainKind)) return c.Fail("unknown villain kind");
    }
    if (r.loopLength != 0) {
        if (r.loopStart >= r.scheduleCount) return c.Fail("loop starts beyond the schedule");
        uint64_t loopTime = 0;
        for (uint32_t i = r.loopStart; i < r.scheduleCount; ++i)
            loopTime += level.schedule[i].delayMs;
        // A loop of no time would create villains without end in one tick.
        if (loopTime == 0) return c.Fail("schedule loop takes no time");
    }
    if ((r.flags & kLevelFlagVillains) && (r.placeCount == 0 || r.scheduleCount == 0))
        return c.Fail("villains enabled without places or schedule");
    return true;
}

bool CheckRecord(Checker& c, const LevelRecord& r) {
    if (!Terminated(r.label) || !Terminated(r.fieldPicture) || !Terminated(r.music) ||
        !Terminated(r.treeSiteSprite))
        return c.Fail("name without a terminating zero");
    if (r.mapCell < -1 || r.mapCell >= kMapCellCount) return c.Fail("map cell out of range");
    if (r.group > kLevelCount - 1) return c.Fail("group number out of range");
    if (r.bonusId < -1 || r.bonusId >= kBonusCount) return c.Fail("bonus id out of range");
    for (float rate : r.speedRates)
        if (!PositiveFinite(rate)) return c.Fail("speed rate not positive");
    // A slot's first recharge is a share of the whole: more than all of it
    // would leave a counter that no saved game can hold.
    for (float factor : r.bonusFactors)
        if (!std::isfinite(factor) || factor < 0.0f || factor > 1.0f)
            return c.Fail("bad bonus recharge factor");
    if (r.stockCount > kMaxEnabledKinds || r.plantCount > kMaxEnabledKinds || r.typeCount > kMaxEnabledKinds)
        return c.Fail("too many initial products, plants or building types");
    if (r.typeCount < 1) return c.Fail("no building types");
    for (uint32_t i = 0; i < r.stockCount; ++i) {
        if (r.stock[i].count < 1) return c.Fail("initial stock of no units");
        if (c.catalog && !c.catalog->HasProduct(r.stock[i].id)) return c.Fail("unknown initial product");
    }
    for (uint32_t i = 0; i < r.plantCount; ++i) {
        if (r.plants[i].count < 1 || r.plants[i].count > 4) return c.Fail("plant stage out of range");
        if (c.catalog && !c.catalog->HasPlant(r.plants[i].id)) return c.Fail("unknown plant");
    }
    bool warehouse = false;
    const uint32_t warehouseId = kis::NameId("warehouse");
    for (uint32_t i = 0; i < r.typeCount; ++i)
        warehouse |= r.types[i].id == warehouseId;
    if (!warehouse) return c.Fail("no warehouse among the building types");
    for (uint32_t i = 0; i < r.typeCount; ++i) {
        const uint32_t levels = c.catalog ? c.catalog->BuildingLevelCount(r.types[i].id) : 0xFFFFFFFFu;
        if (r.types[i].count < 1 || r.types[i].count > levels) return c.Fail("building level out of range");
    }
    if (r.fieldWidth == 0 || r.fieldHeight == 0) return c.Fail("empty field");
    if (c.catalog && !c.catalog->HasMapSprite(r.fieldPicture)) return c.Fail("missing field picture");
    if (r.startMoney < 0 || r.startMoney > kMaxMoney) return c.Fail("starting money out of range");
    if (c.catalog && r.bedSet >= c.catalog->PlantBedSetCount()) return c.Fail("plant-bed set out of range");
    if (r.infoCount > kMaxInfoEntries) return c.Fail("too many information entries");
    if (r.pointCount < 1 || r.pointCount > kMaxLevelPoints) return c.Fail("point count out of range");
    if (r.placeCount > kMaxVillainPlaces) return c.Fail("too many villain places");
    for (uint32_t i = 0; i < r.placeCount; ++i)
        if (r.places[i].direction > 7) return c.Fail("villain place direction out of range");
    if (r.scheduleCount > kMaxScheduleEntries) return c.Fail("too many schedule entries");
    if (r.shapeCount > kMaxObstacleShapes) return c.Fail("too many obstacle shapes");
    if (r.emitterCount > kMaxAmbientEmitters) return c.Fail("too many ambient emitters");
    return true;
}

bool ParseLevel(Checker& c, ChunkCursor& in, Level* level) {
    LevelRecord& r = level->record;
    if (!in.Take(&r)) return c.Fail("record cut short");
    if (!CheckRecord(c, r)) return false;
    if (!in.TakeArray(r.infoCount, &level->info) || !in.TakeArray(r.pointCount, &level->points) ||
        !in.TakeArray(r.scheduleCount, &level->schedule))
        return c.Fail("arrays cut short");
    std::vector<std::array<uint8_t, shpf::kShapeRecordSize>> shapes;
    if (!in.TakeArray(r.shapeCount, &shapes) || !in.TakeArray(r.emitterCount, &level->emitters))
        return c.Fail("arrays cut short");
    level->shapes.resize(shapes.size());
    for (size_t i = 0; i < shapes.size(); ++i)
        if (!shpf::ReadShape(shapes[i].data(), shapes[i].size(), &level->shapes[i]))
            return c.Fail("unknown obstacle shape kind");
    for (const InfoEntry& e : level->info) {
        if (e.rowKind > 3 || e.objectKind > 3) return c.Fail("information entry kind out of range");
        if (!Terminated(e.name) || !Terminated(e.bodyKey) || !Terminated(e.icon) || !Terminated(e.picture))
            return c.Fail("name without a terminating zero");
    }
    uint32_t garbageSites = 0;
    for (const PointRecord& p : level->points)
        garbageSites += p.kind == kPointEmptySite && p.objectId != 0;
    if (!CheckPoints(c, *level, kis::NameId("warehouse"))) return false;
    for (uint32_t regime = 0; regime < 2; ++regime)
        if (!CheckRegime(c, r.regimes[regime], garbageSites)) return false;
    if (!CheckSchedule(c, *level)) return false;
    level->exists = true;
    return true;
}

} // namespace

bool LevelTable::Parse(std::span<const uint8_t> chunk, const LevelTableCatalog* catalog, std::string* why) {
    Checker c{catalog, why, 0};
    ChunkCursor in(chunk);
    uint32_t count = 0;
    if (!in.TakeU32(&count) || count < 1 || count > kLevelCount) return c.Fail("level count out of range");
    std::vector<Level> parsed(kLevelCount);
    bool cellTaken[kMapCellCount] = {};
    for (uint32_t n = 0; n < count; ++n) {
        uint32_t index = 0;
        if (!in.TakeU32(&index) || index >= kLevelCount) return c.Fail("level index out of range");
        c.level = index;
        Level& level = parsed[index];
        if (level.exists) return c.Fail("level given twice");
        if (!ParseLevel(c, in, &level)) return false;
        const int32_t cell = level.record.mapCell;
        if (cell >= 0) {
            if (cellTaken[cell]) return c.Fail("two levels on one map cell");
            cellTaken[cell] = true;
        }
    }
    if (in.Left() != 0) return c.Fail("bytes after the last level");
    levels_ = std::move(parsed);
    return true;
}

std::vector<uint8_t> LevelTable::Serialize() const {
    std::vector<uint8_t> out;
    auto put = [&out](const void* p, size_t n) { kis::AppendBytes(out, p, n); };
    uint32_t count = 0;
    for (const Level& level : levels_)
        count += level.exists;
    put(&count, 4);
    for (uint32_t i = 0; i < kLevelCount; ++i) {
        const Level& level = levels_[i];
        if (!level.exists) continue;
        put(&i, 4);
        put(&level.record, sizeof(LevelRecord));
        put(level.info.data(), level.info.size() * sizeof(InfoEntry));
        put(level.points.data(), level.points.size() * sizeof(PointRecord));
        put(level.schedule.data(), level.schedule.size() * sizeof(ScheduleEntry));
        for (const shpf::_SHAPE& shape : level.shapes) {
            uint8_t bytes[shpf::kShapeRecordSize];
            shpf::WriteShape(shape, bytes);
            put(bytes, sizeof bytes);
        }
        put(level.emitters.data(), level.emitters.size() * sizeof(AmbientEmitter));
    }
    return out;
}

const Level* LevelTable::Get(uint32_t index) const {
    return index < kLevelCount && levels_[index].exists ? &levels_[index] : nullptr;
}

int32_t LevelTable::LevelAtCell(int32_t cell) const {
    for (uint32_t i = 0; i < kLevelCount; ++i)
        if (levels_[i].exists && levels_[i].record.mapCell == cell && cell >= 0)
            return static_cast<int32_t>(i);
    return -1;
}

void LevelTable::Clear() {
    levels_.assign(kLevelCount, Level{});
}

// The level table of the run, installed by its owner.
LevelTable* GameLevelTable() {
    return AppInstalled<LevelTable>();
}

void SetGameLevelTable(LevelTable* table) {
    InstallInApp(table);
}

// The names the level table is checked against, installed by the program.
void SetLevelTableCatalog(const LevelTableCatalog* catalog) {
    InstallInApp(catalog);
}

int32_t LoadLevelTable(kis::DataFileReaderW* reader, LoaderState* state) {
    state->error = 1;
    if (!reader || !reader->OpenChunk(kLevelTableChunk, kLevelTableSubId)) return kLoaderFinished;
    const kis::DataFileEntry* entry = reader->GetOpenChunk();
    std::vector<uint8_t> bytes(entry ? entry->size : 0);
    const bool read = entry && reader->Read(bytes.data(), static_cast<uint32_t>(bytes.size()));
    reader->CloseChunk();
    if (!read) return kLoaderFinished;
    LevelTable* table = GameLevelTable();
    if (table && table->Parse(bytes, AppInstalled<const LevelTableCatalog>())) state->error = 0;
    state->done = state->total = 1;
    return kLoaderFinished;
}

std::u16string GetLevelTitle(const DXLLanguage& language, uint32_t levelIndex) {
    const char16_t* name = language.GetText(u"levels", u"name", true);
    std::u16string title = name ? name : u"?NF?";
    title += u' ';
    title += kis::DecimalText(levelIndex + 1);
    return title;
}

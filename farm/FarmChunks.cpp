#include "farm/FarmChunks.h"

#include "farm/Buildings.h"
#include "farm/Plants.h"
#include "farm/Products.h"
#include "farm/RecordReader.h"
#include "farm/Villains.h"
#include "foundation/ByteOrder.h"
#include "foundation/Ident.h"
#include "platform/Utf.h"

#include <cstring>
#include <map>

namespace {

std::string Label(const NameField& name) {
    std::u16string text;
    for (char16_t c : name) {
        if (!c) break;
        text.push_back(c);
    }
    return platform::Utf16ToUtf8(text);
}

// Depth-first over the ingredients: a product met again while it is still
// on the path closes a cycle.
bool FindCycle(const FarmTablesSource& t, size_t i, std::vector<int>& mark, std::string* where) {
    mark[i] = 1;
    const ProductRecord& p = t.products[i];
    for (const IngredientPair& pair : p.ingredients) {
        if (pair.units < 1 || pair.id == 0) continue;
        for (size_t j = 0; j < t.products.size(); ++j) {
            if (t.products[j].id != pair.id) continue;
            if (mark[j] == 1 || (mark[j] == 0 && FindCycle(t, j, mark, where))) {
                if (where->empty()) *where = Label(t.products[j].name);
                return true;
            }
            break; // the first product of the id is the one the game finds
        }
    }
    mark[i] = 2;
    return false;
}

void Append(std::vector<uint8_t>& out, const void* bytes, size_t n) {
    kis::AppendBytes(out, bytes, n);
}

void AppendCount(std::vector<uint8_t>& out, size_t count) {
    kis::AppendLE32(out, uint32_t(count));
}

template <class Record> void AppendRecords(std::vector<uint8_t>& out, const std::vector<Record>& records) {
    AppendCount(out, records.size());
    for (const Record& r : records)
        Append(out, &r, sizeof r);
}

bool WriteChunk(kis::BaseDataFile& writer, uint32_t id, uint32_t subId, const std::vector<uint8_t>& bytes) {
    return writer.BeginChunk(id, subId) && writer.Write(bytes.data(), uint32_t(bytes.size())) &&
           writer.EndChunk();
}

} // namespace

std::string CheckFarmTables(const FarmTablesSource& t) {
    std::map<uint32_t, std::string> productIds;
    for (const ProductRecord& p : t.products) {
        if (!IsProductRecordValid(p)) return "product " + Label(p.name) + ": unterminated name";
        if (p.id == 0) return "product " + Label(p.name) + ": no name id";
        if (!productIds.emplace(p.id, Label(p.name)).second) return "product " + Label(p.name) + " twice";
    }
    std::vector<int> mark(t.products.size(), 0);
    std::string where;
    for (size_t i = 0; i < t.products.size(); ++i)
        if (mark[i] == 0 && FindCycle(t, i, mark, &where))
            return "product " + where + " needs itself through its ingredients";

    if (const char* why = CheckPlantSettings(t.plantSettings)) return std::string("plant settings: ") + why;
    for (const GameBedsRecord& beds : t.bedSets)
        for (const NameField& name : beds.spriteNames)
            if (!IsNameTerminated(name)) return "bed set: unterminated name";
    for (const PlantRecord& p : t.plants)
        if (const char* why = CheckPlantRecord(p)) return "plant " + Label(p.label) + ": " + why;

    bool warehouse = false;
    for (const BuildingTypeSource& b : t.buildings) {
        if (const char* why = CheckBuildingHeader(b.header))
            return "building " + Label(b.header.label) + ": " + why;
        for (int32_t i = 0; i < b.header.levelCount; ++i)
            if (const char* why = CheckBuildingLevel(b.header, b.levels[i]))
                return "building " + Label(b.header.label) + " level " + std::to_string(i + 1) + ": " + why;
        warehouse = warehouse || b.header.id == kis::NameId("warehouse");
    }
    if (!warehouse) return "no building type \"warehouse\"";

    for (const VillainInfoRecord& v : t.villains)
        if (const char* why = CheckVillainInfo(v)) return "villain " + Label(v.label) + ": " + why;
    return {};
}

std::vector<uint8_t> ProductChunkBytes(const FarmTablesSource& t) {
    std::vector<uint8_t> out;
    AppendRecords(out, t.products);
    return out;
}

std::vector<uint8_t> PlantChunkBytes(const FarmTablesSource& t) {
    std::vector<uint8_t> out;
    Append(out, &t.plantSettings, sizeof t.plantSettings);
    AppendRecords(out, t.bedSets);
    AppendRecords(out, t.plants);
    return out;
}

std::vector<uint8_t> BuildingChunkBytes(const FarmTablesSource& t) {
    std::vector<uint8_t> out;
    AppendCount(out, t.buildings.size());
    for (const BuildingTypeSource& b : t.buildings) {
        Append(out, &b.header, sizeof b.header);
        for (int32_t i = 0; i < b.header.levelCount && i < kMaxBuildingLevels; ++i)
            Append(out, &b.levels[i], sizeof b.levels[i]);
    }
    return out;
}

std::vector<uint8_t> VillainChunkBytes(const FarmTablesSource& t) {
    std::vector<uint8_t> out;
    AppendRecords(out, t.villains);
    return out;
}

bool WriteFarmChunks(kis::BaseDataFile& writer, const FarmTablesSource& t) {
    return WriteChunk(writer, kProductChunkId, kFarmChunkSubId, ProductChunkBytes(t)) &&
           WriteChunk(writer, kPlantChunkId, kFarmChunkSubId, PlantChunkBytes(t)) &&
           WriteChunk(writer, kBuildingChunkId, kFarmChunkSubId, BuildingChunkBytes(t)) &&
           WriteChunk(writer, kVillainChunkId, kVillainChunkSubId, VillainChunkBytes(t));
}

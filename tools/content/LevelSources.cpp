#include "tools/content/LevelSources.h"

#include "foundation/Ident.h"
#include "level/Bonuses.h"
#include "platform/Utf.h"
#include "tools/common/SourceTree.h"
#include "tools/content/NameFields.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

using Node = SourceNode;

struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw SourceError(where + ": " + what);
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

int64_t Number(const std::string& where, const std::string& word) {
    char* end = nullptr;
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0') Fail(where, "'" + word + "' is not a number");
    return value;
}

// The words of a value, exactly count of them.
std::vector<std::string> Take(const std::string& where, const std::string& key, const std::string& value,
                              size_t count) {
    std::vector<std::string> words = Words(value);
    if (words.size() != count) Fail(where, key + " takes " + std::to_string(count) + " values");
    return words;
}

void SetName(char16_t (&field)[32], const std::string& where, const std::string& text) {
    if (!CopyNameUtf8(field, text)) Fail(where, "name '" + text + "' is longer than 31 characters");
}

// A name's id; "-" is none (0).
uint32_t IdOf(const std::string& word) {
    return word == "-" ? 0 : kis::NameId(word.c_str());
}

uint32_t GoalKind(const std::string& where, const std::string& word) {
    static const char* const kKinds[] = {"money", "product", "plant", "building", "sites"};
    for (uint32_t k = 0; k < 5; ++k)
        if (word == kKinds[k]) return k;
    Fail(where, "unknown goal kind '" + word + "'");
}

uint32_t PointKind(const std::string& where, const std::string& word) {
    static const char* const kKinds[] = {"site", "warehouse", "plant", "building"};
    for (uint32_t k = 0; k < 4; ++k)
        if (word == kKinds[k]) return k;
    Fail(where, "unknown point kind '" + word + "'");
}

void ReadRegime(const Node& n, const std::string& where, RegimeBlock& r) {
    for (const auto& [key, value] : n.entries) {
        if (key == "medals") {
            auto w = Take(where, key, value, 3);
            r.bronzeMs = uint32_t(Number(where, w[0]));
            r.silverMs = uint32_t(Number(where, w[1]));
            r.goldMs = uint32_t(Number(where, w[2]));
        } else if (key == "goal") {
            auto w = Take(where, key, value, 4);
            if (r.goalCount >= kMaxLevelGoals) Fail(where, "more than 3 goals");
            GoalRecord& g = r.goals[r.goalCount++];
            g = {GoalKind(where, w[0]), IdOf(w[1]), uint32_t(Number(where, w[2])),
                 uint32_t(Number(where, w[3]))};
        } else {
            Fail(where, "unknown key '" + key + "'");
        }
    }
}

void AddIdCount(const std::string& where, const std::string& key, const std::string& value, IdCount* list,
                uint32_t* count) {
    auto w = Take(where, key, value, 2);
    if (*count >= kMaxEnabledKinds) Fail(where, "too many " + key + " entries");
    list[(*count)++] = {IdOf(w[0]), uint32_t(Number(where, w[1]))};
}

uint32_t InfoRowKind(const std::string& where, const std::string& word) {
    static const char* const kKinds[] = {"picture", "line", "separator16", "separator4"};
    for (uint32_t k = 0; k < 4; ++k)
        if (word == kKinds[k]) return k;
    Fail(where, "unknown information row '" + word + "'");
}

uint32_t InfoObjectKind(const std::string& where, const std::string& word) {
    static const char* const kKinds[] = {"own", "plant", "building", "bonus"};
    for (uint32_t k = 0; k < 4; ++k)
        if (word == kKinds[k]) return k;
    Fail(where, "unknown information object '" + word + "'");
}

// "row" for a separator; "row object name body icon picture [dx dy above below]"
// for a picture or line row ("-" leaves a name empty).
InfoEntry ReadInfo(const std::string& where, const std::string& value) {
    const std::vector<std::string> w = Words(value);
    InfoEntry e;
    std::memset(&e, 0, sizeof e);
    if (w.empty()) Fail(where, "info takes a row kind");
    e.rowKind = InfoRowKind(where, w[0]);
    if (e.rowKind >= 2) {
        if (w.size() != 1) Fail(where, "a separator takes no more values");
        return e;
    }
    if (w.size() != 6 && w.size() != 10) Fail(where, "info takes 6 or 10 values");
    e.objectKind = InfoObjectKind(where, w[1]);
    char16_t(*names[])[32] = {&e.name, &e.bodyKey, &e.icon, &e.picture};
    for (size_t i = 0; i < 4; ++i)
        if (w[2 + i] != "-") SetName(*names[i], where, w[2 + i]);
    if (w.size() == 10) {
        e.pictureDx = int32_t(Number(where, w[6]));
        e.pictureDy = int32_t(Number(where, w[7]));
        e.spaceAbove = int32_t(Number(where, w[8]));
        e.spaceBelow = int32_t(Number(where, w[9]));
    }
    return e;
}

// One key of a level section and where its value goes.
struct LevelEntry {
    Level& level;
    LevelRecord& r;
    const Bonuses& bonuses;
    const std::string& where;
    const std::string& key;
    const std::string& value;
};

// kind stage object x y [price], or for a plant: kind stage object x y
// [ripeness [water water-maximum]]
void ReadPoint(const LevelEntry& e) {
    const std::string& where = e.where;
    auto w = Words(e.value);
    PointRecord p{};
    p.kind = PointKind(where, w.empty() ? std::string() : w[0]);
    const bool plant = p.kind == kPointPlant;
    if (w.size() != 5 && w.size() != 6 && !(plant && w.size() == 8))
        Fail(where, "point takes 5 or 6 values (a plant 5, 6 or 8)");
    p.stage = int32_t(Number(where, w[1]));
    p.objectId = IdOf(w[2]);
    p.x = int32_t(Number(where, w[3]));
    p.y = int32_t(Number(where, w[4]));
    if (w.size() >= 6)
        p.value = plant ? std::bit_cast<uint32_t>(float(Number(where, w[5])))
                        : uint32_t(int32_t(Number(where, w[5])));
    if (w.size() == 8) {
        p.water = uint32_t(Number(where, w[6]));
        p.waterMax = uint32_t(Number(where, w[7]));
    }
    e.level.points.push_back(p);
}

// track rate (tracks 0..5; 1 plants, 2 animal houses, 3 factories)
void ReadSpeed(const LevelEntry& e) {
    auto w = Take(e.where, e.key, e.value, 2);
    const int64_t track = Number(e.where, w[0]);
    if (track < 0 || track >= 6) Fail(e.where, "speed track 0..5");
    char* end = nullptr;
    const double rate = std::strtod(w[1].c_str(), &end);
    if (*end != '\0') Fail(e.where, "'" + w[1] + "' is not a number");
    e.r.speedRates[track] = float(rate);
}

void ReadPlace(const LevelEntry& e) {
    const std::string& where = e.where;
    auto w = Take(where, e.key, e.value, 5);
    if (e.r.placeCount >= kMaxVillainPlaces) Fail(where, "too many places");
    e.r.places[e.r.placeCount++] = {int32_t(Number(where, w[0])), int32_t(Number(where, w[1])),
                                    int32_t(Number(where, w[2])), int32_t(Number(where, w[3])),
                                    uint32_t(Number(where, w[4]))};
}

// The bonus a win gives the player, by its name in the bonus table.
void ReadBonus(const LevelEntry& e) {
    const BONUS* bonus = e.bonuses.FindByName(platform::Utf8ToUtf16(e.value).c_str());
    if (!bonus) Fail(e.where, "no bonus is called '" + e.value + "'");
    e.r.bonusId = int32_t(bonus->id);
}

// The first-recharge factor of each of the six bonus slots.
void ReadBonusRecharge(const LevelEntry& e) {
    auto w = Take(e.where, e.key, e.value, std::size(e.r.bonusFactors));
    for (size_t i = 0; i < w.size(); ++i) {
        char* end = nullptr;
        e.r.bonusFactors[i] = std::strtof(w[i].c_str(), &end);
        if (*end != '\0') Fail(e.where, "'" + w[i] + "' is not a number");
    }
}

// rect left top right bottom | circle x y radius
void ReadObstacle(const LevelEntry& e) {
    auto w = Words(e.value);
    shpf::_SHAPE shape{};
    int32_t v[4] = {};
    if (w.size() == 5 && w[0] == "rect") {
        shape.kind = 0;
    } else if (w.size() == 4 && w[0] == "circle") {
        shape.kind = 1;
    } else {
        Fail(e.where, "obstacle is 'rect l t r b' or 'circle x y radius'");
    }
    for (size_t i = 1; i < w.size(); ++i)
        v[i - 1] = int32_t(Number(e.where, w[i]));
    std::memcpy(shape.data, v, sizeof v);
    e.level.shapes.push_back(shape);
}

struct LevelKey {
    const char* key;
    void (*read)(const LevelEntry& e);
};

// Every key a level section may hold but its index.
const LevelKey kLevelKeys[] = {
    {"label", [](const LevelEntry& e) { SetName(e.r.label, e.where, e.value); }},
    {"map_cell", [](const LevelEntry& e) { e.r.mapCell = int32_t(Number(e.where, e.value)); }},
    {"group", [](const LevelEntry& e) { e.r.group = uint32_t(Number(e.where, e.value)); }},
    {"music", [](const LevelEntry& e) { SetName(e.r.music, e.where, e.value); }},
    {"field",
     [](const LevelEntry& e) {
         auto w = Take(e.where, e.key, e.value, 3);
         SetName(e.r.fieldPicture, e.where, w[0]);
         e.r.fieldWidth = uint32_t(Number(e.where, w[1]));
         e.r.fieldHeight = uint32_t(Number(e.where, w[2]));
     }},
    {"farmer",
     [](const LevelEntry& e) {
         auto w = Take(e.where, e.key, e.value, 2);
         e.r.farmerX = int32_t(Number(e.where, w[0]));
         e.r.farmerY = int32_t(Number(e.where, w[1]));
     }},
    {"money", [](const LevelEntry& e) { e.r.startMoney = int32_t(Number(e.where, e.value)); }},
    {"type", [](const LevelEntry& e) { AddIdCount(e.where, e.key, e.value, e.r.types, &e.r.typeCount); }},
    {"plant", [](const LevelEntry& e) { AddIdCount(e.where, e.key, e.value, e.r.plants, &e.r.plantCount); }},
    {"stock", [](const LevelEntry& e) { AddIdCount(e.where, e.key, e.value, e.r.stock, &e.r.stockCount); }},
    {"point", ReadPoint},
    {"speed", ReadSpeed},
    {"tree_site", [](const LevelEntry& e) { SetName(e.r.treeSiteSprite, e.where, e.value); }},
    {"bed_set", [](const LevelEntry& e) { e.r.bedSet = uint32_t(Number(e.where, e.value)); }},
    {"place", ReadPlace},
    // place (-1 any) villain delay-ms
    {"schedule",
     [](const LevelEntry& e) {
         auto w = Take(e.where, e.key, e.value, 3);
         e.level.schedule.push_back(
             {int32_t(Number(e.where, w[0])), IdOf(w[1]), uint32_t(Number(e.where, w[2]))});
     }},
    {"loop",
     [](const LevelEntry& e) {
         auto w = Take(e.where, e.key, e.value, 2);
         e.r.loopStart = uint32_t(Number(e.where, w[0]));
         e.r.loopLength = uint32_t(Number(e.where, w[1]));
     }},
    {"bonus", ReadBonus},
    {"bonus_recharge", ReadBonusRecharge},
    {"info", [](const LevelEntry& e) { e.level.info.push_back(ReadInfo(e.where, e.value)); }},
    {"villains",
     [](const LevelEntry& e) {
         if (e.value == "yes") e.r.flags |= kLevelFlagVillains;
     }},
    {"obstacle", ReadObstacle},
};

// The section's index, checked and marked as read.
uint32_t ReadLevelIndex(const Node& n, std::vector<bool>* seen) {
    int64_t index = -1;
    for (const auto& [key, value] : n.entries)
        if (key == "index") index = Number("level", value);
    if (index < 0 || index >= int64_t(kLevelCount)) Fail("level", "index 0..40 missing");
    if ((*seen)[size_t(index)]) Fail("level " + std::to_string(index), "given twice");
    (*seen)[size_t(index)] = true;
    return uint32_t(index);
}

// A level before its section is read: no map cell, no bonus, every speed
// track at its own pace and every bonus slot recharging at half its time.
void ResetLevel(Level& level) {
    level = Level{};
    level.exists = true;
    LevelRecord& r = level.record;
    r.mapCell = -1;
    r.bonusId = -1;
    for (float& rate : r.speedRates)
        rate = 1.0f;
    for (float& f : r.bonusFactors)
        f = 0.5f;
}

void ReadLevel(const Node& n, const Bonuses& bonuses, LevelTable* table, std::vector<bool>* seen) {
    const uint32_t index = ReadLevelIndex(n, seen);
    const std::string where = "level " + std::to_string(index);
    Level& level = table->Slot(index);
    ResetLevel(level);
    LevelRecord& r = level.record;
    for (const auto& [key, value] : n.entries) {
        if (key == "index") continue;
        const LevelKey* entry = std::find_if(std::begin(kLevelKeys), std::end(kLevelKeys),
                                             [&key](const LevelKey& k) { return key == k.key; });
        if (entry == std::end(kLevelKeys)) Fail(where, "unknown key '" + key + "'");
        entry->read({level, r, bonuses, where, key, value});
    }
    for (const Node& child : n.children) {
        if (child.name == "easy")
            ReadRegime(child, where + " easy", r.regimes[0]);
        else if (child.name == "hard")
            ReadRegime(child, where + " hard", r.regimes[1]);
        else
            Fail(where, "unknown section '" + child.name + "'");
    }
    r.pointCount = uint32_t(level.points.size());
    r.infoCount = uint32_t(level.info.size());
    r.scheduleCount = uint32_t(level.schedule.size());
    r.shapeCount = uint32_t(level.shapes.size());
}

} // namespace

bool ReadLevelSources(const std::string& path, const Bonuses& bonuses, LevelTable* table,
                      std::string* error) {
    Node root;
    if (!ReadSourceTree(path, &root, error)) return false;
    LevelTable read = *table;
    std::vector<bool> seen(kLevelCount, false);
    try {
        for (const Node& child : root.children) {
            if (child.name != "level") Fail(child.name, "unknown section");
            ReadLevel(child, bonuses, &read, &seen);
        }
    } catch (const SourceError& e) {
        *error = path + ": " + e.what();
        return false;
    }
    // The game's own checks, on the bytes the game will read.
    std::string why;
    LevelTable checked;
    if (!checked.Parse(read.Serialize(), nullptr, &why)) return *error = path + ": " + why, false;
    *table = std::move(checked);
    return true;
}

#include "tools/content/LevelSources.h"

#include "foundation/Ident.h"
#include "level/Bonuses.h"
#include "platform/Utf.h"
#include "tools/common/SourceTree.h"
#include "tools/content/NameFields.h"

#include <bit>
#include <cstdlib>
#include <cstring>
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

void ReadLevel(const Node& n, const Bonuses& bonuses, LevelTable* table, std::vector<bool>* seen) {
    std::string where = "level";
    int64_t index = -1;
    for (const auto& [key, value] : n.entries)
        if (key == "index") index = Number(where, value);
    if (index < 0 || index >= int64_t(kLevelCount)) Fail(where, "index 0..40 missing");
    where = "level " + std::to_string(index);
    if ((*seen)[size_t(index)]) Fail(where, "given twice");
    (*seen)[size_t(index)] = true;

    Level& level = table->Slot(uint32_t(index));
    level = Level{};
    level.exists = true;
    LevelRecord& r = level.record;
    r.mapCell = -1;
    r.bonusId = -1;
    for (float& rate : r.speedRates)
        rate = 1.0f;
    for (float& f : r.bonusFactors)
        f = 0.5f;

    for (const auto& [key, value] : n.entries) {
        if (key == "index") continue;
        if (key == "label") {
            SetName(r.label, where, value);
        } else if (key == "map_cell") {
            r.mapCell = int32_t(Number(where, value));
        } else if (key == "group") {
            r.group = uint32_t(Number(where, value));
        } else if (key == "music") {
            SetName(r.music, where, value);
        } else if (key == "field") {
            auto w = Take(where, key, value, 3);
            SetName(r.fieldPicture, where, w[0]);
            r.fieldWidth = uint32_t(Number(where, w[1]));
            r.fieldHeight = uint32_t(Number(where, w[2]));
        } else if (key == "farmer") {
            auto w = Take(where, key, value, 2);
            r.farmerX = int32_t(Number(where, w[0]));
            r.farmerY = int32_t(Number(where, w[1]));
        } else if (key == "money") {
            r.startMoney = int32_t(Number(where, value));
        } else if (key == "type") {
            AddIdCount(where, key, value, r.types, &r.typeCount);
        } else if (key == "plant") {
            AddIdCount(where, key, value, r.plants, &r.plantCount);
        } else if (key == "stock") {
            AddIdCount(where, key, value, r.stock, &r.stockCount);
        } else if (key == "point") {
            // kind stage object x y [price], or for a plant: kind stage
            // object x y [ripeness [water water-maximum]]
            auto w = Words(value);
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
            level.points.push_back(p);
        } else if (key == "speed") {
            // track rate (tracks 0..5; 1 plants, 2 animal houses, 3 factories)
            auto w = Take(where, key, value, 2);
            const int64_t track = Number(where, w[0]);
            if (track < 0 || track >= 6) Fail(where, "speed track 0..5");
            char* end = nullptr;
            const double rate = std::strtod(w[1].c_str(), &end);
            if (*end != '\0') Fail(where, "'" + w[1] + "' is not a number");
            r.speedRates[track] = float(rate);
        } else if (key == "tree_site") {
            SetName(r.treeSiteSprite, where, value);
        } else if (key == "bed_set") {
            r.bedSet = uint32_t(Number(where, value));
        } else if (key == "place") {
            auto w = Take(where, key, value, 5);
            if (r.placeCount >= kMaxVillainPlaces) Fail(where, "too many places");
            r.places[r.placeCount++] = {int32_t(Number(where, w[0])), int32_t(Number(where, w[1])),
                                        int32_t(Number(where, w[2])), int32_t(Number(where, w[3])),
                                        uint32_t(Number(where, w[4]))};
        } else if (key == "schedule") {
            // place (-1 any) villain delay-ms
            auto w = Take(where, key, value, 3);
            level.schedule.push_back(
                {int32_t(Number(where, w[0])), IdOf(w[1]), uint32_t(Number(where, w[2]))});
        } else if (key == "loop") {
            auto w = Take(where, key, value, 2);
            r.loopStart = uint32_t(Number(where, w[0]));
            r.loopLength = uint32_t(Number(where, w[1]));
        } else if (key == "bonus") {
            // The bonus a win gives the player, by its name in the bonus table.
            const BONUS* bonus = bonuses.FindByName(platform::Utf8ToUtf16(value).c_str());
            if (!bonus) Fail(where, "no bonus is called '" + value + "'");
            r.bonusId = int32_t(bonus->id);
        } else if (key == "bonus_recharge") {
            // The first-recharge factor of each of the six bonus slots.
            auto w = Take(where, key, value, std::size(r.bonusFactors));
            for (size_t i = 0; i < w.size(); ++i) {
                char* end = nullptr;
                r.bonusFactors[i] = std::strtof(w[i].c_str(), &end);
                if (*end != '\0') Fail(where, "'" + w[i] + "' is not a number");
            }
        } else if (key == "info") {
            level.info.push_back(ReadInfo(where, value));
        } else if (key == "villains") {
            if (value == "yes") r.flags |= kLevelFlagVillains;
        } else if (key == "obstacle") {
            // rect left top right bottom | circle x y radius
            auto w = Words(value);
            shpf::_SHAPE shape{};
            int32_t v[4] = {};
            if (w.size() == 5 && w[0] == "rect") {
                shape.kind = 0;
            } else if (w.size() == 4 && w[0] == "circle") {
                shape.kind = 1;
            } else {
                Fail(where, "obstacle is 'rect l t r b' or 'circle x y radius'");
            }
            for (size_t i = 1; i < w.size(); ++i)
                v[i - 1] = int32_t(Number(where, w[i]));
            std::memcpy(shape.data, v, sizeof v);
            level.shapes.push_back(shape);
        } else {
            Fail(where, "unknown key '" + key + "'");
        }
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

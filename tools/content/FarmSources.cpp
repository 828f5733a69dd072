#include "tools/content/FarmSources.h"

#include "foundation/Ident.h"
#include "level/Bonuses.h"
#include "tools/common/SourceTree.h"
#include "tools/content/NameFields.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using Node = SourceNode;

// A fault in a source: the message says where.
struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const Node& node, const std::string& what) {
    throw SourceError((node.name.empty() ? std::string("top level") : node.name) + ": " + what);
}

// The values of a key in the section, in order.
std::vector<std::string> Values(const Node& node, const std::string& key) {
    std::vector<std::string> out;
    for (const auto& [k, v] : node.entries)
        if (k == key) out.push_back(v);
    return out;
}

std::string Text(const Node& node, const std::string& key, const std::string& fallback = "") {
    std::vector<std::string> values = Values(node, key);
    if (values.size() > 1) Fail(node, "\"" + key + "\" given twice");
    return values.empty() ? fallback : values[0];
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t first = part.find_first_not_of(" \t"), last = part.find_last_not_of(" \t");
        parts.push_back(first == std::string::npos ? std::string() : part.substr(first, last - first + 1));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

int64_t Integer(const Node& node, const std::string& key, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end || errno || value < INT32_MIN || value > int64_t(UINT32_MAX))
        Fail(node, "\"" + key + "\" is not a whole number: " + text);
    return value;
}

int32_t Int(const Node& node, const std::string& key, int32_t fallback = 0) {
    const std::string text = Text(node, key);
    return text.empty() ? fallback : int32_t(Integer(node, key, text));
}

float Real(const Node& node, const std::string& key, const std::string& text) {
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (text.empty() || *end) Fail(node, "\"" + key + "\" is not a number: " + text);
    return value;
}

float Real(const Node& node, const std::string& key, float fallback) {
    const std::string text = Text(node, key);
    return text.empty() ? fallback : Real(node, key, text);
}

// "x, y" into two fields.
void Pair(const Node& node, const std::string& key, const std::string& text, int32_t* out) {
    std::vector<std::string> parts = Split(text);
    if (parts.size() != 2) Fail(node, "\"" + key + "\" needs two values: " + text);
    out[0] = int32_t(Integer(node, key, parts[0]));
    out[1] = int32_t(Integer(node, key, parts[1]));
}

void Pair(const Node& node, const std::string& key, int32_t* out) {
    const std::string text = Text(node, key);
    if (!text.empty()) Pair(node, key, text, out);
}

void Name(const Node& node, const std::string& key, const std::string& text, NameField& out) {
    if (!CopyNameUtf8(out, text)) Fail(node, "\"" + key + "\" is longer than 31 characters: " + text);
}

void Name(const Node& node, const std::string& key, NameField& out) {
    Name(node, key, Text(node, key), out);
}

uint32_t Id(const Node& node, const std::string& key, const std::string& text) {
    const uint32_t id = kis::NameId(text.c_str());
    if (!id) Fail(node, "\"" + key + "\" is not a name of letters, digits and '_': " + text);
    return id;
}

// An entry's "name": its id, and the name written into its label.
uint32_t ReadName(const Node& n, NameField& label) {
    const std::string name = Text(n, "name");
    const uint32_t id = Id(n, "name", name);
    Name(n, "name", name, label);
    return id;
}

template <size_t N> void Limit(const Node& node, const std::string& key, size_t count) {
    if (count > N) Fail(node, "more than " + std::to_string(N) + " \"" + key + "\"");
}

// ---------------------------------------------------------------- tables

void ReadProduct(const Node& n, ProductRecord& r) {
    std::memset(&r, 0, sizeof r);
    r.id = ReadName(n, r.name);
    Name(n, "icon", r.iconName);
    Name(n, "small_icon", r.secondIconName);
    Name(n, "map_sprite", r.mapSpriteName);
    r.number = uint32_t(Int(n, "number"));
    r.price = Int(n, "price");
    r.awardIndex = -1;
    r.productionTime = Int(n, "time");
    const std::vector<std::string> ingredients = Values(n, "ingredient");
    Limit<kMaxIngredients>(n, "ingredient", ingredients.size());
    for (size_t i = 0; i < ingredients.size(); ++i) {
        std::vector<std::string> parts = Split(ingredients[i]);
        if (parts.size() != 2) Fail(n, "\"ingredient\" needs a product and units: " + ingredients[i]);
        r.ingredients[i] = {Id(n, "ingredient", parts[0]), int32_t(Integer(n, "ingredient", parts[1]))};
        if (r.ingredients[i].units < 1) Fail(n, "an ingredient needs at least 1 unit");
    }
    r.ingredientCount = int32_t(ingredients.size());
}

void ReadStage(const Node& n, PlantStageEntry& s) {
    const std::vector<std::string> sprites = Values(n, "sprite");
    Limit<kMaxStageSprites>(n, "sprite", sprites.size());
    s.spriteCount = int32_t(sprites.size());
    for (size_t i = 0; i < sprites.size(); ++i)
        Pair(n, "sprite", sprites[i], s.spriteOffsets[i]);
    Pair(n, "buttons", s.buttonOffset);
    Pair(n, "work_spot", s.workSpot);
    Pair(n, "second_position", s.secondPosition);
    Pair(n, "stars", s.starsOffset);
}

void ReadPlant(const Node& n, PlantRecord& r) {
    std::memset(&r, 0, sizeof r);
    r.id = ReadName(n, r.label);
    Name(n, "icon", r.iconName);
    Name(n, "second_icon", r.secondIconName);
    Name(n, "map_sprite", r.mapSpriteName);
    const std::string kind = Text(n, "kind", "crop");
    if (kind != "crop" && kind != "tree") Fail(n, "\"kind\" is crop or tree: " + kind);
    r.kind = kind == "tree" ? kPlantKindTree : 1;
    const std::vector<std::string> stages = Values(n, "stage");
    Limit<kPlantStages>(n, "stage", stages.size());
    for (size_t i = 0; i < stages.size(); ++i) { // price, dig time
        int32_t values[2];
        Pair(n, "stage", stages[i], values);
        r.stagePrices[i] = values[0];
        r.digTimes[i] = uint32_t(values[1]);
    }
    const std::string product = Text(n, "product");
    if (!product.empty()) r.productId = Id(n, "product", product);
    r.growthPerCrop = uint32_t(Int(n, "growth"));
    int32_t water[2] = {};
    Pair(n, "water", water);
    r.fewestHarvests = water[0];
    r.mostHarvests = water[1];
    Name(n, "harvest_animation", r.harvestAnimation);
    if (r.kind != kPlantKindTree) {
        const std::string effect = Text(n, "effect", "none");
        if (effect != "none" && effect != "grow" && effect != "fade")
            Fail(n, "\"effect\" is none, grow or fade");
        r.trunkOrEffect[0] = effect == "grow" ? 1 : effect == "fade" ? 2 : 0;
        return;
    }
    Name(n, "trunk", r.trunkOrEffect);
    Pair(n, "buttons", r.treeButtonOffset);
    Name(n, "fruit", r.fruitSpriteName);
    const std::vector<std::string> counts = Split(Text(n, "fruit_counts", "0, 0, 0, 0"));
    if (counts.size() != 4) Fail(n, "\"fruit_counts\" needs four values");
    for (size_t i = 0; i < 4; ++i)
        r.fruitCounts[i] = int32_t(Integer(n, "fruit_counts", counts[i]));
    const std::vector<std::string> places = Values(n, "fruit_place");
    Limit<kMaxFruits>(n, "fruit_place", places.size());
    for (size_t i = 0; i < places.size(); ++i) {
        std::vector<std::string> parts = Split(places[i]);
        if (parts.size() != 3) Fail(n, "\"fruit_place\" needs x, y and a variant");
        r.fruitPlaces[i] = {int32_t(Integer(n, "fruit_place", parts[0])),
                            int32_t(Integer(n, "fruit_place", parts[1])),
                            uint32_t(Integer(n, "fruit_place", parts[2]))};
    }
    if (int32_t(places.size()) < r.fruitCounts[3]) Fail(n, "fewer fruit places than fruits at stage 4");
    r.fruitScale[0] = Real(n, "fruit_scale_min", 1.0f);
    r.fruitScale[1] = Real(n, "fruit_scale_max", 1.0f);
    r.fruitRandom[0] = Real(n, "fruit_random_min", 0.0f);
    r.fruitRandom[1] = Real(n, "fruit_random_max", 0.0f);
    Pair(n, "work_spot", r.treeWorkSpot);
    Pair(n, "second_position", r.treeSecondPosition);
    Pair(n, "stars", r.treeStarsOffset);
}

void ReadLevel(const Node& n, const BuildingHeader& h, BuildingLevelRecord& l) {
    Name(n, "map_sprite", l.mapSpriteName);
    Name(n, "icon", l.iconName);
    Name(n, "second_icon", l.secondIconName);
    l.buildTime = uint32_t(Int(n, "build_time"));
    l.price = Int(n, "price");
    const std::vector<std::string> extras = Values(n, "extra");
    Limit<kMaxExtraMapSprites>(n, "extra", extras.size());
    l.extraCount = int32_t(extras.size());
    for (size_t i = 0; i < extras.size(); ++i)
        Name(n, "extra", extras[i], l.extraSpriteNames[i]);
    const std::vector<std::string> emitters = Values(n, "emitter");
    Limit<kMaxBuildingEmitters>(n, "emitter", emitters.size());
    l.emitterCount = int32_t(emitters.size());
    for (size_t i = 0; i < emitters.size(); ++i) {
        std::vector<std::string> parts = Split(emitters[i]);
        if (parts.size() != 3) Fail(n, "\"emitter\" needs an effect, x and y");
        l.emitters[i] = {Id(n, "emitter", parts[0]), int32_t(Integer(n, "emitter", parts[1])),
                         int32_t(Integer(n, "emitter", parts[2]))};
    }
    if (h.kind == kBuildingFactory) {
        int32_t count = 0;
        for (const Node& a : n.children) {
            if (a.name != "animation") Fail(a, "unknown section");
            if (count == kMaxProductionAnimations) Fail(n, "more than 4 animations");
            ProductionAnimation& p = l.animations[count++];
            Name(a, "sprite", p.spriteName);
            int32_t at[2] = {};
            Pair(a, "position", at);
            p.x = at[0], p.y = at[1];
            p.frameTime = uint32_t(Int(a, "frame_time", 100));
            const std::vector<std::string> frames = Split(Text(a, "frames", ""));
            if (frames.size() == 1 && frames[0].empty()) {
                p.framesInCycle = -1; // every frame of the sprite
                for (int32_t f = 0; f < kMaxCycleFrames; ++f)
                    p.frames[f] = uint32_t(f);
            } else {
                Limit<kMaxCycleFrames>(a, "frames", frames.size());
                p.framesInCycle = int32_t(frames.size());
                for (size_t f = 0; f < frames.size(); ++f)
                    p.frames[f] = uint32_t(Integer(a, "frames", frames[f]));
            }
        }
        l.capacityOrAnimationCount = count;
        return;
    }
    if (!n.children.empty()) Fail(n.children[0], "only a factory level has animations");
    if (h.kind != kBuildingAnimalHouse) {
        l.capacityOrAnimationCount = Int(n, "capacity");
        return;
    }
    BuildingAnimalLevelPart& a = l.animal;
    a.feedUnits = uint32_t(Int(n, "feed_units", 1));
    Name(n, "overlay", a.overlaySpriteName);
    Pair(n, "overlay_offset", a.overlayOffset);
    Pair(n, "feed_spot", a.feedSpot);
    int32_t direction[2] = {};
    Pair(n, "feed_direction", direction);
    a.feedDirection[0] = uint32_t(direction[0]), a.feedDirection[1] = uint32_t(direction[1]);
    const std::vector<std::string> animations = Values(n, "animal_animation");
    Limit<kMaxAnimalSpots>(n, "animal_animation", animations.size());
    for (size_t i = 0; i < animations.size(); ++i) {
        int32_t values[2];
        Pair(n, "animal_animation", animations[i], values);
        a.animalAnimation[i][0] = uint32_t(values[0]), a.animalAnimation[i][1] = uint32_t(values[1]);
    }
    const std::vector<std::string> spots = Values(n, "animal_spot");
    Limit<kMaxAnimalSpots>(n, "animal_spot", spots.size());
    for (size_t i = 0; i < spots.size(); ++i)
        Pair(n, "animal_spot", spots[i], a.animalSpots[i]);
}

void ReadBuilding(const Node& n, BuildingTypeSource& b) {
    std::memset(&b, 0, sizeof b);
    BuildingHeader& h = b.header;
    h.id = ReadName(n, h.label);
    const std::string kind = Text(n, "kind", "plain");
    if (kind != "plain" && kind != "factory" && kind != "animal_house")
        Fail(n, "\"kind\" is plain, factory or animal_house: " + kind);
    h.kind = kind == "factory"        ? kBuildingFactory
             : kind == "animal_house" ? kBuildingAnimalHouse
                                      : kBuildingPlain;
    Name(n, "site", h.siteSpriteName);
    Pair(n, "anchor", h.anchor);
    Pair(n, "work_spot", h.workSpot);
    Pair(n, "stars", h.starsOffset);
    h.scale = Real(n, "scale", 1.0f);
    int32_t mirror[2] = {1, 0};
    Pair(n, "mirror", mirror);
    h.mirrorA = uint8_t(mirror[0] != 0), h.mirrorB = uint8_t(mirror[1] != 0);
    if (h.kind == kBuildingFactory) {
        const std::vector<std::string> products = Split(Text(n, "products"));
        Limit<kMaxFactoryProducts>(n, "products", products.size());
        h.characterOrProductCount = uint32_t(products.size());
        for (size_t i = 0; i < products.size(); ++i)
            h.factory.productIds[i] = Id(n, "products", products[i]);
        Pair(n, "button", h.factory.buttonOffset);
        Pair(n, "slot", h.factory.slotOffset);
        Name(n, "sound", h.factory.workingSound);
    } else if (h.kind == kBuildingAnimalHouse) {
        BuildingAnimalPart& a = h.animal;
        h.characterOrProductCount = uint32_t(Int(n, "character"));
        Name(n, "panel_icon", a.panelIconName);
        Name(n, "feed_icon", a.feedIconName);
        Name(n, "feed_animation", a.feedAnimation);
        a.feedAnimationMs = uint32_t(Int(n, "feed_animation_ms"));
        a.stepAside = uint32_t(Int(n, "step_aside"));
        const std::vector<std::string> starts = Values(n, "animal_start");
        Limit<kMaxAnimalSpots>(n, "animal_start", starts.size());
        for (size_t i = 0; i < starts.size(); ++i)
            Pair(n, "animal_start", starts[i], a.animalStart[i]);
        a.feedProductId = Id(n, "feed", Text(n, "feed"));
        a.produceProductId = Id(n, "produce", Text(n, "produce"));
        a.productionTime = uint32_t(Int(n, "production_time"));
        a.eatingTime = uint32_t(Int(n, "eating_time"));
        a.workTime = uint32_t(Int(n, "work_time"));
        Pair(n, "second_position", a.secondPosition);
        Name(n, "sound", a.workingSound);
    }
    int32_t levels = 0;
    for (const Node& level : n.children) {
        if (level.name != "level") Fail(level, "unknown section");
        if (levels == kMaxBuildingLevels) Fail(n, "more than 4 levels");
        ReadLevel(level, h, b.levels[levels++]);
    }
    h.levelCount = levels;
}

void ReadVillain(const Node& n, VillainInfoRecord& r) {
    std::memset(&r, 0, sizeof r);
    r.id = ReadName(n, r.label);
    r.animationId = uint32_t(Int(n, "look"));
    r.firstShotWait = uint32_t(Int(n, "first_shot_wait"));
    r.shotInterval = uint32_t(Int(n, "shot_interval"));
    r.shots = Int(n, "shots", 1);
    r.health = Int(n, "health");
    r.damage = Int(n, "damage");
    r.driveOffMoney = Int(n, "drive_off_money");
    r.shotClickMoney = Int(n, "shot_click_money");
    Name(n, "sound", r.soundName);
    r.maxShotSpeed = Real(n, "shot_speed", 0.0f);
    r.flightTime = uint32_t(Int(n, "flight_time"));
}

void ReadBonus(const Node& n, int32_t id, Bonuses* table) {
    BONUS& b = table->Edit(id);
    b = BONUS{};
    b.id = uint32_t(id);
    Name(n, "name", b.name);
    Name(n, "title", b.title);
    Name(n, "description", b.description);
    for (const auto& [key, field] :
         {std::pair{"recharge", &b.rechargeMs}, std::pair{"duration", &b.durationMs}}) {
        const int32_t ms = Int(n, key);
        if (ms <= 0) Fail(n, "\"" + std::string(key) + "\" needs a time above 0");
        *field = uint32_t(ms);
    }
    const std::string sound = Text(n, "sound");
    if (!sound.empty()) b.soundId = Id(n, "sound", sound);
    for (const std::string& speed : Values(n, "speed")) {
        const std::vector<std::string> parts = Split(speed);
        if (parts.size() != 2) Fail(n, "\"speed\" needs a track and a rate: " + speed);
        const int64_t track = Integer(n, "speed", parts[0]);
        if (track < 0 || track >= Bonuses::kTrackCount) Fail(n, "\"speed\" has no track " + parts[0]);
        table->SetSpeedModifier(id, int32_t(track), Real(n, "speed", parts[1]));
    }
}

void ReadBees(const Node& n, Bonuses* table) {
    const std::vector<std::string> sprites = Values(n, "sprite");
    if (sprites.size() != size_t(Bonuses::kBeeCount))
        Fail(n, "names " + std::to_string(Bonuses::kBeeCount) + " bee sprites");
    for (size_t i = 0; i < sprites.size(); ++i) {
        NameField name;
        Name(n, "sprite", sprites[i], name);
        table->SetBeeSprite(int32_t(i), name);
    }
}

// Runs a table's reader over every section of the file's top level.
template <class Record, class Reader>
bool ReadFile(const std::string& path, const char* section, std::vector<Record>* out, Reader read,
              std::string* error, Node* root) {
    if (!ReadSourceTree(path, root, error)) return false;
    try {
        for (const Node& child : root->children) {
            if (child.name != section) {
                if (std::string(section) == "plant" && (child.name == "settings" || child.name == "beds"))
                    continue;
                Fail(child, "unknown section");
            }
            out->emplace_back();
            read(child, out->back());
        }
    } catch (const SourceError& e) {
        *error = path + ": " + e.what();
        return false;
    }
    return true;
}

} // namespace

bool ReadFarmSources(const std::string& folder, FarmTablesSource* t, std::string* error) {
    Node root;
    if (!ReadFile(folder + "/products.txt", "product", &t->products, ReadProduct, error, &root) ||
        !ReadFile(folder + "/plants.txt", "plant", &t->plants, ReadPlant, error, &root))
        return false;
    // The plant file also holds the shared settings and the bed sets.
    try {
        int32_t settings = 0;
        for (const Node& child : root.children) {
            if (child.name == "settings") {
                if (settings++) Fail(child, "given twice");
                PlantSettings& s = t->plantSettings;
                int32_t stages = 0;
                for (const Node& stage : child.children) {
                    if (stage.name != "stage") Fail(stage, "unknown section");
                    if (stages == kPlantStages) Fail(child, "more than 4 stages");
                    ReadStage(stage, s.stages[stages++]);
                }
                s.waterBedMs = uint32_t(Int(child, "water_bed_ms"));
                s.waterTreeMs = uint32_t(Int(child, "water_tree_ms"));
                s.harvestMs = uint32_t(Int(child, "harvest_ms"));
            } else if (child.name == "beds") {
                GameBedsRecord beds = {};
                const std::vector<std::string> sprites = Values(child, "sprite");
                if (sprites.size() != 4) Fail(child, "a bed set names four sprites");
                for (size_t i = 0; i < 4; ++i)
                    Name(child, "sprite", sprites[i], beds.spriteNames[i]);
                t->bedSets.push_back(beds);
            }
        }
    } catch (const SourceError& e) {
        *error = folder + "/plants.txt: " + e.what();
        return false;
    }
    if (!ReadFile(folder + "/buildings.txt", "type", &t->buildings, ReadBuilding, error, &root) ||
        !ReadFile(folder + "/villains.txt", "villain", &t->villains, ReadVillain, error, &root))
        return false;
    const std::string why = CheckFarmTables(*t);
    if (!why.empty()) return *error = folder + ": " + why, false;
    return true;
}

bool ReadBonusSource(const std::string& folder, Bonuses* table, std::string* error) {
    const std::string path = folder + "/bonuses.txt";
    Node root;
    if (!ReadSourceTree(path, &root, error)) return false;
    Bonuses read;
    try {
        int32_t bonuses = 0, bees = 0;
        for (const Node& child : root.children) {
            if (child.name == "bees") {
                if (bees++) Fail(child, "given twice");
                ReadBees(child, &read);
            } else if (child.name == "bonus") {
                if (bonuses == kBonusCount)
                    Fail(child, "more than " + std::to_string(kBonusCount) + " bonuses");
                ReadBonus(child, bonuses++, &read);
            } else {
                Fail(child, "unknown section");
            }
        }
        if (bonuses != kBonusCount) Fail(root, "needs " + std::to_string(kBonusCount) + " bonuses");
        if (!bees) Fail(root, "no bees");
    } catch (const SourceError& e) {
        *error = path + ": " + e.what();
        return false;
    }
    // The game's own checks, on the bytes the game will read.
    std::string why;
    Bonuses checked;
    if (!checked.Parse(read.Serialize(), &why)) return *error = path + ": " + why, false;
    *table = checked;
    return true;
}

#include "levelui/TextTags.h"
#include "app/App.h"
#include "farm/FarmData.h"
#include "levelui/FarmTextTagSources.h"
#include "levelui/TextTagSources.h"
#include "platform/Utf.h"
#include "sprites/Sprite.h"
#include "tests/farm/FarmTestSupport.h"
#include "text/TextLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::u16string& text) {
    return platform::Utf16ToUtf8(text);
}

std::u16string Wide(const std::string& text) {
    return platform::Utf8ToUtf16(text);
}

// A farm, a level and a profile made up for the tags: every answer the tags
// can ask for, each changeable by a test.
class FakeSources : public TextTagSources {
  public:
    std::map<std::u16string, std::vector<std::u16string>> texts = {
        {u"products/wheat", {u"Wheat", u"wheat"}},
        {u"products/flour", {u"Flour", u"flour"}},
        {u"products/pie", {u"Pie", u"pies"}},
        {u"plants/wheat", {u"Wheat field", u"wheat fields"}},
        {u"buildings/bakery", {u"Bakery"}},
        {u"awards/harvester", {u"Harvester"}},
        {u"awards/harvester_desc", {u"Harvest."}},
        {u"awards/current", {u"Now"}},
        {u"awards/gold", {u"Gold"}},
        {u"awards/silver", {u"Silver"}},
        {u"awards/bronze", {u"Bronze"}},
        {u"awards/final", {u"Master", u"Masters"}},
        {u"awards/rich", {u"Rich"}},
        {u"awards/speedy", {u"Speedy"}},
    };
    struct Sprite {
        int32_t library;
        uint32_t texture;
        std::vector<TagImage> frames;
    };
    std::map<std::u16string, Sprite> sprites = {
        {u"small_coin", {2, 0x2A, {{0, 0, 0, 0, 18, 16}}}},
        {u"awards_check", {1, 0x1C, {{0, 0, 0, 0, 30, 30}, {0, 0, 30, 0, 30, 30}}}},
        {u"ico_wheat", {2, 0xB0, {{0, 0, 0, 0, 24, 22}, {0, 0, 24, 0, 24, 22}}}},
        {u"ico_flour", {2, 0xB1, {{0, 0, 0, 0, 24, 22}, {0, 0, 24, 0, 24, 22}}}},
        {u"no_texture", {2, 0, {{0, 0, 0, 0, 8, 8}}}},
    };
    bool running = true;
    bool playing = true;
    int32_t money = 40;
    int32_t warehouseLevel = 2;
    std::map<uint32_t, int32_t> stock = {{1, 3}, {2, 0}};
    int32_t goalProgress = 12;
    bool goalInLevel = true;
    std::map<int, int32_t> liveValues = {{4, 17}, {5, 9999}, {6, 350}, {3, 2}};
    AwardCounters counters = {};
    bool hasProfile = true;

    // Objects: products 1 wheat, 2 flour; plant 10; building 20 (bakery at
    // stage 1, stage 2 costs 50); recipe 30 (flour from 2 wheat and 1 flour);
    // recipe 31 without ingredients; plant bed 40 at stage 3.
    const char16_t* Text(const char16_t* group, const char16_t* key, uint32_t form) const override {
        auto it = texts.find(std::u16string(group) + u"/" + key);
        if (it == texts.end() || form >= it->second.size()) return u"?NF?";
        return it->second[form].c_str();
    }
    bool FindImage(int32_t library, const char16_t* name, int32_t frame, TagImage* out) const override {
        auto it = sprites.find(name);
        if (it == sprites.end() || it->second.library != library) return false;
        out->texture = it->second.texture;
        out->frameCount = int32_t(it->second.frames.size());
        if (frame >= 0 && frame < out->frameCount) {
            const TagImage& f = it->second.frames[size_t(frame)];
            out->left = f.left;
            out->top = f.top;
            out->width = f.width;
            out->height = f.height;
        }
        return true;
    }
    bool LevelRunning() const override { return running; }
    bool PlayingLevel() const override { return playing; }
    int32_t LevelMoney() const override { return money; }
    int32_t WarehouseLevel() const override { return warehouseLevel; }
    int32_t StockCount(uint32_t id) const override {
        auto it = stock.find(id);
        return it == stock.end() ? 0 : it->second;
    }
    bool GoalProgress(const LevelGoalEntry&, int32_t* progress) const override {
        *progress = goalProgress;
        return running && goalInLevel;
    }
    bool LiveGoalValue(int goal, int32_t* value) const override {
        auto it = liveValues.find(goal);
        if (it == liveValues.end()) return false;
        *value = it->second;
        return true;
    }
    bool DescribeProduct(uintptr_t product, TagProduct* out) const override {
        if (product == 1)
            *out = {u"wheat", u"ico_wheat", 1, 7};
        else if (product == 2)
            *out = {u"flour", u"ico_flour", 2, 25};
        else
            return false;
        return true;
    }
    bool ProductCapacity(uintptr_t product, int32_t level, int32_t* capacity) const override {
        *capacity = 10 * level;
        return product == 1;
    }
    bool DescribePlant(uintptr_t plant, TagPlant* out) const override {
        if (plant != 10) return false;
        *out = {u"wheat", {5, 15, 30, 60}};
        return true;
    }
    bool DescribePlantBed(uintptr_t bed, TagPlant* out, int32_t* stage) const override {
        if (bed != 40) return false;
        *stage = 3;
        return DescribePlant(10, out);
    }
    bool DescribeBuilding(uintptr_t point, TagBuilding* out) const override {
        if (point != 20) return false;
        *out = {u"bakery", 1, 1, 3, {20, 50, 90, 200}, u"pie"};
        return true;
    }
    bool DescribeRecipe(uintptr_t recipe, TagRecipe* out) const override {
        if (recipe == 30)
            *out = {u"flour", 2, {{1, 2}, {2, 1}}};
        else if (recipe == 31)
            *out = {u"flour", 0, {}};
        else
            return false;
        return true;
    }
    const char16_t* GoalObjectName(uint32_t kind, uint32_t id) const override {
        if (kind == 1 && id == 1) return u"wheat";
        if (kind == 2 && id == 10) return u"wheat";
        if (kind == 3 && id == 20) return u"bakery";
        return nullptr;
    }
    const char16_t* ProfileName(uintptr_t profile) const override {
        if (profile == 0) return hasProfile ? u"Anna" : nullptr;
        return profile == 77 ? u"Bert" : nullptr;
    }
    bool CurrentAwards(AwardCounters* out) const override {
        if (hasProfile) *out = counters;
        return hasProfile;
    }
};

AwardRecord MakeAward(int index) {
    AwardRecord a = {};
    std::u16string key = u"harvester";
    std::copy(key.begin(), key.end(), a.key);
    a.index = index;
    a.bronze = 10;
    a.silver = 50;
    a.gold = 100;
    return a;
}

AwardGoal MakeGoal(int index, const char16_t* key, int32_t target) {
    AwardGoal g = {};
    std::u16string k = key;
    std::copy(k.begin(), k.end(), g.key);
    g.index = index;
    g.target = target;
    return g;
}

class TextTagsTest : public testing::Test {
  protected:
    App app; // the shell's state the test runs on
    void SetUp() override { SetTextTagSources(&sources); }
    void TearDown() override { SetTextTagSources(nullptr); }

    // The tag's expansion with a roomy buffer; "(unexpanded)" for 0.
    std::string Expand(const std::string& tag, uintptr_t kind = 0, uintptr_t object = 0) {
        const std::u16string text = Wide(tag);
        char16_t out[1024];
        std::fill(std::begin(out), std::end(out), u'#');
        const int32_t result = ExpandTextTag(text.c_str(), uint32_t(text.size()), out, 1024, kind, object);
        if (result == 0) return out[0] == 0 ? "(unexpanded)" : "(unexpanded, but wrote something)";
        return Narrow(out);
    }

    FakeSources sources;
    AwardRecord award = MakeAward(2);
    AwardGoal goal = MakeGoal(1, u"rich", 30);
    AwardGoal ratioGoal = MakeGoal(5, u"speedy", 2500);
    LevelGoalEntry task = {1, 1, 0, 10};
};

struct Case {
    const char* tag;
    uintptr_t kind;
    uintptr_t object;
    std::string markup; // unused where every case is left unexpanded
};

constexpr const char* kCoin = "<image=@0000002A rect=0, 0, 18, 16 w=18 offset=-2,0 color=ffffffff>";

TEST_F(TextTagsTest, EveryTagAndModeWritesItsMarkup) {
    sources.counters.awards[2] = 60; // silver
    sources.counters.goals[1] = 12;
    sources.counters.goals[5] = 1250;
    const std::string coin = kCoin;
    const std::string check0 = "<image=@0000001C rect=0, 0, 30, 30 w=30 color=ffffffff>";
    const std::string check1 = "<image=@0000001C rect=30, 0, 30, 30 w=30 color=ffffffff>";
    const uintptr_t awardObject = reinterpret_cast<uintptr_t>(&award);
    const uintptr_t goalObject = reinterpret_cast<uintptr_t>(&goal);
    const uintptr_t ratioObject = reinterpret_cast<uintptr_t>(&ratioGoal);
    const uintptr_t taskObject = reinterpret_cast<uintptr_t>(&task);
    const std::vector<Case> cases = {
        // No context needed.
        {"ICON small_coin", 0, 0,
         "<image=@0000002A rect=0, 0, 18, 16 w=24 h=22 offset=-5,-5 color=FFFFFFFF>"},
        {"icon ico_wheat 1 ff00ff00", 0, 0,
         "<image=@000000B0 rect=24, 0, 24, 22 w=24 h=22 offset=-5,-5 color=FF00FF00>"},
        {"ICON ico_wheat 7", 0, 0, ""}, // a frame out of range: nothing, still expanded
        {"ICON no_texture", 0, 0, ""},  // a sprite without texture: nothing
        {"COLOR ff0000", 0, 0, "<color=ff0000>"},
        {"COLOR FF0000", 0, 0, "<color=ff0000>"},
        {"COLOR r", 0, 0, "</color>"},
        {"MONEY", 0, 0, coin + "40"},
        {"MONEY ff112233", 0, 0, coin + "<c=FF112233>40</c>"},
        // Tasks.
        {"TASK N", kTagContextTask, taskObject, "Wheat"},
        {"TASK N 1 ff0000ff", kTagContextTask, taskObject, "<c=FF0000FF>wheat</c>"},
        {"TASK L", kTagContextTask, taskObject, "0"},
        {"TASK V ff00ff00", kTagContextTask, taskObject, "<c=FF00FF00>10</c>"},
        {"TASK R", kTagContextTask, taskObject, "0"}, // progress 12 of 10: nothing left
        // Plants and plant beds.
        {"PLANT N", kTagContextPlant, 10, "Wheat field"},
        {"PLANT N 1", kTagContextPlant, 10, "wheat fields"},
        {"PLANT P L", kTagContextPlant, 10, coin + "<c=FF008000>5</c>"},
        {"PLANT P U", kTagContextPlant, 10, coin + "<c=FF008000>15</c>"},
        {"PLANT P 4", kTagContextPlant, 10, coin + "<c=FFFF0000>60</c>"},
        {"PLANT P 9", kTagContextPlant, 10, coin + "<c=FF008000>0</c>"}, // no such stage: 0
        {"PLANT P 3 ff0000ff ff00ffff", kTagContextPlant, 10, coin + "<c=FF0000FF>30</c>"},
        {"MPLANT P L", kTagContextPlantBed, 40, coin + "<c=FF008000>30</c>"},
        {"MPLANT N", kTagContextPlantBed, 40, "Wheat field"},
        // Buildings: stage 1, stage 2 costs 50, money 40.
        {"MBLDNG N", kTagContextBuilding, 20, "Bakery"},
        {"MBLDNG P U", kTagContextBuilding, 20, coin + "<c=FFFF0000>50</c>"},
        {"MBLDNG P L", kTagContextBuilding, 20, coin + "<c=FF008000>20</c>"},
        {"MBLDNG P 4", kTagContextBuilding, 20, coin + "<c=FF008000>0</c>"}, // beyond its 3 levels: 0
        {"MBLDNG F C", kTagContextBuilding, 20, "<c=FF008000>1</c>"},
        {"MBLDNG F N 0", kTagContextBuilding, 20, "Pie"},
        // Recipes: 2 wheat needed, 3 in stock; 1 flour needed, none in stock.
        {"PRDCTN N", kTagContextRecipe, 30, "Flour"},
        {"PRDCTN I", kTagContextRecipe, 30,
         "<image=@000000B0 rect=24, 0, 24, 22 w=24 h=22 offset=-5,-5 color=FFFFFFFF><c=FF008000>Wheat</c>"},
        {"PRDCTN I 1", kTagContextRecipe, 30,
         "<image=@000000B1 rect=0, 0, 24, 22 w=24 h=22 offset=-5,-5 color=FFFFFFFF><c=FFFF0000>Flour</c>"},
        {"PRDCTN I", kTagContextRecipe, 31, "<c=FF808080>None</c>"},
        // Awards: counter 60 of 10 / 50 / 100 is silver.
        {"FAWARD N", kTagContextFinalAward, 0, "Master"},
        {"FAWARD N 1 ff000000", kTagContextFinalAward, 0, "<c=FF000000>Masters</c>"},
        {"SAWARD N", kTagContextAward, awardObject, "<c=FF008000>Harvester</c>"},
        {"SAWARD N 0 0", kTagContextAward, awardObject, "Harvester"},
        {"SAWARD C", kTagContextAward, awardObject, "<color=7C4230>"},
        {"SAWARD C 2", kTagContextAward, awardObject, "<color=6A685D>"},
        {"SAWARD C 3", kTagContextAward, awardObject, "<color=D0831F>"},
        {"SAWARD C 0", kTagContextAward, awardObject, "<color=7C4230>"},
        {"SAWARD C 9", kTagContextAward, awardObject, "<color=D0831F>"},
        {"SAWARD D", kTagContextAward, awardObject,
         "Harvest.\n<color=007e21>Now: 60</color>\n<color=d0831f>" + check0 +
             "Gold: 100</color>\n<color=6a685d>" + check1 + "Silver: 50</color>\n<color=7c4230>" + check1 +
             "Bronze: 10</color>"},
        {"BAWARD N", kTagContextGoal, goalObject, "Rich"},
        {"BAWARD C ff00ff00", kTagContextGoal, goalObject, "<c=FF00FF00>30</c>"},
        {"BAWARD C 1000", kTagContextGoal, ratioObject, "2.500"},
        {"BAWARD C 100 ff000000", kTagContextGoal, ratioObject, "<c=FF000000>25</c>"},
        {"BAWARD V", kTagContextGoal, goalObject, "12"},
        {"BAWARD V ff0000", kTagContextGoal, goalObject, "ff0000<c=00FF0000>12</c>"},
        {"BAWARD V 1000", kTagContextGoal, ratioObject, "10"}, // 9999 / 1000 = 9.999 shows 10
        {"BAWARD R 1000 best ", kTagContextGoal, ratioObject, "best 1.250"},
        // Products.
        {"PRODUCT I", kTagContextProduct, 1,
         "<image=@000000B0 rect=24, 0, 24, 22 w=24 h=22 offset=-5,-5 color=FFFFFFFF>"},
        {"PRODUCT N", kTagContextProduct, 2, "Flour"},
        {"PRODUCT P", kTagContextProduct, 1, coin + "<c=FF008000>7</c>"},
        {"PRODUCT P ff0000ff", kTagContextProduct, 2, coin + "<c=FF0000FF>25</c>"},
        {"PRODUCT W L", kTagContextProduct, 1, "20"},
        {"PRODUCT W U ff000001", kTagContextProduct, 1, "<c=FF000001>30</c>"},
        {"PRODUCT W 1", kTagContextProduct, 1, "10"},
        // Profiles.
        {"PROFILE N", kTagContextProfile, 0, "Anna"},
        {"profile N ff0000ff", kTagContextProfile, 77, "<c=FF0000FF>Bert</c>"},
        {"  PROFILE   N  ", kTagContextProfile, 0, "Anna"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Expand(c.tag, c.kind, c.object), c.markup) << c.tag;
}

TEST_F(TextTagsTest, PricesAreGreenOnlyWhenARunningLevelCanPayThem) {
    const std::string coin = kCoin;
    sources.money = 60;
    EXPECT_EQ(Expand("MBLDNG P U", kTagContextBuilding, 20), coin + "<c=FF008000>50</c>");
    sources.money = 50;
    EXPECT_EQ(Expand("MBLDNG P U", kTagContextBuilding, 20), coin + "<c=FF008000>50</c>");
    sources.money = 49;
    EXPECT_EQ(Expand("MBLDNG P U", kTagContextBuilding, 20), coin + "<c=FFFF0000>50</c>");
    sources.money = 1000;
    sources.running = false;
    EXPECT_EQ(Expand("MBLDNG P U", kTagContextBuilding, 20), coin + "<c=FFFF0000>50</c>");
    // Without the coin sprite the price is the number alone.
    sources.sprites.erase(u"small_coin");
    EXPECT_EQ(Expand("PRODUCT P", kTagContextProduct, 1), "<c=FF008000>7</c>");
}

TEST_F(TextTagsTest, TagsThatDoNotFitStayUnexpanded) {
    const uintptr_t awardObject = reinterpret_cast<uintptr_t>(&award);
    const uintptr_t taskObject = reinterpret_cast<uintptr_t>(&task);
    const std::vector<Case> cases = {
        {"", 0, 0, ""},
        {"   ", 0, 0, ""},
        {"UNKNOWN N", kTagContextProduct, 1, ""},
        {"PRODUCTS N", kTagContextProduct, 1, ""},
        {"abcdefghijabcdefghijabcdefghijab N", 0, 0, ""}, // 32 characters
        {"ICON", 0, 0, ""},
        {"ICON missing_sprite", 0, 0, ""},
        {"ICON awards_check", 0, 0, ""}, // library 1, not 2
        {"COLOR", 0, 0, ""},
        {"PRODUCT N", kTagContextPlant, 1, ""},     // wrong kind
        {"PRODUCT N", 0, 1, ""},                    // no kind
        {"PRODUCT N", kTagContextProduct, 99, ""},  // unknown object
        {"PRODUCT", kTagContextProduct, 1, ""},     // no mode
        {"PRODUCT X", kTagContextProduct, 1, ""},   // unknown mode
        {"PRODUCT NN", kTagContextProduct, 1, ""},  // a mode is one letter
        {"PRODUCT W", kTagContextProduct, 1, ""},   // no form
        {"PRODUCT W L", kTagContextProduct, 2, ""}, // no capacity known
        {"PROFILE", kTagContextProfile, 0, ""},     // no mode letter
        {"PROFILE N", kTagContextProfile, 5, ""},   // no such profile
        {"PROFILE N", 0, 0, ""},
        {"PLANT N", kTagContextPlant, 11, ""},
        {"PLANT P", kTagContextPlant, 10, ""}, // no form
        {"MPLANT N", kTagContextPlant, 10, ""},
        {"MBLDNG X", kTagContextBuilding, 20, ""},
        {"MBLDNG F X", kTagContextBuilding, 20, ""},
        {"PRDCTN I 2", kTagContextRecipe, 30, ""}, // past the two ingredients
        {"PRDCTN I 99999", kTagContextRecipe, 30, ""},
        {"PRDCTN N", kTagContextRecipe, 32, ""},
        {"SAWARD N", kTagContextAward, 0, ""}, // no object
        {"SAWARD N", kTagContextGoal, awardObject, ""},
        {"SAWARD X", kTagContextAward, awardObject, ""},
        {"FAWARD", kTagContextFinalAward, 0, ""},
        {"FAWARD D", kTagContextFinalAward, 0, ""},
        {"TASK N", kTagContextTask, 0, ""},
        {"TASK X", kTagContextTask, taskObject, ""},
        {"TASK N", kTagContextProduct, taskObject, ""},
        {"BAWARD N", kTagContextGoal, 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Expand(c.tag, c.kind, c.object), "(unexpanded)") << c.tag;
}

TEST_F(TextTagsTest, LevelTagsNeedARunningLevel) {
    sources.running = false;
    EXPECT_EQ(Expand("MONEY"), "(unexpanded)");
    // A goal of a level that does not run (the level window's goals): the whole target remains.
    sources.goalProgress = 3;
    EXPECT_EQ(Expand("TASK R", kTagContextTask, reinterpret_cast<uintptr_t>(&task)), "10");
    sources.running = true;
    sources.goalInLevel = false; // not one of the level's goals
    EXPECT_EQ(Expand("TASK R", kTagContextTask, reinterpret_cast<uintptr_t>(&task)), "(unexpanded)");
    sources.goalInLevel = true;
    sources.goalProgress = 3;
    EXPECT_EQ(Expand("TASK R", kTagContextTask, reinterpret_cast<uintptr_t>(&task)), "7");
    // The warehouse level of a level that does not run is 1.
    sources.running = false;
    EXPECT_EQ(Expand("PRODUCT W L", kTagContextProduct, 1), "10");
    // Live goal values only while a level is played; the tag still counts
    // as expanded, with nothing written.
    AwardGoal counter = MakeGoal(4, u"rich", 50);
    const uintptr_t object = reinterpret_cast<uintptr_t>(&counter);
    EXPECT_EQ(Expand("BAWARD V", kTagContextGoal, object), "17");
    sources.playing = false;
    EXPECT_EQ(Expand("BAWARD V", kTagContextGoal, object), "");
    // 'R' shows the stored counter of goals 3 to 6 only.
    sources.counters.goals[4] = 44;
    EXPECT_EQ(Expand("BAWARD R best: ", kTagContextGoal, object), "best: 44");
    EXPECT_EQ(Expand("BAWARD R", kTagContextGoal, reinterpret_cast<uintptr_t>(&goal)), "(unexpanded)");
}

TEST_F(TextTagsTest, OutOfRangeIndicesAnswerNothing) {
    // The award and goal index select the profile's counters: outside 0..8
    // and 0..7 the tag is left alone instead of reading past them.
    for (int index : {-1, 9, 100000}) {
        AwardRecord bad = MakeAward(index);
        for (const char* tag : {"SAWARD D", "SAWARD N", "SAWARD C"})
            EXPECT_EQ(Expand(tag, kTagContextAward, reinterpret_cast<uintptr_t>(&bad)), "(unexpanded)")
                << index;
    }
    for (int index : {-1, 8, 100000}) {
        AwardGoal bad = MakeGoal(index, u"rich", 5);
        for (const char* tag : {"BAWARD V", "BAWARD R", "BAWARD N", "BAWARD C"})
            EXPECT_EQ(Expand(tag, kTagContextGoal, reinterpret_cast<uintptr_t>(&bad)), "(unexpanded)")
                << index;
    }
}

TEST_F(TextTagsTest, TheProfileTagsNeedAProfile) {
    sources.hasProfile = false;
    EXPECT_EQ(Expand("PROFILE N", kTagContextProfile, 0), "(unexpanded)");
    EXPECT_EQ(Expand("SAWARD D", kTagContextAward, reinterpret_cast<uintptr_t>(&award)), "(unexpanded)");
    EXPECT_EQ(Expand("BAWARD V", kTagContextGoal, reinterpret_cast<uintptr_t>(&goal)), "(unexpanded)");
    // Names need no profile.
    EXPECT_EQ(Expand("SAWARD N 0 0", kTagContextAward, reinterpret_cast<uintptr_t>(&award)), "Harvester");
}

TEST_F(TextTagsTest, AwardDescriptionTicksTheTiersReached) {
    const uintptr_t object = reinterpret_cast<uintptr_t>(&award);
    struct Tier {
        int32_t counter;
        const char* ticks; // gold, silver, bronze
    };
    for (const Tier& t :
         {Tier{0, "000"}, Tier{9, "000"}, Tier{10, "001"}, Tier{50, "011"}, Tier{100, "111"}}) {
        sources.counters.awards[2] = t.counter;
        const std::string text = Expand("SAWARD D", kTagContextAward, object);
        std::string ticks;
        for (size_t at = 0; (at = text.find("rect=", at)) != std::string::npos; ++at)
            ticks += text.compare(at, 7, "rect=30") == 0 ? '1' : '0';
        EXPECT_EQ(ticks, t.ticks) << t.counter;
        EXPECT_NE(text.find("Now: " + std::to_string(t.counter)), std::string::npos);
    }
    // Without a two-frame check mark the lines carry none.
    sources.sprites[u"awards_check"].frames.resize(1);
    EXPECT_EQ(Expand("SAWARD D", kTagContextAward, object).find("<image"), std::string::npos);
}

TEST_F(TextTagsTest, RatiosShowUpToThreeDecimals) {
    const uintptr_t object = reinterpret_cast<uintptr_t>(&ratioGoal);
    struct Ratio {
        int32_t target;
        const char* divisor;
        const char* shown;
    };
    const Ratio cases[] = {
        {10, "4", "2.500"},     {99996, "100", "1000"},  {2, "1", "2"},       {1, "3", "0.334"},
        {1950, "100", "19.50"}, {12345, "100", "123.4"}, {5000, "10", "500"}, {9995, "1000", "10"},
        {9955, "1000", "10"},   {9950, "1000", "9.950"}, {7, "0", "7"},       {-10, "4", "-2.500"},
        {3, "1e0", "3"},        {25, "2.5", "10"},
    };
    for (const Ratio& r : cases) {
        ratioGoal.target = r.target;
        EXPECT_EQ(Expand(std::string("BAWARD C ") + r.divisor, kTagContextGoal, object), r.shown)
            << r.target << " / " << r.divisor;
    }
}

TEST_F(TextTagsTest, OutputIsCutAtEveryBufferSizeAndTerminated) {
    sources.counters.awards[2] = 60;
    const std::vector<Case> cases = {
        {"SAWARD D", kTagContextAward, reinterpret_cast<uintptr_t>(&award), ""},
        {"MBLDNG P U", kTagContextBuilding, 20, ""},
        {"PRDCTN I", kTagContextRecipe, 30, ""},
        {"COLOR ff0000", 0, 0, ""},
        {"BAWARD R 1000 best ", kTagContextGoal, reinterpret_cast<uintptr_t>(&ratioGoal), ""},
    };
    for (const Case& c : cases) {
        const std::u16string tag = Wide(c.tag);
        const std::u16string full = Wide(Expand(c.tag, c.kind, c.object));
        ASSERT_FALSE(full.empty()) << c.tag;
        for (uint32_t capacity = 1; capacity <= full.size() + 2; ++capacity) {
            std::vector<char16_t> buffer(capacity + 8, u'#');
            ASSERT_EQ(
                ExpandTextTag(tag.c_str(), uint32_t(tag.size()), buffer.data(), capacity, c.kind, c.object),
                1);
            const size_t kept = std::min<size_t>(capacity - 1, full.size());
            EXPECT_EQ(std::u16string(buffer.data()), full.substr(0, kept)) << c.tag << " " << capacity;
            for (size_t i = capacity; i < buffer.size(); ++i)
                ASSERT_EQ(buffer[i], u'#') << c.tag << ": written past " << capacity;
        }
    }
    // No room at all: nothing is written and the tag is not expanded.
    char16_t untouched = u'#';
    EXPECT_EQ(ExpandTextTag(u"COLOR r", 7, &untouched, 0, 0, 0), 0);
    EXPECT_EQ(untouched, u'#');
}

TEST_F(TextTagsTest, WithoutTheGamesSourcesTagsThatNeedThemStayUnexpanded) {
    SetTextTagSources(nullptr);
    const uintptr_t awardObject = reinterpret_cast<uintptr_t>(&award);
    for (const Case& c : std::vector<Case>{{"MONEY", 0, 0, ""},
                                           {"ICON small_coin", 0, 0, ""},
                                           {"PRODUCT N", kTagContextProduct, 1, ""},
                                           {"PLANT N", kTagContextPlant, 10, ""},
                                           {"MBLDNG P U", kTagContextBuilding, 20, ""},
                                           {"PRDCTN I", kTagContextRecipe, 30, ""},
                                           {"PROFILE N", kTagContextProfile, 0, ""},
                                           {"SAWARD D", kTagContextAward, awardObject, ""}})
        EXPECT_EQ(Expand(c.tag, c.kind, c.object), "(unexpanded)") << c.tag;
    // Colours need nothing.
    EXPECT_EQ(Expand("COLOR r"), "</color>");
}

TEST_F(TextTagsTest, TheTextLayerExpandsTagsThroughTheCallback) {
    const std::u16string text = u"Hello, [PROFILE N]! [MONEY] [UNKNOWN tag] [COLOR ff0000]red[COLOR r]";
    uint32_t length = 0;
    const char16_t* out = KGEExpandTextTags(text.c_str(), uint32_t(text.size()), kTextMaxChars, ExpandTextTag,
                                            kTagContextProfile, 0, &length);
    EXPECT_EQ(Narrow(std::u16string(out, length)),
              std::string("Hello, Anna! ") + kCoin + "40 [UNKNOWN tag] <color=ff0000>red</color>");
}

} // namespace

namespace {

// The tests of TextTagSourcesTest run on an App of their own: the shell's state lives in it.
struct TextTagSourcesTest : ::testing::Test {
    App app;
};

TEST_F(TextTagSourcesTest, SpriteFramesComeFromTheInstalledLibraries) {
    SpriteLibraries libraries;
    SetSpriteLibraries(&libraries);
    SpriteLibrary* small = libraries.Make(2, nullptr);
    small->AddSprite(u"small_coin")->SetFrames({{0, 0, 18, 16}, {18, 0, 36, 16}});
    const TextTagSources sources;
    TagImage image;
    EXPECT_TRUE(sources.FindImage(2, u"SMALL_COIN", 1, &image));
    EXPECT_EQ(image.frameCount, 2);
    EXPECT_EQ(image.left, 18);
    EXPECT_EQ(image.width, 18);
    EXPECT_EQ(image.texture, 0u); // no texture: the tags draw nothing of it
    EXPECT_FALSE(sources.FindImage(1, u"small_coin", 0, &image));
    EXPECT_FALSE(sources.FindImage(2, u"big_coin", 0, &image));
    // Outside a run there is no profile.
    AwardCounters counters;
    EXPECT_FALSE(sources.CurrentAwards(&counters));
    EXPECT_EQ(sources.ProfileName(0), nullptr);
    SetSpriteLibraries(nullptr);
}

} // namespace

namespace {

void CopyName(char16_t (&field)[32], const char16_t* text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    for (int i = 0; text[i] && i < 31; ++i)
        field[i] = text[i];
}

// The tests of FarmTextTagSourcesTest run on an App of their own: the shell's state lives in it.
struct FarmTextTagSourcesTest : ::testing::Test {
    App app;
};

TEST_F(FarmTextTagSourcesTest, ProductsPlantsAndGoalNamesComeFromTheFarmTables) {
    farmtest::RecordingResources resources;
    FarmData farm(&resources);
    ProductRecord wheat = {};
    CopyName(wheat.name, u"wheat");
    CopyName(wheat.iconName, u"ico_wheat");
    wheat.id = 11;
    wheat.price = 7;
    PRODUCT* product = farm.products.Add(wheat);
    PlantRecord field = {};
    CopyName(field.label, u"wheat_field");
    field.id = 22;
    field.stagePrices[0] = 5;
    field.stagePrices[3] = 60;
    PLANT* plant = farm.plants.Add(field);
    ASSERT_NE(product, nullptr);
    ASSERT_NE(plant, nullptr);

    FarmTextTagSources sources(&farm);
    SetTextTagSources(&sources);
    TagProduct p;
    ASSERT_TRUE(sources.DescribeProduct(reinterpret_cast<uintptr_t>(product), &p));
    EXPECT_EQ(std::u16string(p.name), u"wheat");
    EXPECT_EQ(std::u16string(p.icon), u"ico_wheat");
    EXPECT_EQ(p.id, 11u);
    EXPECT_EQ(p.price, 7);
    EXPECT_FALSE(sources.DescribeProduct(0, &p));
    TagPlant t;
    ASSERT_TRUE(sources.DescribePlant(reinterpret_cast<uintptr_t>(plant), &t));
    EXPECT_EQ(std::u16string(t.name), u"wheat_field");
    EXPECT_EQ(t.prices[3], 60);
    EXPECT_EQ(std::u16string(sources.GoalObjectName(1, 11)), u"wheat");
    EXPECT_EQ(std::u16string(sources.GoalObjectName(2, 22)), u"wheat_field");
    EXPECT_EQ(sources.GoalObjectName(1, 22), nullptr);
    EXPECT_EQ(sources.GoalObjectName(3, 11), nullptr);
    EXPECT_EQ(sources.GoalObjectName(0, 11), nullptr);
    // Through the tags: no language here, so the names fall to nothing, but
    // the tags expand; a price outside a level is the lack colour.
    const std::u16string tag = u"PLANT P 4";
    char16_t out[256];
    ASSERT_EQ(ExpandTextTag(tag.c_str(), uint32_t(tag.size()), out, 256, kTagContextPlant,
                            reinterpret_cast<uintptr_t>(plant)),
              1);
    EXPECT_EQ(Narrow(out), "<c=FFFF0000>60</c>");

    // Warehouse capacities come from the farm's warehouse type: 50 a level,
    // its highest level for any level above; no product, no capacity.
    int32_t capacity = 0;
    EXPECT_EQ(sources.ProductCapacity(reinterpret_cast<uintptr_t>(product), 2, &capacity), true);
    EXPECT_EQ(capacity, 0) << "no warehouse type yet";
    const auto warehouse = farmtest::Warehouse(3);
    ASSERT_NE(farm.buildings.Add(warehouse.header, warehouse.levels), nullptr);
    struct Case {
        const char16_t* tag;
        const char* markup;
    } cases[] = {
        {u"PRODUCT W 2", "100"}, {u"PRODUCT W L", "50"}, {u"PRODUCT W U", "100"}, {u"PRODUCT W 9", "150"}};
    for (const Case& c : cases) {
        const std::u16string text = c.tag;
        ASSERT_EQ(ExpandTextTag(text.c_str(), uint32_t(text.size()), out, 256, kTagContextProduct,
                                reinterpret_cast<uintptr_t>(product)),
                  1)
            << Narrow(text);
        EXPECT_EQ(Narrow(out), c.markup) << Narrow(text);
    }
    EXPECT_FALSE(sources.ProductCapacity(0, 1, &capacity));

    // With a level installed: prices are affordable up to its money and the
    // warehouse's own level counts, until the level has ended.
    struct Level : RunningLevelTags {
        bool running = true;
        bool Running() const override { return running; }
        int32_t Money() const override { return 60; }
        int32_t WarehouseLevel() const override { return 2; }
        int32_t StockCount(uint32_t) const override { return 0; }
        bool GoalProgress(uint32_t, uint32_t, int32_t, int32_t, int32_t*) const override { return false; }
        bool LiveGoalValue(int goal, int32_t* value) const override {
            *value = goal == 4 ? 12 : 1250;
            return goal == 4 || goal == 5;
        }
    } level;
    sources.SetRunningLevel(&level);
    auto expand = [&](const std::u16string& text, uint32_t kind, const void* object) {
        EXPECT_EQ(ExpandTextTag(text.c_str(), uint32_t(text.size()), out, 256, kind,
                                reinterpret_cast<uintptr_t>(object)),
                  1)
            << Narrow(text);
        return Narrow(out);
    };
    EXPECT_EQ(expand(u"PLANT P 4", kTagContextPlant, plant), "<c=FF008000>60</c>");
    EXPECT_EQ(expand(u"PRODUCT W L", kTagContextProduct, product), "100");
    // The level's live values of the award goals: a count, and a value
    // shown as a ratio by the tag's divisor.
    AwardGoal busy{}, quick{};
    busy.index = 4, quick.index = 5;
    EXPECT_EQ(expand(u"BAWARD V", kTagContextGoal, &busy), "12");
    EXPECT_EQ(expand(u"BAWARD V 1000", kTagContextGoal, &quick), "1.250");
    level.running = false;
    EXPECT_EQ(expand(u"PLANT P 4", kTagContextPlant, plant), "<c=FFFF0000>60</c>");
    EXPECT_EQ(expand(u"PRODUCT W L", kTagContextProduct, product), "50");
    sources.SetRunningLevel(nullptr);
    SetTextTagSources(nullptr);
}

} // namespace

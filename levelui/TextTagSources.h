#pragma once
// What the custom text tags read of the game: language texts, sprite frames,
// the running level, the farm's tables and the current profile.
//
// The tags get their objects as opaque context words; an implementation of
// this interface turns such a word into the plain facts a tag prints. Here
// the language texts come from the running App's language, sprite frames
// from the installed sprite libraries and the profiles from the App's
// profile store; every other question answers "nothing" (false, null or 0),
// so a tag whose facts are not available stays unexpanded. The level and the
// farm's tables answer through a derived class installed with
// SetTextTagSources.

#include "frontend/Awards.h"

#include <cstdint>

// One frame of a sprite as the text layer names it.
struct TagImage {
    uint32_t texture = 0;   // object-registry handle of the sprite's texture; 0 = none
    int32_t frameCount = 0; // the sprite's frames
    int32_t left = 0;       // the asked frame's source rectangle, when the frame exists
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// A product: its name (language key in "products"), its icon (a 4-frame
// sprite of library 2), its id and its price.
struct TagProduct {
    const char16_t* name = nullptr;
    const char16_t* icon = nullptr;
    uint32_t id = 0;
    int32_t price = 0;
};

// A plant type: its name (key in "plants") and the price of stages 1 to 4.
struct TagPlant {
    const char16_t* name = nullptr;
    int32_t prices[4] = {};
};

// A building point: its type's name (key in "buildings"), the point's stage,
// the type's kind and level count, the price of each stage (1 to 4) and, for
// a type of kind 1, the name (key in "products") of what it produces.
struct TagBuilding {
    const char16_t* name = nullptr;
    int32_t stage = 0;
    uint32_t kind = 0;
    int32_t levelCount = 0;
    int32_t prices[4] = {};
    const char16_t* product = nullptr;
};

// A factory recipe: the name (key in "products") of what it makes and its
// ingredients, each a product object (for DescribeProduct) and the count
// needed.
struct TagIngredient {
    uintptr_t product = 0;
    int32_t needed = 0;
};
struct TagRecipe {
    static constexpr int kMaxIngredients = 5;
    const char16_t* name = nullptr;
    int32_t ingredientCount = 0;
    TagIngredient ingredients[kMaxIngredients] = {};
};

// A goal of a level as the task tag's object: 16 bytes {kind, object id,
// value L (the stage or level), value V (the target)}. Kinds: 0 money,
// 1 product, 2 plant, 3 building, 4 garbage sites.
struct LevelGoalEntry {
    uint32_t kind;
    uint32_t id;
    int32_t valueL;
    int32_t valueV;
};
static_assert(sizeof(LevelGoalEntry) == 16);

class TextTagSources {
  public:
    virtual ~TextTagSources() = default;

    // The text of the key in the group, in the given form; the entry's
    // fallback text for a missing form or key; null without a language.
    virtual const char16_t* Text(const char16_t* group, const char16_t* key, uint32_t form) const;
    // The frame of the named sprite of the library (1 or 2); false when the
    // sprite is unknown.
    virtual bool FindImage(int32_t library, const char16_t* name, int32_t frame, TagImage* out) const;

    // The running level: whether one runs (not ended), whether the game is
    // in the level state, its money, its warehouse level, its stock of a
    // product.
    virtual bool LevelRunning() const { return false; }
    virtual bool PlayingLevel() const { return false; }
    virtual int32_t LevelMoney() const { return 0; }
    virtual int32_t WarehouseLevel() const { return 1; }
    virtual int32_t StockCount(uint32_t /*productId*/) const { return 0; }
    // The level's progress of the goal when it is one of the current
    // regime's goals of the running level.
    virtual bool GoalProgress(const LevelGoalEntry& /*goal*/, int32_t* /*progress*/) const { return false; }
    // The live value of award goals 3 to 6 while a level is played: 3 a
    // profile counter, 4 a level counter, 5 a level value, 6 the level's
    // highest value.
    virtual bool LiveGoalValue(int /*goal*/, int32_t* /*value*/) const { return false; }

    // The farm's tables.
    virtual bool DescribeProduct(uintptr_t /*product*/, TagProduct* /*out*/) const { return false; }
    // The product's warehouse capacity at a warehouse level.
    virtual bool ProductCapacity(uintptr_t /*product*/, int32_t /*warehouseLevel*/,
                                 int32_t* /*capacity*/) const {
        return false;
    }
    virtual bool DescribePlant(uintptr_t /*plant*/, TagPlant* /*out*/) const { return false; }
    // A plant bed point: its plant type and its stage.
    virtual bool DescribePlantBed(uintptr_t /*bed*/, TagPlant* /*out*/, int32_t* /*stage*/) const {
        return false;
    }
    virtual bool DescribeBuilding(uintptr_t /*point*/, TagBuilding* /*out*/) const { return false; }
    virtual bool DescribeRecipe(uintptr_t /*recipe*/, TagRecipe* /*out*/) const { return false; }
    // The name key of a level goal's object: kGoalProduct a product, kGoalPlant a
    // plant type, kGoalBuilding a building type, by id; null when unknown.
    virtual const char16_t* GoalObjectName(uint32_t /*kind*/, uint32_t /*id*/) const { return nullptr; }

    // Profiles: the name of the profile (a Profile, 0 = the current one) and
    // a copy of the current profile's award words; null and false when there
    // is none.
    virtual const char16_t* ProfileName(uintptr_t profile) const;
    virtual bool CurrentAwards(AwardCounters* out) const;
};

// Installs the sources the tags read (null: the answer-nothing sources
// above). The caller owns them and keeps them alive while installed.
void SetTextTagSources(const TextTagSources* sources);
const TextTagSources& GetTextTagSources();

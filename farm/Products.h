#pragma once
// The product table ('PROD'): every good of the farm, loaded once at game
// start. Besides the lookup by name id it resolves each product's
// ingredients to records, answers whether a product can be made in the
// current level, keeps per-level in-use marks and acquires the graphics of
// the products a level uses.

#include "engine/LoaderState.h"
#include "farm/FarmRecords.h"
#include "farm/FarmResources.h"
#include "foundation/DataFile.h"

#include <cstdint>
#include <memory>
#include <vector>

// A product: the record as read, then what is resolved from it.
struct PRODUCT {
    ProductRecord record;
    uint32_t acquireCount = 0;
    Sprite* icon = nullptr;
    Sprite* secondIcon = nullptr;
    Sprite* mapSprite = nullptr;
    PRODUCT* ingredients[kMaxIngredients] = {}; // the first record.ingredientCount are set
    bool used = false;                          // the current level uses it
};

class ProductList {
  public:
    // The resources outlive the list (the program's or a test's).
    explicit ProductList(FarmResources* resources) : resources_(resources) {}

    // The chunk loader (loader protocol: kLoaderCallAgain until finished).
    // On the last call it resolves the ingredients.
    int32_t Load(kis::DataFileReaderW* reader, LoaderState* state);
    // Drops pairs whose product is unknown or whose units are below 1; the
    // taken pairs move down in order and point to their records.
    void ResolveIngredients();

    // First record with the id in load order; null for id 0 or none.
    PRODUCT* FindProduct(uint32_t id) const;
    PRODUCT* FindProductByName(const char16_t* name) const;
    int32_t Count() const { return int32_t(products_.size()); }
    PRODUCT* Get(int32_t i) const { return products_[size_t(i)].get(); }

    // Used in this level, and so is every ingredient, recursively. A product
    // on an ingredient cycle is never available.
    bool IsAvailable(const PRODUCT* product) const;
    bool IsAvailableById(uint32_t id) const { return IsAvailable(FindProduct(id)); }
    void ResetUsedFlags();
    void MarkUsed(PRODUCT* product);
    void MarkUsedById(uint32_t id) { MarkUsed(FindProduct(id)); }
    // Acquires the graphics the first time (reference counted).
    void Acquire(PRODUCT* product);

    bool HasIngredients(const PRODUCT* product, const ProductStockView& stock) const;
    void TakeIngredients(const PRODUCT* product, ProductStockView& stock) const;
    void ReturnIngredients(const PRODUCT* product, int32_t factor, ProductStockView& stock) const;
    // The labels of the ingredients flying out of (taking) or back into
    // (returning) the stock at a map position.
    std::vector<ProductChange> IngredientChanges(const PRODUCT* product, int32_t x, int32_t y,
                                                 bool returning) const;

    // Adds a record as the loader would (tests and tools).
    PRODUCT* Add(const ProductRecord& record);

  private:
    bool IsAvailableOnPath(const PRODUCT* product, std::vector<const PRODUCT*>& path) const;

    FarmResources* resources_; // not owned
    std::vector<std::unique_ptr<PRODUCT>> products_;
};

// Checks a product record as the loader does: every name terminated.
bool IsProductRecordValid(const ProductRecord& record);

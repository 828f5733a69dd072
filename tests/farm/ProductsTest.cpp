// The product table: lookups, ingredients, availability in a level, the
// used marks with their acquisitions, the stock operations and the loader.
#include "tests/farm/FarmTestSupport.h"

#include <gtest/gtest.h>

using namespace farmtest;

namespace {

const uint32_t kA = kis::NameId("flour"), kB = kis::NameId("milk"), kC = kis::NameId("sugar");

// A stock with counts per product, recording the calls.
class Stock : public ProductStockView {
  public:
    int32_t GetCount(const PRODUCT* p) const override {
        auto it = counts.find(p);
        return it == counts.end() ? 0 : it->second;
    }
    void Remove(const PRODUCT* p, int32_t units) override { counts[p] -= units; }
    void Add(const PRODUCT* p, int32_t units) override { counts[p] += units; }
    std::map<const PRODUCT*, int32_t> counts;
};

struct Table {
    RecordingResources resources;
    ProductList products{&resources};
};

} // namespace

TEST(Products, IngredientsKeepOnlyKnownProductsWithUnitsInTheirOrder) {
    Table t;
    t.products.Add(Product("flour"));
    t.products.Add(Product("milk"));
    t.products.Add(Product("sugar"));
    PRODUCT* cake = t.products.Add(Product("cake", {{kA, 2}, {kis::NameId("nothing"), 5}, {kB, 0}, {kC, 1}}));
    t.products.ResolveIngredients();
    ASSERT_EQ(cake->record.ingredientCount, 2);
    EXPECT_EQ(cake->ingredients[0], t.products.FindProduct(kA));
    EXPECT_EQ(cake->record.ingredients[0].units, 2);
    EXPECT_EQ(cake->ingredients[1], t.products.FindProduct(kC));
    EXPECT_EQ(cake->record.ingredients[1].id, kC);
    EXPECT_EQ(cake->record.ingredients[1].units, 1);
    EXPECT_EQ(cake->ingredients[2], nullptr);
}

TEST(Products, LookupsByIdAndName) {
    Table t;
    ProductRecord zero = Product("zero");
    zero.id = 0;
    t.products.Add(zero);
    PRODUCT* first = t.products.Add(Product("wheat"));
    t.products.Add(Product("wheat")); // a second record of the id is never found
    EXPECT_EQ(t.products.FindProduct(0), nullptr);
    EXPECT_EQ(t.products.FindProduct(kis::NameId("wheat")), first);
    EXPECT_EQ(t.products.FindProductByName(u"Wheat"), first);
    EXPECT_EQ(t.products.FindProductByName(u"rye"), nullptr);
    EXPECT_EQ(kis::NameId("warehouse"), 0x134C7403u);
}

TEST(Products, AvailableOnlyWhenItAndAllItsIngredientsAreUsed) {
    Table t;
    PRODUCT* flour = t.products.Add(Product("flour"));
    PRODUCT* milk = t.products.Add(Product("milk"));
    PRODUCT* cake = t.products.Add(Product("cake", {{kA, 1}, {kB, 1}}));
    t.products.ResolveIngredients();
    EXPECT_FALSE(t.products.IsAvailable(nullptr));
    EXPECT_FALSE(t.products.IsAvailable(flour)); // not used in this level
    t.products.MarkUsed(cake);
    t.products.MarkUsed(flour);
    EXPECT_TRUE(t.products.IsAvailable(flour));
    EXPECT_FALSE(t.products.IsAvailable(cake)) << "milk is not used";
    t.products.MarkUsedById(kB);
    EXPECT_TRUE(milk->used);
    EXPECT_TRUE(t.products.IsAvailableById(kis::NameId("cake")));
    t.products.ResetUsedFlags();
    EXPECT_FALSE(t.products.IsAvailable(cake));
    EXPECT_FALSE(flour->used);
}

// A product that needs itself, directly or through others, can never be
// made: the question ends instead of running out of stack.
TEST(Products, IngredientCyclesAreNeverAvailable) {
    Table t;
    PRODUCT* a = t.products.Add(Product("flour", {{kB, 1}}));
    PRODUCT* b = t.products.Add(Product("milk", {{kA, 1}}));
    PRODUCT* self = t.products.Add(Product("sugar", {{kC, 1}}));
    PRODUCT* outside = t.products.Add(Product("cake", {{kA, 1}}));
    t.products.ResolveIngredients();
    for (PRODUCT* p : {a, b, self, outside})
        t.products.MarkUsed(p);
    EXPECT_FALSE(t.products.IsAvailable(a));
    EXPECT_FALSE(t.products.IsAvailable(b));
    EXPECT_FALSE(t.products.IsAvailable(self));
    EXPECT_FALSE(t.products.IsAvailable(outside));

    // The same ingredient twice (a diamond) is no cycle.
    Table d;
    d.products.Add(Product("flour"));
    d.products.Add(Product("milk", {{kA, 1}}));
    PRODUCT* cake = d.products.Add(Product("cake", {{kA, 1}, {kB, 1}, {kA, 2}}));
    d.products.ResolveIngredients();
    for (int32_t i = 0; i < d.products.Count(); ++i)
        d.products.MarkUsed(d.products.Get(i));
    EXPECT_TRUE(d.products.IsAvailable(cake));
}

TEST(Products, AcquiringTwiceAcquiresTheSpritesAndSearchesTheAwardsOnce) {
    Table t;
    t.resources.AddSprite(kIconLibrary, u"ico_egg");
    t.resources.AddSprite(kProductLibrary, u"product_egg", 2);
    t.resources.awardNames = {u"Wheat", u"EGG", u"egg"};
    PRODUCT* egg = t.products.Add(Product("egg"));
    PRODUCT* rye = t.products.Add(Product("rye"));
    t.products.MarkUsed(egg);
    t.products.MarkUsed(egg);
    t.products.Acquire(egg);
    EXPECT_EQ(egg->acquireCount, 2u);
    EXPECT_EQ(t.resources.Fake(kIconLibrary, u"ico_egg")->acquired, 1);
    EXPECT_EQ(t.resources.Fake(kProductLibrary, u"product_egg")->acquired, 1);
    EXPECT_EQ(egg->record.awardIndex, 1) << "the first name that matches, ignoring case";

    const int lookups = t.resources.awardLookups;
    t.products.Acquire(rye);
    t.products.Acquire(rye);
    EXPECT_EQ(rye->record.awardIndex, -1);
    EXPECT_EQ(t.resources.awardLookups - lookups, 9) << "nine entries, searched once";
    t.products.Acquire(nullptr);
}

TEST(Products, AMapSpriteMissingAtLoadIsLookedUpAgainWhenAcquired) {
    Table t;
    PRODUCT* egg = t.products.Add(Product("egg"));
    EXPECT_EQ(egg->mapSprite, nullptr);
    t.resources.AddSprite(kProductLibrary, u"product_egg");
    t.products.Acquire(egg);
    ASSERT_NE(egg->mapSprite, nullptr);
    EXPECT_EQ(t.resources.Fake(kProductLibrary, u"product_egg")->acquired, 1);
}

TEST(Products, StockTakesGivesAndChecksTheIngredientUnits) {
    Table t;
    PRODUCT* flour = t.products.Add(Product("flour"));
    PRODUCT* milk = t.products.Add(Product("milk"));
    PRODUCT* cake = t.products.Add(Product("cake", {{kA, 2}, {kB, 1}}));
    t.products.ResolveIngredients();
    Stock stock;
    stock.counts = {{flour, 2}, {milk, 0}};
    EXPECT_FALSE(t.products.HasIngredients(cake, stock));
    EXPECT_FALSE(t.products.HasIngredients(nullptr, stock));
    EXPECT_TRUE(t.products.HasIngredients(flour, stock)) << "nothing needed";
    stock.counts[milk] = 1;
    EXPECT_TRUE(t.products.HasIngredients(cake, stock));
    t.products.TakeIngredients(cake, stock);
    EXPECT_EQ(stock.counts[flour], 0);
    EXPECT_EQ(stock.counts[milk], 0);
    t.products.ReturnIngredients(cake, 3, stock);
    EXPECT_EQ(stock.counts[flour], 6);
    EXPECT_EQ(stock.counts[milk], 3);
}

TEST(Products, IngredientLabelsAreStaggered) {
    Table t;
    t.products.Add(Product("flour"));
    t.products.Add(Product("milk"));
    t.products.Add(Product("sugar"));
    PRODUCT* cake = t.products.Add(Product("cake", {{kA, 2}, {kB, 1}, {kC, 4}}));
    t.products.ResolveIngredients();
    struct Case {
        bool returning;
        int32_t units[3], y[3];
        uint32_t delay[3];
        int32_t label[3];
    };
    const Case cases[] = {
        {true, {2, 1, 4}, {60, 80, 100}, {0, 100, 200}, {0, 0, 0}},
        {false, {-2, -1, -4}, {100, 100, 100}, {0, 200, 400}, {0, -10, -20}},
    };
    for (const Case& c : cases) {
        const std::vector<ProductChange> changes = t.products.IngredientChanges(cake, 50, 100, c.returning);
        ASSERT_EQ(changes.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const ProductChange& ch = changes[size_t(i)];
            EXPECT_EQ(ch.units, c.units[i]) << c.returning << i;
            EXPECT_EQ(ch.x, 50);
            EXPECT_EQ(ch.y, c.y[i]) << c.returning << i;
            EXPECT_EQ(ch.delay, c.delay[i]) << c.returning << i;
            EXPECT_EQ(ch.labelOffset, c.label[i]) << c.returning << i;
            EXPECT_EQ(ch.product, cake->ingredients[i]) << "the label shows the ingredient itself";
        }
    }
}

TEST(Products, TheLoaderReadsEveryRecordAndResolvesTheIngredients) {
    const FarmTablesSource sample = Sample();
    Pack pack({{kProductChunkId, 1, ProductChunkBytes(sample)}});
    Table t;
    t.resources.AddSprite(kIconLibrary, u"ico_bread");
    ASSERT_TRUE(LoadAll(t.products, pack.Reader()));
    ASSERT_EQ(t.products.Count(), 4);
    PRODUCT* bread = t.products.FindProductByName(u"bread");
    ASSERT_NE(bread, nullptr);
    EXPECT_EQ(bread->record.productionTime, 6000);
    ASSERT_EQ(bread->record.ingredientCount, 2);
    EXPECT_EQ(bread->ingredients[0], t.products.FindProductByName(u"wheat"));
    EXPECT_EQ(bread->ingredients[1], t.products.FindProductByName(u"egg"));
    EXPECT_NE(bread->icon, nullptr) << "sprites are looked up at load";
    EXPECT_EQ(bread->acquireCount, 0u);
}

TEST(Products, TheLoaderRefusesBadChunks) {
    const FarmTablesSource sample = Sample();
    const std::vector<uint8_t> good = ProductChunkBytes(sample);
    auto with = [&](auto change) {
        std::vector<uint8_t> bytes = good;
        change(bytes);
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<Pack::Chunk> chunks;
    };
    const Case cases[] = {
        {"no chunk", {}},
        {"another sub-id", {{kProductChunkId, 2, good}}},
        {"no count", {{kProductChunkId, 1, {}}}},
        {"a count beyond the records", {{kProductChunkId, 1, with([](auto& b) { b[0] = 5; })}}},
        {"a huge count", {{kProductChunkId, 1, with([](auto& b) { b[3] = 0x80; })}}},
        {"a record cut short", {{kProductChunkId, 1, with([](auto& b) { b.pop_back(); })}}},
        {"bytes after the last record", {{kProductChunkId, 1, with([](auto& b) { b.push_back(0); })}}},
        {"an unterminated name", {{kProductChunkId, 1, with([](auto& b) {
                                       for (int i = 0; i < 64; ++i)
                                           b[4 + 312 + 64 + size_t(i)] = 'x';
                                   })}}},
    };
    for (const Case& c : cases) {
        Pack pack(c.chunks);
        Table t;
        LoaderState state = {};
        EXPECT_FALSE(LoadAll(t.products, pack.Reader(), &state)) << c.what;
        EXPECT_EQ(state.error, 1) << c.what;
    }
}

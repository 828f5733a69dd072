#include "farm/Products.h"

#include "farm/RecordReader.h"
#include "foundation/Ident.h"
#include "foundation/StrFunctions.h"

#include <algorithm>

namespace {

constexpr int32_t kAwardEntries = 9; // the first block of the award table

} // namespace

bool IsProductRecordValid(const ProductRecord& r) {
    return IsNameTerminated(r.name) && IsNameTerminated(r.iconName) && IsNameTerminated(r.secondIconName) &&
           IsNameTerminated(r.mapSpriteName);
}

PRODUCT* ProductList::Add(const ProductRecord& record) {
    auto product = std::make_unique<PRODUCT>();
    product->record = record;
    product->icon = resources_->FindSprite(kIconLibrary, record.iconName);
    product->secondIcon = resources_->FindSprite(kIconLibrary, record.secondIconName);
    product->mapSprite = resources_->FindSprite(kProductLibrary, record.mapSpriteName);
    products_.push_back(std::move(product));
    return products_.back().get();
}

int32_t ProductList::Load(kis::DataFileReaderW* reader, LoaderState* state) {
    const int32_t result = LoadRecordChunk(
        reader, state, kProductChunkId, kFarmChunkSubId,
        [&](uint32_t* count) {
            return ReadCount(reader, count) && CountFits(reader, *count, sizeof(ProductRecord));
        },
        [&] {
            ProductRecord record;
            if (!ReadRecord(reader, &record) || !IsProductRecordValid(record)) return false;
            Add(record);
            return true;
        });
    if (result == kLoaderFinished && !state->error) ResolveIngredients();
    return result;
}

void ProductList::ResolveIngredients() {
    for (auto& product : products_) {
        ProductRecord& r = product->record;
        int32_t count = 0;
        for (int32_t i = 0; i < kMaxIngredients; ++i) {
            PRODUCT* found = FindProduct(r.ingredients[i].id);
            if (!found || r.ingredients[i].units < 1) continue;
            if (i != count) r.ingredients[count] = r.ingredients[i];
            product->ingredients[count] = found;
            ++count;
        }
        for (int32_t i = count; i < kMaxIngredients; ++i)
            product->ingredients[i] = nullptr;
        r.ingredientCount = count;
    }
}

PRODUCT* ProductList::FindProduct(uint32_t id) const {
    if (id == 0) return nullptr;
    for (const auto& product : products_)
        if (product->record.id == id) return product.get();
    return nullptr;
}

PRODUCT* ProductList::FindProductByName(const char16_t* name) const {
    return FindProduct(kis::NameId(name));
}

bool ProductList::IsAvailable(const PRODUCT* product) const {
    std::vector<const PRODUCT*> path;
    return IsAvailableOnPath(product, path);
}

// The products on the way down are kept, so that a cycle in the data (A
// needs B, B needs A) ends the walk instead of the stack: a product that
// needs itself, however indirectly, can never be made.
bool ProductList::IsAvailableOnPath(const PRODUCT* product, std::vector<const PRODUCT*>& path) const {
    if (!product || !product->used) return false;
    if (std::find(path.begin(), path.end(), product) != path.end()) return false;
    path.push_back(product);
    bool available = true;
    for (int32_t i = 0; i < product->record.ingredientCount && available; ++i)
        available = IsAvailableOnPath(product->ingredients[i], path);
    path.pop_back();
    return available;
}

void ProductList::ResetUsedFlags() {
    for (auto& product : products_)
        product->used = false;
}

void ProductList::MarkUsed(PRODUCT* product) {
    if (!product || product->used) return;
    product->used = true;
    if (product->acquireCount == 0) Acquire(product);
}

void ProductList::Acquire(PRODUCT* product) {
    if (!product) return;
    if (product->acquireCount == 0) {
        if (product->icon) resources_->AcquireSprite(product->icon);
        if (product->secondIcon) resources_->AcquireSprite(product->secondIcon);
        if (!product->mapSprite)
            product->mapSprite = resources_->FindSprite(kProductLibrary, product->record.mapSpriteName);
        if (product->mapSprite) resources_->AcquireSprite(product->mapSprite);
        if (product->record.awardIndex == -1) {
            for (int32_t i = 0; i < kAwardEntries; ++i) {
                const char16_t* name = resources_->GetAwardName(i);
                if (name && kis::StrICompareW(name, product->record.name) == 0) {
                    product->record.awardIndex = i;
                    break;
                }
            }
        }
    }
    ++product->acquireCount;
}

bool ProductList::HasIngredients(const PRODUCT* product, const ProductStockView& stock) const {
    if (!product) return false;
    for (int32_t i = 0; i < product->record.ingredientCount; ++i)
        if (stock.GetCount(product->ingredients[i]) < product->record.ingredients[i].units) return false;
    return true;
}

void ProductList::TakeIngredients(const PRODUCT* product, ProductStockView& stock) const {
    if (!product) return;
    for (int32_t i = 0; i < product->record.ingredientCount; ++i)
        stock.Remove(product->ingredients[i], product->record.ingredients[i].units);
}

void ProductList::ReturnIngredients(const PRODUCT* product, int32_t factor, ProductStockView& stock) const {
    if (!product) return;
    for (int32_t i = 0; i < product->record.ingredientCount; ++i)
        stock.Add(product->ingredients[i], product->record.ingredients[i].units * factor);
}

std::vector<ProductChange> ProductList::IngredientChanges(const PRODUCT* product, int32_t x, int32_t y,
                                                          bool returning) const {
    std::vector<ProductChange> changes;
    if (!product) return changes;
    const int32_t n = product->record.ingredientCount;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t units = product->record.ingredients[i].units;
        // Returned units stack upwards and arrive one after another; taken
        // ones leave from one place, their labels drifting apart.
        if (returning)
            changes.push_back(
                {units, x, y - 20 * (n - 1 - i), uint32_t(100 * i), 0, product->ingredients[i]});
        else
            changes.push_back({-units, x, y, uint32_t(200 * i), -10 * i, product->ingredients[i]});
    }
    return changes;
}

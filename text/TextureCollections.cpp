#include "text/TextureCollections.h"

namespace {
DXLTextures* collections[kTextureCollectionCount] = {};
}

void SetTextureCollection(int32_t index, DXLTextures* collection) {
    if (index >= 0 && index < kTextureCollectionCount) collections[index] = collection;
}

DXLTextures* GetTextureCollection(int32_t index) {
    return index >= 0 && index < kTextureCollectionCount ? collections[index] : nullptr;
}

#pragma once
#include <cstdint>

class DXLTextures;

// The application's texture collections by index (its resource sets). The
// font and digit-font loaders read their texture entries into collection 1
// and look textures up there. The application installs the collections;
// the table does not own them.

constexpr int32_t kTextureCollectionCount = 8;
constexpr int32_t kFontTextureCollection = 1;

// Indices outside the table are ignored.
void SetTextureCollection(int32_t index, DXLTextures* collection);
// Null for an index outside the table or one not installed.
DXLTextures* GetTextureCollection(int32_t index);

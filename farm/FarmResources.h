#pragma once
// What the farm tables need from the subsystems around them, behind one
// small interface so that each can be swapped: the sprite libraries (found
// by library number and name, acquired, their frame counts), the sound
// service, the character descriptions and the award table's names. The
// program hands the tables its own implementation; tests hand them a
// recording one.

#include <cstdint>

class Sprite;        // a sprite or map sprite of a sprite library
class GameCharacter; // a character description of 'CHQR'
struct PRODUCT;

// Sprite libraries the farm tables look their sprites up in.
constexpr int32_t kIconLibrary = 2;
constexpr int32_t kProductLibrary = 3;
constexpr int32_t kPlantLibrary = 4;
constexpr int32_t kBedLibrary = 5;
constexpr int32_t kBuildingLibrary = 6;
constexpr int32_t kLevelLibrary = 7;

// One label of units flying in or out at a map position.
struct ProductChange {
    int32_t units; // positive when added to the stock
    int32_t x, y;
    uint32_t delay;      // ms before it starts
    int32_t labelOffset; // the label's animation offset
    // The product whose units fly (its small icon shows on the label); owned
    // by the product list.
    const PRODUCT* product = nullptr;
};

class FarmResources {
  public:
    virtual ~FarmResources() = default;

    // Null when the library has no sprite of the name (or for an empty name).
    virtual Sprite* FindSprite(int32_t library, const char16_t* name) = 0;
    // Makes the sprite's textures ready; null is passed over by the caller.
    virtual void AcquireSprite(Sprite* sprite) = 0;
    virtual int32_t GetFrameCount(Sprite* sprite) = 0;
    // A sound handle, 0 when it cannot be loaded.
    virtual uint32_t LoadSound(const char16_t* name) = 0;
    virtual GameCharacter* FindCharacter(uint32_t id) = 0;
    virtual void AcquireCharacter(GameCharacter* character) = 0;
    // The name of award-table entry 0..8 of the first block; null while
    // there is no award table or no such entry.
    virtual const char16_t* GetAwardName(int32_t index) = 0;
};

// The level's product stock as the farm tables see it.
struct PRODUCT;
class ProductStockView {
  public:
    virtual ~ProductStockView() = default;
    virtual int32_t GetCount(const PRODUCT* product) const = 0;
    virtual void Remove(const PRODUCT* product, int32_t units) = 0;
    virtual void Add(const PRODUCT* product, int32_t units) = 0;
};

#pragma once
// What the building points need of the running level beyond GameLevel's own
// members and the farm's shared part (FarmLevelBase: the map, the farmer,
// the warehouse delivery, the tutorial): the product stock and the tables, sounds, the overhead buttons of
// the level interface, the building panel and the warehouse window. The program's level world implements it
// beside its LevelServices (the same object, so that a job loader can reach it from the farmer it is handed);
// tests implement it with plain fields. Missing parts answer null and are passed over.

#include "farm/FarmLevelBase.h"

#include <cstdint>
#include <memory>

class BuildingList;
class GameLevel;
class GameMessager;
class LevelMap;
class MapPlayer;
class PointBuilding;
class PointFactory;
class ProductList;
class ProductStock;
class ProductStockView;
class Sprite;
struct GameCharacter;
struct GPSDescription;
struct PRODUCT;

// Sound category of the level's event sounds.
constexpr uint32_t kFactorySoundCategory = 0x41000000;
// The event-sound slot of a production start.
constexpr uint32_t kProductionStartSound = 2;
// Loop mode: the sample's own.
constexpr int32_t kSoundLoopAsLoaded = -1;

// An overhead button of a factory (a production button or a slot button);
// the level interface owns its screen sprite, the factory owns this handle.
class OverheadButton {
  public:
    virtual ~OverheadButton() = default;
    virtual void SetEnabled(bool enabled) = 0;
    // A slot button's fill, 0..1.
    virtual void SetProgress(float fraction) = 0;
    // Hides the button (animated: after the delay, in 200 ms) and lets go of
    // its screen sprite.
    virtual void Hide(bool animated, uint32_t delay) = 0;
    // The button's screen rectangle in field coordinates.
    virtual void GetRect(int32_t* left, int32_t* top, int32_t* width, int32_t* height) const = 0;
};

class BuildingHost : public virtual FarmLevelBase {
  public:
    virtual ~BuildingHost() = default;

    virtual GameLevel& Level() = 0;
    virtual ProductStock& Stock() = 0;
    virtual ProductStockView& StockView() = 0;
    virtual ProductList& Products() = 0;
    virtual BuildingList& Buildings() = 0;

    // A sprite of a library (the job icons); null when absent.
    virtual Sprite* FindSprite(int32_t library, const char16_t* name) = 0;
    // A particle description by its effect id; null when unknown.
    virtual const GPSDescription* FindParticle(uint32_t effectId) = 0;
    // The width of a map sprite (the mirrored production animations).
    virtual int32_t SpriteWidth(Sprite* sprite) = 0;

    // Sounds: a playback channel (0 none), its fade-out, the event sounds.
    virtual uint32_t PlaySound(uint32_t soundId, uint32_t category, int32_t loopMode) = 0;
    virtual void FadeOutSound(uint32_t channel, uint32_t ms) = 0;
    virtual void PlayEventSound(uint32_t slot) = 0;

    // Overhead buttons shown at (x, y); null without a level interface.
    virtual std::unique_ptr<OverheadButton> ShowProductionButton(PointFactory* factory, int32_t recipe,
                                                                 int32_t recipeCount, const PRODUCT* product,
                                                                 int32_t x, int32_t y, bool animated,
                                                                 uint32_t delay) = 0;
    virtual std::unique_ptr<OverheadButton> ShowSlotButton(PointFactory* factory, int32_t slot,
                                                           int32_t slotCount, int32_t x, int32_t y,
                                                           bool animated, uint32_t delay) = 0;

    // The building panel of the level panel: attach, detach, refresh.
    virtual void AttachBuildingPanel(PointBuilding* point) = 0;
    virtual void DetachBuildingPanel(PointBuilding* point) = 0;
    virtual void RefreshBuildingPanel(PointBuilding* point) = 0;

    // The warehouse window, and the panel's warehouse button (absent
    // without a level panel).
    virtual void OpenWarehouseWindow() = 0;
    virtual void SetWarehouseButtonLevel(int32_t level) = 0;

    // An animal house's overhead button: "Feed" (command kFeedCommand, the
    // feed product's icon and its price) or the house's own arrow button
    // ('Eggs', 'Milk', 'CutS'; no product). Its click comes back through
    // PointPetshouse::OnOverheadCommand. Null without a level interface.
    virtual std::unique_ptr<OverheadButton> ShowAnimalButton(PointBuilding* point, uint32_t command,
                                                             const PRODUCT* product, int32_t price, int32_t x,
                                                             int32_t y, bool animated, uint32_t delay) {
        (void)point, (void)command, (void)product, (void)price, (void)x, (void)y, (void)animated, (void)delay;
        return nullptr;
    }
    // Shows a change of the stock (units below 0: taken) at (x, y).
    virtual void ShowProductChange(const PRODUCT* product, int32_t units, int32_t x, int32_t y) {
        (void)product, (void)units, (void)x, (void)y;
    }
    // A character description of the game data by id; null when unknown.
    virtual const GameCharacter* FindCharacter(uint32_t id) {
        (void)id;
        return nullptr;
    }
};

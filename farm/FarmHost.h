#pragma once
// What the farm's objects need beyond the level itself, in one interface the
// farm owns: the farmer, the stock and the farm tables, the pictures, the
// sounds and the level interface's buttons and panels, for the building
// points, the plant points and their jobs, and the villains' program side
// (sounds, trails, health bars). What the level owns (its points, selection,
// speed, bonuses, goals) a point asks its own level (BaseLevelPoint::Level)
// and a job its farmer's (LevelOf); the money, the clock and the path finder
// every map object asks of its map's services, which are the level's own
// (LevelServices). The tutorial the farm asks and tells through the host, so
// that the farm's events go into the log on the way.
//
// The program's level world (FarmWorld, farm/FarmWorld.h, with the drawing
// and the interface wiring of game/ProgramWorld) implements it; tests
// implement it with plain fields. Each member is one the implementer must
// answer; an answer of null (no map, no buttons, no panel) is passed over.

#include "farm/OverheadButton.h"
#include "farm/VillainHost.h"
#include "gui/TutorialMessages.h"
#include "gui/TutorialObject.h"

#include <cstdint>
#include <functional>
#include <memory>

class BuildingList;
class FarmResources;
class GameMessager;
class GPSSpace;
class LevelMap;
class MapPlayer;
class MapSprite;
class PlantData;
class PlantPanel;
class PointBuilding;
class PointFactory;
class ProductList;
class ProductStock;
class ProductStockView;
class Sprite;
struct GameCharacter;
struct GAMEBEDS;
struct GPSDescription;
struct PRODUCT;
struct ProductChange;

// The overhead buttons of the level's screen sprites: arrow buttons with a
// command, an icon of the interface library and a click handler that
// answers the click's result bits.
class OverheadButtons {
  public:
    // The result bit that plays the interface click sound.
    static constexpr uint32_t kClickSound = 2;
    virtual ~OverheadButtons() = default;
    // A handle above 0.
    virtual uint32_t ShowArrowButton(uint32_t command, const char16_t* icon, float x, float y,
                                     std::function<uint32_t()> onClick, bool animated, int32_t delay) = 0;
    // Hides the button (fading out when animated); remove deletes it after.
    virtual void HideButton(uint32_t handle, bool animated, bool remove, uint32_t delay) = 0;
    // Gives the button the hint of a text key other than its command's.
    virtual void SetHintKey(uint32_t handle, const char16_t* key) = 0;
};

class FarmHost {
  public:
    virtual ~FarmHost() = default;

    // ---- the running tutorial: whether an action is allowed (yes when none
    // runs), and the farm's events it follows
    virtual bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) = 0;
    virtual void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) = 0;

    // ---- the level's map and its farmer
    // The level map; null runs the points without any pictures (tests).
    virtual LevelMap* Map() = 0;
    // The farmer; null when the level has none yet.
    virtual MapPlayer* Player() = 0;

    // ---- the stock and the farm tables
    virtual ProductStock& Stock() = 0;
    virtual ProductStockView& StockView() = 0;
    virtual ProductList& Products() = 0;
    virtual BuildingList& Buildings() = 0;
    virtual PlantData& Plants() = 0;
    virtual FarmResources* Resources() = 0;
    // Stores units of a product in the warehouse; answers the units taken
    // (0 when the warehouse is full or the product is null). The messenger
    // throttles the "warehouse is full" message of its owner; awardIndex
    // counts the units (-1 none); the flying units (and the money of those
    // sold) start at (x, y + flyInOffset).
    virtual uint32_t PutToWarehouse(const PRODUCT* product, uint32_t units, GameMessager* messenger,
                                    int32_t awardIndex, int32_t x, int32_t y, int32_t flyInOffset) = 0;
    // A character description of the game data by id; null when unknown.
    virtual const GameCharacter* FindCharacter(uint32_t id) = 0;

    // ---- pictures
    // A sprite of a library (the job icons); null when absent.
    virtual Sprite* FindSprite(int32_t library, const char16_t* name) = 0;
    // The width of a map sprite (the mirrored production animations).
    virtual int32_t SpriteWidth(Sprite* sprite) = 0;
    // The map sprite a sprite handle of the farm tables stands for (null
    // when it is none).
    virtual MapSprite* AsMapSprite(Sprite* sprite) = 0;
    // The bed set the level chose and its empty tree-site sprite (may be null).
    virtual GAMEBEDS* BedSet() = 0;
    virtual Sprite* EmptyTreeSite() = 0;
    // A particle description by its effect id; null when unknown.
    virtual const GPSDescription* FindParticle(uint32_t effectId) = 0;
    // The level's particle space; null: shots fly without a trail.
    virtual GPSSpace* ParticleSpace() = 0;
    // A health bar for a villain at (x, y); null: a PlainHealthBar.
    virtual std::unique_ptr<VillainHealthBar> CreateHealthBar(int32_t x, int32_t y, int32_t maximum) = 0;

    // ---- sounds: a playback channel (0 none) and its fade-out, the event
    // sounds by slot, and a loaded sound played once (a villain's arrival)
    virtual uint32_t PlayOnChannel(uint32_t soundId, uint32_t category, int32_t loopMode) = 0;
    virtual void FadeOutSound(uint32_t channel, uint32_t ms) = 0;
    virtual void PlayEventSound(uint32_t slot) = 0;
    virtual void PlaySoundOnce(uint32_t sound) = 0;

    // ---- the level interface
    // Overhead buttons shown at (x, y); null without a level interface.
    virtual std::unique_ptr<OverheadButton> ShowProductionButton(PointFactory* factory, int32_t recipe,
                                                                 int32_t recipeCount, const PRODUCT* product,
                                                                 int32_t x, int32_t y, bool animated,
                                                                 uint32_t delay) = 0;
    virtual std::unique_ptr<OverheadButton> ShowSlotButton(PointFactory* factory, int32_t slot,
                                                           int32_t slotCount, int32_t x, int32_t y,
                                                           bool animated, uint32_t delay) = 0;
    // An animal house's overhead button: "Feed" (command kFeedCommand, the
    // feed product's icon and its price) or the house's own arrow button
    // ('Eggs', 'Milk', 'CutS'; no product). Its click comes back through
    // PointPetshouse::OnOverheadCommand. Null without a level interface.
    virtual std::unique_ptr<OverheadButton> ShowAnimalButton(PointBuilding* point, uint32_t command,
                                                             const PRODUCT* product, int32_t price, int32_t x,
                                                             int32_t y, bool animated, uint32_t delay) = 0;
    // The plant points' arrow buttons; null shows none but the points keep their state.
    virtual OverheadButtons* Buttons() = 0;
    // Shows a label of units flying into the stock or out of it (the
    // warehouse's deliveries, a factory's ingredients, an animal's feed).
    virtual void ShowProductChange(const ProductChange& change) = 0;
    // The building panel of the level panel: attach, detach, refresh.
    virtual void AttachBuildingPanel(PointBuilding* point) = 0;
    virtual void DetachBuildingPanel(PointBuilding* point) = 0;
    virtual void RefreshBuildingPanel(PointBuilding* point) = 0;
    // The plant panel shared by every plant point (created when missing).
    virtual PlantPanel* SharedPlantPanel() = 0;
    // The warehouse window, and the panel's warehouse button (absent
    // without a level panel).
    virtual void OpenWarehouseWindow() = 0;
    virtual void SetWarehouseButtonLevel(int32_t level) = 0;
};

#pragma once
// The program's level world: the farm's side of a running level (FarmWorld)
// with the program's screens around it. It draws the buttons, icons, bars
// and flying labels over the field (FieldSprites, made by Attach) and wires
// the farm to the level's interface: the warehouse window and button, the
// building and plant panels.

#include "farm/FarmWorld.h"

#include <memory>

class FieldSprites;
class LevelInterface;
class PlantPanel;

class ProgramWorld : public FarmWorld {
  public:
    // The farm tables outlive the world.
    explicit ProgramWorld(FarmData* farm);
    ~ProgramWorld() override;

    // The farm's wiring to its level (FarmWorld::Attach), then the level's
    // screen sprites over the field.
    void Attach(GameLevel* level);
    // The level's interface (the level screen owns it): the warehouse point
    // opens its window there and shows its level on the panel. Null: none.
    void SetInterface(LevelInterface* ui) { interface_ = ui; }
    // The level's screen sprites: the buttons, icons, bars and flying labels
    // over the field (made by Attach, kept until the world goes, after every
    // point); null before Attach.
    FieldSprites* Field() { return field_.get(); }

    // The farmer and the villains, then the screen sprites' frame.
    void TickCharacters(uint32_t ms) override;

    // ---- the farm host: the level interface
    std::unique_ptr<OverheadButton> ShowProductionButton(PointFactory* factory, int32_t recipe,
                                                         int32_t recipeCount, const PRODUCT* product,
                                                         int32_t x, int32_t y, bool animated,
                                                         uint32_t delay) override;
    std::unique_ptr<OverheadButton> ShowSlotButton(PointFactory* factory, int32_t slot, int32_t slotCount,
                                                   int32_t x, int32_t y, bool animated,
                                                   uint32_t delay) override;
    // An animal house's overhead button, through the field's screen sprites.
    std::unique_ptr<OverheadButton> ShowAnimalButton(PointBuilding* point, uint32_t command,
                                                     const PRODUCT* product, int32_t price, int32_t x,
                                                     int32_t y, bool animated, uint32_t delay) override;
    OverheadButtons* Buttons() override;
    void ShowProductChange(const ProductChange& change) override;
    void AttachBuildingPanel(PointBuilding* point) override;
    void DetachBuildingPanel(PointBuilding* point) override;
    void RefreshBuildingPanel(PointBuilding* point) override;
    PlantPanel* SharedPlantPanel() override;
    void OpenWarehouseWindow() override;
    void SetWarehouseButtonLevel(int32_t level) override;

  private:
    std::unique_ptr<PlantPanel> plantPanel_;
    std::unique_ptr<FieldSprites> field_; // goes before the plant panel, as every point's buttons
    LevelInterface* interface_ = nullptr; // owned by the level screen
};

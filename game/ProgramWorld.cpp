#include "game/ProgramWorld.h"

#include "farm/BuildingPoints.h"
#include "farm/PlantPanel.h"
#include "game/FieldSprites.h"
#include "game/LevelInterface.h"
#include "level/GameLevel.h"

ProgramWorld::ProgramWorld(FarmData* farm) : FarmWorld(farm) {}

ProgramWorld::~ProgramWorld() = default;

void ProgramWorld::Attach(GameLevel* level) {
    FarmWorld::Attach(level);
    field_ = std::make_unique<FieldSprites>(*level);
}

void ProgramWorld::TickCharacters(uint32_t ms) {
    FarmWorld::TickCharacters(ms);
    if (field_) field_->Tick();
}

OverheadButtons* ProgramWorld::Buttons() {
    return field_.get();
}

std::unique_ptr<OverheadButton> ProgramWorld::ShowProductionButton(PointFactory* factory, int32_t recipe,
                                                                   int32_t recipeCount,
                                                                   const PRODUCT* product, int32_t x,
                                                                   int32_t y, bool animated, uint32_t delay) {
    return field_ ? field_->ShowProductionButton(factory, recipe, recipeCount, product, x, y, animated, delay)
                  : nullptr;
}

std::unique_ptr<OverheadButton> ProgramWorld::ShowSlotButton(PointFactory* factory, int32_t slot,
                                                             int32_t slotCount, int32_t x, int32_t y,
                                                             bool animated, uint32_t delay) {
    return field_ ? field_->ShowSlotButton(factory, slot, slotCount, x, y, animated, delay) : nullptr;
}

void ProgramWorld::ShowProductChange(const ProductChange& change) {
    if (field_)
        field_->ShowProductChange(change.product, change.units, change.x, change.y, change.delay,
                                  change.labelOffset);
}

std::unique_ptr<OverheadButton> ProgramWorld::ShowAnimalButton(PointBuilding* point, uint32_t command,
                                                               const PRODUCT* product, int32_t price,
                                                               int32_t x, int32_t y, bool animated,
                                                               uint32_t delay) {
    return field_ ? field_->ShowAnimalButton(point, command, product, price, x, y, animated, delay) : nullptr;
}

PlantPanel* ProgramWorld::SharedPlantPanel() {
    if (!plantPanel_) {
        plantPanel_ = std::make_unique<PlantPanel>();
        // The level panel's view follows the shared plant panel.
        plantPanel_->onChanged = [this] {
            if (interface_) interface_->RefreshPlantPanel();
        };
    }
    return plantPanel_.get();
}

// ---------------------------------------------------------------- the level panel and its windows

void ProgramWorld::AttachBuildingPanel(PointBuilding* point) {
    if (interface_) interface_->AttachBuildingPanel(point);
}

void ProgramWorld::DetachBuildingPanel(PointBuilding* point) {
    if (interface_) interface_->ForgetPointPanel(point);
}

void ProgramWorld::RefreshBuildingPanel(PointBuilding* point) {
    if (interface_) interface_->RefreshPointPanel(point);
}

void ProgramWorld::OpenWarehouseWindow() {
    if (interface_) interface_->OpenWarehouseWindow();
}

void ProgramWorld::SetWarehouseButtonLevel(int32_t level) {
    if (interface_) interface_->SetWarehouseButtonLevel(level);
}

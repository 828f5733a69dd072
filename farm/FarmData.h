#pragma once
// The four farm tables of the game data, together: products, plant data,
// building types and villain kinds. They are loaded once from the data pack
// and live for the whole run; the level enables what it uses of them.
//
// The program owns one FarmData (game/FarmDataStages.cpp) and makes it the
// game's for as long as it lives; the loading stages and the level code
// reach it through GameFarmData().

#include "farm/Buildings.h"
#include "farm/Plants.h"
#include "farm/Products.h"
#include "farm/Villains.h"

class FarmData {
  public:
    // The resources outlive the tables.
    explicit FarmData(FarmResources* resources)
        : products(resources), plants(resources, &products), buildings(resources, &products),
          villains(resources), resources_(resources) {}

    // The level load's first step: nothing is used until the level enables it.
    void ResetUsedFlags() {
        products.ResetUsedFlags();
        plants.ResetUsedFlags();
        buildings.ResetUsedFlags();
    }

    ProductList products;
    PlantData plants;
    BuildingList buildings;
    VillainTable villains;

    // The resources the tables were made with (the level's points find
    // their sprites through them).
    FarmResources* Resources() const { return resources_; }

  private:
    FarmResources* resources_; // not owned
};

// The game's farm tables; null while none is set. The owner sets it and
// clears it before the tables go.
FarmData* GameFarmData();
void SetGameFarmData(FarmData* data);

// The loading stages of the four chunks, in the data pack's order ('PROD',
// 'PLNT', 'BLDN', 'VLNS'; after 'CHQR', before 'LVLS'): each loads into
// GameFarmData() and logs its table's name and count when it finishes.
int32_t LoadProductsStage(kis::DataFileReaderW* reader, LoaderState* state);
int32_t LoadPlantsStage(kis::DataFileReaderW* reader, LoaderState* state);
int32_t LoadBuildingsStage(kis::DataFileReaderW* reader, LoaderState* state);
int32_t LoadVillainsStage(kis::DataFileReaderW* reader, LoaderState* state);

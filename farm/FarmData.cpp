#include "farm/FarmData.h"

#include "app/App.h"
#include "engine/Log.h"

namespace {

// Runs one call of a table's loader and, once it finished well, logs the
// table with its count.
template <class Table>
int32_t RunStage(Table FarmData::*table, const char* name, kis::DataFileReaderW* reader, LoaderState* state,
                 int32_t (Table::*load)(kis::DataFileReaderW*, LoaderState*)) {
    FarmData* data = GameFarmData();
    if (!data) {
        state->error = 1;
        return kLoaderFinished;
    }
    Table& t = data->*table;
    const int32_t result = (t.*load)(reader, state);
    if (result != kLoaderCallAgain && !state->error) LogLabelPrintf(kLogIndent, name, "%d", t.Count());
    return result;
}

} // namespace

FarmData* GameFarmData() {
    return AppInstalled<FarmData>();
}

void SetGameFarmData(FarmData* data) {
    InstallInApp(data);
}

int32_t LoadProductsStage(kis::DataFileReaderW* reader, LoaderState* state) {
    return RunStage(&FarmData::products, "Products", reader, state, &ProductList::Load);
}

int32_t LoadPlantsStage(kis::DataFileReaderW* reader, LoaderState* state) {
    const int32_t result = RunStage(&FarmData::plants, "Plants", reader, state, &PlantData::Load);
    if (result != kLoaderCallAgain && !state->error)
        LogLabelPrintf(kLogIndent, "Plant bed sets", "%d", GameFarmData()->plants.BedSetCount());
    return result;
}

int32_t LoadBuildingsStage(kis::DataFileReaderW* reader, LoaderState* state) {
    return RunStage(&FarmData::buildings, "Building types", reader, state, &BuildingList::Load);
}

int32_t LoadVillainsStage(kis::DataFileReaderW* reader, LoaderState* state) {
    return RunStage(&FarmData::villains, "Villain kinds", reader, state, &VillainTable::Load);
}

#include "game/GameTables.h"

#include "app/App.h"
#include "app/GameDataLoader.h"
#include "engine/LoaderState.h"
#include "sprites/Sprite.h"

namespace {

struct InstalledTables {
    GameTables* tables = nullptr; // owned by the program's main function
};

int32_t LoadAwardTable(kis::DataFileReaderW* reader, LoaderState* state) {
    GameTables* tables = GetGameTables();
    if (!tables) {
        state->error = 1;
        return kLoaderFinished;
    }
    const int32_t result = tables->awards.Load(reader, state);
    // The sprite libraries are loaded by then: the icons are looked up once.
    if (!state->error) tables->awards.ResolveIcons(GetSprite);
    return result;
}

} // namespace

GameTables::GameTables() {
    SetTextTagSources(&tagSources);
}

GameTables::~GameTables() {
    SetTextTagSources(nullptr);
    if (InstalledTables* installed = ExistingAppPart<InstalledTables>();
        installed && installed->tables == this)
        installed->tables = nullptr;
}

void RegisterGameDataStages(GameTables& tables) {
    if (InstalledTables* installed = AppPart<InstalledTables>()) installed->tables = &tables;
    RegisterGameDataStage({kAwardTableChunkId, 1.0f, "award table", GetDataPack, LoadAwardTable});
}

GameTables* GetGameTables() {
    const InstalledTables* installed = ExistingAppPart<InstalledTables>();
    return installed ? installed->tables : nullptr;
}

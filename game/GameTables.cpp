#include "game/GameTables.h"

#include "app/GameDataLoader.h"
#include "engine/LoaderState.h"
#include "sprites/Sprite.h"

namespace {

GameTables* g_tables = nullptr; // owned by the program's main function

int32_t LoadAwardTable(kis::DataFileReaderW* reader, LoaderState* state) {
    if (!g_tables) {
        state->error = 1;
        return kLoaderFinished;
    }
    const int32_t result = g_tables->awards.Load(reader, state);
    // The sprite libraries are loaded by then: the icons are looked up once.
    if (!state->error) g_tables->awards.ResolveIcons(GetSprite);
    return result;
}

} // namespace

GameTables::GameTables() {
    SetTextTagSources(&tagSources);
}

GameTables::~GameTables() {
    SetTextTagSources(nullptr);
    if (g_tables == this) g_tables = nullptr;
}

void RegisterGameDataStages(GameTables& tables) {
    g_tables = &tables;
    RegisterGameDataStage({kAwardTableChunkId, 1.0f, "award table", GetDataPack, LoadAwardTable});
}

GameTables* GetGameTables() {
    return g_tables;
}

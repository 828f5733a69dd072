#include "game/GameTables.h"

#include "app/GameDataLoader.h"

namespace {

GameTables* g_tables = nullptr; // owned by the program's main function

int32_t LoadAwardTable(kis::DataFileReaderW* reader, LoaderState* state) {
    if (!g_tables) {
        state->error = 1;
        return kLoaderFinished;
    }
    return g_tables->awards.Load(reader, state);
}

} // namespace

GameTables::~GameTables() {
    if (g_tables == this) g_tables = nullptr;
}

void RegisterGameDataStages(GameTables& tables) {
    g_tables = &tables;
    RegisterGameDataStage({kAwardTableChunkId, 1.0f, "award table", GetDataPack, LoadAwardTable});
}

GameTables* GetGameTables() {
    return g_tables;
}

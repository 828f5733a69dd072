#include "app/App.h"
#include "frontend/Comix.h"
#include "game/ComicsScreen.h"
#include "game/FarmTables.h"
#include "game/FrontendScreens.h"
#include "game/GameData.h"
#include "game/GameScreens.h"
#include "game/GameTables.h"
#include "game/LevelBot.h"
#include "game/LevelScreen.h"
#include "game/MapProgram.h"
#include "levelui/TextTags.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// The game program: the screens of the game states and the game-data stages
// are registered in the tables of the App made first, in the data pack's order (the
// character descriptions, the farm tables, the level table, the bonuses, the
// award table, then the level-select map), the windows get the custom text
// tags, then the shell starts, runs and shuts down. "--showcase" (taken off
// the command line here) puts the screen that shows the layers below the
// game in the main screen's place, for the program tests of those layers;
// "--bot REGIME LEVELS" (game/LevelBot.h) puts the level bot's run there.
int main(int argc, char** argv) {
    std::vector<char*> arguments(argv, argv + argc);
    bool showcase = false;
    for (auto it = arguments.begin() + (argc > 0 ? 1 : 0); it != arguments.end();)
        if (std::strcmp(*it, "--showcase") == 0)
            it = arguments.erase(it), showcase = true;
        else
            ++it;
    std::unique_ptr<BotRun> bot;
    std::string why;
    if (!ParseBotArguments(arguments, &bot, &why)) {
        std::fprintf(stderr, "verbolunde: %s\n", why.c_str());
        return 2;
    }
    App app; // made first: the screens and stages below register into it
    RegisterCharacterStage();
    GameFarmTables farmTables;
    GameTables tables;
    RegisterFrontendScreens();
    RegisterGameScreens(showcase);
    RegisterLevelPlay();
    RegisterLevelTableStage();
    RegisterBonusStage();
    RegisterGameDataStages(tables);
    Comix comix;
    RegisterComics(comix);
    RegisterTextTagCallback(ExpandTextTag);
    RegisterMapScreen();
    RegisterBotRun(std::move(bot));
    arguments.push_back(nullptr);
    return app.Run(int(arguments.size() - 1), arguments.data());
}

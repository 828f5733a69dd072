#include "app/App.h"
#include "bot/LevelBot.h"
#include "game/GameProgram.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

// The game program: the game's wiring (game/GameProgram.h), then the shell
// starts, runs and shuts down. "--bot REGIME LEVELS" (bot/LevelBot.h) puts
// the level bot's run in the main screen's place. Memory that runs out in the
// set-up around the run ends it as out of memory too, never on a signal.
int main(int argc, char** argv) try {
    if (!MemoryToStart()) return TellOutOfMemoryOutsideRun();
    std::vector<char*> arguments(argv, argv + argc);
    std::unique_ptr<BotRun> bot; // outlives the App, which runs it
    App app;                     // made first: the game's wiring registers into it
    app.AddUsageOptions("[--bot easy|hard LEVELS]");
    std::string why;
    if (!ParseBotArguments(arguments, &bot, &why)) {
        std::fprintf(stderr, "verbolunde: %s\n%s", why.c_str(), app.Usage().c_str());
        return 2;
    }
    GameProgram game;
    InstallAutoplay(bot.get());
    arguments.push_back(nullptr);
    const int exitCode = app.Run(int(arguments.size() - 1), arguments.data());
    InstallAutoplay(nullptr);
    if (bot && !bot->Refusal().empty()) {
        std::fprintf(stderr, "verbolunde: --bot: %s.\n", bot->Refusal().c_str());
        return exitCode ? exitCode : 1;
    }
    return exitCode;
} catch (const std::bad_alloc&) {
    return TellOutOfMemoryOutsideRun();
}

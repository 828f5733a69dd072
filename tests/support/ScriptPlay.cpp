#include "tests/support/ScriptPlay.h"

#include "tests/support/InputScript.h"
#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace testsupport {

bool UseWindow(const GameCopy& game, int width, int height) {
    // A size wider than 1024 is played as a full screen of that size: the headless desktop
    // (1920 x 1080) offers no window as large as itself.
    const std::string size = std::to_string(width) + "," + std::to_string(height);
    return WriteFileBytes(game.Game() + "/config.ini",
                          width > 1024 ? "[Video]\nFullscreen=1\nWindow=800,600\nScreen=" + size + "\n"
                                       : "[Video]\nWindow=" + size + "\n");
}

int RunScript(const GameCopy& game, const std::string& name, const std::string& events,
              const std::string& arguments, std::string* output, bool program) {
    const std::string script = game.File(name + ".txt");
    if (!WriteFileBytes(script, events)) return -1;
    const std::string command = "--headless --input-script '" + script + "' " + arguments;
    std::string out;
    const int status = program ? game.Run(command, &out) : game.RunShowcase(command, &out);
    if (output) *output += out;
    return status;
}

std::string Play(const GameCopy& game, const ScriptPlay& play) {
    EXPECT_TRUE(UseWindow(game, play.width, play.height));
    const std::string script = game.File("script.txt");
    EXPECT_TRUE(WriteFileBytes(script, play.events));
    std::string arguments = "--headless --draw-every " + std::to_string(play.drawEvery) + " --until-ms " +
                            std::to_string(play.untilMs) + " --input-script '" + script + "'" +
                            play.moreArguments;
    for (const auto& [ms, name] : play.shots)
        arguments += ScreenshotAt(ms, game.File(name + ".png"));
    std::string output;
    EXPECT_EQ(play.program ? game.Run(arguments, &output) : game.RunShowcase(arguments, &output), 0)
        << output;
    for (const auto& [ms, name] : play.shots)
        KeepShot(game.File(name + ".png"), play.keptAs + name + ".png");
    const std::string log = game.Log();
    EXPECT_EQ(MissingContent(log), "") << "content the run asked for and did not find";
    // Nor did a tutorial box at rest cover what it must leave in sight or reach past the screen.
    for (const char* misplaced : {"Tutorial box covers", "Tutorial box outside the screen"})
        EXPECT_EQ(LogLines(log, misplaced), std::vector<std::string>{});
    return log;
}

std::string PlayNamed(const GameCopy& game, const NamedPlay& play) {
    const std::string script = game.File(play.name + ".txt");
    EXPECT_TRUE(WriteFileBytes(script, play.events));
    std::string arguments = "--headless --draw-every 4 --input-script '" + script + "' --until-ms " +
                            std::to_string(play.untilMs) + play.moreArguments;
    for (const auto& [ms, file] : play.shots)
        arguments += ScreenshotAt(ms, file);
    std::string output;
    EXPECT_EQ(play.program ? game.Run(arguments, &output) : game.RunShowcase(arguments, &output), play.status)
        << output << game.Log();
    for (const auto& [ms, file] : play.shots)
        KeepShot(file, play.name + "-" + std::filesystem::path(file).filename().string());
    return game.Log();
}

void PlayShowcase(const GameCopy& game, const std::string& name, const std::string& events, int untilMs,
                  const std::vector<std::pair<int, std::string>>& shots, const std::string& moreArguments) {
    PlayNamed(game, {.name = name,
                     .events = script::SkipLogos() + events,
                     .untilMs = untilMs,
                     .shots = shots,
                     .moreArguments = moreArguments});
}

} // namespace testsupport

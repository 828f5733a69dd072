#include "tests/support/ScriptPlay.h"

#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace testsupport {

std::string Play(const GameCopy& game, const ScriptPlay& play) {
    EXPECT_TRUE(WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=" + std::to_string(play.width) +
                                                                "," + std::to_string(play.height) + "\n"));
    const std::string script = game.File("script.txt");
    EXPECT_TRUE(WriteFileBytes(script, play.events));
    std::string arguments = "--headless --draw-every 4 --until-ms " + std::to_string(play.untilMs) +
                            " --input-script '" + script + "'" + play.moreArguments;
    for (const auto& [ms, name] : play.shots)
        arguments += ScreenshotAt(ms, game.File(name + ".png"));
    std::string output;
    EXPECT_EQ(play.program ? game.Run(arguments, &output) : game.RunShowcase(arguments, &output), 0)
        << output;
    for (const auto& [ms, name] : play.shots)
        KeepShot(game.File(name + ".png"), play.keptAs + name + ".png");
    const std::string log = game.Log();
    EXPECT_EQ(MissingContent(log), "") << "content the run asked for and did not find";
    return log;
}

} // namespace testsupport

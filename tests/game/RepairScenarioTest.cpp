// Level 38 at 1024 x 768 (the field drawn 1:1), played from the stand-in
// screen ("38" then F6) with the random generator seeded so that the
// robber's two shots land on the ripe wheat bed and on the bakery: each
// point gets its puddle and a repair button over it and stops working (the
// bed's harvest button and the bakery's production buttons go). The player
// clicks each point and then its repair button; the farmer walks over and
// repairs it, the puddle and the button go, and the points work again: the
// wheat is harvested and the bakery bakes a loaf. The bot, continuing the
// level left damaged, repairs both points and wins it.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using testsupport::GameCopy;
using testsupport::LevelData;
using testsupport::LoadShot;
using testsupport::Shot;
namespace script = testsupport::script;

namespace {

// The wheat bed (point 1) and the bakery (point 2), where their repair
// buttons stand, the bed's harvest button and the bakery's bread button.
constexpr int kBedX = 560, kBedY = 300, kBedButtonY = 244;
constexpr int kBakeryX = 780, kBakeryY = 440, kBakeryButtonY = 366;
constexpr int kHarvestY = 228, kHandBadgeY = 222, kBreadY = 320;
// The puddle's green, the repair badge's blue, the harvest hand's badge and
// the bread button's crust.
constexpr uint32_t kPuddle = 0x7CB828, kRepairBlue = 0x4A78A8, kHandBadge = 0xA06020;

std::string Play(GameCopy& game, const std::string& events,
                 const std::vector<std::pair<int, std::string>>& shots, int untilMs) {
    // Seed 2: the first shot goes to the bed, the second to the bakery.
    return testsupport::Play(game, {.events = events,
                                    .shots = shots,
                                    .untilMs = untilMs,
                                    .moreArguments = " --seed 2",
                                    .keptAs = "repair-"});
}

// A player as the profile window makes one, current.
void MakeProfile(const std::string& user) {
    std::filesystem::create_directories(user);
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    Profile* profile = profiles.CreateProfile(u"rosa");
    ASSERT_NE(profile, nullptr);
    ASSERT_TRUE(profile->Save());
    profiles.SetCurrent(profile);
}

// Where the first log line at or after from that holds every one of the
// texts begins; npos when none.
size_t After(const std::string& log, const std::vector<std::string>& texts, size_t from = 0) {
    for (size_t at = from; at < log.size();) {
        const size_t end = std::min(log.find('\n', at), log.size());
        const std::string line = log.substr(at, end - at);
        bool all = true;
        for (const std::string& text : texts)
            all = all && line.find(text) != std::string::npos;
        if (all) return at;
        at = end + 1;
    }
    return std::string::npos;
}

} // namespace

TEST(RepairScenario, TheFarmerRepairsTheRobbersDamageAndTheBedAndTheBakeryWorkAgain) {
    GameCopy game(LevelData::Scenarios);
    // The click on the bakery starts the clock; the robber comes two seconds
    // later and its shots land at about 15 s (the bed) and 19 s (the
    // bakery). Each point is clicked, then its repair button; once both are
    // whole the bed's harvest button and the bakery's bread button are
    // pressed.
    const std::string events =
        script::quick::Click(100, 400, 300) + script::held::OpenLevel(5900, "38") +
        script::quick::Click(7000, kBakeryX, kBakeryY) + script::quick::Click(22000, kBedX, kBedY) +
        script::quick::Click(22600, kBedX, kBedButtonY) + script::quick::Click(23200, kBakeryX, kBakeryY) +
        script::quick::Click(23800, kBakeryX, kBakeryButtonY) +
        script::quick::Click(31500, kBedX, kHarvestY) + script::quick::Click(32500, kBakeryX, kBreadY);
    const std::string log = Play(
        game, events, {{12000, "whole"}, {21500, "damaged"}, {31000, "repaired"}, {41000, "working"}}, 41500);

    // Both shots landed, each on its point, and the points were repaired
    // after the player ordered it.
    const size_t bedHit = After(log, {"lands on point 1: its puddle"});
    const size_t bakeryHit = After(log, {"lands on point 2: its puddle"});
    ASSERT_NE(bedHit, std::string::npos) << log;
    ASSERT_NE(bakeryHit, std::string::npos) << log;
    const size_t bedOrdered = After(log, {"Repair ordered", "point 1"}, bakeryHit);
    const size_t bakeryOrdered = After(log, {"Repair ordered", "point 2"}, bedOrdered);
    ASSERT_NE(bakeryOrdered, std::string::npos) << "both repair buttons ordered their repair\n" << log;
    const size_t bedRepaired = After(log, {"Point repaired", "point 1: its puddle goes"}, bedOrdered);
    const size_t bakeryRepaired = After(log, {"Point repaired", "point 2: its puddle goes"}, bakeryOrdered);
    ASSERT_NE(bedRepaired, std::string::npos) << log;
    ASSERT_NE(bakeryRepaired, std::string::npos) << log;
    // Working again: the wheat comes in, the bakery takes its ingredients
    // and its loaf goes to the warehouse.
    EXPECT_NE(After(log, {"Stock label", "+", "wheat"}, bedRepaired), std::string::npos) << log;
    const size_t baking = After(log, {"Stock label", "-1 egg"}, bakeryRepaired);
    EXPECT_NE(baking, std::string::npos) << log;
    EXPECT_NE(After(log, {"Stock label", "+1 bread"}, baking), std::string::npos) << log;

    const Shot whole = LoadShot(game.File("whole.png")), damaged = LoadShot(game.File("damaged.png")),
               repaired = LoadShot(game.File("repaired.png")), working = LoadShot(game.File("working.png"));
    ASSERT_TRUE(whole.ok && damaged.ok && repaired.ok && working.ok) << log;
    ASSERT_EQ(damaged.picture.width, 1024);
    // Before the shots: the ripe bed's harvest button, no puddle, no repair button.
    EXPECT_GT(whole.Near(kBedX, kHandBadgeY, 6, kHandBadge, 12), 40) << log;
    EXPECT_LT(whole.Near(kBedX, kBedY, 20, kPuddle, 30), 10) << log;
    EXPECT_LT(whole.Near(kBedX, kBedButtonY, 10, kRepairBlue, 30), 5) << log;
    // Damaged: each point has its puddle and its repair button; the harvest button is gone.
    EXPECT_GT(damaged.Near(kBedX, kBedY, 20, kPuddle, 30), 150) << log;
    EXPECT_GT(damaged.Near(kBakeryX, kBakeryY + 30, 20, kPuddle, 30), 150) << log;
    EXPECT_GT(damaged.Near(kBedX, kBedButtonY, 10, kRepairBlue, 30), 60) << log;
    EXPECT_GT(damaged.Near(kBakeryX, kBakeryButtonY, 10, kRepairBlue, 30), 60) << log;
    EXPECT_LT(damaged.Near(kBedX, kHandBadgeY, 6, kHandBadge, 12), 5) << log;
    // Repaired: the puddles and the repair buttons are gone, the harvest button is back.
    EXPECT_LT(repaired.Near(kBedX, kBedY, 20, kPuddle, 30), 10) << log;
    EXPECT_LT(repaired.Near(kBakeryX, kBakeryY + 30, 20, kPuddle, 30), 10) << log;
    EXPECT_LT(repaired.Near(kBedX, kBedButtonY, 10, kRepairBlue, 30), 5) << log;
    EXPECT_LT(repaired.Near(kBakeryX, kBakeryButtonY, 10, kRepairBlue, 30), 5) << log;
    EXPECT_GT(repaired.Near(kBedX, kHandBadgeY, 6, kHandBadge, 12), 40) << log;
    // Harvested: the bed's button is gone with the wheat.
    EXPECT_LT(working.Near(kBedX, kHandBadgeY, 6, kHandBadge, 12), 5) << log;
}

// The bot meets the damage too: a level 38 left with both points damaged
// (its saved game in the profile) is continued by the bot, which repairs
// them through their buttons, bakes the five loaves the goal wants and wins.
TEST(RepairScenario, TheBotRepairsTheDamageItMeetsAndWins) {
    GameCopy game(LevelData::Scenarios);
    MakeProfile(game.User());
    const std::string hit = Play(game,
                                 script::quick::Click(100, 400, 300) + script::held::OpenLevel(5900, "38") +
                                     script::quick::Click(7000, kBakeryX, kBakeryY),
                                 {}, 22000);
    ASSERT_NE(After(hit, {"lands on point 1: its puddle"}), std::string::npos) << hit;
    ASSERT_NE(After(hit, {"lands on point 2: its puddle"}), std::string::npos) << hit;
    ASSERT_NE(After(hit, {"Level 38 saved into the profile"}), std::string::npos) << hit;

    std::string output;
    ASSERT_EQ(game.Run("--headless --draw-every 20 --until-ms 600000 --bot easy 38", &output), 0) << output;
    const std::string log = game.Log();
    EXPECT_NE(After(log, {"Level 38 continues from its saved game."}), std::string::npos) << log;
    const size_t bed = After(log, {"Point repaired", "point 1: its puddle goes"});
    const size_t bakery = After(log, {"Point repaired", "point 2: its puddle goes"});
    EXPECT_NE(bed, std::string::npos) << log;
    ASSERT_NE(bakery, std::string::npos) << log;
    EXPECT_NE(After(log, {"Bot: level 38 regime 0 won"}, bakery), std::string::npos) << log;
}

// The awards window as a player meets it: from the main screen's "play" on
// the map, the awards button opens it over a profile whose counters moved
// since it was last opened. The newly reached goal is revealed first, then
// the bars fill; a click ends the animation, and the profile remembers the
// values as seen, so the next opening shows them at rest.
#include "app/Profiles.h"
#include "tests/game/ProgramTest.h"
#include "tests/support/MissingContent.h"

using namespace programtest;
using testsupport::script::quick::Click;
using testsupport::script::quick::Key;

namespace {

// Pixels of exactly a colour (0xRRGGBB) in a rectangle.
int Count(const Shot& shot, int left, int top, int right, int bottom, uint32_t colour) {
    return shot.Count(left, top, right, bottom, [colour](int r, int g, int b) {
        return (uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b)) == colour;
    });
}

// Harvester (0, 50, 1200, 2000) climbs from 30 over bronze and silver to 1360; rancher (0, 10, 300, 500) from
// 58 to 155; the goal "first win" is newly reached, "old hand" was reached before. Medals in both regimes.
void MakeProfile(const std::string& user) {
    testplayers::MakePlayer(user, u"tess", [](ProfileRecord& record) {
        record.awardsSeen[0] = 30, record.awards[0] = 1360;
        record.awardsSeen[1] = 58, record.awards[1] = 155;
        record.awardsSeen[9] = 0, record.awards[9] = 1;
        record.awardsSeen[10] = 10, record.awards[10] = 10;
        LevelProgress* easy = record.results.regimes[kRegimeEasy].levels;
        const uint32_t statuses[] = {kLevelGold, kLevelGold, kLevelSilver, kLevelBronze, kLevelOpen};
        for (size_t i = 0; i < std::size(statuses); ++i)
            easy[i].status = statuses[i];
        record.results.regimes[kRegimeHard].levels[0].status = kLevelSilver;
        record.flags |= kProfileFlagEasyMapTutorial;
    });
}

Shot Load(const GameCopy& game, const std::string& name) {
    return LoadShot(game.File(name + ".png"));
}

} // namespace

TEST(MapAwards, TheAwardsButtonShowsWhatChangedSinceTheLastLook) {
    GameCopy game;
    MakeProfile(game.User());
    // The logos, "play" easy: the map; its awards button at 8 s opens the
    // window. A click on it at 11 s ends the animation; Escape closes it and
    // the awards button opens it again.
    const std::string events = Click(100, 400, 300) + Click(5000, 749, 445) + Click(8000, 88, 722) +
                               Click(11100, 512, 175) + Key(12000, "ESCAPE") + Click(13000, 88, 722);
    const std::string log = testsupport::Play(game, {.events = events,
                                                     .shots = {{7900, "map"},
                                                               {9600, "revealing"},
                                                               {10800, "climbing"},
                                                               {11400, "finished"},
                                                               {12900, "closed"},
                                                               {13400, "again"}},
                                                     .untilMs = 13500,
                                                     .keptAs = "awards-",
                                                     .program = true});
    const std::vector<std::string> states = {"00000001", "80000002", "00000006", "00000005", "FFFFFFFF"};
    EXPECT_EQ(testsupport::StateChanges(log), states) << log;
    const Shot map = Load(game, "map"), revealing = Load(game, "revealing"),
               climbing = Load(game, "climbing"), finished = Load(game, "finished"),
               closed = Load(game, "closed"), again = Load(game, "again");
    ASSERT_TRUE(map.ok && revealing.ok && climbing.ok && finished.ok && closed.ok && again.ok);
    // The window stands centred: its top panel (goals) and the award row below it.
    auto panel = [](const Shot& p, uint32_t colour) { return Count(p, 239, 183, 784, 425, colour); };
    auto row = [](const Shot& p, uint32_t colour) { return Count(p, 239, 425, 784, 490, colour); };
    EXPECT_EQ(row(map, 0x8A7A60), 0) << "no window over the map yet";
    // 1.5 s in: the newly reached goal's cup flashes white (its red band is
    // washed out), and the bars wait for its reveal to end: the harvester's
    // ring has no tier and no bar shows a newly gained part.
    EXPECT_EQ(panel(revealing, 0xE04040), 0);
    EXPECT_GT(row(revealing, 0x8A7A60), 50);
    EXPECT_EQ(row(revealing, 0xC8C8D0), 0);
    EXPECT_EQ(row(revealing, 0xB8F070), 0) << "the bars start after the goal's reveal";
    // 2.7 s in: the goal has come to rest and the harvester climbs towards
    // bronze with the newly gained part of its bar.
    EXPECT_GT(panel(climbing, 0xE04040), 50);
    EXPECT_GT(row(climbing, 0xB8F070), 10);
    EXPECT_EQ(row(climbing, 0xC8C8D0), 0);
    // The click on the window ends the climb at once: the harvester at silver,
    // 2 s before its bars would have got there.
    EXPECT_GT(row(finished, 0xC8C8D0), 50);
    EXPECT_GT(panel(finished, 0xE04040), 50);
    // Escape closed it; opened again it shows everything at rest at once.
    EXPECT_EQ(row(closed, 0x8A7A60), 0);
    EXPECT_EQ(row(closed, 0xC8C8D0), 0);
    EXPECT_GT(row(again, 0xC8C8D0), 50);
    EXPECT_GT(panel(again, 0xE04040), 50);
    EXPECT_EQ(row(again, 0xB8F070), 0) << "nothing animates the second time";

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    const ProfileRecord& record = *saved;
    for (int word : {0, 1, 9, 10})
        EXPECT_EQ(record.awardsSeen[word], record.awards[word]) << word;
}

// The pointer resting on the harvester's award opens its hint: the award's
// description and its tiers, each line in its own colour with check marks,
// laid out from the award tag's markup (the current count in green), with
// no markup left as text.
TEST(MapAwards, AnAwardsHintShowsItsTiersInTheirColours) {
    GameCopy game;
    MakeProfile(game.User());
    ASSERT_TRUE(testsupport::UseWindow(game));
    const std::string script = game.File("hint.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        script, testsupport::script::SkipLogos() + "5000 key down M\n5100 key up M\n"
                                                   "6000 mouse move 88 722\n6100 mouse down left\n"
                                                   "6150 mouse up left\n6200 mouse move 1000 400\n"
                                                   "8000 mouse move 283 456\n8100 mouse move 285 457\n"));
    const std::string shot = game.File("hint.png");
    std::string output;
    const int status = game.RunShowcase("--headless --input-script '" + script +
                                            "' --until-ms 9700 --screenshot-at 9600 '" + shot + "'",
                                        &output);
    ASSERT_EQ(status, 0) << output << game.Log();
    const Shot hint = LoadShot(shot);
    ASSERT_TRUE(hint.ok);
    // The hint box stands below the award, left of the window's edge.
    const int left = 140, top = 480, right = 430, bottom = 660;
    EXPECT_GT(hint.Count(left, top, right, bottom,
                         [](int r, int g, int b) { return r > 240 && g > 225 && b > 190 && b < 235; }),
              20000)
        << "the hint box is open";
    // The current count's green (the check marks' green too) and the gold
    // tier's amber: markup left as text would be all in the box's dark ink.
    EXPECT_GT(hint.Count(left, top, right, bottom,
                         [](int r, int g, int b) { return g > 90 && r < 70 && b < 90 && g > r + 40; }),
              40)
        << "green lines";
    EXPECT_GT(hint.Count(left, top, right, bottom,
                         [](int r, int g, int b) { return r > 170 && g > 100 && g < 160 && b < 70; }),
              15)
        << "the gold tier's line";
    EXPECT_EQ(testsupport::MissingContent(game.Log()), "");
}

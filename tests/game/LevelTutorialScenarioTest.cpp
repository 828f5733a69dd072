// Level 1's tutorial as a new player meets it at 1024 x 768 (its first step, and the map's first visit on the
// way, at 800 x 600, 1366 x 768 and 1920 x 1080 too): a new profile (tutorials on, easy regime, its first map
// visit already made) plays easy on the main screen, closes the comic and the villains' attack, clicks level
// 1 and "play"; nothing of the tutorial shows until the first click in the level starts the clock, and 1 s
// later its first step stands there: the hint box with its click line over the field and its arrow at the
// goal button of the level panel.
#include "app/Profiles.h"
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/TutorialLooks.h"
#include "tests/support/MissingContent.h"

using namespace programtest;
using namespace tutorialplay;

namespace {

// The "Yes" of the close-tutorial question; the options window (520 x 330,
// centred), whose tutorial box stands 26 px in at 121 px down and its close
// button at the bottom.
constexpr int kYesX = 443, kYesY = 441, kOptionsX = (1024 - 520) / 2, kOptionsY = (768 - 330) / 2;
// The click line's grey text.
bool Grey(int r, int g, int b) {
    return r > 110 && r < 150 && std::abs(r - g) < 8 && std::abs(r - b) < 8;
}

} // namespace

TEST(LevelTutorialScenario, TheFirstClickStartsLevelOnesTutorial) {
    // The map's first visit on the way, then step 1's box with its click
    // line and its arrow at the panel's goal button, at each window size:
    // where they stand, and how much of them.
    struct Rect {
        int left, top, right, bottom, least;
    };
    const struct {
        windowsizes::WindowSize size;
        Rect box, arrow;
    } kLooks[] = {{{1024, 768}, {312, 180, 712, 300, 15000}, {150, 560, 300, 655, 400}},
                  {{800, 600}, {200, 135, 600, 190, 15000}, {115, 390, 165, 470, 300}},
                  {{1366, 768}, {483, 180, 883, 300, 15000}, {321, 560, 471, 655, 400}},
                  {{1920, 1080}, {740, 350, 1180, 455, 15000}, {640, 890, 710, 970, 400}}};
    for (const auto& look : kLooks) {
        SCOPED_TRACE(windowsizes::Describe(look.size));
        GameCopy game;
        // A player who has not seen the map's first visit yet.
        testplayers::MakeEasyPlayer(game.User(), u"lea", 0, kLevelSilver, true, [](ProfileRecord& record) {
            record.flags &= ~kProfileFlagEasyMapTutorial;
        });
        const windowsizes::FieldOnScreen field(look.size);
        // The level is loaded well before 15 s, when the first click lands on a site (point 2).
        const std::string events = LevelOneOpening(0, look.size) + Click(15000, field.X(660), field.Y(400));
        const std::string log = PlayGame(game, events, {{9900, "map"}, {14900, "before"}, {16020, "step1"}},
                                         16100, windowsizes::Describe(look.size) + "-", look.size);
        EXPECT_NE(log.find("80010000 waits for the clock"), std::string::npos) << log;

        const Shot map = Load(game, "map"), a = Load(game, "before"), b = Load(game, "step1");
        ASSERT_TRUE(map.ok && a.ok && b.ok);
        ASSERT_EQ(b.picture.width, look.size.width);
        // The map's first visit: its box beside its arrow's tail by level 1's house (below it, or left of it
        // where the map stands centred on a wide screen), leaving the Back button's corner and the
        // greeting's plate (centred on the top strip) in sight.
        const int w = look.size.width, unit = look.size.height; // map pixels scale by unit / 768
        const MapPoint house = HouseAt(0, look.size);
        EXPECT_GT(map.Count(0, house.y - 100 * unit / 768, w / 2, house.y + 260 * unit / 768, Parchment),
                  std::min(12000, 12000 * unit / 768 * unit / 768))
            << "the first visit's box";
        EXPECT_LT(map.Count(0, 0, 180 * unit / 768, 73 * unit / 768, Parchment), 100) << "the box over Back";
        EXPECT_LT(map.Count(180 * unit / 768, 0, w / 2 - 100, 40 * unit / 768, Parchment) +
                      map.Count(w / 2 + 100, 0, w, 40 * unit / 768, Parchment),
                  100)
            << "the box over the greeting";
        const Rect &box = look.box, &arrow = look.arrow;
        // Before the first click nothing of the tutorial is over the field (the
        // panel's goal page below it is parchment too).
        EXPECT_LT(a.Count(0, field.Y(50), look.size.width, field.Y(640), Parchment), 300);
        EXPECT_LT(a.Count(arrow.left, arrow.top, arrow.right, arrow.bottom, ArrowYellow), 50);
        // Step 1: the box centred above the field's centre, with the click line.
        EXPECT_GT(b.Count(box.left, box.top, box.right, box.bottom, Parchment), box.least) << log;
        EXPECT_GT(b.Count(box.left, box.top, box.right, box.bottom, Grey), 30);
        // Its arrow points down at the goal button, left on the panel.
        EXPECT_GT(b.Count(arrow.left, arrow.top, arrow.right, arrow.bottom, ArrowYellow), arrow.least) << log;
    }
}

// Then on through steps 2-4: the first step is clicked away, point 1 (460, 320)
// selected, the empty site's plants button (626, 722) and the wheat (577,
// 722) pressed: the farmer sows wheat there and step 5 waits for it to grow.
TEST(LevelTutorialScenario, StepsTwoToFourSowWheatOnPointOne) {
    GameCopy game;
    MakeMapProfile(game.User());
    const std::string events = LevelOneOpening() + Click(15000, 660, 400) + Click(16300, 300, 120) +
                               Click(17200, 460, 320) + Click(18200, 626, 722) + Click(19200, 577, 722);
    const std::string log =
        testsupport::Play(game, {.events = events,
                                 .shots = {{18000, "plants"}, {19000, "wheat"}, {21000, "growing"}},
                                 .untilMs = 21100,
                                 .program = true});
    for (const char* step : {"step 80010002", "step 80010003", "step 80010004", "step 80010005"})
        EXPECT_NE(log.find(step), std::string::npos) << step << "\n" << log;
    EXPECT_NE(log.find("point 1: wheat ordered"), std::string::npos) << log;
    const Shot a = Load(game, "plants"), b = Load(game, "wheat"), c = Load(game, "growing");
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    // Step 3's arrow points down at the plants button, step 4's at the wheat.
    EXPECT_GT(a.Count(606, 615, 646, 655, ArrowYellow), 150) << log;
    EXPECT_GT(b.Count(557, 612, 597, 655, ArrowYellow), 150) << log;
    EXPECT_LT(b.Count(610, 615, 650, 655, ArrowYellow), 50) << "step 3's arrow is gone";
    // Step 5: the level arrow below point 1 while its wheat grows.
    EXPECT_GT(c.Count(425, 370, 495, 470, ArrowYellow), 300) << log;
}

// The tutorial option is asked at every start of the level: unticked in the
// pause menu's options while level 1's tutorial runs, the restart that
// follows makes no tutorial, and the first click on the field selects the
// site it hits instead of being held by a tutorial step: its plants button
// and the wheat sow wheat there at once.
TEST(LevelTutorialScenario, ARestartAfterUntickingTheTutorialHasNoTutorial) {
    GameCopy game;
    MakeMapProfile(game.User());
    // The level window's restart stands where its play button does.
    const std::string events =
        LevelOneOpening() + Click(15000, 660, 400) + "17000 key down ESCAPE\n17050 key up ESCAPE\n" +
        Click(18000, kMenuX, kMenuOptionsY) + Click(19000, kOptionsX + 38, kOptionsY + 133) +
        Click(20000, 512, kOptionsY + 330 - 36) + Click(21000, kMenuX, kMenuRestartY) +
        Click(22000, 578, 538) + Click(24000, 460, 320) + Click(25000, 626, 722) + Click(26000, 577, 722);
    const std::string log = PlayGame(game, events,
                                     {{16500, "untick-tutorial"},
                                      {19800, "untick-unticked"},
                                      {21800, "untick-restart"},
                                      {24800, "untick-selected"}},
                                     27000);
    EXPECT_EQ(testsupport::Occurrences(log, "80010000 waits for the clock"), 1u) << log;
    const size_t restart = log.find("Level 1 restarts from scratch.");
    ASSERT_NE(restart, std::string::npos) << log;
    // The old tutorial ends with the restart; no new one is made or steps.
    EXPECT_EQ(log.find("waits for the clock", restart), std::string::npos) << log.substr(restart);
    EXPECT_EQ(log.find("Level tutorial              step", restart), std::string::npos)
        << log.substr(restart);
    EXPECT_NE(log.find("point 1: wheat ordered", restart), std::string::npos) << log.substr(restart);

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    EXPECT_EQ(saved->results.tutorial, 0u) << "the option was saved unticked";
}

// The tutorial holds the field to what its step asks: the first click, on
// the site of point 2 (660, 400), starts the clock but selects nothing (the
// tutorial starts with the clock and lets no point be selected yet); in
// step 2, which points at point 1, a click on point 2 is refused again and
// the step stays; the click on point 1 then selects it and step 3 follows.
TEST(LevelTutorialScenario, ClicksTheStepDoesNotAskForAreRefused) {
    GameCopy game;
    MakeMapProfile(game.User());
    const std::string events = LevelOneOpening() + Click(15000, 660, 400) + Click(16300, 300, 120) +
                               Click(17200, 660, 400) + Click(18500, 460, 320);
    const std::string log =
        PlayGame(game, events,
                 {{15600, "refused-first"}, {18200, "refused-step2"}, {19300, "selected-point1"}}, 19500);
    ExpectStepsInOrder(log, {"80010001", "80010002", "80010003"});
    // A selected site shows its build page on the panel: the plants button's
    // cream face where the medal times stand otherwise.
    constexpr uint32_t kButtonFace = 0xF2E2BC;
    const Shot a = Load(game, "refused-first"), b = Load(game, "refused-step2"),
               c = Load(game, "selected-point1");
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    EXPECT_LT(a.NearIn(585, 690, 668, 755, kButtonFace, 6), 100) << "the first click selected point 2";
    EXPECT_LT(b.NearIn(585, 690, 668, 755, kButtonFace, 6), 100) << "step 2 let point 2 be selected";
    EXPECT_GT(c.NearIn(585, 690, 668, 755, kButtonFace, 6), 2500) << "point 1 was not selected";
    EXPECT_EQ(log.find("step 80010003"), log.rfind("step 80010003")) << log;
}

// The tutorial follows a change of screen size: level 1 in an 800 x 600
// window whose full screen is 1024 x 768; step 1's arrow and box stand over
// the panel's goal button and the field. Full screen from the pause menu's
// options lays the level out anew, and the arrow and the box stand where the
// goal button and the field's centre are on the new screen, nothing of them
// at the old places.
TEST(LevelTutorialScenario, ArrowsAndBoxesFollowAChangeOfScreenSize) {
    GameCopy game;
    MakeMapProfile(game.User());
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=800,600\nScreen=1024,768\n"));
    using testsupport::script::Move;
    using testsupport::script::held::Key;
    // At 800 x 600 the field (1024 x 688) is drawn at 0.756 from x 13: point 2
    // (660, 400) stands at (512, 302). The pause menu stands at (265, 45) with
    // "options" at (391, 363); the options at (140, 135) with their full
    // screen box at (178, 217); at 1024 x 768 "close" at (512, 516) and the
    // menu's "continue" at (503, 243).
    const std::string events = LevelOneOpening(0, {800, 600}) + Click(15000, 512, 302) +
                               Key(17000, "ESCAPE") + Click(18000, 391, 363) + Move(18200, 5, 300) +
                               Click(19000, 178, 217) + Move(19200, 5, 300) + Click(20500, 512, 516) +
                               Move(20700, 5, 300) + Click(21500, 503, 243) + Move(21700, 5, 300);
    const std::string small = game.File("small.png"), large = game.File("large.png");
    testsupport::PlayNamed(game, {.name = "resize",
                                  .events = events,
                                  .untilMs = 23000,
                                  .shots = {{16800, small}, {22800, large}},
                                  .program = true});
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::MissingContent(log), "") << "content the run asked for and did not find";
    EXPECT_EQ(testsupport::Occurrences(log, "Fullscreen:             Yes"), 1u) << log;
    EXPECT_NE(log.find("step 80010001"), std::string::npos) << log;
    EXPECT_EQ(log.find("step 80010002"), std::string::npos) << "no click reached the tutorial's layer";
    const Shot a = LoadShot(small), b = LoadShot(large);
    ASSERT_TRUE(a.ok && b.ok);
    ASSERT_EQ(a.picture.width, 800);
    ASSERT_EQ(b.picture.width, 1024);
    // At 800 x 600: the arrow above the goal button (140, 530), the box over the field.
    EXPECT_GT(a.Count(115, 390, 165, 470, ArrowYellow), 300);
    EXPECT_GT(a.Count(200, 135, 600, 190, Parchment), 15000);
    // At 1024 x 768: the arrow above the goal button (226, 700) and the box
    // 80 px above the field's centre (512, 344); nothing at the old places.
    EXPECT_GT(b.Count(200, 555, 255, 640, ArrowYellow), 300) << "the arrow at the goal button";
    EXPECT_LT(b.Count(115, 390, 165, 470, ArrowYellow), 30) << "the arrow at its old place";
    EXPECT_GT(b.Count(312, 218, 712, 275, Parchment), 15000) << "the box centred";
    EXPECT_LT(b.Count(195, 135, 300, 190, Parchment), 100) << "the box at its old place";
}

// Level 1's tutorial played by clicks to its last step and the win. Step 11's box is answered on the wheat
// button its arrow points at, which goes on without sowing; step 12's arrow stands under the money counter of
// the top strip, where the click that goes on is placed. Step 14 asks for the warehouse: the building on the
// field opens its window as the panel's button does; a click on the growing bed of point 1 in that step
// selects nothing (the panel keeps its page). In the warehouse the wheat is selected and one unit sold (steps
// 15-19), point 2 is sown (20, 21), both beds are harvested and point 2 watered (23-26), and step 27 lasts
// until the warehouse holds the goal's four wheat: the tutorial ends, the level is won. The round harvest and
// water buttons stand 73 px above their sites, each seen in a shot as clicked.
constexpr int kOneX = 460, kTwoX = 660, kOneButtonY = 247, kTwoButtonY = 327;
std::string LevelOneToStepTwentySix(std::string s, const SizedClicks& at = {}) {
    const auto next = [&](int ms) { s += at(ms, 512, 200); };
    s += at(15000, kOneX, 320) + at(16500, 512, 300); // the clock, step 1
    s += at(18000, kOneX, 320) + at.Panel(19000, 626, 712) +
         at.Panel(20000, 576, 720);     // 2-4: wheat on point 1
    s += at(60500, kOneX, kOneButtonY); // 6: its harvest
    next(73500), next(74500);
    s += at(75500, kTwoX, 400) + at.Panel(76500, 626, 712); // 9, 10: the second site and its plants button
    s += at.Panel(77500, 576, 720);                         // 11: on the wheat button its arrow points at
    s += at.Centred(78500, 490, 22);                        // 12: on the money counter
    next(79500);
    s += at(81000, kTwoX, 400); // step 14: a site, refused
    s += at(82000, 180, 185);   // the warehouse building
    // 15-19: the box, the wheat's tile, the box, "sell one", "close".
    s += at.Window(84500, 512, 410) + at.Window(85500, 278, 272) + at.Window(87500, 628, 265) +
         at.Window(88500, 707, 428) + at.Window(89500, 513, 561);
    s += at.Panel(91000, 626, 712) + at.Panel(92000, 577, 720); // 20, 21: wheat on point 2
    s += at(135000, 512, 490);                                  // 23, once both are ripe
    return s + at(136000, kOneX, kOneButtonY) + at(137000, kTwoX, kTwoButtonY) +
           at(151000, kTwoX, kTwoButtonY);
}

TEST(LevelTutorialScenario, LevelOnesTutorialIsPlayedToItsLastStepAndTheWin) {
    // The round buttons: 24, 25 the harvests, 26 point 2's water; in step 27
    // point 2's harvest and point 1's water, then point 1's harvest.
    const std::vector<std::pair<int, std::pair<int, int>>> buttons = {
        {60500, {kOneX, kOneButtonY}},  {136000, {kOneX, kOneButtonY}}, {137000, {kTwoX, kTwoButtonY}},
        {151000, {kTwoX, kTwoButtonY}}, {176000, {kTwoX, kTwoButtonY}}, {177000, {kOneX, kOneButtonY}},
        {201000, {kOneX, kOneButtonY}}};
    std::vector<std::pair<int, std::string>> shots = {{77400, "step11"}, {78400, "step12"}, {212000, "won"}};
    shots.insert(shots.end(), {{80800, "step14-before"}, {81800, "step14-bed"}});
    for (const auto& [ms, spot] : buttons)
        shots.push_back({ms, "button-" + std::to_string(ms)});
    // At each window size (its boxes at rest leave in sight what they must); the screenshots are looked at,
    // and the quits made, in the first.
    for (SizedGame at : kEverySize) {
        GameCopy& game = at.game;
        MakeMapProfile(game.User());
        std::string s = LevelOneToStepTwentySix(LevelOneOpening(0, at.size), at);
        for (const auto& [ms, spot] : buttons)
            if (ms > 151000) s += at(ms, spot.first, spot.second);
        const std::string log = at.Play(s, shots, 212100, "level1-");
        ExpectStepsInOrder(log, {"8001000D", "8001000E", "8001000F", "80010013", "80010015", "80010017",
                                 "80010018", "80010019", "8001001A", "8001001B"});
        // Step 7 says the harvest goes straight into the warehouse: it is there
        // when the step comes, with no walk to the warehouse between.
        const size_t six = log.find("step 80010006"), seven = log.find("step 80010007");
        ASSERT_LT(six, seven) << log;
        EXPECT_LT(log.find("Into the warehouse          1 of 1 wheat", six), seven) << log;
        const size_t opened = log.find("window opened with");
        ASSERT_NE(opened, std::string::npos) << log;
        EXPECT_GT(opened, log.find("step 8001000E")) << "opened in step 14";
        const size_t over = log.find("80010000 is over");
        ASSERT_NE(over, std::string::npos) << log;
        EXPECT_NE(log.find("(stock 4)"), std::string::npos) << log;
        EXPECT_NE(log.find("Level won:                  level 1, regime 0", over), std::string::npos) << log;
        // Step 11's box is answered on the wheat button, which does not sow: point
        // 2 is sown in step 21.
        EXPECT_GT(log.find("point 2: wheat ordered"), log.find("step 80010015")) << "step 11's click sowed";
        if (!at.Large()) continue;
        const Shot eleven = Load(game, "step11"), twelve = Load(game, "step12"),
                   before = Load(game, "step14-before"), bed = Load(game, "step14-bed");
        ASSERT_TRUE(eleven.ok && twelve.ok && before.ok && bed.ok);
        // Step 11: the arrow down at the wheat button; step 12 follows its click:
        // the arrow up at the strip's money (its middle, x 512), not at the regime plank.
        EXPECT_GT(eleven.Count(555, 610, 600, 660, ArrowYellow), 150) << log;
        EXPECT_LT(twelve.Count(555, 610, 600, 660, ArrowYellow), 30) << "step 11 went on";
        EXPECT_GT(twelve.Count(490, 50, 535, 130, ArrowYellow), 200) << log;
        EXPECT_LT(twelve.Count(690, 50, 790, 130, ArrowYellow), 30) << "the arrow at the regime plank";
        // Step 14: the bed stays unselected: the panel's page is as it was before the click.
        EXPECT_LT(testsupport::Differing(before, bed, 400, 685, 855, 760), 50)
            << "step 14 let point 1 be selected";
        // Each round button is drawn where it is clicked: its light face (plain or lit).
        for (const auto& [ms, spot] : buttons) {
            const Shot shot = Load(game, "button-" + std::to_string(ms));
            ASSERT_TRUE(shot.ok) << ms;
            EXPECT_GT(shot.Near(spot.first, spot.second, 12, 0xF0D284, 12), 60)
                << "no round button at " << ms << " ms";
        }
        const Shot dry = Load(game, "button-151000"); // step 26's box away from point 1's button
        EXPECT_EQ(dry.Count(kOneX - 60, kOneButtonY - 40, kOneX + 60, kOneButtonY + 40, Parchment), 0);
        // The result window over the field.
        const Shot won = Load(game, "won");
        ASSERT_TRUE(won.ok);
        EXPECT_GT(won.NearIn(280, 380, 740, 520, programtest::kWindowFace, 8), 20000) << "the result window";
        // Any quit after the fourth wheat (203.2 s) stores the win as leaving does: its records line, map
        // medal.
        const std::string menu = testsupport::script::quick::Key(203400, "ESCAPE"),
                          shot = game.File("menu.png"), end = " --draw-every 64 --until-ms 400000";
        const std::pair<std::string, std::string> kQuits[] = {
            {"203600 close\n", end},
            {"203400 focus lost\n203600 close\n", end},
            {"", " --draw-every 64 --until-ms 203600"},
            {menu + Click(203800, 503, 583) + Click(204200, kYesX, kYesY), end},
            {menu + Click(203800, kMenuX, kMenuRestartY) + Click(204500, 578, 538) + "208000 close\n", end},
            {menu, end + testsupport::ScreenshotAt(203600, shot) + " & until [ -e '" + shot +
                       "' ] || ! kill -0 $!; do sleep 0.05; done; kill $!; wait $!"}};
        const std::u16string line = u"level_01 Easy: 00:01:27"; // 86,140 ms in the records file, UTF-16LE
        for (const auto& [events, arguments] : kQuits) {
            SCOPED_TRACE(events + arguments);
            std::filesystem::remove_all(game.User());
            MakeMapProfile(game.User());
            ASSERT_EQ(testsupport::RunScript(game, "quit", s + events, arguments, nullptr, true), 0);
            EXPECT_EQ(game.Log().find("15: the main window is closed") != std::string::npos, events == menu);
            EXPECT_EQ(testsupport::Occurrences(game.Log(), "Level won:                  level 1, regime 0"),
                      1u);
            const std::string records = testsupport::ReadFileBytes(game.User() + "/records1.txt");
            EXPECT_NE(records.find(reinterpret_cast<const char*>(line.data()), 0, 2 * line.size()),
                      records.npos);
            PlayGame(game, programtest::ToTheMap(), {{8000, "map"}}, 8100);
            const MapPoint medal = CellPosition(0);
            EXPECT_GT(Load(game, "map").Near(medal.x - 49, medal.y + 2, 6, 0xE0E0E8, 30), 10);
        }
    }
}

// "Close tutorial" answered "Yes" turns level 1's tutorial off for the level:
// the restart from the pause menu makes none, and its first click selects
// the site it hits; the player's file keeps the choice, so the level started
// again in the next run of the game makes none either. Changing the tutorial
// option in the options (off and on again) turns it on: the next restart
// waits for the clock with it again.
TEST(LevelTutorialScenario, ATutorialTurnedOffStaysOffForTheLevelUntilTheOptionsChange) {
    GameCopy game;
    MakeMapProfile(game.User());
    using testsupport::script::quick::Key;
    std::string s =
        LevelOneOpening(1000) + Click(16000, 660, 400) + Click(17800, 75, 18) + Click(18800, kYesX, kYesY);
    s += Restart(20000) + Click(25000, 460, 320) + Click(26000, 626, 712) + Click(27000, 576, 720);
    std::string log = PlayGame(game, s, {{18700, "asked"}, {25900, "selected"}}, 28000, "closed-");
    EXPECT_NE(log.find("Level tutorial              turned off for level 1"), std::string::npos) << log;
    const size_t restart = log.find("Level 1 restarts from scratch.");
    ASSERT_NE(restart, std::string::npos) << log;
    // The restart makes no tutorial: the click selects the site, whose wheat is sown.
    EXPECT_EQ(log.find("waits for the clock", restart), std::string::npos) << log.substr(restart);
    EXPECT_NE(log.find("point 1: wheat ordered", restart), std::string::npos) << log.substr(restart);
    const Shot selected = Load(game, "selected");
    ASSERT_TRUE(selected.ok);
    EXPECT_GT(selected.NearIn(585, 690, 668, 755, programtest::kWindowFace, 6), 2500) << "point 1's page";
    std::optional<ProfileRecord> stored = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->results.tutorialsOff, 1u) << "level 1's tutorial is kept off in the player's file";

    // The next run: level 1 started anew (the level window's "Restart", "Yes"
    // to losing the saved game) makes no tutorial; the option off and on
    // again, and the pause menu's restart has it back.
    s = LevelOneOpening(1000) + Click(12100, 511, 538) + Click(12800, kYesX, kYesY) + Click(16500, 660, 400) +
        Key(17000, "ESCAPE") + Click(18000, kMenuX, kMenuOptionsY) +
        Click(19000, kOptionsX + 38, kOptionsY + 133) + Click(19600, kOptionsX + 38, kOptionsY + 133) +
        Click(20500, 512, kOptionsY + 330 - 36) + Click(21500, kMenuX, kMenuRestartY) +
        Click(22500, 578, 538) + Click(25500, 660, 400);
    log = PlayGame(game, s, {{26900, "again"}}, 27000, "reopened-");
    const size_t second = log.rfind("Level 1 restarts from scratch.");
    ASSERT_NE(second, std::string::npos) << log;
    EXPECT_EQ(log.rfind("waits for the clock", second), std::string::npos) << "the level began without it\n"
                                                                           << log;
    EXPECT_NE(log.find("80010000 waits for the clock", second), std::string::npos) << log.substr(second);
    EXPECT_NE(log.find("step 80010001", second), std::string::npos) << log.substr(second);
    const Shot again = Load(game, "again");
    ASSERT_TRUE(again.ok);
    EXPECT_GT(again.Count(312, 180, 712, 300, Parchment), 15000) << "step 1's box";
    stored = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->results.tutorialsOff, 0u);
}

// Level 1 in the hard regime, tutorial on, played to step 27 and left until its clock runs out: the step's
// box and arrows go with the level, over neither the "Out of time" dialog nor the window its "Yes" opens.
TEST(LevelTutorialScenario, LevelOnesTutorialGoesWithTheLevelItLost) {
    GameCopy game;
    testplayers::MakeEasyPlayer(game.User(), u"hana", 8, kLevelSilver, true, [](ProfileRecord& record) {
        record.results.hardAvailable = 1;
        record.flags |= kProfileFlagHardMapTutorial;
    });
    const std::string s = LevelOneToStepTwentySix(
        programtest::ToTheMap(true) + Click(8000, House(0).x, House(0).y) + Click(9000, 578, kPlayY));
    // The clock reaches the bronze time 140 s at about 257 s; "Yes" at 260 s.
    const std::string log = PlayGame(game, s + Click(260000, kYesX, kYesY),
                                     {{230000, "step27"}, {259000, "lost"}, {262000, "window"}}, 262100);
    // Step 27's box under the field's centre, its arrow at point 2's harvest; gone in the dialog and window.
    for (const char* at : {"step27", "lost", "window"}) {
        const Shot shot = Load(game, at);
        ASSERT_TRUE(shot.ok) << at;
        EXPECT_EQ(shot.Count(300, 480, 725, 535, Parchment) > 15000, at[0] == 's') << at << log;
        EXPECT_EQ(shot.Count(640, 220, 680, 295, ArrowYellow) > 300, at[0] == 's') << at;
    }
}

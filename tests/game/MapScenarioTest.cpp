// The level-select map as a player meets it at 1024 x 768, reached through
// "Play" on the main screen: its level window over a saved game, its
// overlay's buttons, the award notices it shows and where they go, the
// levels started from it (their records, their restarts under the screen
// fade) and the level it keeps when one is left for it.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"
#include "tests/support/MissingContent.h"

#include <functional>

using namespace programtest;
using testsupport::script::held::Click;

namespace {

// The map is open 1.3 s after the main screen's "Play".
constexpr int kMapOpen = 6300;

// A player with tutorials off who has seen the map's first visit, levels 1
// and 2 passed with silver and level 3 open; change adds to it.
void MakeSaver(const std::string& user, const std::function<void(Profile&)>& change = {}) {
    fs::create_directories(user);
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    Profile* sal = profiles.CreateProfile(u"sal");
    ASSERT_NE(sal, nullptr);
    ProfileRecord& record = sal->MutableRecord();
    record.results.tutorial = 0;
    record.flags |= kProfileFlagEasyMapTutorial;
    LevelProgress* levels = record.results.regimes[kRegimeEasy].levels;
    levels[0].status = levels[1].status = kLevelSilver;
    levels[2].status = kLevelOpen;
    if (change) change(*sal);
    ASSERT_TRUE(sal->Save());
    profiles.SetCurrent(sal);
}

// The same player with the easy level of the index open as well.
void MakeSaverWithOpen(const std::string& user, int level) {
    MakeSaver(user, [level](Profile& sal) {
        sal.MutableRecord().results.regimes[kRegimeEasy].levels[level].status = kLevelOpen;
    });
}

const Profile* StoredPlayer(ProfileManager& profiles) {
    profiles.Load();
    return profiles.Current();
}

// Once the map is open: a shift-click on the level's house (cheats on)
// passes the level; the pointer then moves off the houses.
std::string ShiftClickHouse(int level) {
    const MapPoint house = House(level);
    return testsupport::script::Move(kMapOpen, house.x, house.y) + std::to_string(kMapOpen + 200) +
           " key down LSHIFT\n" + std::to_string(kMapOpen + 300) + " mouse down left\n" +
           std::to_string(kMapOpen + 350) + " mouse up left\n" + std::to_string(kMapOpen + 400) +
           " key up LSHIFT\n" + testsupport::script::Move(kMapOpen + 500, 600, 400);
}

// Runs the game from its main screen on the events, with screenshots at the
// times into files named after them; answers the log, which must name no
// missing content.
std::string Play(const GameCopy& game, const std::string& events, int untilMs,
                 const std::vector<std::pair<int, std::string>>& shots, bool plainConfig = true,
                 const std::string& extra = "") {
    if (plainConfig) {
        EXPECT_TRUE(testsupport::UseWindow(game));
    }
    const std::string script = game.File("script.txt");
    EXPECT_TRUE(testsupport::WriteFileBytes(script, events));
    std::string arguments = "--headless --draw-every 4 --until-ms " + std::to_string(untilMs) +
                            " --input-script '" + script + "' " +
                            extra; // a --draw-every in extra overrides the 4
    for (const auto& [ms, name] : shots)
        arguments += testsupport::ScreenshotAt(ms, game.File(name + ".png"));
    std::string output;
    EXPECT_EQ(game.Run(arguments, &output), 0) << output;
    for (const auto& [ms, name] : shots)
        testsupport::KeepShot(game.File(name + ".png"), "map-" + name + ".png");
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::MissingContent(log), "") << "content the run asked for and did not find";
    return log;
}

// The stored player's number (the N of its files).
uint32_t Number(const GameCopy& game) {
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    const Profile* player = StoredPlayer(profiles);
    return player ? player->Number() : 0;
}

// Little-endian UTF-16 bytes as text.
std::u16string Utf16(const std::string& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
    return text;
}

// The mean of red, green and blue over every fourth pixel of every fourth row.
int Brightness(const Shot& shot) {
    int64_t sum = 0, n = 0;
    for (int y = 0; y < shot.picture.height; y += 4)
        for (int x = 0; x < shot.picture.width; x += 4, ++n) {
            const uint32_t p = shot.At(x, y);
            sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
        }
    return n ? int(sum / n) : 0;
}

Shot Load(const GameCopy& game, const std::string& name) {
    return LoadShot(game.File(name + ".png"));
}

// The level window's bottom row with three buttons, and the dialog's answers.
constexpr int kCancelX = 376, kRestartX = 511, kContinueX = 647, kButtonsY = 538;
constexpr int kYesX = 443, kNoX = 579, kAnswerY = 441;
// The buttons' wooden face, and the dark ink of a dialog's text.
constexpr uint32_t kButtonFace = 0xC89858;
bool Ink(int r, int g, int b) {
    return r < 110 && g < 90 && b < 80;
}

// The window face of the interface skin; the players' rows.
constexpr uint32_t kRowFace = 0xC89858;
// Where the map's award notice stands, and the face of its panel.
constexpr int kNoticeX = 840, kNoticeY = 640;
constexpr int kNoticeLeft = 870, kNoticeTop = 605, kNoticeRight = 1010, kNoticeBottom = 685;
constexpr uint32_t kNoticeFace = 0xFFF6DC;
// The profile's counter of levels won: after the nine award counters and the first goal's.
constexpr int kLevelsWonWord = 10;
// The cross of the players' list's first row.
constexpr int kFirstCrossX = 674, kFirstCrossY = 358;
// The second row of the players' list.
constexpr int kSecondRowX = 465, kSecondRowY = 404;
// The level window's "Play" with two buttons; level 31's garbage heap and
// the clear button over it.
constexpr int kPlayX = 578, kPlayY = 538;
constexpr int kHeapX = 420, kHeapY = 330, kClearY = 274;
// From the main screen through the map into the level of the index: a
// click on its garbage heap at (x, y), then on the clear button over it; at
// enterMs Enter leaves the result window of the win.
std::string ClearHeapFromTheMap(int level, int x, int y, int enterMs) {
    const MapPoint house = House(level);
    return ToTheMap() + Click(kMapOpen, house.x, house.y) + Click(7300, kPlayX, kPlayY) + Click(9500, x, y) +
           Click(10000, x, y - (kHeapY - kClearY)) + testsupport::script::held::Key(enterMs, "RETURN");
}
// The tests' level 10's heap far from the farmer; the win's result window
// is up before this time, its medal's box, and the medal's bronze.
constexpr int kFarHeapX = 850, kFarHeapY = 250;
constexpr int kFarWinLeft = 26000;
constexpr int kResultMedalLeft = 280, kResultMedalTop = 420;
constexpr uint32_t kBronze = 0xC88040;
// The ring of a round button over the field.
constexpr uint32_t kRingGold = 0xE8C878;
// Level 34's garbage heap.
constexpr int kLostHeapX = 700, kLostHeapY = 284;
// The map's regime switch, its hard half.
constexpr int kHardRegimeX = 930, kHardRegimeY = 745;
// The pause menu's "restart" and "to the map".
constexpr int kMenuRestartX = 503, kMenuRestartY = 302, kMenuToMapX = 503, kMenuToMapY = 506;
// The overlay's "Back", "Options" and the greeting; the options' "close".
constexpr int kBackX = 86, kOptionsX = 936, kGreetingX = 512, kTopButtonsY = 16;
constexpr int kOptionsCloseX = 512, kOptionsCloseY = 516;

} // namespace

// Level 3 holds a saved game: its level window offers cancel, restart and
// continue. Restart asks first; "No" keeps the saved game and the window,
// which still answers (cancel closes it); restart and "Yes" start the level
// afresh, its saved game gone.
TEST(MapScenario, RestartOverASavedGameAsksBeforeThrowingItAway) {
    const std::vector<uint8_t> saved{1, 2, 3, 4, 5, 6, 7, 8};
    const MapPoint house = House(2);
    {
        GameCopy game;
        MakeSaver(game.User(), [&](Profile& sal) { sal.StoreSavedLevel(2, saved); });
        const std::string log =
            Play(game,
                 ToTheMap() + Click(kMapOpen, house.x, house.y) + Click(7500, kRestartX, kButtonsY) +
                     Click(8500, kNoX, kAnswerY) + Click(9500, kCancelX, kButtonsY),
                 10500, {{8300, "restart-asks"}, {9300, "restart-no"}, {10400, "cancelled"}});
        const Shot asks = Load(game, "restart-asks"), no = Load(game, "restart-no"),
                   cancelled = Load(game, "cancelled");
        ASSERT_TRUE(asks.ok && no.ok && cancelled.ok);
        EXPECT_GT(asks.Count(320, 350, 700, 388, Ink), 600) << "the question's text";
        EXPECT_LT(no.Count(320, 350, 700, 388, Ink), 150) << "the question answered";
        EXPECT_GT(no.NearIn(340, 525, 690, 550, kButtonFace, 12), 1500) << "the level window stays";
        EXPECT_LT(cancelled.NearIn(340, 525, 690, 550, kButtonFace, 12), 100) << "cancel closed it";
        EXPECT_EQ(log.find("Level 3 (level_03) begins"), std::string::npos) << log;
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        const Profile* stored = StoredPlayer(profiles);
        ASSERT_NE(stored, nullptr);
        ASSERT_NE(stored->GetSavedLevel(2), nullptr) << "the saved game is kept";
        EXPECT_EQ(*stored->GetSavedLevel(2), saved);
    }
    {
        GameCopy game;
        MakeSaver(game.User(), [&](Profile& sal) { sal.StoreSavedLevel(2, saved); });
        const std::string log = Play(game,
                                     ToTheMap() + Click(kMapOpen, house.x, house.y) +
                                         Click(7500, kRestartX, kButtonsY) + Click(8500, kYesX, kAnswerY),
                                     11000, {});
        EXPECT_NE(log.find("Level 3 (level_03) begins"), std::string::npos) << log;
        EXPECT_EQ(log.find("continues from its saved game"), std::string::npos) << log;
        EXPECT_EQ(log.find("refused"), std::string::npos) << log;
    }
}

// The overlay's "Options" opens the options, whose "close" answers; the
// greeting opens the players' list, where choosing a player who has passed
// no level shows the first comic; two clicks close it onto that player's map.
TEST(MapScenario, OptionsAndTheGreetingOpenTheirWindows) {
    GameCopy game;
    testplayers::MakePlayer(game.User(), u"nia");
    MakeSaver(game.User());
    const std::string log = Play(
        game,
        ToTheMap() + Click(kMapOpen, kOptionsX, kTopButtonsY) + Click(7500, kOptionsCloseX, kOptionsCloseY) +
            Click(8500, kGreetingX, kTopButtonsY) + Click(9500, kSecondRowX, kSecondRowY) +
            Click(11000, 512, 400) + Click(11800, 512, 400),
        13000,
        {{7300, "options"}, {8300, "options-closed"}, {9300, "players"}, {10800, "comic"}, {12900, "nia"}});
    const Shot options = Load(game, "options"), closed = Load(game, "options-closed"),
               players = Load(game, "players"), comic = Load(game, "comic"), nia = Load(game, "nia");
    ASSERT_TRUE(options.ok && closed.ok && players.ok && comic.ok && nia.ok);
    EXPECT_EQ(testsupport::Occurrences(log, "The options window opens."), 1u) << log;
    EXPECT_GT(options.NearIn(680, 440, 750, 490, kWindowFace, 6), 2500) << "the options";
    EXPECT_LT(closed.NearIn(270, 230, 600, 540, kWindowFace, 6), 200) << "\"close\" answered";
    EXPECT_GT(players.NearIn(300, 390, 640, 420, kRowFace, 10), 5000) << "the players' list";
    const std::vector<std::string> chosen = testsupport::LogLines(log, "Profile chosen");
    ASSERT_EQ(chosen.size(), 1u) << log;
    EXPECT_NE(chosen[0].find("nia"), std::string::npos) << chosen[0];
    EXPECT_NE(log.find("comic 0 shows"), std::string::npos) << log;
    EXPECT_EQ(testsupport::StateChanges(log),
              (std::vector<std::string>{"00000001", "80000002", "00000006", "00000005", "00000007",
                                        "00000005", "FFFFFFFF"}));
    // The comic's paper covers the map; nia's map greets her.
    EXPECT_GT(comic.Count(0, 0, 1024, 768, [](int r, int g, int b) { return r > 230 && g > 220 && b > 190; }),
              120000)
        << "the comic's paper";
    EXPECT_LT(nia.Count(0, 0, 1024, 768, [](int r, int g, int b) { return r > 230 && g > 220 && b > 190; }),
              50000)
        << "the map again";
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    const Profile* current = StoredPlayer(profiles);
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(std::u16string(current->Name()), u"nia");
}

// The goal of ten levels won stands at nine: a tenth win (Shift and a click
// on the open level, cheats on) reaches it, and once the map has revealed
// the win its award notice rises above the map's bottom bar; a click on it
// opens the awards window, which closes the notice.
TEST(MapScenario, AGoalReachedByAWinShowsItsNoticeOnTheMap) {
    GameCopy game;
    MakeSaver(game.User(), [](Profile& sal) { sal.MutableRecord().awards[kLevelsWonWord] = 9; });
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=1024,768\n[Game]\nCheats=1\n"));
    const std::string events = ToTheMap() + ShiftClickHouse(2);
    const std::string log = Play(game, events + Click(9500, kNoticeX, kNoticeY), 11000,
                                 {{6200, "before"}, {9300, "notice"}, {10900, "awards"}}, false);
    const Shot before = Load(game, "before"), notice = Load(game, "notice"), awards = Load(game, "awards");
    ASSERT_TRUE(before.ok && notice.ok && awards.ok);
    EXPECT_NE(log.find("the map shows award notice 1"), std::string::npos) << log;
    auto face = [](const Shot& shot) {
        return shot.NearIn(kNoticeLeft, kNoticeTop, kNoticeRight, kNoticeBottom, kNoticeFace, 8);
    };
    EXPECT_LT(face(before), 300) << "no notice before";
    EXPECT_GT(face(notice), 6000) << "the notice";
    EXPECT_LT(face(awards), 300) << "the awards window closed it";
    EXPECT_LT(notice.NearIn(400, 300, 624, 500, kWindowFace, 6), 200) << "the map before the click";
    EXPECT_GT(awards.NearIn(400, 300, 624, 500, kWindowFace, 6), 1500)
        << "the click opened the awards window";
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    const Profile* sal = StoredPlayer(profiles);
    ASSERT_NE(sal, nullptr);
    EXPECT_EQ(sal->Record().awards[kLevelsWonWord], 10);
}

// Level 31 of the tests' layouts, opened from the map: a click on its garbage
// heap, then on the clear button over it; the farmer clears it, which wins
// the level. Enter leaves the result window for the map, which reveals the
// win; the player's records file has the run's line.
TEST(MapScenario, ALevelWonFromTheMapWritesItsRecord) {
    GameCopy game(testsupport::LevelData::Scenarios);
    MakeSaverWithOpen(game.User(), 30);
    const std::string log =
        Play(game, ClearHeapFromTheMap(30, kHeapX, kHeapY, 17000), 19000, {{9300, "level"}, {16800, "won"}});
    const std::vector<std::string> won = testsupport::LogLines(log, "Level won:");
    ASSERT_EQ(won.size(), 1u) << log;
    EXPECT_NE(won[0].find("level 31, regime 0"), std::string::npos) << won[0];
    EXPECT_NE(log.find("the return from a level reveals its result"), std::string::npos) << log;
    std::string records;
    for (const auto& entry : fs::directory_iterator(game.User()))
        if (entry.path().filename().string().starts_with("records"))
            records +=
                entry.path().filename().string() + ":" + testsupport::ReadFileBytes(entry.path().string());
    ASSERT_FALSE(records.empty()) << "no records file";
    EXPECT_EQ(records.substr(0, records.find(':')), "records" + std::to_string(Number(game)) + ".txt");
    const std::string text = records.substr(records.find(':') + 1);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(0, 2), "\xFF\xFE");
    // One line: the level's win within its first ten seconds.
    const std::string line = platform::Utf16ToUtf8(Utf16(text.substr(2)));
    EXPECT_TRUE(line.starts_with("Рекорд level_31 Easy: 00:00:0") && line.size() == 36) << line;
    // The result window, the panel's stopped clock and the record read the win's one second.
    const std::string second = line.substr(line.size() - 8),
                      opened = testsupport::LogLines(log, "opened: ")[0];
    EXPECT_NE(opened.find(", " + second + " beside the clock's " + second + ","), opened.npos) << opened;

    // Won again by an ordinary user (root reads every file) who may not read that file: it is set aside
    // whole, the log and a dialog (a second Enter) name it, and the new line begins a new file.
    const std::string file = game.User() + "/" + records.substr(0, records.find(':'));
    fs::permissions(file, fs::perms::none);
    game.RunAsOrdinaryUser();
    const std::string again =
        Play(game,
             ClearHeapFromTheMap(30, kHeapX, kHeapY, 17000) + testsupport::script::held::Key(17600, "RETURN"),
             19000, {});
    EXPECT_NE(again.find("set aside as " + file + ".bad and a new one is begun"), std::string::npos) << again;
    EXPECT_EQ(testsupport::LogLines(again, "records kept: ").size(), 1u) << again;
    EXPECT_EQ(testsupport::ReadFileBytes(file + ".bad"), text);
    EXPECT_EQ(testsupport::ReadFileBytes(file).size(), text.size()) << "one line";
}

// The tests' level 10 opened from the map: the farmer's walk to its heap
// takes longer than the level's bronze time (3 s), so its easy win comes
// past it. The easy regime never falls below bronze: the level, the result
// window and the map give the one medal, bronze, and the player keeps it.
TEST(MapScenario, AnEasyWinPastTheBronzeTimeIsBronzeInTheResultWindowAndOnTheMap) {
    GameCopy game(testsupport::LevelData::Scenarios);
    MakeSaverWithOpen(game.User(), 9);
    const std::string log =
        Play(game, ClearHeapFromTheMap(9, kFarHeapX, kFarHeapY, kFarWinLeft), kFarWinLeft + 3000,
             {{kFarWinLeft - 200, "result"}, {kFarWinLeft + 2900, "map"}});
    const std::vector<std::string> won = testsupport::LogLines(log, "Level won:");
    ASSERT_EQ(won.size(), 1u) << log;
    EXPECT_NE(won[0].find("level 10, regime 0"), std::string::npos) << won[0];
    EXPECT_NE(won[0].find("grade 4"), std::string::npos) << won[0];
    const std::vector<std::string> result = testsupport::LogLines(log, "window opened:");
    ASSERT_EQ(result.size(), 1u) << log;
    EXPECT_NE(result[0].find("grade 4"), std::string::npos) << result[0];
    const Shot shown = Load(game, "result"), map = Load(game, "map");
    ASSERT_TRUE(shown.ok && map.ok);
    // The result window's medal is bronze, not the plain disc of a level
    // passed without one.
    EXPECT_GT(shown.NearIn(kResultMedalLeft, kResultMedalTop, kResultMedalLeft + 60, kResultMedalTop + 60,
                           kBronze, 30),
              40);
    // The map reveals bronze beside the level's house.
    const MapPoint cell = CellPosition(9);
    EXPECT_GT(map.Near(cell.x - 49, cell.y + 2, 6, kBronze, 30), 10);
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    const Profile* sal = StoredPlayer(profiles);
    ASSERT_NE(sal, nullptr);
    EXPECT_EQ(sal->Record().results.regimes[kRegimeEasy].levels[9].status, kLevelBronze);
}

// Level 31 opened from the map: Escape opens the pause menu, "restart" its
// level window, whose "restart" covers the screen in black; under the cover
// the level starts again from scratch, and the screen comes back with the
// level's "Click to start", where a click on the heap answers.
TEST(MapScenario, ARestartFromThePauseMenuFadesTheScreen) {
    GameCopy game(testsupport::LevelData::Scenarios);
    MakeSaverWithOpen(game.User(), 30);
    const MapPoint house = House(30);
    // The restart button is let go 150 ms after its click starts.
    constexpr int kRestart = 10500, kLetGo = kRestart + 150;
    const std::string log =
        Play(game,
             ToTheMap() + Click(kMapOpen, house.x, house.y) + Click(7300, kPlayX, kPlayY) +
                 testsupport::script::held::Key(9000, "ESCAPE") + Click(9700, kMenuRestartX, kMenuRestartY) +
                 Click(kRestart, kPlayX, kPlayY) + Click(12000, kHeapX, kHeapY),
             13000,
             {{kRestart - 100, "restart-before"},
              {kLetGo + 150, "restart-covered"},
              {11900, "fresh"},
              {12500, "restarted"}});
    const Shot before = Load(game, "restart-before"), covered = Load(game, "restart-covered"),
               fresh = Load(game, "fresh"), restarted = Load(game, "restarted");
    ASSERT_TRUE(before.ok && covered.ok && fresh.ok && restarted.ok);
    EXPECT_LT(Brightness(covered), Brightness(before) * 3 / 4) << "the cover over the screen";
    EXPECT_GT(Brightness(fresh), Brightness(before) * 9 / 10) << "the cover went";
    // The heap's clear button, with its golden ring, answers the click.
    EXPECT_LT(fresh.Near(kHeapX, kClearY, 16, kRingGold, 10), 10);
    EXPECT_GT(restarted.Near(kHeapX, kClearY, 16, kRingGold, 10), 60) << "the clear button over the heap";
    const std::vector<std::string> restarts = testsupport::LogLines(log, "restarts from scratch");
    ASSERT_EQ(restarts.size(), 1u) << log;
    EXPECT_NE(restarts[0].find("Level 31"), std::string::npos) << restarts[0];
    EXPECT_EQ(testsupport::Occurrences(log, "Level 31 (level_31) begins"), 1u) << log;
}

// Level 31 opened from the map and left through the pause menu's "to the
// map", at both window sizes: the screen fades out over the level and in
// over the map, which reveals the return once the fade is over.
TEST(MapScenario, LeavingForTheMapFadesTheScreen) {
    for (const windowsizes::WindowSize size : windowsizes::kSizes) {
        SCOPED_TRACE(windowsizes::Describe(size));
        GameCopy game(testsupport::LevelData::Scenarios);
        MakeSaver(game.User(), [](Profile& sal) {
            sal.MutableRecord().results.regimes[kRegimeEasy].levels[30].status = kLevelOpen;
        });
        const int w = size.width, h = size.height;
        // The main menu's "Easy", the house (the map drawn at the height over
        // 768), the level window's "Play" and the menu's "to the map" about
        // the screen's middle; the heap on the field.
        const bool small = w == 800;
        const MapPoint house = House(30);
        const windowsizes::FieldOnScreen field(size);
        constexpr int kLeave = 10700, kLetGo = kLeave + 150;
        const std::string events =
            testsupport::script::SkipLogos() +
            testsupport::script::held::Click(5000, small ? 589 : kPlayEasyX, small ? 352 : kPlayEasyY) +
            Click(kMapOpen, house.x * h / 768, house.y * h / 768) + Click(7300, w / 2 + 66, h / 2 + 154) +
            Click(9500, field.X(kHeapX), field.Y(kHeapY)) + testsupport::script::held::Key(10000, "ESCAPE") +
            Click(kLeave, w / 2, h / 2 + 126);
        const std::string log = windowsizes::PlayAt(
            game, size,
            {.events = events,
             .shots = {{kLeave - 100, "leave-before"}, {kLetGo + 200, "leave-covered"}, {11900, "map"}},
             .untilMs = 12000,
             .program = true},
            "leave-");
        const Shot before = Load(game, "leave-before"), covered = Load(game, "leave-covered"),
                   map = Load(game, "map");
        ASSERT_TRUE(before.ok && covered.ok && map.ok);
        EXPECT_LT(Brightness(covered), Brightness(before) * 3 / 4) << "the cover over the screen";
        EXPECT_GT(Brightness(map), Brightness(covered) * 4 / 3) << "the cover went";
        EXPECT_NE(log.find("the return from a level reveals"), std::string::npos) << log;
    }
}

// Level 31 opened from the map and left unfinished through the pause menu's
// "to the map" is kept: its level window offers to continue, which returns
// straight to the running level (no loading, no saved game read), where the
// clear button still stands over the heap; the farmer clears it and the
// level is won. Another run leaves it the same way and chooses another
// player: the kept level goes, saved into its player's profile first. A
// third switches the map to the hard regime and quits: the kept level's game
// stays the easy regime's.
TEST(MapScenario, ALevelLeftForTheMapIsKeptUntilAnotherPlayerComes) {
    const MapPoint house = House(30);
    const std::string leave = ToTheMap() + Click(kMapOpen, house.x, house.y) + Click(7300, kPlayX, kPlayY) +
                              Click(9500, kHeapX, kHeapY) + testsupport::script::held::Key(10000, "ESCAPE") +
                              Click(10700, kMenuToMapX, kMenuToMapY);
    {
        GameCopy game(testsupport::LevelData::Scenarios);
        MakeSaverWithOpen(game.User(), 30);
        const std::string log = Play(game,
                                     leave + Click(12000, house.x, house.y) +
                                         Click(13000, kContinueX, kButtonsY) + Click(14500, kHeapX, kClearY),
                                     20000, {{12900, "kept-window"}});
        EXPECT_NE(log.find("Level 31 is kept while the map is shown."), std::string::npos) << log;
        EXPECT_NE(log.find("Level 31 goes on where it was left."), std::string::npos) << log;
        EXPECT_EQ(testsupport::Occurrences(log, "-> 0x80000003"), 1u) << "one loading\n" << log;
        EXPECT_EQ(log.find("continues from its saved game"), std::string::npos) << log;
        const std::vector<std::string> won = testsupport::LogLines(log, "Level won:");
        ASSERT_EQ(won.size(), 1u) << log;
        EXPECT_NE(won[0].find("level 31"), std::string::npos) << won[0];
        const Shot window = Load(game, "kept-window");
        ASSERT_TRUE(window.ok);
        EXPECT_GT(window.NearIn(340, 525, 690, 550, kButtonFace, 12), 1500) << "cancel, restart and continue";
    }
    {
        GameCopy game(testsupport::LevelData::Scenarios);
        testplayers::MakePlayer(game.User(), u"nia");
        MakeSaverWithOpen(game.User(), 30);
        const std::string log = Play(
            game, leave + Click(12000, kGreetingX, kTopButtonsY) + Click(13000, kSecondRowX, kSecondRowY),
            14500, {});
        const size_t kept = log.find("Level 31 is kept while the map is shown.");
        ASSERT_NE(kept, std::string::npos) << log;
        const size_t saved = log.find("Level 31 saved into the profile", kept);
        ASSERT_NE(saved, std::string::npos) << "saved as it goes\n" << log;
        EXPECT_LT(saved, log.find("Profile chosen", kept)) << log;
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        int found = 0;
        for (int32_t i = 0; i < profiles.Count(); ++i) {
            const Profile* player = profiles.GetProfile(i);
            if (std::u16string(player->Name()) != u"sal") continue;
            ++found;
            ASSERT_NE(player->GetSavedLevel(30), nullptr) << "sal's level 31";
            EXPECT_GE(player->GetSavedLevel(30)->size(), 24u);
        }
        EXPECT_EQ(found, 1);
        ASSERT_NE(profiles.Current(), nullptr);
        EXPECT_EQ(std::u16string(profiles.Current()->Name()), u"nia");
    }
    {
        // The kept easy level stays the easy regime's saved game when the
        // map switches to the hard regime before the program quits.
        GameCopy game(testsupport::LevelData::Scenarios);
        MakeSaver(game.User(), [](Profile& sal) {
            sal.MutableRecord().results.regimes[kRegimeEasy].levels[30].status = kLevelOpen;
            sal.MutableRecord().results.hardAvailable = 1;
            sal.MutableRecord().flags |= kProfileFlagHardMapTutorial;
        });
        const std::string log = Play(game, leave + Click(12000, kHardRegimeX, kHardRegimeY), 14000, {});
        EXPECT_NE(log.find("Level 31 is kept while the map is shown."), std::string::npos) << log;
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        Profile* sal = profiles.Current();
        ASSERT_NE(sal, nullptr);
        EXPECT_EQ(sal->Regime(), uint32_t(kRegimeHard)) << "the map switched";
        EXPECT_EQ(sal->GetSavedLevel(30), nullptr) << "no saved game of the hard regime";
        sal->MutableRecord().results.regime = kRegimeEasy;
        EXPECT_NE(sal->GetSavedLevel(30), nullptr) << "the easy regime's";
    }
    {
        // The kept level's player deleted from the greeting's list (its
        // cross, then "yes"): the level goes with the player, and the list
        // stays open over the map, showing the player left.
        GameCopy game(testsupport::LevelData::Scenarios);
        testplayers::MakePlayer(game.User(), u"nia");
        MakeSaverWithOpen(game.User(), 30);
        const std::string log =
            Play(game,
                 leave + Click(12000, kGreetingX, kTopButtonsY) + Click(13000, kFirstCrossX, kFirstCrossY) +
                     Click(14000, kYesX, kAnswerY),
                 15500, {{13900, "delete-asks"}, {15400, "deleted"}});
        EXPECT_NE(log.find("Level 31 is kept while the map is shown."), std::string::npos) << log;
        const Shot asks = Load(game, "delete-asks"), deleted = Load(game, "deleted");
        ASSERT_TRUE(asks.ok && deleted.ok);
        EXPECT_GT(asks.Count(320, 350, 700, 388, Ink), 600) << "the question";
        // A row's wooden face, of the current player's row or another's.
        auto row = [](const Shot& shot) {
            return shot.Count(300, 340, 600, 375, [](int r, int g, int b) {
                return r > 190 && r < 235 && g > 140 && g < 185 && b > 80 && b < 125;
            });
        };
        EXPECT_GT(row(deleted), 5000) << "nia's row, first now";
        EXPECT_EQ(testsupport::StateChanges(log).back(), "FFFFFFFF") << "the program ran to its end\n" << log;
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        ASSERT_EQ(profiles.Count(), 1);
        EXPECT_EQ(std::u16string(profiles.GetProfile(0)->Name()), u"nia");
    }
}

// A player of the hard regime who has passed no easy level reaches the goal
// of levels won on the hard map (Shift and a click, cheats on): its notice
// stands above the map's bottom bar; "Back" leads to the main screen, where
// the notice goes on standing, lower, above the screen's bottom; "Play" easy
// there shows the first comic, and the notice goes with it: two clicks close
// the comic onto the easy map, which has none.
TEST(MapScenario, ANoticeFollowsTheScreensAndGoesWithTheComics) {
    GameCopy game;
    MakeSaver(game.User(), [](Profile& sal) {
        ProfileRecord& record = sal.MutableRecord();
        record.results.regimes[kRegimeEasy] = {};
        record.results.regime = kRegimeHard;
        record.results.hardAvailable = 1;
        LevelProgress* hard = record.results.regimes[kRegimeHard].levels;
        hard[0].status = hard[1].status = kLevelSilver;
        hard[2].status = kLevelOpen;
        record.flags |= kProfileFlagHardMapTutorial;
        record.awards[kLevelsWonWord] = 9;
    });
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=1024,768\n[Game]\nCheats=1\n"));
    const std::string events = ToTheMap(true) + ShiftClickHouse(2) + Click(9500, kBackX, kTopButtonsY) +
                               Click(11000, kPlayEasyX, kPlayEasyY) + Click(12600, 512, 400) +
                               Click(13400, 512, 400);
    const std::string log =
        Play(game, events, 15000,
             {{9300, "hard-map"}, {10800, "main"}, {12400, "comic-0"}, {14900, "easy-map"}}, false);
    const Shot map = Load(game, "hard-map"), main = Load(game, "main"), comic = Load(game, "comic-0"),
               easy = Load(game, "easy-map");
    ASSERT_TRUE(map.ok && main.ok && comic.ok && easy.ok);
    EXPECT_EQ(testsupport::StateChanges(log),
              (std::vector<std::string>{"00000001", "80000002", "00000006", "00000005", "00000006",
                                        "00000007", "00000005", "FFFFFFFF"}));
    EXPECT_NE(log.find("the map shows award notice 1"), std::string::npos) << log;
    EXPECT_NE(log.find("easy, with the introductory comic"), std::string::npos) << log;
    auto face = [](const Shot& shot, int top, int bottom) {
        return shot.NearIn(kNoticeLeft, top, kNoticeRight, bottom, kNoticeFace, 8);
    };
    // Over the map the notice ends 76 pixels above the bottom; on the main screen 16.
    EXPECT_GT(face(map, kNoticeTop, kNoticeBottom), 6000) << "the notice on the map";
    EXPECT_GT(face(main, 700, 745), 4000) << "the notice low on the main screen";
    EXPECT_LT(face(map, 700, 745), 300) << "not as low on the map";
    // It stands over the menu's lower right corner.
    EXPECT_GT(main.Near(885, 680, 4, kNoticeFace, 8), 40) << "above the menu";
    EXPECT_LT(face(comic, 600, 760), 300) << "gone with the comic";
    EXPECT_LT(face(easy, 590, 760), 300) << "the map after the comic has none";
}

// The goal's notice on the map (as above, in the easy regime) goes when the
// greeting's list makes another player current: the map fades to that
// player's, without it.
TEST(MapScenario, ANoticeGoesWithItsPlayer) {
    GameCopy game;
    testplayers::MakePlayer(game.User(), u"nia", [](ProfileRecord& record) {
        record.results.regimes[kRegimeEasy].levels[0].status = kLevelGold;
        record.flags |= kProfileFlagEasyMapTutorial;
    });
    MakeSaver(game.User(), [](Profile& sal) { sal.MutableRecord().awards[kLevelsWonWord] = 9; });
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=1024,768\n[Game]\nCheats=1\n"));
    const std::string events = ToTheMap() + ShiftClickHouse(2) + Click(9000, kGreetingX, kTopButtonsY) +
                               Click(10000, kSecondRowX, kSecondRowY);
    const std::string log = Play(game, events, 11500, {{8900, "sal-notice"}, {11400, "nia-map"}}, false);
    const Shot sal = Load(game, "sal-notice"), nia = Load(game, "nia-map");
    ASSERT_TRUE(sal.ok && nia.ok);
    const std::vector<std::string> chosen = testsupport::LogLines(log, "Profile chosen");
    ASSERT_EQ(chosen.size(), 1u) << log;
    EXPECT_NE(chosen[0].find("nia"), std::string::npos) << chosen[0];
    auto face = [](const Shot& shot) {
        return shot.NearIn(kNoticeLeft, kNoticeTop, kNoticeRight, kNoticeBottom, kNoticeFace, 8);
    };
    EXPECT_GT(face(sal), 6000) << "sal's notice";
    EXPECT_LT(face(nia), 300) << "gone with sal";
}

// Level 34 of the tests' layouts in the hard regime, opened from the map: its
// page closed and the clock started by a click on the heap, it is lost at its
// bronze time (90 s). The game-over dialog's "yes" opens the level window,
// whose "play" covers the screen in black; under the cover the level starts
// again from scratch.
TEST(MapScenario, PlayingALostLevelAgainFadesTheScreen) {
    GameCopy game(testsupport::LevelData::Scenarios);
    MakeSaver(game.User(), [](Profile& sal) {
        ProfileRecord& record = sal.MutableRecord();
        record.results.regime = kRegimeHard;
        record.results.hardAvailable = 1;
        record.results.regimes[kRegimeHard].levels[33].status = kLevelOpen;
        record.flags |= kProfileFlagHardMapTutorial;
    });
    const MapPoint house = House(33);
    constexpr int kStart = 10500, kLost = kStart + 90000, kAgain = kLost + 2500, kLetGo = kAgain + 150;
    const std::string log =
        Play(game,
             ToTheMap(true) + Click(kMapOpen, house.x, house.y) + Click(7300, kPlayX, kPlayY) +
                 Click(9500, 512, 384) + Click(kStart, kLostHeapX, kLostHeapY) +
                 Click(kLost + 1500, kYesX, kAnswerY) + Click(kAgain, kPlayX, kPlayY),
             kAgain + 2000,
             {{kLost + 1300, "lost"},
              {kAgain - 100, "again-before"},
              {kLetGo + 150, "again-covered"},
              {kAgain + 1900, "again"}},
             true, "--draw-every 20");
    EXPECT_NE(log.find("Level lost: the game-over dialog asks to try again."), std::string::npos) << log;
    EXPECT_NE(log.find("Level window opened after the game over."), std::string::npos) << log;
    const Shot before = Load(game, "again-before"), covered = Load(game, "again-covered"),
               again = Load(game, "again");
    ASSERT_TRUE(before.ok && covered.ok && again.ok);
    EXPECT_LT(Brightness(covered), Brightness(before) * 3 / 4) << "the cover over the screen";
    EXPECT_GT(Brightness(again), Brightness(before) * 9 / 10) << "the cover went";
    const std::vector<std::string> restarts = testsupport::LogLines(log, "restarts from scratch");
    ASSERT_EQ(restarts.size(), 1u) << log;
    EXPECT_NE(restarts[0].find("Level 34"), std::string::npos) << restarts[0];
    EXPECT_GT(log.find(restarts[0]), log.find("Level window opened after the game over.")) << log;
}

// The players' list opened from the map's greeting at 1024 x 768, when the
// current player is deleted there (its cross, then "yes"): the list stays
// open over the map and answers the next click. Choosing a player left
// brings that player's map; "new player" makes one, whose first comic shows;
// "cancel" leaves the map for the main screen, which offers the players
// left. The other players and their files stay.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"

using namespace programtest;
using testsupport::script::Move;
using testsupport::script::held::Click;

namespace {

// The overlay's greeting, which opens the players' list.
constexpr int kGreetingX = 512, kGreetingY = 16;
// In the list: "new player", the first row and its cross, "cancel"; the question's "yes".
constexpr int kNewX = 490, kNewY = 309;
constexpr int kRowX = 465, kFirstRowY = 358, kFirstCrossX = 674;
constexpr int kCancelX = 512, kCancelY = 531;
constexpr int kYesX = 443, kYesY = 441;
// The main menu's lower half, which lies below the list's bottom edge.
constexpr int kMenuLeft = 620, kMenuTop = 575, kMenuRight = 880, kMenuBottom = 680;

// A row's wooden face in the list's first row.
int FirstRowFace(const Shot& shot) {
    return shot.Count(300, 340, 600, 375, [](int r, int g, int b) {
        return r > 190 && r < 235 && g > 140 && g < 185 && b > 80 && b < 125;
    });
}

std::vector<std::u16string> StoredNames(const GameCopy& game, std::u16string* current) {
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    std::vector<std::u16string> names;
    for (int32_t i = 0; i < profiles.Count(); ++i)
        names.push_back(profiles.GetProfile(i)->Name());
    *current = profiles.Current() ? profiles.Current()->Name() : u"";
    return names;
}

} // namespace

// sal (current, levels 1-4 won) and nia (level 1 won): sal is the newer and
// heads the list. Once sal is deleted, nia's row heads it.
TEST(MapPlayersScenario, TheCurrentPlayerDeletedOnTheMapLeavesTheListOpenAndAnswering) {
    const MapPoint levelTwo = House(1);
    struct Case {
        const char* name;
        bool alone;       // sal is the only player
        std::string then; // the player's clicks once the list has stayed open
        std::vector<std::string> states;
        std::vector<std::u16string> stored;
        std::u16string current;
        // A log line that tells what the clicks did holds both.
        std::string logged, saying;
    };
    const Case cases[] = {
        {"nia chosen: her map answers a click on her open level 2",
         false,
         Click(10000, kRowX, kFirstRowY) + Click(11500, levelTwo.x, levelTwo.y),
         {"00000001", "80000002", "00000006", "00000005", "FFFFFFFF"},
         {u"nia"},
         u"nia",
         "the level window of level 2 opens",
         "Map"},
        {"cancel: the main screen offers nia, chosen there, and its Play leads to her map",
         false,
         Click(10000, kCancelX, kCancelY) + Click(11800, kRowX, kFirstRowY) +
             Click(13000, kPlayEasyX, kPlayEasyY),
         {"00000001", "80000002", "00000006", "00000005", "00000006", "00000005", "FFFFFFFF"},
         {u"nia"},
         u"nia",
         "Profile chosen",
         "nia"},
        {"the only player gone: a new one made from the list sees the first comic",
         true,
         Click(10000, kNewX, kNewY) + testplayers::NewPlayerByKeys(10800, {"B", "O"}),
         {"00000001", "80000002", "00000006", "00000005", "00000007", "FFFFFFFF"},
         {u"bo"},
         u"bo",
         "comic 0 shows",
         "Map"},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++run;
        GameCopy game;
        ASSERT_TRUE(testsupport::UseWindow(game));
        if (!c.alone) testplayers::MakeEasyPlayer(game.User(), u"nia", 1, kLevelGold, false);
        testplayers::MakeEasyPlayer(game.User(), u"sal", 4, kLevelSilver, false);
        const std::string nia = game.User() + "/profile1.dat";
        const std::string events = ToTheMap() + Click(7000, kGreetingX, kGreetingY) +
                                   Click(8000, kFirstCrossX, kFirstRowY) + Click(9000, kYesX, kYesY) + c.then;
        const std::string log = testsupport::PlayNamed(game, {.name = "map-players-" + std::to_string(run),
                                                              .events = events,
                                                              .untilMs = 14800,
                                                              .shots = {{8900, game.File("asks.png")},
                                                                        {9900, game.File("deleted.png")},
                                                                        {14700, game.File("after.png")}},
                                                              .program = true});
        EXPECT_EQ(testsupport::StateChanges(log), c.states) << log;
        EXPECT_NE(log.find("Delete sal and all of their progress?"), std::string::npos) << log;
        bool told = false;
        for (const std::string& line : testsupport::LogLines(log, c.logged))
            told = told || line.find(c.saying) != std::string::npos;
        EXPECT_TRUE(told) << log;

        const Shot asks = LoadShot(game.File("asks.png")), deleted = LoadShot(game.File("deleted.png"));
        ASSERT_TRUE(asks.ok && deleted.ok);
        EXPECT_GT(
            asks.Count(320, 350, 700, 388, [](int r, int g, int b) { return r < 110 && g < 90 && b < 80; }),
            600)
            << "the question's text";
        // The list, still open, stands alone over the map: nothing of the
        // main screen's menu is drawn over it.
        EXPECT_LT(deleted.NearIn(kMenuLeft, kMenuTop, kMenuRight, kMenuBottom, kWindowFace, 6), 200);
        EXPECT_GT(deleted.NearIn(290, 515, 740, 560, kWindowFace, 6), 4000) << "the list's bottom";
        if (!c.alone) {
            EXPECT_GT(FirstRowFace(deleted), 5000) << "nia's row, first now";
        }

        std::u16string current;
        EXPECT_EQ(StoredNames(game, &current), c.stored);
        EXPECT_EQ(current, c.current);
        // (A new player takes the first free number, sal's when sal was alone.)
        if (!c.alone) {
            EXPECT_FALSE(fs::exists(game.User() + "/profile2.dat")) << "sal's file";
            EXPECT_TRUE(fs::exists(nia)) << "nia's file stays";
        }
    }
}

// The players' list opened from the main screen's greeting at both sizes (sal current, nia and five more):
// "New player" stands in the middle of its button, the names on the rows' light wood have a dark rim, the
// rows stay inside the list's view, also scrolled a notch, and "Cancel" closes the list, choosing no one.
TEST(MapPlayersScenario, TheListsNamesAndNewPlayerRead) {
    for (const windowsizes::WindowSize size : windowsizes::kSizes) {
        SCOPED_TRACE(windowsizes::Describe(size));
        GameCopy game;
        for (const char16_t* name : {u"ada", u"ben", u"cy", u"dot", u"eli", u"nia"})
            testplayers::MakeEasyPlayer(game.User(), name, 1, kLevelGold, false);
        testplayers::MakeEasyPlayer(game.User(), u"sal", 4, kLevelSilver, false);
        const bool small = size.width == 800;
        const int left = (size.width - 488) / 2, top = (size.height - 358) / 2;
        const int x = small ? 589 : 749, y = small ? 292 : 384;
        const std::string log = windowsizes::PlayAt(
            game, size,
            {.events = testsupport::script::SkipLogos() + Click(5000, x, y) + Move(5200, 5, 5) +
                       Move(6600, left + 200, top + 200) + "6650 mouse wheel -1\n" +
                       Click(7500, left + 244, top + 326),
             .shots = {{4900, "menu"}, {6500, "list"}, {7400, "scrolled"}, {8500, "closed"}},
             .untilMs = 8600,
             .program = true},
            "players-");
        EXPECT_TRUE(testsupport::LogLines(log, "Profile chosen").empty()) << log;
        const Shot list = LoadShot(game.File("list.png")), scrolled = LoadShot(game.File("scrolled.png")),
                   closed = LoadShot(game.File("closed.png"));
        ASSERT_TRUE(list.ok && scrolled.ok && closed.ok);
        EXPECT_LT(closed.NearIn(left + 20, top + 70, left + 420, top + 110, kWindowFace, 6), 200) << "Cancel";
        // Scrolled, nothing moves above the view (top + 61) and no row's wood shows below it (top + 300).
        EXPECT_EQ(testsupport::Differing(list, scrolled, left + 12, top, left + 432, top + 60), 0);
        for (const Shot* shot : {&list, &scrolled})
            EXPECT_EQ(shot->NearIn(left + 12, top + 302, left + 170, top + 358, 0xD0A060, 30), 0);
        // "New player" on the face of its button, from 63 to 113 px below the list's top.
        const auto dark = [](int r, int g, int b) { return r < 90 && g < 70 && b < 50; };
        int first = -1, last = -1;
        for (int y = top + 66; y < top + 111; ++y)
            if (list.Count(left + 120, y, left + 360, y + 1, dark) > 0) {
                if (first < 0) first = y;
                last = y;
            }
        ASSERT_GE(first, 0) << "no \"New player\"";
        EXPECT_NEAR(first + last, 2 * (top + 88), 6) << "the label's middle, rows " << first << ".." << last;
        // The greeting clicked says in a second line that it leads to the players.
        EXPECT_GT(LoadShot(game.File("menu.png")).Count(x - 115, y + 5, x + 115, y + 15, dark), 150);
        // sal's row: the pale green name and its dark rim.
        EXPECT_GT(list.NearIn(left + 80, top + 135, left + 200, top + 170, 0x80FF80, 30), 40);
        EXPECT_GT(list.NearIn(left + 80, top + 135, left + 200, top + 170, 0x3A2008, 30), 60) << "the rim";
    }
}

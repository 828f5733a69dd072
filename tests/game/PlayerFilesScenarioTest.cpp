// Players whose files are damaged, as the game meets them at 1024 x 768:
// nothing a player owns goes. A player file that does not read keeps its
// player's place in the list and the player comes back, progress and all,
// once the file reads again; a damaged list of players is made again from
// the players' files. Each time a dialog says what was set aside and where;
// a click closes it and the screens below answer.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

using testsupport::script::quick::Click;
using testsupport::script::quick::Key;

constexpr int kOptionsX = 749, kOptionsY = 581;
// The players' files dialog's OK (five lines; 54 px lower with a four-line second part); the list's row 1.
constexpr int kDialogOkX = 512, kDialogOkY = 460;
constexpr int kFirstRowX = 465, kFirstRowY = 357;

// The copy plays at 1024 x 768.
void PlayWindowed(const GameCopy& game) {
    EXPECT_TRUE(WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=1024,768\n"));
    std::filesystem::create_directories(game.User());
}

ProfileManager Store(const GameCopy& game) {
    return ProfileManager(platform::Utf8ToUtf16(game.User()));
}

// Ann (level 1 won with gold in 41 s, level 2 open) and Bob (level 1 with
// bronze in 95 s), written by the game's own store; Ann is the current player.
void MakeAnnAndBob(const GameCopy& game) {
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    Profile* ann = profiles.CreateProfile(u"Ann");
    Profile* bob = profiles.CreateProfile(u"Bob");
    ASSERT_TRUE(ann && bob);
    RegimeProgress& annEasy = ann->MutableRecord().results.regimes[kRegimeEasy];
    annEasy.levels[0] = {kLevelGold, 41000};
    annEasy.levels[1].status = kLevelOpen;
    bob->MutableRecord().results.regimes[kRegimeEasy].levels[0] = {kLevelBronze, 95000};
    ASSERT_TRUE(ann->Save() && bob->Save());
    profiles.SetCurrent(ann);
}

void ExpectAnnsProgress(const Profile* ann) {
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(std::u16string(ann->Name()), u"Ann");
    const RegimeProgress& easy = ann->Record().results.regimes[kRegimeEasy];
    EXPECT_EQ(easy.levels[0].status, kLevelGold);
    EXPECT_EQ(easy.levels[0].bestMs, 41000u);
    EXPECT_EQ(easy.levels[1].status, kLevelOpen);
}

std::string Play(const GameCopy& game, const std::string& name, const std::string& events, int untilMs,
                 const std::string& shot = "", int shotMs = 0) {
    std::vector<std::pair<int, std::string>> shots;
    if (!shot.empty()) shots.emplace_back(shotMs, shot);
    return testsupport::PlayNamed(
        game, {.name = name, .events = events, .untilMs = untilMs, .shots = shots, .program = true});
}

// The dialog's parchment face over the middle of the screen.
int DialogFace(const std::string& png) {
    const Shot shot = LoadShot(png);
    EXPECT_TRUE(shot.ok) << png << ": " << shot.error;
    return shot.ok ? shot.NearIn(310, 330, 714, 420, 0xF2E2BC, 8) : 0;
}

} // namespace

TEST(PlayerFilesScenario, ADamagedPlayerFileIsSetAsideAndThePlayerComesBackWhenItReads) {
    GameCopy game;
    PlayWindowed(game);
    MakeAnnAndBob(game);
    const std::string file = game.User() + "/profile1.dat";
    const std::string good = ReadFileBytes(file);
    ASSERT_GT(good.size(), 700u);
    ASSERT_TRUE(WriteFileBytes(file, good.substr(0, 700)));
    // A copy of a win of Bob's that a stop left, cut short: kept aside while Bob's own file stays.
    ASSERT_TRUE(WriteFileBytes(game.User() + "/profile2.dat.win", good.substr(0, 19)));

    // The dialog names the files; a click closes it; the players' list below
    // answers (Bob, the only one listed, is chosen) and then the menu.
    std::string events = Click(40, 500, 300);
    events += Click(5000, kDialogOkX, kDialogOkY + 54);
    events += Click(5800, kFirstRowX, kFirstRowY);
    events += Click(6400, kOptionsX, kOptionsY);
    const std::string told = game.File("told.png");
    std::string log = Play(game, "damaged", events, 7400, told, 4800);
    EXPECT_NE(log.find("the player is told"), std::string::npos) << log;
    EXPECT_NE(log.find("told: set aside " + game.User() + "/profile1.dat"), std::string::npos)
        << "the file is named\n"
        << log;
    EXPECT_NE(log.find("does not read is kept as " + game.User() + "/profile2.dat.win.bad"),
              std::string::npos);
    EXPECT_NE(log.find("Profile chosen              Bob"), std::string::npos) << log;
    EXPECT_NE(log.find("The options window opens."), std::string::npos) << log;
    EXPECT_GT(DialogFace(told), 20000) << "the dialog stands in the middle";
    EXPECT_EQ(ReadFileBytes(file), good.substr(0, 700)) << "the damaged file is kept as it was";

    // The file reads again: Ann is back with her progress beside Bob, the
    // player chosen meanwhile; nobody is told anything.
    ASSERT_TRUE(WriteFileBytes(file, good));
    log = Play(game, "mended", Click(40, 500, 300) + Click(5000, kOptionsX, kOptionsY), 6000);
    EXPECT_EQ(log.find("the player is told"), std::string::npos) << log;
    EXPECT_NE(log.find(" 2 read"), std::string::npos) << log;
    EXPECT_NE(log.find("The options window opens."), std::string::npos) << log;
    ProfileManager profiles = Store(game);
    profiles.Load();
    EXPECT_EQ(profiles.Count(), 2);
    ExpectAnnsProgress(profiles.FindByNumber(1));
    EXPECT_EQ(profiles.Current(), profiles.FindByNumber(2));
}

TEST(PlayerFilesScenario, ADamagedListOfPlayersIsMadeAgainFromTheirFiles) {
    struct Case {
        const char* what;
        std::string list;
    };
    const Case cases[] = {
        {"random bytes", "\x5c\x54\x2c\x92 these bytes are no list of players \x01\x02\xff"},
        {"an empty file", ""}};
    for (const Case& c : cases) {
        GameCopy game;
        PlayWindowed(game);
        MakeAnnAndBob(game);
        ASSERT_TRUE(WriteFileBytes(game.User() + "/profiles.dat", c.list));
        std::string events = Click(40, 500, 300);
        events += Click(5000, kDialogOkX, kDialogOkY);
        events += Click(5800, kFirstRowX, kFirstRowY); // the list, offered as nobody is current: Bob
        events += Click(6400, kOptionsX, kOptionsY);
        const std::string told = game.File("told.png");
        const std::string log = Play(game, "list", events, 7400, told, 4800);
        EXPECT_NE(log.find("the player is told"), std::string::npos) << c.what << "\n" << log;
        EXPECT_NE(log.find("told: the damaged list is " + game.User() + "/profiles.dat.bad"),
                  std::string::npos)
            << c.what << "\n"
            << log;
        EXPECT_NE(log.find("Profile chosen              Bob"), std::string::npos) << c.what << "\n" << log;
        EXPECT_NE(log.find("The options window opens."), std::string::npos) << c.what << "\n" << log;
        EXPECT_GT(DialogFace(told), 20000) << c.what;
        EXPECT_EQ(ReadFileBytes(game.User() + "/profiles.dat.bad"), c.list) << c.what;

        ProfileManager profiles = Store(game);
        profiles.Load();
        EXPECT_TRUE(profiles.TakeLoadReport().Empty()) << c.what << ": the list was written again";
        ASSERT_EQ(profiles.Count(), 2) << c.what;
        ExpectAnnsProgress(profiles.FindByNumber(1));
        ASSERT_NE(profiles.FindByNumber(2), nullptr) << c.what;
        EXPECT_EQ(std::u16string(profiles.FindByNumber(2)->Name()), u"Bob") << c.what;
        EXPECT_EQ(profiles.BestTime(kRegimeEasy, 0), 41000u) << c.what;
        EXPECT_EQ(std::u16string(profiles.BestHolder(kRegimeEasy, 0)), u"Ann") << c.what;
    }
}

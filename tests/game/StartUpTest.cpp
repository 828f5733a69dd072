// The program's start-up and shut-down as a player meets them: the language
// file, the per-user folder, signals and the paths of the command line. Each
// test runs a copy of the built game headless.
#include "platform/Random.h"
#include "tests/game/Players.h"
#include "tests/support/Damage.h"
#include "tests/support/DataChunks.h"
#include "tests/support/GameCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using testsupport::GameCopy;

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The game's runs are bounded: a run that hangs ends with status 124.
std::string Bounded(const std::string& command) {
    return "timeout -s KILL 60 " + command;
}

} // namespace

// A language file that cannot be loaded stops the program with a message that names it and exit status 1; a
// file that is not a regular file (a FIFO, a device, a folder) is refused at its open, so it can never hang.
TEST(StartUp, ALanguageFileThatCannotBeLoadedStopsWithItsName) {
    GameCopy game;
    const std::string good = testsupport::ReadFileBytes(game.Game() + "/Data/language.dat");
    ASSERT_GT(good.size(), 100u);
    fs::create_directories(game.File("files/folder.dat"));
    ASSERT_TRUE(testsupport::WriteFileBytes(game.File("files/cut.dat"), good.substr(0, good.size() / 2)));
    std::string noise(4096, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    ASSERT_TRUE(testsupport::WriteFileBytes(game.File("files/noise.dat"), noise));
    ASSERT_EQ(mkfifo(game.File("files/pipe.dat").c_str(), 0600), 0);

    const std::string cases[] = {
        game.File("files/missing.dat"),
        game.File("files/folder.dat"),
        game.File("files/cut.dat"),
        game.File("files/noise.dat"),
        "/dev/null",
        game.File("files/pipe.dat"),
    };
    for (const std::string& file : cases) {
        std::string output;
        const int status = testsupport::RunCommand(
            Bounded(game.Command("--headless --frames 5 -lang '" + file + "'")), &output);
        EXPECT_EQ(status, 1) << file << "\n" << output;
        EXPECT_NE(output.find("The language file cannot be loaded: " + file), std::string::npos) << output;
        const std::string log = game.Log();
        EXPECT_NE(log.find("The language file cannot be loaded"), std::string::npos) << log;
        EXPECT_TRUE(EndsWith(log, "LOG FINISHED.\n") || EndsWith(log, "LOG FINISHED.")) << log;
    }
}

// The default language file, named from the Data folder in the message as
// the player finds it on the disk; an absolute one of config.ini as it stands.
TEST(StartUp, AMissingDefaultLanguageFileIsNamedWithItsFolder) {
    GameCopy game;
    fs::remove(game.Game() + "/Data/language.dat");
    std::string output;
    EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 5")), &output), 1) << output;
    EXPECT_NE(output.find("The language file cannot be loaded: " + game.Game() + "/Data/language.dat"),
              std::string::npos)
        << output;
    const std::string absolute = game.File("elsewhere/missing.dat");
    ASSERT_TRUE(
        testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Path]\nLanguage=" + absolute + "\n"));
    output.clear();
    EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 5")), &output), 1) << output;
    EXPECT_NE(output.find("The language file cannot be loaded: " + absolute + "\n"), std::string::npos)
        << output;
}

// A language file that opens but whose texts or pictures fail their checks
// would show the missing-text marker and blank pictures: it stops the
// program like one that cannot be read, the message naming the file and the
// log what was damaged. Damage of every kind to the text groups and the
// images either is refused so or leaves a file whose structure reads whole.
TEST(StartUp, ALanguageFileWithDamagedTextsOrPicturesStopsWithItsName) {
    const testsupport::DataFileKind kind{0xA7F17E1D, 13, 1};
    GameCopy original;
    const std::vector<testsupport::DataChunk> good =
        testsupport::ReadDataChunks(original.Game() + "/Data/language.dat", kind);
    ASSERT_FALSE(good.empty());
    const auto units = [](const std::string& text) {
        std::string bytes;
        for (char c : text)
            bytes += c, bytes += '\0';
        return bytes;
    };
    // The chunk holding the text (a group's name, an image's name).
    const auto chunkWith = [&](const std::string& text) {
        for (size_t i = 0; i < good.size(); ++i)
            if (good[i].bytes.find(units(text)) != std::string::npos) return i;
        return good.size();
    };
    const size_t mainScreen = chunkWith("main_screen"), images = chunkWith("loading_logo"),
                 fonts = chunkWith("font_image");
    ASSERT_LT(mainScreen, good.size());
    ASSERT_LT(images, good.size());
    ASSERT_LT(fonts, good.size());
    // The PNG of the record named so.
    const auto brokenPicture = [&](size_t chunk, const std::string& name) {
        std::string bytes = good[chunk].bytes;
        // The record's name comes after its length, which tells "logo" from "loading_logo".
        const size_t png =
            bytes.find("\x89PNG", bytes.find(char(name.size()) + std::string(3, '\0') + units(name)));
        EXPECT_NE(png, std::string::npos) << name;
        if (png != std::string::npos) bytes[png + 1] = 'X';
        return bytes;
    };
    struct Case {
        const char* what;
        size_t chunk;
        std::string bytes;
        const char* damage; // what the log says was damaged
    };
    const std::string group = good[mainScreen].bytes;
    const std::vector<Case> cases = {
        {"a text group cut short", mainScreen, group.substr(0, group.size() / 2),
         "in text group \"main_screen\""},
        {"the title logo's picture", images, brokenPicture(images, "logo"), "image \"logo\""},
        {"a font's picture", fonts, brokenPicture(fonts, "font_image"), "image \"font_image\""},
    };
    const auto run = [&](const std::vector<testsupport::DataChunk>& chunks, std::string* log) {
        GameCopy game;
        const std::string file = game.Game() + "/Data/language.dat";
        EXPECT_TRUE(testsupport::WriteDataChunks(file, kind, chunks));
        std::string output;
        const int status = testsupport::RunCommand(Bounded(game.Command("--headless --frames 5")), &output);
        *log = game.Log();
        if (status == 1) {
            EXPECT_NE(output.find("The language file cannot be loaded: " + file), std::string::npos)
                << output;
        }
        return status;
    };
    for (const Case& c : cases) {
        std::vector<testsupport::DataChunk> chunks = good;
        chunks[c.chunk].bytes = c.bytes;
        std::string log;
        EXPECT_EQ(run(chunks, &log), 1) << c.what << "\n" << log;
        EXPECT_NE(log.find("language.dat is damaged: "), std::string::npos) << c.what << "\n" << log;
        EXPECT_NE(log.find(c.damage), std::string::npos) << c.what << "\n" << log;
        EXPECT_TRUE(EndsWith(log, "LOG FINISHED.")) << c.what;
    }

    // Seeded damage to the text groups and the images: refused with the
    // file's name, or read whole (no damage found, nothing left unread).
    std::vector<size_t> targets = {images, fonts};
    for (size_t i = 0; i < good.size(); ++i)
        if ((good[i].id & 0xC0000000u) == 0xC0000000u) targets.push_back(i);
    platform::SeedRand(4646);
    int refused = 0;
    const int rounds = testsupport::ForRounds(24, 40000, [&](int round) {
        std::vector<testsupport::DataChunk> chunks = good;
        const size_t which = targets[size_t(testsupport::Rand32() % targets.size())];
        chunks[which].bytes = testsupport::Damage(good[which].bytes, round);
        std::string log;
        const int status = run(chunks, &log);
        ASSERT_TRUE(status == 0 || status == 1) << "round " << round << "\n" << log;
        const bool damaged = log.find("language.dat is damaged: ") != std::string::npos;
        EXPECT_EQ(status == 1, damaged) << "round " << round << "\n" << log;
        refused += status == 1;
    });
    EXPECT_GE(rounds, 8);
    EXPECT_GT(refused, 0) << "some damage was found";
}

// A per-user folder that cannot be made, or whose path is too long, gives way
// to "Profiles" beside the data, which then holds the log, the lock and the
// settings; when that cannot be made either the program says so and stops.
TEST(StartUp, AnUnusablePerUserFolderGivesWayToProfilesBesideTheData) {
    struct Case {
        const char* name;
        bool homeIsFile;
        bool longHome;
        bool profilesIsFile;
    };
    const Case cases[] = {
        {"the folder's parent is a file", true, false, false},
        {"the folder's path is too long", false, true, false},
        {"neither can be made", true, false, true},
    };
    for (const Case& c : cases) {
        GameCopy game;
        if (c.homeIsFile) {
            ASSERT_TRUE(testsupport::WriteFileBytes(game.File("home-file"), "x"));
            game.SetHome(game.File("home-file"));
        }
        if (c.longHome) game.SetHome(game.File(std::string(120, 'a') + "/" + std::string(120, 'b')));
        const std::string profiles = game.Game() + "/Data/Profiles";
        if (c.profilesIsFile) {
            ASSERT_TRUE(testsupport::WriteFileBytes(profiles, "x"));
        }

        std::string output;
        const int status = testsupport::RunCommand(Bounded(game.Command("--headless --frames 5")), &output);
        if (c.profilesIsFile) {
            EXPECT_EQ(status, 1) << c.name << "\n" << output;
            EXPECT_NE(output.find("Neither the per-user folder nor the folder \"Profiles\""),
                      std::string::npos)
                << output;
            EXPECT_NE(output.find(profiles + ": it cannot be created"), std::string::npos) << output;
            continue;
        }
        EXPECT_EQ(status, 0) << c.name << "\n" << output;
        const std::string log = testsupport::ReadFileBytes(profiles + "/log.txt");
        EXPECT_NE(log.find("Per-user folder not used"), std::string::npos) << c.name << "\n" << log;
        EXPECT_NE(log.find("LOG FINISHED."), std::string::npos) << c.name;
        EXPECT_TRUE(fs::is_regular_file(profiles + "/config.dat")) << c.name;
        EXPECT_TRUE(fs::is_regular_file(profiles + "/Verbolunde.lock")) << c.name;
        EXPECT_FALSE(fs::exists(game.User())) << c.name;
    }
}

// Folder names are bytes: program and per-user folders named in invalid UTF-8, or with a backslash, are used
// as they stand: the Data folder is found, the player made before is read and stays current, the log and the
// lock are in the per-user folder, no other folder is made. Without its Data folder the program names it.
// A missing per-user folder is made under its own name beside one that differs only in case ("CASE").
TEST(StartUp, FolderNamesThatAreNotUtf8AreUsedAsTheyStand) {
    for (const std::string bytes : {"\xE9", "\xFF", "a\xC3(b", "back\\slash\\dir", "CASE"}) {
        SCOPED_TRACE(bytes);
        const bool cased = bytes == "CASE";
        GameCopy game;
        game.RenameGame("game-" + bytes);
        game.SetHome(game.File("home-" + bytes));
        testplayers::MakePlayer(cased ? game.File("home-case/Quenmoor/Verbolunde") : game.User(), u"vera");
        std::string output;
        EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 5")), &output), 0)
            << output;
        const std::vector<std::string> read = testsupport::LogLines(game.Log(), "Profiles");
        ASSERT_FALSE(read.empty()) << game.Log();
        EXPECT_TRUE(EndsWith(read.back(), cased ? " 0 read" : " 1 read")) << read.back();
        EXPECT_EQ(testplayers::StoredCurrent(game.User()).value_or(ProfileRecord{}).number, cased ? 0u : 1u);
        EXPECT_TRUE(fs::is_regular_file(game.User() + "/Verbolunde.lock"));
        std::vector<std::string> made;
        for (const auto& entry : fs::directory_iterator(game.Root()))
            made.push_back(entry.path().filename().string());
        std::sort(made.begin(), made.end());
        std::erase(made, "home-case");
        EXPECT_EQ(made, (std::vector<std::string>{"game-" + bytes, "home-" + bytes}));
        fs::rename(game.Game() + "/Data", game.Game() + "/Data-moved");
        EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless")), &output), 1);
        EXPECT_NE(output.find("beside the program is missing: " + game.Game() + "/Data\n"),
                  std::string::npos);
    }
}

// A folder, pipe or link at a name of the game's files is set aside at the start, and logged; the game goes
// on (status 0, not 3). An entry no file of the game is named (a write probe's name, other letters) stays.
TEST(StartUp, NonFilesAtTheGamesNamesAreSetAsideAndOtherEntriesLeftAlone) {
    const std::pair<std::string, std::string> cases[] = {
        {"Verbolunde.lock", "folder"}, {"Verbolunde.lock", "link"},  {"Verbolunde.lock", "hardlink"},
        {"log.txt", "folder"},         {"config.dat", "pipe"},       {"config.dat.bak", "link"},
        {"profile1.dat.bak", "link"},  {"records1.txt.bak", "pipe"}, {"write.tmp", "folder"},
        {"write.tmp", "link"},         {"PROFILE1.DAT.WIN", "file"}};
    for (const auto& [name, kind] : cases) {
        SCOPED_TRACE(name + " " + kind);
        GameCopy game;
        testplayers::MakePlayer(game.User(), u"vera");
        const std::string at = game.User() + "/" + name, kept = at + ".bad", notes = game.File("notes");
        const bool ours = name != "write.tmp" && kind != "file";
        ASSERT_EQ(kind == "folder" ? mkdir(at.c_str(), 0700)
                  : kind == "pipe" ? mkfifo(at.c_str(), 0600)
                  : kind == "link" ? symlink("nowhere", at.c_str())
                  : kind == "hardlink"
                      ? int(!testsupport::WriteFileBytes(notes, "mine")) + link(notes.c_str(), at.c_str())
                      : int(!testsupport::WriteFileBytes(at, "mine")),
                  0);
        std::string output;
        EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 20")), &output), 0)
            << output;
        const std::string log = game.Log();
        EXPECT_NE(log.find("LOG FINISHED."), std::string::npos) << output;
        EXPECT_EQ(log.find(at + " is not a file of the game; it is set aside as " + kept) !=
                      std::string::npos,
                  ours);
        EXPECT_TRUE(fs::exists(fs::symlink_status(ours ? kept : at)));
        EXPECT_TRUE(kind != "file" || testsupport::ReadFileBytes(at) == "mine");
        EXPECT_TRUE(kind != "hardlink" || testsupport::ReadFileBytes(notes) == "mine") << "through the link";
    }
    // The player's own files the game may not open are set aside (settings never written over unread), 100
    // probe names taken leave the folder in use, and a config.ini over its cap is logged.
    GameCopy game;
    testplayers::MakePlayer(game.User(), u"vera");
    const std::string user = game.User() + "/";
    for (const char* name : {"Verbolunde.lock", "log.txt", "config.dat"})
        ASSERT_TRUE(testsupport::WriteFileBytes(user + name, "mine") && !chmod((user + name).c_str(), 0));
    for (int n = 1; n <= 100; ++n)
        fs::create_directory(user + "write" + (n > 1 ? std::to_string(n) : "") + ".tmp");
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", std::string((1 << 20) + 1, ';')));
    game.RunAsOrdinaryUser();
    std::string output;
    EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 20")), &output), 0) << output;
    for (const std::string& told : std::vector<std::string>{
             user + "Verbolunde.lock cannot be opened; it is set aside as",
             "log.txt cannot be written; it is set aside as",
             "it cannot be read; it is set aside as " + user + "config.dat.bad", "config.ini ignored"})
        EXPECT_NE(game.Log().find(told), std::string::npos) << told << "\n" << game.Log();
    // A root's folder at the lock's name in a sticky folder of root's is named, not taken for another copy.
    ASSERT_TRUE(fs::remove(user + "Verbolunde.lock") && !chown(user.c_str(), 0, 0) &&
                !chmod(user.c_str(), 01777) && fs::create_directory(user + "Verbolunde.lock"));
    EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 20")), &output), 1);
    EXPECT_NE(output.find(user + "Verbolunde.lock is taken by an entry that is not the game's"), output.npos)
        << output;
}

// SIGTERM, SIGINT and SIGHUP close the main window: the program shuts down in
// order and exits with status 0, the log ending with "LOG FINISHED.".
TEST(StartUp, TerminationSignalsCloseTheWindowAndShutDownInOrder) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        GameCopy game;
        const std::string command = "exec " + game.Command("--headless");
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Wait until the game has reached the screen after loading.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (game.Log().find("-> 0x00000006") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_NE(game.Log().find("-> 0x00000006"), std::string::npos) << game.Log();
        kill(pid, signal);
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (done == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "signal " << signal << " did not end the program";
            continue;
        }
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << signal << " killed the program";
        EXPECT_EQ(WEXITSTATUS(status), 0);
        const std::string log = game.Log();
        EXPECT_NE(log.find("the main window is closed"), std::string::npos) << log;
        EXPECT_NE(log.find("-> 0xFFFFFFFF"), std::string::npos) << log; // the quit state ran
        EXPECT_TRUE(EndsWith(log, "LOG FINISHED.\n") || EndsWith(log, "LOG FINISHED.")) << log;
        EXPECT_TRUE(fs::is_regular_file(game.User() + "/config.dat"));
    }
}

// The paths of the command line name files from the folder the program was
// started in, not from its Data folder.
TEST(StartUp, CommandLinePathsAreTakenFromTheStartingFolder) {
    GameCopy game;
    const std::string start = game.File("start");
    fs::create_directories(start + "/sub");
    ASSERT_TRUE(
        testsupport::WriteFileBytes(start + "/sub/script.txt", "100 key down ESCAPE\n150 key up ESCAPE\n"));
    fs::copy_file(game.Game() + "/Data/language.dat", start + "/sub/mine.dat");
    std::string output;
    const int status = testsupport::RunCommand(
        "cd '" + start + "' && " +
            Bounded(
                game.Command("--headless --frames 20 --input-script sub/script.txt --screenshot sub/shot.png "
                             "-lang sub/mine.dat")),
        &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_TRUE(fs::is_regular_file(start + "/sub/shot.png")) << output;
    EXPECT_FALSE(fs::exists(game.Game() + "/Data/sub/shot.png"));
    EXPECT_NE(game.Log().find("start\\sub\\mine.dat"), std::string::npos) << game.Log();
}

// Without Debian's package tools the dependency check asks the PATH and pkg-config, naming what is missing.
TEST(StartUp, TheDependencyCheckWithoutPackageToolsNamesWhatIsMissing) {
    testsupport::TempDir bin;
    for (const auto& entry : fs::directory_iterator("/usr/bin"))
        if (entry.path().filename() != "apt-get" && entry.path().filename() != "dpkg-query")
            fs::create_symlink(entry.path(), bin.File(entry.path().filename().string()));
    const std::string deps = "PATH='" + bin.Path().string() + "' bash " VB_SOURCE_DIR "/tools/deps.sh";
    std::string output, missing;
    EXPECT_EQ(testsupport::RunCommand(deps + " --game", &output), 0) << output;
    fs::remove(bin.File("pkg-config"));
    EXPECT_EQ(testsupport::RunCommand(deps, &missing), 1) << missing;
    EXPECT_NE(missing.find("the program pkg-config"), std::string::npos) << missing;
    // Without pkg-config its modules are named in the same round (here none is in the module folder).
    EXPECT_EQ(testsupport::RunCommand("PKG_CONFIG_LIBDIR=/none " + deps, &missing), 1);
    EXPECT_NE(missing.find("the library sdl2 (pkg-config module)"), std::string::npos) << missing;
    // With Debian's tools, here ones that install nothing and write down what apt-get is asked for, `--game`
    // asks for none of the tests' packages, the plain run for all.
    const std::string asked = bin.File("asked");
    testsupport::RunCommand("cd " + bin.Path().string() + " && rm -f sudo && echo 'exit 1' >dpkg-query && " +
                                "echo 'exec \"$@\"' >sudo && echo 'echo \"$@\" >>" + asked +
                                "' >apt-get && chmod +x dpkg-query sudo apt-get",
                            &output);
    for (const bool game : {true, false}) {
        fs::remove(asked);
        testsupport::RunCommand(deps + (game ? " --game" : ""), &output);
        for (const char* test : {"libgtest-dev", "libbenchmark-dev", "clang-format", " lld", " make"})
            EXPECT_EQ(testsupport::ReadFileBytes(asked).find(test) == std::string::npos, game) << test;
    }
}

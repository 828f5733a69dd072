// Runs the built game headless from a copy of the program and its Data
// folder, with its own per-user folder, and reads what it leaves behind.
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/ImageDecode.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string BuiltProgramFolder() {
    const char* dir = std::getenv("VB_BINARY_DIR");
    return dir ? std::string(dir) + "/app" : std::string();
}

// Runs the command through the shell; its exit status, with stdout and stderr captured.
int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        *output += buffer;
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A copy of the game in a fresh folder: the program, its Data folder, and a
// per-user folder of its own.
class GameCopy {
public:
    GameCopy() {
        const std::string built = BuiltProgramFolder();
        EXPECT_FALSE(built.empty()) << "VB_BINARY_DIR is not set";
        fs::create_directories(Game());
        fs::copy_file(built + "/verbolunde", Game() + "/verbolunde");
        fs::copy(built + "/Data", Game() + "/Data", fs::copy_options::recursive);
    }
    std::string Game() const { return dir_.File("game"); }
    std::string User() const { return dir_.File("home") + "/Quenmoor/Verbolunde"; }
    std::string Log() const { return testsupport::ReadFileBytes(User() + "/log.txt"); }
    std::string File(const std::string& name) const { return dir_.File(name); }
    std::string Command(const std::string& arguments) const {
        return "env XDG_DATA_HOME='" + dir_.File("home") + "' '" + Game() + "/verbolunde' " + arguments;
    }
    int Run(const std::string& arguments, std::string* output) const { return RunCommand(Command(arguments), output); }

private:
    testsupport::TempDir dir_;
};

// The game states in the order the log records their changes.
std::vector<std::string> StateChanges(const std::string& log) {
    std::vector<std::string> states;
    std::regex line("Game state +0x([0-9A-F]{8}) -> 0x([0-9A-F]{8})");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        states.push_back((*it)[2]);
    return states;
}

std::vector<double> ProgressValues(const std::string& log) {
    std::vector<double> values;
    std::regex line("Loading progress +([0-9.]+)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        values.push_back(std::stod((*it)[1]));
    return values;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The screen-parameter words of a config.dat, empty when it is not a valid one.
std::vector<uint32_t> ConfigScreenWords(const std::string& path) {
    kis::DataFileReaderW reader(0x73DA7BBB, 0xC04F19F1, 1);
    std::vector<uint32_t> words;
    uint8_t bytes[28], sound[16];
    if (!reader.Open(platform::Utf8ToUtf16(path).c_str()) || !reader.OpenChunk(0xF1E2D3C4, 1) ||
        !reader.Read(bytes, 28) || !reader.CloseChunk() || !reader.OpenChunk(0x5004D1DF, 1) ||
        !reader.Read(sound, 16) || !reader.CloseChunk())
        return words;
    for (int i = 0; i < 7; ++i)
        words.push_back(kis::LoadLE32(bytes + 4 * i));
    return words;
}

} // namespace

TEST(Verbolunde, HeadlessRunGoesFromTheLogosThroughLoadingToTheFinishedScreen) {
    GameCopy game;
    const std::string png = game.File("last.png");
    std::string output;
    ASSERT_EQ(game.Run("--headless --frames 320 --screenshot '" + png + "'", &output), 0) << output;

    const std::string log = game.Log();
    const std::vector<std::string> expected = {"00000001", "80000002", "00000006", "FFFFFFFF"};
    EXPECT_EQ(StateChanges(log), expected) << log;
    EXPECT_EQ(log.find("Logos skipped"), std::string::npos);

    const std::vector<double> progress = ProgressValues(log);
    ASSERT_GE(progress.size(), 4u) << log;
    EXPECT_EQ(progress.front(), 0.0);
    EXPECT_EQ(progress.back(), 1.0);
    for (size_t i = 1; i < progress.size(); ++i)
        EXPECT_GT(progress[i], progress[i - 1]) << "value " << i;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED.")) << log;
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat").size(), 7u);

    // The last frame is the plain screen: white text in the middle, no bar.
    std::ifstream file(png, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    platform::DecodedPicture picture;
    std::string error;
    ASSERT_TRUE(platform::DecodePicture(bytes.data(), bytes.size(), &picture, &error)) << error;
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    int lit = 0;
    for (int y = 290; y < 330; ++y)
        for (int x = 250; x < 550; ++x)
            lit += (picture.pixels[size_t(y) * 800 + size_t(x)] & 0xFFFFFF) == 0xFFFFFF;
    EXPECT_GT(lit, 50);
    for (int x = 200; x < 600; x += 10)
        EXPECT_EQ(picture.pixels[480 * 800 + size_t(x)] & 0xFFFFFF, 0u) << x;
}

TEST(Verbolunde, AClickSkipsTheLogos) {
    GameCopy game;
    const std::string script = game.File("click.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, "40 mouse move 400 300\n60 mouse down left\n80 mouse up left\n"));
    std::string output;
    ASSERT_EQ(game.Run("--headless --frames 40 --input-script '" + script + "'", &output), 0) << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Logos skipped by a click."), std::string::npos) << log;
    const std::vector<std::string> states = StateChanges(log);
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states[0], "00000001");
    EXPECT_EQ(states[1], "80000002");
}

TEST(Verbolunde, FocusAndMinimisingChangeTheActivationLevel) {
    GameCopy game;
    const std::string script = game.File("focus.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, "100 focus lost\n200 minimise\n400 restore\n500 focus gained\n"
                                                    "700 close\n"));
    std::string output;
    ASSERT_EQ(game.Run("--headless --input-script '" + script + "'", &output), 0) << output;
    const std::string log = game.Log();
    std::vector<std::string> changes;
    std::regex line("Activation +([a-z]+ -> [a-z]+)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        changes.push_back((*it)[1]);
    const std::vector<std::string> expected = {"active -> inactive", "inactive -> minimised",
                                               "minimised -> active"};
    EXPECT_EQ(changes, expected) << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED."));
}

TEST(Verbolunde, ASecondStartRaisesTheFirstWindowAndEndsWithStatus9) {
    GameCopy game;
    const std::string script = game.File("close.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, "2500 close\n"));
    std::string firstOutput;
    int firstStatus = -1;
    std::thread first([&] {
        firstStatus = game.Run("--headless --input-script '" + script + "'", &firstOutput);
    });
    // Waits until the first copy shows its logos.
    for (int i = 0; i < 400 && StateChanges(game.Log()).empty(); ++i)
        usleep(10000);
    ASSERT_FALSE(StateChanges(game.Log()).empty()) << game.Log();

    std::string output;
    EXPECT_EQ(game.Run("--headless --frames 5", &output), 9) << output;
    EXPECT_NE(output.find("already running"), std::string::npos) << output;
    first.join();
    EXPECT_EQ(firstStatus, 0) << firstOutput;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Another start of the program: the window is restored and raised."), std::string::npos)
        << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED."));
}

TEST(Verbolunde, ConfigIniOverridesConfigDatWhichIsKeptForTheNextStart) {
    GameCopy game;
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=1024,768\n[Game]\nCheats=1\n[Path]\nLanguage=ini.dat\n"));
    std::string output;
    ASSERT_EQ(game.Run("--headless --frames 2 -lang cmd.dat", &output), 0) << output;
    std::string log = game.Log();
    EXPECT_NE(log.find("Language file               cmd.dat"), std::string::npos) << log;
    EXPECT_NE(log.find("Cheats                      on"), std::string::npos);
    EXPECT_NE(log.find("1024 x 768"), std::string::npos);
    std::vector<uint32_t> words = ConfigScreenWords(game.User() + "/config.dat");
    ASSERT_EQ(words.size(), 7u);
    EXPECT_EQ(words[1], 1024u);
    EXPECT_EQ(words[2], 768u);

    output.clear();
    ASSERT_EQ(game.Run("--headless --frames 2", &output), 0) << output;
    EXPECT_NE(game.Log().find("Language file               ini.dat"), std::string::npos) << game.Log();

    // Without config.ini the saved window size comes back from config.dat,
    // and the language is language.dat.
    fs::remove(game.Game() + "/config.ini");
    output.clear();
    ASSERT_EQ(game.Run("--headless --frames 2", &output), 0) << output;
    log = game.Log();
    EXPECT_NE(log.find("Language file               language.dat"), std::string::npos) << log;
    EXPECT_NE(log.find("1024 x 768"), std::string::npos) << log;
    EXPECT_NE(log.find("Cheats                      off"), std::string::npos);
}

TEST(Verbolunde, DamagedPacksGiveADataErrorAndExitCode1) {
    GameCopy game;
    std::string output;
    ASSERT_EQ(game.Run("--headless --frames 2", &output), 0) << output;
    const std::vector<uint32_t> saved = ConfigScreenWords(game.User() + "/config.dat");
    ASSERT_EQ(saved.size(), 7u);

    // A data pack whose directory is cut off cannot be opened.
    const std::string dataPack = game.Game() + "/Data/Data.dat";
    const std::string goodData = testsupport::ReadFileBytes(dataPack);
    ASSERT_TRUE(testsupport::WriteFileBytes(dataPack, goodData.substr(0, goodData.size() - 6)));
    output.clear();
    EXPECT_EQ(game.Run("--headless --frames 30", &output), 1) << output;
    EXPECT_NE(output.find("Data error!"), std::string::npos) << output;
    EXPECT_NE(game.Log().find("ERROR! Data error!"), std::string::npos) << game.Log();
    EXPECT_TRUE(EndsWith(game.Log(), "LOG FINISHED."));
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat"), saved);
    ASSERT_TRUE(testsupport::WriteFileBytes(dataPack, goodData));

    // A music record claiming more bytes than its chunk holds stops the loading.
    const std::string soundPack = game.Game() + "/Data/Sounds.dat";
    uint32_t musicOffset = 0;
    {
        kis::DataFileReaderW reader(0xDF17EFA2, 0x6A3E5084, 1);
        ASSERT_TRUE(reader.Open(platform::Utf8ToUtf16(soundPack).c_str()));
        for (const kis::DataFileEntry& entry : reader.GetRoot().entries)
            if (entry.id == 0x4D555343)
                musicOffset = entry.offset;
    }
    ASSERT_NE(musicOffset, 0u);
    std::string sounds = testsupport::ReadFileBytes(soundPack);
    uint8_t huge[4];
    kis::StoreLE32(huge, 0x7FFFFFF0);
    sounds.replace(musicOffset + 4, 4, reinterpret_cast<const char*>(huge), 4);
    ASSERT_TRUE(testsupport::WriteFileBytes(soundPack, sounds));
    const std::string script = game.File("click.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, "20 mouse move 400 300\n30 mouse down left\n40 mouse up left\n"));
    output.clear();
    EXPECT_EQ(game.Run("--headless --frames 60 --input-script '" + script + "'", &output), 1) << output;
    EXPECT_NE(output.find("Data error!"), std::string::npos) << output;
    const std::string log = game.Log();
    const std::vector<std::string> states = StateChanges(log);
    ASSERT_GE(states.size(), 2u) << log;
    EXPECT_EQ(states[1], "80000002");
    EXPECT_EQ(states.back(), "FFFFFFFF");
    EXPECT_NE(log.find("ERROR! Data error!"), std::string::npos) << log;
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat"), saved);
}

TEST(Verbolunde, AFontChunkWithAWrongCountIsADataError) {
    GameCopy game;
    const std::string dataPack = game.Game() + "/Data/Data.dat";
    uint32_t fontOffset = 0;
    {
        kis::DataFileReaderW reader(0xBAE13676, 0x74BFFE7D, 1);
        ASSERT_TRUE(reader.Open(platform::Utf8ToUtf16(dataPack).c_str()));
        for (const kis::DataFileEntry& entry : reader.GetRoot().entries)
            if (entry.id == 0x464F4E54) // 'FONT'
                fontOffset = entry.offset;
    }
    ASSERT_NE(fontOffset, 0u);
    std::string bytes = testsupport::ReadFileBytes(dataPack);
    bytes[fontOffset] = 4; // four fonts where the game has five
    ASSERT_TRUE(testsupport::WriteFileBytes(dataPack, bytes));
    const std::string script = game.File("click.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, "20 mouse down left\n30 mouse up left\n"));
    std::string output;
    EXPECT_EQ(game.Run("--headless --frames 80 --input-script '" + script + "'", &output), 1) << output;
    EXPECT_NE(output.find("Data error!"), std::string::npos) << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Loading the fonts failed."), std::string::npos) << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED."));
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat").size(), 7u);
}

TEST(Verbolunde, PlayUrlIsOpenedAtTheEndOnlyForAWebAddress) {
    GameCopy game;
    // A stand-in for the desktop's opener that records its arguments.
    const std::string bin = game.File("bin");
    fs::create_directories(bin);
    const std::string opened = game.File("opened.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        bin + "/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + opened + "'; done\n"));
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    const std::string path = "PATH='" + bin + "':\"$PATH\" ";

    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/play.url",
                                            "[InternetShortcut]\r\nURL=https://example.org/farm?a=1&b=2\r\n"));
    std::string output;
    ASSERT_EQ(RunCommand(path + game.Command("--headless --frames 2"), &output), 0) << output;
    EXPECT_EQ(testsupport::ReadFileBytes(opened), "https://example.org/farm?a=1&b=2\n");

    fs::remove(opened);
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/play.url", "file:///etc/passwd\n"));
    ASSERT_EQ(RunCommand(path + game.Command("--headless --frames 2"), &output), 0) << output;
    EXPECT_FALSE(fs::exists(opened));
}

TEST(Verbolunde, WithoutDisplaySaysSoAndFails) {
    GameCopy game;
    std::string output;
    int status = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + game.Command("--frames 3"),
                            &output);
    EXPECT_NE(status, 0);
    EXPECT_NE(output.find("--headless"), std::string::npos) << output;
}

// Runs the built game headless from a copy of the program and its Data
// folder, with its own per-user folder, and reads what it leaves behind.
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/ImageDecode.h"
#include "platform/Utf.h"
#include "tests/support/GameCopy.h"
#include "tests/support/Pattern.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

using testsupport::StateChanges;

namespace {

using testsupport::BuiltProgramFolder;
using testsupport::GameCopy;
using testsupport::RunCommand;
using testsupport::RunScript;

std::vector<double> ProgressValues(const std::string& log) {
    std::vector<double> values;
    for (const auto& progress : testsupport::Pattern("Loading progress +([0-9.]+)").FindAll(log))
        values.push_back(std::stod(progress[1]));
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

// A click that skips the logos, so that the game data loads.
constexpr char kSkipLogos[] = "20 mouse down left\n120 mouse up left\n";

// Where the last root chunk of the id starts in the pack; 0 when it has none.
uint32_t RootChunkOffset(const std::string& pack, uint32_t type, uint32_t version, uint32_t id) {
    kis::DataFileReaderW reader(type, version, 1);
    uint32_t offset = 0;
    if (reader.Open(platform::Utf8ToUtf16(pack).c_str()))
        for (const kis::DataFileEntry& entry : reader.GetRoot().entries)
            if (entry.id == id) offset = entry.offset;
    return offset;
}

// ---------------------------------------------------------------- the screen after loading

platform::DecodedPicture ReadScreenshot(const std::string& png) {
    testsupport::Shot shot = testsupport::LoadShot(png);
    EXPECT_TRUE(shot.ok) << shot.error;
    return std::move(shot.picture);
}

struct Rgb {
    int r, g, b;
};
Rgb At(const platform::DecodedPicture& p, int x, int y) {
    const uint32_t c = p.pixels[size_t(y) * size_t(p.width) + size_t(x)];
    return {int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF)};
}
// Text in the fonts' own colour.
bool White(Rgb c) {
    return c.r > 200 && c.g > 200 && c.b > 200;
}
// The markup's colour, the coin and the digits: yellow to orange.
bool Golden(Rgb c) {
    return c.r > 150 && c.g > 100 && c.b < 140 && c.r - c.b > 90;
}
// The girl's dress.
bool Pink(Rgb c) {
    return c.r > 150 && c.g < 120 && c.b > 70 && c.b < 150;
}
// Anything drawn on the black background.
bool Lit(Rgb c) {
    return c.r + c.g + c.b > 30;
}

int Count(const platform::DecodedPicture& p, int left, int top, int right, int bottom, bool (*is)(Rgb)) {
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, p.height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, p.width); ++x)
            n += is(At(p, x, y));
    return n;
}

// The layout of the screen after loading on 800 x 600.
constexpr int kWalkArea[4] = {56, 120, 324, 330}; // the girl's round with her size around it
constexpr int kEffectX[4] = {440, 535, 630, 725};
constexpr int kEffectY = 225, kEffectLabelY = 280;
constexpr int kCounterX = 410, kCounterY = 450; // first digit cell
constexpr int kDigitCell = 16;                  // 14 pixels and a gap of 2

void ExpectLayerShowcase(const platform::DecodedPicture& p) {
    // "Loading finished" in the language's caption font, and the hint line below it.
    EXPECT_GT(Count(p, 250, 35, 550, 65, White), 50);
    EXPECT_GT(Count(p, 100, 88, 700, 115, White), 200);
    EXPECT_EQ(Count(p, 0, 0, 800, 130, Golden), 0);

    // The pack's sprites: the girl in her pink dress on her round left of
    // the middle, the four effect sprites in a row right of it with their
    // labels below, and nothing of them below the labels.
    EXPECT_GT(Count(p, kWalkArea[0], kWalkArea[1], kWalkArea[2], kWalkArea[3], Pink), 60);
    for (int x : kEffectX) {
        EXPECT_GT(Count(p, x - 50, kEffectY - 30, x + 50, kEffectY + 30, Lit), 40) << x;
        EXPECT_GT(Count(p, x - 45, kEffectLabelY, x + 45, kEffectLabelY + 20, White), 20) << x;
    }
    EXPECT_EQ(Count(p, 380, 310, 800, 355, Lit), 0);

    // The markup line: white and golden words and, at its right end, the coin
    // (a filled golden disk, where a word has only thin strokes).
    EXPECT_GT(Count(p, 100, 365, 700, 395, White), 100);
    EXPECT_GT(Count(p, 100, 365, 700, 395, Golden), 100);
    int coinRight = 0;
    for (int x = 100; x < 700; ++x)
        if (Count(p, x, 365, x + 1, 395, Golden) > 0) coinRight = x;
    EXPECT_GT(Count(p, coinRight - 15, 365, coinRight + 1, 395, Golden), 120);

    // "Clicks:" left of the middle, the digits right of it; nothing below.
    EXPECT_GT(Count(p, 300, 445, 400, 478, White), 80);
    EXPECT_GT(Count(p, kCounterX, kCounterY, kCounterX + 3 * kDigitCell, kCounterY + 22, Golden), 150);
    EXPECT_EQ(Count(p, 0, 490, 800, 600, White) + Count(p, 0, 490, 800, 600, Golden), 0);
}

// The digits the counter shows, read from their seven segments.
std::string ShownDigits(const platform::DecodedPicture& p) {
    // The middle of each segment in its 14 x 22 cell: top, top right,
    // bottom right, bottom, bottom left, top left, middle.
    static const int kSegmentAt[7][2] = {{7, 1}, {12, 6}, {12, 16}, {7, 20}, {1, 16}, {1, 6}, {7, 11}};
    static const uint8_t kDigits[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    std::string shown;
    for (int cell = 0; cell < 3; ++cell) {
        uint8_t lit = 0;
        for (int s = 0; s < 7; ++s)
            if (Golden(At(p, kCounterX + cell * kDigitCell + kSegmentAt[s][0], kCounterY + kSegmentAt[s][1])))
                lit |= uint8_t(1u << s);
        const uint8_t* digit = std::find(kDigits, kDigits + 10, lit);
        shown += digit == kDigits + 10 ? '?' : char('0' + (digit - kDigits));
    }
    return shown;
}

} // namespace

TEST(Verbolunde, HeadlessRunGoesFromTheLogosThroughLoadingToTheLayerShowcase) {
    GameCopy game;
    const std::string png = game.File("last.png");
    std::string output;
    ASSERT_EQ(game.RunShowcase("--headless --frames 480 --screenshot '" + png + "'", &output), 0) << output;

    const std::string log = game.Log();
    const std::vector<std::string> expected = {"00000001", "80000002", "00000006", "FFFFFFFF"};
    EXPECT_EQ(StateChanges(log), expected) << log;
    EXPECT_EQ(log.find("Logos skipped"), std::string::npos);

    const std::vector<double> progress = ProgressValues(log);
    ASSERT_GE(progress.size(), 4u) << log;
    EXPECT_EQ(progress.front(), 0.0);
    EXPECT_EQ(progress.back(), 1.0);
    // The bar never goes back; values are logged to three places, so small
    // steps of a long stage may repeat one.
    for (size_t i = 1; i < progress.size(); ++i)
        EXPECT_GE(progress[i], progress[i - 1]) << "value " << i;
    EXPECT_GT(std::set<double>(progress.begin(), progress.end()).size(), progress.size() / 2);
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED.")) << log;
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat").size(), 7u);

    // The last frame is the screen after loading, with no click counted yet.
    const platform::DecodedPicture picture = ReadScreenshot(png);
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    ExpectLayerShowcase(picture);
    EXPECT_EQ(ShownDigits(picture), "000");
}

// The girl walks, the effects run and the particles drift: two runs that stop
// at different frames show the showcase differently, and the text the same.
TEST(Verbolunde, TheScreenAfterLoadingMovesAsTimeGoesOn) {
    GameCopy game;
    const std::string early = game.File("early.png"), late = game.File("late.png");
    std::string output;
    ASSERT_EQ(game.RunShowcase("--headless --frames 480 --screenshot '" + early + "'", &output), 0) << output;
    ASSERT_EQ(game.RunShowcase("--headless --frames 540 --screenshot '" + late + "'", &output), 0) << output;
    const platform::DecodedPicture a = ReadScreenshot(early), b = ReadScreenshot(late);
    ASSERT_EQ(a.pixels.size(), b.pixels.size());
    ExpectLayerShowcase(a);
    ExpectLayerShowcase(b);
    auto differing = [&](int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += a.pixels[size_t(y) * size_t(a.width) + size_t(x)] !=
                     b.pixels[size_t(y) * size_t(b.width) + size_t(x)];
        return n;
    };
    EXPECT_GT(differing(kWalkArea[0], kWalkArea[1], kWalkArea[2], kWalkArea[3]), 200);
    EXPECT_GT(differing(380, 190, 780, 260), 100);
    EXPECT_EQ(differing(0, 0, 800, 120), 0);
}

TEST(Verbolunde, AClickSkipsTheLogos) {
    GameCopy game;
    std::string output;
    ASSERT_EQ(RunScript(game, "click", "40 mouse move 400 300\n60 mouse down left\n160 mouse up left\n",
                        "--frames 40", &output),
              0)
        << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Logos skipped by a click."), std::string::npos) << log;
    const std::vector<std::string> states = StateChanges(log);
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states[0], "00000001");
    EXPECT_EQ(states[1], "80000002");
}

// Lines of the log that start with the label, in order.
std::vector<std::string> LogLines(const std::string& log, const std::string& label) {
    std::vector<std::string> lines;
    for (const auto& line : testsupport::Pattern("(^|\n)" + label + " +([^\r\n]*)").FindAll(log))
        lines.push_back(line[2]);
    return lines;
}

TEST(Verbolunde, OnTheScreenAfterLoadingKeysAndClicksAreLoggedCountedAndHeard) {
    GameCopy game;
    // A click skips the logos; the rest comes once the game data is loaded.
    // Keys and buttons are held for 100 ms here, over several frames.
    const std::string events = "40 mouse move 400 300\n60 mouse down left\n160 mouse up left\n"
                               "5000 key down A\n5100 key up A\n"
                               "5150 mouse move 300 200\n5200 mouse down left\n5300 mouse up left\n"
                               "5400 mouse down left\n5500 mouse up left\n"
                               "5600 mouse down right\n5700 mouse up right\n6200 close\n";
    const std::string png = game.File("last.png");
    std::string output;
    ASSERT_EQ(RunScript(game, "input", events, "--screenshot '" + png + "'", &output), 0) << output;

    const std::string log = game.Log();
    const size_t finished = log.find("Loading finished; the showcase stands in for the main screen.");
    ASSERT_NE(finished, std::string::npos) << log;
    const std::string screen = log.substr(finished);
    // The arrow is shown from the loading on, and stays.
    EXPECT_EQ(LogLines(log, "Cursor"), std::vector<std::string>{"arrow (0x100) shown"}) << log;
    EXPECT_EQ(LogLines(screen, "Key pressed"),
              std::vector<std::string>{"0x1E (virtual key 0x41, modifiers 0x0)"})
        << log;
    const std::vector<std::string> clicks = {"left button at 300, 200 (click 1)",
                                             "left button double click at 300, 200 (click 2)",
                                             "right button at 300, 200 (click 3)"};
    EXPECT_EQ(LogLines(screen, "Mouse click"), clicks) << log;
    // Each click starts the "click" sample on a playback of its own.
    const std::vector<std::string> sounds = LogLines(screen, "Sound played");
    ASSERT_EQ(sounds.size(), 3u) << log;
    EXPECT_NE(sounds[0], sounds[1]);
    EXPECT_NE(sounds[1], sounds[2]);
    const testsupport::Pattern clickSound("click \\(playback 0x[0-9A-F]{8}\\)");
    for (const std::string& sound : sounds)
        EXPECT_TRUE(clickSound.Matches(sound)) << sound;
    EXPECT_EQ(log.find("ERROR!"), std::string::npos) << log;

    const platform::DecodedPicture picture = ReadScreenshot(png);
    ASSERT_EQ(picture.width, 800);
    ExpectLayerShowcase(picture);
    EXPECT_EQ(ShownDigits(picture), "003");
}

// Presses released at the same millisecond, as a touchpad tap or a fast key
// gives them, count as fully as held ones.
TEST(Verbolunde, QuickClicksAndKeyTapsAreNeverLost) {
    GameCopy game;
    const std::string events = "40 mouse move 400 300\n60 mouse down left\n60 mouse up left\n"
                               "5000 key down A\n5000 key up A\n5000 key down B\n5000 key up B\n"
                               "5150 mouse move 300 200\n5200 mouse down left\n5200 mouse up left\n"
                               "5200 mouse down left\n5200 mouse up left\n"
                               "5600 mouse down right\n5600 mouse up right\n"
                               "5800 mouse down left\n5800 mouse up left\n6200 close\n";
    const std::string png = game.File("last.png");
    std::string output;
    ASSERT_EQ(RunScript(game, "taps", events, "--screenshot '" + png + "'", &output), 0) << output;

    const std::string log = game.Log();
    EXPECT_NE(log.find("Logos skipped by a click."), std::string::npos) << log;
    const size_t finished = log.find("Loading finished; the showcase stands in for the main screen.");
    ASSERT_NE(finished, std::string::npos) << log;
    const std::string screen = log.substr(finished);
    EXPECT_EQ(LogLines(screen, "Key pressed"),
              (std::vector<std::string>{"0x1E (virtual key 0x41, modifiers 0x0)",
                                        "0x30 (virtual key 0x42, modifiers 0x0)"}))
        << log;
    const std::vector<std::string> clicks = {
        "left button at 300, 200 (click 1)", "left button double click at 300, 200 (click 2)",
        "right button at 300, 200 (click 3)", "left button at 300, 200 (click 4)"};
    EXPECT_EQ(LogLines(screen, "Mouse click"), clicks) << log;
    EXPECT_EQ(ShownDigits(ReadScreenshot(png)), "004");
}

TEST(Verbolunde, EscapeOnTheScreenAfterLoadingQuits) {
    GameCopy game;
    // Without the quit, the later key would be logged and the frames would
    // run out only after a minute.
    const std::string events = "40 mouse down left\n140 mouse up left\n"
                               "5000 key down ESCAPE\n5100 key up ESCAPE\n"
                               "5500 key down B\n5600 key up B\n";
    std::string output;
    ASSERT_EQ(RunScript(game, "escape", events, "--frames 4000", &output), 0) << output;
    const std::string log = game.Log();
    EXPECT_EQ(LogLines(log, "Key pressed"),
              std::vector<std::string>{"0x01 (virtual key 0x1B, modifiers 0x0)"})
        << log;
    const std::vector<std::string> expected = {"00000001", "80000002", "00000006", "FFFFFFFF"};
    EXPECT_EQ(StateChanges(log), expected) << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED."));
}

TEST(Verbolunde, FocusAndMinimisingChangeTheActivationLevel) {
    GameCopy game;
    std::string output;
    ASSERT_EQ(RunScript(game, "focus",
                        "100 focus lost\n200 minimise\n400 restore\n500 focus gained\n700 close\n", "",
                        &output),
              0)
        << output;
    const std::string log = game.Log();
    std::vector<std::string> changes;
    for (const auto& change : testsupport::Pattern("Activation +([a-z]+ -> [a-z]+)").FindAll(log))
        changes.push_back(change[1]);
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
    // The first copy keeps the wall clock, so that it is still running when the second starts.
    std::thread first([&] {
        firstStatus = game.RunShowcase("--headless --realtime --input-script '" + script + "'", &firstOutput);
    });
    // Waits until the first copy shows its logos.
    for (int i = 0; i < 400 && StateChanges(game.Log()).empty(); ++i)
        usleep(10000);
    ASSERT_FALSE(StateChanges(game.Log()).empty()) << game.Log();

    std::string output;
    EXPECT_EQ(game.RunShowcase("--headless --frames 5", &output), 9) << output;
    EXPECT_NE(output.find("already running"), std::string::npos) << output;
    first.join();
    EXPECT_EQ(firstStatus, 0) << firstOutput;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Another start of the program: the window is restored and raised."), std::string::npos)
        << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED."));
    // A lock held by a process that is no copy of the game stops a start too, and no window is claimed.
    const std::string lock = game.User() + "/Verbolunde.lock";
    const int held = open(lock.c_str(), O_RDWR);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(game.RunShowcase("--headless --frames 5", &output), 9) << output;
    EXPECT_NE(output.find(lock + " is held by a process that is not a running copy"), std::string::npos)
        << output;
    close(held);
}

TEST(Verbolunde, ConfigIniOverridesConfigDatWhichIsKeptForTheNextStart) {
    GameCopy game;
    ASSERT_TRUE(testsupport::WriteFileBytes(
        game.Game() + "/config.ini",
        "[Video]\nWindow=1024,768\n[Game]\nCheats=1\n[Path]\nLanguage=ini.dat\n"));
    // "-lang" names a file from the folder the program is started in, config.ini one of the Data folder.
    fs::create_directories(game.File("start"));
    fs::copy_file(game.Game() + "/Data/language.dat", game.File("start") + "/cmd.dat");
    fs::copy_file(game.Game() + "/Data/language.dat", game.Game() + "/Data/ini.dat");
    std::string output;
    ASSERT_EQ(RunCommand("cd '" + game.File("start") + "' && " +
                             game.ShowcaseCommand("--headless --frames 2 -lang cmd.dat"),
                         &output),
              0)
        << output;
    std::string log = game.Log();
    for (const char* part : {"start\\cmd.dat", "Cheats                      on", "1024 x 768"})
        EXPECT_NE(log.find(part), std::string::npos) << part << "\n" << log;
    std::vector<uint32_t> words = ConfigScreenWords(game.User() + "/config.dat");
    ASSERT_EQ(words.size(), 7u);
    EXPECT_EQ(words[1], 1024u);
    EXPECT_EQ(words[2], 768u);

    output.clear();
    ASSERT_EQ(game.RunShowcase("--headless --frames 2", &output), 0) << output;
    EXPECT_NE(game.Log().find("Language file               ini.dat"), std::string::npos) << game.Log();

    // Without config.ini the saved window size comes back from config.dat,
    // and the language is language.dat.
    fs::remove(game.Game() + "/config.ini");
    output.clear();
    ASSERT_EQ(game.RunShowcase("--headless --frames 2", &output), 0) << output;
    log = game.Log();
    EXPECT_NE(log.find("Language file               language.dat"), std::string::npos) << log;
    EXPECT_NE(log.find("1024 x 768"), std::string::npos) << log;
    EXPECT_NE(log.find("Cheats                      off"), std::string::npos);

    // Full screen keeps the desktop's own mode: the size saved from another desktop is passed over.
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nFullscreen=1\n"));
    ASSERT_EQ(game.RunShowcase("--headless --frames 2", &output), 0) << output; // saves 1920 x 1080
    ASSERT_EQ(game.RunShowcase("--headless --frames 2 --desktop 1280x720", &output), 0) << output;
    EXPECT_NE(game.Log().find("Display:                1280 x 720"), std::string::npos) << game.Log();
}

// Full screen draws what the window draws, at the screen's size: the screen
// after loading comes out pixel for pixel the same in both.
TEST(Verbolunde, FullScreenDrawsExactlyAsTheWindowDoes) {
    struct Run {
        const char* what;
        const char* ini;
    };
    const Run runs[] = {{"window", "[Video]\nFullscreen=0\nWindow=1024,768\n"},
                        {"full screen", "[Video]\nFullscreen=1\nScreen=1024,768\n"}};
    std::vector<platform::DecodedPicture> pictures;
    for (const Run& run : runs) {
        GameCopy game;
        ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", run.ini));
        const std::string png = game.File("last.png");
        std::string output;
        ASSERT_EQ(game.RunShowcase("--headless --frames 480 --screenshot '" + png + "'", &output), 0)
            << output;
        EXPECT_NE(game.Log().find("1024 x 768"), std::string::npos) << run.what << game.Log();
        pictures.push_back(ReadScreenshot(png));
        ASSERT_EQ(pictures.back().width, 1024) << run.what;
        ASSERT_EQ(pictures.back().height, 768) << run.what;
    }
    // Runs on the virtual clock are exact, so the two frames agree pixel for
    // pixel; the window's frame is the screen laid out as intended.
    size_t differing = 0, lit = 0;
    for (size_t i = 0; i < size_t(1024 * 768); ++i) {
        differing += pictures[0].pixels[i] != pictures[1].pixels[i];
        lit += (pictures[0].pixels[i] & 0xFFFFFF) != 0;
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(lit, size_t(5000)); // the screen after loading, not a black frame
}

// The message of a pack that cannot be used names its file as a native path.
std::string PackMessage(const GameCopy& game, const std::string& headline, const std::string& pack) {
    return headline + " The file " + game.Game() + "/Data/" + pack + " is missing or damaged.";
}

TEST(Verbolunde, DamagedPacksGiveADataErrorAndExitCode1) {
    GameCopy game;
    std::string output;
    ASSERT_EQ(game.RunShowcase("--headless --frames 2", &output), 0) << output;
    const std::vector<uint32_t> saved = ConfigScreenWords(game.User() + "/config.dat");
    ASSERT_EQ(saved.size(), 7u);

    // A data pack whose directory is cut off cannot be opened.
    const std::string dataPack = game.Game() + "/Data/Data.dat";
    const std::string goodData = testsupport::ReadFileBytes(dataPack);
    ASSERT_TRUE(testsupport::WriteFileBytes(dataPack, goodData.substr(0, goodData.size() - 6)));
    output.clear();
    EXPECT_EQ(game.RunShowcase("--headless --frames 30", &output), 1) << output;
    EXPECT_NE(output.find(PackMessage(game, "Data error!", "Data.dat")), std::string::npos) << output;
    EXPECT_NE(game.Log().find("ERROR! Data error!"), std::string::npos) << game.Log();
    EXPECT_TRUE(EndsWith(game.Log(), "LOG FINISHED."));
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat"), saved);
    ASSERT_TRUE(testsupport::WriteFileBytes(dataPack, goodData));

    // A music record claiming more bytes than its chunk holds stops the loading.
    const std::string soundPack = game.Game() + "/Data/Sounds.dat";
    const uint32_t musicOffset = RootChunkOffset(soundPack, 0xDF17EFA2, 0x6A3E5084, 0x4D555343);
    ASSERT_NE(musicOffset, 0u);
    const std::string goodSounds = testsupport::ReadFileBytes(soundPack);
    std::string sounds = goodSounds;
    uint8_t huge[4];
    kis::StoreLE32(huge, 0x7FFFFFF0);
    sounds.replace(musicOffset + 4, 4, reinterpret_cast<const char*>(huge), 4);
    ASSERT_TRUE(testsupport::WriteFileBytes(soundPack, sounds));
    output.clear();
    EXPECT_EQ(RunScript(game, "click", "20 mouse move 400 300\n30 mouse down left\n130 mouse up left\n",
                        "--frames 60", &output),
              1)
        << output;
    EXPECT_NE(output.find(PackMessage(game, "Data error!", "Sounds.dat")), std::string::npos) << output;
    const std::string log = game.Log();
    const std::vector<std::string> states = StateChanges(log);
    ASSERT_GE(states.size(), 2u) << log;
    EXPECT_EQ(states[1], "80000002");
    EXPECT_EQ(states.back(), "FFFFFFFF");
    EXPECT_NE(log.find("ERROR! Data error!"), std::string::npos) << log;
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat"), saved);
    ASSERT_TRUE(testsupport::WriteFileBytes(soundPack, goodSounds));
}

// A missing pack is named in the message, with the words of its kind.
TEST(Verbolunde, AMissingPackIsNamedInItsMessage) {
    struct Case {
        const char* pack;
        const char* headline;
    };
    for (const Case& c : {Case{"Data.dat", "Data error!"}, Case{"Sprites.dat", "Sprites error!"},
                          Case{"Sounds.dat", "Data error!"}}) {
        GameCopy game;
        std::filesystem::remove(game.Game() + "/Data/" + c.pack);
        std::string output;
        EXPECT_EQ(game.Run("--headless --frames 30", &output), 1) << c.pack << "\n" << output;
        EXPECT_NE(output.find(PackMessage(game, c.headline, c.pack)), std::string::npos) << output;
        const std::string log = game.Log();
        EXPECT_NE(log.find(PackMessage(game, c.headline, c.pack)), std::string::npos) << log;
        EXPECT_EQ(log.find(std::string("Data\\") + c.pack), std::string::npos) << "no game-form path\n"
                                                                               << log;
        EXPECT_TRUE(EndsWith(log, "LOG FINISHED.")) << log;
    }
}

// A pipe where a file is expected is refused at its open as a missing file (a blocking open would wait for
// ever), a sparse 100 GB one as unreadable: a pack stops the program with its message, the rest are passed.
TEST(Verbolunde, APipeOrAHugeFileWhereAFileIsExpectedIsRefused) {
    for (const std::string file : {"Data.dat", "Sprites.dat", "Sounds.dat", "Cursors/arrow.cur",
                                   "Logos/Logos.txt", "Logos/game.png", "../config.ini", "../play.url"}) {
        GameCopy game;
        fs::remove(game.Game() + "/Data/" + file);
        ASSERT_EQ(mkfifo((game.Game() + "/Data/" + file).c_str(), 0600), 0) << file;
        std::string output;
        EXPECT_EQ(RunCommand("timeout -s KILL 60 " + game.Command("--headless --frames 200"), &output),
                  file.ends_with(".dat") ? 1 : 0)
            << file << output;
        fs::remove(game.Game() + "/Data/" + file);
        ASSERT_EQ(RunCommand("truncate -s 100G '" + game.Game() + "/Data/" + file + "'", &output), 0);
        EXPECT_EQ(RunCommand("timeout -s KILL 60 " + game.Command("--headless --frames 200"), &output),
                  file.ends_with(".dat") ? 1 : 0)
            << file << output;
    }
}

TEST(Verbolunde, AFontChunkWithAWrongCountIsADataError) {
    GameCopy game;
    const std::string dataPack = game.Game() + "/Data/Data.dat";
    const uint32_t fontOffset = RootChunkOffset(dataPack, 0xBAE13676, 0x74BFFE7D, 0x464F4E54); // 'FONT'
    ASSERT_NE(fontOffset, 0u);
    std::string bytes = testsupport::ReadFileBytes(dataPack);
    bytes[fontOffset] = 4; // four fonts where the game has five
    ASSERT_TRUE(testsupport::WriteFileBytes(dataPack, bytes));
    std::string output;
    EXPECT_EQ(RunScript(game, "click", kSkipLogos, "--frames 200", &output), 1) << output;
    EXPECT_NE(output.find("Data error!"), std::string::npos) << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Loading the fonts failed."), std::string::npos) << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED."));
    EXPECT_EQ(ConfigScreenWords(game.User() + "/config.dat").size(), 7u);
}

TEST(Verbolunde, ADamagedTextureChunkOfTheSpritePackIsASpritesError) {
    GameCopy game;
    const std::string spritePack = game.Game() + "/Data/Sprites.dat";
    uint32_t textureOffset = 0;
    {
        kis::DataFileReaderW reader(0xE317A788, 0xB90D20FA, 1);
        ASSERT_TRUE(reader.Open(platform::Utf8ToUtf16(spritePack).c_str()));
        for (const auto& library : reader.GetRoot().children)
            if (library->id == 0x534C4942 && library->subId == 1) // 'SLIB' 1, the interface
                for (const kis::DataFileEntry& entry : library->entries)
                    if (entry.id == 0x54455853) // 'TEXS'
                        textureOffset = entry.offset;
    }
    ASSERT_NE(textureOffset, 0u);
    std::string bytes = testsupport::ReadFileBytes(spritePack);
    uint8_t count[4];
    kis::StoreLE32(count, 0x00FFFFFF); // far more textures than the chunk holds
    bytes.replace(textureOffset, 4, reinterpret_cast<const char*>(count), 4);
    ASSERT_TRUE(testsupport::WriteFileBytes(spritePack, bytes));
    std::string output;
    EXPECT_EQ(RunScript(game, "click", kSkipLogos, "--frames 200", &output), 1) << output;
    EXPECT_NE(output.find("Sprites error!"), std::string::npos) << output;
    EXPECT_EQ(output.find("Data error!"), std::string::npos) << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Loading the sprites failed."), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR! Sprites error!"), std::string::npos) << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED."));
}

// Damage inside a pack that still loads: the game runs on, and the log names
// the resource that did not load and its pack.
TEST(Verbolunde, AResourceThatDoesNotLoadIsLoggedWithItsPackAndName) {
    struct Case {
        const char* what;
        const char* pack;
        void (*damage)(std::string& bytes);
        std::vector<std::string> logged; // parts of one log line each
    };
    // (A damaged image of the language stops the game instead: StartUpTest.)
    const Case cases[] = {
        {"the digits texture of the sprite pack, under another name",
         "Sprites.dat",
         [](std::string& bytes) {
             const std::string name("d\0i\0g\0i\0t\0s\0", 12);
             const size_t at = bytes.find(name);
             ASSERT_NE(at, std::string::npos);
             bytes[at + 10] = 'z';
         },
         {"ERROR! Digit font 1 of ", "Data.dat: its texture \"digits\" is missing."}},
    };
    for (const Case& c : cases) {
        GameCopy game;
        const std::string pack = game.Game() + "/Data/" + c.pack;
        std::string bytes = testsupport::ReadFileBytes(pack);
        c.damage(bytes);
        ASSERT_TRUE(testsupport::WriteFileBytes(pack, bytes));
        std::string output;
        EXPECT_EQ(RunScript(game, "click", kSkipLogos, "--frames 200", &output), 0) << c.what << output;
        const std::string log = game.Log();
        bool found = false;
        for (size_t at = log.find(c.logged[0]); at != std::string::npos && !found;
             at = log.find(c.logged[0], at + 1))
            found = log.substr(at, log.find('\r', at) - at).find(c.logged[1]) != std::string::npos;
        EXPECT_TRUE(found) << c.what << "\n" << log;
        EXPECT_TRUE(EndsWith(log, "LOG FINISHED.")) << c.what;
    }
}

TEST(Verbolunde, PlayUrlIsOpenedAtTheEndOnlyForAWebAddress) {
    GameCopy game;
    // A stand-in for the desktop's opener that records its arguments.
    const std::string bin = game.File("bin");
    fs::create_directories(bin);
    const std::string opened = game.File("opened.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(bin + "/xdg-open",
                                            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
                                                opened + "'; done\n"));
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    const std::string path = "PATH='" + bin + "':\"$PATH\" ";

    ASSERT_TRUE(testsupport::WriteFileBytes(
        game.Game() + "/play.url", "[InternetShortcut]\r\nURL=https://example.org/farm?a=1&b=2\r\n"));
    std::string output;
    ASSERT_EQ(RunCommand(path + game.ShowcaseCommand("--headless --frames 2"), &output), 0) << output;
    EXPECT_EQ(testsupport::ReadFileBytes(opened), "https://example.org/farm?a=1&b=2\n");

    fs::remove(opened);
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/play.url", "file:///etc/passwd\n"));
    ASSERT_EQ(RunCommand(path + game.ShowcaseCommand("--headless --frames 2"), &output), 0) << output;
    EXPECT_FALSE(fs::exists(opened));
}

TEST(Verbolunde, WithoutDisplaySaysSoAndFails) {
    GameCopy game;
    std::string output;
    int status = RunCommand(
        "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + game.Command("--frames 3"), &output);
    EXPECT_NE(status, 0);
    EXPECT_NE(output.find("--headless"), std::string::npos) << output;
}

// ---------------------------------------------------------------- virtual time

// The log with what may differ between two runs of the same scenario taken
// out: the dates and times of day, and the folder the copy of the game is in.
std::string ComparableLog(const GameCopy& game) {
    std::string log = game.Log();
    // The folder as the log names it, and in the game's own form.
    std::string gameForm = game.Root();
    std::replace(gameForm.begin(), gameForm.end(), '/', '\\');
    for (const std::string& root : {game.Root(), gameForm})
        for (size_t at = log.find(root); at != std::string::npos; at = log.find(root, at))
            log.replace(at, root.size(), "<copy>");
    log = testsupport::Pattern("[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}").ReplaceAll(log, "<date>");
    return testsupport::Pattern("[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{3})?").ReplaceAll(log, "<time>");
}

TEST(Verbolunde, AScenarioOfAMinuteReplaysExactlyFrameForFrame) {
    // The logos skipped, keys and clicks on the screen after loading, and a
    // key after the run's end that is never seen.
    const std::string scenario = "40 mouse move 400 300\n60 mouse down left\n160 mouse up left\n"
                                 "4500 key down A\n4600 key up A\n"
                                 "4650 mouse move 300 200\n4700 mouse down left\n4800 mouse up left\n"
                                 "4900 mouse down left\n5000 mouse up left\n"
                                 "20000 mouse down right\n20100 mouse up right\n"
                                 "60500 key down B\n60600 key up B\n";
    // After the first click and key on the screen after loading.
    const uint32_t afterFirstInput = 4750;
    const std::vector<uint32_t> moments = {0, 100, 1500, afterFirstInput, 30000, 59990};
    struct Run {
        GameCopy game;
        int status = -1;
        std::string output;
        std::string cpu; // the CPU seconds the run took, for the record
    };
    Run runs[2];
    std::vector<std::thread> threads;
    for (Run& run : runs) {
        ASSERT_TRUE(testsupport::WriteFileBytes(run.game.File("scenario.txt"), scenario));
        std::string arguments = "--headless --seed 1234 --until-ms 60000 --input-script '" +
                                run.game.File("scenario.txt") + "' --screenshot '" +
                                run.game.File("last.png") + "'";
        for (uint32_t ms : moments)
            arguments +=
                testsupport::ScreenshotAt(int(ms), run.game.File("at" + std::to_string(ms) + ".png"));
        const std::string command = "/usr/bin/time -f 'cpu %U' " + run.game.ShowcaseCommand(arguments);
        threads.emplace_back([&run, command] { run.status = RunCommand(command, &run.output); });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (Run& run : runs) {
        ASSERT_EQ(run.status, 0) << run.output;
        std::vector<std::string> cpu;
        if (testsupport::Pattern("cpu ([0-9.]+)").Search(run.output, &cpu)) run.cpu = cpu[1];
    }
    std::printf("A minute of virtual time took %s and %s s of CPU.\n", runs[0].cpu.c_str(),
                runs[1].cpu.c_str());

    std::vector<std::string> frames;
    for (uint32_t ms : moments) {
        const std::string name = "at" + std::to_string(ms) + ".png";
        frames.push_back(testsupport::ReadFileBytes(runs[0].game.File(name)));
        ASSERT_FALSE(frames.back().empty()) << name;
        EXPECT_TRUE(frames.back() == testsupport::ReadFileBytes(runs[1].game.File(name))) << name;
    }
    const std::string last = testsupport::ReadFileBytes(runs[0].game.File("last.png"));
    EXPECT_TRUE(last == testsupport::ReadFileBytes(runs[1].game.File("last.png")));
    EXPECT_EQ(ComparableLog(runs[0].game), ComparableLog(runs[1].game));
    EXPECT_EQ(testsupport::ReadFileBytes(runs[0].game.User() + "/config.dat"),
              testsupport::ReadFileBytes(runs[1].game.User() + "/config.dat"));

    // The moments are different pictures: the logos, the loading, the screen
    // after loading before and after the clicks.
    for (size_t i = 1; i < frames.size(); ++i)
        EXPECT_NE(frames[i - 1], frames[i]) << "at " << moments[i - 1] << " and " << moments[i] << " ms";
    EXPECT_EQ(ShownDigits(ReadScreenshot(runs[0].game.File("at" + std::to_string(afterFirstInput) + ".png"))),
              "001");
    EXPECT_EQ(ShownDigits(ReadScreenshot(runs[0].game.File("at30000.png"))), "003");
    ExpectLayerShowcase(ReadScreenshot(runs[0].game.File("last.png")));
    // The run ended at a minute: the key after it was never pressed.
    const std::string log = runs[0].game.Log();
    EXPECT_EQ(LogLines(log, "Key pressed"),
              std::vector<std::string>{"0x1E (virtual key 0x41, modifiers 0x0)"})
        << log;
    EXPECT_TRUE(EndsWith(log, "LOG FINISHED.")) << log;
}

TEST(Verbolunde, RunOptionsAreCheckedAndAScreenshotTheRunNeverReachedIsAnError) {
    GameCopy game;
    const std::string farMove = game.File("far-move.txt"), farWheel = game.File("far-wheel.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(farMove, "100 mouse move -2147483648 -2147483648\n"));
    ASSERT_TRUE(testsupport::WriteFileBytes(farWheel, "100 mouse wheel -2147483648\n"));
    const std::string pipe = game.File("pipe.png"); // opened, it would wait for a reader for ever
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string huge = game.File("huge.txt"); // sparse, larger than memory
    ASSERT_EQ(std::system(("truncate -s 100G '" + huge + "'").c_str()), 0);
    struct Case {
        std::string arguments;
        int status;
        std::string output; // a part of what the program says
    };
    const Case cases[] = {
        {"--seed 4294967295 --until-ms 0", 0, ""},
        {"--seed 4294967296 --frames 2", 2, "usage:"},
        {"--seed -1 --frames 2", 2, "--seed: \"-1\" is not a whole number from 0 to 4294967295\nusage:"},
        {"--frames 0", 2, "--frames: \"0\" is not a whole number from 1 to 10000000"},
        {"--seed --frames 2", 2, "usage:"},
        {"--until-ms 12x", 2, "usage:"},
        {"--until-ms 2147483648", 2, "usage:"},
        {"--screenshot-at 100", 2, "usage:"},
        {"--screenshot-at soon '" + game.File("a.png") + "'", 2, "usage:"},
        {"-lang '' --frames 2", 2, "usage:"},
        {"--input-script '' --frames 2", 2, "usage:"},
        {"--input-script '" + game.Root() + "' --frames 2", 2, "not a file"},
        {"--input-script '" + game.File("missing.txt") + "' --frames 2", 2, "No such file or directory"},
        {"--input-script '" + huge + "' --frames 2", 2, "cannot read " + huge + ": it is larger than 64 MiB"},
        {"--input-script '" + farMove + "' --frames 2", 2, "line 1: expected x and y"},
        {"--input-script '" + farWheel + "' --frames 2", 2, "line 1: expected the wheel notches"},
        {"--desktop 2560x1440 --until-ms 0", 0, ""},
        {"--desktop 2560 --frames 2", 2, "usage:"},
        {"--desktop 0x0 --frames 2", 2, "--desktop: \"0x0\" is not WIDTHxHEIGHT"},
        {"--until-ms 200 --screenshot-at 90000 '" + game.File("late.png") + "'", 1,
         "before the screenshot at 90000 ms"},
        {"--frames 3 --screenshot-at 0 '" + game.File("early.png") + "' --screenshot-at 5000 '" +
             game.File("late.png") + "'",
         1, "before the screenshot at 5000 ms"},
        {"--frames 2 --screenshot '" + pipe + "'", 1, "the screenshot " + pipe + " could not be written"},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(game.RunShowcase("--headless " + c.arguments, &output), c.status) << c.arguments << "\n"
                                                                                    << output;
        EXPECT_NE(output.find(c.output), std::string::npos) << c.arguments << "\n" << output;
    }
    // The frame that was due is written all the same; the late one is not.
    EXPECT_FALSE(testsupport::ReadFileBytes(game.File("early.png")).empty());
    EXPECT_FALSE(fs::exists(game.File("late.png")));

    // Files named relative to the folder the program is started in, not to Data.
    ASSERT_TRUE(testsupport::WriteFileBytes(game.File("script.txt"), "0 mouse move 10 10\n"));
    std::string output;
    EXPECT_EQ(
        RunCommand("cd '" + game.Root() + "' && " +
                       game.ShowcaseCommand("--headless --frames 2 --input-script script.txt --screenshot "
                                            "shot.png --screenshot-at 0 at0.png"),
                   &output),
        0)
        << output;
    EXPECT_TRUE(fs::exists(game.File("shot.png")));
    EXPECT_TRUE(fs::exists(game.File("at0.png")));
}

// The test screens live in the showcase program only: the game takes
// "--showcase" as any argument it does not know, wherever it stands, and
// starts nothing. Its "--help" names its own options too, on standard output.
TEST(Verbolunde, TheGameRefusesTheShowcaseAsAnUnknownArgumentAndItsHelpNamesTheBot) {
    GameCopy game;
    std::string help;
    EXPECT_EQ(RunCommand("(" + game.Command("--help") + " 2>/dev/null)", &help), 0) << help;
    EXPECT_NE(help.find("[--desktop WxH] [--bot easy|hard LEVELS]\n"), std::string::npos) << help;
    std::string bot;
    game.Run("--bot medium all", &bot);
    EXPECT_NE(bot.find("--bot: \"medium\" is not a regime (easy or hard)\nusage:"), std::string::npos) << bot;
    for (const std::string arguments :
         {"--showcase --headless --frames 2", "--headless --frames 2 --showcase"}) {
        std::string output;
        EXPECT_EQ(game.Run(arguments, &output), 2) << arguments << "\n" << output;
        EXPECT_NE(output.find("usage: verbolunde"), std::string::npos) << arguments << "\n" << output;
        EXPECT_FALSE(fs::exists(game.User() + "/log.txt")) << arguments << "\n" << game.Log();
    }
    // Nor is the showcase's code linked into it: its log line is in the showcase program only.
    const std::string line = "the showcase stands in for the main screen";
    EXPECT_EQ(testsupport::ReadFileBytes(BuiltProgramFolder() + "/verbolunde").find(line), std::string::npos);
    EXPECT_NE(testsupport::ReadFileBytes(BuiltProgramFolder() + "/verbolunde-showcase").find(line),
              std::string::npos);
}

TEST(Verbolunde, ThreeHundredFramesTakeWellUnderASecond) {
    GameCopy game;
    std::string output;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(game.RunShowcase("--headless --frames 300", &output), 0) << output;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Five seconds at sixty frames a second by the wall clock; this build is
    // a checked one, so the bound is generous.
    EXPECT_LT(seconds, 4.5);
}

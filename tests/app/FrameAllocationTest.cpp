// The frames of the screen after loading allocate nothing once it has been
// shown for a moment: the main loop, input polling, sound update, drawing and
// the cursor at frame end all reuse what they own.
//
// The game finds its Data folder beside the program, so the test runs a copy
// of this test program placed beside a copy of the built Data folder. In that
// copy the test calls the game's entry in-process and counts every heap
// allocation made while the game is in the screen-after-loading state. Two
// runs that differ only in the number of frames must count the same: every
// allocation of that state then belongs to opening the screen and its first
// frames, none to the frames after them.
#include "app/App.h"
#include "app/GameStates.h"
#include "game/GameProgram.h"
#include "platform/Clock.h"
#include "platform/GlyphFace.h"
#include "showcase/LayerShowcase.h"
#include "tests/game/Players.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kChildFrames = "VB_FRAME_ALLOCATION_FRAMES";
// "STATE BYTES COUNT [MODE]": in game state STATE, COUNT allocations of BYTES or more fail; with MODE 2 only
// those of exactly BYTES; with MODE 1 those of a thread other than the game's (the sound output's) in any
// state.
constexpr const char* kChildRefusal = "VB_REFUSED_ALLOCATIONS";
int32_t g_refusedState = 0;
size_t g_refusedBytes = 0;
int g_refusalMode = 0;
std::thread::id g_gameThread;

bool Refused(std::size_t size) {
    if (g_refusalMode == 1) return size >= g_refusedBytes && std::this_thread::get_id() != g_gameThread;
    return size >= g_refusedBytes && GameState() == g_refusedState &&
           (g_refusalMode != 2 || size == g_refusedBytes);
}
std::atomic<int> g_refusalsLeft{0};

std::atomic<bool> g_counting{false};
std::atomic<uint64_t> g_mainScreenAllocations{0};
std::atomic<uint32_t> g_mainScreenSince{0};

void CountAllocation() {
    if (!g_counting.load(std::memory_order_relaxed) || GameState() != kStateMainScreen) return;
    if (g_mainScreenAllocations.fetch_add(1, std::memory_order_relaxed) == 0)
        g_mainScreenSince = platform::Milliseconds();
}

} // namespace

// The replacements below pair malloc with free; GCC, seeing the standard
// names inlined, takes a free of what operator new returned for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    CountAllocation();
    // A refused allocation runs the new-handler before the next try, as the library's does.
    while (g_refusalsLeft > 0 && Refused(size) && --g_refusalsLeft >= 0) {
        if (!std::get_new_handler()) throw std::bad_alloc();
        std::get_new_handler()();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try { // refused as the library's nothrow form would be: the handler, then null
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

struct RunResult {
    bool ran = false;
    int exitCode = -1;
    unsigned long long allocations = 0;
    unsigned long long shownMs = 0; // how long the screen after loading was shown
    std::string output;
};

// One headless run of the game copy for the given frames (and more arguments); test `filter` plays its side.
RunResult RunGameCopy(const std::string& program, const std::string& home, int frames,
                      const std::string& more = "", const std::string& refusal = "",
                      const std::string& filter = "*AfterWarmUp*") {
    RunResult result;
    const std::string command = "env XDG_DATA_HOME='" + home + "' " + kChildFrames + "='" +
                                std::to_string(frames) + " " + more + "' " + kChildRefusal + "='" + refusal +
                                "' '" + program + "' --gtest_filter='" + filter + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        result.output += line;
        int code = 0;
        unsigned long long count = 0, ms = 0;
        if (std::sscanf(line, "game exit %d, %llu allocations in %llu ms", &code, &count, &ms) == 3) {
            result.ran = true;
            result.exitCode = code;
            result.allocations = count;
            result.shownMs = ms;
        }
    }
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) result.ran = false;
    return result;
}

// The copy's side: the game runs in this process and the counts are printed.
void RunGameHere(const char* frames) {
    std::vector<std::string> words = {"verbolunde", "--headless", "--frames"};
    std::istringstream arguments(frames); // the count, then any more arguments
    for (std::string word; arguments >> word;)
        words.push_back(word);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    int left = 0;
    if (const char* refusal = std::getenv(kChildRefusal))
        std::sscanf(refusal, "%d %zu %d %d", &g_refusedState, &g_refusedBytes, &left, &g_refusalMode);
    g_gameThread = std::this_thread::get_id();
    g_refusalsLeft = left;
    App app; // the wiring and the showcase register into it before it runs
    GameProgram game;
    ShowcaseProgram showcase; // the screen after loading
    g_counting = true;
    const int code = app.Run(int(argv.size()), argv.data());
    g_counting = false;
    const uint32_t since = g_mainScreenSince;
    const unsigned long long shown = g_mainScreenAllocations ? platform::Milliseconds() - since : 0;
    std::printf("game exit %d, %llu allocations in %llu ms\n", code,
                static_cast<unsigned long long>(g_mainScreenAllocations.load()), shown);
    std::fflush(stdout);
}

} // namespace

TEST(FrameAllocations, AfterWarmUpAFrameOfTheScreenAfterLoadingAllocatesNothing) {
    if (const char* frames = std::getenv(kChildFrames)) {
        RunGameHere(frames);
        return;
    }
    const char* binary = std::getenv("VB_BINARY_DIR");
    ASSERT_TRUE(binary) << "VB_BINARY_DIR is not set";
    testsupport::TempDir dir;
    const std::string game = dir.File("game");
    fs::create_directories(game);
    fs::copy_file(fs::read_symlink("/proc/self/exe"), game + "/verbolunde");
    fs::copy(std::string(binary) + "/game/Data", game + "/Data", fs::copy_options::recursive);

    // The shorter run must show the screen long enough (half a second, some
    // thirty frames) for its first frames to be behind it; loading takes a
    // varying number of frames, so a slow machine gets more of them.
    constexpr int kExtraFrames = 180;
    RunResult shorter;
    int frames = 300;
    for (int attempt = 0; attempt < 4; ++attempt, frames *= 2) {
        shorter = RunGameCopy(game + "/verbolunde", dir.File("home-a" + std::to_string(attempt)), frames);
        ASSERT_TRUE(shorter.ran) << shorter.output;
        if (shorter.allocations > 0 && shorter.shownMs >= 500) break;
    }
    ASSERT_EQ(shorter.exitCode, 0) << shorter.output;
    ASSERT_GT(shorter.allocations, 0u) << "the screen after loading was never reached\n" << shorter.output;
    ASSERT_GE(shorter.shownMs, 500u) << shorter.output;

    const RunResult longer = RunGameCopy(game + "/verbolunde", dir.File("home-b"), frames + kExtraFrames);
    ASSERT_TRUE(longer.ran) << longer.output;
    EXPECT_EQ(longer.exitCode, 0);
    EXPECT_GT(longer.shownMs, shorter.shownMs);
    EXPECT_EQ(longer.allocations, shorter.allocations)
        << kExtraFrames << " more frames of the screen after loading allocated "
        << (long long)(longer.allocations) - (long long)(shorter.allocations) << " times more";
}

// Out of memory, a full screen gives way to a window; elsewhere it is told (also where the fonts load and on
// the sound output's thread, which runs in real time), a running level saved, the status 1.
TEST(FrameAllocations, WhereMemoryRunsOutTheRunEndsInOrder) {
    if (const char* frames = std::getenv(kChildFrames)) return RunGameHere(frames);
    testsupport::TempDir dir;
    fs::copy(std::string(std::getenv("VB_BINARY_DIR")) + "/game/Data", dir.File("Data"),
             fs::copy_options::recursive);
    fs::copy_file(fs::read_symlink("/proc/self/exe"), dir.File("verbolunde"));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("config.ini"), "[Video]\nFullscreen=1\n"));
    ASSERT_TRUE(testsupport::WriteFileBytes(
        dir.File("level.txt"), "60 mouse down left\n160 mouse up left\n6000 key down F6\n6100 key up F6\n"));
    const std::string outOfMemory = "ERROR! Out of memory: There is not enough memory for the game to go on";
    const std::string font =
        std::to_string(fs::file_size(std::string(platform::kDejaVuFolder) + "/DejaVuSans.ttf"));
    // The runs with the level's script open level 31.
    const std::tuple<std::string, std::string, int, std::string> cases[] = {
        {"--desktop 16384x16384 --until-ms 3000", "0 268435456 1000", 0,
         "Full screen at 16384 x 16384 does not fit in memory; the game goes on in a window of 800 x 600."},
        {"--until-ms 12000 --input-script " + dir.File("level.txt"), "4 64 2", 1, outOfMemory},
        {"--until-ms 8000", std::to_string(kStateDataLoading) + " " + font + " 2 2", 1, outOfMemory},
        {"--realtime --until-ms 30000 --input-script " + dir.File("level.txt"), "0 1 2 1", 1, outOfMemory}};
    for (const auto& [arguments, refusal, exitCode, logged] : cases) {
        const testsupport::TempDir home;
        const std::string user = home.File("Quenmoor/Verbolunde");
        testplayers::MakePlayer(user, u"Vera"); // the player whose profile keeps the level
        const RunResult run =
            RunGameCopy(dir.File("verbolunde"), home.Path().string(), 3000, arguments, refusal, "*Memory*");
        ASSERT_TRUE(run.ran) << run.output;
        EXPECT_EQ(run.exitCode, exitCode) << run.output;
        const std::string log = testsupport::ReadFileBytes(user + "/log.txt");
        EXPECT_NE(log.find(logged), std::string::npos) << log;
        EXPECT_EQ(log.find("missing or damaged"), std::string::npos) << log;
        // A level that began before memory ran out is saved (the sound thread's first allocation may come
        // while the level still loads).
        const bool saved = log.find("Level 31 (level_31) begins") < log.find(logged);
        EXPECT_EQ(log.find("Level 31 saved into the profile (") != std::string::npos, saved) << log;
        ProfileManager profiles(platform::Utf8ToUtf16(user));
        profiles.Load();
        EXPECT_EQ(profiles.Current() && profiles.Current()->HasSavedLevel(30), saved) << "a profile keeps it";
        EXPECT_NE(log.find("LOG FINISHED."), std::string::npos) << log;
    }
    // Memory gone for good as the game ends (every allocation of the quit refused): the level still goes
    // before the windows it reads, and the player is told without memory.
    const RunResult end = RunGameCopy(dir.File("verbolunde"), dir.File("home-end"), 3000,
                                      "--until-ms 12000 --input-script " + dir.File("level.txt"),
                                      std::to_string(kStateQuit) + " 1 1000000", "*Memory*");
    ASSERT_TRUE(end.ran) << end.output;
    EXPECT_EQ(end.exitCode, 1);
    EXPECT_NE(end.output.find("Out of memory while the game ended"), std::string::npos) << end.output;
}

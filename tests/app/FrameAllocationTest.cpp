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
#include "app/Profiles.h"
#include "game/GameProgram.h"
#include "game/GameScreens.h"
#include "platform/Clock.h"
#include "platform/Utf.h"
#include "showcase/LayerShowcase.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kChildArguments = "VB_FRAME_ALLOCATION_ARGUMENTS"; // the game's command line
// "STATE BYTES COUNT": from game state STATE on (-2: from the start), COUNT
// allocations of BYTES or more fail, as where the memory runs out.
constexpr const char* kChildRefusal = "VB_REFUSED_ALLOCATIONS";

struct Refusal {
    int32_t state = 0;
    size_t bytes = 0;
    std::atomic<int> left{0};
} g_refusal;

bool Refused(std::size_t size) {
    if (g_refusal.left <= 0 || size < g_refusal.bytes) return false;
    if (g_refusal.state != -2 && GameState() != g_refusal.state) return false;
    return --g_refusal.left >= 0;
}

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

// A failed allocation goes through the new-handler, as the library's does.
void* operator new(std::size_t size) {
    CountAllocation();
    for (;;) {
        if (!Refused(size))
            if (void* p = std::malloc(size ? size : 1)) return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
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

// One run of the game copy with the arguments (a headless run of the given
// number of frames), the test of `filter` playing the copy's side.
RunResult RunGameCopy(const std::string& program, const std::string& home, int frames,
                      const std::string& arguments = "", const std::string& refusal = "",
                      const std::string& filter = "FrameAllocations.AfterWarmUp*") {
    RunResult result;
    const std::string command =
        "env XDG_DATA_HOME='" + home + "' " + kChildArguments + "='" +
        (arguments.empty() ? "--headless --frames " + std::to_string(frames) : arguments) + "' " + kChildRefusal +
        "='" + refusal + "' '" + program + "' --gtest_filter='" + filter + "' 2>&1";
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
void RunGameHere(const char* arguments) {
    std::vector<std::string> words = {"verbolunde"};
    for (std::istringstream line(arguments); line >> words.emplace_back();) {}
    words.pop_back();
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    if (const char* refusal = std::getenv(kChildRefusal)) {
        int left = 0;
        std::sscanf(refusal, "%d %zu %d", &g_refusal.state, &g_refusal.bytes, &left);
        g_refusal.left = left;
    }
    App app; // the wiring and the showcase register into it before it runs
    // The memory test plays a level, which takes the whole game's wiring.
    std::optional<GameProgram> game;
    if (std::getenv(kChildRefusal) && *std::getenv(kChildRefusal))
        game.emplace();
    else
        RegisterGameScreens();
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

// This test program beside a copy of the built Data folder, in dir's "game".
void CopyGame(const testsupport::TempDir& dir) {
    const char* binary = std::getenv("VB_BINARY_DIR");
    ASSERT_TRUE(binary) << "VB_BINARY_DIR is not set";
    const std::string game = dir.File("game");
    fs::create_directories(game);
    fs::copy_file(fs::read_symlink("/proc/self/exe"), game + "/verbolunde");
    fs::copy(std::string(binary) + "/game/Data", game + "/Data", fs::copy_options::recursive);
}

} // namespace

TEST(FrameAllocations, AfterWarmUpAFrameOfTheScreenAfterLoadingAllocatesNothing) {
    if (const char* arguments = std::getenv(kChildArguments)) {
        RunGameHere(arguments);
        return;
    }
    testsupport::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(CopyGame(dir));
    const std::string game = dir.File("game");

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

// Where memory runs out the run ends in order, never on a signal: a full
// screen whose back buffer the memory cannot hold gives way to the default
// window and the game goes on; an allocation that fails in a level is told,
// the level is saved into the player's profile as at every quit, and the
// exit status is 1.
TEST(FrameAllocations, WhereMemoryRunsOutTheRunEndsInOrder) {
    if (const char* arguments = std::getenv(kChildArguments)) {
        RunGameHere(arguments);
        return;
    }
    testsupport::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(CopyGame(dir));
    const std::string script = dir.File("level.txt");
    std::FILE* events = std::fopen(script.c_str(), "w");
    ASSERT_TRUE(events);
    std::fputs("60 mouse down left\n160 mouse up left\n6000 key down F6\n6100 key up F6\n", events);
    std::fclose(events);
    struct Case {
        const char* config; // config.ini beside the program
        std::string arguments, refusal;
        int exitCode;
        std::vector<std::string> logged;
    } cases[] = {
        {"[Video]\nFullscreen=1\n", "--headless --frames 200 --desktop 16384x16384", "-2 268435456 1000", 0,
         {"Full screen at 16384 x 16384 does not fit in memory; the game goes on in a window of 800 x 600."}},
        {"", "--headless --until-ms 12000 --input-script " + script, "4 64 2", 1,
         {"Out of memory: There is not enough memory", "Level 31 saved into the profile (", "LOG FINISHED."}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string home = dir.File("home" + std::to_string(++n)), user = home + "/Quenmoor/Verbolunde";
        fs::create_directories(user);
        ProfileManager profiles(platform::Utf8ToUtf16(user));
        profiles.Load();
        Profile* player = profiles.CreateProfile(u"vera");
        ASSERT_NE(player, nullptr);
        profiles.SetCurrent(player);
        std::FILE* config = std::fopen(dir.File("game/config.ini").c_str(), "w");
        ASSERT_TRUE(config);
        std::fputs(c.config, config);
        std::fclose(config);
        const RunResult run = RunGameCopy(dir.File("game/verbolunde"), home, 0, c.arguments, c.refusal,
                                          "FrameAllocations.WhereMemory*");
        ASSERT_TRUE(run.ran) << run.output;
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        const std::string log = testsupport::ReadFileBytes(user + "/log.txt");
        for (const std::string& line : c.logged)
            EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
}

#include "app/GameStates.h"
#include "app/App.h"
#include "app/GameDataLoader.h"
#include "app/Logos.h"
#include "app/PlayUrl.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t g_now = 0;
uint32_t FakeNow() {
    return g_now;
}

std::vector<std::string> g_calls;
void Update(uint32_t) {
    g_calls.push_back("update");
}
void Draw() {
    g_calls.push_back("draw");
}
void Minimise() {
    g_calls.push_back("minimise");
}
void Restore() {
    g_calls.push_back("restore");
}
void OnState(int32_t from, int32_t to) {
    g_calls.push_back("state " + std::to_string(from) + "->" + std::to_string(to));
}
void OnFocus(int32_t from, int32_t to) {
    g_calls.push_back("focus " + std::to_string(from) + "->" + std::to_string(to));
}

// Leaves the application layer as a fresh program has it.
struct AppLayerTest : ::testing::Test {
    App app; // the shell's state the test runs on
    void SetUp() override {
        g_calls.clear();
        g_now = 1000;
        ResetGameTimer(FakeNow);
        SetAppServices({});
        SetAppCallbacks(nullptr, kCallbackAll);
        SetStateChangeCallback(nullptr);
        SetFocusCallback(nullptr);
        SetActivation(kActive);
        SetGameState(kStateNone);
    }
    void TearDown() override { SetUp(); }
};

} // namespace

TEST_F(AppLayerTest, CallbackSlotsAreInstalledAndReadByMask) {
    AppCallbacks table = {};
    table.update = Update;
    table.draw = Draw;
    table.minimise = Minimise;
    SetAppCallbacks(&table, kCallbackUpdate | kCallbackMinimise);
    EXPECT_EQ(AppCallbackTable().update, Update);
    EXPECT_EQ(AppCallbackTable().draw, nullptr); // not selected
    EXPECT_EQ(AppCallbackTable().minimise, Minimise);

    AppCallbacks saved;
    GetAppCallbacks(&saved, kCallbackUpdate | kCallbackDraw);
    EXPECT_EQ(saved.update, Update);
    EXPECT_EQ(saved.minimise, nullptr); // outside the mask reads as empty

    SetAppCallbacks(nullptr, kCallbackUpdate); // null clears the selected slots only
    EXPECT_EQ(AppCallbackTable().update, nullptr);
    EXPECT_EQ(AppCallbackTable().minimise, Minimise);

    // The mask of every slot selects all thirteen.
    int bits = 0;
    for (uint32_t m = kCallbackAll; m; m &= m - 1)
        ++bits;
    EXPECT_EQ(bits, 13);
    static_assert(sizeof(AppCallbacks) == 13 * sizeof(void*));
}

TEST_F(AppLayerTest, StateChangesReachTheCallbackOnceEach) {
    SetStateChangeCallback(OnState);
    const uint32_t serial = GameStateSerial();
    SetGameState(kStateLogos);
    SetGameState(kStateLogos); // no change
    SetGameState(kStateDataLoading);
    SetGameState(kStateQuit);
    EXPECT_EQ(GameState(), kStateQuit);
    EXPECT_EQ(GameStateSerial() - serial, 3u);
    const std::vector<std::string> expected = {"state 0->1", "state 1->" + std::to_string(kStateDataLoading),
                                               "state " + std::to_string(kStateDataLoading) + "->-1"};
    EXPECT_EQ(g_calls, expected);
}

TEST_F(AppLayerTest, TheGameClockStopsWhileInactiveAndStepsAreCapped) {
    SetFocusCallback(OnFocus);
    AppCallbacks table = {};
    table.minimise = Minimise;
    table.restore = Restore;
    SetAppCallbacks(&table, kCallbackMinimise | kCallbackRestore);

    g_now += 16;
    TickGameTimer();
    EXPECT_EQ(FrameTime(), 16u);
    EXPECT_EQ(GameClock(), 16u);
    g_now += 5000; // a long stall counts as one capped step
    TickGameTimer();
    EXPECT_EQ(FrameTime(), kMaxFrameTime);
    EXPECT_EQ(GameClock(), 216u);

    SetActivation(kInactive);
    g_now += 300;
    TickGameTimer();
    EXPECT_EQ(FrameTime(), 0u);
    SetActivation(kMinimised);
    SetActivation(kInactive);
    g_now += 700;
    SetActivation(kActive); // the time spent away is not game time
    g_now += 10;
    TickGameTimer();
    EXPECT_EQ(FrameTime(), 10u);
    EXPECT_EQ(GameClock(), 226u);

    const std::vector<std::string> expected = {"focus 0->1", "minimise",   "focus 1->2",
                                               "restore",    "focus 2->1", "focus 1->0"};
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(GameTick, 10u);
}

TEST(LoadingProgress, WeightedStagesReportAfterTheIntervalAndOnlyRise) {
    constexpr uint32_t kMusic = 0x4D555343, kSamples = 0x53414D50;
    static uint32_t now = 0;
    static std::vector<std::pair<float, uint32_t>> reports;
    now = 500;
    reports.clear();
    LoadingProgress progress;
    progress.AddStage(kMusic, 1.0f);
    progress.AddStage(kSamples, 3.0f);
    EXPECT_FALSE(progress.SetFraction(0.5f)); // not started
    progress.Start(
        10,
        [](float overall, uint32_t id) {
            reports.push_back({overall, id});
        },
        [] { return now; });

    EXPECT_FALSE(progress.SetFraction(0.5f)); // the interval has not passed
    EXPECT_FLOAT_EQ(progress.Overall(), 0.125f);
    now += 10;
    EXPECT_TRUE(progress.SetFraction(1.0f));
    progress.NextStage();
    EXPECT_FLOAT_EQ(progress.Overall(), 0.25f);
    now += 25;
    EXPECT_TRUE(progress.SetFraction(2.0f)); // clamped
    EXPECT_FLOAT_EQ(progress.Overall(), 1.0f);
    EXPECT_FALSE(progress.SetFraction(-1.0f)); // at once again: no report
    EXPECT_FLOAT_EQ(progress.Overall(), 0.25f);
    progress.NextStage();
    EXPECT_FLOAT_EQ(progress.Overall(), 1.0f);

    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FLOAT_EQ(reports[0].first, 0.25f);
    EXPECT_EQ(reports[0].second, kMusic);
    EXPECT_FLOAT_EQ(reports[1].first, 1.0f);
    EXPECT_EQ(reports[1].second, kSamples);
    progress.Stop();
    EXPECT_FALSE(progress.SetFraction(0.5f));
}

TEST(LogoList, LinesNameAnImageAndItsTime) {
    std::vector<LogoEntry> logos;
    std::string error;
    ASSERT_TRUE(ParseLogoList(
        "\xEF\xBB\xBF// logos\r\n\r\nmaker.png, 1500\r\n# second\n  sub\\game logo.tga ,250  \n", &logos,
        &error))
        << error;
    ASSERT_EQ(logos.size(), 2u);
    EXPECT_EQ(logos[0].image, u"maker.png");
    EXPECT_EQ(logos[0].milliseconds, 1500u);
    EXPECT_EQ(logos[1].image, u"sub\\game logo.tga");
    EXPECT_EQ(logos[1].milliseconds, 250u);

    ASSERT_TRUE(ParseLogoList("", &logos, &error));
    EXPECT_TRUE(logos.empty());

    for (const char* bad : {"maker.png", "maker.png, ", ", 100", "maker.png, 1.5", "maker.png, -3",
                            "maker.png, 600001", "a.png, 99999999999"}) {
        EXPECT_FALSE(ParseLogoList(std::string("ok.png, 10\n") + bad, &logos, &error)) << bad;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
        EXPECT_TRUE(logos.empty());
    }
}

// Random damage to a logo list: it is refused whole with the line named, or
// every logo has an image name and a time within bounds.
TEST(LogoList, DamagedListsAreRefusedWithTheLineOrGiveLogosWithinBounds) {
    const std::string good =
        "\xEF\xBB\xBF// logos\r\n\r\nmaker.png, 1500\r\n# second\n  sub\\game logo.tga ,250  \n"
        "\xC3\x84"
        "cker.jpg,600000\n";
    platform::SeedRand(600);
    int refused = 0, read = 0;
    testsupport::ForRounds(3000, 1000, [&](int round) {
        const std::string text = testsupport::Damage(good, round);
        std::vector<LogoEntry> logos;
        std::string error;
        if (!ParseLogoList(text, &logos, &error)) {
            EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
            EXPECT_TRUE(logos.empty());
            ++refused;
            return;
        }
        ++read;
        for (const LogoEntry& logo : logos) {
            EXPECT_FALSE(logo.image.empty());
            EXPECT_LE(logo.image.size(), text.size());
            EXPECT_LE(logo.milliseconds, 600000u);
        }
    });
    EXPECT_GT(refused, 0);
    EXPECT_GT(read, 0);
}

// Random damage to a play.url file: the address is one trimmed line of the
// file, or empty.
TEST(PlayUrl, DamagedFilesGiveOneTrimmedLineOrNothing) {
    const std::string good =
        "\xEF\xBB\xBF[Other]\r\nURL=http://wrong/\r\n[InternetShortcut]\r\nIconIndex=0\r\n"
        "URL=https://example.org/play\r\n";
    platform::SeedRand(80);
    testsupport::ForRounds(3000, 1000, [&](int round) {
        const std::string text = testsupport::Damage(good, round);
        const std::string address = PlayUrlAddress(text);
        EXPECT_EQ(address.find_first_of("\r\n"), std::string::npos);
        if (address.empty()) return;
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(address.front())));
        EXPECT_FALSE(std::isspace(static_cast<unsigned char>(address.back())));
        EXPECT_NE(text.find(address), std::string::npos);
    });
}

TEST(PlayUrl, TheShortcutKeyElseTheFirstLine) {
    struct Case {
        const char* text;
        const char* address;
    };
    const Case cases[] = {
        {"[InternetShortcut]\r\nURL=https://example.org/play\r\n", "https://example.org/play"},
        {"[Other]\nURL=http://wrong/\n[internetshortcut]\nIconIndex=0\n url = http://right/ \n",
         "http://right/"},
        {"http://first.line/\nsecond\n", "http://first.line/"},
        {"\xEF\xBB\xBF  https://bom.example/  \n", "https://bom.example/"},
        {"[InternetShortcut]\nIconFile=x\n", "[InternetShortcut]"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlayUrlAddress(c.text), c.address) << c.text;
}

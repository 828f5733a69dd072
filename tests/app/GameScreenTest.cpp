#include "app/GameScreen.h"

#include "app/App.h"
#include "app/GameStates.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "platform/Utf.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// A headless window with the game's viewer on it, its adapter initialised.
struct Display {
    platform::HeadlessBackend backend{platform::NullAudioDevice::Clocking::Manual};
    std::unique_ptr<DXLWindowViewer> viewer;
    GameScreen screen;

    Display() {
        viewer = std::make_unique<DXLWindowViewer>(&backend.GetWindow());
        EXPECT_TRUE(Succeeded(viewer->CreateWindow(u"Verbolunde", 107)));
        viewer->SetDisplayModeFilter(AppDisplayModeFilter);
        EXPECT_TRUE(Succeeded(viewer->InitializeAdapter(0, kDeviceTypeHal)));
        screen.Init(viewer.get());
    }
    ScreenParams Params() const {
        ScreenParams p;
        screen.GetParams(&p);
        return p;
    }
};

bool Same(const ScreenParams& a, const ScreenParams& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(GameScreen, MissingOrUnofferedValuesComeFromTheDefaults) {
    Display d;
    EXPECT_EQ(d.screen.GetDesktopHeight(), 1080u);
    EXPECT_EQ(d.screen.GetDesktopRefreshRate(), 60u);
    EXPECT_EQ(d.screen.GetDefaultWindowWidth(), 800u);

    struct Case {
        ScreenParams requested;
        ScreenParams expected;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 1}, {0, 800, 600, 1920, 1080, 60, 1}},              // zeros: defaults
        {{0, 1000, 700, 1000, 700, 85, 0}, {0, 800, 600, 1920, 1080, 60, 0}},   // neither size offered
        {{0, 1024, 768, 1280, 1024, 75, 1}, {0, 1024, 768, 1280, 1024, 75, 1}}, // both kept
        {{0, 1280, 960, 1280, 0, 0, 1}, {0, 1280, 960, 1920, 1080, 60, 1}},     // a zero screen height
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(d.screen.SetParams(c.requested));
        EXPECT_TRUE(Same(d.Params(), c.expected))
            << c.requested.windowWidth << "x" << c.requested.windowHeight;
    }
    // Windowed: the back buffer is the window size.
    const kis::Rect& client = d.viewer->GetClientRect();
    EXPECT_EQ(client.right - client.left, 1280);
    EXPECT_EQ(client.bottom - client.top, 960);
}

TEST(GameScreen, FullScreenAppliesTheScreenSizeAndBack) {
    App app; // keeps the display mode applied last
    Display d;
    ASSERT_TRUE(d.screen.SetParams({1, 800, 600, 1024, 768, 60, 1}));
    ASSERT_NE(d.viewer->GetSettings(), nullptr);
    EXPECT_EQ(d.viewer->GetSettings()->present.windowed, 0u);
    EXPECT_EQ(d.viewer->GetSettings()->present.backBufferWidth, 1024u);
    EXPECT_TRUE(d.backend.GetWindow().IsFullscreen());
    // The application's display state holds what the viewer applied.
    EXPECT_EQ(AppAppliedDisplay().window, d.viewer->GetWindowHandle());
    EXPECT_EQ(AppAppliedDisplay().settings.present.windowed, 0u);
    EXPECT_EQ(AppAppliedDisplay().settings.present.backBufferWidth, 1024u);
    d.screen.SetFullscreen(false);
    ASSERT_TRUE(d.screen.Apply());
    EXPECT_EQ(d.viewer->GetSettings()->present.windowed, 1u);
    EXPECT_EQ(d.viewer->GetSettings()->present.backBufferWidth, 800u);
    EXPECT_FALSE(d.backend.GetWindow().IsFullscreen());
    EXPECT_EQ(AppAppliedDisplay().settings.present.windowed, 1u);
    EXPECT_EQ(AppAppliedDisplay().settings.present.backBufferHeight, 600u);
}

TEST(GameScreen, AFailedFullScreenSwitchRestoresThePreviousSettingsAndLogsIt) {
    testsupport::TempDir dir;
    const std::u16string log = platform::Utf8ToUtf16(dir.File("log.txt"));
    ASSERT_TRUE(LogStart(log.c_str()));
    Display d;
    ASSERT_TRUE(d.screen.SetParams({0, 1024, 768, 1920, 1080, 60, 1}));
    const ScreenParams before = d.Params();

    // The device cannot be reset while the cause of a loss lasts.
    d.viewer->GetDevice()->SetLossCause(true);
    EXPECT_FALSE(d.screen.SetParams({1, 1024, 768, 1280, 1024, 60, 1}));
    EXPECT_TRUE(Same(d.Params(), before));
    LogFinish();
    const std::string text = testsupport::ReadFileBytes(dir.File("log.txt"));
    EXPECT_NE(text.find("GameScreen::SetParams(params)"), std::string::npos) << text;
    ASSERT_NE(d.viewer->GetDevice(), nullptr) << text;
    d.viewer->GetDevice()->SetLossCause(false);

    // The game goes on: the next frame resets the device to the previous settings.
    ASSERT_TRUE(Succeeded(d.viewer->BeginScene()));
    EXPECT_TRUE(Succeeded(d.viewer->ClearTarget(0xFF102030)));
    EXPECT_TRUE(Succeeded(d.viewer->EndFrame()));
    EXPECT_EQ(d.viewer->GetSettings()->present.windowed, 1u);
    EXPECT_EQ(d.viewer->GetSettings()->present.backBufferWidth, 1024u);
    EXPECT_FALSE(d.backend.GetWindow().IsFullscreen());
}

TEST(GameScreen, WithoutAnAdapterNoScreenSizeIsKnown) {
    GameScreen screen; // no viewer: every requested screen size falls back to the desktop's
    EXPECT_FALSE(screen.SetParams({0, 800, 600, 1024, 768, 75, 1}));
    ScreenParams p;
    screen.GetParams(&p);
    EXPECT_EQ(p.screenWidth, 800u); // unchanged: the request was not applied
}

TEST(GameScreen, DisplayModeFilterKeeps32BitModesFrom800x600) {
    struct Case {
        uint32_t width, height, format;
        bool kept;
    };
    const Case cases[] = {{800, 600, 22, true},  {1920, 1080, 22, true}, {799, 600, 22, false},
                          {800, 599, 22, false}, {1024, 768, 23, false}, {1024, 768, 21, false}};
    for (const Case& c : cases) {
        DXLDISPLAYMODE mode;
        mode.width = c.width;
        mode.height = c.height;
        mode.format = c.format;
        EXPECT_EQ(AppDisplayModeFilter(nullptr, nullptr, &mode), c.kept) << c.width << "x" << c.height;
    }
}

// A size the game does not offer falls back with a line in the log; a size
// not asked for (zero) takes the default without one.
TEST(GameScreen, AFallbackFromASizeNotOfferedIsLogged) {
    struct Case {
        ScreenParams requested;
        const char* logged; // null: no fallback line
    };
    const Case cases[] = {
        {{0, 1000, 700, 1920, 1080, 60, 1},
         "Window size                 1000 x 700 is not offered; 800 x 600"},
        {{0, 1024, 768, 1000, 700, 60, 1},
         "Screen size                 1000 x 700 is not a display mode; 1920 x 1080"},
        {{0, 1024, 768, 1280, 1024, 60, 1}, nullptr},
        {{0, 0, 0, 0, 0, 0, 1}, nullptr},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        Display d;
        const std::string logPath = dir.File("log.txt");
        ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(logPath).c_str()));
        EXPECT_TRUE(d.screen.SetParams(c.requested));
        LogFinish();
        const std::string log = testsupport::ReadFileBytes(logPath);
        if (c.logged) {
            EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        } else {
            EXPECT_EQ(log.find(" used instead."), std::string::npos) << log;
        }
    }
}

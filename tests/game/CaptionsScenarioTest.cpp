// The captions of the buttons a player reads, at the default window of
// 800 x 600 and at 1024 x 768: the letters of each stand at least 9 px high
// (the capital's height of a caption without descenders) and the caption
// stays inside its button's face.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/WindowSizes.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using testsupport::GameCopy;
using testsupport::Shot;
using testsupport::script::Move;
using testsupport::script::quick::Click;
using namespace windowsizes;

namespace {

// The pixels of a caption's colour inside a rectangle: the rows and columns
// from the first to the last that hold one (empty: none).
struct Ink {
    int top = 0, bottom = -1, left = 0, right = -1;
    bool Empty() const { return bottom < top; }
    int Height() const { return bottom - top + 1; }
};

Ink InkIn(const Shot& shot, int left, int top, int right, int bottom,
          const std::function<bool(int r, int g, int b)>& test) {
    Ink ink;
    bool any = false;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const uint32_t argb = shot.At(x, y);
            if (!test(int(argb >> 16 & 0xFF), int(argb >> 8 & 0xFF), int(argb & 0xFF))) continue;
            if (!any) ink = {y, y, x, x};
            any = true;
            ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
            ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        }
    return ink;
}

std::string Describe(const Ink& ink) {
    return "ink rows " + std::to_string(ink.top) + ".." + std::to_string(ink.bottom) + ", columns " +
           std::to_string(ink.left) + ".." + std::to_string(ink.right);
}

// The caption is at least 9 px high and keeps the margin from each side of
// the face (left, top, right, bottom); the face's own frame is outside it.
void ExpectReadableInside(const Shot& shot, int left, int top, int right, int bottom, int margin,
                          const std::function<bool(int r, int g, int b)>& test) {
    const Ink ink = InkIn(shot, left, top, right, bottom, test);
    ASSERT_FALSE(ink.Empty()) << "no caption in " << left << "," << top << ".." << right << "," << bottom;
    EXPECT_GE(ink.Height(), 9) << Describe(ink);
    EXPECT_GE(ink.left, left + margin) << Describe(ink);
    EXPECT_LE(ink.right, right - 1 - margin) << Describe(ink);
    EXPECT_GE(ink.top, top + margin) << Describe(ink);
    EXPECT_LE(ink.bottom, bottom - 1 - margin) << Describe(ink);
}

bool DarkText(int r, int g, int b) {
    return r + g + b < 250;
}

} // namespace

// The main screen's menu of a new player: "Quit", in the menu's font, reads
// inside its bar; a click on "Options" then opens the options window, whose
// "Close" reads inside its button.
TEST(CaptionsScenario, TheMainMenusCaptionsReadInsideTheirButtons) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        const bool small = size.width == 800;
        // The menu's bars: "Options" and, 67 px below, "Quit" (about 250 x 52).
        const int barX = small ? 589 : 749, optionsY = small ? 489 : 581, quitY = optionsY + 67;
        const std::string events = Click(40, 500, 300) + "4500 key down A\n4550 key up A\n" +
                                   "4600 key down RETURN\n4650 key up RETURN\n" + "6000 mouse move 5 300\n" +
                                   Click(6700, barX, optionsY) + "6900 mouse move 5 300\n";
        PlayAt(game, size,
               {.events = events,
                .shots = {{6500, "menu"}, {7900, "options"}},
                .untilMs = 8000,
                .program = true},
               "captions-");
        ASSERT_NE(game.Log().find("The options window opens."), std::string::npos) << game.Log();
        const Shot menu = testsupport::LoadShot(game.File("menu.png"));
        const Shot options = testsupport::LoadShot(game.File("options.png"));
        ASSERT_TRUE(menu.ok && options.ok);
        {
            SCOPED_TRACE("Quit");
            ExpectReadableInside(menu, barX - 118, quitY - 22, barX + 118, quitY + 22, 4, DarkText);
        }
        // The options window (520 x 330, centred): "Close" on its button
        // (120 px wide) 34 px above the window's foot.
        const auto ink = [](int r, int g, int b) { return r < 75 && g < 45 && b < 20; };
        const int cx = size.width / 2, closeY = (size.height - 330) / 2 + 296;
        SCOPED_TRACE("Close");
        ExpectReadableInside(options, cx - 52, closeY - 10, cx + 52, closeY + 10, 1, ink);
    }
}

// Level 31's panel: the first goal button's caption and the warehouse
// button's read inside their faces, the latter under its barn picture; the
// pointer resting on the warehouse button cross-fades its caption to the
// hover's colour, and a click on it then opens its window.
TEST(CaptionsScenario, TheLevelPanelsCaptionsReadInsideTheirButtons) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        const int w = size.width, h = size.height;
        // The panel's faces: the warehouse button's (71 px wide inside its
        // frame) and the first goal button's.
        const bool small = w == 800;
        const int storeLeft = small ? 714 : 877, goalLeft = small ? 12 : 72, goalRight = small ? 270 : 221;
        // A click on the field closes the information page and starts the clock.
        // The pointer comes to rest on the warehouse button before the click.
        const std::string events = tutorialplay::Opening("31") + Click(7600, w / 2, h / 2) +
                                   "7700 mouse move 400 5\n" + Move(8920, storeLeft + 35, h - 60) +
                                   Click(9500, storeLeft + 35, h - 60) + "9600 mouse move 400 5\n";
        testsupport::Play(game, {.events = events,
                                 .shots = {{8900, "panel"}, {8995, "fading"}, {9300, "hovered"}},
                                 .untilMs = 11000,
                                 .width = w,
                                 .height = h,
                                 .keptAs = "captions-" + Describe(size) + "-"});
        ASSERT_NE(game.Log().find("window opened with"), std::string::npos) << game.Log();
        const Shot panel = tutorialplay::Load(game, "panel"), fading = tutorialplay::Load(game, "fading"),
                   hovered = tutorialplay::Load(game, "hovered");
        ASSERT_TRUE(panel.ok && fading.ok && hovered.ok);
        {
            // The caption's ink (and the level marks') goes from the normal
            // black to the hover's grey through the colours between.
            SCOPED_TRACE("the warehouse caption's cross-fade");
            const auto darkest = [&](const Shot& shot) {
                int least = 255;
                for (int y = h - 70; y < h - 30; ++y)
                    for (int x = storeLeft; x < storeLeft + 71; ++x)
                        least = std::min(least, int((shot.At(x, y) >> 16) & 0xFF));
                return least;
            };
            const int normal = darkest(panel), between = darkest(fading), hover = darkest(hovered);
            EXPECT_LT(normal + 6, between) << normal << " " << between << " " << hover;
            EXPECT_LT(between + 6, hover) << normal << " " << between << " " << hover;
        }
        {
            SCOPED_TRACE("warehouse");
            const auto black = [](int r, int g, int b) { return r < 70 && g < 70 && b < 70; };
            ExpectReadableInside(panel, storeLeft, h - 70, storeLeft + 71, h - 30, 0, black);
            // Under the barn: none of the cream of the barn's door in the caption's rows.
            const Ink caption = InkIn(panel, storeLeft, h - 70, storeLeft + 71, h - 30, black);
            EXPECT_EQ(
                panel.NearIn(storeLeft, caption.top - 1, storeLeft + 71, caption.bottom + 2, 0xF4E4C0, 12), 0)
                << "the caption over the barn, " << Describe(caption);
        }
        {
            // Its blue caption along the top of the face (which begins 105 px
            // above the screen's foot), clear of the frame above it.
            SCOPED_TRACE("goal");
            const auto blue = [](int r, int g, int b) { return b > r + 40 && b > g && b > 100; };
            ExpectReadableInside(panel, goalLeft, h - 105, goalRight, h - 88, 1, blue);
        }
    }
}

// The pause menu's commands carried out: the quit confirmation, the restart
// window and its answers, leaving, and at most one menu at a time.

#include "levelui/LevelMenu.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

namespace {

struct LevelMenuTest : ::testing::Test {
    spritetest::TestHost host;
    WindowManager manager{nullptr, nullptr};
    int quits = 0, leaves = 0, restarts = 0, fades = 0;
    std::unique_ptr<LevelMenu> menu;

    void SetUp() override {
        LevelMenuHooks hooks;
        hooks.level = 33;
        hooks.closeMainWindow = [this] { ++quits; };
        hooks.leaveLevel = [this] { ++leaves; };
        hooks.restartFromScratch = [this] { ++restarts; };
        hooks.fade = [this](std::function<void()> middle) {
            ++fades;
            middle();
        };
        menu = std::make_unique<LevelMenu>(manager, hooks);
    }
    DialogWindow* TopDialog() {
        for (int32_t i = manager.Count(); i-- > 0;)
            if (manager.Get(i)->tag == kDialogTag) return static_cast<DialogWindow*>(manager.Get(i));
        return nullptr;
    }
};

TEST_F(LevelMenuTest, OneMenuAtATime) {
    MenuWindow* first = menu->Show(true);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(menu->Show(false), nullptr);
    EXPECT_EQ(menu->OnMenuResult(kMenuContinue), 0u);
    EXPECT_TRUE(first->closing);
    EXPECT_NE(menu->Show(false), nullptr); // the closing one does not count
}

TEST_F(LevelMenuTest, ConfirmationsAndTheirAnswers) {
    struct Case {
        uint32_t command;
        uint32_t answer; // the dialog's or level window's
        int quits, restarts;
        bool menuOpen;
    } cases[] = {
        {kMenuQuit, kDialogNo, 0, 0, true},
        {kMenuQuit, kDialogYes, 1, 0, true}, // the application ends
        {kMenuRestart, 0, 0, 0, true},       // cancel in the level window
        {kMenuRestart, 1, 0, 1, true},
    };
    for (const Case& c : cases) {
        quits = restarts = 0;
        MenuWindow* shown = menu->Show(false);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(menu->OnMenuResult(c.command), 2u);
        if (c.command == kMenuQuit) {
            DialogWindow* dialog = TopDialog();
            ASSERT_NE(dialog, nullptr);
            dialog->Press(c.answer);
        } else {
            ASSERT_NE(manager.levelWindow, nullptr);
            auto* window = static_cast<LevelWindow*>(manager.levelWindow);
            EXPECT_EQ(window->BottomButtons().size(), 2u);
            window->OnKeyDown(c.answer ? kKeyReturn : kKeyEscape, 0);
            if (!c.answer) {
                EXPECT_TRUE(window->closing);
            }
        }
        EXPECT_EQ(quits, c.quits);
        EXPECT_EQ(restarts, c.restarts);
        EXPECT_EQ(manager.menuWindow == shown && !shown->closing, c.menuOpen);
        // Whatever is open goes before the next case.
        manager.DeleteAllWindows();
        EXPECT_EQ(manager.menuWindow, nullptr);
        EXPECT_EQ(manager.levelWindow, nullptr);
    }
}

TEST_F(LevelMenuTest, LeavingAndAnAnswerAfterTheWindowWent) {
    menu->Show(false);
    EXPECT_EQ(menu->OnMenuResult(kMenuToMap), 2u);
    EXPECT_EQ(leaves, 1);
    // Options and awards keep the menu as it is until their windows exist.
    EXPECT_EQ(menu->OnMenuResult(kMenuOptions), 2u);
    EXPECT_EQ(menu->OnMenuResult(kMenuAwards), 2u);
    EXPECT_FALSE(manager.menuWindow->closing);
    EXPECT_EQ(menu->OnMenuResult(0x20000000), 0u);
    menu->OnRestartChoice(0); // no level window open: nothing
    EXPECT_EQ(manager.Count(), 1);
    menu->OnRestartChoice(1);
    EXPECT_EQ(fades, 1);
    EXPECT_EQ(restarts, 1);
}

} // namespace

// The links from the level and the window toolkit to the running tutorial.

#include "TutorialFakes.h"

#include "app/App.h"
#include "gui/Window.h"
#include "level/SaveStream.h"
#include "tutorials/LevelTutorialLink.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tut;

namespace {

// The tests of TutorialLinks run on an App of their own: the shell's state lives in it.
struct TutorialLinks : ::testing::Test {
    App app;
};

TEST_F(TutorialLinks, LevelLinkSavesLoadsAndRefuses) {
    WindowManager windows(nullptr, nullptr);
    TutorialRunner runner(TutorialServices{&windows});
    tutest::FakeLevel level;
    LevelTutorialLink link(runner);
    EXPECT_FALSE(link.IsRunning());
    EXPECT_TRUE(link.Allows(TutorialAction::ClickPoint, 0, {})); // no tutorial: everything goes

    auto* t = runner.Make<tutest::TestLevelTutorial>(level);
    EXPECT_TRUE(link.IsRunning());
    EXPECT_TRUE(link.IsSavedWithLevel());
    EXPECT_FALSE(link.Allows(TutorialAction::ClickPoint, 0, {})); // created, flags 0
    link.GoToStartStep();
    link.Notify(TutorialEvent::ClockStarted, 0, {});
    for (int i = 0; i < 80; ++i)
        runner.Update(10);
    EXPECT_EQ(t->Current(), t->s1);
    EXPECT_TRUE(link.Allows(TutorialAction::ClickPoint, 0, {}));

    SaveWriter writer;
    link.Save(writer);
    std::vector<uint8_t> bytes = writer.Finish()->DataBlock();
    ASSERT_EQ(bytes.size(), 24u);

    struct Case {
        size_t cut;     // bytes kept
        uint32_t word3; // written into the record's word 3
        bool ok;
    } cases[] = {{24, 0, true}, {20, 0, false}, {24, 5, false}, {3, 0, false}};
    for (const Case& c : cases) {
        auto* fresh = runner.Make<tutest::TestLevelTutorial>(level);
        std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + ptrdiff_t(c.cut));
        if (c.cut >= 20) std::memcpy(copy.data() + 16, &c.word3, 4);
        SaveReader reader(copy);
        EXPECT_EQ(link.Load(reader), c.ok) << c.cut << " " << c.word3;
        EXPECT_EQ(reader.Failed(), !c.ok);
        if (c.ok) {
            EXPECT_EQ(fresh->StartStepId(), t->s1->Id());
        }
    }
    link.Drop();
    runner.Update(10);
    EXPECT_FALSE(link.IsRunning());
}

TEST_F(TutorialLinks, WindowLinkAsksTheRunningTutorial) {
    WindowManager windows(nullptr, nullptr);
    TutorialRunner runner(TutorialServices{&windows});
    tutest::FakeLevel level;
    WindowTutorialLink link;
    windows.SetTutorial(&link);
    GameWindow* wrhs = windows.Open<GameWindow>(kTagWarehouse, false);
    EXPECT_TRUE(windows.TutorialAllows(TutorialAction::Drag, kTagWarehouse, TutorialObject(wrhs)));
    runner.Make<tutest::TestLevelTutorial>(level);
    EXPECT_FALSE(windows.TutorialAllows(TutorialAction::Drag, kTagWarehouse, TutorialObject(wrhs)));
    EXPECT_FALSE(windows.TutorialAllows(TutorialAction::Key, kKeyEnter, TutorialObject(wrhs)));
    EXPECT_TRUE(windows.TutorialAllows(TutorialAction::Key, kKeyEscape, TutorialObject(wrhs)));
    windows.SetTutorial(nullptr);
}

} // namespace

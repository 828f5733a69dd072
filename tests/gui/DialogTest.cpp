// Sprite windows and dialogs: the slide-in, dialog keys and results, the
// bottom row, sprite windows on hold and finding a window's controls.
#include "gui/Scrollbar.h"
#include "gui/SpritesWindow.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Answer {
    std::vector<uint32_t> pressed;
    uint32_t reply = 1;
};

uint32_t Record(uintptr_t user1, uintptr_t user2, uint32_t command) {
    Answer* answer = reinterpret_cast<Answer*>(user1);
    EXPECT_EQ(user2, 77u);
    answer->pressed.push_back(command);
    return answer->reply;
}

struct Fixture : ::testing::Test {
    spritetest::TestHost host;
    WindowManager manager{nullptr, nullptr};
    Answer answer;

    DialogWindow* OpenDialog(uint32_t first, uint32_t second) {
        return manager.Open<DialogWindow>(DialogParams::Make(first, second, nullptr, nullptr), u"quit_c",
                                          u"quit", Record, reinterpret_cast<uintptr_t>(&answer), 77);
    }
    // Runs frames until the closing dialog's hide effect has ended.
    void Settle() {
        for (int i = 0; i < 3; ++i) {
            host.game += 500;
            manager.Update();
            manager.Draw();
        }
    }
};

using DialogKeys = Fixture;

TEST_F(DialogKeys, EnterAndEscapePressTheButtonsTheirCommandsName) {
    struct Case {
        uint32_t first, second, key, pressed;
    };
    const Case cases[] = {
        {kDialogOk, 0, kKeyReturn, kDialogOk},
        {kDialogOk, 0, kKeyEscape, kDialogOk}, // no cancelling button: the confirming one
        {kDialogYes, kDialogNo, kKeyReturn, kDialogYes},
        {kDialogYes, kDialogNo, kKeyEscape, kDialogNo},
        {kDialogOk, kDialogCancel, kKeyEscape, kDialogCancel},
        {kDialogCancel, kDialogOk, kKeyReturn, kDialogOk}, // by command, not by place
    };
    for (const Case& c : cases) {
        answer.pressed.clear();
        OpenDialog(c.first, c.second);
        EXPECT_TRUE(manager.OnKeyDown(c.key, 0));
        EXPECT_EQ(answer.pressed, std::vector<uint32_t>{c.pressed}) << c.first << " " << c.key;
        Settle();
        EXPECT_EQ(manager.Count(), 0);
    }
}

// A window that opens while a dialog waits (a level's panel under a save notice) goes under it.
TEST_F(DialogKeys, AWindowOpenedWhileADialogWaitsGoesUnderIt) {
    DialogWindow* dialog = OpenDialog(kDialogOk, 0);
    const GameWindow* panel = manager.Open<GameWindow>(0u, false);
    EXPECT_LT(manager.IndexOf(panel), manager.IndexOf(dialog));
    EXPECT_EQ(manager.IndexOf(manager.Open<GameWindow>(0u, true)), 2) << "a modal one on top";
}

TEST_F(DialogKeys, ACallbackAnsweringZeroKeepsTheDialogOpen) {
    DialogWindow* dialog = OpenDialog(kDialogYes, kDialogNo);
    answer.reply = 0;
    manager.OnKeyDown(kKeyReturn, 0);
    Settle();
    ASSERT_EQ(manager.Count(), 1);
    EXPECT_FALSE(dialog->closing);
    // A click on the "no" button, then a positive answer closes it.
    answer.reply = 1;
    const ImageButton* no = dialog->FindButton(kDialogNo);
    ASSERT_NE(no, nullptr);
    const int32_t x = dialog->rect.left + (no->rect.left + no->rect.right) / 2;
    const int32_t y = dialog->rect.top + (no->rect.top + no->rect.bottom) / 2;
    manager.OnMouseDown(x, y, 1);
    manager.OnMouseUp(x, y, 1);
    EXPECT_EQ(answer.pressed, (std::vector<uint32_t>{kDialogYes, kDialogNo}));
    // Keys reach no closing dialog: no second answer.
    manager.OnKeyDown(kKeyReturn, 0);
    EXPECT_EQ(answer.pressed.size(), 2u);
    Settle();
    EXPECT_EQ(manager.Count(), 0);
}

TEST_F(DialogKeys, DefaultTextsAndTheBottomRowOfButtons) {
    DialogWindow* dialog = OpenDialog(kDialogYes, kDialogNo);
    ImageButton* yes = dialog->FindButton(kDialogYes);
    ImageButton* no = dialog->FindButton(kDialogNo);
    ASSERT_TRUE(yes && no);
    EXPECT_EQ(yes->Caption(), u"yes"); // without a language the key stands
    EXPECT_EQ(no->Caption(), u"no");
    EXPECT_EQ(yes->rect.top, no->rect.top);
    EXPECT_LT(yes->rect.right, no->rect.left);
    const int32_t width = dialog->rect.right - dialog->rect.left;
    EXPECT_EQ(yes->rect.left, width - no->rect.right); // the row is centred
    // The dialog itself stands in the middle of the screen.
    const int32_t height = dialog->rect.bottom - dialog->rect.top;
    EXPECT_EQ(dialog->rect.left, (manager.ScreenWidth() - width) / 2);
    EXPECT_EQ(dialog->rect.top, (manager.ScreenHeight() - height) / 2);
    DialogWindow* named = manager.Open<DialogWindow>(DialogParams::Make(kDialogOk, 0, u"Fine", nullptr), u"x",
                                                     nullptr, nullptr, 0, 0);
    EXPECT_EQ(named->FindButton(kDialogOk)->Caption(), u"Fine");
    EXPECT_EQ(manager.ModalCount(), 2);
}

using SlideIn = Fixture;

TEST_F(SlideIn, ShowSlidesFromAboveIn200MsStartingAfterDelayPlus50) {
    struct Panel : SpritesWindow {
        explicit Panel(WindowManager& m) : SpritesWindow(m, MakeWindowTag('P', 'a', 'n', 'l'), {}) {
            AddBackground(200, 100);
        }
    };
    Panel* panel = manager.Open<Panel>();
    panel->Show(100, true);
    EXPECT_EQ(panel->rect.left, (1024 - 200) / 2);
    EXPECT_EQ(panel->rect.top, (768 - 100) / 2);
    const float from = -float(panel->rect.bottom);
    // The first step counts from 10 ms before it, as every effect does.
    const uint32_t opened = host.game;
    struct Sample {
        uint32_t at; // after opening
        bool visible;
        float offset;
    };
    const Sample samples[] = {{0, false, 0.0f},
                              {139, false, 0.0f},
                              {140, true, from},
                              {240, true, from / 2},
                              {339, true, from * 0.005f}};
    for (const Sample& s : samples) {
        host.game = opened + s.at;
        manager.Draw();
        ASSERT_NE(panel->Effects(), nullptr) << s.at;
        EXPECT_EQ(panel->EffectAlpha() > 0.0f, s.visible) << s.at;
        const bool moving = panel->Effects()->mask & kEffectOffset;
        EXPECT_EQ(moving, s.visible) << s.at;
        if (moving) {
            EXPECT_NEAR(panel->Effects()->offsetY, s.offset, 1.0f) << s.at;
        }
        EXPECT_TRUE(panel->IsInputBlocked());
    }
    host.game = opened + 340;
    manager.Draw();
    EXPECT_EQ(panel->Effects(), nullptr);
    EXPECT_FALSE(panel->IsInputBlocked());
}

TEST_F(SlideIn, AWindowOpenedWithHoldPutsTheNewestSpriteWindowOnHold) {
    struct Panel : SpritesWindow {
        Panel(WindowManager& m, bool hold)
            : SpritesWindow(m, MakeWindowTag('P', 'a', 'n', 'l'), {.hold = hold}) {}
    };
    Panel* first = manager.Open<Panel>(false);
    Panel* second = manager.Open<Panel>(false);
    host.game = 4321;
    Panel* holder = manager.Open<Panel>(true);
    EXPECT_FALSE(first->IsOnHold());
    EXPECT_TRUE(second->IsOnHold());
    EXPECT_EQ(second->HoldTime(), 4321u);
    manager.Destroy(second); // the held window goes first: the holder must not touch it later
    manager.Destroy(holder);
    EXPECT_EQ(manager.TopSpritesWindow(), first);
}

using Targets = Fixture;

TEST_F(Targets, FindTargetSearchesOwnControlsFirstThenGroupsFromTheLast) {
    struct Panel : SpritesWindow {
        explicit Panel(WindowManager& m) : SpritesWindow(m, MakeWindowTag('P', 'a', 'n', 'l'), {}) {
            AddControls(&a);
            AddControls(&b);
        }
        GameControls a{this}, b{this};
    };
    Panel* panel = manager.Open<Panel>();
    GameButton* inA = panel->a.Make<InvisibleButton>(5);
    GameButton* inB = panel->b.Make<InvisibleButton>(5);
    GameButton* inBData = panel->b.Make<InvisibleButton>(6);
    inBData->userData = 9;
    GameButton* inAData = panel->a.Make<InvisibleButton>(6);
    inAData->userData = 3;
    EXPECT_EQ(TutTargetButton::FindTarget(panel, 5, 0), inB); // the last group first
    EXPECT_EQ(TutTargetButton::FindTarget(panel, 6, 3), inAData);
    EXPECT_EQ(TutTargetButton::FindTarget(panel, 6, 9), inBData);
    EXPECT_EQ(TutTargetButton::FindTarget(panel, 6, 4), nullptr);
    GameButton* own = panel->Controls().Make<InvisibleButton>(5);
    EXPECT_EQ(TutTargetButton::FindTarget(panel, 5, 0), own);
    EXPECT_EQ(TutTargetButton::FindTarget(nullptr, 5, 0), nullptr);
    (void)inA;
}

using Controls = Fixture;

TEST_F(Controls, ClickResultsSelectRadioMembersResetTheLookAndSilenceTheSound) {
    struct Panel : GameWindow {
        explicit Panel(WindowManager& m) : GameWindow(m, MakeWindowTag('P', 'a', 'n', 'l'), false) {
            rect = kis::MakeRectWH(0, 0, 400, 100);
        }
        uint32_t OnButtonClick(GameButton*) override { return result; }
        uint32_t result = 0;
    };
    struct Notes : WindowTutorial {
        bool Allows(TutorialAction, uint32_t, TutorialObject) override { return true; }
        void Notify(TutorialEvent event, uint32_t, TutorialObject b) override {
            if (event == TutorialEvent::Button) clicked.push_back(b.As<GameButton>());
        }
        std::vector<const GameButton*> clicked;
    } notes;
    manager.SetTutorial(&notes);
    Panel* panel = manager.Open<Panel>();
    ImageButton* radio[3];
    for (int i = 0; i < 3; ++i) {
        radio[i] = CreateListButton(panel, &panel->Controls(), 10 + i, 10 + 100 * i, 10, 90, u"entry");
        radio[i]->checkable = true;
        radio[i]->radioId = 1;
    }
    auto click = [&](int i) {
        manager.OnMouseDown(20 + 100 * i, 20, 1);
        manager.OnMouseUp(20 + 100 * i, 20, 1);
    };
    panel->result = kClickSelectRadio | kClickNoSound;
    click(0);
    click(2);
    EXPECT_FALSE(radio[0]->IsDisabled());
    EXPECT_FALSE(radio[1]->IsDisabled());
    EXPECT_TRUE(radio[2]->IsDisabled());
    panel->result = kClickResetLook;
    click(1);
    EXPECT_EQ(radio[1]->State().State(), ControlState::kNormal);
    // Each click reaches the tutorial with its button.
    EXPECT_EQ(notes.clicked, (std::vector<const GameButton*>{radio[0], radio[2], radio[1]}));
    // A check box flips its tick with every click.
    ImageButton* box = CreateCheckBox(panel, &panel->Controls(), 20, 10, 50, u"tick");
    panel->result = 0;
    manager.OnMouseDown(15, 55, 1);
    manager.OnMouseUp(15, 55, 1);
    EXPECT_TRUE(box->IsDisabled());
    manager.OnMouseDown(15, 55, 1);
    manager.OnMouseUp(200, 200, 1); // released outside: no click
    EXPECT_TRUE(box->IsDisabled());
    manager.SetTutorial(nullptr);
}

TEST_F(Controls, TheScrollBarClampsItsPositionAndStepsByItsParts) {
    struct Panel : GameWindow {
        explicit Panel(WindowManager& m) : GameWindow(m, MakeWindowTag('P', 'a', 'n', 'l'), false) {
            rect = kis::MakeRectWH(0, 0, 100, 200);
        }
        uint32_t OnButtonClick(GameButton*) override {
            ++changes;
            return 0;
        }
        int changes = 0;
    };
    Panel* panel = manager.Open<Panel>();
    GameScrollbar* bar = panel->Controls().Make<GameScrollbar>(80, 0, 200);
    EXPECT_EQ(panel->scrollbar, bar);
    bar->SetRange(0, 20, 5); // positions 0-15
    struct Step {
        int32_t y; // a press at (85, y); -1: a wheel notch down
        int32_t position;
    };
    const Step steps[] = {{190, 1}, {190, 2}, {5, 1}, {150, 6}, {-1, 7}, {30, 2}, {5, 1}, {5, 0}, {5, 0}};
    for (const Step& s : steps) {
        if (s.y < 0)
            manager.OnMouseWheel(50, 50, -1);
        else {
            manager.OnMouseDown(85, s.y, 1);
            manager.OnMouseUp(85, s.y, 1);
        }
        EXPECT_EQ(bar->Position(), s.position) << s.y;
    }
    EXPECT_EQ(panel->changes, 8);
    bar->SetPosition(100);
    EXPECT_EQ(bar->Position(), 15);
    bar->SetRange(0, 10, 20); // everything visible
    EXPECT_EQ(bar->Position(), 0);
}

} // namespace

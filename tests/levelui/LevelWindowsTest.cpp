// The level windows in a window manager without a viewer: the pause menu's
// buttons and keys, the level window's buttons, keys, rows and bonus
// selection against a profile, and the result window's leaving.

#include "levelui/LevelWindows.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

namespace {

struct Calls {
    std::vector<std::array<uint32_t, 3>> level;
    int saves = 0, leaves = 0;
};

ProfileRecord MakeRecord(uint32_t regime, std::initializer_list<int32_t> owned, uint32_t chosenCount,
                         std::array<int32_t, 3> chosen) {
    ProfileRecord r{};
    r.results.regime = regime;
    RegimeProgress& p = r.results.regimes[regime];
    for (int32_t b : owned)
        p.owned[b] = 1;
    p.chosenCount = chosenCount;
    for (size_t i = 0; i < 3; ++i)
        p.chosen[i] = chosen[i];
    return r;
}

struct Fixture : ::testing::Test {
    spritetest::TestHost host;
    WindowManager manager{nullptr, nullptr};
    Calls calls;
    bool saved = false;

    LevelWindowsHost Host(Profile* profile) {
        LevelWindowsHost h;
        h.profile = profile;
        h.title = [](uint32_t level) { return u"Level " + std::u16string(1, char16_t(u'0' + level % 10)); };
        h.regimeBlock = [](uint32_t, uint32_t, RegimeBlock* out) {
            *out = {};
            out->bronzeMs = 300000, out->silverMs = 200000, out->goldMs = 100000;
            out->goalCount = 3;
            return true;
        };
        h.hasSavedGame = [this](uint32_t) { return saved; };
        h.saveProfiles = [this] { ++calls.saves; };
        h.leaveLevel = [this] { ++calls.leaves; };
        return h;
    }
    LevelWindow* Open(Profile* profile, uint32_t mode) {
        return manager.Open<LevelWindow>(
            33, mode,
            [this](uint32_t r, uint32_t l, uint32_t s) {
                calls.level.push_back({r, l, s});
            },
            Host(profile));
    }
    ImageButton* Button(LevelWindow* w, uint32_t command) {
        for (ImageButton* b : w->BottomButtons())
            if (b->Command() == command) return b;
        return nullptr;
    }
};

using PauseMenuWindow = Fixture;
using LevelWindowTest = Fixture;
using ResultWindowTest = Fixture;

TEST_F(PauseMenuWindow, ButtonsKeysAndTheManagersPointer) {
    std::vector<uint32_t> ids;
    for (const MenuCommand& c : kLevelMenuCommands)
        ids.push_back(c.id);
    ids.push_back(0x20000009); // no key: no button
    std::vector<uint32_t> clicked;
    MenuWindow* menu = manager.Open<MenuWindow>(
        true,
        [&](uint32_t id) {
            clicked.push_back(id);
            return 2u;
        },
        ids);
    ASSERT_EQ(menu->Buttons().size(), 6u);
    for (size_t n = 0; n < 6; ++n) {
        EXPECT_EQ(menu->Buttons()[n]->Command(), kLevelMenuCommands[n].id);
        EXPECT_EQ(menu->Buttons()[n]->rect.left, 16);
        EXPECT_EQ(menu->Buttons()[n]->rect.top, 94 + 68 * int32_t(n));
        EXPECT_EQ(menu->Buttons()[n]->rect.right - menu->Buttons()[n]->rect.left, 221);
    }
    EXPECT_EQ(manager.menuWindow, menu);
    EXPECT_EQ(menu->OnButtonClick(menu->Buttons()[4]), 2u);
    EXPECT_EQ(clicked, std::vector<uint32_t>{kMenuToMap});
    EXPECT_FALSE(menu->closing);
    EXPECT_TRUE(menu->OnKeyDown(kKeyEscape, 0));
    EXPECT_TRUE(menu->closing);
    EXPECT_EQ(manager.menuWindow, nullptr);
}

TEST_F(LevelWindowTest, ButtonsAndKeysByOpenerAndSavedGame) {
    struct Case {
        uint32_t mode;
        bool saved;
        size_t buttons;
        std::array<uint32_t, 3> enter; // the callback Enter makes
    } cases[] = {
        {kLevelWindowFromMap, true, 3, {1, 33, 0}}, // continues: the saved game stays
        {kLevelWindowFromMap, false, 2, {1, 33, 1}},
        {kLevelWindowFromMenu, true, 2, {1, 33, 1}},
        {kLevelWindowGameOver, false, 2, {1, 33, 1}},
    };
    for (const Case& c : cases) {
        Profile profile(nullptr, MakeRecord(0, {}, 0, {-1, -1, -1}));
        saved = c.saved;
        calls = {};
        LevelWindow* w = Open(&profile, c.mode);
        EXPECT_EQ(manager.levelWindow, w);
        EXPECT_EQ(w->BottomButtons().size(), c.buttons);
        EXPECT_TRUE(w->OnKeyDown(kKeyReturn, 0));
        ASSERT_EQ(calls.level.size(), 1u);
        EXPECT_EQ(calls.level[0], c.enter);
        EXPECT_TRUE(w->OnKeyDown(kKeyEscape, 0));
        EXPECT_EQ(calls.level.back(), (std::array<uint32_t, 3>{0, 33, 0}));
        // Playing marks the level opened.
        EXPECT_EQ(profile.Record().results.regimes[0].levels[33].status, 2u);
        manager.Destroy(w);
        manager.DeleteClosedWindows();
        EXPECT_EQ(manager.levelWindow, nullptr);
    }
}

TEST_F(LevelWindowTest, RestartWithASavedGameAsksAndAnswersOnlyAnOpenWindow) {
    Profile profile(nullptr, MakeRecord(0, {}, 0, {-1, -1, -1}));
    saved = true;
    auto dialog = [this]() -> DialogWindow* {
        for (int32_t i = manager.Count(); i-- > 0;)
            if (manager.Get(i)->tag == kDialogTag && !manager.Get(i)->closing)
                return static_cast<DialogWindow*>(manager.Get(i));
        return nullptr;
    };
    LevelWindow* w = Open(&profile, kLevelWindowFromMap);
    // "No" leaves the saved game and the window as they were.
    EXPECT_EQ(w->OnButtonClick(Button(w, kLevelWindowRestart)), 2u);
    ASSERT_NE(dialog(), nullptr);
    dialog()->Press(kDialogNo);
    EXPECT_TRUE(calls.level.empty());
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_FALSE(w->closing);
    // "Yes" starts afresh.
    w->OnButtonClick(Button(w, kLevelWindowRestart));
    ASSERT_NE(dialog(), nullptr);
    dialog()->Press(kDialogYes);
    EXPECT_EQ(calls.level.back(), (std::array<uint32_t, 3>{1, 33, 1}));
    EXPECT_EQ(w->OnButtonClick(Button(w, kLevelWindowContinue)), 2u);
    EXPECT_EQ(calls.level.back(), (std::array<uint32_t, 3>{1, 33, 0}));
    // The window goes before the answer: nothing happens.
    w->OnButtonClick(Button(w, kLevelWindowRestart));
    DialogWindow* late = dialog();
    ASSERT_NE(late, nullptr);
    manager.Destroy(w);
    manager.DeleteClosedWindows();
    const size_t before = calls.level.size();
    late->Press(kDialogYes);
    EXPECT_EQ(calls.level.size(), before);
}

TEST_F(LevelWindowTest, RowsGoalsAndRecord) {
    struct Case {
        uint32_t regime;
        std::vector<int32_t> rows;
    } cases[] = {{0, {33, 73}}, {1, {21, 53, 85}}};
    for (const Case& c : cases) {
        Profile profile(nullptr, MakeRecord(c.regime, {}, 0, {-1, -1, -1}));
        LevelWindow* w = Open(&profile, kLevelWindowFromMenu);
        std::vector<int32_t> rows;
        for (int32_t y : w->MedalRowYs())
            rows.push_back(y - w->MedalStripTop());
        EXPECT_EQ(rows, c.rows);
        ASSERT_EQ(w->Goals().size(), 3u);
        EXPECT_EQ(w->Goals()[1].x, 202);
        ASSERT_EQ(w->GoalButtons().size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(w->GoalButtons()[i]->rect.left, (std::array<int32_t, 3>{12, 202, 393})[i]);
            EXPECT_EQ(w->GoalButtons()[i]->rect.top, w->contentTop + 38);
        }
        EXPECT_EQ(w->RecordColour(), kLevelWindowNoTimeColour); // no record yet
        EXPECT_EQ(w->BottomButtons()[1]->Command(), kLevelWindowRestart);
        manager.Destroy(w);
        manager.DeleteClosedWindows();
    }
}

TEST_F(LevelWindowTest, BonusSelectionSlotsAndTheNewBonusMark) {
    struct Case {
        std::initializer_list<int32_t> owned;
        uint32_t count;
        std::array<int32_t, 3> chosen;
        BonusPick changeTo;
        bool tutorial;
        bool selectButton, stores;
        std::array<int32_t, 3> shown;
    } cases[] = {
        {{0, 2, 4}, 2, {0, 2, -1}, {2, {2, 0, -1}}, false, false, false, {0, 2, -1}}, // same set
        {{0, 2, 4}, 2, {0, 2, -1}, {2, {4, 0, -1}}, false, false, true, {0, 2, -1}},
        {{0, 1, 2, 3}, 1, {9, -1, -1}, {1, {-1, -1, -1}}, true, true, false, {-1, -1, -1}}, // 9: none
        {{}, 0, {-1, -1, -1}, {0, {-1, -1, -1}}, false, false, false, {-1, -1, -1}},
    };
    for (const Case& c : cases) {
        ProfileRecord record = MakeRecord(0, c.owned, c.count, c.chosen);
        record.results.tutorial = c.tutorial ? 1 : 0;
        record.results.regimes[0].newBonus = 0x03000000u; // bonus 2 was just earned
        Profile profile(nullptr, record);
        calls = {};
        LevelWindow* w = Open(&profile, kLevelWindowFromMap);
        EXPECT_EQ(w->HasSelectButton(), c.selectButton);
        EXPECT_EQ(w->ShownBonuses(), c.shown);
        EXPECT_EQ(w->NewBonus(), c.tutorial ? 2 : -1);
        EXPECT_EQ(profile.Record().results.regimes[0].newBonus, 0u); // used up either way
        const int savesBefore = calls.saves;
        w->Selection() = c.changeTo;
        EXPECT_EQ(w->StoreBonusSelection(), c.stores);
        EXPECT_EQ(calls.saves - savesBefore, c.stores ? 1 : 0);
        if (c.stores) {
            EXPECT_EQ(profile.Record().results.regimes[0].chosen[0], c.changeTo.ids[0]);
        }
        manager.Destroy(w);
        manager.DeleteClosedWindows();
    }
}

TEST_F(ResultWindowTest, ColumnsRevealAndLeavingOnce) {
    LevelResult r{};
    r.level = 33, r.flags = kResultNewBest, r.regime = 1;
    r.limits[0] = 300000, r.limits[1] = 200000, r.limits[2] = 100000;
    r.grade = 4, r.timeMs = 250000;
    LevelResultWindow* w = manager.Open<LevelResultWindow>(r, Host(nullptr));
    EXPECT_EQ(manager.levelResultWindow, w);
    const uint32_t start = manager.Now();
    EXPECT_EQ(w->Reveal().MarkStart(2), int64_t(start) + 1000);
    EXPECT_EQ(w->Reveal().MedalStart(), int64_t(start) + 2800);
    EXPECT_TRUE(w->OnMouseDown(10, 60, 1)); // a click shows everything
    EXPECT_TRUE(w->Reveal().MarkShown(0, manager.Now()));
    w->OnMouseUp(10, 60, 1);
    EXPECT_TRUE(w->OnKeyDown(kKeyReturn, 0));
    EXPECT_TRUE(w->OnKeyDown(kKeyEscape, 0));
    EXPECT_EQ(calls.leaves, 1);
    manager.Destroy(w);
    manager.DeleteClosedWindows();
    EXPECT_EQ(manager.levelResultWindow, nullptr);
}

TEST_F(ResultWindowTest, InformationPageSizeCloseButtonAndClicks) {
    std::vector<InfoEntry> entries(2);
    entries[0].rowKind = kInfoPictureRow;
    entries[1].rowKind = kInfoLineRow;
    struct Case {
        int how; // 0 Enter, 1 a click on the page, 2 the close button, 3 a click on a level button
        bool closes;
    } cases[] = {{0, true}, {1, true}, {2, true}, {3, false}};
    for (const Case& c : cases) {
        InfoWindow* w =
            manager.Open<InfoWindow>(entries, [](int32_t x, int32_t y) { return x > 700 && y > 500; });
        EXPECT_EQ(manager.infoWindow, w);
        EXPECT_EQ(w->rect.right - w->rect.left, 680);
        EXPECT_EQ(w->rect.bottom - w->rect.top, 240);
        EXPECT_EQ(w->rect.left, (manager.ScreenWidth() - 680) / 2);
        EXPECT_EQ(w->CloseButton()->rect.left, 649);
        for (int i = 0; i < 3; ++i) { // past the slide-in
            host.game += 500;
            manager.Update();
            manager.Draw();
        }
        if (c.how == 0) {
            EXPECT_TRUE(w->OnKeyDown(kKeyReturn, 0));
        } else if (c.how == 1) {
            manager.OnMouseDown(5, 5, 1); // outside the page
            manager.OnMouseUp(5, 5, 1);
        } else if (c.how == 2) {
            EXPECT_EQ(w->OnButtonClick(w->CloseButton()), 2u);
        } else {
            EXPECT_FALSE(w->HitTest(750 - w->rect.left, 550 - w->rect.top));
        }
        EXPECT_EQ(w->closing, c.closes) << c.how;
        manager.Destroy(w);
        manager.DeleteClosedWindows();
        EXPECT_EQ(manager.infoWindow, nullptr);
    }
}

} // namespace

// The level windows in a window manager without a viewer: the pause menu's
// buttons and keys, the level window's buttons, keys, rows and bonus
// selection against a profile, and the result window's leaving.

#include "levelui/LevelWindows.h"
#include "level/Bonuses.h"
#include "sprites/FrameSequence.h"
#include "sprites/Sprite.h"
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

// The titles and descriptions are keys of the group "bonuses": without a
// language the manager gives the key back.
std::array<BONUS, 6> MakeBonuses() {
    std::array<BONUS, 6> table{};
    for (size_t i = 0; i < table.size(); ++i) {
        const std::u16string title = u"title" + std::u16string(1, char16_t(u'0' + i));
        const std::u16string text = u"about" + std::u16string(1, char16_t(u'0' + i));
        std::copy(title.begin(), title.end(), table[i].title);
        std::copy(text.begin(), text.end(), table[i].description);
        table[i].id = uint32_t(i);
    }
    return table;
}

struct Fixture : ::testing::Test {
    spritetest::TestHost host;
    WindowManager manager{nullptr, nullptr};
    Calls calls;
    bool saved = false;
    std::array<BONUS, 6> bonuses = MakeBonuses();

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
        h.bonusRecord = [this](int32_t bonus) {
            return bonus >= 0 && bonus < 6 ? &bonuses[size_t(bonus)] : nullptr;
        };
        h.saveProfiles = [this] { ++calls.saves; };
        h.leaveLevel = [this] { ++calls.leaves; };
        return h;
    }
    LevelWindow* Open(Profile* profile, uint32_t mode) {
        LevelWindowsHost host = Host(profile);
        const LevelWindowMarks marks = TakeLevelWindowMarks(host);
        return manager.Open<LevelWindow>(
            33, mode,
            [this](uint32_t r, uint32_t l, uint32_t s) {
                calls.level.push_back({r, l, s});
            },
            std::move(host), marks);
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
        BonusSelection changeTo;
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

TEST_F(LevelWindowTest, BonusSlotsAreButtonsWithTheBonusHintHiddenWhenEmpty) {
    ProfileRecord record = MakeRecord(0, {0, 3, 5}, 2, {3, 5, -1});
    Profile profile(nullptr, record);
    LevelWindow* w = Open(&profile, kLevelWindowFromMap);
    struct Slot {
        int32_t bonus;
        bool shown;
        const char16_t *caption, *body;
    };
    const auto check = [&](const std::array<Slot, 3>& want) {
        for (int32_t i = 0; i < 3; ++i) {
            const LevelWindowBonus* b = w->BonusSlot(i);
            ASSERT_NE(b, nullptr);
            const Slot& s = want[size_t(i)];
            EXPECT_EQ(b->Bonus(), s.bonus) << i;
            EXPECT_EQ(b->HasState(), s.shown) << i;
            EXPECT_EQ(b->HasHint(), s.shown) << i;
            EXPECT_EQ(b->HintCaption(), s.caption) << i;
            EXPECT_EQ(b->HintBody(), s.body) << i;
            EXPECT_EQ(b->userData, LevelWindow::BonusSlotData(s.bonus)) << i;
            // Side by side, 1 px apart, each 63 x 134.
            EXPECT_EQ(b->rect.left - w->BonusSlot(0)->rect.left, 64 * i) << i;
            EXPECT_EQ(b->rect.right - b->rect.left, 63) << i;
            EXPECT_EQ(b->rect.bottom - b->rect.top, 134) << i;
            EXPECT_EQ(b->Command(), kLevelWindowBonusSlot);
        }
    };
    check({Slot{3, true, u"title3", u"about3"}, Slot{5, true, u"title5", u"about5"},
           Slot{-1, false, u"", u""}});
    // The slot's hint is the wider caption hint, made when it is first asked for.
    ASSERT_NE(w->BonusSlot(0)->GetHintWindow(), nullptr);
    EXPECT_EQ(w->BonusSlot(2)->GetHintWindow(), nullptr);
    EXPECT_EQ(w->OnButtonClick(w->BonusSlot(0)), 0u); // the window ignores the slots' clicks
    EXPECT_TRUE(calls.level.empty());

    // The bonuses window changed the choice: the emptied slot hides and drops its hint.
    w->Selection() = BonusSelection{3, {0, -1, 5}};
    w->ShowBonuses();
    check({Slot{0, true, u"title0", u"about0"}, Slot{-1, false, u"", u""},
           Slot{5, true, u"title5", u"about5"}});
    EXPECT_EQ(w->BonusSlot(1)->GetHintWindow(), nullptr);
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

TEST_F(ResultWindowTest, InformationStripsOfEveryKindWithTheLevelBox) {
    // Line rows (at 24, 72, 120, 168) naming an own text, a plant allowed to
    // stage 3, a building the level does not allow, a bonus; a picture row.
    const char16_t* names[] = {u"market", u"wheat", u"mill", u"bees", u"picture"};
    const uint32_t kinds[] = {kInfoOwnText, kInfoPlant, kInfoBuilding, kInfoBonus, kInfoOwnText};
    std::vector<InfoEntry> entries(5);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].rowKind = i == 4 ? kInfoPictureRow : kInfoLineRow;
        entries[i].objectKind = kinds[i];
        std::copy_n(names[i], std::char_traits<char16_t>::length(names[i]), entries[i].name);
        std::copy_n(u"body", 4, entries[i].bodyKey);
    }
    std::vector<std::u16string> asked;
    InfoWindow* w = manager.Open<InfoWindow>(entries, InfoWindow::PassThrough{}, InfoWindow::RealClock{},
                                             [&asked](const InfoEntry& e, InfoObject* out) {
                                                 asked.emplace_back(e.name);
                                                 if (e.objectKind == kInfoBuilding)
                                                     return false; // not allowed here: no strip
                                                 out->name = e.name;
                                                 out->level = e.objectKind == kInfoPlant ? 3 : 0;
                                                 return true;
                                             });
    EXPECT_EQ(asked.size(), 5u);
    struct Want {
        int32_t left, top, width, level;
    } want[] = {{26, 24, 292, 0}, {26, 72, 362, 3}, {26, 168, 292, 0}, {250, 216, 404, 0}};
    ASSERT_EQ(w->Strips().size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        const InfoWindow::Strip& strip = w->Strips()[i];
        EXPECT_EQ(strip.rect.left, want[i].left) << i;
        EXPECT_EQ(strip.rect.top, want[i].top) << i;
        EXPECT_EQ(strip.rect.right - strip.rect.left, want[i].width) << i;
        EXPECT_EQ(strip.rect.bottom - strip.rect.top, 48) << i;
        EXPECT_EQ(strip.level, want[i].level) << i;
    }
    // The texts in order: each strip's name (its middle 24 px down), the
    // plant's level box ("level 3" without a language, centred 6 px left of
    // the box's middle), and the bodies: a line row's starts 16 px after its
    // strip as built; the left-out strip's row keeps the plain width.
    struct Text {
        const char16_t* text;
        float x, y;
        bool centreX, centreY;
    } texts[] = {{u"market", 96, 48, false, true},    {u"body", 334, 48, false, true},
                 {u"wheat", 96, 96, false, true},     {u"level 3", 347, 96, true, true},
                 {u"body", 404, 96, false, true},     {u"body", 334, 144, false, true},
                 {u"bees", 96, 192, false, true},     {u"body", 334, 192, false, true},
                 {u"picture", 324, 240, false, true}, {u"body", 266, 269, false, false}};
    ASSERT_EQ(w->Texts().size(), std::size(texts));
    for (size_t i = 0; i < std::size(texts); ++i) {
        const InfoWindow::Text& t = w->Texts()[i];
        EXPECT_EQ(t.text.Text(), texts[i].text) << i;
        EXPECT_EQ(t.x, texts[i].x) << i;
        EXPECT_EQ(t.y, texts[i].y) << i;
        EXPECT_EQ(t.centreX, texts[i].centreX) << i;
        EXPECT_EQ(t.centreY, texts[i].centreY) << i;
    }
    // Names are outlined in light gold, bodies shadowed in half-clear cream.
    EXPECT_EQ(w->Texts()[0].text.OutlineWidth(), 2.0f);
    EXPECT_EQ(w->Texts()[0].text.OutlineColour(), 0xFFFFE29Cu);
    EXPECT_EQ(w->Texts()[1].text.ShadowColour(), 0x80FFF7DDu);
    // The close button is one 26 x 27 look of the page's sheet.
    EXPECT_EQ(w->CloseButton()->rect.right - w->CloseButton()->rect.left, 26);
    EXPECT_EQ(w->CloseButton()->rect.bottom - w->CloseButton()->rect.top, 27);
}

// A strip's icon plays its sprite's own frame sequence; an icon of several
// frames without one, or of one frame, shows its first frame.
TEST_F(ResultWindowTest, InformationStripIconsPlayTheirSpritesSequence) {
    SpriteLibrary library(1, nullptr);
    struct Case {
        const char16_t* name;
        int32_t frames;
        uint32_t frameMs;
        bool plays;
    } cases[] = {{u"spinning", 4, 100, true}, {u"looks", 3, 0, false}, {u"still", 1, 100, false}};
    std::vector<InfoEntry> entries;
    for (const Case& c : cases) {
        Sprite* sprite = library.AddSprite(c.name);
        std::vector<kis::Rect> frames;
        for (int32_t i = 0; i < c.frames; ++i)
            frames.push_back({i * 16, 0, (i + 1) * 16, 16});
        sprite->SetFrames(frames);
        sprite->SetDefaultSequence(kPlayLoop, c.frameMs);
        InfoEntry e{};
        e.rowKind = kInfoLineRow;
        std::copy_n(c.name, std::char_traits<char16_t>::length(c.name), e.name);
        entries.push_back(e);
    }
    InfoWindow* w = manager.Open<InfoWindow>(entries, InfoWindow::PassThrough{}, InfoWindow::RealClock{},
                                             [&library](const InfoEntry& e, InfoObject* out) {
                                                 out->icon = library.FindSprite(e.name);
                                                 out->name = e.name;
                                                 return true;
                                             });
    ASSERT_EQ(w->Icons().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const SpriteInstance& icon = *w->Icons()[i].second;
        EXPECT_EQ(icon.sequenceInUse, cases[i].plays) << i;
        EXPECT_EQ(icon.frame, 0) << i;
        if (!cases[i].plays) continue;
        EXPECT_EQ(icon.sequence.mode, kPlayLoop) << i;
        EXPECT_EQ(icon.sequence.count, cases[i].frames) << i;
        EXPECT_EQ(icon.sequence.frameTime, cases[i].frameMs) << i;
        EXPECT_EQ(icon.sequence.time, host.game) << "from the page's opening";
    }
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
            EXPECT_FALSE(manager.OnMouseDown(750, 550, 1)); // over the level's own button
        }
        EXPECT_EQ(w->closing, c.closes) << c.how;
        manager.Destroy(w);
        manager.DeleteClosedWindows();
        EXPECT_EQ(manager.infoWindow, nullptr);
    }
}

} // namespace

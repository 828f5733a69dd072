// The pause menu's commands, the information page's measures, the level
// window's buttons, rows and bonus checks, and the result window's reveal.

#include "levelui/LevelWindowsModel.h"
#include "gui/Regime.h"

#include <gtest/gtest.h>

namespace {
InfoEntry Row(uint32_t kind, int32_t above = 0, int32_t below = 0) {
    InfoEntry e{};
    e.rowKind = kind;
    e.spaceAbove = above;
    e.spaceBelow = below;
    return e;
}
} // namespace

TEST(PauseMenu, CommandsInOrderAndAnswers) {
    struct Case {
        uint32_t id;
        const char16_t* key;
        int32_t y;
        MenuAction action;
        uint32_t answer;
    } cases[] = {
        {kMenuContinue, u"continue", 94, MenuAction::CloseMenu, 0},
        {kMenuRestart, u"restart", 162, MenuAction::OpenRestartWindow, 2},
        {kMenuAwards, u"awards", 230, MenuAction::OpenAwards, 2},
        {kMenuOptions, u"options", 298, MenuAction::OpenOptions, 2},
        {kMenuToMap, u"to_map", 366, MenuAction::LeaveToMap, 2},
        {kMenuQuit, u"quit", 434, MenuAction::AskQuit, 2},
    };
    for (size_t n = 0; n < std::size(cases); ++n) {
        const Case& c = cases[n];
        SCOPED_TRACE(n);
        EXPECT_EQ(kLevelMenuCommands[n].id, c.id);
        EXPECT_EQ(std::u16string(MenuCommandKey(c.id)), c.key);
        EXPECT_EQ(MenuButtonY(int32_t(n)), c.y);
        EXPECT_EQ(DecideMenuResult(c.id).action, c.action);
        EXPECT_EQ(DecideMenuResult(c.id).answer, c.answer);
    }
    EXPECT_EQ(MenuCommandKey(0x20000007), nullptr);
    EXPECT_EQ(DecideMenuResult(0x20000000).action, MenuAction::None);
    EXPECT_EQ(DecideMenuResult(0x20000000).answer, 0u);
}

TEST(InfoPage, HeightsAndRowTops) {
    struct Case {
        std::vector<InfoEntry> rows;
        int32_t height;
        std::vector<int32_t> tops;
    } cases[] = {
        {{Row(kInfoPictureRow), Row(kInfoLineRow)}, 240, {24, 168}},
        {{Row(kInfoSeparator16), Row(kInfoSeparator4)}, 68, {24, 40}},
        {{}, 59, {}}, // the 64-px minimum comes before the 5 px
        // the larger of a row's space above and the previous one's space below
        {{Row(kInfoLineRow, 0, 10), Row(kInfoLineRow, 6, 40)}, 24 + 48 + 10 + 48 + 40 - 5, {24, 82}},
        {{Row(kInfoLineRow, 30, 0)}, 30 + 48 + 29 - 5, {30}},
    };
    for (const Case& c : cases) {
        const InfoPageLayout page = LayoutInfoPage(c.rows);
        EXPECT_EQ(page.width, 680);
        EXPECT_EQ(page.height, c.height);
        EXPECT_EQ(page.rowTops, c.tops);
    }
}

TEST(InfoPage, StripsPlaceAndCloseButton) {
    EXPECT_EQ(InfoStripWidth(kInfoLineStripWidth, 3, true), 362);
    EXPECT_EQ(InfoStripWidth(kInfoLineStripWidth, 0, true), 292);
    EXPECT_EQ(InfoStripWidth(kInfoPictureStripWidth, 3, false), 404);
    struct Case {
        int32_t sw, sh, w, h, x, y;
    } cases[] = {
        {800, 600, 680, 240, 60, 160},
        {1024, 768, 680, 240, 172, 244},
        {800, 600, 680, 560, 60, 20}, // 0 after the 20 px: they are given back
        {640, 480, 680, 600, 0, 0},   // never above or left of the screen
    };
    for (const Case& c : cases) {
        int32_t x = -1, y = -1;
        InfoPagePosition(c.sw, c.sh, c.w, c.h, &x, &y);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
    EXPECT_EQ(InfoCloseX(680) + kInfoCloseWidth, 680 - 5);
}

TEST(LevelWindow, ButtonsAndKeysByMode) {
    using G = LevelWindowGo;
    struct Case {
        uint32_t mode;
        bool saved;
        std::vector<uint32_t> buttons;
        G enter, restart;
    } cases[] = {
        {kLevelWindowFromMap,
         true,
         {kLevelWindowCancel, kLevelWindowRestart, kLevelWindowContinue},
         G::Continue,
         G::ConfirmRestart},
        {kLevelWindowFromMap, false, {kLevelWindowCancel, kLevelWindowPlay}, G::PlayAfresh, G::PlayAfresh},
        {kLevelWindowFromMenu, true, {kLevelWindowCancel, kLevelWindowRestart}, G::PlayAfresh, G::PlayAfresh},
        {kLevelWindowGameOver, true, {kLevelWindowCancel, kLevelWindowPlay}, G::PlayAfresh, G::PlayAfresh},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode * 2 + c.saved);
        EXPECT_EQ(LevelWindowButtons(c.mode, c.saved), c.buttons);
        EXPECT_EQ(LevelWindowKey(13, c.mode, c.saved), c.enter);
        EXPECT_EQ(LevelWindowKey(27, c.mode, c.saved), G::Cancel);
        EXPECT_EQ(LevelWindowKey(32, c.mode, c.saved), G::Nothing);
        EXPECT_EQ(LevelWindowCommand(kLevelWindowRestart, c.mode, c.saved), c.restart);
        EXPECT_EQ(LevelWindowCommand(kLevelWindowBonusSlot, c.mode, c.saved), G::Nothing);
    }
}

TEST(LevelWindow, MedalRowsAndGoalColumns) {
    EXPECT_EQ(MedalRowOffsets(0), (std::vector<int32_t>{33, 73}));
    EXPECT_EQ(MedalRowOffsets(1), (std::vector<int32_t>{21, 53, 85}));
    struct Case {
        uint32_t count;
        std::vector<int32_t> xs, widths;
    } cases[] = {
        {3, {12, 202, 393}, {191, 192, 191}},
        {2, {12, 298}, {287, 286}},
        {1, {12}, {572}},
        {0, {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> xs, widths;
        for (const GoalColumn& g : GoalColumns(c.count))
            xs.push_back(g.x), widths.push_back(g.width);
        EXPECT_EQ(xs, c.xs);
        EXPECT_EQ(widths, c.widths);
    }
}

TEST(LevelWindow, BonusIdsSelectionAndNewBonus) {
    struct IdCase {
        int64_t id;
        int32_t shown;
    } ids[] = {{-1, -1}, {0, 0}, {5, 5}, {6, -1}, {254, -1}, {-7, -1}};
    for (const IdCase& c : ids)
        EXPECT_EQ(CheckedBonusId(c.id), c.shown) << c.id;

    BonusSelection a{2, {2, 0, -1}}, b{2, {0, 2, -1}}, c{2, {0, 3, -1}}, d{1, {0, -1, -1}};
    EXPECT_TRUE(SameBonuses(a, b));
    EXPECT_FALSE(SameBonuses(a, c));
    EXPECT_FALSE(SameBonuses(b, d));

    struct NewCase {
        uint32_t word;
        bool tutorial;
        int32_t id;
    } news[] = {
        {0x03000011u, true, 2},
        {0x03000011u, false, -1},
        {0x00000011u, true, -1},
        {0xFF000011u, true, -1}, // an id past the six bonuses is none
    };
    for (const NewCase& n : news) {
        uint32_t word = n.word;
        EXPECT_EQ(TakeNewBonus(&word, n.tutorial), n.id);
        EXPECT_EQ(word, 0x11u); // the mark is used up either way, the rest kept
    }
}

TEST(ResultWindow, ColumnsAndMarks) {
    struct Case {
        uint32_t grade, regime;
        std::array<int, 3> shown, ticked;
    } cases[] = {
        {6, 1, {1, 1, 1}, {1, 1, 1}},
        {6, 0, {0, 1, 1}, {1, 1, 1}},
        {4, 1, {1, 1, 1}, {1, 0, 0}},
        {5, 0, {0, 1, 1}, {1, 1, 0}},
    };
    for (const Case& c : cases)
        for (int32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(ResultColumnShown(i, c.regime), bool(c.shown[size_t(i)]));
            EXPECT_EQ(ResultColumnTicked(i, c.grade), bool(c.ticked[size_t(i)]));
        }
    EXPECT_EQ(ResultColumnX(0), 45);
    EXPECT_EQ(ResultColumnX(1), 192);
    EXPECT_EQ(ResultColumnX(2), 339);
}

TEST(ResultWindow, RevealTimeline) {
    struct Case {
        bool newRecord;
        int64_t record, medal;
    } cases[] = {{true, 2200, 2800}, {false, -1, 2200}};
    for (const Case& c : cases) {
        ResultReveal r;
        r.Start(0, 1000, c.newRecord);
        EXPECT_EQ(r.MarkStart(2), 1000);
        EXPECT_EQ(r.MarkStart(1), 1400);
        EXPECT_EQ(r.MarkStart(0), 1800);
        EXPECT_EQ(r.RecordStart(), c.record);
        EXPECT_EQ(r.MedalStart(), c.medal);
        EXPECT_FALSE(r.MarkShown(2, 999));
        EXPECT_TRUE(r.MarkShown(2, 1000));
        EXPECT_EQ(r.MarkFrame(2, 1149, 5), 2u);
        EXPECT_EQ(r.MarkFrame(2, 5000, 5), 4u);
        EXPECT_FALSE(r.MedalShown(uint32_t(c.medal) - 1));
        EXPECT_FLOAT_EQ(r.MedalScale(uint32_t(c.medal) + 100), 4.5f);
        EXPECT_FLOAT_EQ(r.BeforeAlpha(uint32_t(c.medal) + 100), 0.5f);
        EXPECT_TRUE(r.Animating(uint32_t(c.medal) + 199));
        EXPECT_FALSE(r.Animating(uint32_t(c.medal) + 200));
        EXPECT_EQ(r.NewRecordShown(2400), c.newRecord);
        EXPECT_FLOAT_EQ(r.RecordAlpha(2300), c.newRecord ? 0.5f : 1.0f);
    }
}

TEST(ResultWindow, ClickShowsAllOnceAndEnterEnds) {
    ResultReveal r;
    r.Start(0, 1000, true);
    r.Finish(500, false); // a click during the reveal
    EXPECT_TRUE(r.MarkShown(0, 500));
    EXPECT_EQ(r.MarkFrame(0, 500, 6), 5u);
    EXPECT_TRUE(r.NewRecordShown(500));
    EXPECT_FLOAT_EQ(r.RecordAlpha(500), 0.0f);
    EXPECT_FLOAT_EQ(r.BeforeAlpha(500), 0.0f);
    EXPECT_EQ(r.MedalStart(), 750); // the medal drops again 250 ms on
    r.Finish(600, false);           // a second click does nothing more
    EXPECT_EQ(r.MedalStart(), 750);
    EXPECT_TRUE(r.Animating(900));
    r.Finish(900, true); // Enter
    EXPECT_FALSE(r.Animating(900));
    EXPECT_TRUE(r.MedalShown(900));
    EXPECT_FLOAT_EQ(r.MedalScale(900), 1.0f);
}

// A time reads as its second rounded up (at most 99:59:59), and as a gold time only when it won gold.
TEST(TimeRows, ATimeReadsAsOneSecondThatItsMedalAgreesWith) {
    const std::pair<uint32_t, const char16_t*> shown[] = {
        {0, u"00:00:00"},       {59010, u"00:01:00"},     {39060, u"00:00:40"},
        {3723000, u"01:02:03"}, {359999940, u"99:59:59"}, {UINT32_MAX, u"99:59:59"}};
    for (const auto& [ms, text] : shown)
        EXPECT_EQ(FormatLevelTime(ms), text) << ms;
    for (const uint32_t gold : {37000u, 36500u})
        for (const uint32_t ms : {36001u, 36600u, 37000u, 37001u, 37120u, UINT32_MAX})
            EXPECT_EQ(FormatLevelTime(ms) <= FormatLevelTime(gold),
                      GradeForTime(kRegimeHard, ms, 90000, 60000, gold) == kGradeGold)
                << ms;
}

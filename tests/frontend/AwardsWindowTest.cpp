#include "frontend/AwardsWindow.h"
#include "app/Profiles.h"
#include "frontend/BonusesWindow.h"
#include "level/Bonuses.h"
#include "platform/Utf.h"
#include "tests/sprites/SpriteTestHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

AwardRecord MakeAward(int index, int32_t t0, int32_t t1, int32_t t2, int32_t t3) {
    AwardRecord a = {};
    a.key[0] = u'a';
    a.icon[0] = u'i';
    a.index = index;
    a.start = t0;
    a.bronze = t1;
    a.silver = t2;
    a.gold = t3;
    return a;
}

// Awards with thresholds 0, 10, 50, 100; goal k with target 5 (k + 1).
Awards MakeTable() {
    AwardRecord awards[kAwardCount];
    AwardGoal goals[kGoalCount] = {};
    for (int i = 0; i < kAwardCount; ++i)
        awards[i] = MakeAward(i, 0, 10, 50, 100);
    for (int i = 0; i < kGoalCount; ++i) {
        goals[i].key[0] = u'g';
        goals[i].icon[0] = u'i';
        goals[i].index = i;
        goals[i].target = 5 * (i + 1);
    }
    Awards table;
    const std::vector<uint8_t> bytes = EncodeAwardTable(awards, goals);
    std::string why;
    EXPECT_TRUE(table.Read(bytes.data(), bytes.size(), &why)) << why;
    return table;
}

// Steps the animation frame by frame (10 ms) up to a time.
void RunTo(AwardsAnimation& animation, uint32_t& now, uint32_t until) {
    for (; now + 10 < until; now += 10)
        animation.Step(now);
    now = until;
    animation.Step(now);
}

TEST(AwardBarMath, FractionsStayWithinTheBarAndEqualThresholdsAreFull) {
    struct Case {
        const char* name;
        AwardRecord award;
        int tier;
        int32_t value;
        double fraction;
    };
    const Case cases[] = {
        {"half way to bronze", MakeAward(0, 0, 10, 50, 100), 0, 5, 0.5},
        {"a fifth of silver", MakeAward(0, 0, 10, 50, 100), 1, 18, 0.2},
        {"gold is full", MakeAward(0, 0, 10, 50, 100), 3, 7, 1.0},
        {"below the start", MakeAward(0, 20, 30, 50, 100), 0, 5, 0.0},
        {"above the next threshold", MakeAward(0, 0, 10, 50, 100), 0, 40, 1.0},
        {"equal thresholds", MakeAward(0, 0, 10, 10, 100), 1, 10, 1.0},
        {"thresholds out of order", MakeAward(0, 0, 50, 10, 100), 1, 30, 1.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(AwardFraction(c.award, c.tier, c.value), c.fraction) << c.name;
}

TEST(AwardBarMath, ProgressTakesTwoSecondsAFullBarAndAtLeastATick) {
    EXPECT_EQ(ProgressDuration(0.25, 0.75), 1000u);
    EXPECT_EQ(ProgressDuration(0.0, 1.0), 2000u);
    EXPECT_EQ(ProgressDuration(0.5, 0.5), kMinEffectMs);
}

TEST(AwardBarMath, BarQuadsAndTheMarker) {
    struct Case {
        double shown, end;
        AwardBar bar;
    };
    const Case cases[] = {
        {0.5, 0.5, {24, 24, 24}},   // half: 24 pixels and the marker at 24
        {0.25, 0.75, {12, 36, 36}}, // the newly gained part after the old one
        {0.0, 0.0, {0, 0, -1}},     // empty: no quad, no marker
        {0.0, 1.0, {0, 48, -1}},    // full: no marker at the edge
        {0.5, 0.25, {24, 24, 12}},  // an end below the shown part adds nothing
        {-0.5, 1.5, {0, 48, -1}},   // out-of-range fractions are clamped
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildAwardBar(c.shown, c.end), c.bar) << c.shown << " " << c.end;
}

TEST(AwardBarMath, FlashColours) {
    EXPECT_EQ(TierFlashColour(0), 0xFF101010u);
    EXPECT_EQ(TierFlashColour(300), 0xFF000000u);
    EXPECT_EQ(GoalFlashColour(0), 0x00FFFFFFu);
    EXPECT_EQ(GoalFlashColour(250), 0xFFFFFFFFu);
    EXPECT_EQ(GoalFlashColour(500), 0x00FFFFFFu);
}

struct Words {
    int32_t seen[18] = {};
    int32_t now[18] = {};
};

TEST(AwardsAnimation, NewlyReachedGoalsFadeInAndFlashOneAfterAnother) {
    const Awards table = MakeTable();
    Words w;
    w.now[kAwardCount + 0] = 5; // goal 0 reached
    w.now[kAwardCount + 1] = 9; // goal 1 not (target 10)
    w.now[kAwardCount + 2] = 15;
    uint32_t now = 0;
    AwardsAnimation animation(table, w.seen, w.now, now);
    EXPECT_EQ(animation.Pending(), 2u); // the two goals; nothing else changed
    struct Probe {
        uint32_t at;
        int goal;
        bool fading;
        float alpha;
        uint32_t flash;
    };
    const Probe probes[] = {
        {999, 0, true, 0.0f, 0},
        {1125, 0, true, 0.5f, 0},
        {1250, 0, false, 1.0f, 0x00FFFFFF},
        {1500, 0, false, 1.0f, 0xFFFFFFFF},
        {2200, 2, true, 0.0f, 0},
        {2450, 2, false, 1.0f, 0x00FFFFFF},
    };
    int32_t sounds = 0;
    for (const Probe& p : probes) {
        RunTo(animation, now, p.at);
        const GoalReveal& goal = animation.Goal(p.goal);
        EXPECT_EQ(goal.Fading(now), p.fading) << p.at;
        EXPECT_FLOAT_EQ(goal.FadeAlpha(now), p.alpha) << p.at;
        EXPECT_EQ(goal.FlashColour(now), p.flash) << p.at;
        sounds += animation.TakeSounds(now);
    }
    EXPECT_EQ(animation.Goal(1).Frame(), 0);
    EXPECT_EQ(sounds, 2); // both flashes sounded, each at its start
    RunTo(animation, now, 2950);
    EXPECT_EQ(animation.Pending(), 0u);
    EXPECT_EQ(animation.Goal(0).Frame(), 1);
    EXPECT_EQ(animation.Goal(2).Frame(), 1);
}

TEST(AwardsAnimation, ATwoTierJumpFillsFlashesRefillsAndRunsToTheValue) {
    const Awards table = MakeTable();
    Words w;
    w.seen[4] = 5;
    w.now[4] = 60; // from half-way to bronze up to a fifth into gold's way
    uint32_t now = 0;
    AwardsAnimation animation(table, w.seen, w.now, now);
    EXPECT_EQ(animation.Pending(), 1u);
    const AwardProgress& award = animation.Award(4);
    struct Probe {
        uint32_t at;
        int tier;
        AwardBar bar;
        bool flashing;
    };
    const Probe probes[] = {
        {900, 0, {24, 24, 24}, false},  // waits for the reveal delay
        {1500, 0, {24, 36, 36}, false}, // half of the remaining half
        {2000, 1, {0, 0, -1}, true},    // bronze: flash, the bar empty
        {2150, 1, {0, 0, -1}, true},    // the 200-ms pause
        {3200, 1, {0, 24, 24}, false},  // refilling towards silver
        {4200, 2, {0, 0, -1}, true},    // silver
        {4600, 2, {0, 4, 4}, false},    // a fifth of the way to gold, half run
        {4800, 2, {0, 9, 9}, false},    // done at the value: the part gained in this tier
    };
    for (const Probe& p : probes) {
        RunTo(animation, now, p.at);
        EXPECT_EQ(award.ShownTier(), p.tier) << p.at;
        EXPECT_EQ(award.Bar(), p.bar) << p.at;
        EXPECT_EQ(award.Flashing(now), p.flashing) << p.at;
    }
    EXPECT_FALSE(award.Animating());
    EXPECT_EQ(animation.Pending(), 0u);
    EXPECT_EQ(animation.TakeSounds(now), 2); // one per tier
}

// The bars wait for the goals: each newly reached goal's reveal (fade and
// flash, 1,200 ms) moves their start on; goals reached before, or not at
// all, do not.
TEST(AwardsAnimation, TheBarsStartAfterTheGoalRevealsAdvancedTheDelay) {
    struct Case {
        const char* name;
        std::vector<int> newGoals, oldGoals;
        uint32_t start;
    };
    const Case cases[] = {
        {"no goal", {}, {}, 1000},
        {"one new goal", {2}, {}, 2200},
        {"three new goals", {0, 4, 7}, {}, 4600},
        {"goals reached before", {}, {1, 3}, 1000},
        {"one new among old ones", {5}, {1, 3}, 2200},
    };
    const Awards table = MakeTable();
    for (const Case& c : cases) {
        Words w;
        w.now[0] = 10; // award 0: a full bar to bronze, 2,000 ms
        for (int goal : c.newGoals)
            w.now[kAwardCount + goal] = 5 * (goal + 1);
        for (int goal : c.oldGoals)
            w.seen[kAwardCount + goal] = w.now[kAwardCount + goal] = 5 * (goal + 1);
        uint32_t now = 0;
        AwardsAnimation animation(table, w.seen, w.now, now);
        const AwardProgress& award = animation.Award(0);
        RunTo(animation, now, c.start);
        EXPECT_EQ(award.Bar(), (AwardBar{0, 0, -1})) << c.name << ": nothing before " << c.start;
        RunTo(animation, now, c.start + 500);
        EXPECT_EQ(award.Bar(), (AwardBar{0, 12, 12})) << c.name << ": a quarter 500 ms later";
        RunTo(animation, now, c.start + 2000);
        EXPECT_EQ(award.ShownTier(), 1) << c.name;
    }
}

TEST(AwardsAnimation, TheFinalAwardWaitsForEverythingElse) {
    const Awards table = MakeTable();
    Words w;
    w.now[17] = 1;
    w.now[0] = 10; // bronze: a full bar, 2,000 ms from 1,000 ms
    uint32_t now = 0;
    AwardsAnimation animation(table, w.seen, w.now, now);
    EXPECT_EQ(animation.Pending(), kFinalRevealPending | 1u);
    RunTo(animation, now, 2990);
    EXPECT_EQ(animation.Pending(), kFinalRevealPending | 1u);
    RunTo(animation, now, 3000);
    // The bar ended and the award's last step finished it: the reveal starts now.
    EXPECT_EQ(animation.Pending(), 1u);
    const uint32_t start = now;
    EXPECT_EQ(animation.Final().Frame(), 0);
    RunTo(animation, now, start + 799);
    EXPECT_FLOAT_EQ(animation.Final().FadeAlpha(now), 0.0f);
    RunTo(animation, now, start + 1050);
    EXPECT_EQ(animation.Final().FlashColour(now), 0x00FFFFFFu);
    RunTo(animation, now, start + 1550);
    EXPECT_EQ(animation.Pending(), 0u);
    EXPECT_EQ(animation.Final().Frame(), 1);
}

TEST(AwardsAnimation, FinishAllEndsEveryAnimationAtOnce) {
    const Awards table = MakeTable();
    Words w;
    w.now[17] = 1;
    w.now[1] = 99;
    w.now[kAwardCount + 3] = 20;
    uint32_t now = 0;
    AwardsAnimation animation(table, w.seen, w.now, now);
    RunTo(animation, now, 1300);
    animation.FinishAll();
    EXPECT_EQ(animation.Pending(), 0u);
    EXPECT_EQ(animation.Award(1).ShownTier(), 2);
    EXPECT_EQ(animation.Award(1).Bar(), (AwardBar{0, 47, 47}));
    EXPECT_FALSE(animation.Award(1).Flashing(now));
    EXPECT_EQ(animation.Goal(3).Frame(), 1);
    EXPECT_EQ(animation.Final().Frame(), 1);
    RunTo(animation, now, 5000); // nothing starts afterwards
    EXPECT_EQ(animation.Pending(), 0u);
    EXPECT_EQ(animation.TakeSounds(now), 0);
}

TEST(MedalsPanel, LayoutWithAndWithoutTitle) {
    const MedalsPanel titled(10, 9, 13, 3, true);
    EXPECT_EQ(titled.Height(), 39);
    EXPECT_EQ(titled.IconAt(2), (std::array<int32_t, 2>{215, 3}));
    EXPECT_EQ(titled.IconAt(1), (std::array<int32_t, 2>{320, 3}));
    EXPECT_EQ(titled.IconAt(0), (std::array<int32_t, 2>{425, 3}));
    const MedalsPanel plain(4, 5, 4, 5, false);
    EXPECT_EQ(plain.IconAt(2), (std::array<int32_t, 2>{20, 7}));
    EXPECT_EQ(plain.IconAt(0)[0], 20 + 220);
    EXPECT_LT(plain.Width(), titled.Width());
    EXPECT_EQ(MedalsPanel::CountDy(20), 6);
}

struct ProfileFixture : ::testing::Test {
    spritetest::TestHost host;
    TempDir dir;
    ProfileManager profiles{platform::Utf8ToUtf16(dir.Path().string())};
    WindowManager manager{nullptr, nullptr};
    Awards table = MakeTable();

    Profile* Make() {
        Profile* p = profiles.CreateProfile(u"Anna");
        profiles.SetCurrent(p);
        return p;
    }
};

TEST_F(ProfileFixture, MedalCountsAreWrittenFirstThenOnlyWhenTheyChange) {
    Profile* p = Make();
    MedalsPanel panel(10, 9, 13, 3, true);
    EXPECT_EQ(panel.Update(p, kRegimeEasy), 3); // the first counts, zeros too, are written
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(panel.CountText(i), u"0") << i;
    RegimeProgress& easy = p->MutableRecord().results.regimes[kRegimeEasy];
    easy.levels[0].status = kLevelGold;
    easy.levels[1].status = kLevelGold;
    easy.levels[2].status = kLevelBronze;
    EXPECT_EQ(panel.Update(p, kRegimeEasy), 2);
    EXPECT_EQ(panel.CountText(2), u"2");
    EXPECT_EQ(panel.CountText(0), u"1");
    EXPECT_EQ(panel.CountText(1), u"0"); // silver unchanged
    EXPECT_EQ(panel.Update(p, kRegimeEasy), 0);
    EXPECT_EQ(panel.Update(p, kRegimeHard), 2);
    EXPECT_EQ(panel.CountText(2), u"0");
}

TEST_F(ProfileFixture, TheSecondOpeningAnimatesNothing) {
    Profile* p = Make();
    p->MutableRecord().awards[0] = 30;
    p->MutableRecord().awards[kAwardCount] = 5;
    AwardsWindow* first = OpenAwardsWindow(manager, table, &profiles);
    EXPECT_NE(first->Animation().Pending(), 0u);
    EXPECT_EQ(manager.awardsWindow, first);
    EXPECT_EQ(p->Record().awardsSeen[0], 30); // seen at once, and saved
    // A click finishes everything; Escape closes.
    EXPECT_TRUE(first->OnMouseDown(10, 10, 1));
    EXPECT_EQ(first->Animation().Pending(), 0u);
    EXPECT_TRUE(first->OnKeyDown(kKeyEscape, 0));
    for (int i = 0; i < 3; ++i) {
        host.game += 500;
        manager.Update();
        manager.Draw();
    }
    EXPECT_EQ(manager.awardsWindow, nullptr);

    ProfileManager reread(platform::Utf8ToUtf16(dir.Path().string()));
    reread.Load();
    ASSERT_NE(reread.Current(), nullptr);
    EXPECT_EQ(reread.Current()->Record().awardsSeen[kAwardCount], 5);

    AwardsWindow* second = OpenAwardsWindow(manager, table, &profiles);
    EXPECT_EQ(second->Animation().Pending(), 0u);
    EXPECT_EQ(second->Animation().Award(0).ShownTier(), 1);
    EXPECT_EQ(second->Medals(kRegimeHard).CountText(2), u"0"); // no medals: the count reads 0
}

TEST_F(ProfileFixture, ThePreviewAnimatesRandomValuesAndLeavesTheProfileAlone) {
    Profile* p = Make();
    p->MutableRecord().awards[3] = 7;
    AwardsWindow* preview = OpenAwardsWindow(manager, table, &profiles, true);
    EXPECT_EQ(p->Record().awardsSeen[3], 0);
    EXPECT_TRUE(preview->Animation().Pending() & kFinalRevealPending);

    int32_t seen[18] = {}, current[18] = {};
    seen[17] = 1;
    for (int round = 0; round < 50; ++round) {
        PreviewAwardValues(table, seen, current);
        for (int i = 0; i < kAwardCount; ++i) {
            EXPECT_GE(current[i], 0);
            EXPECT_LT(current[i], 120); // 1.2 x gold 100
        }
        for (int i = 0; i < kGoalCount; ++i)
            EXPECT_LT(current[kAwardCount + i], 10 * (i + 1));
        EXPECT_EQ(current[17], 1);
        EXPECT_EQ(seen[17], 0);
    }
}

TEST(BonusChoice, SelectDeselectAndDamagedIds) {
    struct Case {
        const char* name;
        BonusSelection from;
        std::vector<int32_t> toggles;
        BonusSelection expected;
    };
    const Case cases[] = {
        {"a fourth replaces the third", {3, {0, 1, 2}}, {4}, {3, {0, 1, 4}}},
        {"removing the first moves the others", {3, {0, 1, 2}}, {0}, {2, {1, 2, -1}}},
        {"a chosen bonus clicked again goes", {1, {5, -1, -1}}, {5}, {0, {-1, -1, -1}}},
        {"ids out of range count as empty", {3, {7, -4, 2}}, {}, {1, {2, -1, -1}}},
        {"a repeated id counts once", {3, {1, 1, 3}}, {}, {2, {1, 3, -1}}},
        {"a count above three", {9, {0, 1, 2}}, {}, {3, {0, 1, 2}}},
        {"select, deselect, select", {0, {-1, -1, -1}}, {3, 1, 3, 0}, {2, {1, 0, -1}}},
    };
    for (const Case& c : cases) {
        BonusChoice choice(c.from);
        for (int32_t id : c.toggles)
            choice.Toggle(id);
        EXPECT_EQ(choice.Selection(), c.expected) << c.name;
    }
}

TEST_F(ProfileFixture, TheBonusesWindowEditsACopyAndWritesItBackOnEscape) {
    Profile* p = Make();
    for (int id : {0, 2, 5})
        p->MutableRecord().results.regimes[kRegimeEasy].owned[id] = 1;
    Bonuses bonuses;
    BonusSelection selection{2, {0, 2, -1}};
    int applied = 0;
    auto* window = manager.Open<BonusesWindow>(bonuses, p, &selection, [&] { ++applied; });
    ASSERT_EQ(window->PanelCount(), 3);
    EXPECT_EQ(window->Panel(1), nullptr); // not owned
    for (int n = 0; n < 3; ++n) {
        GameButton* panel = window->Panel(n == 0 ? 0 : n == 1 ? 2 : 5);
        EXPECT_EQ(panel->rect.top, window->contentTop + 47 * n + 5) << n;
    }
    window->OnButtonClick(window->Panel(5)); // chosen third
    EXPECT_EQ(window->Choice().Selection(), (BonusSelection{3, {0, 2, 5}}));
    window->OnButtonClick(window->Slot(0)); // the first slot's bonus goes, the others move up
    EXPECT_EQ(window->Choice().Selection(), (BonusSelection{2, {2, 5, -1}}));
    window->OnButtonClick(window->Panel(2)); // a chosen panel clicked again
    EXPECT_EQ(window->Choice().Selection(), (BonusSelection{1, {5, -1, -1}}));
    EXPECT_EQ(selection, (BonusSelection{2, {0, 2, -1}})); // untouched until applied
    EXPECT_TRUE(window->OnKeyDown(kKeyEscape, 0));
    EXPECT_EQ(selection, (BonusSelection{1, {5, -1, -1}}));
    EXPECT_EQ(applied, 1);
}

TEST(BonusChoice, PanelRowsAndSeparator) {
    EXPECT_EQ(BonusPanelY(56, 0), 61);
    EXPECT_EQ(BonusPanelY(56, 2), 155);
    const bool separator[7] = {false, true, true, true, true, true, false};
    for (int32_t n = 0; n <= 6; ++n)
        EXPECT_EQ(BonusSeparator(n), separator[n]) << n;
}

} // namespace

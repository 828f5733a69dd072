// The notice stacks on a test clock: the award notice's effects and
// lifetime, the limit of three open notices, slides, placement at two
// screen sizes, a repeated message, still lifetimes under a modal window,
// re-anchoring with a keep mask, and clicks.

#include "gui/Notices.h"
#include "sprites/GameEffect.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Anchor : public GameWindow {
  public:
    Anchor(WindowManager& m, bool modal) : GameWindow(m, MakeWindowTag('A', 'n', 'c', 'h'), modal) {}
};

// A window showing a box no notice may cover (a tutorial's).
class Boxed : public GameWindow {
  public:
    explicit Boxed(WindowManager& m) : GameWindow(m, MakeWindowTag('B', 'o', 'x', 'd'), false) {}
    bool KeepsNoticesOff(const kis::Rect&) const override { return true; }
};

class NoticesTest : public ::testing::Test {
  protected:
    // Steps the clock and runs a frame as the program does.
    void Frame(uint32_t ms) {
        host.game += ms;
        manager.Update();
        manager.Draw();
    }
    MessageWindow* Message(uint32_t id, uint32_t lifetime = 5000, MessageWindow::ClickCallback cb = nullptr) {
        return manager.Messages().Show(id, nullptr, 0, u"", 0, nullptr, lifetime, std::move(cb), 7);
    }
    int32_t Open(const NoticeStack& s) const { return s.OpenCount(); }

    spritetest::TestHost host;
    WindowManager manager{nullptr, nullptr};
    std::vector<uint32_t> sounds;
    void SetUp() override {
        manager.Messages().playSound = [this](uint32_t id) { sounds.push_back(id); };
        manager.Awards().playSound = [this](uint32_t id) { sounds.push_back(id); };
        manager.Awards().awardSound = 9;
        Frame(0);
    }
};

TEST_F(NoticesTest, AwardNoticeFadesInLivesEightSecondsAndFadesOut) {
    NewAwardWindow* n = manager.Awards().Show(0, 3, 2);
    EXPECT_EQ(sounds, std::vector<uint32_t>{9});
    EXPECT_EQ(n->lifetime, kAwardNoticeLifetime);
    struct Step {
        uint32_t advance;
        float alpha;
        bool closing;
    };
    // Alpha 0 -> 1 in 150 ms (an effect's first step counts 10 ms), open until 8,000 ms, then 1 -> 0 in 150
    // ms.
    const Step steps[] = {{0, 0.0f, false},   {75, 0.5f, false}, {75, 1.0f, false}, {7000, 1.0f, false},
                          {849, 1.0f, false}, {1, 1.0f, true},   {75, 0.5f, true}};
    for (const Step& s : steps) {
        host.game += s.advance;
        manager.Update();
        n->IsAnimating(nullptr);
        EXPECT_NEAR(n->EffectAlpha(), s.alpha, 0.08f) << "after " << s.advance;
        EXPECT_EQ(n->closing, s.closing) << "after " << s.advance;
    }
    Frame(75);
    Frame(1);
    EXPECT_TRUE(manager.Awards().Notices().empty()); // deleted once the hide effect ended
    EXPECT_EQ(manager.Count(), 0);
}

TEST_F(NoticesTest, TextKeysByKindAndTier) {
    struct Case {
        uint32_t kind, tier;
        std::u16string key;
    };
    const Case cases[] = {{0, 1, u"small_bronze_message"},
                          {0, 2, u"small_silver_message"},
                          {0, 3, u"small_gold_message"},
                          {1, 1, u"big_award_message"},
                          {2, 0, u"final_award_message"}};
    for (const Case& c : cases)
        EXPECT_EQ(NewAwardWindowStack::TextKey(c.kind, c.tier), c.key) << c.kind << "/" << c.tier;
}

TEST_F(NoticesTest, AFourthAwardClosesTheOldestOpenOne) {
    std::vector<NewAwardWindow*> shown;
    for (uint32_t i = 0; i < 5; ++i) {
        shown.push_back(manager.Awards().Show(0, i, 1));
        Frame(10);
        EXPECT_LE(Open(manager.Awards()), 3) << i;
    }
    EXPECT_EQ(Open(manager.Awards()), 3);
    EXPECT_TRUE(shown[0]->closing);
    EXPECT_TRUE(shown[1]->closing);
    for (int i = 2; i < 5; ++i)
        EXPECT_FALSE(shown[size_t(i)]->closing) << i;
    // The newest sits at 0, the older ones above it by the content heights.
    const int32_t h = shown[4]->content.Height();
    EXPECT_EQ(shown[4]->stackY, 0);
    EXPECT_EQ(shown[3]->stackY, -h);
    EXPECT_EQ(shown[2]->stackY, -2 * h);
}

TEST_F(NoticesTest, PlacementAtBothScreenSizes) {
    Anchor* panel = manager.Open<Anchor>(false);
    manager.Awards().Relayout(panel, kNoticeOffsetLevel);
    manager.Messages().Relayout(panel, kNoticeOffsetLevel, kNoticeLevel);
    NewAwardWindow* award = manager.Awards().Show(1, 7, 1);
    MessageWindow* message = Message(kNoticeWarehouseFull + 3);
    struct Case {
        int32_t w, h, offset;
    };
    const Case cases[] = {{800, 600, kNoticeOffsetLevel},
                          {1024, 768, kNoticeOffsetLevel},
                          {800, 600, kNoticeOffsetMap},
                          {1024, 768, kNoticeOffsetMainScreen}};
    for (const Case& c : cases) {
        manager.Awards().Relayout(panel, c.offset);
        manager.Messages().Relayout(panel, c.offset, kNoticeLevel);
        Frame(200); // slides done
        award->OnScreenResize(c.w, c.h);
        manager.Messages().OnScreenResize(c.w, c.h);
        for (NoticeWindow* n : {static_cast<NoticeWindow*>(award), static_cast<NoticeWindow*>(message)}) {
            const NoticeContent& k = n->content;
            const float y = float(c.h - c.offset - k.Height() + n->stackY - k.OffsetY());
            EXPECT_FLOAT_EQ(n->posY, y) << c.w << " offset " << c.offset;
        }
        EXPECT_FLOAT_EQ(award->posX, float(c.w - award->content.Width() - 4 - award->content.OffsetX()))
            << c.w;
        EXPECT_FLOAT_EQ(message->posX, float(4 - message->content.OffsetX())) << c.w;
    }
    // Both sit directly above the anchor.
    EXPECT_EQ(manager.IndexOf(panel), 0);
    EXPECT_EQ(manager.Count(), 3);
}

TEST_F(NoticesTest, SlidesTakeOneHundredFiftyMs) {
    MessageWindow* older = Message(kNoticeLevel | 1);
    Frame(200);
    Message(kNoticeLevel | 2);
    const int32_t h = older->content.Height();
    EXPECT_EQ(older->stackY, -h);
    const float steps[] = {float(h), float(h) / 2, 0.0f, 0.0f};
    for (float expected : steps) {
        EXPECT_NEAR(older->SlideOffset(), expected, 0.6f);
        Frame(75);
    }
}

TEST_F(NoticesTest, TheSameMessageRestartsItsTimerAndReplaysItsSound) {
    MessageWindow* first = Message(kNoticeWarehouseFull + 5, 1000);
    EXPECT_EQ(sounds, std::vector<uint32_t>{7});
    Frame(200);
    Frame(600);
    EXPECT_EQ(first->elapsed, 800u);
    MessageWindow* again = Message(kNoticeWarehouseFull + 5, 1000);
    EXPECT_EQ(again, first);
    EXPECT_EQ(manager.Messages().Notices().size(), 1u);
    EXPECT_EQ(first->elapsed, 0u);
    EXPECT_TRUE(first->pop);
    EXPECT_EQ(sounds, (std::vector<uint32_t>{7, 7}));
    Frame(0); // the pop's first step
    Frame(200);
    EXPECT_FALSE(first->pop); // the pop ended
    Frame(700);
    EXPECT_FALSE(first->closing);
    Frame(100);
    EXPECT_TRUE(first->closing);
    EXPECT_EQ(manager.Messages().FindById(kNoticeWarehouseFull + 5), nullptr);
}

TEST_F(NoticesTest, LifetimesStandStillUnderAModalWindowAndAFadeAndForeverStays) {
    MessageWindow* timed = Message(kNoticeLevel | 1, 1000);
    MessageWindow* forever = Message(kNoticeLevel | 2, kNoticeForever);
    Frame(500);
    Anchor* dialog = manager.Open<Anchor>(true);
    Frame(5000);
    EXPECT_EQ(timed->elapsed, 500u);
    manager.Destroy(dialog);
    Boxed* box = manager.Open<Boxed>(); // the notice waits for it, unseen
    Frame(5000);
    EXPECT_EQ(timed->elapsed, 500u);
    manager.Destroy(box);
    // A fade the length of a long hold, taking none of the callbacks.
    StartGameEffect(std::make_unique<GEffect_ShowHide>(nullptr, 100, 100, 1000000, 1, 0));
    Frame(5000);
    EXPECT_EQ(timed->elapsed, 500u);
    StartGameEffect(nullptr);
    Frame(499);
    EXPECT_FALSE(timed->closing);
    Frame(1);
    EXPECT_TRUE(timed->closing);
    Frame(100000);
    EXPECT_FALSE(forever->closing);
}

TEST_F(NoticesTest, ReanchoringKeepsOnlyTheStatesMessages) {
    Message(kNoticeLevel | 1);
    Message(kNoticeWarehouseFull + 2);
    MessageWindow* map = Message(kNoticeMap | 3);
    NewAwardWindow* award = manager.Awards().Show(0, 1, 1);
    Frame(1000);
    Anchor* mapAnchor = manager.Open<Anchor>(false);
    manager.Messages().Relayout(mapAnchor, kNoticeOffsetMap, kNoticeMap);
    manager.Awards().Relayout(mapAnchor, kNoticeOffsetMap);
    ASSERT_EQ(manager.Messages().Notices().size(), 1u);
    EXPECT_EQ(manager.Messages().Notices()[0], map);
    EXPECT_EQ(map->elapsed, 0u);
    EXPECT_EQ(award->elapsed, 0u);
    EXPECT_EQ(manager.Awards().BottomOffset(), kNoticeOffsetMap);
    EXPECT_GT(manager.IndexOf(map), manager.IndexOf(mapAnchor));

    // The warehouse window closes the warehouse-full messages only.
    Message(kNoticeWarehouseFull + 4);
    MessageWindow* level = Message(kNoticeLevel | 5);
    manager.Messages().CloseMatching(kNoticeWarehouseFull);
    EXPECT_EQ(Open(manager.Messages()), 2);
    EXPECT_FALSE(level->closing);
    manager.Messages().DeleteExcept(0);
    manager.Awards().DeleteAll();
    EXPECT_TRUE(manager.Messages().Notices().empty());
    EXPECT_TRUE(manager.Awards().Notices().empty());
    EXPECT_EQ(manager.Count(), 1);
}

TEST_F(NoticesTest, ClicksCloseAsTheCallbackSays) {
    std::vector<uint32_t> calls;
    bool answer = false;
    int product = 0;
    MessageWindow* m = manager.Messages().Show(
        kNoticeWarehouseFull + 1, nullptr, 0, u"", 0x1000009, &product, kNoticeForever,
        [&](uint32_t kind, const void* object, uint32_t button) {
            EXPECT_EQ(object, &product);
            calls.push_back(kind), calls.push_back(button);
            return answer;
        },
        0);
    Frame(0);
    Frame(200);
    const int32_t x = (m->rect.left + m->rect.right) / 2, y = (m->rect.top + m->rect.bottom) / 2;
    EXPECT_TRUE(manager.OnMouseDown(x, y, 1));
    EXPECT_FALSE(m->closing);
    answer = true;
    manager.OnMouseDown(x, y, 1);
    EXPECT_TRUE(m->closing);
    EXPECT_EQ(calls, (std::vector<uint32_t>{0x1000009, 1, 0x1000009, 1}));

    int opened = 0;
    manager.Awards().openAwardsWindow = [&] { ++opened; };
    NewAwardWindow* a = manager.Awards().Show(2, 0, 3);
    Frame(0);
    Frame(200);
    EXPECT_FALSE(manager.OnMouseDown(a->rect.left - 2, a->rect.top - 2, 1)); // beside it
    const int32_t ax = (a->rect.left + a->rect.right) / 2, ay = (a->rect.top + a->rect.bottom) / 2;
    manager.OnMouseDown(ax, ay, 1);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(a->closing);
    manager.OnMouseDown(ax, ay, 4);
    EXPECT_TRUE(a->closing);
}

} // namespace

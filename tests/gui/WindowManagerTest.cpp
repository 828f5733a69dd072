// The window manager: input routing through the stack, layer orders, hover,
// capture, hints, cursors and deferred deletion of windows.
#include "engine/Log.h"
#include "gui/Hint.h"
#include "gui/Window.h"
#include "platform/Utf.h"
#include "tests/sprites/SpriteTestHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kTagA = MakeWindowTag('A', 'a', 'a', 'a');
constexpr uint32_t kTagB = MakeWindowTag('B', 'b', 'b', 'b');
constexpr uint32_t kTagC = MakeWindowTag('C', 'c', 'c', 'c');

// A window that records the events it was offered and takes those inside its rectangle.
class ProbeWindow : public GameWindow {
  public:
    ProbeWindow(WindowManager& m, uint32_t tag, bool modal, kis::Rect r, std::vector<std::string>* log)
        : GameWindow(m, tag, modal), log_(log) {
        rect = r;
    }
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override {
        log_->push_back(Name() + " down");
        return GameWindow::OnMouseDown(x, y, button);
    }
    bool OnKeyDown(uint32_t key, uint32_t flags) override {
        log_->push_back(Name() + " key");
        return takeKeys || GameWindow::OnKeyDown(key, flags);
    }
    void Draw(DXLViewer&) override {}
    std::string Name() const { return std::string{char(tag >> 24)}; }
    bool takeKeys = false;

  private:
    std::vector<std::string>* log_;
};

// A button that runs a function when clicked.
class CallbackButton : public ActiveButton {
  public:
    CallbackButton(GameWindow* w, GameControls* g, uint32_t id, std::function<void()> onClick)
        : ActiveButton(w, g, id), onClick_(std::move(onClick)) {
        rect = kis::MakeRectWH(10, 10, 50, 20);
    }
    void OnClick() override {
        onClick_();
        ActiveButton::OnClick();
    }

  private:
    std::function<void()> onClick_;
};

std::string Order(const WindowManager& m) {
    std::string out;
    for (int32_t i = 0; i < m.Count(); ++i)
        out += char(m.Get(i)->tag >> 24);
    return out;
}

struct Fixture : ::testing::Test {
    spritetest::TestHost host;
    WindowManager manager{nullptr, nullptr};
    std::vector<std::string> log;

    ProbeWindow* Open(uint32_t tag, bool modal, kis::Rect r = kis::MakeRectWH(0, 0, 100, 100)) {
        return manager.Open<ProbeWindow>(tag, modal, r, &log);
    }
};

using Routing = Fixture;

TEST_F(Routing, InputGoesTopDownAndStopsAtTheFirstTakerOrAModalWindow) {
    Open(kTagA, false, kis::MakeRectWH(0, 0, 300, 300));
    Open(kTagB, true, kis::MakeRectWH(0, 0, 100, 100)); // modal in the middle
    Open(kTagC, false, kis::MakeRectWH(200, 200, 50, 50));
    struct Case {
        int32_t x, y;
        bool taken;
        std::vector<std::string> offered;
    };
    const Case cases[] = {
        {210, 210, true, {"C down"}},           // the top window takes it
        {50, 50, true, {"C down", "B down"}},   // passes C, the modal window takes it
        {150, 150, true, {"C down", "B down"}}, // outside B, yet the modal window stops it
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_EQ(manager.OnMouseDown(c.x, c.y, 1), c.taken) << c.x;
        manager.OnMouseUp(c.x, c.y, 1);
        EXPECT_EQ(log, c.offered) << c.x;
    }
    EXPECT_EQ(manager.ModalCount(), 1);
    // Below the modal window no window counts as hovered.
    EXPECT_TRUE(manager.OnMouseMove(150, 150, 0));
    EXPECT_EQ(manager.HoveredWindow(), nullptr);
    EXPECT_TRUE(manager.OnMouseMove(50, 50, 0));
    EXPECT_EQ(manager.HoveredWindow(), manager.Get(1));
}

TEST_F(Routing, WithoutAModalWindowAMissReachesNobody) {
    Open(kTagA, false, kis::MakeRectWH(0, 0, 50, 50));
    Open(kTagB, false, kis::MakeRectWH(100, 0, 50, 50));
    EXPECT_FALSE(manager.OnMouseDown(500, 500, 1));
    EXPECT_EQ(log, (std::vector<std::string>{"B down", "A down"}));
    EXPECT_FALSE(manager.OnMouseMove(500, 500, 0));
    EXPECT_TRUE(manager.OnMouseMove(10, 10, 0));
    EXPECT_EQ(manager.HoveredWindow(), manager.Get(0));
}

// What a tutorial is told travels with its type: a receiver gets the object
// only as the type it was handed out as, a derived object handed out as its
// base included; anything else, and nothing, reads as null.
TEST(TutorialObjects, AReceiverGetsTheObjectOnlyAsTheTypeItWasHandedOutAs) {
    struct Base {
        virtual ~Base() = default;
        int id = 1;
    };
    struct Derived : Base {};
    struct Other {
        int id = 2;
    };
    Derived derived;
    Base base;
    Other other;
    const TutorialObject asBase = TutorialObject::Of<Base>(&derived);
    const TutorialObject asDerived(&derived);
    const TutorialObject nothing;
    const TutorialObject null = TutorialObject::Of<Base>(nullptr);
    struct Case {
        const char* what;
        TutorialObject object;
        const Base* base;
        const Derived* derived;
        const Other* other;
    } cases[] = {
        {"derived as base", asBase, &derived, nullptr, nullptr},
        {"derived as itself", asDerived, nullptr, &derived, nullptr},
        {"a base", TutorialObject(&base), &base, nullptr, nullptr},
        {"another type", TutorialObject(&other), nullptr, nullptr, &other},
        {"nothing", nothing, nullptr, nullptr, nullptr},
        {"a null pointer", null, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.object.As<Base>(), c.base);
        EXPECT_EQ(c.object.As<Derived>(), c.derived);
        EXPECT_EQ(c.object.As<Other>(), c.other);
        EXPECT_EQ(c.object.IsEmpty(), !c.base && !c.derived && !c.other);
    }
    EXPECT_TRUE(asBase.Is<Base>(&derived));
    EXPECT_FALSE(asBase.Is<Base>(&base));
    EXPECT_FALSE(asDerived.Is<Base>(&derived)) << "handed out as the derived type";
    EXPECT_FALSE(null.Is<Base>(nullptr)) << "nothing is no object";
    EXPECT_EQ(asBase, TutorialObject::Of<Base>(&derived));
    EXPECT_FALSE(asBase == asDerived);
    EXPECT_FALSE(asBase == TutorialObject(&base));
    EXPECT_EQ(nothing, null);
}

TEST_F(Routing, KeysGoOnlyToWindowsTheTutorialAllows) {
    struct OnlyA : WindowTutorial {
        bool Allows(TutorialAction action, uint32_t, TutorialObject data) override {
            return action != TutorialAction::Key || data.As<GameWindow>()->tag == kTagA;
        }
        void Notify(TutorialEvent, uint32_t, TutorialObject) override {}
    } tutorial;
    Open(kTagA, false)->takeKeys = true;
    Open(kTagB, false)->takeKeys = true;
    manager.SetTutorial(&tutorial);
    EXPECT_TRUE(manager.OnKeyDown(65, 0));
    EXPECT_EQ(log, std::vector<std::string>{"A key"});
    manager.SetTutorial(nullptr);
    log.clear();
    EXPECT_TRUE(manager.OnKeyDown(65, 0));
    EXPECT_EQ(log, std::vector<std::string>{"B key"});
}

TEST_F(Routing, AWindowWithARunningEffectIsPassedOverUnlessModal) {
    Open(kTagA, false, kis::MakeRectWH(0, 0, 300, 300));
    ProbeWindow* b = Open(kTagB, false, kis::MakeRectWH(0, 0, 300, 300));
    b->AddEffect(new SEffect_Wait(100));
    manager.OnMouseDown(10, 10, 1);
    EXPECT_EQ(log, std::vector<std::string>{"A down"});
    b->modal = true;
    log.clear();
    EXPECT_TRUE(manager.OnMouseDown(10, 10, 1));
    EXPECT_TRUE(log.empty());
}

using Layers = Fixture;

TEST_F(Layers, MoveAboveAndSetWindowLayerPlaceWindowsAsAsked) {
    constexpr uint32_t kTagD = MakeWindowTag('D', 'd', 'd', 'd');
    ProbeWindow* a = Open(kTagA, false);
    ProbeWindow* b = Open(kTagB, false);
    ProbeWindow* c = Open(kTagC, false);
    ProbeWindow* b2 = Open(kTagB, false);
    ProbeWindow* d = Open(kTagD, false);
    EXPECT_EQ(Order(manager), "ABCBD");
    manager.MoveAbove(d, a);
    EXPECT_EQ(Order(manager), "ADBCB");
    manager.MoveAbove(a, nullptr);
    EXPECT_EQ(Order(manager), "DBCBA");
    // Above the bottom-most C, past the B windows right above it.
    manager.SetWindowLayer(b, kTagC, kTagB);
    EXPECT_EQ(Order(manager), "DCBBA");
    EXPECT_EQ(manager.Get(2), b2); // the other B stays directly above C
    manager.SetWindowLayer(d, kTagC, kTagB);
    EXPECT_EQ(Order(manager), "CBBDA");
    // No window has the anchor tag: to the top.
    manager.SetWindowLayer(c, MakeWindowTag('Z', 'z', 'z', 'z'), 0);
    EXPECT_EQ(Order(manager), "BBDAC");
    // The window's own tag is the anchor: nothing happens.
    manager.SetWindowLayer(c, kTagC, 0);
    EXPECT_EQ(Order(manager), "BBDAC");
    EXPECT_EQ(manager.FindWindowByLayer(kTagB), b);
    EXPECT_EQ(manager.FindWindowByLayer(MakeWindowTag('Z', 'z', 'z', 'z')), nullptr);
}

using Deletion = Fixture;

TEST_F(Deletion, AButtonThatDeletesItsWindowDuringItsClickTouchesNoFreedMemory) {
    ProbeWindow* w = Open(kTagA, false);
    w->Controls().Make<CallbackButton>(7, [&] { manager.Destroy(w); });
    EXPECT_TRUE(manager.OnMouseDown(20, 20, 1));
    EXPECT_EQ(manager.CapturedControl(), w->Controls().Get(0));
    EXPECT_TRUE(manager.OnMouseUp(20, 20, 1));
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_EQ(manager.CapturedControl(), nullptr);
    EXPECT_EQ(manager.HintOwner(), nullptr);
}

TEST_F(Deletion, AButtonThatRemovesItselfDuringItsClickGoesAfterTheEvent) {
    ProbeWindow* w = Open(kTagA, false);
    CallbackButton* b = nullptr;
    b = w->Controls().Make<CallbackButton>(7, [&] { w->Controls().Remove(b); });
    manager.OnMouseDown(20, 20, 1);
    manager.OnMouseUp(20, 20, 1); // the click sound and the tutorial note still use it
    EXPECT_EQ(w->Controls().Count(), 0);
    EXPECT_EQ(manager.CapturedControl(), nullptr);
    // The next press falls on the window itself.
    log.clear();
    EXPECT_TRUE(manager.OnMouseDown(20, 20, 1));
    EXPECT_EQ(manager.CapturedControl(), nullptr);
    manager.OnMouseUp(20, 20, 1);
}

TEST_F(Deletion, AWindowThatOpensAnotherAndClosesItselfDuringInput) {
    ProbeWindow* w = Open(kTagA, false);
    w->Controls().Make<CallbackButton>(7, [&] {
        Open(kTagB, true);
        manager.Destroy(w);
        manager.Destroy(w); // twice is harmless
    });
    manager.OnMouseDown(20, 20, 1);
    manager.OnMouseUp(20, 20, 1);
    ASSERT_EQ(manager.Count(), 1);
    EXPECT_EQ(manager.Get(0)->tag, kTagB);
    EXPECT_EQ(manager.ModalCount(), 1);
}

TEST_F(Deletion, AClosingWindowStaysUntilItsHideEffectHasEnded) {
    struct Drag : DragWindow {
        Drag(WindowManager& m) : DragWindow(m, kTagA, false) { rect = kis::MakeRectWH(0, 0, 50, 50); }
    };
    Drag* w = manager.Open<Drag>();
    manager.warehouseWindow = w;
    w->Close();
    EXPECT_TRUE(w->IsInputBlocked());
    manager.Draw();
    EXPECT_EQ(manager.Count(), 1);
    host.game += 1000;
    manager.Draw(); // the effect ends in this step
    manager.Draw();
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_EQ(manager.warehouseWindow, nullptr);
}

TEST_F(Deletion, ARemovedHintOwnerOrCapturedControlIsForgotten) {
    ProbeWindow* w = Open(kTagA, false);
    CallbackButton* b = w->Controls().Make<CallbackButton>(7, [] {});
    b->SetHint(u"Caption", u"Body");
    manager.OnMouseDown(20, 20, 1);
    manager.OnMouseMove(22, 22, 1); // held down over the button: it owns the hint too
    ASSERT_EQ(manager.HintOwner(), b);
    ASSERT_EQ(manager.CapturedControl(), b);
    w->Controls().Remove(b);
    EXPECT_EQ(manager.HintOwner(), nullptr);
    EXPECT_EQ(manager.CapturedControl(), nullptr);
    manager.OnMouseUp(20, 20, 1); // reaches no freed control (the sanitizers watch)
    manager.OnMouseMove(21, 21, 0);
    manager.Update();
}

using Hints = Fixture;

TEST_F(Hints, AHintShowsAfter400MsOfRestAndSmallMovesDoNotRestartTheWait) {
    ProbeWindow* w = Open(kTagA, false, kis::MakeRectWH(0, 0, 200, 200));
    CallbackButton* b = w->Controls().Make<CallbackButton>(7, [] {});
    b->rect = kis::MakeRectWH(0, 0, 100, 100);
    b->SetHint(u"Caption", u"Body");
    struct Step {
        uint32_t advance; // game clock before the move
        int32_t x;        // -1: no move
        bool shown;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"rest", {{0, 20, false}, {399, -1, false}, {1, -1, true}}},
        {"one pixel moves keep the wait", {{0, 20, false}, {300, 21, false}, {100, -1, true}}},
        {"two pixels restart it",
         {{0, 20, false}, {300, 22, false}, {100, -1, false}, {299, -1, false}, {1, -1, true}}},
    };
    for (const Case& c : cases) {
        manager.OnMouseMove(150, 150, 0); // off the button: no owner
        ASSERT_EQ(manager.HintOwner(), nullptr) << c.name;
        for (const Step& s : c.steps) {
            host.game += s.advance;
            if (s.x >= 0) manager.OnMouseMove(s.x, 20, 0);
            manager.Update();
            EXPECT_EQ(manager.IsHintShown(), s.shown) << c.name;
        }
    }
}

// A shown hint goes with its control, though the mouse rests where the
// control stood: when the control hides and when its group leaves the window
// (a panel that gives its place to another).
TEST_F(Hints, AShownHintGoesWhenItsControlHidesOrLeavesTheWindow) {
    struct Case {
        const char* name;
        std::function<void(ProbeWindow*, GameControls&, CallbackButton*)> hide;
    };
    const Case cases[] = {
        {"hidden", [](ProbeWindow*, GameControls&, CallbackButton* b) { b->SetVisible(false); }},
        {"its group removed",
         [](ProbeWindow* w, GameControls& g, CallbackButton*) { w->RemoveControls(&g); }},
    };
    for (const Case& c : cases) {
        ProbeWindow* w = Open(kTagA, false, kis::MakeRectWH(0, 0, 200, 200));
        GameControls group(w);
        w->AddControls(&group);
        CallbackButton* b = group.Make<CallbackButton>(7, [] {});
        b->SetHint(u"Caption", u"Body");
        manager.OnMouseMove(300, 300, 0); // onto the button from outside the window
        manager.OnMouseMove(20, 20, 0);
        host.game += 500;
        manager.Update();
        ASSERT_TRUE(manager.IsHintShown()) << c.name;
        c.hide(w, group, b);
        manager.Update();
        EXPECT_EQ(manager.HintOwner(), nullptr) << c.name;
        EXPECT_FALSE(manager.IsHintShown()) << c.name;
        w->RemoveControls(&group); // before the group goes
    }
}

// A control outside the windows (as the level's buttons over the field): its
// host asks for the hint after the windows have seen the move.
class FreeHint : public GameHint {
  public:
    explicit FreeHint(WindowManager& m) : GameHint(m) { SetHint(u"Caption", u"Body"); }
    kis::Rect ScreenRect() const override { return kis::MakeRectWH(300, 300, 20, 20); }
};

TEST_F(Hints, AHintOutsideTheWindowsWaitsThroughStillMovesAndGoesOverAWindow) {
    Open(kTagA, false, kis::MakeRectWH(0, 0, 200, 200));
    FreeHint free(manager);
    manager.OnMouseMove(310, 310, 0);
    free.RequestHint();
    ASSERT_EQ(manager.HintOwner(), &free);
    // The input layer reports the resting mouse every frame: the wait goes on.
    for (int i = 0; i < 4; ++i) {
        host.game += 100;
        manager.OnMouseMove(310, 310, 0);
        free.RequestHint();
        manager.Update();
    }
    EXPECT_TRUE(manager.IsHintShown());
    // Over a window the hint goes, whatever the host does later.
    manager.OnMouseMove(20, 20, 0);
    EXPECT_EQ(manager.HintOwner(), nullptr);
    EXPECT_FALSE(manager.IsHintShown());
    manager.Forget(&free);
}

// A modal window takes the whole screen's input: the hint of a control
// outside the windows goes, shown or waiting, and comes back once it closes.
TEST_F(Hints, AHintOutsideTheWindowsGivesWayToAModalWindow) {
    FreeHint free(manager);
    for (const bool shownFirst : {true, false}) {
        manager.OnMouseMove(310, 310, 0);
        free.RequestHint();
        if (shownFirst) host.game += WindowManager::kHintDelay;
        manager.Update();
        ASSERT_EQ(manager.IsHintShown(), shownFirst);
        ProbeWindow* modal = Open(kTagB, true, kis::MakeRectWH(0, 0, 200, 200));
        host.game += WindowManager::kHintDelay;
        manager.Update();
        EXPECT_EQ(manager.HintOwner(), nullptr) << shownFirst;
        EXPECT_FALSE(manager.IsHintShown()) << shownFirst;
        manager.Destroy(modal);
        ASSERT_EQ(manager.ModalCount(), 0) << "the closed window went";
        free.RequestHint();
        host.game += WindowManager::kHintDelay;
        manager.Update();
        EXPECT_TRUE(manager.IsHintShown()) << shownFirst;
        manager.OnMouseMove(20, 20, 0);
        free.HideHint();
    }
    manager.Forget(&free);
}

TEST_F(Hints, TheHintStandsBelowItsControlWhereverTheWindowHasMoved) {
    ProbeWindow* w = Open(kTagA, false, kis::MakeRectWH(0, 0, 200, 200));
    CallbackButton* b = w->Controls().Make<CallbackButton>(7, [] {});
    b->rect = kis::MakeRectWH(0, 0, 100, 100);
    b->SetHint(u"Caption", u"Body");
    for (const int32_t at : {0, 300}) {
        w->rect = kis::MakeRectWH(at, at, 200, 200);
        manager.OnMouseMove(at + 20, at + 20, 0);
        host.game += WindowManager::kHintDelay;
        manager.Update();
        ASSERT_TRUE(manager.IsHintShown()) << at;
        EXPECT_EQ(b->GetHintWindow()->Box().top, at + 100 + kHintGap) << at;
        manager.OnMouseMove(at + 150, at + 150, 0); // off the button: the hint goes
        EXPECT_FALSE(manager.IsHintShown()) << at;
    }
}

TEST_F(Hints, TheCursorIsTheHintOwnersAndAHiddenButtonAnswersTheDefault) {
    ProbeWindow* w = Open(kTagA, false, kis::MakeRectWH(0, 0, 200, 200));
    w->cursor = 0x105;
    CallbackButton* b = w->Controls().Make<CallbackButton>(7, [] {});
    b->SetHint(u"", u"Body");
    b->cursor_ = 0x102;
    uint32_t cursor = 0;
    EXPECT_FALSE(manager.GetCursor(&cursor));
    manager.OnMouseMove(150, 150, 0);
    ASSERT_TRUE(manager.GetCursor(&cursor));
    EXPECT_EQ(cursor, 0x105u); // the window's
    manager.OnMouseMove(20, 20, 0);
    ASSERT_TRUE(manager.GetCursor(&cursor));
    EXPECT_EQ(cursor, 0x102u); // the button's
    b->SetState(0, true);
    EXPECT_EQ(b->GetCursor(), kDefaultCursor);
    EXPECT_EQ(GetState2Bits(b), 0);
    EXPECT_EQ(GetState2Bits(nullptr), 0);
}

TEST(DragWindowPause, TheLevelPauseIsLiftedWithItsOwnReasonWhateverHappenedMeanwhile) {
    spritetest::TestHost host;
    struct Level : WindowLevel {
        std::vector<std::pair<uint32_t, uint32_t>> opened, closed;
        void OnWindowOpened(uint32_t tag, uint32_t reason) override { opened.push_back({tag, reason}); }
        void OnWindowClosed(uint32_t tag, uint32_t reason) override { closed.push_back({tag, reason}); }
    } level;
    WindowManager manager(nullptr, nullptr);
    manager.SetLevel(&level);
    DragWindow* warehouse = manager.Open<DragWindow>(kWarehouseWindowTag, false);
    DragWindow* other = manager.Open<DragWindow>(kTagA, false);
    manager.Destroy(warehouse);
    manager.Destroy(other);
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {{kWarehouseWindowTag, kPauseWarehouse},
                                                                 {kTagA, kPauseWindow}};
    EXPECT_EQ(level.opened, expected);
    EXPECT_EQ(level.closed, expected);
    // Opened while no level runs: nothing to lift; the level gone: nothing is called.
    manager.SetLevel(nullptr);
    DragWindow* before = manager.Open<DragWindow>(kTagA, false);
    manager.SetLevel(&level);
    manager.Destroy(before);
    DragWindow* after = manager.Open<DragWindow>(kTagB, false);
    manager.SetLevel(nullptr);
    manager.Destroy(after);
    EXPECT_EQ(level.closed.size(), 2u);
}

TEST(DragWindowDrag, DraggingMovesTheWindowAndKeepsItOnTheScreen) {
    spritetest::TestHost host;
    WindowManager manager(nullptr, nullptr);
    DragWindow* w = manager.Open<DragWindow>(kTagA, false);
    w->rect = kis::MakeRectWH(100, 100, 200, 100);
    EXPECT_TRUE(manager.OnMouseDown(150, 120, 1));
    EXPECT_TRUE(w->IsDragging());
    manager.OnMouseMove(170, 150, 1);
    EXPECT_EQ(w->rect.left, 120);
    EXPECT_EQ(w->rect.top, 130);
    manager.OnMouseMove(-500, -500, 1);
    EXPECT_EQ(w->rect.left, 0);
    EXPECT_EQ(w->rect.top, 0);
    manager.OnMouseUp(0, 0, 1);
    EXPECT_FALSE(w->IsDragging());
    // The tutorial may forbid the drag.
    struct NoDrag : WindowTutorial {
        bool Allows(TutorialAction action, uint32_t, TutorialObject) override {
            return action != TutorialAction::Drag;
        }
        void Notify(TutorialEvent, uint32_t, TutorialObject) override {}
    } tutorial;
    manager.SetTutorial(&tutorial);
    manager.OnMouseDown(10, 10, 1);
    EXPECT_FALSE(w->IsDragging());
}

// A window at rest that reaches past the screen's edges is told in the log,
// once however often it is drawn; one inside the screen, even one as large
// as the screen, is not.
TEST(WindowsOnTheScreen, AWindowPastTheScreensEdgeIsLoggedOnce) {
    testsupport::TempDir dir;
    const std::string logFile = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(logFile).c_str()));
    {
        spritetest::TestHost host;
        WindowManager manager(nullptr, nullptr); // without a viewer the screen is 1024 x 768
        std::vector<std::string> events;
        manager.Open<ProbeWindow>(kTagA, false, kis::MakeRectWH(0, 0, 1024, 768), &events);
        manager.Open<ProbeWindow>(kTagB, false, kis::MakeRectWH(900, 700, 200, 100), &events);
        manager.Open<ProbeWindow>(kTagC, false, kis::MakeRectWH(-10, 100, 50, 50), &events);
        manager.Draw();
        manager.Draw();
    }
    LogFinish();
    const std::string all = testsupport::ReadFileBytes(logFile);
    const std::vector<std::string> lines = testsupport::LogLines(all, "Window outside the screen");
    ASSERT_EQ(lines.size(), 2u) << all;
    EXPECT_NE(lines[0].find("Bbbb (900, 700)-(1100, 800) on 1024 x 768"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("Cccc (-10, 100)-(40, 150) on 1024 x 768"), std::string::npos) << lines[1];
}

} // namespace

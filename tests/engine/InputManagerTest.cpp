#include "engine/InputManager.h"
#include "engine/VirtualKeys.h"
#include "platform/headless/HeadlessBackend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

using namespace platform;

namespace {

// ---------------------------------------------------------------- event log

uint32_t g_now = 0;
uint32_t TestClock() {
    return g_now;
}

struct Event {
    std::string kind;
    uint32_t time;
    int32_t a, b, c, d;
    bool operator==(const Event&) const = default;
};
std::vector<Event> g_events;

void Record(const char* kind, int32_t a = 0, int32_t b = 0, int32_t c = 0, int32_t d = 0) {
    g_events.push_back({kind, g_now, a, b, c, d});
}
void OnKeyDown(uint32_t key, uint32_t mods) {
    Record("key down", int32_t(key), int32_t(mods));
}
void OnKeyUp(uint32_t key, uint32_t mods) {
    Record("key up", int32_t(key), int32_t(mods));
}
void OnKeyRepeat(uint32_t key, uint32_t mods) {
    Record("repeat", int32_t(key), int32_t(mods));
}
void OnButtonDown(int32_t x, int32_t y, uint32_t button) {
    Record("down", x, y, int32_t(button));
}
void OnButtonUp(int32_t x, int32_t y, uint32_t button) {
    Record("up", x, y, int32_t(button));
}
void OnMove(int32_t x, int32_t y, uint32_t mask) {
    Record("move", x, y, int32_t(mask));
}
void OnDoubleClick(int32_t x, int32_t y) {
    Record("double", x, y);
}
void OnWheel(int32_t x, int32_t y, int32_t delta, uint32_t mask) {
    Record("wheel", x, y, delta, int32_t(mask));
}
void OnText(char16_t character) {
    Record("text", int32_t(character));
}

std::vector<std::string> Kinds(const char* except = "move") {
    std::vector<std::string> out;
    for (const Event& e : g_events)
        if (e.kind != except) out.push_back(e.kind);
    return out;
}
std::vector<uint32_t> TimesOf(const char* kind) {
    std::vector<uint32_t> out;
    for (const Event& e : g_events)
        if (e.kind == kind) out.push_back(e.time);
    return out;
}

void InstallCallbacks(InputManager& manager) {
    DXLKeyboard* keyboard = manager.GetKeyboard();
    keyboard->SetKeyDownCallback(OnKeyDown);
    keyboard->SetKeyUpCallback(OnKeyUp);
    keyboard->SetKeyRepeatCallback(OnKeyRepeat);
    DXLMouse* mouse = manager.GetMouse();
    mouse->SetButtonDownCallback(OnButtonDown);
    mouse->SetButtonUpCallback(OnButtonUp);
    mouse->SetMoveCallback(OnMove);
    mouse->SetDoubleClickCallback(OnDoubleClick);
    mouse->SetWheelCallback(OnWheel);
}

class ClockedTest : public ::testing::Test {
  protected:
    ClockedTest() {
        g_now = 0;
        g_events.clear();
        SetInputClock(TestClock);
    }
    ~ClockedTest() override { SetInputClock(nullptr); }
};

// ---------------------------------------------------------------- headless rig

// The program's start-up sequence over the headless backend; every Frame
// moves the clock, applies the scripted events due and polls both devices.
class HeadlessInput : public ClockedTest {
  protected:
    HeadlessBackend backend{NullAudioDevice::Clocking::Manual};
    InputManager manager{&backend.GetWindow(), &backend.GetInput()};

    void SetUp() override {
        ASSERT_TRUE(backend.GetWindow().Create(u"Verbolunde", 320, 200));
        backend.GetWindow().Show();
    }
    // The devices as the program sets them up (their own reading mode), or
    // whole-state (immediate) or buffered ones.
    enum class Mode { AsTheProgram, Immediate, Buffered };
    void Start(Mode mode = Mode::AsTheProgram) {
        ASSERT_EQ(manager.CreateDirectInput(), kResultOk);
        ASSERT_EQ(manager.CreateDevices(3), kResultOk);
        if (mode != Mode::AsTheProgram) {
            manager.GetMouse()->SetImmediate(mode == Mode::Immediate);
            manager.GetKeyboard()->SetImmediate(mode == Mode::Immediate);
        }
        InstallCallbacks(manager);
        ASSERT_EQ(manager.SetUpDevices(3), kResultOk);
    }
    void Script(const char* text) {
        std::vector<ScriptEvent> events;
        std::string error;
        ASSERT_TRUE(ParseEventScript(text, events, &error)) << error;
        backend.AddEvents(events);
    }
    void Frame(uint32_t time) {
        g_now = time;
        backend.PumpEventsUntil(time);
        manager.PollDevices(3);
    }
    // Frames every `step` ms from `from` to `to`, both included.
    void Frames(uint32_t from, uint32_t to, uint32_t step) {
        for (uint32_t t = from; t <= to; t += step)
            Frame(t);
    }
};

// What holds for whole-state and buffered reading alike.
class BothModes : public HeadlessInput, public ::testing::WithParamInterface<bool> {
  protected:
    void Start() { HeadlessInput::Start(GetParam() ? Mode::Immediate : Mode::Buffered); }
};
INSTANTIATE_TEST_SUITE_P(Input, BothModes, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Immediate" : "Buffered";
});

TEST_P(BothModes, HeldKeyRepeatsAtOnceThenAfter605MsThenEvery40Ms) {
    Start();
    Script("100 key down A\n1100 key up A\n");
    Frames(0, 1500, 5);

    EXPECT_EQ(TimesOf("key down"), std::vector<uint32_t>{100});
    std::vector<uint32_t> expected = {100};
    for (uint32_t t = 705; t < 1100; t += 40)
        expected.push_back(t);
    EXPECT_EQ(TimesOf("repeat"), expected); // 705, 745, ... 1065: ten after the first
    EXPECT_EQ(TimesOf("key up"), std::vector<uint32_t>{1100});
    for (const Event& e : g_events)
        EXPECT_EQ(e.a, kDikA);
}

TEST_P(BothModes, LateFrameDeliversTheMissedRepeatsTogether) {
    Start();
    Script("100 key down SPACE\n");
    Frame(100);
    Frame(800); // 705, 745, 785 are due
    Frame(830); // 825 is due
    Frame(864); // 865 is not yet
    Frame(865);
    EXPECT_EQ(TimesOf("repeat"), (std::vector<uint32_t>{100, 800, 800, 800, 830, 865}));
}

TEST_P(BothModes, SecondKeyTakesOverTheRepeatAndKeepsItWhenTheFirstIsReleased) {
    Start();
    Script("0 key down A\n100 key down B\n200 key up A\n");
    Frames(0, 760, 10);
    std::vector<Event> repeats;
    for (const Event& e : g_events)
        if (e.kind == "repeat") repeats.push_back(e);
    ASSERT_EQ(repeats.size(), 4u); // A at 0; B at once and in the frames after 705 and 745
    EXPECT_EQ(repeats[0].a, kDikA);
    for (size_t i = 1; i < repeats.size(); ++i)
        EXPECT_EQ(repeats[i].a, kDikB);
    EXPECT_EQ(TimesOf("repeat"), (std::vector<uint32_t>{0, 100, 710, 750}));
}

TEST_P(BothModes, KeyEventsCarryTheModifiersHeldAtTheTime) {
    Start();
    Script("0 key down LSHIFT\n10 key down A\n20 key up LSHIFT\n30 key down RCONTROL\n"
           "30 key down RMENU\n40 key down B\n");
    Frames(0, 40, 10);
    std::vector<std::pair<int32_t, int32_t>> downs;
    for (const Event& e : g_events)
        if (e.kind == "key down") downs.push_back({e.a, e.b});
    ASSERT_EQ(downs.size(), 5u);
    EXPECT_EQ(downs[1], std::make_pair(int32_t(kDikA), int32_t(kModifierShift)));
    EXPECT_EQ(downs[4], std::make_pair(int32_t(kDikB), int32_t(kModifierCtrl | kModifierAlt)));
    EXPECT_EQ(manager.GetKeyboard()->GetModifiers(), kModifierCtrl | kModifierAlt);
    EXPECT_TRUE(manager.GetKeyboard()->IsKeyDown(kDikB));
    EXPECT_EQ(manager.GetKeyboard()->GetVirtualKey(kDikB), 'B');
}

TEST_P(BothModes, TwoClicksWithinTheTimeMakeADoubleClickButNotNearItsEnd) {
    Start();
    Script("0 mouse move 50 60\n"
           "1000 mouse down left\n1050 mouse up left\n1200 mouse down left\n1250 mouse up left\n"
           "3000 mouse down left\n3050 mouse up left\n3450 mouse down left\n3500 mouse up left\n");
    Frames(0, 1300, 50);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"down", "up", "double", "up"}));
    EXPECT_EQ(g_events.back(), (Event{"up", 1250, 50, 60, int32_t(kMouseLeft), 0}));

    g_events.clear();
    Frames(2950, 3600, 50);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"down", "up", "down", "up"}));
}

TEST_P(BothModes, DoubleClickNeedsTheSamePlaceAndNoOtherButtonBetween) {
    Start();
    Script("0 mouse move 100 100\n"
           "100 mouse down left\n120 mouse up left\n140 mouse down right\n160 mouse up right\n"
           "180 mouse down left\n200 mouse up left\n"
           "1000 mouse down left\n1020 mouse up left\n1030 mouse move 105 100\n"
           "1040 mouse down left\n1060 mouse up left\n"
           "2000 mouse move 100 100\n2010 mouse down left\n2020 mouse up left\n2030 mouse move 104 96\n"
           "2040 mouse down left\n2050 mouse up left\n");
    Frames(0, 2100, 10);
    std::vector<std::string> kinds = Kinds();
    EXPECT_EQ(kinds,
              (std::vector<std::string>{"down", "up", "down", "up", "down", "up", // right click between
                                        "down", "up", "down", "up",               // 5 pixels away
                                        "down", "up", "double", "up"}));          // 4 pixels away
    std::vector<int32_t> buttons;
    for (const Event& e : g_events)
        if (e.kind == "down") buttons.push_back(e.c);
    EXPECT_EQ(buttons[1], int32_t(kMouseRight));
}

TEST_P(BothModes, MovesWheelAndButtonMaskReachTheCallbacks) {
    Start();
    Script("10 mouse move 30 40\n20 mouse down middle\n30 mouse wheel -2\n40 mouse move 31 41\n");
    Frames(0, 40, 10);
    std::vector<Event> expected = {
        {"move", 10, 30, 40, 0, 0},
        {"down", 20, 30, 40, int32_t(kMouseMiddle), 0},
        {"wheel", 30, 30, 40, -240, int32_t(kMouseMiddle)},
        {"move", 40, 31, 41, int32_t(kMouseMiddle), 0},
    };
    EXPECT_EQ(g_events, expected);

    // With always-refresh every poll reports the position.
    g_events.clear();
    manager.GetMouse()->SetAlwaysRefresh(true);
    Frame(50);
    Frame(60);
    EXPECT_EQ(TimesOf("move"), (std::vector<uint32_t>{50, 60}));
}

TEST_P(BothModes, LosingFocusReportsHeldKeysAndButtonsReleased) {
    Start();
    Script("0 mouse move 10 20\n10 key down A\n10 key down LCONTROL\n20 mouse down left\n30 focus lost\n");
    Frames(0, 20, 10);
    g_events.clear();
    Frame(30);
    std::vector<Event> expected = {
        {"up", 30, 10, 20, int32_t(kMouseLeft), 0},
        {"key up", 30, kDikLcontrol, 0, 0, 0},
        {"key up", 30, kDikA, 0, 0, 0},
    };
    EXPECT_EQ(g_events, expected);
    Frames(40, 2000, 100);
    EXPECT_EQ(g_events, expected); // no repeats while away
}

TEST_P(BothModes, DeactivatedDevicesReleaseOnceAndComeBackSilently) {
    Start();
    Script("0 mouse move 10 20\n10 mouse down left\n10 key down A\n"
           "50 focus lost\n100 focus gained\n100 mouse down left\n100 key down A\n"
           "150 mouse up left\n150 key up A\n");
    Frames(0, 40, 10);
    g_events.clear();

    g_now = 50;
    backend.PumpEventsUntil(50);
    manager.DeactivateDevices(3);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"up", "key up"}));
    Frames(60, 90, 10); // inactive polls report nothing
    EXPECT_EQ(g_events.size(), 2u);

    g_now = 100;
    backend.PumpEventsUntil(100);
    EXPECT_EQ(manager.ActivateDevices(3), kResultOk);
    EXPECT_EQ(g_events.size(), 2u); // still held: nothing is said
    EXPECT_TRUE(manager.GetKeyboard()->IsKeyDown(kDikA));
    EXPECT_EQ(manager.GetMouse()->GetButtonMask(), kMouseLeft);

    Frame(150);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"up", "key up", "up", "key up"}));
}

TEST_P(BothModes, KeysPressedAfterTheFocusReturnsArriveInTheFirstPoll) {
    Start();
    Script("0 key down A\n10 focus lost\n30 focus gained\n30 key down A\n");
    Frames(0, 20, 10); // the poll at 20 finds the device lost and cannot acquire it
    g_events.clear();
    Frame(30); // read fails, acquiring succeeds: the state is read again
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"key down", "repeat"}));
}

TEST_F(HeadlessInput, BufferedDevicesReadTheRecords) {
    Start(Mode::Buffered);
    Script("0 mouse move 10 10\n10 key down Q\n10 mouse down right\n20 mouse move 15 12\n20 key up Q\n"
           "30 mouse up right\n30 focus lost\n");
    Frames(0, 20, 10);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"down", "key down", "repeat", "key up"}));
    int32_t x, y;
    manager.GetMouse()->GetPosition(&x, &y);
    EXPECT_EQ(x, 15);
    EXPECT_EQ(y, 12);
    g_events.clear();
    Frame(30);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"up"}));
}

// The program's devices see every press and release, however close together:
// here all of them fall between two polls.
// Typed text comes in the order it was typed among the keys, also within
// one frame: a character typed before a Backspace is there for it to take.
TEST_F(HeadlessInput, TypedTextArrivesInOrderWithTheKeysWithinAFrame) {
    Start();
    manager.GetKeyboard()->SetTextCallback(OnText);
    Script("10 text x\n10 key down BACK\n10 key up BACK\n10 text \xc3\xa9\n12 key down LSHIFT\n"
           "12 key down 1\n");
    Frame(20);
    std::vector<std::string> order;
    for (const Event& e : g_events)
        if (e.kind == "text")
            order.push_back("text " + std::to_string(e.a));
        else if (e.kind != "move" && e.kind != "repeat")
            order.push_back(e.kind + " " + std::to_string(e.a));
    const std::vector<std::string> expected = {"text 120",    "key down 14", "key up 14", "text 233",
                                               "key down 42", "key down 2",  "text 33"};
    EXPECT_EQ(order, expected); // x, Backspace, é, Shift, 1 and the '!' it types
}

TEST_F(HeadlessInput, AKeyboardThatHasLostTheFocusTypesNothing) {
    Start();
    manager.GetKeyboard()->SetTextCallback(OnText);
    Script("10 focus lost\n20 text lost\n30 focus gained\n40 text ok\n");
    Frames(0, 50, 10);
    std::u16string typed;
    for (const Event& e : g_events)
        if (e.kind == "text") typed += char16_t(e.a);
    EXPECT_EQ(typed, u"ok");
}

TEST_F(HeadlessInput, QuickPressesAndReleasesWithinOneFrameAllReachTheCallbacks) {
    Start();
    Script("0 mouse move 50 60\n"
           "100 mouse down left\n100 mouse up left\n100 mouse down left\n100 mouse up left\n"
           "100 mouse down right\n100 mouse up right\n"
           "100 key down A\n100 key up A\n100 key down A\n100 key up A\n");
    Frame(0);
    g_events.clear();
    Frame(150);
    const std::vector<Event> expected = {
        {"down", 150, 50, 60, int32_t(kMouseLeft), 0},
        {"up", 150, 50, 60, int32_t(kMouseLeft), 0},
        {"double", 150, 50, 60, 0, 0},
        {"up", 150, 50, 60, int32_t(kMouseLeft), 0},
        {"down", 150, 50, 60, int32_t(kMouseRight), 0},
        {"up", 150, 50, 60, int32_t(kMouseRight), 0},
        {"key down", 150, kDikA, 0, 0, 0},
        {"repeat", 150, kDikA, 0, 0, 0},
        {"key up", 150, kDikA, 0, 0, 0},
        {"key down", 150, kDikA, 0, 0, 0},
        {"repeat", 150, kDikA, 0, 0, 0},
        {"key up", 150, kDikA, 0, 0, 0},
    };
    EXPECT_EQ(g_events, expected);
    EXPECT_FALSE(manager.GetKeyboard()->IsKeyDown(kDikA));
    EXPECT_EQ(manager.GetMouse()->GetButtonMask(), 0u);
}

// What happened before the devices were set up is in the pointer's position,
// not in their records: a click in the first poll is where the pointer is.
TEST_F(HeadlessInput, ChangesBeforeTheSetUpAreNotReportedAgain) {
    Script("0 mouse move 40 30\n0 key down A\n0 key up A\n10 mouse down left\n10 mouse up left\n");
    backend.PumpEventsUntil(0);
    Start();
    Frame(10);
    const std::vector<Event> expected = {
        {"down", 10, 40, 30, int32_t(kMouseLeft), 0},
        {"up", 10, 40, 30, int32_t(kMouseLeft), 0},
    };
    EXPECT_EQ(g_events, expected);
}

// More changes in one frame than a poll's buffer holds: all of them come in
// that frame, each click where the pointer was for it.
TEST_F(HeadlessInput, AFrameWithMoreChangesThanTheBufferHoldsLosesNoneAndDelaysNone) {
    Start();
    const uint8_t keys[] = {kDikQ, kDikW, kDikE, kDikR, kDikT, kDikY, kDikU, kDikI, kDikO, kDikP,
                            kDikA, kDikS, kDikD, kDikF, kDikG, kDikH, kDikJ, kDikK, kDikL, kDikZ};
    std::string script;
    for (uint8_t key : keys) {
        const std::string name(DikName(key));
        script += "100 key down " + name + "\n100 key up " + name + "\n";
    }
    for (int i = 0; i < 12; ++i) {
        const std::string x = std::to_string(10 + 20 * i);
        script += "100 mouse move " + x + " 30\n100 mouse down left\n100 mouse up left\n";
    }
    // A drag: pressed at one place, released at another.
    script += "100 mouse move 5 5\n100 mouse down right\n100 mouse move 200 150\n100 mouse up right\n";
    Script(script.c_str());
    Frame(150);

    std::vector<int32_t> downKeys, clickX;
    for (const Event& e : g_events) {
        if (e.kind == "key down") downKeys.push_back(e.a);
        if (e.kind == "down" && e.c == int32_t(kMouseLeft)) clickX.push_back(e.a);
    }
    EXPECT_EQ(downKeys, std::vector<int32_t>(std::begin(keys), std::end(keys)));
    std::vector<int32_t> expectedX;
    for (int i = 0; i < 12; ++i)
        expectedX.push_back(10 + 20 * i);
    EXPECT_EQ(clickX, expectedX);
    EXPECT_EQ(TimesOf("double"), std::vector<uint32_t>{}); // 20 pixels apart: no pairs
    std::vector<Event> mouseEvents;                        // the mouse is polled before the keyboard
    for (const Event& e : g_events)
        if (e.kind.rfind("key", 0) != 0 && e.kind != "repeat") mouseEvents.push_back(e);
    ASSERT_GE(mouseEvents.size(), 4u);
    const std::vector<Event> drag(mouseEvents.end() - 4, mouseEvents.end());
    const std::vector<Event> expectedDrag = {
        {"move", 150, 5, 5, 0, 0},
        {"down", 150, 5, 5, int32_t(kMouseRight), 0},
        {"move", 150, 200, 150, int32_t(kMouseRight), 0},
        {"up", 150, 200, 150, int32_t(kMouseRight), 0},
    };
    EXPECT_EQ(drag, expectedDrag);

    g_events.clear();
    Frame(200); // nothing was left over for the next frame
    EXPECT_EQ(Kinds(), std::vector<std::string>{});
}

// ---------------------------------------------------------------- scripted system device

// A system device whose reads and acquisitions fail on request.
struct FakeState {
    uint8_t keys[256] = {};
    DXLMouseState mouse = {};
    std::deque<DXLDeviceObjectData> records;
    int failReads = 0; // reads still to fail
    bool acquireFails = false;
    int acquires = 0;
    int reads = 0;
};

class FakeDevice final : public DXLInputDeviceInterface {
  public:
    FakeDevice(FakeState& state, uint32_t type) : s_(state), type_(type) {}
    HResult SetDataFormat(uint32_t) override { return kResultOk; }
    HResult SetCooperativeLevel(Window*, uint32_t) override { return kResultOk; }
    HResult SetBufferSize(uint32_t) override { return kResultOk; }
    HResult Acquire() override {
        ++s_.acquires;
        return s_.acquireFails ? kResultOtherHasPriority : kResultOk;
    }
    HResult Unacquire() override { return kResultOk; }
    HResult GetDeviceState(uint32_t size, void* state) override {
        ++s_.reads;
        if (s_.failReads > 0) {
            --s_.failReads;
            return kResultInputLost;
        }
        if (type_ == kInputKeyboard)
            std::memcpy(state, s_.keys, size);
        else
            std::memcpy(state, &s_.mouse, size);
        return kResultOk;
    }
    HResult GetDeviceData(DXLDeviceObjectData* records, uint32_t* count) override {
        ++s_.reads;
        if (s_.failReads > 0) {
            --s_.failReads;
            *count = 0;
            return kResultInputLost;
        }
        uint32_t n = 0;
        while (n < *count && !s_.records.empty()) {
            records[n++] = s_.records.front();
            s_.records.pop_front();
        }
        *count = n;
        return kResultOk;
    }

  private:
    FakeState& s_;
    uint32_t type_;
};

class FakeSystem final : public DXLInputSystem {
  public:
    explicit FakeSystem(FakeState& state) : s_(state) {}
    HResult CreateDevice(uint32_t type, std::unique_ptr<DXLInputDeviceInterface>* out) override {
        *out = std::make_unique<FakeDevice>(s_, type);
        return kResultOk;
    }
    void GetCursorPos(int32_t* x, int32_t* y) override {
        *x = 7;
        *y = 9;
    }

  private:
    FakeState& s_;
};

class ScriptedDevice : public ClockedTest {
  protected:
    FakeState state;
    int window = 0; // any valid window address
    InputManager manager{reinterpret_cast<Window*>(&window), nullptr};

    void Start(bool immediate = true) {
        manager.SetInputSystem(std::make_unique<FakeSystem>(state));
        ASSERT_EQ(manager.CreateDevices(3), kResultOk);
        manager.GetKeyboard()->SetImmediate(immediate);
        manager.GetMouse()->SetImmediate(immediate);
        InstallCallbacks(manager);
        ASSERT_EQ(manager.SetUpDevices(3), kResultOk);
    }
};

TEST_F(ScriptedDevice, ReadAfterARepairedAcquisitionKeepsHeldKeysAndButtons) {
    Start();
    state.keys[kDikA] = 0x80;
    state.mouse.buttons[0] = 0x80;
    manager.PollDevices(3);
    g_events.clear();

    // One failed read, then acquiring works.
    state.failReads = 1;
    EXPECT_EQ(manager.PollDevices(kInputMouse), kResultOk);
    state.failReads = 1;
    EXPECT_EQ(manager.PollDevices(kInputKeyboard), kResultOk);
    EXPECT_EQ(Kinds(), std::vector<std::string>{});
    EXPECT_EQ(state.acquires, 2 + 2); // once at set-up, once per repair
    EXPECT_TRUE(manager.GetKeyboard()->IsKeyDown(kDikA));
    EXPECT_EQ(manager.GetMouse()->GetButtonMask(), kMouseLeft);

    // When acquiring fails too, everything held reads as released.
    state.failReads = 2;
    state.acquireFails = true;
    manager.PollDevices(3);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"up", "key up"}));
}

TEST_F(ScriptedDevice, BufferedReadAfterARepairedAcquisitionDeliversTheRecords) {
    Start(false);
    state.records = {{kDikW, 0x80, 0, 0, 0}, {0x1234, 0x80, 0, 0, 0}};
    state.failReads = 1;
    EXPECT_EQ(manager.GetKeyboard()->Poll(), kResultOk);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"key down", "repeat"})); // the record beyond 255 is skipped

    state.failReads = 1;
    state.acquireFails = true;
    EXPECT_EQ(manager.GetKeyboard()->Poll(), kResultOtherHasPriority);
    EXPECT_EQ(Kinds(), (std::vector<std::string>{"key down", "repeat", "key up"}));
}

TEST_F(ScriptedDevice, SetUpResultsNameTheDevicesThatFailed) {
    InputManager bare{reinterpret_cast<Window*>(&window), nullptr};
    EXPECT_EQ(bare.CreateDevices(3), kResultFail); // no input system
    EXPECT_EQ(bare.CreateDirectInput(), kResultFail);

    manager.SetInputSystem(std::make_unique<FakeSystem>(state));
    EXPECT_EQ(uint32_t(manager.SetUpDevices(3)), 0xA3E93103u);
    EXPECT_EQ(uint32_t(manager.PollDevices(3)), 0u); // nothing exists to poll
    ASSERT_EQ(manager.CreateDevices(1 | 4), kResultOk);
    EXPECT_TRUE(manager.HasDevice(kInputMouse));
    EXPECT_FALSE(manager.HasDevice(kInputKeyboard));
    EXPECT_FALSE(manager.HasDevice(kInputThirdDevice));
    EXPECT_EQ(uint32_t(manager.PollDevices(1)), 0xA3E93120u); // not set up
    EXPECT_EQ(uint32_t(manager.SetUpDevices(7)), 0xA3E93106u);
    EXPECT_TRUE(manager.IsDeviceSetUp(kInputMouse));

    manager.CreateDevices(2);
    manager.GetKeyboard()->SetExclusive(true);
    manager.GetKeyboard()->SetForeground(false);
    EXPECT_EQ(manager.GetKeyboard()->SetUp(), kResultFail); // exclusive background access is refused
    EXPECT_EQ(uint32_t(manager.SetUpDevices(3)), 0xA3E93102u);

    InputManager windowless{nullptr, nullptr};
    windowless.SetInputSystem(std::make_unique<FakeSystem>(state));
    windowless.CreateDevices(3);
    EXPECT_EQ(uint32_t(windowless.GetMouse()->SetUp()), 0xA3E93110u);
    EXPECT_EQ(uint32_t(windowless.SetUpDevices(3)), 0xA3E93103u);

    manager.ReleaseDevices(3);
    EXPECT_FALSE(manager.IsDeviceSetUp(kInputMouse));
    manager.Shutdown();
    EXPECT_FALSE(manager.HasDevice(kInputMouse));
    EXPECT_EQ(manager.GetInputSystem(), nullptr);
}

// ---------------------------------------------------------------- virtual keys

TEST(VirtualKeys, ExactlyTheListedKeysHaveAVirtualKeyCode) {
    uint8_t table[256];
    BuildVirtualKeyTable(table);
    int mapped = 0;
    for (int i = 0; i < 256; ++i)
        mapped += table[i] != 0;
    EXPECT_EQ(mapped, 128);

    const std::pair<uint8_t, uint8_t> samples[] = {
        {kDikEscape, 0x1B}, {kDikDigit0, '0'},    {kDikDigit9, '9'},       {kDikA, 'A'},
        {kDikZ, 'Z'},       {kDikReturn, 0x0D},   {kDikNumpadenter, 0x6C}, {kDikLshift, 0x10},
        {kDikRshift, 0x10}, {kDikRcontrol, 0x11}, {kDikLmenu, 0x12},       {kDikF1, 0x70},
        {kDikF15, 0x7E},    {kDikNumpad0, 0x60},  {kDikNumpad9, 0x69},     {kDikDivide, 0x6F},
        {kDikLeft, 0x25},   {kDikDelete, 0x2E},   {kDikApps, 0x5D},        {kDikMediaselect, 0xB5},
        {kDikAx, 0xE1},
    };
    for (auto [scan, vk] : samples)
        EXPECT_EQ(table[scan], vk) << "scan code " << int(scan);

    const uint8_t unmapped[] = {
        kDikSysrq,        kDikCalculator,  kDikMycomputer, kDikPower,     kDikSleep, kDikWake,
        kDikNumpadequals, kDikNumpadcomma, kDikAbntC1,     kDikAbntC2,    kDikYen,   kDikAt,
        kDikColon,        kDikUnderline,   kDikStop,       kDikUnlabeled, 0x00,      0xFF};
    for (uint8_t scan : unmapped)
        EXPECT_EQ(table[scan], 0) << "scan code " << int(scan);
}

} // namespace

#include "platform/Platform.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

// The test's own PNG reader, kept to this file: the platform library builds
// its own stb_image, which the test program links too.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

using platform::HeadlessBackend;
using platform::KeyRecord;
using platform::MouseRecord;
using platform::ScriptEvent;
using platform::WindowEvent;

namespace {

struct Rig {
    HeadlessBackend backend{platform::NullAudioDevice::Clocking::Manual};
    platform::HeadlessWindow& window = backend.GetWindow();
    platform::Input& input = backend.GetInput();

    Rig() {
        EXPECT_TRUE(window.Create(u"Verbolunde", 320, 200));
        window.Show();
    }
    void Script(const char* text) {
        std::vector<ScriptEvent> events;
        std::string error;
        ASSERT_TRUE(platform::ParseEventScript(text, events, &error)) << error;
        backend.AddEvents(events);
    }
    std::vector<WindowEvent> Events() {
        std::vector<WindowEvent> out;
        WindowEvent e;
        while (window.PollEvent(e))
            out.push_back(e);
        return out;
    }
    std::vector<KeyRecord> Keys() {
        KeyRecord records[64];
        size_t n = input.ReadKeyRecords(records, 64);
        return std::vector<KeyRecord>(records, records + n);
    }
    std::vector<MouseRecord> Mouse() {
        MouseRecord records[64];
        size_t n = input.ReadMouseRecords(records, 64);
        return std::vector<MouseRecord>(records, records + n);
    }
};

} // namespace

TEST(HeadlessWindow, KeepsThePresentedFrameAndWritesItAsPng) {
    Rig rig;
    const int w = 5, h = 3, pitch = 8;
    std::vector<uint32_t> pixels(size_t(pitch * h), 0xDEADBEEF); // padding must not leak into the frame
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[size_t(y * pitch + x)] =
                0x80000000u | uint32_t(x * 50) << 16 | uint32_t(y * 100) << 8 | 7u;
    rig.window.Present(pixels.data(), w, h, pitch);
    ASSERT_EQ(rig.window.FrameWidth(), w);
    ASSERT_EQ(rig.window.FramePixels().size(), size_t(w * h));
    EXPECT_EQ(rig.window.FramePixels()[size_t(2 * w + 4)], 0x80C8C807u);

    testsupport::TempDir dir;
    std::string error;
    ASSERT_TRUE(rig.window.WriteFramePng(dir.File("frame.png"), &error)) << error;
    int pw = 0, ph = 0, channels = 0;
    unsigned char* rgb = stbi_load(dir.File("frame.png").c_str(), &pw, &ph, &channels, 3);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(pw, w);
    EXPECT_EQ(ph, h);
    EXPECT_EQ(channels, 3); // the alpha of the back buffer is not part of the picture
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = rgb + (y * w + x) * 3;
            EXPECT_EQ(p[0], x * 50);
            EXPECT_EQ(p[1], y * 100);
            EXPECT_EQ(p[2], 7);
        }
    stbi_image_free(rgb);

    EXPECT_FALSE(rig.window.WriteFramePng(dir.File("no/such/folder/frame.png"), &error));
    EXPECT_FALSE(error.empty());

    // Told not to keep frames, the window counts the next presents and still
    // holds the frame it kept last.
    rig.window.KeepPresentedFrames(false);
    const int shown = rig.window.PresentCount();
    std::vector<uint32_t> black(size_t(pitch * h), 0xFF000000u);
    rig.window.Present(black.data(), w, h, pitch);
    EXPECT_EQ(rig.window.PresentCount(), shown + 1);
    EXPECT_EQ(rig.window.FramePixels()[size_t(2 * w + 4)], 0x80C8C807u);
}

namespace {

// The typed text among key records, in order.
std::u16string TypedText(const std::vector<KeyRecord>& records) {
    std::u16string text;
    for (const KeyRecord& record : records)
        if (record.key == 0) text += record.character;
    return text;
}

} // namespace

TEST(HeadlessWindow, ScriptedInputArrivesWhenItsTimeComes) {
    Rig rig;
    rig.Events();
    rig.Script("# a short session\n"
               "10 key down A\n"
               "10 mouse move 30 40\n"
               "20 mouse down left\n"
               "20 mouse wheel -2\n"
               "30 key up a\n"
               "30 mouse up left\n"
               "30 text Grüße\n"
               "50 close\n");
    rig.backend.PumpEventsUntil(5);
    EXPECT_TRUE(rig.Keys().empty());
    rig.backend.PumpEventsUntil(20);
    uint8_t keys[256];
    rig.input.ReadKeyboardState(keys);
    EXPECT_EQ(keys[platform::kDikA], platform::kKeyDown);
    platform::MouseState mouse;
    rig.input.ReadMouseState(mouse);
    EXPECT_EQ(mouse.x, 30);
    EXPECT_EQ(mouse.y, 40);
    EXPECT_EQ(mouse.wheel, -240);
    EXPECT_EQ(mouse.buttons[0], platform::kKeyDown);
    rig.input.ReadMouseState(mouse); // movement is counted once
    EXPECT_EQ(mouse.x, 0);
    EXPECT_EQ(mouse.wheel, 0);
    int cx = 0, cy = 0;
    rig.input.CursorPosition(cx, cy);
    EXPECT_EQ(cx, 30);
    EXPECT_EQ(cy, 40);

    rig.backend.PumpEventsUntil(49);
    // The press of A also types its letter, right after the key.
    std::vector<KeyRecord> keyRecords = rig.Keys();
    ASSERT_EQ(keyRecords.size(), 8u); // and the five units of the text line
    EXPECT_EQ(keyRecords[0].key, platform::kDikA);
    EXPECT_EQ(keyRecords[0].state, platform::kKeyDown);
    EXPECT_EQ(keyRecords[1].key, 0);
    EXPECT_EQ(keyRecords[1].character, u'a');
    EXPECT_EQ(keyRecords[2].key, platform::kDikA);
    EXPECT_EQ(keyRecords[2].state, 0);
    std::vector<MouseRecord> mouseRecords = rig.Mouse();
    ASSERT_EQ(mouseRecords.size(), 5u);
    EXPECT_EQ(mouseRecords[0].offset, platform::kMouseOffsetX);
    EXPECT_EQ(mouseRecords[1].offset, platform::kMouseOffsetY);
    EXPECT_EQ(mouseRecords[2].offset, platform::kMouseOffsetButton0);
    EXPECT_EQ(mouseRecords[3].offset, platform::kMouseOffsetWheel);
    EXPECT_EQ(mouseRecords[3].data, -240);
    EXPECT_EQ(mouseRecords[4].data, 0);
    EXPECT_EQ(TypedText(keyRecords), u"aGrüße");
    EXPECT_TRUE(rig.Events().empty());
    rig.backend.PumpEventsUntil(50);
    EXPECT_EQ(rig.Events(), std::vector<WindowEvent>{WindowEvent::Close});
    EXPECT_EQ(rig.backend.PendingEvents(), 0u);
}

TEST(HeadlessWindow, LosingTheFocusReleasesHeldKeysAndButtons) {
    Rig rig;
    rig.Events();
    rig.Script("0 key down LSHIFT\n0 key down RETURN\n0 mouse down right\n"
               "10 focus lost\n"
               "20 key down B\n20 mouse down left\n20 mouse move 5 5\n20 text x\n"
               "30 focus gained\n"
               "40 key down C\n");
    rig.backend.PumpEventsUntil(0);
    rig.Keys();
    rig.Mouse();
    rig.backend.PumpEventsUntil(10);
    EXPECT_FALSE(rig.input.Acquired());
    EXPECT_EQ(rig.Events(), std::vector<WindowEvent>{WindowEvent::FocusLost});
    // Buffered readers see every held key and button released, in code order.
    std::vector<KeyRecord> released = rig.Keys();
    ASSERT_EQ(released.size(), 2u);
    EXPECT_EQ(released[0].key, platform::kDikReturn);
    EXPECT_EQ(released[1].key, platform::kDikLshift);
    EXPECT_EQ(released[0].state | released[1].state, 0);
    std::vector<MouseRecord> mouseReleased = rig.Mouse();
    ASSERT_EQ(mouseReleased.size(), 1u);
    EXPECT_EQ(mouseReleased[0].offset, platform::kMouseOffsetButton1);
    EXPECT_EQ(mouseReleased[0].data, 0);

    // Nothing is taken in while the focus is elsewhere.
    rig.backend.PumpEventsUntil(20);
    uint8_t keys[256];
    rig.input.ReadKeyboardState(keys);
    EXPECT_EQ(std::count(keys, keys + 256, 0), 256);
    platform::MouseState mouse;
    rig.input.ReadMouseState(mouse);
    EXPECT_EQ(mouse.x, 0);
    EXPECT_EQ(mouse.buttons[0], 0);
    EXPECT_TRUE(rig.Keys().empty()) << "neither keys nor text";

    rig.backend.PumpEventsUntil(40);
    EXPECT_EQ(rig.Events(), std::vector<WindowEvent>{WindowEvent::FocusGained});
    std::vector<KeyRecord> after = rig.Keys();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].key, platform::kDikC);
    EXPECT_EQ(TypedText(after), u"c");
}

TEST(HeadlessWindow, MinimisingAndFullScreenBehaveLikeAWindow) {
    Rig rig;
    EXPECT_TRUE(rig.window.HasFocus());
    rig.Events();
    rig.window.SetPosition(100, 50);
    rig.window.SetFullscreen(true);
    int w = 0, h = 0, x = 0, y = 0;
    rig.window.ClientSize(w, h);
    EXPECT_EQ(w, 1920);
    rig.window.SetFullscreen(false);
    rig.window.ClientSize(w, h);
    rig.window.Position(x, y);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 50);
    // A desktop of another size: full screen covers it, and it is offered.
    const platform::DisplayMode large{2560, 1440, 60, 22};
    rig.window.SetDesktopMode(large);
    EXPECT_EQ(rig.window.DesktopMode(), large);
    const std::vector<platform::DisplayMode> modes = rig.window.DisplayModes();
    EXPECT_EQ(std::count(modes.begin(), modes.end(), large), 1);
    rig.window.SetFullscreen(true);
    rig.window.ClientSize(w, h);
    EXPECT_EQ(w, 2560);
    EXPECT_EQ(h, 1440);
    rig.window.SetFullscreen(false);

    ScriptEvent minimise;
    minimise.type = ScriptEvent::Type::Minimise;
    rig.backend.Apply(minimise);
    EXPECT_TRUE(rig.window.IsMinimised());
    EXPECT_FALSE(rig.input.Acquired());
    rig.window.Restore();
    EXPECT_FALSE(rig.window.IsMinimised());
    EXPECT_TRUE(rig.input.Acquired());
    EXPECT_EQ(rig.Events(), (std::vector<WindowEvent>{WindowEvent::Minimised, WindowEvent::FocusLost,
                                                      WindowEvent::Restored, WindowEvent::FocusGained}));
    EXPECT_FALSE(rig.window.DisplayModes().empty());
}

TEST(HeadlessWindow, ScriptErrorsNameTheirLine) {
    struct Case {
        const char* script;
        const char* error;
    };
    const Case cases[] = {
        {"10 key down NOSUCHKEY\n", "line 1: unknown key"},
        {"\n# fine\n10 mouse down thumb\n", "line 3: expected left, right or middle"},
        {"20 close\n10 close\n", "line 2: events must be in time order"},
        {"soon close\n", "line 1: expected a time in milliseconds"},
        {"10 mouse move 3\n", "line 1: expected x and y from -32768 to 32767"},
        {"10 mouse move -2147483648 -2147483648\n", "line 1: expected x and y from -32768 to 32767"},
        {"10 mouse move 0 32768\n", "line 1: expected x and y from -32768 to 32767"},
        {"10 mouse wheel -2147483648\n", "line 1: expected the wheel notches from -273 to 273"},
        {"10 mouse wheel 274\n", "line 1: expected the wheel notches from -273 to 273"},
        {"10 close now\n", "line 1: unexpected words at the end of the line"},
    };
    for (const Case& c : cases) {
        std::vector<ScriptEvent> events;
        std::string error;
        EXPECT_FALSE(platform::ParseEventScript(c.script, events, &error)) << c.script;
        EXPECT_EQ(error, c.error);
    }
    platform::BackendResult missing =
        platform::CreateBackend(platform::BackendKind::Headless, "/nonexistent/input.txt");
    EXPECT_FALSE(missing.backend);
    EXPECT_NE(missing.error.find("/nonexistent/input.txt"), std::string::npos);
    // A folder reads as nothing at all: refused as well, not run as no events.
    testsupport::TempDir dir;
    platform::BackendResult folder =
        platform::CreateBackend(platform::BackendKind::Headless, dir.Path().string());
    EXPECT_FALSE(folder.backend);
    EXPECT_NE(folder.error.find("not a file"), std::string::npos) << folder.error;
    // The extremes themselves are taken.
    std::vector<ScriptEvent> events;
    std::string error;
    EXPECT_TRUE(platform::ParseEventScript(
        "10 mouse move -32768 32767\n20 mouse wheel -273\n30 mouse wheel 273\n", events, &error))
        << error;
}

TEST(Input, KeyCodesFollowTheScanCodeNumbering) {
    // SDL scancodes are USB usage numbers: 4 is A, 40 Return, 224 left Ctrl, 88 keypad Enter, 80 Left.
    EXPECT_EQ(platform::DikFromSdlScancode(4), 0x1E);
    EXPECT_EQ(platform::DikFromSdlScancode(40), 0x1C);
    EXPECT_EQ(platform::DikFromSdlScancode(41), 0x01);
    EXPECT_EQ(platform::DikFromSdlScancode(224), 0x1D);
    EXPECT_EQ(platform::DikFromSdlScancode(228), 0x9D);
    EXPECT_EQ(platform::DikFromSdlScancode(88), 0x9C);
    EXPECT_EQ(platform::DikFromSdlScancode(80), 0xCB);
    EXPECT_EQ(platform::DikFromSdlScancode(39), 0x0B); // 0 ends the digit row
    EXPECT_EQ(platform::DikFromSdlScancode(-1), 0);
    EXPECT_EQ(platform::DikFromSdlScancode(100000), 0);
    EXPECT_EQ(platform::DikFromName("numpadenter"), 0x9C);
    EXPECT_EQ(platform::DikFromName("0x1C"), 0x1C);
    EXPECT_EQ(platform::DikFromName("0"), 0x0B); // a name, not a number
    EXPECT_EQ(platform::DikFromName("300"), 0);
    EXPECT_EQ(platform::DikName(0xC8), "UP");
}

TEST(Input, BufferedRecordsKeepTheNewestWhenTheReaderFallsBehind) {
    platform::Input input;
    input.OnFocus(true, 0);
    platform::MouseRecord drained[platform::kInputRecordLimit + 16];
    input.ReadMouseRecords(drained, platform::kInputRecordLimit + 16);
    // Six more movements than the buffer holds: the first six are lost.
    for (uint32_t t = 1; t <= platform::kInputRecordLimit + 6; ++t)
        input.OnMouseMove(1, 0, t);
    platform::MouseRecord records[platform::kInputRecordLimit + 16];
    ASSERT_EQ(input.ReadMouseRecords(records, 10), 10u);
    EXPECT_EQ(records[0].time, 7u);
    EXPECT_EQ(records[9].time, 16u);
    // Records written after a partial read follow the unread ones, in order,
    // also where the buffer wraps round.
    input.OnMouseMove(0, -2, 5000);
    input.OnMouseMove(3, 0, 5001);
    const size_t n = input.ReadMouseRecords(records, platform::kInputRecordLimit + 16);
    ASSERT_EQ(n, platform::kInputRecordLimit - 10 + 2);
    EXPECT_EQ(records[0].time, 17u);
    EXPECT_EQ(records[n - 3].time, platform::kInputRecordLimit + 6);
    EXPECT_EQ(records[n - 2].offset, uint32_t(platform::kMouseOffsetY));
    EXPECT_EQ(records[n - 2].data, -2);
    EXPECT_EQ(records[n - 1].offset, uint32_t(platform::kMouseOffsetX));
    EXPECT_EQ(records[n - 1].time, 5001u);
    EXPECT_EQ(input.ReadMouseRecords(records, 4), 0u);
}

TEST(Platform, TellsWhenThereIsNoDisplay) {
    const char* saved[3] = {std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                            std::getenv("SDL_VIDEODRIVER")};
    std::string copies[3];
    for (int i = 0; i < 3; ++i)
        if (saved[i]) copies[i] = saved[i];
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    platform::BackendResult result = platform::CreateBackend(platform::BackendKind::Sdl);
    const char* names[3] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    for (int i = 0; i < 3; ++i)
        if (saved[i]) setenv(names[i], copies[i].c_str(), 1);
    EXPECT_FALSE(result.backend);
    EXPECT_TRUE(result.noDisplay);
    EXPECT_NE(result.error.find("No display available"), std::string::npos);
    EXPECT_NE(result.error.find("--headless"), std::string::npos);

    platform::BackendKind kind;
    ASSERT_TRUE(platform::ParseBackendKind("headless", kind));
    platform::BackendResult headless = platform::CreateBackend(kind);
    ASSERT_TRUE(headless.backend);
    EXPECT_EQ(headless.backend->Kind(), platform::BackendKind::Headless);
    EXPECT_FALSE(platform::ParseBackendKind("opengl", kind));
}

TEST(Platform, RaiseRequestsAreTakenOnce) {
    EXPECT_FALSE(platform::TakeRaiseRequest());
    platform::RequestRaise();
    platform::RequestRaise();
    EXPECT_TRUE(platform::TakeRaiseRequest());
    EXPECT_FALSE(platform::TakeRaiseRequest());
}

// The headless keyboard types as a US keyboard: Shift picks a key's upper
// character, Ctrl or Alt held types nothing, keys without a character
// type nothing, and a key held down types once.
TEST(HeadlessWindow, KeyPressesTypeTheirCharacters) {
    struct Case {
        const char* script;
        std::u16string typed;
    };
    const Case cases[] = {
        {"0 key down A\n0 key up A\n0 key down 1\n", u"a1"},
        {"0 key down LSHIFT\n0 key down 1\n0 key down A\n0 key down MINUS\n", u"!A_"},
        {"0 key down RSHIFT\n0 key down APOSTROPHE\n0 key up RSHIFT\n0 key down SEMICOLON\n", u"\";"},
        {"0 key down LCONTROL\n0 key down C\n", u""},
        {"0 key down RMENU\n0 key down E\n", u""},
        {"0 key down SPACE\n0 key down BACK\n0 key down RETURN\n0 key down LEFT\n", u" "},
        {"0 key down B\n0 key down B\n", u"b"},
        {"0 key down NUMPAD7\n0 key down DECIMAL\n0 text \xc3\xa9\n", u"7.\u00e9"},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.Events();
        rig.Script(c.script);
        rig.backend.PumpEventsUntil(0);
        EXPECT_EQ(TypedText(rig.Keys()), c.typed) << c.script;
    }
}

#include "frontend/Comix.h"
#include "app/App.h"

#include "app/GameStates.h"
#include "engine/InputManager.h"
#include "engine/LoaderState.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "gui/SpritesWindow.h"
#include "platform/Utf.h"
#include "sprites/GameEffect.h"
#include "sprites/Sprite.h"
#include "tests/engine/ViewerTestSupport.h"
#include "tests/sprites/SpriteTestHost.h"
#include "tests/support/DataChunks.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

ComixItem Item(const char16_t* name, int32_t dx, int32_t dy) {
    ComixItem item = {};
    std::char_traits<char16_t>::copy(item.name, name, std::char_traits<char16_t>::length(name));
    item.dx = dx;
    item.dy = dy;
    return item;
}

COMIXPART Part(int32_t x, int32_t y, uint32_t a, uint32_t b, uint32_t c) {
    COMIXPART part;
    part.header = {uint32_t(ComixPartSize(a, b, c)), x, y, 10, 20, a, b, c, {}};
    for (uint32_t i = 0; i < a + b + c; ++i)
        part.items.push_back(Item(i < a       ? u"front"
                                  : i < a + b ? u"late"
                                              : u"caption",
                                  int32_t(i), -int32_t(i)));
    return part;
}

// Comic 0 of three parts, comic 1 of one.
std::vector<ComixPage> SamplePages() {
    std::vector<ComixPage> pages(2);
    pages[0].x = -5;
    pages[0].y = 7;
    pages[0].parts = {Part(-400, -300, 2, 1, 1), Part(20, -300, 1, 0, 1), Part(-200, 20, 0, 1, 0)};
    pages[1].parts = {Part(0, 0, 1, 0, 0)};
    return pages;
}

// Offsets into the sample chunk: count, comic 0 (x, y, parts), its first part's header.
constexpr size_t kFirstPartAt = 4 + 12;

std::vector<uint8_t> WithU32(std::vector<uint8_t> bytes, size_t at, uint32_t value) {
    kis::StoreLE32(bytes.data() + at, value);
    return bytes;
}

} // namespace

TEST(ComixChunk, AGoodChunkReadsBackAsWrittenAndAPartOfTwoOneOneIs332Bytes) {
    EXPECT_EQ(ComixPartSize(2, 1, 1), 332u);
    const std::vector<uint8_t> bytes = EncodeComixPages(SamplePages());
    std::vector<ComixPage> pages;
    std::string why;
    ASSERT_TRUE(ReadComixPages(bytes.data(), bytes.size(), &pages, &why)) << why;
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].x, -5);
    EXPECT_EQ(pages[0].y, 7);
    ASSERT_EQ(pages[0].parts.size(), 3u);
    const COMIXPART& first = pages[0].parts[0];
    EXPECT_EQ(first.header.size, 332u);
    EXPECT_EQ(first.header.x, -400);
    EXPECT_EQ(first.header.pivotY, 20);
    ASSERT_EQ(first.items.size(), 4u);
    EXPECT_EQ(std::u16string(first.Front()[1].name), u"front");
    EXPECT_EQ(std::u16string(first.Late()[0].name), u"late");
    EXPECT_EQ(std::u16string(first.Captions()[0].name), u"caption");
    EXPECT_EQ(first.Captions()[0].dx, 3);
    EXPECT_EQ(first.Captions()[0].dy, -3);
    EXPECT_EQ(pages[1].parts[0].items.size(), 1u);
}

TEST(ComixChunk, BadChunksAreRefusedWholeAndLeaveThePagesAsTheyWere) {
    const std::vector<uint8_t> good = EncodeComixPages(SamplePages());
    // A part whose 32-bit size would wrap: 72 x 59652324 is 2^32 + 32, so the
    // sum of 44 and that in 32 bits is 76.
    std::vector<uint8_t> wrapping = WithU32(good, kFirstPartAt, 76);
    kis::StoreLE32(wrapping.data() + kFirstPartAt + 20, 59652324);
    kis::StoreLE32(wrapping.data() + kFirstPartAt + 24, 0);
    kis::StoreLE32(wrapping.data() + kFirstPartAt + 28, 0);
    // Counts that agree with the size but ask for more than the chunk holds.
    std::vector<uint8_t> oversized = WithU32(good, kFirstPartAt, uint32_t(ComixPartSize(1000000, 0, 0)));
    kis::StoreLE32(oversized.data() + kFirstPartAt + 20, 1000000);
    kis::StoreLE32(oversized.data() + kFirstPartAt + 24, 0);
    kis::StoreLE32(oversized.data() + kFirstPartAt + 28, 0);
    std::vector<uint8_t> unterminated = good;
    for (size_t i = 0; i < 64; i += 2)
        unterminated[kFirstPartAt + 44 + i] = 'x';
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"size one short of the counts", WithU32(good, kFirstPartAt, 331)},
        {"size one past the counts", WithU32(good, kFirstPartAt, 333)},
        {"item count wrapping the size", wrapping},
        {"items past the chunk", oversized},
        {"comic count past the chunk", WithU32(good, 0, 0xFFFFFFFF)},
        {"part count past the chunk", WithU32(good, 12, 0x40000000)},
        {"unterminated name", unterminated},
        {"empty chunk", {}},
    };
    for (const auto& c : cases) {
        Comix comix;
        const std::vector<uint8_t> before = EncodeComixPages(SamplePages());
        ASSERT_TRUE(comix.Read(before.data(), before.size(), nullptr));
        std::string why;
        EXPECT_FALSE(comix.Read(c.bytes.data(), c.bytes.size(), &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
        EXPECT_EQ(comix.Count(), 2u) << c.name;
    }
    // Every cut of a good chunk is refused.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        std::vector<ComixPage> pages;
        EXPECT_FALSE(ReadComixPages(good.data(), cut, &pages, nullptr)) << "cut at " << cut;
    }
}

namespace {

LoaderState LoadFromPack(Comix& comix, const std::vector<uint8_t>& chunk, uint32_t id) {
    testsupport::TempDir dir;
    const kis::DataFileReaderPtr reader = testsupport::OnlyChunkFile(
        dir.File("Data.dat"), {1, 2, 3}, {id, kComixChunkSubId, std::string(chunk.begin(), chunk.end())});
    EXPECT_NE(reader, nullptr);
    LoaderState state = {};
    EXPECT_EQ(comix.Load(reader.get(), &state), kLoaderFinished);
    return state;
}

} // namespace

TEST(ComixChunk, TheLoadingStageFlagsAMissingOrBadChunk) {
    const std::vector<uint8_t> good = EncodeComixPages(SamplePages());
    Comix comix;
    EXPECT_EQ(LoadFromPack(comix, good, kComixChunkId).error, 0);
    EXPECT_EQ(comix.Count(), 2u);
    Comix missing;
    EXPECT_EQ(LoadFromPack(missing, good, kComixChunkId + 1).error, 1);
    Comix bad;
    EXPECT_EQ(LoadFromPack(bad, WithU32(good, kFirstPartAt, 331), kComixChunkId).error, 1);
    EXPECT_EQ(bad.Count(), 0u);
}

TEST(ComixLayout, ThePageScalesWithTheScreenAndTheBackgroundCoversIt) {
    const struct {
        int32_t width, height;
        float scale;
    } scales[] = {
        {1024, 780, 1.0f},  {800, 600, 0.8f},
        {1024, 750, 1.0f},  {1280, 800, 1.0f},
        {1600, 1200, 1.5f}, {900, 1200, 900.0f / 980.0f},
        {1280, 720, 0.96f}, {979, 768, 979.0f / 980.0f},
    };
    for (const auto& c : scales)
        EXPECT_FLOAT_EQ(ComixScale(c.width, c.height), c.scale) << c.width << " x " << c.height;

    const struct {
        int32_t width, height;
        int32_t left, top, backWidth, backHeight;
    } covers[] = {
        {1024, 768, 0, 0, 1024, 768},   // exactly
        {1280, 720, 0, 0, 1280, 720},   // wider: stretched, the border whole
        {800, 600, 0, 0, 800, 600},     // smaller, same shape
        {1024, 1024, 0, 0, 1024, 1024}, // taller
    };
    for (const auto& c : covers) {
        const ComixLayout l = ComixPageLayout(c.width, c.height, 0, 0, 1024, 768);
        EXPECT_EQ(l.backLeft, c.left) << c.width << " x " << c.height;
        EXPECT_EQ(l.backTop, c.top) << c.width << " x " << c.height;
        EXPECT_EQ(l.backWidth, c.backWidth) << c.width << " x " << c.height;
        EXPECT_EQ(l.backHeight, c.backHeight) << c.width << " x " << c.height;
        EXPECT_LE(l.backLeft, 0);
        EXPECT_LE(l.backTop, 0);
        EXPECT_GE(l.backLeft + l.backWidth, c.width);
        EXPECT_GE(l.backTop + l.backHeight, c.height);
    }
    // The origin moves by the page offset times the scale, truncated.
    const ComixLayout moved = ComixPageLayout(800, 600, 11, -11, 0, 0);
    EXPECT_EQ(moved.originX, 400 + 8); // 8.8
    EXPECT_EQ(moved.originY, 300 - 8);
    EXPECT_EQ(moved.backWidth, 0); // no picture, no background
}

namespace {

// A holder with the sample pages, its window on a manager without viewer,
// and a host whose game clock the test sets.
class ComixWindowTest : public ::testing::Test {
  protected:
    App app; // the shell's state the test runs on
    void SetUp() override {
        const std::vector<uint8_t> bytes = EncodeComixPages(SamplePages());
        ASSERT_TRUE(comix.Read(bytes.data(), bytes.size(), nullptr));
        comix.SetMapEventSink([](uint32_t event) { events.push_back(event); });
        events.clear();
        closedCallbacks = 0;
    }
    void TearDown() override {
        StartGameEffect(nullptr);
        comix.CloseWindow();
    }
    // Steps the panels' effects at the current clock.
    void Step() {
        for (auto& part : comix.Window()->Parts())
            part->Step(nullptr);
    }
    std::vector<bool> ComingIn() {
        std::vector<bool> coming;
        for (auto& part : comix.Window()->Parts())
            coming.push_back(part->IsComingIn());
        return coming;
    }

    spritetest::TestHost host;
    WindowManager manager{nullptr, nullptr};
    Comix comix;
    static inline std::vector<uint32_t> events;
    static inline int closedCallbacks = 0;
};

} // namespace

TEST_F(ComixWindowTest, ShowRefusesComicsPastTheCountAndOtherwiseChangesToState7) {
    for (uint32_t i : {2u, 3u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(comix.Show(i, nullptr)) << i;
        EXPECT_EQ(CurrentGameEffect(), nullptr) << i;
    }
    EXPECT_FALSE(ShowComix(0, nullptr)); // no holder installed
    SetComix(&comix);
    EXPECT_TRUE(ShowComix(1, [] { ++closedCallbacks; }));
    SetComix(nullptr);
    EXPECT_EQ(comix.Current(), 1u);
    ASSERT_NE(CurrentGameEffect(), nullptr);
    UpdateGameEffect();
    host.real += 260; // the fade-out's end switches the state
    UpdateGameEffect();
    EXPECT_EQ(host.states, std::vector<int32_t>{kStateComics});
    comix.OpenWindow(manager);
    ASSERT_NE(comix.Window(), nullptr);
    EXPECT_EQ(comix.Window()->Parts().size(), 1u);
}

TEST_F(ComixWindowTest, PanelsComeInOneAfterAnotherAndBecomeOpaque) {
    comix.OpenWindow(manager);
    Step(); // the first step starts the clocks
    const struct {
        uint32_t ms; // after opening
        std::vector<bool> comingIn;
        uint32_t firstAlpha;
    } moments[] = {
        {340, {true, true, true}, 0x00}, // still waiting: invisible
        {420, {true, true, true}, 0xFF * 70 / 150},
        {510, {false, true, true}, 0xFF},
        {760, {false, false, true}, 0xFF},
        {1010, {false, false, false}, 0xFF},
    };
    const uint32_t start = host.game - 10; // the effects' first step puts their start 10 ms back
    for (const auto& m : moments) {
        host.game = start + m.ms;
        Step();
        EXPECT_EQ(ComingIn(), m.comingIn) << m.ms;
        EXPECT_NEAR(double(comix.Window()->Parts()[0]->Colour() >> 24), double(m.firstAlpha), 2.0) << m.ms;
    }
}

TEST_F(ComixWindowTest, AClickFirstCompletesThePageThenClosesItOnce) {
    const struct {
        const char* name;
        uint32_t ms; // after opening, before the first click
        int clicksToClose;
    } cases[] = {
        {"earlier panels coming in", 400, 2},
        {"only the last panel coming in", 960, 1},
        {"all panels in", 2000, 1},
    };
    for (const auto& c : cases) {
        events.clear();
        closedCallbacks = 0;
        host.states.clear();
        ASSERT_TRUE(comix.Show(0, [] { ++closedCallbacks; }));
        StartGameEffect(nullptr);
        comix.OpenWindow(manager);
        ComixWindow* window = comix.Window();
        Step();
        host.game += c.ms;
        Step();
        for (int click = 1; click <= c.clicksToClose; ++click) {
            EXPECT_FALSE(window->IsClosing()) << c.name << ", click " << click;
            EXPECT_TRUE(manager.OnMouseDown(10, 10, kMouseLeft)) << c.name;
            manager.OnMouseUp(10, 10, kMouseLeft);
            EXPECT_EQ(ComingIn(), (std::vector<bool>{false, false, false})) << c.name;
            for (auto& part : window->Parts())
                EXPECT_EQ(part->Colour(), 0xFFFFFFFFu) << c.name;
        }
        EXPECT_TRUE(window->IsClosing()) << c.name;
        EXPECT_EQ(events, std::vector<uint32_t>{kMapEventComixClosed}) << c.name;
        // Further clicks and keys while it closes change nothing.
        manager.OnMouseDown(10, 10, kMouseLeft);
        manager.OnKeyDown(kKeyEscape, 0);
        EXPECT_EQ(events.size(), 1u) << c.name;
        // The fade to the map runs the callback after the change.
        UpdateGameEffect();
        host.real += 260;
        UpdateGameEffect();
        EXPECT_EQ(host.states, std::vector<int32_t>{kStateMap}) << c.name;
        EXPECT_EQ(closedCallbacks, 0) << c.name;
        host.real += 260;
        UpdateGameEffect();
        EXPECT_EQ(closedCallbacks, 1) << c.name;
        comix.CloseWindow();
        EXPECT_EQ(manager.Count(), 0) << c.name;
    }
}

TEST_F(ComixWindowTest, EnterAndEscapeAdvanceLikeAClickAndOtherKeysDoNot) {
    for (const uint32_t key : {kKeyReturn, kKeyEscape}) {
        events.clear();
        comix.OpenWindow(manager);
        ComixWindow* window = comix.Window();
        Step();
        manager.OnKeyDown('A', 0);
        EXPECT_EQ(ComingIn(), (std::vector<bool>{true, true, true})) << key;
        manager.OnKeyDown(key, 0);
        EXPECT_EQ(ComingIn(), (std::vector<bool>{false, false, false})) << key;
        EXPECT_FALSE(window->IsClosing()) << key;
        manager.OnKeyDown(key, 0);
        EXPECT_TRUE(window->IsClosing()) << key;
        EXPECT_EQ(events.size(), 1u) << key;
        StartGameEffect(nullptr);
        comix.CloseWindow();
    }
}

TEST_F(ComixWindowTest, ThePicturesAndTheBackgroundAreReleasedWhenTheComicCloses) {
    viewertest::WindowedViewer viewer;
    ASSERT_TRUE(viewer.Open(64, 64));
    SpriteLibraries libraries;
    SpriteLibrary* library = libraries.Make(kComixLibrary, nullptr, &viewer);
    ASSERT_NE(library, nullptr);
    SetSpriteLibraries(&libraries);
    std::vector<std::unique_ptr<DXLTexture>> textures;
    for (const char16_t* name : {u"front", u"late", u"comix_back", u"other"}) {
        auto texture = std::make_unique<DXLTexture>(&viewer);
        texture->Create(8, 8, kFormatA8R8G8B8, false);
        ASSERT_TRUE(texture->IsLive());
        MapSprite* sprite = library->AddSprite(name);
        sprite->SetTexture(texture.get());
        sprite->SetFrames({kis::MakeRectWH(0, 0, 8, 8)});
        textures.push_back(std::move(texture));
    }
    comix.OpenWindow(manager);
    EXPECT_TRUE(comix.Page(0)->spritesLoaded);
    EXPECT_NE(comix.Window()->Background(), nullptr);
    EXPECT_EQ(comix.Window()->Parts()[0]->FrontCount(), 2);
    EXPECT_EQ(comix.Window()->Parts()[0]->LateCount(), 1);
    comix.CloseWindow();
    EXPECT_EQ(comix.Window(), nullptr);
    EXPECT_FALSE(comix.Page(0)->spritesLoaded);
    EXPECT_FALSE(textures[0]->IsLive()); // front
    EXPECT_FALSE(textures[1]->IsLive()); // late
    EXPECT_FALSE(textures[2]->IsLive()); // background
    EXPECT_TRUE(textures[3]->IsLive());  // not the comic's
    SetSpriteLibraries(nullptr);
}

// A change of screen size while a page shows: the window covers the new
// screen and the page is laid out on it as a page opened there would be.
TEST_F(ComixWindowTest, APageIsLaidOutAgainOnANewScreenSize) {
    comix.OpenWindow(manager);
    ComixWindow* window = comix.Window();
    ASSERT_NE(window, nullptr);
    for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{800, 600}}) {
        window->OnScreenResize(w, h);
        EXPECT_EQ(window->rect.right - window->rect.left, w);
        EXPECT_EQ(window->rect.bottom - window->rect.top, h);
        const ComixLayout expected = ComixPageLayout(w, h, SamplePages()[0].x, SamplePages()[0].y, 0, 0);
        EXPECT_EQ(window->Layout().originX, expected.originX) << w;
        EXPECT_EQ(window->Layout().originY, expected.originY) << w;
        EXPECT_FLOAT_EQ(window->Layout().scale, expected.scale) << w;
    }
}

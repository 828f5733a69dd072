#include "engine/Cursors.h"
#include "TextureTestSupport.h"
#include "engine/CurFile.h"
#include "engine/Texture.h"
#include "platform/Files.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

using texturetest::MakeBitmap;
using texturetest::TestViewer;

namespace {

constexpr uint32_t kArrow = 0x100;
constexpr uint32_t kHand = 0x101;
constexpr uint32_t kDrawn = 0x200;
constexpr uint32_t kHardware = 0x201;
constexpr uint32_t kOtherDrawn = 0x210;
constexpr uint32_t kHitCaption = 2;

class CursorsTest : public ::testing::Test {
  protected:
    platform::HeadlessBackend backend{platform::NullAudioDevice::Clocking::Manual};
    platform::HeadlessCursors& pointer = backend.GetCursors();
    platform::Window* window = &backend.GetWindow();
    DXLCursors cursors;
    HCURSOR arrow = 0, hand = 0;

    void SetUp() override {
        const uint32_t pixels[4] = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0};
        arrow = pointer.CreateCursor(pixels, 2, 2, 0, 0);
        hand = pointer.CreateCursor(pixels, 2, 2, 1, 1);
        ASSERT_NE(arrow, 0u);
        cursors.SetServices(&pointer, &backend.GetInput());
    }
    // The program's start-up: system cursors, the arrow as default, the window, shown.
    void StartUp() {
        DXLCURSORDATA record;
        MakeCursorData(&record, kArrow, arrow);
        cursors.Add(record.kind, record.id, record.hotX, record.hotY, record.image);
        cursors.Add(kCursorSystem, kHand, 0, 0, hand);
        cursors.Get(&record, kArrow);
        cursors.SetDefault(record.kind, record.id, record.hotX, record.hotY, record.image);
        cursors.SetWindow(window);
        cursors.Show();
    }
    bool SetCursorMessage(uint32_t hit = kHitClient) {
        return cursors.HandleMessage(window, kMessageSetCursor, reinterpret_cast<uintptr_t>(window), hit);
    }
    // A 32 x 32 texture, opaque red inside a transparent one-pixel border.
    std::unique_ptr<DXLTexture> RedSquare(DXLViewer* viewer) {
        auto bitmap = MakeBitmap(kFormatA8R8G8B8, 32, 32, [](int x, int y) {
            return x == 0 || y == 0 || x == 31 || y == 31 ? 0u : 0xFFFF0000u;
        });
        auto texture = std::make_unique<DXLTexture>(viewer);
        texture->SetState(MakeTextureStateUniform(0, uint32_t(platform::TextureAddress::Clamp), kBlendAlpha,
                                                  uint32_t(platform::TextureOp::Modulate)));
        texture->LoadFromBitmap(bitmap.get());
        EXPECT_EQ(texture->IsLive(), viewer != nullptr);
        return texture;
    }
};

TEST_F(CursorsTest, RecordsAreCopiedAndFoundById) {
    cursors.Add(kCursorNone, 7, 0, 0, 0);
    EXPECT_EQ(cursors.Count(), 0);
    cursors.Add(kCursorSystem, 7, 3, 4, arrow);
    cursors.Add(kCursorSystem, 7, 0, 0, hand);
    DXLCURSORDATA record;
    cursors.Get(&record, 7);
    EXPECT_EQ(record.image, arrow); // the first of that id
    EXPECT_EQ(record.hotX, 3);
    cursors.Get(&record, 8);
    EXPECT_EQ(record.kind, kCursorNone);
    EXPECT_EQ(record.image, 0u);
    MakeCursorData(&record, 9, hand);
    EXPECT_EQ(record.kind, kCursorSystem);
    EXPECT_EQ(record.hotX, 0);
    cursors.RemoveAll();
    EXPECT_EQ(cursors.Count(), 0);
}

TEST_F(CursorsTest, SetCursorMessageShowsTheCurrentSystemCursorOverTheClientArea) {
    StartUp();
    EXPECT_TRUE(cursors.IsDefaultInUse());
    EXPECT_EQ(cursors.GetCurrent().id, kArrow);
    EXPECT_FALSE(cursors.IsInstalled()); // nothing happens before the first message
    EXPECT_TRUE(SetCursorMessage());
    EXPECT_EQ(pointer.Current(), arrow);

    cursors.Select(kHand);
    EXPECT_EQ(pointer.Current(), hand); // shown at once while the pointer is over the window
    EXPECT_FALSE(cursors.IsDefaultInUse());

    // Over the frame nothing is set and the window's own handling goes on.
    pointer.SetCursor(arrow);
    EXPECT_FALSE(SetCursorMessage(kHitCaption));
    EXPECT_FALSE(cursors.IsVisible());
    EXPECT_EQ(pointer.Current(), arrow);
    cursors.SetClientAreaOnly(false);
    EXPECT_TRUE(SetCursorMessage(kHitCaption));
    EXPECT_EQ(pointer.Current(), hand);

    // A message about another window hides it.
    EXPECT_FALSE(cursors.HandleMessage(window, kMessageSetCursor, 1234, kHitClient));
    EXPECT_FALSE(
        cursors.HandleMessage(window, kMessageSetCursor + 1, reinterpret_cast<uintptr_t>(window), 1));

    cursors.UseDefault();
    EXPECT_TRUE(SetCursorMessage());
    EXPECT_EQ(pointer.Current(), arrow);
    EXPECT_TRUE(cursors.IsDefaultInUse());
}

TEST_F(CursorsTest, UnknownIdLeavesTheCursorToTheWindowAndTheSameIdIsNotReselected) {
    StartUp();
    cursors.Select(0x999);
    EXPECT_EQ(cursors.GetCurrent().kind, kCursorNone);
    EXPECT_FALSE(SetCursorMessage());

    cursors.Select(kHand);
    EXPECT_TRUE(SetCursorMessage());
    // The record of the id is replaced; selecting the id again changes nothing.
    cursors.RemoveRecord(1);
    cursors.Add(kCursorSystem, kHand, 0, 0, arrow);
    cursors.Select(kHand);
    EXPECT_EQ(cursors.GetCurrent().image, hand);
}

TEST_F(CursorsTest, HidingAndWindowChangesSwitchTheImageOff) {
    StartUp();
    EXPECT_TRUE(SetCursorMessage());
    cursors.Hide();
    EXPECT_FALSE(cursors.IsEnabled());
    EXPECT_FALSE(cursors.IsInstalled());
    EXPECT_FALSE(SetCursorMessage());
    cursors.Show();
    EXPECT_TRUE(SetCursorMessage());

    cursors.SetWindow(nullptr); // no window: it cannot be shown
    EXPECT_FALSE(cursors.IsEnabled());
    cursors.SetWindow(window);
    EXPECT_FALSE(cursors.IsEnabled()); // it was not enabled when the window came
    cursors.Show();
    cursors.SetWindow(reinterpret_cast<platform::Window*>(~uintptr_t(0)));
    EXPECT_FALSE(cursors.IsEnabled());

    // Changing the default while it is in use applies it at once.
    cursors.SetWindow(window);
    cursors.Show();
    cursors.UseDefault();
    cursors.SetDefault(kCursorSystem, kHand, 0, 0, hand);
    EXPECT_EQ(cursors.GetCurrent().id, kHand);
    EXPECT_TRUE(SetCursorMessage());
    EXPECT_EQ(pointer.Current(), hand);
}

class DrawnCursorTest : public CursorsTest {
  protected:
    TestViewer viewer;
    void SetUp() override {
        CursorsTest::SetUp();
        ASSERT_TRUE(viewer.Open(64, 64));
    }
    uint32_t Pixel(int x, int y) {
        platform::FrameView frame = viewer.GetDevice()->BackBuffer();
        return frame.pixels[size_t(y) * size_t(frame.pitchInPixels) + size_t(x)] & 0xFFFFFF;
    }
};

TEST_F(DrawnCursorTest, DrawnCursorFollowsThePointerWithItsHotSpotInTheMiddle) {
    StartUp();
    auto texture = RedSquare(&viewer);
    cursors.Add(kCursorDrawn, kDrawn, kCursorHotSpotCentre, kCursorHotSpotCentre,
                CursorImageOf(texture.get()));
    cursors.Select(kDrawn);
    EXPECT_TRUE(SetCursorMessage());
    EXPECT_TRUE(pointer.Hidden()); // the game draws the pointer itself
    EXPECT_EQ(viewer.GetEndFrameCallback(), DrawCursorImage);
    EXPECT_FLOAT_EQ(cursors.GetQuad().v[0].x, -16.5f); // hot spot (16, 16)
    EXPECT_FLOAT_EQ(cursors.GetQuad().v[0].y, -16.5f);

    backend.GetInput().OnCursor(40, 30);
    ASSERT_EQ(viewer.BeginScene(), kResultOk);
    viewer.ClearTarget(0xFF0000FF);
    ASSERT_EQ(viewer.EndFrame(), kResultOk);
    EXPECT_EQ(Pixel(40, 30), 0xFF0000u);
    EXPECT_EQ(Pixel(25, 15), 0xFF0000u); // the image's first opaque texel (1, 1)
    EXPECT_EQ(Pixel(24, 15), 0x0000FFu); // its transparent border
    EXPECT_EQ(Pixel(54, 44), 0xFF0000u);
    EXPECT_EQ(Pixel(55, 44), 0x0000FFu);

    // Switching to a system cursor unhooks the drawing.
    cursors.Select(kHand);
    EXPECT_EQ(viewer.GetEndFrameCallback(), nullptr);
    EXPECT_FALSE(pointer.Hidden());
    EXPECT_EQ(pointer.Current(), hand);
}

TEST_F(DrawnCursorTest, DestroyedCurrentTextureSwitchesToTheDefaultAndDropsTheRecord) {
    StartUp();
    auto texture = RedSquare(&viewer);
    cursors.Add(kCursorDrawn, kDrawn, 0, 0, CursorImageOf(texture.get()));
    cursors.Select(kDrawn);
    EXPECT_TRUE(SetCursorMessage());
    ASSERT_EQ(viewer.GetEndFrameCallback(), DrawCursorImage);
    texture.reset();
    EXPECT_EQ(cursors.Count(), 2);
    EXPECT_EQ(cursors.GetCurrent().id, kArrow);
    EXPECT_EQ(viewer.GetEndFrameCallback(), nullptr);
    EXPECT_EQ(pointer.Current(), arrow);
    EXPECT_EQ(viewer.RenderFrame(0), kResultOk);
}

TEST_F(DrawnCursorTest, DefaultOrCurrentRecordWhoseTextureGoesAwayIsEmptied) {
    cursors.SetWindow(window);
    cursors.Show();
    auto texture = RedSquare(&viewer);
    // A drawn default that has no record of its own; it is applied at once.
    cursors.SetDefault(kCursorDrawn, kDrawn, 1, 1, CursorImageOf(texture.get()));
    EXPECT_TRUE(SetCursorMessage());
    EXPECT_EQ(viewer.GetEndFrameCallback(), DrawCursorImage);
    texture.reset();
    EXPECT_EQ(cursors.GetDefault().kind, kCursorNone);
    EXPECT_EQ(cursors.GetDefault().image, 0u);
    EXPECT_EQ(cursors.GetCurrent().image, 0u);
    EXPECT_EQ(viewer.GetEndFrameCallback(), nullptr);
    EXPECT_FALSE(SetCursorMessage());
    cursors.UseDefault();
    EXPECT_FALSE(SetCursorMessage());

    // A current cursor taken from a record of another id than the one selected.
    auto second = RedSquare(&viewer);
    cursors.Add(kCursorDrawn, kDrawn, 0, 0, CursorImageOf(second.get()));
    cursors.Add(kCursorDrawn, kOtherDrawn, 0, 0, CursorImageOf(second.get()));
    cursors.Select(kOtherDrawn);
    EXPECT_TRUE(SetCursorMessage());
    second.reset();
    EXPECT_EQ(cursors.Count(), 0);
    EXPECT_EQ(cursors.GetCurrent().image, 0u);
    EXPECT_EQ(viewer.GetEndFrameCallback(), nullptr);
    EXPECT_EQ(viewer.RenderFrame(0), kResultOk);
}

TEST_F(DrawnCursorTest, TextureWithoutViewerOrAGoneViewerIsSafe) {
    StartUp();
    auto loose = RedSquare(nullptr); // never loaded: no viewer
    cursors.Add(kCursorDrawn, kDrawn, 0, 0, CursorImageOf(loose.get()));
    cursors.Add(kCursorHardware, kHardware, 0, 0, CursorImageOf(loose.get()));
    cursors.Select(kDrawn);
    EXPECT_FALSE(SetCursorMessage());
    cursors.Select(kHardware);
    EXPECT_FALSE(SetCursorMessage());
    cursors.Hide();
    cursors.Show();

    // The viewer goes away under a drawn cursor.
    auto doomed = std::make_unique<TestViewer>();
    ASSERT_TRUE(doomed->Open(32, 32));
    auto texture = RedSquare(doomed.get());
    cursors.Add(kCursorDrawn, kOtherDrawn, 0, 0, CursorImageOf(texture.get()));
    cursors.Select(kOtherDrawn);
    EXPECT_TRUE(SetCursorMessage());
    doomed.reset(); // the default takes over
    EXPECT_EQ(cursors.GetCurrent().id, kArrow);
    cursors.Select(kOtherDrawn); // its texture has no viewer now
    EXPECT_FALSE(SetCursorMessage());
    cursors.Hide();
    texture.reset();
    EXPECT_EQ(cursors.GetCurrent().id, kArrow);
    EXPECT_EQ(cursors.Count(), 4); // only the destroyed texture's record is gone
}

TEST_F(DrawnCursorTest, DeviceResetUninstallsAHardwareCursorUntilTheNextMessage) {
    StartUp();
    auto texture = RedSquare(&viewer);
    cursors.Add(kCursorHardware, kHardware, kCursorHotSpotCentre, 3, CursorImageOf(texture.get()));
    cursors.Select(kHardware);
    EXPECT_TRUE(SetCursorMessage());
    HCURSOR shown = pointer.Current();
    EXPECT_NE(shown, 0u);
    EXPECT_NE(shown, arrow);
    EXPECT_FALSE(pointer.Hidden());

    EXPECT_EQ(viewer.ResetDevice(), kResultOk);
    EXPECT_FALSE(cursors.IsInstalled());
    EXPECT_EQ(pointer.Current(), 0u); // the image made of the texture is gone
    EXPECT_TRUE(SetCursorMessage());
    EXPECT_NE(pointer.Current(), 0u);
    EXPECT_NE(pointer.Current(), shown);

    // A released texture uninstalls the image; it comes back once reloaded.
    texture->Release();
    EXPECT_FALSE(cursors.IsInstalled());
    EXPECT_FALSE(SetCursorMessage());
}

TEST_F(CursorsTest, CursorFilesBecomeSystemCursors) {
    testsupport::TempDir dir;
    CursorImage image;
    image.width = image.height = 32;
    image.hotX = 5;
    image.hotY = 6;
    image.argb.assign(32 * 32, 0xFF00FF00u);
    std::vector<uint8_t> file = WriteCurFile({image});
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("arrow.cur"), std::string(file.begin(), file.end())));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.File("bad.cur"), "not a cursor"));

    std::u16string folder = platform::ToGamePath(dir.Path().string());
    HCURSOR loaded = LoadCursorFromFile(&pointer, (folder + u"\\arrow.cur").c_str());
    EXPECT_NE(loaded, 0u);
    EXPECT_TRUE(pointer.SetCursor(loaded));
    EXPECT_EQ(LoadCursorFromFile(&pointer, (folder + u"\\bad.cur").c_str()), 0u);
    EXPECT_EQ(LoadCursorFromFile(&pointer, (folder + u"\\missing.cur").c_str()), 0u);
    EXPECT_EQ(LoadCursorFromFile(nullptr, (folder + u"\\arrow.cur").c_str()), 0u);
}

TEST(CursorSet, GlobalFunctionsActOnTheOneSet) {
    platform::HeadlessBackend backend{platform::NullAudioDevice::Clocking::Manual};
    const uint32_t pixel = 0xFFFFFFFF;
    HCURSOR arrow = backend.GetCursors().CreateCursor(&pixel, 1, 1, 0, 0);
    SetCursorServices(&backend.GetCursors(), &backend.GetInput());
    AddCursorData(kCursorSystem, kArrow, 0, 0, arrow);
    DXLCURSORDATA record;
    GetCursorData(&record, kArrow);
    SetDefaultCursorData(record.kind, record.id, record.hotX, record.hotY, record.image);
    platform::Window* window = &backend.GetWindow();
    SetCursorWindow(window);
    ShowCursorImage();
    SelectCursor(0x999);
    EXPECT_FALSE(
        CursorsHandleMessage(window, kMessageSetCursor, reinterpret_cast<uintptr_t>(window), kHitClient));
    UseDefaultCursor();
    EXPECT_TRUE(
        CursorsHandleMessage(window, kMessageSetCursor, reinterpret_cast<uintptr_t>(window), kHitClient));
    EXPECT_EQ(backend.GetCursors().Current(), arrow);
    HideCursorImage();
    EXPECT_FALSE(GetCursorSet().IsEnabled());

    GetCursorSet().RemoveAll();
    SetCursorWindow(nullptr);
    SetCursorServices(nullptr, nullptr);
}

} // namespace

#include "engine/Texture.h"
#include "TextureTestSupport.h"
#include "platform/PngWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using texturetest::MakeBitmap;
using texturetest::TestViewer;
using texturetest::Texel;

namespace {

// Records the notify codes it receives, with a name.
class Listener final : public DXLNotifyObject {
  public:
    Listener(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}
    void OnNotify(DXLNotifyObject*, uint32_t code) override { log->push_back(name + std::to_string(code)); }
    std::string name;
    std::vector<std::string>* log;
};

uint32_t Pattern(int x, int y) {
    return 0xFF000000u | uint32_t(x * 2) << 16 | uint32_t(y * 8) << 8 | 0x40;
}

class TextureTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(viewer.Open()); }
    TestViewer viewer;
};

} // namespace

TEST_F(TextureTest, PaddedBitmapSitsTopLeftOrIsStretched) {
    auto bitmap = MakeBitmap(kFormatA8R8G8B8, 100, 30, Pattern);
    DXLTexture t(&viewer);
    t.LoadFromBitmap(bitmap.get());
    ASSERT_TRUE(t.IsLive());
    EXPECT_EQ(t.GetTextureWidth(), 128);
    EXPECT_EQ(t.GetTextureHeight(), 32);
    EXPECT_EQ(t.GetWidth(), 100);
    EXPECT_EQ(t.GetHeight(), 30);
    EXPECT_FLOAT_EQ(t.GetUEnd(), 0.78125f);
    EXPECT_FLOAT_EQ(t.GetVEnd(), 0.9375f);
    EXPECT_EQ(Texel(t, 0, 0), Pattern(0, 0));
    EXPECT_EQ(Texel(t, 99, 29), Pattern(99, 29));
    EXPECT_EQ(Texel(t, 100, 0), 0u); // transparent black padding
    EXPECT_EQ(Texel(t, 0, 30), 0u);
    EXPECT_TRUE(t.IsReloadWanted()); // bitmap loads come back after a device loss

    DXLTexture stretched(&viewer);
    stretched.SetImageFilter(kImageFilterLinear);
    stretched.LoadFromBitmap(bitmap.get());
    ASSERT_TRUE(stretched.IsLive());
    EXPECT_FLOAT_EQ(stretched.GetUEnd(), 1.0f);
    EXPECT_FLOAT_EQ(stretched.GetVEnd(), 1.0f);
    EXPECT_EQ(Texel(stretched, 127, 31) >> 24, 0xFFu); // the picture reaches the far corner

    // A device that keeps any size needs no padding.
    ASSERT_EQ(viewer.InitializeAdapter(0, kDeviceTypeHal), kResultOk);
    ASSERT_NE(viewer.GetCurrentAdapter(), nullptr);
    viewer.GetCurrentAdapter()->nonPowerOfTwo = 1;
    DXLTexture exact(&viewer);
    exact.LoadFromBitmap(bitmap.get());
    EXPECT_EQ(exact.GetTextureWidth(), 100);
    EXPECT_EQ(exact.GetTextureHeight(), 30);
    EXPECT_FLOAT_EQ(exact.GetUEnd(), 1.0f);
    viewer.GetCurrentAdapter()->nonPowerOfTwo = 0;
}

TEST_F(TextureTest, BitmapOfAnotherFormatIsConvertedRowByRow) {
    // The device has no 32-bit textures: the texture becomes R8G8B8, three
    // bytes a pixel, and each row of the four-byte bitmap is converted into
    // its own row of the texture. A padded width checks that each row lands
    // at its own start.
    texturetest::FussyDevice* device = viewer.MakeFussy();
    device->refused = {platform::Format::A8R8G8B8, platform::Format::X8R8G8B8};
    auto colour = [](int x, int y) {
        return 0x80000000u | uint32_t(0x10 * (x + 1)) << 16 | uint32_t(0x20 * y) << 8 | 7;
    };
    auto bitmap = MakeBitmap(kFormatA8R8G8B8, 3, 2, colour);
    DXLTexture t(&viewer);
    t.LoadFromBitmap(bitmap.get());
    ASSERT_TRUE(t.IsLive());
    EXPECT_EQ(t.GetTextureFormat(), kFormatR8G8B8);
    EXPECT_EQ(t.GetTextureWidth(), 4);
    auto* bits = static_cast<const uint8_t*>(t.Lock(platform::kLockReadOnly));
    ASSERT_NE(bits, nullptr);
    const int pitch = t.GetLockedPitch();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = bits + y * pitch + x * 3;
            EXPECT_EQ(uint32_t(p[0] | p[1] << 8 | p[2] << 16), colour(x, y) & 0x00FFFFFF) << x << "," << y;
        }
    EXPECT_EQ(bits[9] | bits[10] | bits[11], 0); // padding
    t.Unlock();

    // Formats that cannot be converted leave the texture live and empty.
    device->refused.insert(platform::Format::X1R5G5B5);
    auto small = MakeBitmap(kFormatX1R5G5B5, 2, 2, [](int, int) { return 0xFFFFFFFFu; });
    DXLTexture empty(&viewer);
    empty.LoadFromBitmap(small.get());
    EXPECT_TRUE(empty.IsLive());
    EXPECT_EQ(empty.GetTextureFormat(), kFormatR8G8B8);
    auto* emptyBits = static_cast<const uint8_t*>(empty.Lock(platform::kLockReadOnly));
    ASSERT_NE(emptyBits, nullptr);
    EXPECT_EQ(emptyBits[0] | emptyBits[1] | emptyBits[2], 0);
    empty.Unlock();
}

TEST_F(TextureTest, LocksNestAndBlockBinding) {
    DXLTexture t(&viewer);
    t.Create(8, 8, kFormatA8R8G8B8, false);
    ASSERT_TRUE(t.IsLive());
    void* first = t.Lock(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(t.Lock(0), first);
    t.Unlock();
    EXPECT_EQ(t.GetLockCount(), 1);
    EXPECT_FALSE(t.Bind(true));
    t.Unlock();
    EXPECT_EQ(t.GetLockCount(), 0);
    t.Unlock(); // one too many does nothing
    EXPECT_EQ(t.GetLockCount(), 0);
    EXPECT_TRUE(t.Bind(true));
    EXPECT_TRUE(t.IsBound());
    EXPECT_EQ(viewer.GetBoundTexture(), &t);
    EXPECT_EQ(DXLTexture().Lock(0), nullptr); // not live
}

TEST_F(TextureTest, BoundOnlyWhenTheBindSucceeded) {
    DXLTexture t(&viewer);
    t.Create(4, 4, kFormatA8R8G8B8, false);
    texturetest::FussyDevice* device = viewer.MakeFussy();
    device->refuseBinding = true;
    EXPECT_FALSE(t.Bind(true));
    EXPECT_FALSE(t.IsBound());
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);
    device->refuseBinding = false;
    EXPECT_TRUE(t.Bind(true));
    EXPECT_TRUE(t.IsBound());

    // A texture without a viewer never reaches a bind.
    DXLTexture orphan;
    EXPECT_FALSE(orphan.Bind(true));
    EXPECT_FALSE(orphan.IsBound());

    // Not live with a device: stage 0 is unbound and the bind refused.
    DXLTexture declared(&viewer);
    EXPECT_FALSE(declared.Bind(true));
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);
    EXPECT_FALSE(declared.IsBound());

    // The viewer unbinds at the end of a frame; binding again reaches the device.
    EXPECT_TRUE(t.Bind(true));
    viewer.BindTexture(nullptr);
    EXPECT_TRUE(t.Bind(false));
    EXPECT_EQ(viewer.GetBoundTexture(), &t);
}

TEST_F(TextureTest, PropertyChangesUnloadAndRestorableTexturesReload) {
    auto bitmap = MakeBitmap(kFormatA8R8G8B8, 4, 4, Pattern);
    DXLTexture t(&viewer);
    t.SetSourceBitmap(bitmap.get(), true);
    t.Restore();
    ASSERT_TRUE(t.IsLive());
    t.SetImageFilter(kImageFilterNone); // unchanged: stays loaded
    EXPECT_TRUE(t.IsLive());
    t.SetImageFilter(kImageFilterPoint); // not restorable: waits for the next Restore
    EXPECT_FALSE(t.IsLive());
    EXPECT_TRUE(t.IsReloadWanted());
    t.SetRestorable(true);
    t.Restore();
    ASSERT_TRUE(t.IsLive());
    t.SetEdgeFlags(kEdgeExtendRight); // restorable: loads again at once
    EXPECT_TRUE(t.IsLive());
    EXPECT_EQ(t.GetEdgeFlags(), kEdgeExtendRight);

    // The source bitmap going away turns the source off.
    bitmap.reset();
    EXPECT_EQ(t.GetSourceBitmap(), nullptr);
    EXPECT_EQ(t.GetSourceKind(), kSourceNone);
    t.Release();
    EXPECT_FALSE(t.IsReloadWanted());
    t.Restore();
    EXPECT_FALSE(t.IsLive());
}

TEST_F(TextureTest, DeviceEventsUnloadAndRestore) {
    auto bitmap = MakeBitmap(kFormatA8R8G8B8, 4, 4, Pattern);
    std::vector<std::string> log;
    Listener listener("t", &log);
    DXLTexture restorable(&viewer), waiting(&viewer);
    restorable.AddTarget(&listener);
    for (DXLTexture* t : {&restorable, &waiting}) {
        t->SetSourceBitmap(bitmap.get(), true);
        t->Restore();
        ASSERT_TRUE(t->IsLive());
    }
    restorable.SetRestorable(true);
    EXPECT_EQ(log, (std::vector<std::string>{"t2"}));

    viewer.ReleaseDevice(); // event 3
    EXPECT_FALSE(restorable.IsLive());
    EXPECT_FALSE(waiting.IsLive());
    EXPECT_TRUE(waiting.IsReloadWanted());
    ASSERT_TRUE(viewer.Open()); // a new device: event 2
    EXPECT_TRUE(restorable.IsLive());
    EXPECT_FALSE(waiting.IsLive());
    EXPECT_EQ(Texel(restorable, 3, 3), Pattern(3, 3));
    EXPECT_EQ(log, (std::vector<std::string>{"t2", "t3", "t2"}));

    // Leaving the viewer unloads and unregisters.
    const int32_t objects = viewer.DeviceObjectCount();
    restorable.SetViewer(nullptr);
    EXPECT_FALSE(restorable.IsLive());
    EXPECT_EQ(viewer.DeviceObjectCount(), objects - 1);
    restorable.RemoveTarget(&listener);
}

TEST_F(TextureTest, NamesAndCollections) {
    std::vector<std::string> log;
    Listener l1("a", &log), l2("b", &log), l3("c", &log);
    {
        DXLTextures collection(&viewer);
        DXLTexture* a = collection.NewTexture();
        DXLTexture* b = collection.NewTexture();
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->GetViewer(), &viewer);
        EXPECT_EQ(collection.Count(), 2);
        a->SetName(u"logo");
        b->SetName(u"0123456789012345678901234567890123456789");
        EXPECT_EQ(std::u16string(b->GetName()), u"0123456789012345678901234567890");
        EXPECT_EQ(collection.Find(u"Logo"), nullptr);
        EXPECT_EQ(collection.FindByName(u"Logo"), a);
        EXPECT_EQ(collection.Find(u"logo"), a);
        EXPECT_EQ(collection.Add(a), 0); // already a member
        EXPECT_EQ(collection.Add(nullptr), -1);

        // Moving a texture to another collection takes it out of the first.
        DXLTextures other(nullptr);
        EXPECT_EQ(other.Add(b), 0);
        EXPECT_EQ(b->GetCollection(), &other);
        EXPECT_EQ(collection.Count(), 1);
        EXPECT_EQ(b->GetViewer(), nullptr); // joined the other collection's viewer
        other.SetViewer(&viewer);
        EXPECT_EQ(b->GetViewer(), &viewer);
        b->SetCollection(nullptr);
        EXPECT_EQ(other.Count(), 0);
        delete b;

        DXLTexture* c = collection.NewTexture();
        DXLTexture* d = collection.NewTexture();
        a->AddTarget(&l1);
        c->AddTarget(&l2);
        d->AddTarget(&l3);
        collection.DeleteAt(collection.IndexOf(c));
        EXPECT_EQ(collection.Count(), 2);
        EXPECT_EQ(log, (std::vector<std::string>{"b1"}));
        log.clear();
    } // the collection deletes the rest, last first
    EXPECT_EQ(log, (std::vector<std::string>{"c1", "a1"}));
}

TEST_F(TextureTest, LoadsImageFilesWithAlphaModeAndEdges) {
    testsupport::TempDir dir;
    // A 3 x 2 picture; PNG files are written opaque.
    const uint32_t pixels[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    const std::string path = dir.File("pic.png");
    ASSERT_TRUE(platform::WritePng(path, pixels, 3, 2, 3, nullptr));
    const std::u16string name(path.begin(), path.end());

    DXLTexture t(&viewer);
    t.SetFileName(name.c_str(), true);
    t.Restore();
    ASSERT_TRUE(t.IsLive());
    EXPECT_EQ(t.GetWidth(), 3);
    EXPECT_EQ(t.GetTextureWidth(), 4);
    EXPECT_EQ(t.GetTextureHeight(), 2);
    EXPECT_FALSE(t.IsReloadWanted()); // file loads are reloaded only after an unload
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Texel(t, i % 3, i / 3), pixels[i]) << i;
    EXPECT_EQ(Texel(t, 3, 0), 0u);

    // Colour key: black becomes transparent; the right edge is extended into
    // the padding with alpha cleared.
    DXLTexture keyed(&viewer);
    keyed.SetAlphaMode(kAlphaModeColourKey, 0xFF000000);
    keyed.SetEdgeFlags(kEdgeExtendRight);
    keyed.LoadFromFile(name.c_str());
    ASSERT_TRUE(keyed.IsLive());
    EXPECT_EQ(Texel(keyed, 1, 1) >> 24, 0u);
    EXPECT_EQ(Texel(keyed, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Texel(keyed, 3, 0) & 0x00FFFFFFu, 0x0000FFu);

    // The same bytes from memory; damaged bytes and missing files load nothing.
    const std::string bytes = testsupport::ReadFileBytes(path);
    DXLTexture fromMemory(&viewer);
    fromMemory.LoadFromFileInMemory(bytes.data(), uint32_t(bytes.size()));
    ASSERT_TRUE(fromMemory.IsLive());
    EXPECT_EQ(Texel(fromMemory, 2, 1), pixels[5]);
    DXLTexture damaged(&viewer);
    damaged.LoadFromFileInMemory(bytes.data(), uint32_t(bytes.size() / 2));
    EXPECT_FALSE(damaged.IsLive());
    damaged.LoadFromFile(u"no such file.png");
    EXPECT_FALSE(damaged.IsLive());
}

TEST_F(TextureTest, CurrentTextureSwitchesAndOverridesState) {
    DXLTexture a(&viewer), b(&viewer);
    a.Create(4, 4, kFormatA8R8G8B8, false);
    b.Create(4, 4, kFormatA8R8G8B8, false);
    a.SetState(MakeTextureState(1, 1, 3, 3, kBlendAdditive, 4, 4));
    b.SetState(MakeTextureStateUniform(0, 1, kBlendAlpha, 2));
    SetCurrentTexture(&a);
    EXPECT_EQ(viewer.GetBoundTexture(), &a);
    EXPECT_EQ(viewer.GetBlendMode(), kBlendAdditive);
    SetCurrentTexture(&b);
    EXPECT_FALSE(a.IsBound());
    EXPECT_TRUE(b.IsBound());
    EXPECT_EQ(viewer.GetBoundTexture(), &b);
    EXPECT_EQ(viewer.GetBlendMode(), kBlendAlpha);
    ClearCurrentTexture(&viewer);
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);
    EXPECT_FALSE(b.IsBound());

    // With an override its state is applied once and the texture's own is not.
    const DXLTextureState darken = MakeTextureStateUniform(1, 3, kBlendDarken, 2);
    viewer.SetTextureStateOverride(&darken);
    SetCurrentTexture(&a);
    EXPECT_EQ(viewer.GetBlendMode(), kBlendDarken);
    SetCurrentTexture(&b);
    EXPECT_EQ(viewer.GetBlendMode(), kBlendDarken);
    EXPECT_EQ(viewer.GetBoundTexture(), &b);
    viewer.SetTextureStateOverride(nullptr);
    ClearCurrentTexture(&viewer);
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);

    // The viewer unbinds at the end of a frame: the texture no longer counts
    // as bound, and making it current again binds it again with its state.
    SetCurrentTexture(&a);
    viewer.BindTexture(nullptr);
    EXPECT_FALSE(a.IsBound());
    viewer.SetBlendMode(kBlendOpaque);
    SetCurrentTexture(&a);
    EXPECT_TRUE(a.IsBound());
    EXPECT_EQ(viewer.GetBlendMode(), kBlendAdditive);
}

TEST_F(TextureTest, DrawnPixelsLandExactlyOnTheScreen) {
    // A 4 x 4 picture drawn with MakeQuad at (10, 20) covers pixels 10..13 x
    // 20..23 texel for texel, whatever the filter.
    auto bitmap = MakeBitmap(kFormatA8R8G8B8, 4, 4, [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 0x40) << 16 | uint32_t(y * 0x40);
    });
    for (bool linear : {false, true}) {
        SCOPED_TRACE(linear);
        DXLTexture t(&viewer);
        t.LoadFromBitmap(bitmap.get());
        ASSERT_TRUE(t.IsLive());
        t.SetFilter(linear);
        ASSERT_EQ(viewer.BeginScene(), kResultOk);
        viewer.ClearTarget(0xFF102030);
        ASSERT_TRUE(t.Bind(true));
        TexturedQuad q;
        viewer.DrawTexturedQuad(t.MakeQuad(&q, 10, 20));
        platform::FrameView frame = viewer.GetDevice()->BackBuffer();
        ASSERT_NE(frame.pixels, nullptr);
        auto at = [&](int x, int y) { return frame.pixels[y * frame.pitchInPixels + x]; };
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(at(10 + x, 20 + y), 0xFF000000u | uint32_t(x * 0x40) << 16 | uint32_t(y * 0x40))
                    << x << "," << y;
        EXPECT_EQ(at(9, 20), 0xFF102030u);
        EXPECT_EQ(at(14, 20), 0xFF102030u);
        EXPECT_EQ(at(10, 19), 0xFF102030u);
        EXPECT_EQ(at(10, 24), 0xFF102030u);
        ASSERT_EQ(viewer.EndFrame(), kResultOk);
    }
}

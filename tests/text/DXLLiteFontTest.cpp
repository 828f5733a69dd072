#include "text/DXLLiteFont.h"

#include "engine/DirectXVersion.h"
#include "engine/HelperLibrary.h"
#include "engine/Log.h"
#include "platform/SyntheticFace.h"
#include "platform/Utf.h"
#include "tests/engine/TextureTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using texturetest::TestViewer;

namespace {

int gCreated = 0;
d3dx::FontDescW gLastDesc{};

// Counts the creations and keeps the description, then makes the font.
HResult CountingCreate(platform::GraphicsDevice* device, const d3dx::FontDescW* desc, d3dx::Font** font) {
    ++gCreated;
    if (desc) gLastDesc = *desc;
    return d3dx::CreateFontIndirectW(device, desc, font);
}

class D3DXFontTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(viewer.Open());
        platform::SetGlyphFaceOpener([](const platform::GlyphFaceRequest& request, std::string*) {
            return std::make_unique<platform::SyntheticFace>(platform::SyntheticFaceSpec{}, request);
        });
        RegisterBuiltInHelperLibrary();
        RegisterBuiltInD3DXProc("D3DXCreateFontIndirectW", reinterpret_cast<void*>(&CountingCreate));
        LoadD3DX();
        gCreated = 0;
        props.SetFaceName(u"Tahoma");
        props.SetSize(12);
        props.SetStyle(kDXLFontBold | kDXLFontItalic);
        props.SetQuality(4);
    }
    void TearDown() override {
        RegisterBuiltInHelperLibrary();
        LoadD3DX();
        platform::SetGlyphFaceOpener(nullptr);
    }

    TestViewer viewer;
    DXLFontPropsW props;
};

} // namespace

TEST_F(D3DXFontTest, FontFollowsTheDeviceThroughResetAndLoss) {
    const int32_t before = d3dx::Font::LiveCount();
    {
        DXLD3DXFontW font;
        font.SetProps(&props);
        EXPECT_EQ(font.GetFont(), nullptr); // no viewer yet
        font.SetViewer(&viewer);
        ASSERT_NE(font.GetFont(), nullptr);
        EXPECT_EQ(gCreated, 1);
        EXPECT_EQ(gLastDesc.height, -16);
        EXPECT_EQ(gLastDesc.weight, 700u);
        EXPECT_EQ(gLastDesc.italic, 1);
        EXPECT_EQ(gLastDesc.mipLevels, 1u);
        EXPECT_EQ(gLastDesc.quality, 4);
        EXPECT_EQ(std::u16string(gLastDesc.faceName), u"Tahoma");
        EXPECT_EQ(font.GetFont()->GetFace()->Request().height, -16);

        viewer.NotifyDeviceObjects(kDeviceResetting);
        EXPECT_EQ(font.GetFont(), nullptr);
        viewer.NotifyDeviceObjects(kDeviceResetComplete);
        EXPECT_NE(font.GetFont(), nullptr);
        EXPECT_EQ(gCreated, 2);

        viewer.NotifyDeviceObjects(kDeviceReleasing);
        EXPECT_EQ(font.GetFont(), nullptr);
        EXPECT_EQ(d3dx::Font::LiveCount(), before);
        viewer.NotifyDeviceObjects(kDeviceCreated);
        EXPECT_NE(font.GetFont(), nullptr);
        EXPECT_EQ(gCreated, 3);

        font.SetViewer(nullptr); // without a viewer Create only releases
        EXPECT_EQ(font.GetFont(), nullptr);
        EXPECT_EQ(viewer.DeviceObjectCount(), 0);
        EXPECT_EQ(gCreated, 3);
        font.SetViewer(&viewer);
        EXPECT_EQ(viewer.DeviceObjectCount(), 1);
        EXPECT_EQ(gCreated, 4);
        font.SetProps(nullptr); // without properties Create only releases
        EXPECT_EQ(font.GetFont(), nullptr);
        viewer.NotifyDeviceObjects(kDeviceResetComplete);
        EXPECT_EQ(font.GetFont(), nullptr);
        EXPECT_EQ(gCreated, 4);
    }
    EXPECT_EQ(viewer.DeviceObjectCount(), 0); // the destructor left the viewer
    EXPECT_EQ(d3dx::Font::LiveCount(), before);
}

TEST_F(D3DXFontTest, ViewerGoingAwayDetachesTheFont) {
    DXLD3DXFontA font;
    DXLFontPropsA narrow;
    narrow.SetFaceName("Caf\xE9");
    narrow.SetSize(9);
    font.SetProps(&narrow);
    {
        TestViewer shortLived;
        ASSERT_TRUE(shortLived.Open());
        font.SetViewer(&shortLived);
        ASSERT_NE(font.GetFont(), nullptr);
        EXPECT_EQ(font.GetFont()->GetDesc().height, -12);
    }
    EXPECT_EQ(font.GetViewer(), nullptr);
    EXPECT_EQ(font.GetFont(), nullptr);
}

TEST_F(D3DXFontTest, FailedCreationIsLogged) {
    testsupport::TempDir dir;
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(dir.File("log.txt")).c_str()));
    platform::SetGlyphFaceOpener([](const platform::GlyphFaceRequest&, std::string*) {
        return std::unique_ptr<platform::GlyphFace>();
    });
    DXLD3DXFontW font;
    font.SetProps(&props);
    font.SetViewer(&viewer);
    EXPECT_EQ(font.GetFont(), nullptr);
    LogFinish();
    const std::string log = testsupport::ReadFileBytes(dir.File("log.txt"));
    EXPECT_NE(log.find("ERROR! D3DXCreateFontIndirect: E_FAIL"), std::string::npos) << log;
}

TEST(DXLLiteFont, ForgetsItsTextureWhenItGoesAway) {
    auto texture = std::make_unique<DXLTexture>();
    DXLLiteFontW font;
    font.SetTexture(texture.get());
    EXPECT_FALSE(font.IsTextureLost());
    texture.reset();
    EXPECT_TRUE(font.IsTextureLost());
    EXPECT_EQ(font.GetTexture(), nullptr);

    DXLTexture kept;
    {
        DXLLiteFontA narrow;
        narrow.SetTexture(&kept);
        EXPECT_EQ(kept.TargetCount(), 1);
    }
    EXPECT_EQ(kept.TargetCount(), 0); // the destructor left the texture
}

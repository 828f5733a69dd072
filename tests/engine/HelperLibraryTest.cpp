#include "engine/HelperLibrary.h"
#include "TextureTestSupport.h"
#include "engine/ImageReaders.h"
#include "engine/Log.h"
#include "platform/GlyphFace.h"
#include "platform/PngWriter.h"
#include "platform/SyntheticFace.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using texturetest::TestViewer;

namespace {

// A point through the row-vector matrix: (x, y, z, 1) times m, divided by w.
struct Clip {
    float x, y, z;
};
Clip Transform(const platform::Matrix& m, float x, float y, float z) {
    const float w = x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + m.m[3][3];
    return {(x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0]) / w,
            (x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1]) / w,
            (x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2]) / w};
}

// The library as the product finds it: registered and loaded.
class HelperLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterBuiltInHelperLibrary();
        ASSERT_EQ(LoadD3DX(), kResultOk);
        platform::PresentParameters p;
        p.backBufferWidth = 16;
        p.backBufferHeight = 16;
        ASSERT_EQ(platform::CreateDevice(0, p, nullptr, &device), platform::kOk);
    }
    void TearDown() override { UnloadD3DX(); }

    std::unique_ptr<platform::GraphicsDevice> device;
    testsupport::TempDir dir;
};

// A 3 x 2 picture as PNG bytes (PNG files are written opaque).
const uint32_t kPicture[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080};

std::string PngBytes(const testsupport::TempDir& dir, const uint32_t* pixels, int width, int height) {
    const std::string path = dir.File("picture.png");
    EXPECT_TRUE(platform::WritePng(path, pixels, width, height, width, nullptr));
    return testsupport::ReadFileBytes(path);
}

// A 3 x 1 run-length Targa of 24-bit pixels, top row first: one literal packet.
std::string TargaBytes() {
    std::string t(18, '\0');
    t[2] = 10;    // run-length true colour
    t[12] = 3;    // width
    t[14] = 1;    // height
    t[16] = 24;   // bits a pixel
    t[17] = 0x20; // top-left origin
    t += '\x02';
    t += std::string("\x30\x20\x10"
                     "\x60\x50\x40"
                     "\x90\x80\x70",
                     9); // blue, green, red
    return t;
}

// Every texel of an A8R8G8B8 or X8R8G8B8 texture, rows top to bottom.
std::vector<uint32_t> Texels(platform::Texture& texture) {
    platform::LockedRect locked;
    std::vector<uint32_t> texels;
    if (platform::Failed(texture.Lock(platform::kLockReadOnly, &locked))) return texels;
    for (uint32_t y = 0; y < texture.Height(); ++y)
        for (uint32_t x = 0; x < texture.Width(); ++x) {
            uint32_t value = 0;
            std::memcpy(&value, static_cast<const uint8_t*>(locked.bits) + y * uint32_t(locked.pitch) + x * 4,
                        4);
            texels.push_back(value);
        }
    texture.Unlock();
    return texels;
}

} // namespace

TEST_F(HelperLibrary, ProjectionMapsPixelCornersToClipSpace) {
    auto ortho = d3dx::Library().matrixOrthoOffCenterLH;
    ASSERT_NE(ortho, nullptr);
    platform::Matrix m;
    ASSERT_EQ(ortho(&m, 0, 800, 600, 0, 0, 0.1f), &m);
    const struct {
        float x, y, z;
        Clip expected;
    } cases[] = {
        {0, 0, 0, {-1, 1, 0}},     // top-left corner
        {800, 600, 0, {1, -1, 0}}, // bottom-right corner
        {400, 300, 0.1f, {0, 0, 1}},
        {800, 0, 0.05f, {1, 1, 0.5f}},
    };
    for (const auto& c : cases) {
        const Clip clip = Transform(m, c.x, c.y, c.z);
        EXPECT_NEAR(clip.x, c.expected.x, 1e-6) << c.x << "," << c.y;
        EXPECT_NEAR(clip.y, c.expected.y, 1e-6) << c.x << "," << c.y;
        EXPECT_NEAR(clip.z, c.expected.z, 1e-6) << c.z;
    }
}

TEST_F(HelperLibrary, AffineTransformScalesRotatesAboutTheCentreAndTranslates) {
    auto affine = d3dx::Library().matrixAffineTransformation2D;
    ASSERT_NE(affine, nullptr);
    platform::Matrix m;
    const kis::Vector2 centre{10, 0}, move{5, 5};
    ASSERT_EQ(affine(&m, 2, &centre, kis::kPi / 2, &move), &m);
    // (10, 0) scaled to (20, 0) is 10 right of the centre; a quarter turn puts
    // it 10 below the centre (y grows downwards), then it moves by (5, 5).
    Clip p = Transform(m, 10, 0, 0);
    EXPECT_NEAR(p.x, 15, 1e-5);
    EXPECT_NEAR(p.y, 15, 1e-5);
    // The origin is 10 left of the centre: it turns to 10 above it.
    Clip origin = Transform(m, 0, 0, 0);
    EXPECT_NEAR(origin.x, 15, 1e-5);
    EXPECT_NEAR(origin.y, -5, 1e-5);

    // Without centre and translation: rotation and scaling about the origin.
    ASSERT_EQ(affine(&m, 3, nullptr, 0, nullptr), &m);
    p = Transform(m, 1, 2, 0);
    EXPECT_FLOAT_EQ(p.x, 3);
    EXPECT_FLOAT_EQ(p.y, 6);
}

TEST_F(HelperLibrary, ImageInformationOfFilesInMemory) {
    RegisterBitmapFileFormats(); // the kinds without a signature are chosen through the table, as in the game
    auto info = d3dx::Library().getImageInfoFromFileInMemory;
    ASSERT_NE(info, nullptr);
    const std::string png = PngBytes(dir, kPicture, 3, 2);
    d3dx::ImageInfo i;
    ASSERT_EQ(info(png.data(), uint32_t(png.size()), &i), kResultOk);
    EXPECT_EQ(i.width, 3u);
    EXPECT_EQ(i.height, 2u);
    EXPECT_EQ(i.depth, 1u);
    EXPECT_EQ(i.mipLevels, 1u);
    EXPECT_EQ(i.format, kFormatA8R8G8B8);
    EXPECT_EQ(i.resourceType, d3dx::kResourceTypeTexture);
    EXPECT_EQ(i.imageFileFormat, uint32_t(d3dx::kImageFilePng));

    const std::string tga = TargaBytes();
    ASSERT_EQ(info(tga.data(), uint32_t(tga.size()), &i), kResultOk);
    EXPECT_EQ(i.width, 3u);
    EXPECT_EQ(i.height, 1u);
    EXPECT_EQ(i.format, kFormatX8R8G8B8);
    EXPECT_EQ(i.imageFileFormat, uint32_t(d3dx::kImageFileTga));

    EXPECT_EQ(info(png.data(), uint32_t(png.size() / 2), &i), d3dx::kResultInvalidData);
    EXPECT_EQ(info("not a picture", 13, &i), d3dx::kResultInvalidData);
    EXPECT_EQ(info(png.data(), 0, &i), kResultInvalidCall);
}

TEST_F(HelperLibrary, TexturesFromMemoryFollowTheSizeAndFilterRules) {
    auto load = d3dx::Library().createTextureFromFileInMemoryEx;
    ASSERT_NE(load, nullptr);
    const std::string png = PngBytes(dir, kPicture, 3, 2);
    const uint32_t R = kPicture[0], G = kPicture[1], B = kPicture[2], W = kPicture[3], K = kPicture[4],
                   M = kPicture[5];
    const struct {
        const char* rule;
        uint32_t width, height, filter;
        uint32_t textureWidth, textureHeight;
        std::vector<uint32_t> texels;
    } cases[] = {
        // The picture top-left, transparent black padding.
        {"default, none", d3dx::kDefault, d3dx::kDefault, d3dx::kFilterNone, 4, 2, {R, G, B, 0, W, K, M, 0}},
        {"0 as default", 0, 0, d3dx::kFilterNone, 4, 2, {R, G, B, 0, W, K, M, 0}},
        {"non-power-of-two",
         d3dx::kDefaultNonPow2,
         d3dx::kDefaultNonPow2,
         d3dx::kFilterPoint,
         3,
         2,
         {R, G, B, W, K, M}},
        {"given size, none", 4, 4, d3dx::kFilterNone, 4, 4, {R, G, B, 0, W, K, M, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // Nearest pixel of x * 3 / 4: columns 0, 1, 2, 2.
        {"default, point",
         d3dx::kDefault,
         d3dx::kDefault,
         d3dx::kFilterPoint,
         4,
         2,
         {R, G, B, B, W, K, M, M}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        platform::TexturePtr texture;
        d3dx::ImageInfo info;
        ASSERT_EQ(load(device.get(), png.data(), uint32_t(png.size()), c.width, c.height, 1, 0,
                       d3dx::kFormatFromFile, platform::Pool::Managed, c.filter, d3dx::kFilterNone, 0, &info,
                       nullptr, &texture),
                  kResultOk);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->Width(), c.textureWidth);
        EXPECT_EQ(texture->Height(), c.textureHeight);
        EXPECT_EQ(texture->GetFormat(), platform::Format::A8R8G8B8);
        EXPECT_EQ(info.width, 3u); // the file's size, not the texture's
        EXPECT_EQ(Texels(*texture), c.texels);
    }

    // A bilinear stretch of one colour keeps the colour everywhere, to the far corner.
    const uint32_t plain[6] = {0xFF336699, 0xFF336699, 0xFF336699, 0xFF336699, 0xFF336699, 0xFF336699};
    const std::string uniform = PngBytes(dir, plain, 3, 2);
    platform::TexturePtr stretched;
    ASSERT_EQ(load(device.get(), uniform.data(), uint32_t(uniform.size()), d3dx::kDefault, d3dx::kDefault, 1,
                   0, d3dx::kFormatFromFile, platform::Pool::Managed, d3dx::kDefault, d3dx::kFilterNone, 0,
                   nullptr, nullptr, &stretched),
              kResultOk);
    EXPECT_EQ(Texels(*stretched), std::vector<uint32_t>(8, 0xFF336699));

    // A colour key turns its colour into transparent black.
    platform::TexturePtr keyed;
    ASSERT_EQ(load(device.get(), png.data(), uint32_t(png.size()), d3dx::kDefaultNonPow2,
                   d3dx::kDefaultNonPow2, 1, 0, d3dx::kFormatFromFile, platform::Pool::Managed,
                   d3dx::kFilterNone, d3dx::kFilterNone, K, nullptr, nullptr, &keyed),
              kResultOk);
    EXPECT_EQ(Texels(*keyed), (std::vector<uint32_t>{R, G, B, W, 0, M}));

    // A run-length Targa keeps its own format and is padded like any picture.
    const std::string tga = TargaBytes();
    platform::TexturePtr targa;
    ASSERT_EQ(load(device.get(), tga.data(), uint32_t(tga.size()), d3dx::kDefault, d3dx::kDefault, 1, 0,
                   d3dx::kFormatFromFile, platform::Pool::Managed, d3dx::kFilterNone, d3dx::kFilterNone, 0,
                   nullptr, nullptr, &targa),
              kResultOk);
    EXPECT_EQ(targa->GetFormat(), platform::Format::X8R8G8B8);
    const std::vector<uint32_t> texels = Texels(*targa);
    ASSERT_EQ(texels.size(), 4u);
    EXPECT_EQ(texels[0] & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(texels[2] & 0xFFFFFF, 0x708090u);
    EXPECT_EQ(texels[3], 0u);

    // Damaged data and missing arguments make nothing.
    platform::TexturePtr none;
    EXPECT_EQ(load(device.get(), png.data(), 20, d3dx::kDefault, d3dx::kDefault, 1, 0, d3dx::kFormatFromFile,
                   platform::Pool::Managed, d3dx::kFilterNone, d3dx::kFilterNone, 0, nullptr, nullptr, &none),
              d3dx::kResultInvalidData);
    EXPECT_FALSE(none);
    EXPECT_EQ(load(nullptr, png.data(), uint32_t(png.size()), d3dx::kDefault, d3dx::kDefault, 1, 0,
                   d3dx::kFormatFromFile, platform::Pool::Managed, d3dx::kFilterNone, d3dx::kFilterNone, 0,
                   nullptr, nullptr, &none),
              kResultInvalidCall);
}

TEST_F(HelperLibrary, TexturesFromFilesByWideAndCodePageNames) {
    auto loadW = d3dx::Library().createTextureFromFileExW;
    auto loadA = d3dx::Library().createTextureFromFileExA;
    ASSERT_NE(loadW, nullptr);
    ASSERT_NE(loadA, nullptr);
    const std::string path = dir.File("Bild.png");
    ASSERT_TRUE(platform::WritePng(path, kPicture, 3, 2, 3, nullptr));

    platform::TexturePtr wide, narrow;
    d3dx::ImageInfo info;
    const std::u16string name = platform::Utf8ToUtf16(path);
    ASSERT_EQ(loadW(device.get(), name.c_str(), d3dx::kDefault, d3dx::kDefault, 1, 0, d3dx::kFormatFromFile,
                    platform::Pool::Managed, d3dx::kFilterNone, d3dx::kFilterNone, 0, &info, nullptr, &wide),
              kResultOk);
    EXPECT_EQ(info.imageFileFormat, uint32_t(d3dx::kImageFilePng));
    ASSERT_EQ(loadA(device.get(), path.c_str(), d3dx::kDefault, d3dx::kDefault, 1, 0, d3dx::kFormatFromFile,
                    platform::Pool::Managed, d3dx::kFilterNone, d3dx::kFilterNone, 0, nullptr, nullptr,
                    &narrow),
              kResultOk);
    EXPECT_EQ(Texels(*wide), Texels(*narrow));
    EXPECT_EQ(Texels(*wide)[5], kPicture[4]);

    // A Targa is known by its extension.
    const std::string targaPath = dir.File("strip.tga");
    ASSERT_TRUE(testsupport::WriteFileBytes(targaPath, TargaBytes()));
    platform::TexturePtr targa;
    ASSERT_EQ(loadA(device.get(), targaPath.c_str(), d3dx::kDefaultNonPow2, d3dx::kDefaultNonPow2, 1, 0,
                    d3dx::kFormatFromFile, platform::Pool::Managed, d3dx::kFilterNone, d3dx::kFilterNone, 0,
                    &info, nullptr, &targa),
              kResultOk);
    EXPECT_EQ(info.imageFileFormat, uint32_t(d3dx::kImageFileTga));
    EXPECT_EQ(targa->Width(), 3u);

    platform::TexturePtr missing;
    EXPECT_TRUE(Failed(loadA(device.get(), dir.File("none.png").c_str(), d3dx::kDefault, d3dx::kDefault, 1, 0,
                             d3dx::kFormatFromFile, platform::Pool::Managed, d3dx::kFilterNone,
                             d3dx::kFilterNone, 0, nullptr, nullptr, &missing)));
    EXPECT_FALSE(missing);
}

TEST_F(HelperLibrary, CreatedTexturesKeepTheirSizeAndNeedASizeAndAFormat) {
    auto create = d3dx::Library().createTexture;
    ASSERT_NE(create, nullptr);
    platform::TexturePtr t;
    ASSERT_EQ(create(device.get(), 100, 30, 1, 0, kFormatA4R4G4B4, platform::Pool::Managed, &t), kResultOk);
    EXPECT_EQ(t->Width(), 100u);
    EXPECT_EQ(t->Height(), 30u);
    EXPECT_EQ(t->GetFormat(), platform::Format::A4R4G4B4);
    EXPECT_EQ(create(device.get(), 0, 30, 1, 0, kFormatA8R8G8B8, platform::Pool::Managed, &t),
              kResultInvalidCall);
    EXPECT_FALSE(t);
    EXPECT_EQ(create(device.get(), 4, 4, 1, 0, kFormatUnknown, platform::Pool::Managed, &t),
              kResultInvalidCall);
}

TEST_F(HelperLibrary, FontsOpenTheDescribedFace) {
    auto createW = d3dx::Library().createFontIndirectW;
    auto createA = d3dx::Library().createFontIndirectA;
    ASSERT_NE(createW, nullptr);
    ASSERT_NE(createA, nullptr);
    std::vector<platform::GlyphFaceRequest> requests;
    platform::GlyphFaceOpener previous = platform::SetGlyphFaceOpener(
        [&](const platform::GlyphFaceRequest& r, std::string*) -> std::unique_ptr<platform::GlyphFace> {
            requests.push_back(r);
            if (r.faceName == u"Missing") return nullptr;
            return std::make_unique<platform::SyntheticFace>(platform::SyntheticFaceSpec{}, r);
        });

    d3dx::FontDescW desc{};
    desc.height = -16;
    desc.weight = 700;
    desc.italic = 1;
    desc.quality = platform::kGlyphQualityNonAntialiased;
    std::memcpy(desc.faceName, u"Arial", sizeof(u"Arial"));
    d3dx::Font* font = nullptr;
    ASSERT_EQ(createW(device.get(), &desc, &font), kResultOk);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(d3dx::Font::LiveCount(), 1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].faceName, u"Arial");
    EXPECT_EQ(requests[0].height, -16);
    EXPECT_EQ(requests[0].weight, 700);
    EXPECT_TRUE(requests[0].italic);
    EXPECT_EQ(requests[0].quality, platform::kGlyphQualityNonAntialiased);
    EXPECT_EQ(font->GetDevice(), device.get());
    EXPECT_NE(font->GetFace(), nullptr);
    EXPECT_EQ(font->GetDesc().weight, 700u);
    EXPECT_EQ(font->AddRef(), 2u);
    EXPECT_EQ(font->Release(), 1u);
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(d3dx::Font::LiveCount(), 0);

    // The 8-bit description's face name comes from the code page.
    d3dx::FontDescA narrow{};
    narrow.height = 12;
    std::memcpy(narrow.faceName, "Caf\xE9", 5);
    ASSERT_EQ(createA(device.get(), &narrow, &font), kResultOk);
    EXPECT_EQ(requests.back().faceName, u"Caf\u00E9");
    EXPECT_EQ(std::u16string(font->GetDesc().faceName), u"Caf\u00E9");
    font->Release();

    std::memcpy(desc.faceName, u"Missing", sizeof(u"Missing"));
    EXPECT_EQ(createW(device.get(), &desc, &font), kResultFail);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(createW(nullptr, &desc, &font), kResultInvalidCall);
    EXPECT_EQ(d3dx::Font::LiveCount(), 0);
    platform::SetGlyphFaceOpener(previous);
}

// ---------------------------------------------------------------- start-up

namespace {

class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.File("log.txt");
        ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(path).c_str()));
    }
    void TearDown() override {
        SetDirectXProbes(nullptr);
        if (IsLogActive()) LogFinish();
    }
    std::string Log() {
        LogFinish();
        return testsupport::ReadFileBytes(path);
    }
    testsupport::TempDir dir;
    std::string path;
};

// A system whose only helper library lacks one function.
void* LoadOnly27(const char* name) {
    static int module;
    return std::strcmp(name, "d3dx9_27.dll") == 0 ? &module : nullptr;
}
void* AllButAffine(void*, const char* name) {
    static int function;
    return std::strcmp(name, "D3DXMatrixAffineTransformation2D") == 0 ? nullptr : &function;
}
void FreeNothing(void*) {}

} // namespace

TEST_F(Startup, TheProductFindsItsBuiltInLibraryAndLoadsTextures) {
    {
        TestViewer viewer;
        EXPECT_EQ(viewer.GetLastResult(), kResultOk);
        ASSERT_NE(viewer.GetDirect3D(), nullptr);
        ASSERT_TRUE(viewer.Open(64, 32));
        // The projection puts pixel corners onto the clip-space corners.
        platform::Matrix projection;
        ASSERT_EQ(viewer.GetDevice()->GetTransform(platform::TransformState::Projection, &projection),
                  platform::kOk);
        const Clip topLeft = Transform(projection, 0, 0, 0), bottomRight = Transform(projection, 64, 32, 0);
        EXPECT_FLOAT_EQ(topLeft.x, -1);
        EXPECT_FLOAT_EQ(topLeft.y, 1);
        EXPECT_FLOAT_EQ(bottomRight.x, 1);
        EXPECT_FLOAT_EQ(bottomRight.y, -1);

        // A second viewer shares the library; when it goes the first keeps it.
        { TestViewer second; }
        EXPECT_NE(GetD3DXProc(kD3DXCreateTexture), nullptr);
        EXPECT_EQ(d3dx::Library().createTexture, &d3dx::CreateTexture);
        const std::string png = PngBytes(dir, kPicture, 3, 2);
        DXLTexture texture(&viewer);
        texture.LoadFromFileInMemory(png.data(), uint32_t(png.size()));
        EXPECT_TRUE(texture.IsLive());
    }
    EXPECT_EQ(GetD3DXProc(kD3DXCreateTexture), nullptr); // the last viewer unloaded it
    EXPECT_EQ(d3dx::Library().createTexture, nullptr);   // the typed table follows the unload

    const std::string log = Log();
    EXPECT_NE(log.find("Initialize DirectX"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\n    System:                 Unknown"
                       "\r\n    DirectX version:        Unknown"
                       "\r\n    D3DX9:                  d3dx9_27.dll"
                       "\r\nInitialize successful."),
              std::string::npos)
        << log;
}

TEST_F(Startup, ALibraryWithoutOneFunctionStopsTheStartUp) {
    const DirectXProbes probes = {nullptr, nullptr, LoadOnly27, AllButAffine, FreeNothing};
    SetDirectXProbes(&probes);
    TestViewer viewer;
    EXPECT_EQ(viewer.GetLastResult(), kResultFail);
    EXPECT_EQ(viewer.GetDirect3D(), nullptr); // no device-creation object is made
    EXPECT_FALSE(viewer.Open());
    const std::string log = Log();
    EXPECT_NE(log.find("    D3DX9:                  d3dx9_27.dll"
                       "\r\n    ERROR! Proc not found: D3DXMatrixAffineTransformation2D\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Initialize successful."), std::string::npos) << log;
}

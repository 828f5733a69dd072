#include "platform/GraphicsDevice.h"
#include "platform/SoftwareDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace platform;

namespace {

constexpr uint32_t kBackground = 0xFF604020;

// Orthographic projection in pixel space, origin top-left, y down (near 0, far 0.1).
Matrix PixelProjection(float width, float height) {
    Matrix m{};
    m.m[0][0] = 2.0f / width;
    m.m[1][1] = -2.0f / height;
    m.m[2][2] = 10.0f;
    m.m[3][0] = -1.0f;
    m.m[3][1] = 1.0f;
    m.m[3][3] = 1.0f;
    return m;
}

struct Quad {
    TexturedVertex v[4];
};

// A quad the way the engine builds one: corners shifted by half a pixel.
Quad MakeQuad(float x, float y, float w, float h, uint32_t colour, float u0 = 0, float v0 = 0, float u1 = 1,
              float v1 = 1) {
    x -= 0.5f;
    y -= 0.5f;
    return Quad{{{x, y, 0, colour, u0, v0},
                 {x + w, y, 0, colour, u1, v0},
                 {x + w, y + h, 0, colour, u1, v1},
                 {x, y + h, 0, colour, u0, v1}}};
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { Create(128, 96); }

    void Create(uint32_t w, uint32_t h) {
        PresentParameters p;
        p.backBufferWidth = w;
        p.backBufferHeight = h;
        ASSERT_EQ(CreateDevice(0, p, nullptr, &device), kOk);
        Prepare();
    }
    // The engine's 2D set-up: no culling, pixel projection, cleared frame.
    void Prepare() {
        FrameView f = device->BackBuffer();
        device->SetRenderState(RenderState::CullMode, static_cast<uint32_t>(CullMode::None));
        device->SetTransform(TransformState::Projection, PixelProjection(float(f.width), float(f.height)));
        device->SetVertexFormat(kFvfTexturedVertex);
        device->Clear(kClearTarget, kBackground, 0, 0);
        ASSERT_EQ(device->BeginScene(), kOk);
    }
    TexturePtr MakeTexture(uint32_t w, uint32_t h, const std::vector<uint32_t>& argb) {
        TexturePtr t;
        EXPECT_EQ(device->CreateTexture(w, h, Format::A8R8G8B8, Pool::Managed, &t), kOk);
        LockedRect r;
        EXPECT_EQ(t->Lock(0, &r), kOk);
        EXPECT_EQ(r.pitch, int32_t(w * 4));
        std::memcpy(r.bits, argb.data(), argb.size() * 4);
        t->Unlock();
        return t;
    }
    void Stage(TextureOp colour, TextureOp alpha) {
        device->SetTextureStageState(0, TextureStageState::ColorOp, static_cast<uint32_t>(colour));
        device->SetTextureStageState(0, TextureStageState::AlphaOp, static_cast<uint32_t>(alpha));
    }
    void Sampler(TextureFilter filter, TextureAddress address) {
        device->SetSamplerState(0, SamplerState::MinFilter, static_cast<uint32_t>(filter));
        device->SetSamplerState(0, SamplerState::MagFilter, static_cast<uint32_t>(filter));
        device->SetSamplerState(0, SamplerState::AddressU, static_cast<uint32_t>(address));
        device->SetSamplerState(0, SamplerState::AddressV, static_cast<uint32_t>(address));
    }
    void Draw(const Quad& q) {
        ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, q.v, sizeof(TexturedVertex)), kOk);
    }
    uint32_t Pixel(int x, int y) const {
        FrameView f = device->BackBuffer();
        return f.pixels[y * f.pitchInPixels + x];
    }
    void SetBlendMode(bool on, Blend src, Blend dest) {
        device->SetRenderState(RenderState::AlphaBlendEnable, on);
        device->SetRenderState(RenderState::SrcBlend, static_cast<uint32_t>(src));
        device->SetRenderState(RenderState::DestBlend, static_cast<uint32_t>(dest));
    }

    std::unique_ptr<GraphicsDevice> device;
};

uint32_t TexelPattern(int x, int y) { return 0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | 0x5A; }

TEST_F(DeviceTest, TextureQuadLandsExactlyOnItsPixels) {
    Create(800, 600);
    std::vector<uint32_t> texels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) texels.push_back(TexelPattern(x, y));
    device->SetTexture(0, MakeTexture(64, 32, texels));
    Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
    for (TextureFilter filter : {TextureFilter::Point, TextureFilter::Linear}) {
        SCOPED_TRACE(static_cast<int>(filter));
        device->Clear(kClearTarget, kBackground, 0, 0);
        Sampler(filter, TextureAddress::Clamp);
        Draw(MakeQuad(10, 20, 64, 32, 0xFFFFFFFF));
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x) {
                bool inside = x >= 10 && x <= 73 && y >= 20 && y <= 51;
                ASSERT_EQ(Pixel(x, y), inside ? TexelPattern(x - 10, y - 20) : kBackground) << x << "," << y;
            }
    }
}

TEST_F(DeviceTest, TopLeftRuleCoversEveryPixelOnce) {
    device->SetTexture(0, nullptr);
    device->SetVertexFormat(kFvfColouredVertex);
    device->Clear(kClearTarget, 0xFF000000, 0, 0);
    SetBlendMode(true, Blend::One, Blend::One);
    // Triangle with corners on pixel centres: the top and left edges are in, the slanted one out.
    ColouredVertex tri[3] = {{2, 2, 0, 0xFF000010}, {6, 2, 0, 0xFF000010}, {2, 6, 0, 0xFF000010}};
    ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleList, 1, tri, sizeof(ColouredVertex)), kOk);
    int covered = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            bool expected = x >= 2 && y >= 2 && (x - 2) + (y - 2) < 4;
            EXPECT_EQ(Pixel(x, y) & 0xFF, expected ? 0x10u : 0u) << x << "," << y;
            covered += expected;
        }
    EXPECT_EQ(covered, 10);
    // A fan of odd-shaped triangles around a shared centre: every shared edge is drawn once.
    device->Clear(kClearTarget, 0xFF000000, 0, 0);
    ColouredVertex fan[7] = {{40.3f, 40.7f, 0, 0xFF000010}, {20.1f, 21.6f, 0, 0xFF000010},
                             {61.5f, 19.25f, 0, 0xFF000010}, {70.5f, 50.5f, 0, 0xFF000010},
                             {44.0f, 77.0f, 0, 0xFF000010}, {17.75f, 60.0f, 0, 0xFF000010},
                             {20.1f, 21.6f, 0, 0xFF000010}};
    ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleFan, 5, fan, sizeof(ColouredVertex)), kOk);
    int filled = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 128; ++x) {
            uint32_t b = Pixel(x, y) & 0xFF;
            ASSERT_TRUE(b == 0 || b == 0x10) << x << "," << y;
            filled += b == 0x10;
        }
    EXPECT_GT(filled, 1500);
    EXPECT_EQ(Pixel(40, 40) & 0xFF, 0x10u);
}

TEST_F(DeviceTest, BlendModesGiveTheFactorsResults) {
    struct Case {
        bool enable;
        Blend src, dest;
        uint32_t expected;
    };
    // Source 0x80FF8000 over destination 0xFF604020, one product rounding per term.
    const Case cases[] = {
        {false, Blend::One, Blend::Zero, 0x80FF8000},            // opaque
        {true, Blend::SrcAlpha, Blend::InvSrcAlpha, 0xBFB06010}, // alpha
        {true, Blend::Zero, Blend::InvSrcAlpha, 0x7F302010},     // darken
        {true, Blend::SrcAlpha, Blend::One, 0xFFE08020},         // additive
        {true, Blend::InvDestColor, Blend::InvSrcAlpha, 0x7FCF8010}, // invert
        {true, Blend::One, Blend::One, 0xFFFFC020},
        {true, Blend::DestColor, Blend::Zero, 0x80602000},
    };
    device->SetTexture(0, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.src) * 100 + static_cast<int>(c.dest));
        device->Clear(kClearTarget, kBackground, 0, 0);
        SetBlendMode(c.enable, c.src, c.dest);
        Draw(MakeQuad(3, 2, 11, 3, 0x80FF8000)); // 11 wide: vector and scalar tails
        for (int x = 3; x < 14; ++x) ASSERT_EQ(Pixel(x, 3), c.expected) << x;
        EXPECT_EQ(Pixel(2, 3), kBackground);
        EXPECT_EQ(Pixel(14, 3), kBackground);
    }
}

TEST_F(DeviceTest, StageOperationsCombineTextureAndVertexColour) {
    struct Case {
        TextureOp op;
        uint32_t expected;
    };
    // Texture 0x80C04020 with vertex colour 0x40808080.
    const Case cases[] = {
        {TextureOp::SelectArg1, 0x80C04020}, {TextureOp::SelectArg2, 0x40808080}, {TextureOp::Modulate, 0x20602010},
        {TextureOp::Modulate2x, 0x40C04020}, {TextureOp::Modulate4x, 0x80FF8040}, {TextureOp::Add, 0xC0FFC0A0},
        {TextureOp::AddSigned, 0x40C04020},  {TextureOp::AddSigned2x, 0x81FF8141}, {TextureOp::Subtract, 0x40400000},
        {TextureOp::AddSmooth, 0xA0E0A090},  {TextureOp::Disable, 0x40808080},
    };
    TexturePtr texture = MakeTexture(2, 2, std::vector<uint32_t>(4, 0x80C04020));
    Sampler(TextureFilter::Point, TextureAddress::Wrap);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.op));
        device->SetTexture(0, texture);
        Stage(c.op, c.op);
        Draw(MakeQuad(0, 0, 9, 2, 0x40808080));
        for (int x = 0; x < 9; ++x) ASSERT_EQ(Pixel(x, 1), c.expected) << x;
        // Without a texture the stage hands on the vertex colour.
        device->SetTexture(0, nullptr);
        Draw(MakeQuad(0, 4, 9, 2, 0x40808080));
        EXPECT_EQ(Pixel(5, 5), 0x40808080u);
    }
    // Colour and alpha take their own operations.
    device->SetTexture(0, texture);
    Stage(TextureOp::Modulate, TextureOp::SelectArg2);
    Draw(MakeQuad(0, 0, 9, 2, 0x40808080));
    EXPECT_EQ(Pixel(4, 0), 0x40602010u);
}

TEST_F(DeviceTest, FiltersSampleAsPointOrBilinear) {
    device->SetTexture(0, MakeTexture(2, 1, {0xFF000000, 0xFFFFFFFF}));
    Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
    const uint32_t point[8] = {0, 0, 0, 0, 255, 255, 255, 255};
    const uint32_t linear[8] = {0, 0, 32, 96, 159, 223, 255, 255};
    for (TextureFilter filter : {TextureFilter::Point, TextureFilter::Linear}) {
        Sampler(filter, TextureAddress::Clamp);
        Draw(MakeQuad(0, 0, 8, 1, 0xFFFFFFFF));
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(Pixel(x, 0) & 0xFF, filter == TextureFilter::Point ? point[x] : linear[x]) << x;
    }
    // Minification picks the min filter: 8 texels over 2 pixels, point samples texels 2 and 6.
    std::vector<uint32_t> ramp;
    for (uint32_t i = 0; i < 8; ++i) ramp.push_back(0xFF000000 | i * 30);
    device->SetTexture(0, MakeTexture(8, 1, ramp));
    device->SetSamplerState(0, SamplerState::MinFilter, static_cast<uint32_t>(TextureFilter::Point));
    device->SetSamplerState(0, SamplerState::MagFilter, static_cast<uint32_t>(TextureFilter::Linear));
    Draw(MakeQuad(20, 0, 2, 1, 0xFFFFFFFF));
    EXPECT_EQ(Pixel(20, 0) & 0xFF, 60u);
    EXPECT_EQ(Pixel(21, 0) & 0xFF, 180u);
}

TEST_F(DeviceTest, AddressModesMapCoordinatesOutsideTheTexture) {
    const uint32_t a = 0xFF0000AA, b = 0xFF0000BB, c = 0xFF0000CC, d = 0xFF0000DD, border = 0xFF123456;
    device->SetTexture(0, MakeTexture(2, 2, {a, b, c, d}));
    Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
    device->SetSamplerState(0, SamplerState::BorderColor, border);
    struct Case {
        TextureAddress mode;
        int columns[8]; // texel column per pixel for texel indices -2..5; -1 = border
    };
    const Case cases[] = {
        {TextureAddress::Wrap, {0, 1, 0, 1, 0, 1, 0, 1}},       {TextureAddress::Mirror, {1, 0, 0, 1, 1, 0, 0, 1}},
        {TextureAddress::Clamp, {0, 0, 0, 1, 1, 1, 1, 1}},      {TextureAddress::Border, {-1, -1, 0, 1, -1, -1, -1, -1}},
        {TextureAddress::MirrorOnce, {1, 0, 0, 1, 1, 1, 1, 1}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.mode));
        Sampler(TextureFilter::Point, k.mode);
        Draw(MakeQuad(0, 0, 8, 2, 0xFFFFFFFF, -1, 0, 3, 1));
        for (int x = 0; x < 8; ++x) {
            int col = k.columns[x];
            EXPECT_EQ(Pixel(x, 0), col < 0 ? border : col == 0 ? a : b) << x;
            EXPECT_EQ(Pixel(x, 1), col < 0 ? border : col == 0 ? c : d) << x;
        }
    }
}

TEST_F(DeviceTest, AlphaTestComparesWithTheReference) {
    device->SetTexture(0, MakeTexture(4, 1, {0x10FFFFFF, 0x80FFFFFF, 0x81FFFFFF, 0xFFFFFFFF}));
    Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
    Sampler(TextureFilter::Point, TextureAddress::Clamp);
    device->SetRenderState(RenderState::AlphaTestEnable, 1);
    device->SetRenderState(RenderState::AlphaRef, 0x80);
    const char* expected[] = {"....", "X...", ".X..", "XX..", "..XX", "X.XX", ".XXX", "XXXX"};
    for (uint32_t func = 1; func <= 8; ++func) {
        device->Clear(kClearTarget, kBackground, 0, 0);
        device->SetRenderState(RenderState::AlphaFunc, func);
        Draw(MakeQuad(0, 0, 4, 1, 0xFFFFFFFF));
        std::string seen;
        for (int x = 0; x < 4; ++x) seen += Pixel(x, 0) == kBackground ? '.' : 'X';
        EXPECT_EQ(seen, expected[func - 1]) << "function " << func;
    }
}

TEST_F(DeviceTest, VertexColoursInterpolateAcrossThePrimitive) {
    device->SetTexture(0, nullptr);
    Quad q = MakeQuad(0, 0, 8, 1, 0xFF000000);
    q.v[1].colour = q.v[2].colour = 0xFFFFFFFF;
    Draw(q);
    const uint32_t expected[8] = {16, 48, 80, 112, 143, 175, 207, 239};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(x, 0) & 0xFF, expected[x]) << x;
    // The same quad as a triangle list gives the same pixels as the fan.
    TexturedVertex list[6] = {q.v[0], q.v[1], q.v[2], q.v[0], q.v[2], q.v[3]};
    for (auto& v : list) v.y += 2;
    ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleList, 2, list, sizeof(TexturedVertex)), kOk);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(x, 2), Pixel(x, 0)) << x;
}

TEST_F(DeviceTest, CullingFollowsWindingOnScreen) {
    device->SetTexture(0, nullptr);
    Quad clockwise = MakeQuad(0, 0, 4, 4, 0xFFFF0000);
    Quad counter = clockwise;
    std::swap(counter.v[1], counter.v[3]);
    device->SetRenderState(RenderState::CullMode, static_cast<uint32_t>(CullMode::CounterClockwise));
    Draw(counter);
    EXPECT_EQ(Pixel(1, 1), kBackground);
    Draw(clockwise);
    EXPECT_EQ(Pixel(1, 1), 0xFFFF0000u);
    device->SetRenderState(RenderState::CullMode, static_cast<uint32_t>(CullMode::Clockwise));
    Quad blue = MakeQuad(0, 0, 4, 4, 0xFF0000FF);
    Draw(blue);
    EXPECT_EQ(Pixel(1, 1), 0xFFFF0000u);
}

TEST_F(DeviceTest, LineStripOutlinesARectangle) {
    device->SetTexture(0, nullptr);
    device->SetVertexFormat(kFvfColouredVertex);
    const uint32_t c = 0xFF00FF00;
    ColouredVertex outline[5] = {{1.5f, 1.5f, 0, c}, {6.5f, 1.5f, 0, c}, {6.5f, 4.5f, 0, c},
                                 {1.5f, 4.5f, 0, c}, {1.5f, 1.5f, 0, c}};
    ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::LineStrip, 4, outline, sizeof(ColouredVertex)), kOk);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            bool edge = (x >= 2 && x <= 7 && (y == 2 || y == 5)) || (y >= 2 && y <= 5 && (x == 2 || x == 7));
            EXPECT_EQ(Pixel(x, y), edge ? c : kBackground) << x << "," << y;
        }
}

TEST_F(DeviceTest, ViewportClipsAndTransformsFollowTheRowVectorConvention) {
    device->SetTexture(0, nullptr);
    Viewport vp{4, 4, 8, 8, 0, 1};
    ASSERT_EQ(device->SetViewport(vp), kOk);
    device->SetTransform(TransformState::Projection, PixelProjection(8, 8));
    Matrix world = Matrix::Identity();
    world.m[3][0] = 2; // move 2 pixels right
    device->SetTransform(TransformState::World, world);
    Draw(MakeQuad(-10, -10, 40, 40, 0xFF0000FF));
    EXPECT_EQ(Pixel(3, 4), kBackground);
    EXPECT_EQ(Pixel(4, 4), 0xFF0000FFu);
    EXPECT_EQ(Pixel(11, 11), 0xFF0000FFu);
    EXPECT_EQ(Pixel(12, 11), kBackground);
    device->Clear(kClearTarget, 0xFF000000, 0, 0);
    EXPECT_EQ(Pixel(3, 3), kBackground);
    EXPECT_EQ(Pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(device->SetViewport(Viewport{100, 0, 100, 10, 0, 1}), kErrInvalidCall);
}

TEST_F(DeviceTest, LostDeviceRecoversThroughResetWithManagedTexturesIntact) {
    std::vector<uint32_t> texels;
    for (int i = 0; i < 16; ++i) texels.push_back(0xFF000000u | uint32_t(i) * 0x0F0F0F);
    TexturePtr texture = MakeTexture(4, 4, texels);
    device->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device->SetTexture(0, texture);

    device->SetLossCause(true);
    EXPECT_EQ(device->TestCooperativeLevel(), kErrDeviceLost);
    EXPECT_EQ(device->SetRenderState(RenderState::AlphaBlendEnable, 0), kOk);
    Draw(MakeQuad(0, 0, 4, 4, 0xFFFFFFFF));
    EXPECT_EQ(device->Clear(kClearTarget, 0xFFFFFFFF, 0, 0), kOk);
    EXPECT_EQ(Pixel(0, 0), kBackground);
    EXPECT_EQ(device->EndScene(), kErrDeviceLost);
    EXPECT_EQ(device->Present(), kErrDeviceLost);
    PresentParameters p;
    p.backBufferWidth = 64;
    p.backBufferHeight = 48;
    EXPECT_EQ(device->Reset(p), kErrDeviceLost);

    device->SetLossCause(false);
    EXPECT_EQ(device->TestCooperativeLevel(), kErrDeviceNotReset);
    EXPECT_EQ(device->Present(), kErrDeviceLost);
    ASSERT_EQ(device->Reset(p), kOk);
    EXPECT_EQ(device->TestCooperativeLevel(), kOk);
    EXPECT_EQ(device->BackBuffer().width, 64);

    // Defaults are back: blending off, counter-clockwise culling, modulate, wrap, point, identity.
    uint32_t v = 99;
    device->GetRenderState(RenderState::AlphaBlendEnable, &v);
    EXPECT_EQ(v, 0u);
    device->GetRenderState(RenderState::CullMode, &v);
    EXPECT_EQ(v, 3u);
    device->GetRenderState(RenderState::AlphaFunc, &v);
    EXPECT_EQ(v, 8u);
    device->GetTextureStageState(0, TextureStageState::ColorOp, &v);
    EXPECT_EQ(v, 4u);
    device->GetSamplerState(0, SamplerState::AddressU, &v);
    EXPECT_EQ(v, 1u);
    Matrix m;
    device->GetTransform(TransformState::Projection, &m);
    EXPECT_EQ(m, Matrix::Identity());

    // The managed texture kept its pixels and draws them.
    LockedRect r;
    ASSERT_EQ(texture->Lock(kLockReadOnly, &r), kOk);
    EXPECT_EQ(std::memcmp(r.bits, texels.data(), 64), 0);
    texture->Unlock();
    Prepare();
    device->SetTexture(0, texture);
    Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
    Draw(MakeQuad(0, 0, 4, 4, 0xFFFFFFFF));
    EXPECT_EQ(Pixel(3, 2), texels[11]);
    EXPECT_EQ(device->EndScene(), kOk);
    EXPECT_EQ(device->Present(), kOk);
}

TEST_F(DeviceTest, SceneBracketsAreChecked) {
    EXPECT_EQ(device->BeginScene(), kErrInvalidCall);
    EXPECT_EQ(device->EndScene(), kOk);
    EXPECT_EQ(device->EndScene(), kErrInvalidCall);
    Quad q = MakeQuad(0, 0, 4, 4, 0xFFFFFFFF);
    EXPECT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, q.v, sizeof(TexturedVertex)), kErrInvalidCall);
    EXPECT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, nullptr, 24), kErrInvalidCall);
}

TEST(Adapter, ReportsTheSoftwareDevicesCapabilities) {
    EXPECT_EQ(AdapterCount(), 1u);
    AdapterIdentifier id;
    ASSERT_EQ(GetAdapterIdentifier(0, &id), kOk);
    EXPECT_FALSE(id.description.empty());
    EXPECT_EQ(GetAdapterIdentifier(1, &id), kErrInvalidCall);
    DeviceCaps caps;
    ASSERT_EQ(GetDeviceCaps(0, &caps), kOk);
    EXPECT_TRUE(caps.devCaps & kDevCapsHardwareTransform);
    EXPECT_EQ(caps.presentationIntervals, kPresentIntervalOne | kPresentIntervalImmediate);
    EXPECT_FALSE(caps.nonPowerOfTwoTextures);
    EXPECT_EQ(caps.maxTextureWidth, 4096u);
    EXPECT_EQ(CheckTextureFormat(0, Format::A8L8), kOk);
    EXPECT_EQ(CheckTextureFormat(0, Format::D16), kErrNotAvailable);
    EXPECT_EQ(CheckDeviceType(0, Format::X8R8G8B8, Format::X8R8G8B8, true), kOk);
    EXPECT_EQ(CheckDeviceType(0, Format::R5G6B5, Format::R5G6B5, false), kErrNotAvailable);
    std::unique_ptr<GraphicsDevice> device;
    PresentParameters p;
    p.backBufferFormat = Format::R5G6B5;
    EXPECT_EQ(CreateDevice(0, p, nullptr, &device), kErrNotAvailable);
    EXPECT_EQ(device, nullptr);
}

struct KeepingSink : FrameSink {
    std::vector<uint32_t> frame;
    int width = 0, height = 0;
    void ShowFrame(const uint32_t* pixels, int w, int h, int pitch) override {
        width = w;
        height = h;
        frame.clear();
        for (int y = 0; y < h; ++y) frame.insert(frame.end(), pixels + y * pitch, pixels + y * pitch + w);
    }
};

TEST(Present, HandsTheBackBufferToTheSink) {
    KeepingSink sink;
    PresentParameters p;
    p.backBufferWidth = 16;
    p.backBufferHeight = 8;
    std::unique_ptr<GraphicsDevice> device;
    ASSERT_EQ(CreateDevice(0, p, &sink, &device), kOk);
    device->Clear(kClearTarget, 0xFF112233, 0, 0);
    ASSERT_EQ(device->Present(), kOk);
    ASSERT_EQ(sink.width, 16);
    ASSERT_EQ(sink.height, 8);
    EXPECT_EQ(sink.frame[5 * 16 + 7], 0xFF112233u);
}

} // namespace

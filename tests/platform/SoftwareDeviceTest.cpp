// Sections:
//   coverage: exact quads, the top-left rule, parallelograms
//   shading: blend modes, stage operations, filters, address modes, alpha test,
//     vertex colours
//   geometry: culling, line strips, viewport and transforms
//   device life: lost device and reset, scene brackets; adapter and present

#include "platform/SoftwareDevice.h"
#include "platform/Clock.h"
#include "platform/GraphicsDevice.h"
#include "platform/Random.h"
#include "platform/Rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
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

uint32_t TexelPattern(int x, int y) {
    return 0xFF000000u | uint32_t(x) << 16 | uint32_t(y) << 8 | 0x5A;
}

TEST_F(DeviceTest, TextureQuadLandsExactlyOnItsPixels) {
    Create(800, 600);
    std::vector<uint32_t> texels;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            texels.push_back(TexelPattern(x, y));
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
    ColouredVertex fan[7] = {{40.3f, 40.7f, 0, 0xFF000010},  {20.1f, 21.6f, 0, 0xFF000010},
                             {61.5f, 19.25f, 0, 0xFF000010}, {70.5f, 50.5f, 0, 0xFF000010},
                             {44.0f, 77.0f, 0, 0xFF000010},  {17.75f, 60.0f, 0, 0xFF000010},
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
        {false, Blend::One, Blend::Zero, 0x80FF8000},                // opaque
        {true, Blend::SrcAlpha, Blend::InvSrcAlpha, 0xBFB06010},     // alpha
        {true, Blend::Zero, Blend::InvSrcAlpha, 0x7F302010},         // darken
        {true, Blend::SrcAlpha, Blend::One, 0xFFE08020},             // additive
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
        for (int x = 3; x < 14; ++x)
            ASSERT_EQ(Pixel(x, 3), c.expected) << x;
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
        {TextureOp::SelectArg1, 0x80C04020}, {TextureOp::SelectArg2, 0x40808080},
        {TextureOp::Modulate, 0x20602010},   {TextureOp::Modulate2x, 0x40C04020},
        {TextureOp::Modulate4x, 0x80FF8040}, {TextureOp::Add, 0xC0FFC0A0},
        {TextureOp::AddSigned, 0x40C04020},  {TextureOp::AddSigned2x, 0x81FF8141},
        {TextureOp::Subtract, 0x40400000},   {TextureOp::AddSmooth, 0xA0E0A090},
        {TextureOp::Disable, 0x40808080},
    };
    TexturePtr texture = MakeTexture(2, 2, std::vector<uint32_t>(4, 0x80C04020));
    Sampler(TextureFilter::Point, TextureAddress::Wrap);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.op));
        device->SetTexture(0, texture);
        Stage(c.op, c.op);
        Draw(MakeQuad(0, 0, 9, 2, 0x40808080));
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(Pixel(x, 1), c.expected) << x;
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
    for (uint32_t i = 0; i < 8; ++i)
        ramp.push_back(0xFF000000 | i * 30);
    device->SetTexture(0, MakeTexture(8, 1, ramp));
    device->SetSamplerState(0, SamplerState::MinFilter, static_cast<uint32_t>(TextureFilter::Point));
    device->SetSamplerState(0, SamplerState::MagFilter, static_cast<uint32_t>(TextureFilter::Linear));
    Draw(MakeQuad(20, 0, 2, 1, 0xFFFFFFFF));
    EXPECT_EQ(Pixel(20, 0) & 0xFF, 60u);
    EXPECT_EQ(Pixel(21, 0) & 0xFF, 180u);
}

// A parallelogram v0, v0 + e1, v0 + e1 + e2, v0 + e2 with texture corners (0,0), (1,0), (1,1), (0,1).
Quad Parallelogram(float x, float y, float e1x, float e1y, float e2x, float e2y, uint32_t colour) {
    return Quad{{{x, y, 0, colour, 0, 0},
                 {x + e1x, y + e1y, 0, colour, 1, 0},
                 {x + e1x + e2x, y + e1y + e2y, 0, colour, 1, 1},
                 {x + e2x, y + e2y, 0, colour, 0, 1}}};
}

std::vector<uint32_t> NoiseTexels(int count, bool holes) {
    std::vector<uint32_t> texels;
    for (int i = 0; i < count; ++i) {
        uint32_t c = uint32_t(Rand() & 0xFF) << 16 | uint32_t(Rand() & 0xFF) << 8 | uint32_t(Rand() & 0xFF);
        uint32_t a = holes && (Rand() % 3 == 0 || i % 16 < 5) ? 0 : uint32_t(Rand() & 0xFF);
        texels.push_back(a << 24 | c);
    }
    return texels;
}

// The filter works in fixed point with 8-bit weights; against bilinear filtering
// in floating point at the exact texture coordinates it may differ by one unit.
TEST_F(DeviceTest, LinearFilterStaysWithinOneUnitOfExactBilinear) {
    Create(128, 128); // powers of two: vertices reach the screen unrounded
    Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
    Sampler(TextureFilter::Linear, TextureAddress::Clamp);
    SeedRand(7);
    struct Case {
        int size;
        Quad quad;
    };
    const Case cases[] = {
        {16, Parallelogram(20.25f, 30.5f, 60.5f, 25.25f, -20.75f, 50.125f, 0xFFFFFFFF)}, // magnified
        {64, Parallelogram(70.75f, 4.375f, 40.25f, 20.5f, -18.5f, 36.25f, 0xFFFFFFFF)},  // minified
        {32, Parallelogram(100.5f, 60.0f, -70.25f, 10.75f, 8.5f, 60.375f, 0xFFFFFFFF)},  // mirrored
    };
    for (const Case& k : cases) {
        const std::vector<uint32_t> texels = NoiseTexels(k.size * k.size, false);
        device->SetTexture(0, MakeTexture(k.size, k.size, texels));
        device->Clear(kClearTarget, kBackground, 0, 0);
        Draw(k.quad);
        const TexturedVertex* v = k.quad.v;
        const double e1x = v[1].x - v[0].x, e1y = v[1].y - v[0].y, e2x = v[3].x - v[0].x,
                     e2y = v[3].y - v[0].y;
        const double det = e1x * e2y - e2x * e1y;
        int checked = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const double rx = x - v[0].x, ry = y - v[0].y;
                const double a = (rx * e2y - ry * e2x) / det, b = (ry * e1x - rx * e1y) / det;
                if (a < 0.002 || a > 0.998 || b < 0.002 || b > 0.998) continue;
                const double s = a * k.size - 0.5, t = b * k.size - 0.5;
                const double x0 = std::floor(s), y0 = std::floor(t), fx = s - x0, fy = t - y0;
                auto texel = [&](double tx, double ty, int shift) {
                    int cx = std::clamp(int(tx), 0, k.size - 1), cy = std::clamp(int(ty), 0, k.size - 1);
                    return double(texels[size_t(cy) * k.size + cx] >> shift & 0xFF);
                };
                for (int shift = 0; shift < 32; shift += 8) {
                    const double top = texel(x0, y0, shift) * (1 - fx) + texel(x0 + 1, y0, shift) * fx;
                    const double bottom =
                        texel(x0, y0 + 1, shift) * (1 - fx) + texel(x0 + 1, y0 + 1, shift) * fx;
                    const int expected = int(std::lround(top * (1 - fy) + bottom * fy));
                    const int diff = std::abs(int(Pixel(x, y) >> shift & 0xFF) - expected);
                    ASSERT_LE(diff, 1) << x << "," << y << " channel " << shift / 8;
                }
                ++checked;
            }
        EXPECT_GT(checked, 1500);
    }
}

// Pixel centres inside a polygon given in 1/256 pixel, by the top-left rule: a
// centre on an edge counts where the edge is a top edge or a left edge.
std::vector<bool> Coverage(std::vector<int64_t> x, std::vector<int64_t> y, int width, int height) {
    const size_t n = x.size();
    int64_t area = 0;
    for (size_t i = 0; i < n; ++i)
        area += x[i] * y[(i + 1) % n] - x[(i + 1) % n] * y[i];
    if (area < 0) {
        std::reverse(x.begin(), x.end());
        std::reverse(y.begin(), y.end());
    }
    std::vector<bool> inside(size_t(width) * height);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            bool in = true;
            for (size_t i = 0; i < n && in; ++i) {
                const int64_t dx = x[(i + 1) % n] - x[i], dy = y[(i + 1) % n] - y[i];
                const int64_t e = dx * (py * 256 - y[i]) - dy * (px * 256 - x[i]);
                const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
                in = e > 0 || (e == 0 && topLeft);
            }
            inside[size_t(py) * width + px] = in;
        }
    return inside;
}

// The pixels of a parallelogram drawn as one fan are those of its two triangles
// drawn as a list, on every edge and corner, and those the rule puts inside.
TEST_F(DeviceTest, ParallelogramCoversThePixelsOfItsTwoTriangles) {
    Create(128, 128);
    device->SetTexture(0, nullptr);
    SeedRand(11);
    auto coordinate = [](int range) {
        // Whole and half pixels often, so that corners and edges meet pixel centres.
        int sub = Rand() % 4 == 0 ? 0 : Rand() % 4 == 0 ? 128 : Rand() % 256;
        return float((Rand() % range) * 256 + sub) / 256.0f;
    };
    for (int i = 0; i < 300; ++i) {
        const float x = 30 + coordinate(60), y = 30 + coordinate(60);
        const float e1x = coordinate(60) - 30, e1y = coordinate(60) - 30, e2x = coordinate(60) - 30,
                    e2y = coordinate(60) - 30;
        const Quad q = Parallelogram(x, y, e1x, e1y, e2x, e2y, 0xFF00FF00);
        device->Clear(kClearTarget, kBackground, 0, 0);
        Draw(q);
        std::vector<uint32_t> fan(device->BackBuffer().pixels, device->BackBuffer().pixels + 128 * 128);
        device->Clear(kClearTarget, kBackground, 0, 0);
        const TexturedVertex list[6] = {q.v[0], q.v[1], q.v[2], q.v[0], q.v[2], q.v[3]};
        ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleList, 2, list, sizeof(TexturedVertex)), kOk);
        std::vector<int64_t> cx, cy;
        for (const TexturedVertex& v : q.v)
            cx.push_back(std::lround(v.x * 256)), cy.push_back(std::lround(v.y * 256));
        const std::vector<bool> inside = Coverage(cx, cy, 128, 128);
        for (int p = 0; p < 128 * 128; ++p) {
            ASSERT_EQ(fan[p], device->BackBuffer().pixels[p])
                << "case " << i << " pixel " << p % 128 << "," << p / 128;
            ASSERT_EQ(fan[p] != kBackground, inside[p])
                << "case " << i << " pixel " << p % 128 << "," << p / 128;
        }
    }
}

// Sprites drawn in one pass (filtered, modulated, blended) give what the stages
// give one after another: the filtered texel, times the vertex colour, blended
// over the frame, every product rounded as MulDiv255 does.
TEST_F(DeviceTest, BlendedSpritesEqualTheirStagesComposedByHand) {
    using raster::MulDiv255;
    Create(128, 128);
    SeedRand(5);
    const TexturePtr backdrop = MakeTexture(32, 32, NoiseTexels(32 * 32, false));
    const TexturePtr sprite = MakeTexture(32, 32, NoiseTexels(32 * 32, true));
    const uint32_t colour = 0xC0A0FF80;
    const Quad sprites[] = {
        Parallelogram(10.5f, 12.25f, 70.25f, 30.5f, -25.75f, 60.5f, colour), // rotated, both filters
        MakeQuad(70, 5, 45, 57, colour, 0, 0, 1, 1),                         // axis-aligned, scaled
        MakeQuad(3, 90, 32, 32, colour),                                     // one texel per pixel
    };
    auto drawBackdrop = [&] {
        SetBlendMode(false, Blend::One, Blend::Zero);
        Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
        Sampler(TextureFilter::Point, TextureAddress::Wrap);
        device->SetTexture(0, backdrop);
        Draw(MakeQuad(0, 0, 128, 128, 0xFFFFFFFF, 0, 0, 4, 4));
    };
    auto frame = [&] {
        const uint32_t* p = device->BackBuffer().pixels;
        return std::vector<uint32_t>(p, p + 128 * 128);
    };
    for (bool additive : {false, true}) {
        for (const Quad& q : sprites) {
            SCOPED_TRACE(&q - sprites);
            // The texels alone, and which pixels the sprite covers.
            std::vector<uint32_t> texel[2];
            for (uint32_t clearColour : {0x00000000u, 0xFFFFFFFFu}) {
                device->Clear(kClearTarget, clearColour, 0, 0);
                SetBlendMode(false, Blend::One, Blend::Zero);
                Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
                Sampler(TextureFilter::Linear, TextureAddress::Clamp);
                device->SetTexture(0, sprite);
                Draw(q);
                texel[clearColour != 0] = frame();
            }
            drawBackdrop();
            const std::vector<uint32_t> under = frame();
            SetBlendMode(true, Blend::SrcAlpha, additive ? Blend::One : Blend::InvSrcAlpha);
            Stage(TextureOp::Modulate, TextureOp::Modulate);
            Sampler(TextureFilter::Linear, TextureAddress::Clamp);
            device->SetTexture(0, sprite);
            Draw(q);
            const std::vector<uint32_t> out = frame();
            int covered = 0;
            for (int p = 0; p < 128 * 128; ++p) {
                uint32_t expected = under[p];
                if (texel[0][p] == texel[1][p]) {
                    ++covered;
                    uint32_t src[4], result = 0;
                    for (int c = 0; c < 4; ++c)
                        src[c] = MulDiv255(texel[0][p] >> (8 * c) & 0xFF, colour >> (8 * c) & 0xFF);
                    for (int c = 0; c < 4; ++c) {
                        const uint32_t d = under[p] >> (8 * c) & 0xFF;
                        const uint32_t v =
                            MulDiv255(src[c], src[3]) + (additive ? d : MulDiv255(d, 255 - src[3]));
                        result |= std::min(v, 255u) << (8 * c);
                    }
                    expected = result;
                }
                ASSERT_EQ(out[p], expected) << "pixel " << p % 128 << "," << p / 128;
            }
            EXPECT_GT(covered, 900);
        }
    }
}

// The shortcuts (opaque sources copied, one texture row per screen row,
// texels repeated under an integer magnification, filtered runs ending in a
// group moved back) and every kernel width against the general path at the
// narrowest width: the same pixels for every mix of texture size and opacity,
// scale, rotation and position, modulation, stage operation, blend, filter and
// addressing.
TEST_F(DeviceTest, ShortcutsGiveTheGeneralPathsPixels) {
    constexpr int kWidth = 160, kHeight = 120;
    Create(kWidth, kHeight);
    SeedRand(11);
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{16, 16}, {33, 17}, {64, 40}, {1, 5}, {64, 64}};
    // Column: one half-transparent column in the middle of every row. Padded:
    // an opaque picture in the top left, transparent to the right and below.
    enum Opacity { Opaque, Holes, Column, Padded };
    const float scales[] = {1.0f, 2.0f, 4.0f, 8.0f, 3.0f, 0.5f, 1.37f, -2.0f};
    const float offsets[] = {0.0f, 0.25f, 0.5f, 0.75f, 0.125f};
    const uint32_t colours[] = {0xFFFFFFFF, 0xFF808080, 0x80FFFFFF, 0xFFFFFFFE, 0xFEFFFFFF, 0xC0A0FF80};
    const float angles[] = {0.3f, 1.1f, 2.0f, -0.7f, 3.5f};
    const TextureOp ops[] = {TextureOp::Modulate, TextureOp::SelectArg1};
    struct BlendMode {
        bool on;
        Blend src, dest;
    };
    const BlendMode blends[] = {{false, Blend::One, Blend::Zero},
                                {true, Blend::SrcAlpha, Blend::InvSrcAlpha},
                                {true, Blend::SrcAlpha, Blend::One},
                                {true, Blend::Zero, Blend::InvSrcAlpha},
                                {true, Blend::DestColor, Blend::Zero}};
    const TextureFilter filters[] = {TextureFilter::Point, TextureFilter::Linear};
    const TextureAddress addresses[] = {TextureAddress::Clamp, TextureAddress::Wrap, TextureAddress::Border};
    const uint32_t borders[] = {0xFF336699, 0x00336699};
    const TexturePtr backdrop = MakeTexture(32, 32, NoiseTexels(32 * 32, false));
    auto pick = [](const auto& table) -> const auto& {
        return table[size_t(Rand()) % (sizeof table / sizeof table[0])];
    };
    for (int round = 0; round < 400; ++round) {
        const Size size = pick(sizes);
        const Opacity opacity = Opacity(Rand() % 4);
        std::vector<uint32_t> texels = NoiseTexels(size.w * size.h, opacity == Holes);
        if (opacity != Holes)
            for (uint32_t& t : texels)
                t |= 0xFF000000u;
        if (opacity == Column)
            for (int k = size.w / 2; k < size.w * size.h; k += size.w)
                texels[size_t(k)] &= 0x80FFFFFFu;
        if (opacity == Padded)
            for (int k = 0; k < size.w * size.h; ++k)
                if (k % size.w >= size.w * 3 / 4 || k / size.w >= size.h * 3 / 4)
                    texels[size_t(k)] &= 0x00FFFFFFu;
        const TexturePtr texture = MakeTexture(uint32_t(size.w), uint32_t(size.h), texels);
        const float scale = pick(scales), scaleY = Rand() % 2 ? scale : std::fabs(scale);
        const float x = float(Rand() % 40) + pick(offsets), y = float(Rand() % 30) + pick(offsets);
        // Some quads show a part of the texture, some run past its edges.
        const float u0 = Rand() % 3 == 0 ? -0.25f : 0.0f, u1 = Rand() % 3 == 0 ? 1.5f : 1.0f;
        const uint32_t colour = pick(colours);
        const TextureOp op = pick(ops);
        const BlendMode blend = pick(blends);
        const TextureFilter filter = pick(filters);
        const TextureAddress address = pick(addresses);
        const uint32_t border = pick(borders);
        const float w = float(size.w) * (u1 - u0) * scale, h = float(size.h) * scaleY;
        Quad quad = w < 0 ? MakeQuad(x - w, y, w, h, colour, u0, 0, u1, 1)
                          : MakeQuad(x, y, w, h, colour, u0, 0, u1, 1);
        const bool rotated = Rand() % 4 == 0;
        const float angle = pick(angles);
        if (rotated) {
            // Turned about its first corner: texture coordinates change along rows and columns.
            const float c = std::cos(angle), sn = std::sin(angle), ox = quad.v[0].x, oy = quad.v[0].y;
            for (TexturedVertex& v : quad.v) {
                const float dx = v.x - ox, dy = v.y - oy;
                v.x = ox + 40 + dx * c - dy * sn;
                v.y = oy + 30 + dx * sn + dy * c;
            }
        }
        // The reference first: no shortcuts, the narrowest kernels.
        struct Path {
            bool shortcuts;
            int width;
        };
        const Path paths[] = {{false, 128}, {true, 128}, {true, 256}, {true, 512}};
        std::vector<uint32_t> frames[4];
        for (int k = 0; k < 4; ++k) {
            const bool previous = raster::UseShortcuts(paths[k].shortcuts);
            const int previousWidth = raster::UseKernelWidth(paths[k].width);
            SetBlendMode(false, Blend::One, Blend::Zero);
            Stage(TextureOp::SelectArg1, TextureOp::SelectArg1);
            Sampler(TextureFilter::Point, TextureAddress::Wrap);
            device->SetTexture(0, backdrop);
            Draw(MakeQuad(0, 0, kWidth, kHeight, 0xFFFFFFFF, 0, 0, 5, 4));
            SetBlendMode(blend.on, blend.src, blend.dest);
            Stage(op, op);
            Sampler(filter, address);
            device->SetSamplerState(0, SamplerState::BorderColor, border);
            device->SetTexture(0, texture);
            Draw(quad);
            raster::UseKernelWidth(previousWidth);
            raster::UseShortcuts(previous);
            const uint32_t* p = device->BackBuffer().pixels;
            frames[k].assign(p, p + kWidth * kHeight);
        }
        for (int k = 1; k < 4; ++k) {
            size_t first = 0;
            while (first < frames[0].size() && frames[0][first] == frames[k][first])
                ++first;
            ASSERT_EQ(first, frames[0].size())
                << "round " << round << ": pixel " << first % kWidth << "," << first / kWidth << " is "
                << std::hex << frames[k][first] << " with the shortcuts at " << std::dec << paths[k].width
                << " bits, " << std::hex << frames[0][first] << " without; " << std::dec << size.w << "x"
                << size.h << " texture, opacity " << opacity << ", scale " << scale << "/" << scaleY << " at "
                << x << "," << y << (rotated ? ", turned " : ", upright ") << angle << ", u " << u0 << "-"
                << u1 << ", colour " << std::hex << colour << std::dec << ", op " << int(op) << ", blend "
                << blend.on << " " << int(blend.src) << "/" << int(blend.dest) << ", filter " << int(filter)
                << ", address " << int(address) << ", border " << std::hex << border;
        }
    }
}

// A clear waits until something reads the frame or draws over it in a way that
// depends on it; rectangles drawn over it opaquely take its place where they
// cover it. Every mix of such rectangles (whole rows, tiles beside or apart,
// an opaque picture in a padded texture blended as the level's field is),
// draws that read the frame, smaller and repeated clears gives exactly the
// frame of a clear written at once.
TEST_F(DeviceTest, ClearsDrawnOverGiveTheFrameOfAClearWrittenAtOnce) {
    constexpr int kWidth = 96, kHeight = 64;
    Create(kWidth, kHeight);
    SeedRand(21);
    const TexturePtr backdrop = MakeTexture(32, 32, NoiseTexels(32 * 32, false));
    const TexturePtr opaque = MakeTexture(16, 16, NoiseTexels(16 * 16, false));
    const TexturePtr holes = MakeTexture(16, 16, NoiseTexels(16 * 16, true));
    // An opaque 16 x 12 picture in the top left of a 32 x 32 texture, transparent elsewhere.
    std::vector<uint32_t> paddedTexels = NoiseTexels(32 * 32, false);
    for (int k = 0; k < 32 * 32; ++k)
        paddedTexels[size_t(k)] = k % 32 < 16 && k / 32 < 12 ? paddedTexels[size_t(k)] | 0xFF000000u : 0;
    const TexturePtr padded = MakeTexture(32, 32, paddedTexels);
    // A quad drawn as the game draws one: opaque with its texels as they are, or
    // modulated by its colour and alpha-blended over the frame.
    auto drawQuad = [&](const TexturePtr& texture, bool blended, TextureFilter filter, TextureAddress address,
                        const Quad& quad) {
        if (blended)
            SetBlendMode(true, Blend::SrcAlpha, Blend::InvSrcAlpha);
        else
            SetBlendMode(false, Blend::One, Blend::Zero);
        const TextureOp op = blended ? TextureOp::Modulate : TextureOp::SelectArg1;
        Stage(op, op);
        Sampler(filter, address);
        device->SetTexture(0, texture);
        Draw(quad);
    };
    auto drawOpaque = [&](float x, float y, float w, float h) {
        drawQuad(opaque, false, TextureFilter::Point, TextureAddress::Clamp,
                 MakeQuad(x, y, w, h, 0xFFFFFFFF));
    };
    // The padded picture blended and point-sampled; u1 past 0.5 reaches its transparent texels.
    auto drawField = [&](float x, float y, float w, float h, float u1) {
        drawQuad(padded, true, TextureFilter::Point, TextureAddress::Clamp,
                 MakeQuad(x, y, w, h, 0xFFFFFFFF, 0, 0, u1, 0.375f));
    };
    auto drawSprite = [&](float x, float y, float w, float h) {
        drawQuad(holes, true, TextureFilter::Linear, TextureAddress::Clamp, MakeQuad(x, y, w, h, 0xC0A0FF80));
    };
    auto setViewport = [&](uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
        ASSERT_EQ(device->SetViewport(Viewport{x, y, w, h, 0.0f, 1.0f}), kOk);
    };
    auto clear = [&](uint32_t colour) { device->Clear(kClearTarget, colour, 0, 0); };
    struct Case {
        const char* name;
        std::function<void()> draws; // after a clear of the whole frame
    };
    const Case cases[] = {
        {"a field over whole rows, a sprite over its lower edge",
         [&] {
             drawField(0, 0, kWidth, 48, 0.5f);
             drawSprite(40, 36, 32, 24);
         }},
        {"tiles side by side over whole rows",
         [&] {
             drawOpaque(0, 0, 50, 40);
             drawOpaque(50, 0, 46, 40);
             drawSprite(10, 30, 32, 32);
         }},
        {"tiles apart in the same rows", [&] { drawOpaque(0, 10, 30, 20), drawOpaque(60, 10, 30, 20); }},
        {"tiles apart, then the gap between them",
         [&] { drawOpaque(0, 10, 30, 20), drawOpaque(60, 10, 30, 20), drawOpaque(30, 10, 30, 20); }},
        {"overlapping tiles",
         [&] { drawOpaque(40, 0, 56, 30), drawOpaque(0, 5, 50, 30), drawOpaque(20, 20, 10, 40); }},
        {"tiles at fractions of a pixel",
         [&] { drawOpaque(10.3f, 5.6f, 40.5f, 20.25f), drawOpaque(50.8f, 5.6f, 45.2f, 20.5f); }},
        {"a field reaching transparent texels", [&] { drawField(0, 0, kWidth, 48, 0.75f); }},
        {"an alpha-tested rectangle",
         [&] {
             device->SetRenderState(RenderState::AlphaTestEnable, 1);
             device->SetRenderState(RenderState::AlphaFunc, static_cast<uint32_t>(CompareFunc::Greater));
             device->SetRenderState(RenderState::AlphaRef, 0x80);
             drawQuad(holes, false, TextureFilter::Point, TextureAddress::Wrap,
                      MakeQuad(0, 0, kWidth, 40, 0xFFFFFFFF));
             device->SetRenderState(RenderState::AlphaTestEnable, 0);
         }},
        {"an opaque texture at half alpha",
         [&] {
             drawQuad(opaque, true, TextureFilter::Point, TextureAddress::Wrap,
                      MakeQuad(0, 0, kWidth, 40, 0x80FFFFFF));
         }},
        {"a clear of part of the frame, rectangles past it",
         [&] {
             setViewport(10, 8, 70, 40);
             clear(0xFF10E010);
             setViewport(0, 0, kWidth, kHeight);
             drawOpaque(0, 0, kWidth, 30);
             drawSprite(60, 20, 30, 30);
         }},
        {"a second clear over the first",
         [&] {
             drawOpaque(0, 0, kWidth, 20);
             clear(0xFFE01010);
             drawOpaque(0, 30, kWidth, 10);
         }},
        {"a smaller second clear",
         [&] {
             drawOpaque(0, 0, kWidth, 20);
             setViewport(20, 10, 40, 40);
             clear(0xFFE01010);
             setViewport(0, 0, kWidth, kHeight);
             drawOpaque(0, 40, kWidth, 10);
         }},
        {"triangles and a line after a rectangle",
         [&] {
             drawOpaque(0, 0, kWidth, 30);
             const Quad q = MakeQuad(5, 20, 60, 30, 0xFFFFFFFF);
             const TexturedVertex list[3] = {q.v[0], q.v[1], q.v[2]};
             ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleList, 1, list, sizeof(TexturedVertex)),
                       kOk);
             ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::LineStrip, 1, list, sizeof(TexturedVertex)),
                       kOk);
         }},
        {"a turned quad",
         [&] {
             drawQuad(opaque, false, TextureFilter::Point, TextureAddress::Wrap,
                      Parallelogram(30.25f, 2.5f, 50.5f, 20.25f, -20.5f, 40.75f, 0xFFFFFFFF));
         }},
        {"nothing drawn", [] {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<uint32_t> frames[2];
        for (const bool atOnce : {true, false}) {
            setViewport(0, 0, kWidth, kHeight);
            drawQuad(backdrop, false, TextureFilter::Point, TextureAddress::Wrap,
                     MakeQuad(0, 0, kWidth, kHeight, 0xFFFFFFFF, 0, 0, 3, 2));
            (void)device->BackBuffer();
            clear(0xFF2040C0);
            // Reading the frame writes a pending clear.
            if (atOnce) (void)device->BackBuffer();
            k.draws();
            const FrameView f = device->BackBuffer();
            frames[atOnce].assign(f.pixels, f.pixels + kWidth * kHeight);
        }
        size_t first = 0;
        while (first < frames[0].size() && frames[0][first] == frames[1][first])
            ++first;
        EXPECT_EQ(first, frames[0].size())
            << "pixel " << first % kWidth << "," << first / kWidth << ": " << std::hex << frames[0][first]
            << " with the clear kept, " << frames[1][first] << " with it written at once";
    }
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
        {TextureAddress::Wrap, {0, 1, 0, 1, 0, 1, 0, 1}},
        {TextureAddress::Mirror, {1, 0, 0, 1, 1, 0, 0, 1}},
        {TextureAddress::Clamp, {0, 0, 0, 1, 1, 1, 1, 1}},
        {TextureAddress::Border, {-1, -1, 0, 1, -1, -1, -1, -1}},
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
        for (int x = 0; x < 4; ++x)
            seen += Pixel(x, 0) == kBackground ? '.' : 'X';
        EXPECT_EQ(seen, expected[func - 1]) << "function " << func;
    }
}

TEST_F(DeviceTest, VertexColoursInterpolateAcrossThePrimitive) {
    device->SetTexture(0, nullptr);
    Quad q = MakeQuad(0, 0, 8, 1, 0xFF000000);
    q.v[1].colour = q.v[2].colour = 0xFFFFFFFF;
    Draw(q);
    const uint32_t expected[8] = {16, 48, 80, 112, 143, 175, 207, 239};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(Pixel(x, 0) & 0xFF, expected[x]) << x;
    // The same quad as a triangle list gives the same pixels as the fan.
    TexturedVertex list[6] = {q.v[0], q.v[1], q.v[2], q.v[0], q.v[2], q.v[3]};
    for (auto& v : list)
        v.y += 2;
    ASSERT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleList, 2, list, sizeof(TexturedVertex)), kOk);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(Pixel(x, 2), Pixel(x, 0)) << x;
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
    ColouredVertex outline[5] = {
        {1.5f, 1.5f, 0, c}, {6.5f, 1.5f, 0, c}, {6.5f, 4.5f, 0, c}, {1.5f, 4.5f, 0, c}, {1.5f, 1.5f, 0, c}};
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

// A clear still waiting to be written belongs to the frame a reset throws away:
// the new frame, smaller or larger, starts black and nothing lands outside it.
TEST_F(DeviceTest, ResetDropsAClearNotYetWritten) {
    const uint32_t sizes[][2] = {{64, 48}, {160, 120}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size[0]);
        device->Clear(kClearTarget, 0xFFFFFFFF, 0, 0);
        PresentParameters p;
        p.backBufferWidth = size[0];
        p.backBufferHeight = size[1];
        ASSERT_EQ(device->Reset(p), kOk);
        const FrameView f = device->BackBuffer();
        ASSERT_EQ(f.width, int(size[0]));
        ASSERT_EQ(f.height, int(size[1]));
        long lit = 0;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                lit += f.pixels[y * f.pitchInPixels + x] != 0;
        EXPECT_EQ(lit, 0);
    }
}

TEST_F(DeviceTest, LostDeviceRecoversThroughResetWithManagedTexturesIntact) {
    std::vector<uint32_t> texels;
    for (int i = 0; i < 16; ++i)
        texels.push_back(0xFF000000u | uint32_t(i) * 0x0F0F0F);
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
    EXPECT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, q.v, sizeof(TexturedVertex)),
              kErrInvalidCall);
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
        for (int y = 0; y < h; ++y)
            frame.insert(frame.end(), pixels + y * pitch, pixels + y * pitch + w);
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

// A headless run's undrawn frames: every call is taken as usual, no pixel
// changes and nothing new is shown, yet each present takes its paced time.
TEST(Present, WithoutRasterizingNothingIsDrawnOrShownButTheFramesKeepTheirPace) {
    SetVirtualClock(true);
    KeepingSink sink;
    PresentParameters p;
    p.backBufferWidth = 16;
    p.backBufferHeight = 8;
    p.presentationInterval = kPresentIntervalOne;
    std::unique_ptr<GraphicsDevice> device;
    ASSERT_EQ(CreateDevice(0, p, &sink, &device), kOk);
    device->SetTransform(TransformState::Projection, PixelProjection(16, 8));
    device->SetVertexFormat(kFvfTexturedVertex);
    const Quad quad = MakeQuad(2, 2, 6, 4, 0xFFFF0000);
    auto frame = [&](uint32_t background) {
        EXPECT_EQ(device->BeginScene(), kOk);
        EXPECT_EQ(device->Clear(kClearTarget, background, 0, 0), kOk);
        EXPECT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, quad.v, sizeof(TexturedVertex)),
                  kOk);
        EXPECT_EQ(device->EndScene(), kOk);
        const uint32_t before = Milliseconds();
        EXPECT_EQ(device->Present(), kOk);
        return Milliseconds() - before;
    };
    frame(0xFF112233);
    std::vector<uint32_t> paced;
    for (int i = 0; i < 6; ++i)
        paced.push_back(frame(0xFF112233));
    const std::vector<uint32_t> shown = sink.frame;
    ASSERT_EQ(shown[3 * 16 + 4], 0xFFFF0000u);
    ASSERT_EQ(shown[0], 0xFF112233u);

    device->SetRasterizing(false);
    sink.frame.clear();
    std::vector<uint32_t> unshown;
    for (int i = 0; i < 6; ++i)
        unshown.push_back(frame(0xFF445566));
    EXPECT_TRUE(sink.frame.empty()) << "an undrawn frame was shown";
    EXPECT_EQ(unshown, paced);
    EXPECT_EQ(device->BackBuffer().pixels[0], 0xFF112233u);
    EXPECT_EQ(device->DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, nullptr, sizeof(TexturedVertex)),
              kErrInvalidCall)
        << "calls are still checked";

    device->SetRasterizing(true);
    frame(0xFF445566);
    EXPECT_EQ(sink.frame[0], 0xFF445566u);
    SetVirtualClock(false);
}

} // namespace

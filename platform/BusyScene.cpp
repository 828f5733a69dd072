#include "platform/BusyScene.h"

#include "platform/Random.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {
namespace {

// A value from lo to hi inclusive.
int RandomIn(int lo, int hi) {
    return lo + Rand() % (hi - lo + 1);
}

std::vector<uint32_t> MakeBackground() {
    const int n = BusyScene::kBackgroundSize;
    std::vector<uint32_t> pixels(size_t(n) * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            uint32_t r = (x * 255 / n), g = (y * 255 / n), b = ((x / 32 + y / 32) & 1) ? 0xA0 : 0x40;
            pixels[size_t(y) * n + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    return pixels;
}

// A disc with a soft rim and a coloured pattern inside.
std::vector<uint32_t> MakeSpriteImage(int index) {
    const int n = BusyScene::kSpriteSize;
    std::vector<uint32_t> pixels(size_t(n) * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            double dx = x + 0.5 - n / 2.0, dy = y + 0.5 - n / 2.0, r = std::sqrt(dx * dx + dy * dy);
            uint32_t a = r < 24 ? 255 : r >= 31 ? 0 : static_cast<uint32_t>((31 - r) * 255 / 7);
            uint32_t red = (x * 4 + index * 60) & 0xFF, green = y * 4,
                     blue = static_cast<uint32_t>(std::min(r * 8, 255.0));
            pixels[size_t(y) * n + x] = a << 24 | red << 16 | green << 8 | blue;
        }
    return pixels;
}

} // namespace

BusyScene MakeBusyScene() {
    BusyScene scene;
    scene.background = MakeBackground();
    for (int i = 0; i < BusyScene::kImageCount; ++i)
        scene.images.push_back(MakeSpriteImage(i));
    SeedRand(20240611);
    const float half = BusyScene::kSpriteSize / 2.0f;
    for (int i = 0; i < BusyScene::kSpriteCount; ++i) {
        BusyScene::Sprite s{};
        s.image = i % BusyScene::kImageCount;
        s.additive = i % 10 == 0;
        const int x = RandomIn(-32, BusyScene::kWidth - 32), y = RandomIn(-32, BusyScene::kHeight - 32);
        const uint32_t colour = uint32_t(RandomIn(160, 255)) << 24 | uint32_t(RandomIn(128, 255)) << 16 |
                                uint32_t(RandomIn(128, 255)) << 8 | uint32_t(RandomIn(128, 255));
        const float cx = x + half, cy = y + half;
        float angle = 0, scale = 1;
        if (i % 4 == 1) {
            angle = RandomIn(0, 359) * 3.1415927f / 180.0f;
            scale = RandomIn(50, 150) / 100.0f;
        }
        const float c = std::cos(angle) * scale * half, sn = std::sin(angle) * scale * half;
        const float ox[4] = {-1, 1, 1, -1}, oy[4] = {-1, -1, 1, 1}, u[4] = {0, 1, 1, 0}, v[4] = {0, 0, 1, 1};
        for (int k = 0; k < 4; ++k) {
            // Pixel centres sit on integer coordinates: corners are shifted by half a pixel.
            float px = angle == 0 ? cx + ox[k] * half : cx + ox[k] * c - oy[k] * sn;
            float py = angle == 0 ? cy + oy[k] * half : cy + ox[k] * sn + oy[k] * c;
            s.corners[k] = TexturedVertex{px - 0.5f, py - 0.5f, 0.0f, colour, u[k], v[k]};
        }
        scene.sprites.push_back(s);
    }
    return scene;
}

// ---------------------------------------------------------------- our device

static TexturePtr Upload(GraphicsDevice& device, int size, const std::vector<uint32_t>& pixels) {
    TexturePtr texture;
    if (Failed(device.CreateTexture(size, size, Format::A8R8G8B8, Pool::Managed, &texture))) return nullptr;
    LockedRect r;
    if (Succeeded(texture->Lock(0, &r))) {
        std::memcpy(r.bits, pixels.data(), pixels.size() * 4);
        texture->Unlock();
    }
    return texture;
}

BusySceneOnDevice::BusySceneOnDevice(const BusyScene& scene, GraphicsDevice& device)
    : scene_(scene), device_(device) {
    background_ = Upload(device, BusyScene::kBackgroundSize, scene.background);
    for (const auto& image : scene.images)
        images_.push_back(Upload(device, BusyScene::kSpriteSize, image));
}

Result BusySceneOnDevice::DrawFrame() {
    GraphicsDevice& d = device_;
    if (Result r = d.BeginScene(); Failed(r)) return r;
    Matrix projection{};
    projection.m[0][0] = 2.0f / BusyScene::kWidth;
    projection.m[1][1] = -2.0f / BusyScene::kHeight;
    projection.m[2][2] = 10.0f;
    projection.m[3][0] = -1.0f;
    projection.m[3][1] = 1.0f;
    projection.m[3][3] = 1.0f;
    d.SetTransform(TransformState::Projection, projection);
    d.SetRenderState(RenderState::CullMode, static_cast<uint32_t>(CullMode::None));
    d.SetVertexFormat(kFvfTexturedVertex);
    for (SamplerState s : {SamplerState::MinFilter, SamplerState::MagFilter})
        d.SetSamplerState(0, s, static_cast<uint32_t>(TextureFilter::Linear));
    for (SamplerState s : {SamplerState::AddressU, SamplerState::AddressV})
        d.SetSamplerState(0, s, static_cast<uint32_t>(TextureAddress::Clamp));

    const float w = BusyScene::kWidth - 0.5f, h = BusyScene::kHeight - 0.5f, vEnd = 768.0f / 1024.0f;
    const TexturedVertex backdrop[4] = {{-0.5f, -0.5f, 0, 0xFFFFFFFF, 0, 0},
                                        {w, -0.5f, 0, 0xFFFFFFFF, 1, 0},
                                        {w, h, 0, 0xFFFFFFFF, 1, vEnd},
                                        {-0.5f, h, 0, 0xFFFFFFFF, 0, vEnd}};
    d.SetRenderState(RenderState::AlphaBlendEnable, 0);
    d.SetTextureStageState(0, TextureStageState::ColorOp, static_cast<uint32_t>(TextureOp::SelectArg1));
    d.SetTextureStageState(0, TextureStageState::AlphaOp, static_cast<uint32_t>(TextureOp::SelectArg1));
    d.SetTexture(0, background_);
    d.DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, backdrop, sizeof(TexturedVertex));

    d.SetRenderState(RenderState::AlphaBlendEnable, 1);
    d.SetRenderState(RenderState::SrcBlend, static_cast<uint32_t>(Blend::SrcAlpha));
    d.SetTextureStageState(0, TextureStageState::ColorOp, static_cast<uint32_t>(TextureOp::Modulate));
    d.SetTextureStageState(0, TextureStageState::AlphaOp, static_cast<uint32_t>(TextureOp::Modulate));
    for (const BusyScene::Sprite& s : scene_.sprites) {
        d.SetRenderState(RenderState::DestBlend,
                         static_cast<uint32_t>(s.additive ? Blend::One : Blend::InvSrcAlpha));
        d.SetTexture(0, images_[s.image]);
        d.DrawPrimitiveUP(PrimitiveType::TriangleFan, 2, s.corners, sizeof(TexturedVertex));
    }
    d.SetTexture(0, nullptr);
    if (Result r = d.EndScene(); Failed(r)) return r;
    return d.Present();
}

// ---------------------------------------------------------------- SDL

struct BusySceneOnSdl::Impl {
    const BusyScene& scene;
    SDL_Surface* surface = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* background = nullptr;
    std::vector<SDL_Texture*> images;

    explicit Impl(const BusyScene& s) : scene(s) {}
    SDL_Texture* Upload(int size, const std::vector<uint32_t>& pixels, SDL_BlendMode mode) {
        SDL_Texture* t =
            SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, size, size);
        if (!t) return nullptr;
        SDL_UpdateTexture(t, nullptr, pixels.data(), size * 4);
        SDL_SetTextureBlendMode(t, mode);
        SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
        return t;
    }
};

BusySceneOnSdl::BusySceneOnSdl(const BusyScene& scene) : impl_(std::make_unique<Impl>(scene)) {
    Impl& m = *impl_;
    m.surface = SDL_CreateRGBSurfaceWithFormat(0, BusyScene::kWidth, BusyScene::kHeight, 32,
                                               SDL_PIXELFORMAT_ARGB8888);
    if (!m.surface) return;
    m.renderer = SDL_CreateSoftwareRenderer(m.surface);
    if (!m.renderer) return;
    m.background = m.Upload(BusyScene::kBackgroundSize, scene.background, SDL_BLENDMODE_NONE);
    for (const auto& image : scene.images)
        m.images.push_back(m.Upload(BusyScene::kSpriteSize, image, SDL_BLENDMODE_BLEND));
}

BusySceneOnSdl::~BusySceneOnSdl() {
    for (SDL_Texture* t : impl_->images)
        if (t) SDL_DestroyTexture(t);
    if (impl_->background) SDL_DestroyTexture(impl_->background);
    if (impl_->renderer) SDL_DestroyRenderer(impl_->renderer);
    if (impl_->surface) SDL_FreeSurface(impl_->surface);
}

bool BusySceneOnSdl::IsReady() const {
    if (!impl_->renderer || !impl_->background) return false;
    for (SDL_Texture* t : impl_->images)
        if (!t) return false;
    return true;
}

void BusySceneOnSdl::DrawFrame() {
    Impl& m = *impl_;
    static const int indices[6] = {0, 1, 2, 0, 2, 3};
    // SDL puts pixel centres at +0.5: its corners are the device's plus half a pixel.
    auto vertex = [](const TexturedVertex& v) {
        SDL_Vertex out;
        out.position = SDL_FPoint{v.x + 0.5f, v.y + 0.5f};
        out.color =
            SDL_Color{Uint8(v.colour >> 16), Uint8(v.colour >> 8), Uint8(v.colour), Uint8(v.colour >> 24)};
        out.tex_coord = SDL_FPoint{v.u, v.v};
        return out;
    };
    const float vEnd = 768.0f / 1024.0f, w = BusyScene::kWidth, h = BusyScene::kHeight;
    const SDL_Color white{255, 255, 255, 255};
    const SDL_Vertex backdrop[4] = {{{0, 0}, white, {0, 0}},
                                    {{w, 0}, white, {1, 0}},
                                    {{w, h}, white, {1, vEnd}},
                                    {{0, h}, white, {0, vEnd}}};
    SDL_RenderGeometry(m.renderer, m.background, backdrop, 4, indices, 6);
    for (const BusyScene::Sprite& s : m.scene.sprites) {
        SDL_Vertex v[4];
        for (int k = 0; k < 4; ++k)
            v[k] = vertex(s.corners[k]);
        SDL_Texture* t = m.images[s.image];
        SDL_SetTextureBlendMode(t, s.additive ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND);
        SDL_RenderGeometry(m.renderer, t, v, 4, indices, 6);
    }
    SDL_RenderFlush(m.renderer);
}

FrameView BusySceneOnSdl::Frame() const {
    const SDL_Surface* s = impl_->surface;
    if (!s) return {};
    return FrameView{static_cast<const uint32_t*>(s->pixels), s->w, s->h, s->pitch / 4};
}

} // namespace platform

#include "platform/SoftwareDevice.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {
namespace {

constexpr uint32_t kMaxTextureSize = 4096;
constexpr uint32_t kMaxBackBufferSize = 16384;

DeviceCaps SoftwareCaps() {
    DeviceCaps caps;
    caps.devCaps = kDevCapsHardwareTransform;
    caps.textureCaps = kTextureCapsPow2;
    caps.primitiveMiscCaps = 0;
    caps.presentationIntervals = kPresentIntervalOne | kPresentIntervalImmediate;
    caps.maxTextureWidth = kMaxTextureSize;
    caps.maxTextureHeight = kMaxTextureSize;
    caps.nonPowerOfTwoTextures = false;
    return caps;
}

bool IsBackBufferFormat(Format f) {
    return f == Format::X8R8G8B8 || f == Format::A8R8G8B8;
}

uint32_t VertexSize(uint32_t fvf) {
    return 12 + ((fvf & kFvfDiffuse) ? 4 : 0) + ((fvf & kFvfTex1) ? 8 : 0);
}

uint32_t VertexCount(PrimitiveType type, uint32_t count) {
    switch (type) {
    case PrimitiveType::TriangleList:
        return count * 3;
    case PrimitiveType::TriangleFan:
        return count + 2;
    case PrimitiveType::LineStrip:
        return count + 1;
    default:
        return 0;
    }
}

// One state of a stage or sampler table: a row or state past the table's end
// is refused, and a lost device keeps the states it had.
template <size_t Rows, size_t Count>
Result StoreState(uint32_t (&table)[Rows][Count], uint32_t row, uint32_t index, uint32_t value, bool lost) {
    if (row >= Rows || index >= Count) return kErrInvalidCall;
    if (!lost) table[row][index] = value;
    return kOk;
}

template <size_t Rows, size_t Count>
Result LoadState(const uint32_t (&table)[Rows][Count], uint32_t row, uint32_t index, uint32_t* value) {
    if (row >= Rows || index >= Count || !value) return kErrInvalidCall;
    *value = table[row][index];
    return kOk;
}

// Runs `allocate`: false when the memory cannot hold what it asks for. The
// back buffer is the device's one large allocation, sized by the screen mode,
// so one the memory cannot hold fails the creation or reset as out of memory
// and the caller can choose a smaller mode. The program's new-handler is kept
// out of it: that one stands for the allocations the program cannot do without.
template <typename Allocate> bool AllocateBackBuffer(Allocate&& allocate) {
    const std::new_handler handler = std::set_new_handler(nullptr);
    bool allocated = true;
    try {
        allocate();
    } catch (const std::bad_alloc&) {
        allocated = false;
    }
    std::set_new_handler(handler);
    return allocated;
}

} // namespace

Result CheckPresentParameters(const PresentParameters& p) {
    if (p.backBufferWidth == 0 || p.backBufferHeight == 0 || p.backBufferWidth > kMaxBackBufferSize ||
        p.backBufferHeight > kMaxBackBufferSize)
        return kErrInvalidCall;
    if (!IsBackBufferFormat(p.backBufferFormat)) return kErrNotAvailable;
    return kOk;
}

SoftwareDevice::SoftwareDevice(const PresentParameters& parameters, FrameSink* sink)
    : parameters_(parameters), sink_(sink), caps_(SoftwareCaps()),
      frame_(static_cast<size_t>(parameters.backBufferWidth) * parameters.backBufferHeight, 0u) {
    RestoreDefaultStates();
}

// The states a freshly created or reset device starts with.
void SoftwareDevice::RestoreDefaultStates() {
    std::fill(std::begin(renderStates_), std::end(renderStates_), 0u);
    auto rs = [&](RenderState s, uint32_t v) { renderStates_[static_cast<uint32_t>(s)] = v; };
    rs(RenderState::ZEnable, parameters_.enableAutoDepthStencil ? 1 : 0);
    rs(RenderState::FillMode, 3);
    rs(RenderState::ShadeMode, 2);
    rs(RenderState::ZWriteEnable, 1);
    rs(RenderState::LastPixel, 1);
    rs(RenderState::SrcBlend, static_cast<uint32_t>(Blend::One));
    rs(RenderState::DestBlend, static_cast<uint32_t>(Blend::Zero));
    rs(RenderState::CullMode, static_cast<uint32_t>(CullMode::CounterClockwise));
    rs(RenderState::ZFunc, static_cast<uint32_t>(CompareFunc::LessEqual));
    rs(RenderState::AlphaFunc, static_cast<uint32_t>(CompareFunc::Always));
    rs(RenderState::StencilFail, 1);
    rs(RenderState::StencilZFail, 1);
    rs(RenderState::StencilPass, 1);
    rs(RenderState::StencilFunc, static_cast<uint32_t>(CompareFunc::Always));
    rs(RenderState::StencilMask, 0xFFFFFFFFu);
    rs(RenderState::StencilWriteMask, 0xFFFFFFFFu);
    rs(RenderState::TextureFactor, 0xFFFFFFFFu);
    rs(RenderState::Clipping, 1);
    rs(RenderState::Lighting, 1);
    rs(RenderState::ColorWriteEnable, 0xF);
    rs(RenderState::BlendOp, 1);

    for (uint32_t stage = 0; stage < kTextureStageCount; ++stage) {
        uint32_t* s = stageStates_[stage];
        std::fill(s, s + kTextureStageStateCount, 0u);
        bool first = stage == 0;
        s[static_cast<uint32_t>(TextureStageState::ColorOp)] =
            static_cast<uint32_t>(first ? TextureOp::Modulate : TextureOp::Disable);
        s[static_cast<uint32_t>(TextureStageState::ColorArg1)] = kArgTexture;
        s[static_cast<uint32_t>(TextureStageState::ColorArg2)] = kArgCurrent;
        s[static_cast<uint32_t>(TextureStageState::AlphaOp)] =
            static_cast<uint32_t>(first ? TextureOp::SelectArg1 : TextureOp::Disable);
        s[static_cast<uint32_t>(TextureStageState::AlphaArg1)] = kArgTexture;
        s[static_cast<uint32_t>(TextureStageState::AlphaArg2)] = kArgCurrent;
    }
    for (uint32_t sampler = 0; sampler < kSamplerCount; ++sampler) {
        uint32_t* s = samplerStates_[sampler];
        std::fill(s, s + kSamplerStateCount, 0u);
        s[static_cast<uint32_t>(SamplerState::AddressU)] = static_cast<uint32_t>(TextureAddress::Wrap);
        s[static_cast<uint32_t>(SamplerState::AddressV)] = static_cast<uint32_t>(TextureAddress::Wrap);
        s[static_cast<uint32_t>(SamplerState::AddressW)] = static_cast<uint32_t>(TextureAddress::Wrap);
        s[static_cast<uint32_t>(SamplerState::MagFilter)] = static_cast<uint32_t>(TextureFilter::Point);
        s[static_cast<uint32_t>(SamplerState::MinFilter)] = static_cast<uint32_t>(TextureFilter::Point);
        s[static_cast<uint32_t>(SamplerState::MipFilter)] = static_cast<uint32_t>(TextureFilter::None);
    }
    for (TexturePtr& t : textures_)
        t.reset();
    world_ = view_ = projection_ = Matrix::Identity();
    viewport_ = Viewport{0, 0, parameters_.backBufferWidth, parameters_.backBufferHeight, 0.0f, 1.0f};
    scissor_ = PixelRect{0, 0, int32_t(parameters_.backBufferWidth), int32_t(parameters_.backBufferHeight)};
    fvf_ = 0;
    inScene_ = false;
}

Result SoftwareDevice::CreateTexture(uint32_t width, uint32_t height, Format format, Pool pool,
                                     TexturePtr* out) {
    if (!out) return kErrInvalidCall;
    out->reset();
    if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize ||
        !IsTextureFormat(format))
        return kErrInvalidCall;
    *out = std::make_shared<Texture>(width, height, format, pool);
    return kOk;
}

Result SoftwareDevice::SetRenderState(RenderState state, uint32_t value) {
    uint32_t index = static_cast<uint32_t>(state);
    if (index >= kRenderStateCount) return kErrInvalidCall;
    if (!lost_) renderStates_[index] = value;
    return kOk;
}

Result SoftwareDevice::GetRenderState(RenderState state, uint32_t* value) {
    uint32_t index = static_cast<uint32_t>(state);
    if (index >= kRenderStateCount || !value) return kErrInvalidCall;
    *value = renderStates_[index];
    return kOk;
}

Result SoftwareDevice::SetTextureStageState(uint32_t stage, TextureStageState type, uint32_t value) {
    return StoreState(stageStates_, stage, static_cast<uint32_t>(type), value, lost_);
}

Result SoftwareDevice::GetTextureStageState(uint32_t stage, TextureStageState type, uint32_t* value) {
    return LoadState(stageStates_, stage, static_cast<uint32_t>(type), value);
}

Result SoftwareDevice::SetSamplerState(uint32_t sampler, SamplerState type, uint32_t value) {
    return StoreState(samplerStates_, sampler, static_cast<uint32_t>(type), value, lost_);
}

Result SoftwareDevice::GetSamplerState(uint32_t sampler, SamplerState type, uint32_t* value) {
    return LoadState(samplerStates_, sampler, static_cast<uint32_t>(type), value);
}

Result SoftwareDevice::SetTexture(uint32_t stage, const TexturePtr& texture) {
    if (stage >= kTextureStageCount) return kErrInvalidCall;
    if (!lost_) textures_[stage] = texture;
    return kOk;
}

Matrix* SoftwareDevice::TransformSlot(TransformState state) {
    switch (state) {
    case TransformState::World:
        return &world_;
    case TransformState::View:
        return &view_;
    case TransformState::Projection:
        return &projection_;
    }
    return nullptr;
}

Result SoftwareDevice::SetTransform(TransformState state, const Matrix& matrix) {
    Matrix* slot = TransformSlot(state);
    if (!slot) return kErrInvalidCall;
    if (!lost_) *slot = matrix;
    return kOk;
}

Result SoftwareDevice::GetTransform(TransformState state, Matrix* matrix) {
    Matrix* slot = TransformSlot(state);
    if (!slot || !matrix) return kErrInvalidCall;
    *matrix = *slot;
    return kOk;
}

Result SoftwareDevice::SetViewport(const Viewport& viewport) {
    if (viewport.width == 0 || viewport.height == 0 ||
        uint64_t(viewport.x) + viewport.width > parameters_.backBufferWidth ||
        uint64_t(viewport.y) + viewport.height > parameters_.backBufferHeight)
        return kErrInvalidCall;
    if (!lost_) viewport_ = viewport;
    return kOk;
}

Result SoftwareDevice::GetViewport(Viewport* viewport) {
    if (!viewport) return kErrInvalidCall;
    *viewport = viewport_;
    return kOk;
}

Result SoftwareDevice::SetScissorRect(const PixelRect& rect) {
    if (rect.right < rect.left || rect.bottom < rect.top) return kErrInvalidCall;
    if (!lost_) scissor_ = rect;
    return kOk;
}

Result SoftwareDevice::SetVertexFormat(uint32_t fvf) {
    if (!lost_) fvf_ = fvf;
    return kOk;
}

raster::ClipRect SoftwareDevice::ViewportClip() const {
    return raster::ClipRect{static_cast<int>(viewport_.x), static_cast<int>(viewport_.y),
                            static_cast<int>(viewport_.x + viewport_.width),
                            static_cast<int>(viewport_.y + viewport_.height)};
}

raster::ClipRect SoftwareDevice::DrawClip() const {
    raster::ClipRect clip = ViewportClip();
    if (renderStates_[static_cast<uint32_t>(RenderState::ScissorTestEnable)] == 0) return clip;
    clip.x0 = std::max(clip.x0, scissor_.left);
    clip.y0 = std::max(clip.y0, scissor_.top);
    clip.x1 = std::max(clip.x0, std::min(clip.x1, scissor_.right));
    clip.y1 = std::max(clip.y0, std::min(clip.y1, scissor_.bottom));
    return clip;
}

raster::PixelState SoftwareDevice::ResolvePixelState() {
    raster::PixelState ps;
    auto rs = [&](RenderState s) { return renderStates_[static_cast<uint32_t>(s)]; };
    const uint32_t* stage = stageStates_[0];
    const uint32_t* sampler = samplerStates_[0];
    if (Texture* texture = textures_[0].get()) {
        ps.texels = texture->Expanded();
        ps.opaque = texture->ExpandedOpaque();
        ps.translucentRuns = texture->TranslucentRuns();
        ps.textureWidth = static_cast<int>(texture->Width());
        ps.textureHeight = static_cast<int>(texture->Height());
    }
    auto op = [](uint32_t v) { return (v >= 1 && v <= 11) ? static_cast<TextureOp>(v) : TextureOp::Disable; };
    ps.colorOp = op(stage[static_cast<uint32_t>(TextureStageState::ColorOp)]);
    ps.alphaOp = op(stage[static_cast<uint32_t>(TextureStageState::AlphaOp)]);
    auto filter = [](uint32_t v) { return v == 2 ? TextureFilter::Linear : TextureFilter::Point; };
    ps.minFilter = filter(sampler[static_cast<uint32_t>(SamplerState::MinFilter)]);
    ps.magFilter = filter(sampler[static_cast<uint32_t>(SamplerState::MagFilter)]);
    auto address = [](uint32_t v) {
        return (v >= 1 && v <= 5) ? static_cast<TextureAddress>(v) : TextureAddress::Wrap;
    };
    ps.addressU = address(sampler[static_cast<uint32_t>(SamplerState::AddressU)]);
    ps.addressV = address(sampler[static_cast<uint32_t>(SamplerState::AddressV)]);
    ps.borderColour = sampler[static_cast<uint32_t>(SamplerState::BorderColor)];
    ps.alphaTest = rs(RenderState::AlphaTestEnable) != 0;
    uint32_t func = rs(RenderState::AlphaFunc);
    ps.alphaFunc = (func >= 1 && func <= 8) ? static_cast<CompareFunc>(func) : CompareFunc::Always;
    ps.alphaRef = rs(RenderState::AlphaRef);
    ps.blend = rs(RenderState::AlphaBlendEnable) != 0;
    auto blend = [](uint32_t v, Blend fallback) {
        return (v >= 1 && v <= 11) ? static_cast<Blend>(v) : fallback;
    };
    ps.srcBlend = blend(rs(RenderState::SrcBlend), Blend::One);
    ps.destBlend = blend(rs(RenderState::DestBlend), Blend::Zero);
    uint32_t cull = rs(RenderState::CullMode);
    ps.cull = (cull >= 1 && cull <= 3) ? static_cast<CullMode>(cull) : CullMode::None;
    ps.lastPixel = rs(RenderState::LastPixel) != 0;
    return ps;
}

Result SoftwareDevice::DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                       uint32_t stride) {
    if (!vertices) return kErrInvalidCall;
    if (lost_ || primitiveCount == 0) return kOk;
    if (!inScene_) return kErrInvalidCall;
    const uint32_t count = VertexCount(type, primitiveCount);
    if (count == 0 || !(fvf_ & kFvfXyz) || stride < VertexSize(fvf_)) return kErrInvalidCall;
    if (!rasterizing_) return kOk;

    // Transform every vertex to screen space: pixels, y down, as the viewport maps them.
    const Matrix m = world_ * view_ * projection_;
    const float halfW = viewport_.width * 0.5f, halfH = viewport_.height * 0.5f;
    const uint32_t colourOffset = 12, texOffset = (fvf_ & kFvfDiffuse) ? 16 : 12;
    screenVertices_.resize(count);
    const uint8_t* p = static_cast<const uint8_t*>(vertices);
    for (uint32_t i = 0; i < count; ++i, p += stride) {
        float in[3];
        std::memcpy(in, p, sizeof in);
        float out[4];
        for (int j = 0; j < 4; ++j)
            out[j] = in[0] * m.m[0][j] + in[1] * m.m[1][j] + in[2] * m.m[2][j] + m.m[3][j];
        const float w = out[3] != 0.0f ? out[3] : 1.0f;
        raster::ScreenVertex& v = screenVertices_[i];
        v.x = viewport_.x + (out[0] / w + 1.0f) * halfW;
        v.y = viewport_.y + (1.0f - out[1] / w) * halfH;
        v.colour = 0xFFFFFFFFu;
        if (fvf_ & kFvfDiffuse) std::memcpy(&v.colour, p + colourOffset, 4);
        v.u = v.v = 0.0f;
        if (fvf_ & kFvfTex1) {
            std::memcpy(&v.u, p + texOffset, 4);
            std::memcpy(&v.v, p + texOffset + 4, 4);
        }
    }

    const raster::PixelState ps = ResolvePixelState();
    const raster::ClipRect clip = DrawClip();
    const raster::Surface target = Target();
    const raster::ScreenVertex* v = screenVertices_.data();
    if (pendingClear_.active) {
        raster::ClipRect drawn;
        if (type == PrimitiveType::TriangleFan && primitiveCount == 2 &&
            raster::OverwrittenRectangle(clip, ps, v, &drawn))
            CoverPendingClear(drawn);
        else
            WritePendingClear();
    }
    switch (type) {
    case PrimitiveType::TriangleFan:
        if (primitiveCount == 2 && raster::DrawRectangle(target, clip, ps, v)) break;
        for (uint32_t i = 0; i < primitiveCount; ++i)
            raster::DrawTriangle(target, clip, ps, v[0], v[i + 1], v[i + 2]);
        break;
    case PrimitiveType::TriangleList:
        for (uint32_t i = 0; i < primitiveCount; ++i)
            raster::DrawTriangle(target, clip, ps, v[3 * i], v[3 * i + 1], v[3 * i + 2]);
        break;
    case PrimitiveType::LineStrip:
        for (uint32_t i = 0; i < primitiveCount; ++i)
            raster::DrawLine(target, clip, ps, v[i], v[i + 1], ps.lastPixel && i + 1 == primitiveCount);
        break;
    default:
        break;
    }
    return kOk;
}

Result SoftwareDevice::Clear(uint32_t flags, uint32_t colour, float, uint32_t) {
    if (lost_) return kOk;
    if ((flags & kClearTarget) && rasterizing_) {
        const raster::ClipRect rect = ViewportClip();
        PendingClear& p = pendingClear_;
        // A pending clear that this one covers whole is replaced; any other is written first.
        const bool covers = p.active && rect.x0 <= p.rect.x0 && rect.y0 <= p.rect.y0 &&
                            rect.x1 >= p.rect.x1 && rect.y1 >= p.rect.y1;
        if (!covers) WritePendingClear();
        if (rect.x0 >= rect.x1 || rect.y0 >= rect.y1) return kOk;
        p.active = true;
        p.colour = colour;
        p.rect = rect;
        p.drawn.assign(static_cast<size_t>(rect.y1 - rect.y0), {rect.x0, rect.x0});
    }
    return kOk;
}

raster::Surface SoftwareDevice::Target() const {
    return raster::Surface{frame_.data(), static_cast<int>(parameters_.backBufferWidth),
                           static_cast<int>(parameters_.backBufferHeight),
                           static_cast<int>(parameters_.backBufferWidth)};
}

// Columns drawn over in a row stay one interval: a rectangle that meets or
// overlaps it widens it; one apart from it has the row's clear written first.
void SoftwareDevice::CoverPendingClear(const raster::ClipRect& drawn) {
    PendingClear& p = pendingClear_;
    const int x0 = std::max(drawn.x0, p.rect.x0), x1 = std::min(drawn.x1, p.rect.x1);
    if (x0 >= x1) return;
    for (int y = std::max(drawn.y0, p.rect.y0); y < std::min(drawn.y1, p.rect.y1); ++y) {
        std::pair<int, int>& row = p.drawn[static_cast<size_t>(y - p.rect.y0)];
        if (row.first >= row.second) {
            row = {x0, x1};
        } else if (x0 <= row.second && x1 >= row.first) {
            row = {std::min(row.first, x0), std::max(row.second, x1)};
        } else {
            FillAroundDrawn(y);
            row = {p.rect.x0, p.rect.x1};
        }
    }
}

void SoftwareDevice::WritePendingClear() const {
    PendingClear& p = pendingClear_;
    if (!p.active) return;
    p.active = false;
    for (int y = p.rect.y0; y < p.rect.y1; ++y)
        FillAroundDrawn(y);
}

void SoftwareDevice::FillAroundDrawn(int y) const {
    const PendingClear& p = pendingClear_;
    const std::pair<int, int> row = p.drawn[static_cast<size_t>(y - p.rect.y0)];
    const raster::Surface target = Target();
    raster::Fill(target, raster::ClipRect{p.rect.x0, y, row.first, y + 1}, p.colour);
    raster::Fill(target, raster::ClipRect{row.second, y, p.rect.x1, y + 1}, p.colour);
}

Result SoftwareDevice::BeginScene() {
    if (inScene_) return kErrInvalidCall;
    inScene_ = true;
    return kOk;
}

Result SoftwareDevice::EndScene() {
    if (!inScene_) return kErrInvalidCall;
    inScene_ = false;
    return lost_ ? kErrDeviceLost : kOk;
}

Result SoftwareDevice::Present() {
    if (lost_) return kErrDeviceLost;
    if (!sink_) return kOk;
    WritePendingClear();
    if (rasterizing_)
        sink_->ShowFrame(frame_.data(), static_cast<int>(parameters_.backBufferWidth),
                         static_cast<int>(parameters_.backBufferHeight),
                         static_cast<int>(parameters_.backBufferWidth));
    // Interval "one" without a display that waits for its refresh: pace to 60 Hz.
    if (parameters_.presentationInterval != kPresentIntervalImmediate && !sink_->PacesToDisplay())
        PaceToRefresh();
    return kOk;
}

// The n-th frame after the pacing began is shown no earlier than n * 1000 / 60
// ms after it, so in virtual time the frames are exactly 1000 / 60 ms apart
// on average. A frame late by a whole period or more begins the count afresh
// rather than hurrying the next ones.
void SoftwareDevice::PaceToRefresh() {
    constexpr uint32_t kRate = 60;
    const uint32_t now = Milliseconds();
    if (!pacing_) {
        pacing_ = true;
        paceStart_ = now;
        pacedFrames_ = 0;
        return;
    }
    ++pacedFrames_;
    const uint32_t due = pacedFrames_ * 1000 / kRate;
    const uint32_t elapsed = now - paceStart_;
    if (elapsed < due) {
        SleepMilliseconds(due - elapsed);
    } else if (elapsed - due >= 1000 / kRate) {
        paceStart_ = now;
        pacedFrames_ = 0;
    }
    if (pacedFrames_ == kRate) {
        paceStart_ += 1000;
        pacedFrames_ = 0;
    }
}

Result SoftwareDevice::TestCooperativeLevel() {
    if (!lost_) return kOk;
    return lossCause_ ? kErrDeviceLost : kErrDeviceNotReset;
}

Result SoftwareDevice::Reset(const PresentParameters& parameters) {
    if (lossCause_) return kErrDeviceLost;
    if (Result r = CheckPresentParameters(parameters); Failed(r)) return r;
    const size_t pixels = static_cast<size_t>(parameters.backBufferWidth) * parameters.backBufferHeight;
    // The old buffer goes first, so that only one is held; a failure leaves
    // a lost device with an empty one.
    frame_ = {};
    if (!AllocateBackBuffer([&] { frame_.assign(pixels, 0u); })) {
        parameters_.backBufferWidth = parameters_.backBufferHeight = 0;
        pendingClear_.active = false;
        lost_ = true;
        return kErrOutOfMemory;
    }
    parameters_ = parameters;
    pendingClear_.active = false;
    RestoreDefaultStates();
    lost_ = false;
    return kOk;
}

void SoftwareDevice::SetLossCause(bool active) {
    lossCause_ = active;
    if (active) lost_ = true;
}

FrameView SoftwareDevice::BackBuffer() const {
    WritePendingClear();
    return FrameView{frame_.data(), static_cast<int>(parameters_.backBufferWidth),
                     static_cast<int>(parameters_.backBufferHeight),
                     static_cast<int>(parameters_.backBufferWidth)};
}

// ---------------------------------------------------------------- adapters

uint32_t AdapterCount() {
    return 1;
}

Result GetAdapterIdentifier(uint32_t adapter, AdapterIdentifier* out) {
    if (adapter != 0 || !out) return kErrInvalidCall;
    out->description = "Verbolunde software rasteriser";
    out->driver = "software";
    out->driverVersion = uint64_t(1) << 48; // 1.0.0.0
    out->vendorId = 0;
    out->deviceId = 0;
    return kOk;
}

Result GetDeviceCaps(uint32_t adapter, DeviceCaps* out) {
    if (adapter != 0 || !out) return kErrInvalidCall;
    *out = SoftwareCaps();
    return kOk;
}

Result CheckDeviceType(uint32_t adapter, Format displayFormat, Format backBufferFormat, bool) {
    if (adapter != 0) return kErrInvalidCall;
    return IsBackBufferFormat(displayFormat) && IsBackBufferFormat(backBufferFormat) ? kOk : kErrNotAvailable;
}

Result CheckTextureFormat(uint32_t adapter, Format format) {
    if (adapter != 0) return kErrInvalidCall;
    return IsTextureFormat(format) ? kOk : kErrNotAvailable;
}

bool BackBufferFits(uint32_t width, uint32_t height) {
    const size_t bytes = size_t(width) * height * sizeof(uint32_t);
    return AllocateBackBuffer([&] { ::operator delete(::operator new(bytes)); });
}

Result CreateDevice(uint32_t adapter, const PresentParameters& parameters, FrameSink* sink,
                    std::unique_ptr<GraphicsDevice>* out) {
    if (adapter != 0 || !out) return kErrInvalidCall;
    out->reset();
    if (Result r = CheckPresentParameters(parameters); Failed(r)) return r;
    if (!AllocateBackBuffer([&] { *out = std::make_unique<SoftwareDevice>(parameters, sink); }))
        return kErrOutOfMemory;
    return kOk;
}

} // namespace platform

#pragma once
#include "platform/Format.h"
#include "platform/ResultCodes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The graphics device the engine draws through. Its states, formats and codes
// carry the numbers the engine stores in settings and data, so every enum
// below keeps the historical numbering under names of our own.
namespace platform {

// ---------------------------------------------------------------- states

enum class RenderState : uint32_t {
    ZEnable = 7,
    FillMode = 8,
    ShadeMode = 9,
    ZWriteEnable = 14,
    AlphaTestEnable = 15,
    LastPixel = 16,
    SrcBlend = 19,
    DestBlend = 20,
    CullMode = 22,
    ZFunc = 23,
    AlphaRef = 24,
    AlphaFunc = 25,
    DitherEnable = 26,
    AlphaBlendEnable = 27,
    FogEnable = 28,
    SpecularEnable = 29,
    StencilEnable = 52,
    StencilFail = 53,
    StencilZFail = 54,
    StencilPass = 55,
    StencilFunc = 56,
    StencilRef = 57,
    StencilMask = 58,
    StencilWriteMask = 59,
    TextureFactor = 60,
    Clipping = 136,
    Lighting = 137,
    ColorWriteEnable = 168,
    BlendOp = 171,
    ScissorTestEnable = 174,
};
constexpr uint32_t kRenderStateCount = 256;

enum class Blend : uint32_t {
    Zero = 1,
    One = 2,
    SrcColor = 3,
    InvSrcColor = 4,
    SrcAlpha = 5,
    InvSrcAlpha = 6,
    DestAlpha = 7,
    InvDestAlpha = 8,
    DestColor = 9,
    InvDestColor = 10,
    SrcAlphaSat = 11,
};

enum class CompareFunc : uint32_t {
    Never = 1,
    Less = 2,
    Equal = 3,
    LessEqual = 4,
    Greater = 5,
    NotEqual = 6,
    GreaterEqual = 7,
    Always = 8,
};

enum class CullMode : uint32_t { None = 1, Clockwise = 2, CounterClockwise = 3 };

enum class TextureStageState : uint32_t {
    ColorOp = 1,
    ColorArg1 = 2,
    ColorArg2 = 3,
    AlphaOp = 4,
    AlphaArg1 = 5,
    AlphaArg2 = 6,
};
constexpr uint32_t kTextureStageStateCount = 33;
constexpr uint32_t kTextureStageCount = 8;

// Stage operations; argument 1 is the texture, argument 2 the vertex colour.
enum class TextureOp : uint32_t {
    Disable = 1,
    SelectArg1 = 2,
    SelectArg2 = 3,
    Modulate = 4,
    Modulate2x = 5,
    Modulate4x = 6,
    Add = 7,
    AddSigned = 8,
    AddSigned2x = 9,
    Subtract = 10,
    AddSmooth = 11,
};

// Stage argument sources (recorded; stage 0 always reads texture and vertex colour).
constexpr uint32_t kArgDiffuse = 0;
constexpr uint32_t kArgCurrent = 1;
constexpr uint32_t kArgTexture = 2;

enum class SamplerState : uint32_t {
    AddressU = 1,
    AddressV = 2,
    AddressW = 3,
    BorderColor = 4,
    MagFilter = 5,
    MinFilter = 6,
    MipFilter = 7,
};
constexpr uint32_t kSamplerStateCount = 14;
constexpr uint32_t kSamplerCount = 8;

enum class TextureFilter : uint32_t { None = 0, Point = 1, Linear = 2 };
enum class TextureAddress : uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4, MirrorOnce = 5 };

enum class TransformState : uint32_t { View = 2, Projection = 3, World = 256 };

enum class PrimitiveType : uint32_t {
    PointList = 1,
    LineList = 2,
    LineStrip = 3,
    TriangleList = 4,
    TriangleStrip = 5,
    TriangleFan = 6,
};

// Vertex format flags: position, then colour, then one pair of texture coordinates.
constexpr uint32_t kFvfXyz = 0x002;
constexpr uint32_t kFvfDiffuse = 0x040;
constexpr uint32_t kFvfTex1 = 0x100;
constexpr uint32_t kFvfTexturedVertex = kFvfXyz | kFvfDiffuse | kFvfTex1; // 0x142
constexpr uint32_t kFvfColouredVertex = kFvfXyz | kFvfDiffuse;            // 0x42

constexpr uint32_t kClearTarget = 1;
constexpr uint32_t kClearZBuffer = 2;
constexpr uint32_t kClearStencil = 4;

constexpr uint32_t kLockReadOnly = 0x10;
constexpr uint32_t kLockNoSysLock = 0x800;
constexpr uint32_t kLockDiscard = 0x2000;

constexpr uint32_t kPresentIntervalDefault = 0;
constexpr uint32_t kPresentIntervalOne = 1;
constexpr uint32_t kPresentIntervalImmediate = 0x80000000u;

constexpr uint32_t kDevCapsHardwareTransform = 0x10000;
constexpr uint32_t kTextureCapsPow2 = 0x2;
constexpr uint32_t kMiscCapsColorWriteEnable = 0x80;

enum class Pool : uint32_t { Default = 0, Managed = 1, SystemMemory = 2 };

// ---------------------------------------------------------------- records

// Row-vector 4x4 matrix: a point (x, y, z, 1) times the matrix.
struct Matrix {
    float m[4][4];
    static Matrix Identity();
    Matrix operator*(const Matrix& other) const;
    bool operator==(const Matrix& other) const;
};

struct TexturedVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(TexturedVertex) == 24);

struct ColouredVertex {
    float x, y, z;
    uint32_t colour;
};
static_assert(sizeof(ColouredVertex) == 16);

struct Viewport {
    uint32_t x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};

// A rectangle of the target in pixels, right and bottom excluded.
struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct PresentParameters {
    uint32_t backBufferWidth = 800;
    uint32_t backBufferHeight = 600;
    Format backBufferFormat = Format::X8R8G8B8;
    bool windowed = true;
    bool enableAutoDepthStencil = false;
    Format depthStencilFormat = Format::D16;
    uint32_t fullScreenRefreshRate = 0;
    uint32_t presentationInterval = kPresentIntervalImmediate;
};

struct DeviceCaps {
    uint32_t devCaps = 0;
    uint32_t textureCaps = 0;
    uint32_t primitiveMiscCaps = 0;
    uint32_t presentationIntervals = 0;
    uint32_t maxTextureWidth = 0;
    uint32_t maxTextureHeight = 0;
    bool nonPowerOfTwoTextures = false;
};

struct AdapterIdentifier {
    std::string description;
    std::string driver;
    uint64_t driverVersion = 0; // four 16-bit parts, most significant first
    uint32_t vendorId = 0;
    uint32_t deviceId = 0;
};

struct LockedRect {
    int32_t pitch = 0; // bytes per row
    void* bits = nullptr;
};

// A read-only view of 32-bit A8R8G8B8 pixels.
struct FrameView {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitchInPixels = 0;
};

// ---------------------------------------------------------------- texture

// The first and last texel of a row whose alpha is below 255; first > last
// when the whole row is opaque.
struct TranslucentRun {
    int32_t first, last;
};

// One texture level held in system memory in its own format. Sampling reads a
// copy expanded to A8R8G8B8 that is rebuilt after each write lock.
class Texture {
  public:
    Texture(uint32_t width, uint32_t height, Format format, Pool pool);
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    Format GetFormat() const { return format_; }
    Pool GetPool() const { return pool_; }
    bool IsLocked() const { return locked_; }

    // Locks the whole level; the pitch is exactly one row of the format.
    Result Lock(uint32_t flags, LockedRect* out);
    Result Unlock();

    // The level expanded to A8R8G8B8, width x height, rows back to back.
    const uint32_t* Expanded();
    // Whether every expanded texel has alpha 255 (found when the copy is
    // rebuilt): the rasteriser copies such texels where a blend would give
    // them back unchanged.
    bool ExpandedOpaque() {
        Expanded();
        return expandedOpaque_;
    }
    // One run a row of the expanded level (padding around a picture leaves
    // its own rows and columns opaque).
    const TranslucentRun* TranslucentRuns() {
        Expanded();
        return translucentRuns_.data();
    }

  private:
    uint32_t width_, height_;
    Format format_;
    Pool pool_;
    bool locked_ = false;
    bool lockedForWrite_ = false;
    bool expandedValid_ = false;
    bool expandedOpaque_ = false;
    std::vector<uint8_t> bits_;
    std::vector<uint32_t> expanded_;
    std::vector<TranslucentRun> translucentRuns_;
};

using TexturePtr = std::shared_ptr<Texture>;

// ---------------------------------------------------------------- presentation

// Where presented frames go: the window backend shows them, the headless one
// keeps them. The pixels are valid only during the call.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual void ShowFrame(const uint32_t* pixels, int width, int height, int pitchInPixels) = 0;
    // True when the sink itself waits for the display (vertical sync); otherwise
    // the device paces presentation interval "one" to about 60 frames a second.
    virtual bool PacesToDisplay() const { return false; }
};

// ---------------------------------------------------------------- device

class GraphicsDevice {
  public:
    virtual ~GraphicsDevice() = default;

    virtual Result CreateTexture(uint32_t width, uint32_t height, Format format, Pool pool,
                                 TexturePtr* out) = 0;

    virtual Result SetRenderState(RenderState state, uint32_t value) = 0;
    virtual Result GetRenderState(RenderState state, uint32_t* value) = 0;
    virtual Result SetTextureStageState(uint32_t stage, TextureStageState type, uint32_t value) = 0;
    virtual Result GetTextureStageState(uint32_t stage, TextureStageState type, uint32_t* value) = 0;
    virtual Result SetSamplerState(uint32_t sampler, SamplerState type, uint32_t value) = 0;
    virtual Result GetSamplerState(uint32_t sampler, SamplerState type, uint32_t* value) = 0;
    virtual Result SetTexture(uint32_t stage, const TexturePtr& texture) = 0;
    virtual Result SetTransform(TransformState state, const Matrix& matrix) = 0;
    virtual Result GetTransform(TransformState state, Matrix* matrix) = 0;
    virtual Result SetViewport(const Viewport& viewport) = 0;
    virtual Result GetViewport(Viewport* viewport) = 0;
    // While ScissorTestEnable is on, draws touch only this part of the target
    // (the whole target after a reset).
    virtual Result SetScissorRect(const PixelRect& rect) = 0;
    virtual Result SetVertexFormat(uint32_t fvf) = 0;

    // Draws primitives from vertices in the caller's memory, laid out by the
    // current vertex format with the given stride.
    virtual Result DrawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                   uint32_t stride) = 0;
    // Fills the viewport of the target with the colour (other flags are accepted and ignored).
    virtual Result Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) = 0;

    virtual Result BeginScene() = 0;
    virtual Result EndScene() = 0;
    virtual Result Present() = 0;
    // While off (it is on from the start), draws and clears are checked and
    // accepted but touch no pixel, and Present shows nothing new yet paces as
    // it does: a headless run's undrawn frames run every screen's drawing
    // code, and the effects that code moves on, without the raster work.
    virtual void SetRasterizing(bool on) = 0;

    // Device loss: kOk while usable; kErrDeviceLost while the cause lasts;
    // kErrDeviceNotReset once Reset can bring it back.
    virtual Result TestCooperativeLevel() = 0;
    // Resizes the back buffer and restores every default state; textures survive.
    virtual Result Reset(const PresentParameters& parameters) = 0;
    // Starts (true) or ends (false) a cause of device loss: a minimised full-screen
    // window, or a test.
    virtual void SetLossCause(bool active) = 0;

    virtual const DeviceCaps& GetCaps() const = 0;
    // The back buffer as drawn so far; empty while there is none. A clear may be
    // written out only when the frame is asked for: ask again after one.
    virtual FrameView BackBuffer() const = 0;
};

// ---------------------------------------------------------------- adapters

// The device-creation side of the one adapter there is: the software device.
uint32_t AdapterCount();
Result GetAdapterIdentifier(uint32_t adapter, AdapterIdentifier* out);
Result GetDeviceCaps(uint32_t adapter, DeviceCaps* out);
// kOk when a device can show this back-buffer format on this display format.
Result CheckDeviceType(uint32_t adapter, Format displayFormat, Format backBufferFormat, bool windowed);
// kOk when textures can be created in the format.
Result CheckTextureFormat(uint32_t adapter, Format format);
// Whether the memory holds a back buffer of this size now: one is asked for
// and given back at once (its pages never touched). A device created or
// reset for a size that does not fit fails with kErrOutOfMemory.
bool BackBufferFits(uint32_t width, uint32_t height);
// Creates the software device; the sink (not owned, may be null) receives presented frames.
Result CreateDevice(uint32_t adapter, const PresentParameters& parameters, FrameSink* sink,
                    std::unique_ptr<GraphicsDevice>* out);

} // namespace platform

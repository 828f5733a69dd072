#pragma once
#include "engine/Bitmap.h"
#include "engine/NotifyObject.h"
#include "engine/Quad.h"
#include "engine/Viewer.h"
#include "foundation/Helpers.h"
#include "foundation/List.h"
#include "platform/GraphicsDevice.h"

#include <cstdint>
#include <memory>

// Textures: one device texture (a single level) plus what is needed to draw it
// as screen quads. A texture knows where its pixels come from (an image file,
// a bitmap or a texture source such as a pack entry) and makes its device
// texture only when asked, so that thousands of textures can be declared at
// start and loaded on first use.

class DXLTexture;
class DXLTextures;
namespace d3dx {
struct ImageInfo;
}

// Filter values of picture fitting: 1 leaves the picture unscaled in the
// top-left corner, 2 stretches it by nearest texel, anything else bilinearly.
constexpr uint32_t kImageFilterNone = 1;
constexpr uint32_t kImageFilterPoint = 2;
constexpr uint32_t kImageFilterLinear = 3;

// Edge flags: extend the picture's right column and bottom row into the padding.
constexpr uint32_t kEdgeExtendRight = 1;
constexpr uint32_t kEdgeExtendBottom = 2;

// Where a texture's pixels come from.
enum TextureSourceKind : int32_t {
    kSourceNone = 0,
    kSourceFile = 1,
    kSourceBitmap = 2,
    kSourceObject = 3,
};

// Notify codes a texture sends to its targets (code 1, kNotifyDestroyed, when
// it goes away).
constexpr uint32_t kNotifyTextureLoaded = 2;
constexpr uint32_t kNotifyTextureReleased = 3;

// Fills every field of a texture state record.
DXLTextureState MakeTextureState(uint32_t minFilter, uint32_t magFilter, uint32_t addressU, uint32_t addressV,
                                 uint32_t blend, uint32_t colorOp, uint32_t alphaOp);
// One filter for both filters, one address mode for U and V, one operation for
// colour and alpha.
DXLTextureState MakeTextureStateUniform(uint32_t filter, uint32_t address, uint32_t blend, uint32_t op);

// Something that can fill a texture on demand (the pack loader).
class DXLTextureSource {
  public:
    virtual ~DXLTextureSource() = default;
    // Loads the texture; success shows as the texture being live.
    virtual void Render(DXLTexture* texture) = 0;
};

class DXLTexture : public DXLDeviceObject {
  public:
    static constexpr int kNameSize = 32; // 31 characters and the terminator
    static constexpr int kMaxFileNameLength = 259;

    DXLTexture();
    explicit DXLTexture(DXLViewer* viewer);
    explicit DXLTexture(DXLTextures* collection);
    // Tells its targets it goes away, leaves its collection and its viewer.
    ~DXLTexture() override;

    void OnNotify(DXLNotifyObject* sender, uint32_t code) override;
    void OnDeviceEvent(DXLViewer* viewer, uint32_t event) override;
    // Binds the texture to stage 0 of its viewer; with applyState its state
    // record is applied too. False while locked, not live or without a viewer.
    virtual bool Bind(bool applyState);
    // Hands the state record to the viewer while bound.
    virtual void ApplyState();
    // With alsoViewer, unbinds stage 0 of the viewer when this texture is the
    // one bound there. Without it nothing is left to do: the viewer keeps the
    // only record of what is bound, and the next bind replaces it.
    void Unbind(bool alsoViewer);

    // ---- properties
    void SetName(const char16_t* name);
    const char16_t* GetName() const { return name_; }
    void SetViewer(DXLViewer* viewer) { ChangeViewer(viewer); }
    void SetCollection(DXLTextures* collection);
    DXLTextures* GetCollection() const { return collection_; }
    void SetRestorable(bool restorable) { restorable_ = restorable; }
    bool IsRestorable() const { return restorable_; }
    void SetImageFilter(uint32_t filter);
    uint32_t GetImageFilter() const { return imageFilter_; }
    void SetEdgeFlags(uint32_t flags);
    uint32_t GetEdgeFlags() const { return edgeFlags_; }
    void SetSourceKind(int32_t kind);
    int32_t GetSourceKind() const { return sourceKind_; }
    // Keeps a copy of at most 259 characters; null forgets the name.
    void SetFileName(const char16_t* fileName, bool switchKind);
    const char16_t* GetFileName() const { return fileName_.get(); }
    // The bitmap is not owned; the texture forgets it when it goes away.
    void SetSourceBitmap(DXLBitmap* bitmap, bool switchKind);
    DXLBitmap* GetSourceBitmap() const { return sourceBitmap_; }
    // The source is not owned.
    void SetSource(DXLTextureSource* source, bool switchKind);
    DXLTextureSource* GetSource() const { return source_; }
    // An alpha operation run on the pixels after every load (0 none).
    void SetAlphaMode(uint32_t mode, uint32_t argument) {
        alphaMode_ = mode;
        alphaArgument_ = argument;
    }

    // State record setters take effect at the next ApplyState.
    void SetState(const DXLTextureState& state) { state_ = state; }
    const DXLTextureState& GetState() const { return state_; }
    void SetFilter(bool linear);
    void SetAddressMode(uint32_t mode);
    void SetTextureOps(uint32_t op);
    void SetColour(uint32_t colour) { colour_ = colour; }
    uint32_t GetColour() const { return colour_; }
    uint32_t useCounter = 0; // the clients' own

    // The picture size a pack declares for a texture before it is loaded (0
    // when none is declared): its users can size things from it while the
    // texture waits for its first use. A load that gives another size leaves
    // the texture not live.
    void SetDeclaredSize(int32_t width, int32_t height) {
        declaredWidth_ = width;
        declaredHeight_ = height;
    }
    int32_t GetDeclaredWidth() const { return declaredWidth_; }
    int32_t GetDeclaredHeight() const { return declaredHeight_; }

    int32_t GetWidth() const { return live_ ? imageWidth_ : 0; }
    int32_t GetHeight() const { return live_ ? imageHeight_ : 0; }
    int32_t GetTextureWidth() const { return live_ ? textureWidth_ : 0; }
    int32_t GetTextureHeight() const { return live_ ? textureHeight_ : 0; }
    PixelFormat GetTextureFormat() const { return textureFormat_; }
    bool IsLive() const { return live_; }
    // Whether this is the texture its viewer has bound to stage 0.
    bool IsBound() const;
    bool IsReloadWanted() const { return reloadWanted_; }
    int32_t GetLockCount() const { return lockCount_; }
    float GetUStart() const { return uStart_; }
    float GetUEnd() const { return uEnd_; }
    float GetVStart() const { return vStart_; }
    float GetVEnd() const { return vEnd_; }
    const platform::TexturePtr& GetDeviceTexture() const { return texture_; }

    // ---- loading
    // An empty texture of at least width x height pixels.
    void Create(int32_t width, int32_t height, PixelFormat format, bool notify);
    // An image file of any kind the engine reads (PNG, JPEG, Targa, BMP, DDS,
    // PPM, icon and the engine's own bitmap files), picked by its first bytes.
    void LoadFromFile(const char16_t* fileName);
    void LoadFromFileInMemory(const void* data, uint32_t size);
    void LoadFromBitmap(DXLBitmap* bitmap);
    // Loads from the current source; the ordinary way every client loads.
    void Restore();
    // Destroys the device texture and forgets that a reload is wanted.
    void Release();
    // Releases a live texture and marks it for reloading.
    void Unload();

    // ---- pixel access (nested; level 0)
    void* Lock(uint32_t flags);
    int32_t GetLockedPitch() const { return lockCount_ > 0 ? locked_.pitch : 0; }
    void Unlock();

    // ---- quad builders (engine/Quad.cpp)
    // Each fills the given quad, or a new one the caller deletes when quad is
    // null, and returns it. Colour 0 means the texture's colour; flipH swaps
    // the u values of left and right, flipV the v values of top and bottom.
    // Positions are shifted by half a pixel so that texels land on pixels.
    TexturedQuad* MakeQuad(TexturedQuad* quad, float x, float y, uint32_t colour = 0, bool flipH = false,
                           bool flipV = false) const;
    TexturedQuad* MakeQuadInt(TexturedQuad* quad, int32_t x, int32_t y, uint32_t colour = 0,
                              bool flipH = false, bool flipV = false) const;
    TexturedQuad* MakeQuadSized(TexturedQuad* quad, float x, float y, float width, float height,
                                uint32_t colour = 0, bool flipH = false, bool flipV = false) const;
    TexturedQuad* MakeQuadIntoRect(TexturedQuad* quad, const kis::Rect& destination, uint32_t colour = 0,
                                   bool flipH = false, bool flipV = false) const;
    // Texture rectangle: u start, v start, u end, v end.
    TexturedQuad* MakeQuadUV(TexturedQuad* quad, const DXLRectF& destination, const DXLRectF& uv,
                             uint32_t colour = 0, bool flipH = false, bool flipV = false) const;
    TexturedQuad* MakeQuadRectToRect(TexturedQuad* quad, const DXLRectF& destination, const DXLRectF& source,
                                     uint32_t colour = 0, bool flipH = false, bool flipV = false) const;
    TexturedQuad* MakeQuadRectToRectI(TexturedQuad* quad, const kis::Rect& destination,
                                      const kis::Rect& source, uint32_t colour = 0, bool flipH = false,
                                      bool flipV = false) const;
    TexturedQuad* MakeQuadFromRect(TexturedQuad* quad, float x, float y, const kis::Rect& source,
                                   uint32_t colour = 0, bool flipH = false, bool flipV = false) const;
    TexturedQuad* MakeQuadPartAt(TexturedQuad* quad, float x, float y, const DXLRectF& source,
                                 uint32_t colour = 0, bool flipH = false, bool flipV = false) const;
    TexturedQuad* MakeQuadFromArea(TexturedQuad* quad, float x, float y, float sourceX, float sourceY,
                                   float width, float height, uint32_t colour = 0, bool flipH = false,
                                   bool flipV = false) const;
    TexturedQuad* MakeQuadStretched(TexturedQuad* quad, float x, float y, float width, float height,
                                    float sourceX, float sourceY, float sourceWidth, float sourceHeight,
                                    uint32_t colour = 0, bool flipH = false, bool flipV = false) const;
    // Integer forms of MakeQuadStretched and MakeQuadFromArea.
    TexturedQuad* BuildQuadExInt(TexturedQuad* quad, int32_t x, int32_t y, int32_t width, int32_t height,
                                 int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                 uint32_t colour = 0, bool flipH = false, bool flipV = false) const;
    TexturedQuad* BuildQuadScaledInt(TexturedQuad* quad, int32_t x, int32_t y, int32_t sourceX,
                                     int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                                     uint32_t colour = 0, bool flipH = false, bool flipV = false) const;

  private:
    void Init();
    bool CanLoad() const;
    bool NonPowerOfTwo() const;
    void SetTextureCoordinates();
    // Makes the device texture through the helper library, which takes the
    // nearest 32- or 24-bit format when the device refuses the one asked for.
    // False leaves the texture not live.
    bool MakeDeviceTexture(uint32_t width, uint32_t height, PixelFormat format);
    void TakeDeviceTexture(platform::TexturePtr texture);
    uint32_t FileLoadSize() const;
    // Takes the texture a file load made, runs the alpha mode and the edge
    // extension on its pixels and tells the targets.
    void FinishFileLoad(HResult result, platform::TexturePtr made, const d3dx::ImageInfo& info);
    // Runs the alpha mode and the edge extension on a texture-sized buffer in
    // the texture's format, then writes it into level 0 row by row at the
    // locked pitch.
    bool Upload(uint8_t* pixels);
    // Drops the device texture without telling anyone (a failed load).
    void Discard();
    float TexelWidth() const;
    float TexelHeight() const;
    uint32_t QuadColour(uint32_t colour) const { return colour ? colour : colour_; }

    DXLTextures* collection_ = nullptr;
    char16_t name_[kNameSize] = {};
    platform::TexturePtr texture_;
    int32_t imageWidth_ = 0;
    int32_t imageHeight_ = 0;
    int32_t declaredWidth_ = 0;
    int32_t declaredHeight_ = 0;
    int32_t textureWidth_ = 0;
    int32_t textureHeight_ = 0;
    PixelFormat textureFormat_ = kFormatUnknown;
    uint32_t imageFilter_ = kImageFilterNone;
    uint32_t edgeFlags_ = 0;
    bool live_ = false;
    bool reloadWanted_ = false;
    bool restorable_ = false;
    int32_t sourceKind_ = kSourceNone;
    std::unique_ptr<char16_t[]> fileName_;
    DXLBitmap* sourceBitmap_ = nullptr;
    DXLTextureSource* source_ = nullptr;
    platform::LockedRect locked_;
    int32_t lockCount_ = 0;
    float uStart_ = 0.0f, uEnd_ = 1.0f, vStart_ = 0.0f, vEnd_ = 1.0f;
    uint32_t alphaMode_ = 0;
    uint32_t alphaArgument_ = 0;
    DXLTextureState state_;
    uint32_t colour_ = 0xFFFFFFFFu;
};

// A named collection of textures on one viewer. Clear and the destructor
// delete the members.
class DXLTextures {
  public:
    explicit DXLTextures(DXLViewer* viewer = nullptr);
    ~DXLTextures();
    DXLTextures(const DXLTextures&) = delete;
    DXLTextures& operator=(const DXLTextures&) = delete;

    // A new texture in this collection, or null when memory runs out.
    DXLTexture* NewTexture();
    void SetViewer(DXLViewer* viewer);
    DXLViewer* GetViewer() const { return viewer_; }

    // The member's index; -1 for null.
    int32_t Add(DXLTexture* texture);
    void Remove(DXLTexture* texture);
    DXLTexture* Get(int32_t index) const { return list_.Get(index); }
    int32_t IndexOf(const DXLTexture* texture) const { return list_.IndexOf(texture); }
    int32_t Count() const { return list_.Count(); }
    // The first member of that name: Find matches case, FindByName ignores it.
    DXLTexture* Find(const char16_t* name) const;
    DXLTexture* FindByName(const char16_t* name) const;
    void DeleteAt(int32_t index);
    // Deletes every member, from the last to the first.
    void Clear();

  private:
    kis::list<DXLTexture> list_;
    DXLViewer* viewer_ = nullptr;
};

// The texture the drawing code currently uses is the one its viewer has bound
// to stage 0 (DXLViewer::GetBoundTexture): the viewer keeps the only record of
// it. Switching replaces the previous one; the new one binds itself with its
// own state, or without it while the viewer has a state override (the
// override is applied once, when no texture was bound). Null does nothing.
void SetCurrentTexture(DXLTexture* texture);
// Unbinds the viewer's current texture, if any.
void ClearCurrentTexture(DXLViewer* viewer);

// The alpha (0-255) the linear filter draws at (x, y) in the texture's texels:
// texel (i, j) shows its own alpha at (i, j), and a place between four texels
// weighs them by its fractions, as the rasteriser's taps do. Texels outside
// `within` (a frame of an atlas) count as clear. -1 when the texels cannot be
// read: a texture not live, compressed or of an unknown format.
int32_t FilteredAlpha(DXLTexture* texture, const kis::Rect& within, float x, float y);

#pragma once
#include "engine/Direct3D.h"
#include "engine/DisplayModes.h"
#include "engine/DisplaySettings.h"
#include "engine/NotifyObject.h"
#include "engine/ResultNames.h"
#include "foundation/Helpers.h"
#include "foundation/List.h"
#include "foundation/Vector2.h"
#include "platform/GraphicsDevice.h"
#include "platform/Window.h"

#include <cstdint>
#include <memory>
#include <vector>

// The viewer: owns the graphics device, applies display settings, tells the
// device objects about creation, reset and release, recovers a lost device,
// runs the frame (begin, clear, the caller's drawing, end, present), limits
// the frame rate, and draws 2D quads under its own transform.

class DXLTexture;

// ---------------------------------------------------------------- records

// Row-vector 4x4 matrix: (x, y) maps to (x*m[0][0] + y*m[1][0] + m[3][0],
// x*m[0][1] + y*m[1][1] + m[3][1]). In the 2D transform row 0 is the x axis,
// row 1 the y axis and row 3 the origin.
using DXLMatrix = platform::Matrix;

// A matrix from 16 values given row by row.
DXLMatrix MakeMatrix(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
                     float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44);
extern const DXLMatrix kIdentityMatrix;

// Four textured vertices in fan order: top-left, top-right, bottom-right,
// bottom-left.
struct TexturedQuad {
    platform::TexturedVertex v[4];
};
static_assert(sizeof(TexturedQuad) == 96);

// Blend modes.
constexpr uint32_t kBlendOpaque = 0;
constexpr uint32_t kBlendAlpha = 1;
constexpr uint32_t kBlendDarken = 2;
constexpr uint32_t kBlendAdditive = 3;
constexpr uint32_t kBlendInvert = 4;

// The sampler and stage-0 states a texture brings when it is bound.
struct DXLTextureState {
    uint8_t minLinear = 0; // 0 point, else linear
    uint8_t magLinear = 0;
    uint32_t addressU = 0; // platform::TextureAddress numbers
    uint32_t addressV = 0;
    uint32_t blendMode = 0;
    uint32_t colorOp = 0; // platform::TextureOp numbers
    uint32_t alphaOp = 0;
};

// Stencil and alpha-test state. Modes: 0 disable, 1 enable, 2 leave as it is.
struct DXLStencilAlphaTest {
    uint32_t stencilMode = 0;
    uint32_t stencilFunc = 0; // compare function 1-8
    uint32_t stencilPass = 0; // stencil operation 1-8
    uint32_t stencilRef = 0;
    uint32_t alphaTestMode = 0;
    uint32_t alphaFunc = 0; // compare function 1-8
    uint32_t alphaRef = 0;
};

// Unpacks a 16-bit descriptor: bits 0-3 stencil pass operation, 4-7 stencil
// function, 8-11 alpha function (each 0 read as 1, above 8 as 8); 0x8000
// stencil on, else 0x2000 stencil off, else leave; 0x4000 alpha test on, else
// 0x1000 alpha test off, else leave.
DXLStencilAlphaTest MakeStencilAlphaTest(uint32_t descriptor, uint32_t stencilRef, uint32_t alphaRef);
// Stencil off, alpha test off: the state every frame starts with.
constexpr uint32_t kStencilAlphaTestOff = 0x3000;

// A record of the scissor stack (the clip in force before a BeginClip, flag
// 0: none, which its EndClip gives back), and one of the stencil stack.
struct DXLSCISSORDATA {
    kis::Rect rect;
    uint32_t flag;
};
struct DXLSTENCILDATA {
    DXLStencilAlphaTest state;
};

class DXLViewer;
using DXLEndFrameCallback = void (*)(DXLViewer* viewer);

// The clock the frame limiter reads and sleeps with; tests install their own.
struct DXLFrameClock {
    uint32_t (*now)();
    void (*sleep)(uint32_t milliseconds);
};

// ---------------------------------------------------------------- viewer

class DXLViewer {
  public:
    // Creates the device-creation object (its failure is kept as the last result).
    DXLViewer();
    DXLViewer(const DXLViewer&) = delete;
    DXLViewer& operator=(const DXLViewer&) = delete;

    // Creates the device anew, or resets it, from the current settings.
    virtual HResult ApplySettings();
    virtual ~DXLViewer();
    // The device window of the current settings; null when there are none.
    virtual platform::FrameSink* GetWindowHandle();
    // Fills out from the requested record under the rules (see DisplaySettings.h).
    virtual void ValidateSettings(DXLDisplaySettings* out, const DXLDisplaySettings* requested,
                                  const DXLSettingsRules* rules);

    // ---- set-up
    HResult InitializeDirectX();
    HResult InitializeAdapter(uint32_t adapter, uint32_t deviceType);
    void SetDisplayModeFilter(DXLDisplayModeFilter filter);
    // Validated settings become current and are applied; 0 or the failing step's code.
    HResult ChangeDisplayMode(const DXLDisplaySettings* settings);
    void ReleaseDevice();
    HResult ResetDevice();
    void ReleaseAll(bool deleteSettings);
    void Shutdown();
    void ReleaseDirect3D();

    // ---- adapters and display modes
    // The cached record of the adapter and device type (made on first use); its code.
    HResult GetAdapterInfo(uint32_t adapter, uint32_t deviceType, DXLADAPTERINFO** out);
    bool MatchDisplayMode(DXLDISPLAYMODE* out, const DXLDISPLAYMODE* requested, const DXLModeRules* rules);
    bool FindDisplayMode(uint32_t adapter, uint32_t deviceType, DXLDISPLAYMODE* out,
                         const DXLDISPLAYMODE* requested, const DXLModeRules* rules);
    uint32_t MatchRefreshRate(const DXLADAPTERINFO* info, uint32_t width, uint32_t height, uint32_t format,
                              uint32_t requested);
    DXLADAPTERINFO* GetCurrentAdapter() const { return adapter_; }
    // The display modes the current adapter offers (after the filter), or null
    // before any adapter is known; callers treat null as an empty list.
    kis::list<DXLDISPLAYMODE>* GetDisplayModes() const { return adapter_ ? &adapter_->filtered : nullptr; }
    DXLDisplayModeFilter GetDisplayModeFilter() const { return filter_; }
    DXLDirect3D* GetDirect3D() const { return d3d_.get(); }

    // ---- device objects
    void AddDeviceObject(DXLDeviceObject* object);
    void RemoveDeviceObject(DXLDeviceObject* object);
    // Calls every object's OnDeviceEvent(this, code); an object may remove
    // itself during its call without making the next one be skipped.
    void NotifyDeviceObjects(uint32_t code);
    int32_t DeviceObjectCount() const { return deviceObjects_.Count(); }

    // ---- frame
    HResult BeginScene();
    HResult ClearTarget(uint32_t colour);
    HResult Clear(uint32_t flags, uint32_t colour, uint32_t stencil);
    HResult EndFrame();
    HResult RenderFrame(uint32_t colour);
    // Whether frames reach the pixels (on unless told otherwise); kept for
    // every device the viewer makes. See platform::GraphicsDevice.
    void SetRasterizing(bool on);
    void SetEndFrameCallback(DXLEndFrameCallback callback) { endFrameCallback_ = callback; }
    DXLEndFrameCallback GetEndFrameCallback() const { return endFrameCallback_; }

    bool HasDevice() const { return device_ != nullptr; }
    platform::GraphicsDevice* GetDevice() const { return device_.get(); }
    const DXLDisplaySettings* GetSettings() const { return settings_.get(); }
    HResult GetLastResult() const { return lastResult_; }
    bool IsDeviceLost() const { return lost_; }
    bool IsVSyncEnabled() const;
    bool IsTextureFormatSupported(uint32_t format);
    // The client rectangle: (0, 0) and the back buffer's size, in a window and
    // in full screen alike.
    const kis::Rect& GetClientRect() const { return clientRect_; }

    // ---- frame timing
    void SetFrameTiming(bool enabled);
    void StartFrameTiming();
    void StopFrameTiming();
    void PauseTimer();
    void ResumeTimer();
    // Holds the frame so that at most 200 frames a second are shown (unless the
    // display paces them), and counts frames per second.
    void LimitFrameRate();
    uint32_t GetFramesPerSecond() const { return fps_; }
    uint32_t GetTotalFrames() const { return totalFrames_; }
    uint32_t GetTotalSeconds() const { return totalSeconds_; }
    bool IsFrameTimingRunning() const { return timingRunning_; }
    static void SetFrameClock(const DXLFrameClock& clock);
    static void ResetFrameClock();

    // ---- stencil and alpha test
    void SetStencilAlphaTestPacked(uint32_t descriptor, uint32_t stencilRef, uint32_t alphaRef);
    void ApplyStencilAlphaTest(const DXLStencilAlphaTest* state);
    const DXLStencilAlphaTest& GetStencilAlphaTest() const { return stencil_; }
    void ClearStencilStack();
    void ResetScissorDepth() { scissorStack_.clear(); }
    // Draws until EndClip touch only the rectangle, given in the current
    // transform's units (a rotated transform clips to the rectangle's bounds).
    // Clips nest: inside another clip only the part of the rectangle within
    // it is drawn, and EndClip brings the outer clip back.
    void BeginClip(const kis::Rect& rect);
    void EndClip();

    // ---- 2D transform (on the current matrix unless one is given)
    void SetTransform(const DXLMatrix* m);
    void GetTransform(DXLMatrix* m) const;
    void ResetTransform(DXLMatrix* m = nullptr);
    void ApplyTransform(const DXLMatrix* m = nullptr);
    void ApplyIdentityTransform();
    void GetDeviceTransform(DXLMatrix* m = nullptr);
    void Translate(float x, float y);
    void TranslateV(const kis::Vector2& v);
    void Scale(float f);
    void Scale2(float fx, float fy);
    void ScaleV(const kis::Vector2& v);
    void SetScale(float s);
    void Rotate(float radians);
    void RotateDegrees(float degrees);
    void SnapTransformOrigin();
    void ApplyTranslationMatrix(float x, float y);
    const DXLMatrix& CurrentTransform() const { return transform_; }

    // ---- states
    void SetBlendMode(uint32_t mode);
    uint32_t GetBlendMode() const { return blendMode_; }
    void ApplyBlendMode();
    // Binds the texture's device texture to stage 0 (null texture unbinds).
    // The texture is recorded as bound only when the device accepted it.
    // False without a device or when the device refused.
    bool BindTexture(DXLTexture* texture);
    DXLTexture* GetBoundTexture() const { return boundTexture_; }
    // A texture state used in place of each texture's own by SetCurrentTexture
    // (engine/Texture.h); null removes it. The record is not copied.
    void SetTextureStateOverride(const DXLTextureState* state) { textureStateOverride_ = state; }
    const DXLTextureState* GetTextureStateOverride() const { return textureStateOverride_; }
    void ApplyTextureState(const DXLTextureState* state);
    static void SetMinFilter(platform::GraphicsDevice* device, bool linear);
    static void SetMagFilter(platform::GraphicsDevice* device, bool linear);

    // ---- drawing (nothing without a device or vertices)
    void DrawTexturedQuad(const TexturedQuad* quad);
    void DrawTexturedQuads(uint32_t count, const TexturedQuad* quads);
    void FillRect(const platform::ColouredVertex* vertices);        // four vertices
    void DrawRectOutline(const platform::ColouredVertex* vertices); // five vertices
    void DrawRectOutlineFVF(uint32_t fvf, const void* vertices, uint32_t stride);
    void DrawLineStrip(uint32_t fvf, uint32_t count, const void* vertices, uint32_t stride);
    void DrawTriangleFan(uint32_t fvf, uint32_t triangles, const void* vertices, uint32_t stride);

  protected:
    HResult Store(HResult result) { return lastResult_ = result; }
    void InitRenderStates();
    void FrameStartStates();
    HResult RecreateOrReset();
    void LogAdapter(DXLADAPTERINFO* info);
    // The device's scissor rectangle and test (flag 0: off), remembered.
    void SetScissor(const kis::Rect& rect, uint32_t flag);

    std::unique_ptr<DXLDirect3D> d3d_;
    kis::list<DXLADAPTERINFO> adapters_; // owned
    DXLADAPTERINFO* adapter_ = nullptr;
    std::unique_ptr<platform::GraphicsDevice> device_;
    std::unique_ptr<DXLDisplaySettings> settings_;
    std::unique_ptr<DXLDisplaySettings> previous_;
    kis::Rect clientRect_{0, 0, 0, 0};
    DXLDisplayModeFilter filter_ = nullptr;
    HResult lastResult_ = 0;
    bool lost_ = false;
    kis::list<DXLDeviceObject> deviceObjects_; // not owned

    bool timingEnabled_ = false;
    bool timingRunning_ = false;
    uint32_t pauseLevel_ = 0;
    uint32_t secondStart_ = 0; // while paused: the elapsed time of the running second
    uint32_t fps_ = 0;
    uint32_t framesThisSecond_ = 0;
    uint32_t totalFrames_ = 0;
    uint32_t totalSeconds_ = 0;
    int32_t fpsPlaceholder_ = -1;

    kis::Rect scissorRect_{0, 0, 0, 0};
    uint32_t scissorFlag_ = 0;
    std::vector<DXLSCISSORDATA> scissorStack_; // the clips a BeginClip put aside, innermost last
    DXLStencilAlphaTest stencil_;
    kis::list<DXLSTENCILDATA> stencilStack_;

    DXLEndFrameCallback endFrameCallback_ = nullptr;
    bool rasterizing_ = true;
    uint32_t blendMode_ = 0;
    DXLTexture* boundTexture_ = nullptr;
    const DXLTextureState* textureStateOverride_ = nullptr;
    DXLMatrix transform_;
    DXLMatrix translation_;                     // the cursor's: identity with a translation
    platform::Window* messageWindow_ = nullptr; // where adapter failures are shown
    bool holdsLibrary_ = false;                 // counted among the helper library's users
};

// ---------------------------------------------------------------- window viewer

// The viewer with the game window: creates the window (hidden until the first
// settings are applied) and switches it between windowed and full screen
// around each device change, restoring the windowed placement afterwards.
class DXLWindowViewer : public DXLViewer {
  public:
    // The window of the platform backend; not owned, it must outlive the viewer.
    explicit DXLWindowViewer(platform::Window* window);

    HResult ApplySettings() override;
    ~DXLWindowViewer() override;
    // The device window of the settings, or this window's when there are none.
    platform::FrameSink* GetWindowHandle() override;
    // The base validation, then the device window becomes this window.
    void ValidateSettings(DXLDisplaySettings* out, const DXLDisplaySettings* requested,
                          const DXLSettingsRules* rules) override;

    // Creates the window once; the class name and icon name what the program
    // registers its window under. 0, or 0xA3E91103 when it cannot be created.
    HResult CreateWindow(const char16_t* className, uint32_t iconId);
    void SetCaption(const char16_t* title);
    void DestroyWindow();
    platform::Window* GetWindow() const { return window_; }
    bool IsWindowCreated() const { return created_; }

    // The window's events as the program takes them from the window: a
    // full-screen window that is minimised has lost its device until it is
    // restored (the next frame after that resets the device); other events
    // change nothing here.
    void OnWindowEvent(platform::WindowEvent event);
    // True while this viewer holds its device lost for a minimised full screen.
    bool IsDeviceLossCaused() const { return lossCaused_; }

  private:
    // Hands presented frames to the window.
    class WindowSink final : public platform::FrameSink {
      public:
        explicit WindowSink(platform::Window* window) : window_(window) {}
        void ShowFrame(const uint32_t* pixels, int width, int height, int pitchInPixels) override;
        bool PacesToDisplay() const override;

      private:
        platform::Window* window_;
    };

    HResult RegisterAndCreateWindow();
    void CentreWindow(int clientWidth, int clientHeight, int heightLess);
    void EndDeviceLossCause();

    platform::Window* window_;
    WindowSink sink_;
    char16_t className_[100] = {};
    uint32_t iconId_ = 0;
    bool created_ = false;
    char16_t title_[100] = {};
    // The windowed placement saved when going to full screen.
    int savedX_ = 0, savedY_ = 0, savedWidth_ = 0, savedHeight_ = 0;
    bool lossCaused_ = false; // the device is held lost while the full screen is minimised
};

// ---------------------------------------------------------------- pixel rows

// Each pixel becomes the colour's RGB with the source alpha (factor exactly 1)
// or round(source alpha x factor), at most 255.
void RecolorPixels(const uint32_t* source, uint32_t* destination, uint32_t count, uint32_t colour,
                   float factor);
// A8L8 pixels: luminance 255, alpha from the source's alpha byte.
void ConvertAlphaToA8L8(const uint32_t* source, uint16_t* destination, uint32_t count);
// A4R4G4B4 pixels: colour nibbles 15, alpha the high nibble of the source's green.
void ConvertGreenToA4R4G4B4(const uint32_t* source, uint16_t* destination, uint32_t count);

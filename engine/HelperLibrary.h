#pragma once
#include "engine/DirectXVersion.h"
#include "engine/PixelFormat.h"
#include "engine/ResultNames.h"
#include "foundation/Vector2.h"
#include "platform/GraphicsDevice.h"

#include <cstdint>
#include <memory>

namespace platform {
class GlyphFace;
}

// The built-in helper library: the nine functions the engine looks up by name
// at start-up ("D3DXMatrixOrthoOffCenterLH" ... "D3DXCreateTextureFromFileInMemoryEx"),
// implemented over the platform's device, image decoders and glyph faces.
// Callers reach them through the looked-up pointers (GetD3DXProc), never by
// calling them directly, so that a missing function fails the start-up as it
// should. Everything lives in namespace d3dx; each function has the library
// name without its "D3DX" prefix.
namespace d3dx {

// ---------------------------------------------------------------- values

// Size arguments: "default" rounds the picture's size up to a power of two,
// "non-power-of-two" keeps it. 0 counts as "default".
constexpr uint32_t kDefault = 0xFFFFFFFFu;
constexpr uint32_t kDefaultNonPow2 = 0xFFFFFFFEu;
// Format argument: the file's own format.
constexpr PixelFormat kFormatFromFile = 0xFFFFFFFDu;

// Picture-fitting filters (the low byte of a filter argument). "None" puts the
// picture into the top-left corner with transparent black padding; "point"
// stretches it by nearest pixel; every other filter, "default" too, stretches
// it bilinearly.
constexpr uint32_t kFilterNone = 1;
constexpr uint32_t kFilterPoint = 2;
constexpr uint32_t kFilterLinear = 3;
constexpr uint32_t kFilterTriangle = 4;
constexpr uint32_t kFilterBox = 5;

// The data is not an image file of a kind the library reads.
constexpr HResult kResultInvalidData = MakeResult(0x88760B59);

// The kind of image file, as image information reports it.
enum ImageFileFormat : uint32_t {
    kImageFileBmp = 0,
    kImageFileJpg = 1,
    kImageFileTga = 2,
    kImageFilePng = 3,
    kImageFileDds = 4,
    kImageFilePpm = 5,
    // The engine's own kinds.
    kImageFileIcon = 0x100,
    kImageFileDxlb = 0x101,
    kImageFileGlb = 0x102,
};

// Resource kind of image information: a texture.
constexpr uint32_t kResourceTypeTexture = 3;

struct ImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 0;
    uint32_t mipLevels = 0;
    PixelFormat format = kFormatUnknown; // the format the file's pixels are in
    uint32_t resourceType = 0;
    uint32_t imageFileFormat = 0;
};

// What a font is made from: a logical font. Height below 0 is the character
// height, above 0 the cell height (see platform/GlyphFace.h).
template <typename Ch> struct FontDesc {
    int32_t height;
    uint32_t width;
    uint32_t weight;
    uint32_t mipLevels;
    int32_t italic;
    uint8_t charSet;
    uint8_t outputPrecision;
    uint8_t quality;
    uint8_t pitchAndFamily;
    Ch faceName[32];
};
using FontDescW = FontDesc<char16_t>;
using FontDescA = FontDesc<char>;

// A font of the library: the glyph face its description names, on one
// device. Reference counted: creation gives one reference, Release deletes
// the font when the last one goes. Its holder releases it when the device
// is released or reset and creates it again afterwards.
class Font {
  public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    virtual platform::GraphicsDevice* GetDevice() const = 0;
    // The description with the face name in UTF-16 (also for the 8-bit creation).
    virtual const FontDescW& GetDesc() const = 0;
    virtual platform::GlyphFace* GetFace() const = 0;

    // Fonts alive now (for leak checks).
    static int32_t LiveCount();

  protected:
    virtual ~Font() = default;
};

// ---------------------------------------------------------------- the nine functions

// Left-handed orthographic projection of the box left..right, bottom..top,
// zn..zf onto clip space (x and y from -1 to 1, z from 0 to 1). Returns out.
platform::Matrix* MatrixOrthoOffCenterLH(platform::Matrix* out, float left, float right, float bottom,
                                         float top, float zn, float zf);

// Scaling, then rotation (radians) about the centre, then translation, as one
// row-vector matrix. A null centre or translation counts as (0, 0). Returns out.
platform::Matrix* MatrixAffineTransformation2D(platform::Matrix* out, float scaling,
                                               const kis::Vector2* rotationCenter, float rotation,
                                               const kis::Vector2* translation);

// A texture of exactly width x height pixels with one level. When the device
// refuses the format, the nearest 32-bit or 24-bit format it has is taken
// (A8R8G8B8, X8R8G8B8, R8G8B8). Mip levels and usage are accepted and a
// single level is made.
HResult CreateTexture(platform::GraphicsDevice* device, uint32_t width, uint32_t height, uint32_t mipLevels,
                      uint32_t usage, PixelFormat format, platform::Pool pool, platform::TexturePtr* texture);

// An image file read into a new texture (see CreateTextureFromFileInMemoryEx).
// The file name is a game path; its extension also picks the reader of kinds
// without a signature (Targa and the engine's own bitmap files).
HResult CreateTextureFromFileExW(platform::GraphicsDevice* device, const char16_t* fileName, uint32_t width,
                                 uint32_t height, uint32_t mipLevels, uint32_t usage, PixelFormat format,
                                 platform::Pool pool, uint32_t filter, uint32_t mipFilter, uint32_t colourKey,
                                 ImageInfo* info, void* palette, platform::TexturePtr* texture);
// The same with a file name in the active code page.
HResult CreateTextureFromFileExA(platform::GraphicsDevice* device, const char* fileName, uint32_t width,
                                 uint32_t height, uint32_t mipLevels, uint32_t usage, PixelFormat format,
                                 platform::Pool pool, uint32_t filter, uint32_t mipFilter, uint32_t colourKey,
                                 ImageInfo* info, void* palette, platform::TexturePtr* texture);

// A font for the device; kResultInvalidCall without device, description or
// output, kResultFail when no face can be opened.
HResult CreateFontIndirectW(platform::GraphicsDevice* device, const FontDescW* desc, Font** font);
HResult CreateFontIndirectA(platform::GraphicsDevice* device, const FontDescA* desc, Font** font);

// Size, format and kind of an image file held in memory.
HResult GetImageInfoFromFileInMemory(const void* data, uint32_t size, ImageInfo* info);

// An image file held in memory read into a new texture. The decoder is chosen
// by the file's first bytes. Width and height: kDefault (or 0) rounds the
// picture's size up to a power of two, kDefaultNonPow2 keeps it, any other
// value is the size. Format: kFormatFromFile (or 0) keeps the file's format;
// block-compressed pictures are kept as they are only when their size is
// kept, and formats the device has no textures of become A8R8G8B8. Filter: see
// the filter values above. A non-zero colour key (ARGB) turns the pixels of
// that colour into transparent black before the picture is fitted. The mip
// filter and the palette are not used: textures have one level and no
// palette. The image information, when asked for, describes the file.
HResult CreateTextureFromFileInMemoryEx(platform::GraphicsDevice* device, const void* data, uint32_t size,
                                        uint32_t width, uint32_t height, uint32_t mipLevels, uint32_t usage,
                                        PixelFormat format, platform::Pool pool, uint32_t filter,
                                        uint32_t mipFilter, uint32_t colourKey, ImageInfo* info,
                                        void* palette, platform::TexturePtr* texture);

// ---------------------------------------------------------------- pointer types

using MatrixOrthoOffCenterLHProc = decltype(&MatrixOrthoOffCenterLH);
using MatrixAffineTransformation2DProc = decltype(&MatrixAffineTransformation2D);
using CreateTextureProc = decltype(&CreateTexture);
using CreateTextureFromFileExWProc = decltype(&CreateTextureFromFileExW);
using CreateTextureFromFileExAProc = decltype(&CreateTextureFromFileExA);
using CreateFontIndirectWProc = decltype(&CreateFontIndirectW);
using CreateFontIndirectAProc = decltype(&CreateFontIndirectA);
using GetImageInfoFromFileInMemoryProc = decltype(&GetImageInfoFromFileInMemory);
using CreateTextureFromFileInMemoryExProc = decltype(&CreateTextureFromFileInMemoryEx);

// The nine functions as one typed table, resolved from the run-time lookup by
// name (LoadD3DX) the first time it is asked for after each load or unload. A
// member is null while the library is not loaded or when the function was
// missing.
struct Functions {
    MatrixOrthoOffCenterLHProc matrixOrthoOffCenterLH = nullptr;
    MatrixAffineTransformation2DProc matrixAffineTransformation2D = nullptr;
    CreateTextureProc createTexture = nullptr;
    CreateTextureFromFileExWProc createTextureFromFileExW = nullptr;
    CreateTextureFromFileExAProc createTextureFromFileExA = nullptr;
    CreateFontIndirectWProc createFontIndirectW = nullptr;
    CreateFontIndirectAProc createFontIndirectA = nullptr;
    GetImageInfoFromFileInMemoryProc getImageInfoFromFileInMemory = nullptr;
    CreateTextureFromFileInMemoryExProc createTextureFromFileInMemoryEx = nullptr;
};
const Functions& Library();

} // namespace d3dx

// Makes the nine functions available under their library names, so that the
// start-up finds the built-in library. The viewer calls it before it loads
// the library; calling it again changes nothing.
void RegisterBuiltInHelperLibrary();

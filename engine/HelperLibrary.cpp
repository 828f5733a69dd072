#include "engine/HelperLibrary.h"

#include "engine/Bitmap.h"
#include "engine/ImageFile.h"
#include "foundation/Paths.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/GlyphFace.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace d3dx {
namespace {

// ---------------------------------------------------------------- image files

bool StartsWith(const uint8_t* data, uint32_t size, const char* signature, uint32_t length) {
    return size >= length && std::memcmp(data, signature, length) == 0;
}

// The kind a signature names; false for the kinds without one.
bool KindBySignature(const uint8_t* data, uint32_t size, uint32_t* kind) {
    static const struct {
        const char* bytes;
        uint32_t length;
        uint32_t kind;
    } kSignatures[] = {
        {"\x89PNG\r\n\x1A\n", 8, kImageFilePng},
        {"\xFF\xD8\xFF", 3, kImageFileJpg},
        {"BM", 2, kImageFileBmp},
        {"DDS ", 4, kImageFileDds},
        {"P6", 2, kImageFilePpm},
        {"P3", 2, kImageFilePpm},
        {"\0\0\1\0", 4, kImageFileIcon},
    };
    for (const auto& s : kSignatures) {
        if (StartsWith(data, size, s.bytes, s.length)) {
            *kind = s.kind;
            return true;
        }
    }
    return false;
}

// The kinds without a signature, in the order the reader tries them, with a
// name that makes the reader take exactly that kind.
constexpr struct {
    const char16_t* extension;
    const char16_t* forcingName;
    uint32_t kind;
} kUnsignedKinds[] = {
    {u"dxlb", u".dxlb", kImageFileDxlb},
    {u"glb", u".glb", kImageFileGlb},
    {u"tga", u".tga", kImageFileTga},
};

// Reads an image file into a bitmap and describes it. The name, when given,
// picks the reader of a kind without a signature by its extension.
bool Decode(const void* data, uint32_t size, const char16_t* fileName, DXLBitmap* picture, ImageInfo* info) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size == 0) return false;
    uint32_t kind = 0;
    bool read = false;
    if (KindBySignature(bytes, size, &kind)) {
        read = ReadImageFileFromMemory(bytes, size, nullptr, picture);
    } else {
        // A kind named by the extension is the only one tried, as the reader does.
        bool named = false;
        for (const auto& k : kUnsignedKinds) {
            if (kis::HasFileExt(fileName, k.extension)) {
                named = true;
                kind = k.kind;
                read = ReadImageFileFromMemory(bytes, size, k.forcingName, picture);
                break;
            }
        }
        if (!named) {
            for (const auto& k : kUnsignedKinds) {
                read = ReadImageFileFromMemory(bytes, size, k.forcingName, picture);
                if (read) {
                    kind = k.kind;
                    break;
                }
            }
        }
    }
    if (!read || picture->IsEmpty() || picture->GetFormat() == kFormatUnknown) return false;
    *info = ImageInfo{};
    info->width = uint32_t(picture->GetWidth());
    info->height = uint32_t(picture->GetHeight());
    info->depth = 1;
    info->mipLevels = 1;
    info->format = picture->GetFormat();
    info->resourceType = kResourceTypeTexture;
    info->imageFileFormat = kind;
    return true;
}

// ---------------------------------------------------------------- fitting

// The texture side for a size argument and the picture's side.
uint32_t TextureSide(uint32_t requested, uint32_t pictureSide) {
    if (requested == kDefault || requested == 0) return NextPowerOfTwo(pictureSide);
    if (requested == kDefaultNonPow2) return pictureSide;
    return requested;
}

// The bitmap's resampling filter for a filter argument: exactly "none" keeps
// the picture unscaled in the top-left corner, "point" takes the nearest
// pixel, anything else blends bilinearly.
uint32_t ResampleFilter(uint32_t filter) {
    if (filter == kFilterNone || filter == kFilterPoint) return filter;
    return kFilterLinear;
}

// Pixels of the key colour become transparent black.
void ApplyColourKey(DXLBitmap* picture, uint32_t key) {
    const PixelFormat format = picture->GetFormat();
    const uint32_t bytes = picture->GetBytesPerPixel();
    for (int y = 0; y < picture->GetHeight(); ++y) {
        uint8_t* row = picture->GetRow(y);
        if (!row) return;
        for (int x = 0; x < picture->GetWidth(); ++x) {
            uint8_t* pixel = row + size_t(x) * bytes;
            uint32_t argb = 0;
            if (PixelToARGB(pixel, format, &argb) && argb == key) ARGBToPixel(0, format, pixel);
        }
    }
}

// Writes rows of the picture's format into the locked level of another (or
// the same) format; block-compressed rows only into their own format.
bool WriteRows(const uint8_t* source, PixelFormat sourceFormat, uint32_t sourceRowBytes,
               uint32_t sourcePixelBytes, const platform::LockedRect& locked, PixelFormat format,
               uint32_t width, uint32_t rows) {
    const uint32_t rowBytes = platform::RowPitch(platform::Format(format), width);
    if (rowBytes == 0 || locked.pitch < int32_t(rowBytes)) return false;
    uint8_t* destination = static_cast<uint8_t*>(locked.bits);
    if (sourceFormat == format) {
        for (uint32_t y = 0; y < rows; ++y)
            std::memcpy(destination + size_t(y) * size_t(locked.pitch), source + size_t(y) * sourceRowBytes,
                        std::min(rowBytes, sourceRowBytes));
        return true;
    }
    if (IsDXTFormat(sourceFormat) || IsDXTFormat(format)) return false;
    const uint32_t pixelBytes = platform::BytesPerPixel(platform::Format(format));
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* s = source + size_t(y) * sourceRowBytes;
        uint8_t* d = destination + size_t(y) * size_t(locked.pitch);
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t argb = 0;
            PixelToARGB(s + size_t(x) * sourcePixelBytes, sourceFormat, &argb);
            ARGBToPixel(argb, format, d + size_t(x) * pixelBytes);
        }
    }
    return true;
}

// Makes the texture for a decoded picture under the size, format and filter
// rules and fills it.
HResult MakeTexture(platform::GraphicsDevice* device, DXLBitmap* picture, uint32_t width, uint32_t height,
                    PixelFormat format, platform::Pool pool, uint32_t filter, uint32_t colourKey,
                    platform::TexturePtr* texture) {
    const uint32_t pictureWidth = uint32_t(picture->GetWidth());
    const uint32_t pictureHeight = uint32_t(picture->GetHeight());
    const uint32_t textureWidth = TextureSide(width, pictureWidth);
    const uint32_t textureHeight = TextureSide(height, pictureHeight);
    const bool sameSize = textureWidth == pictureWidth && textureHeight == pictureHeight;
    if (textureWidth == 0 || textureHeight == 0) return kResultInvalidCall;

    // Block-compressed pictures stay as they are only when no pixel has to be
    // keyed, placed or resampled.
    if (IsDXTFormat(picture->GetFormat()) && (!sameSize || colourKey != 0))
        picture->SetFormat(kFormatA8R8G8B8);
    if (!platform::IsTextureFormat(platform::Format(picture->GetFormat())))
        picture->SetFormat(kFormatA8R8G8B8);
    if (!picture->GetBits()) return kResultOutOfMemory;
    if (colourKey != 0) ApplyColourKey(picture, colourKey);

    PixelFormat wanted =
        format == kFormatFromFile || format == kFormatUnknown ? picture->GetFormat() : format;
    if (IsDXTFormat(wanted) && wanted != picture->GetFormat())
        wanted = kFormatA8R8G8B8; // pictures are not compressed here
    if (!platform::IsTextureFormat(platform::Format(wanted))) wanted = kFormatA8R8G8B8;

    platform::TexturePtr made;
    HResult hr = CreateTexture(device, textureWidth, textureHeight, 1, 0, wanted, pool, &made);
    if (Failed(hr)) return hr;
    const PixelFormat madeFormat = PixelFormat(made->GetFormat());

    std::unique_ptr<uint8_t[]> fitted;
    const uint8_t* source = picture->GetBits();
    uint32_t sourceRowBytes = IsDXTFormat(picture->GetFormat())
                                  ? platform::RowPitch(platform::Format(picture->GetFormat()), pictureWidth)
                                  : pictureWidth * picture->GetBytesPerPixel();
    if (!sameSize) {
        fitted = picture->Resample(int(textureWidth), int(textureHeight), ResampleFilter(filter));
        if (!fitted) return kResultInvalidCall; // sizes beyond what the picture can be fitted to
        source = fitted.get();
        sourceRowBytes = textureWidth * picture->GetBytesPerPixel();
    }
    const uint32_t rows = platform::RowCount(platform::Format(madeFormat), textureHeight);
    if (sameSize && uint64_t(sourceRowBytes) * rows > picture->GetDataSize()) return kResultInvalidData;

    platform::LockedRect locked;
    if (platform::Failed(made->Lock(platform::kLockNoSysLock, &locked))) return kResultFail;
    const bool written = WriteRows(source, picture->GetFormat(), sourceRowBytes, picture->GetBytesPerPixel(),
                                   locked, madeFormat, textureWidth, rows);
    made->Unlock();
    if (!written) return kResultFail;
    *texture = std::move(made);
    return kResultOk;
}

// ---------------------------------------------------------------- fonts

int32_t gLiveFonts = 0;

class LibraryFont final : public Font {
  public:
    LibraryFont(platform::GraphicsDevice* device, const FontDescW& desc,
                std::unique_ptr<platform::GlyphFace> face)
        : device_(device), desc_(desc), face_(std::move(face)) {
        ++gLiveFonts;
    }

    uint32_t AddRef() override { return ++references_; }
    uint32_t Release() override {
        const uint32_t left = --references_;
        if (left == 0) delete this;
        return left;
    }
    platform::GraphicsDevice* GetDevice() const override { return device_; }
    const FontDescW& GetDesc() const override { return desc_; }
    platform::GlyphFace* GetFace() const override { return face_.get(); }

  private:
    ~LibraryFont() override { --gLiveFonts; }

    platform::GraphicsDevice* device_;
    FontDescW desc_;
    std::unique_ptr<platform::GlyphFace> face_;
    uint32_t references_ = 1;
};

} // namespace

int32_t Font::LiveCount() {
    return gLiveFonts;
}

// ---------------------------------------------------------------- matrices

platform::Matrix* MatrixOrthoOffCenterLH(platform::Matrix* out, float left, float right, float bottom,
                                         float top, float zn, float zf) {
    if (!out) return nullptr;
    *out = platform::Matrix{
        {{2.0f / (right - left), 0, 0, 0},
         {0, 2.0f / (top - bottom), 0, 0},
         {0, 0, 1.0f / (zf - zn), 0},
         {(left + right) / (left - right), (top + bottom) / (bottom - top), zn / (zn - zf), 1}}};
    return out;
}

platform::Matrix* MatrixAffineTransformation2D(platform::Matrix* out, float scaling,
                                               const kis::Vector2* rotationCenter, float rotation,
                                               const kis::Vector2* translation) {
    if (!out) return nullptr;
    const float c = std::cos(rotation), s = std::sin(rotation);
    const float cx = rotationCenter ? rotationCenter->x : 0.0f;
    const float cy = rotationCenter ? rotationCenter->y : 0.0f;
    const float tx = translation ? translation->x : 0.0f;
    const float ty = translation ? translation->y : 0.0f;
    // Scale, move the centre to the origin, rotate, move it back, translate.
    *out = platform::Matrix{{{scaling * c, scaling * s, 0, 0},
                             {-scaling * s, scaling * c, 0, 0},
                             {0, 0, 1, 0},
                             {cx - cx * c + cy * s + tx, cy - cx * s - cy * c + ty, 0, 1}}};
    return out;
}

// ---------------------------------------------------------------- textures

HResult CreateTexture(platform::GraphicsDevice* device, uint32_t width, uint32_t height,
                      uint32_t /*mipLevels*/, uint32_t /*usage*/, PixelFormat format, platform::Pool pool,
                      platform::TexturePtr* texture) {
    if (texture) texture->reset();
    if (!device || !texture || width == 0 || height == 0 || format == kFormatUnknown)
        return kResultInvalidCall;
    static const PixelFormat kNearest[] = {kFormatA8R8G8B8, kFormatX8R8G8B8, kFormatR8G8B8};
    HResult hr = device->CreateTexture(width, height, platform::Format(format), pool, texture);
    for (PixelFormat nearest : kNearest) {
        if (Succeeded(hr) && *texture) return kResultOk;
        if (nearest != format)
            hr = device->CreateTexture(width, height, platform::Format(nearest), pool, texture);
    }
    if (Succeeded(hr) && *texture) return kResultOk;
    texture->reset();
    return Failed(hr) ? hr : kResultFail;
}

HResult CreateTextureFromFileInMemoryEx(platform::GraphicsDevice* device, const void* data, uint32_t size,
                                        uint32_t width, uint32_t height, uint32_t /*mipLevels*/,
                                        uint32_t /*usage*/, PixelFormat format, platform::Pool pool,
                                        uint32_t filter, uint32_t /*mipFilter*/, uint32_t colourKey,
                                        ImageInfo* info, void* /*palette*/, platform::TexturePtr* texture) {
    if (texture) texture->reset();
    if (!device || !data || size == 0 || !texture) return kResultInvalidCall;
    DXLBitmap picture;
    ImageInfo fileInfo;
    if (!Decode(data, size, nullptr, &picture, &fileInfo)) return kResultInvalidData;
    if (info) *info = fileInfo;
    return MakeTexture(device, &picture, width, height, format, pool, filter, colourKey, texture);
}

HResult CreateTextureFromFileExW(platform::GraphicsDevice* device, const char16_t* fileName, uint32_t width,
                                 uint32_t height, uint32_t /*mipLevels*/, uint32_t /*usage*/,
                                 PixelFormat format, platform::Pool pool, uint32_t filter,
                                 uint32_t /*mipFilter*/, uint32_t colourKey, ImageInfo* info,
                                 void* /*palette*/, platform::TexturePtr* texture) {
    if (texture) texture->reset();
    if (!device || !fileName || !fileName[0] || !texture) return kResultInvalidCall;
    std::optional<std::vector<uint8_t>> bytes =
        platform::ReadWholeFile(platform::GamePath(fileName), DXLBitmap::kMaxFileBytes);
    if (!bytes) return kResultFail;
    if (bytes->empty() || bytes->size() > 0xFFFFFFFFu) return kResultInvalidData;
    DXLBitmap picture;
    ImageInfo fileInfo;
    if (!Decode(bytes->data(), uint32_t(bytes->size()), fileName, &picture, &fileInfo))
        return kResultInvalidData;
    if (info) *info = fileInfo;
    return MakeTexture(device, &picture, width, height, format, pool, filter, colourKey, texture);
}

HResult CreateTextureFromFileExA(platform::GraphicsDevice* device, const char* fileName, uint32_t width,
                                 uint32_t height, uint32_t mipLevels, uint32_t usage, PixelFormat format,
                                 platform::Pool pool, uint32_t filter, uint32_t mipFilter, uint32_t colourKey,
                                 ImageInfo* info, void* palette, platform::TexturePtr* texture) {
    if (!fileName) {
        if (texture) texture->reset();
        return kResultInvalidCall;
    }
    const std::u16string name = platform::ToUtf16(fileName);
    return CreateTextureFromFileExW(device, name.c_str(), width, height, mipLevels, usage, format, pool,
                                    filter, mipFilter, colourKey, info, palette, texture);
}

HResult GetImageInfoFromFileInMemory(const void* data, uint32_t size, ImageInfo* info) {
    if (!data || size == 0 || !info) return kResultInvalidCall;
    DXLBitmap picture;
    return Decode(data, size, nullptr, &picture, info) ? kResultOk : kResultInvalidData;
}

// ---------------------------------------------------------------- fonts

HResult CreateFontIndirectW(platform::GraphicsDevice* device, const FontDescW* desc, Font** font) {
    if (font) *font = nullptr;
    if (!device || !desc || !font) return kResultInvalidCall;
    FontDescW copy = *desc;
    copy.faceName[31] = 0;
    platform::GlyphFaceRequest request;
    request.faceName = copy.faceName;
    request.height = copy.height;
    request.weight = int32_t(copy.weight);
    request.italic = copy.italic != 0;
    request.quality = copy.quality;
    std::unique_ptr<platform::GlyphFace> face = platform::OpenGlyphFace(request);
    if (!face) return kResultFail;
    *font = new LibraryFont(device, copy, std::move(face));
    return kResultOk;
}

HResult CreateFontIndirectA(platform::GraphicsDevice* device, const FontDescA* desc, Font** font) {
    if (!desc) return CreateFontIndirectW(device, nullptr, font);
    FontDescW wide{};
    wide.height = desc->height;
    wide.width = desc->width;
    wide.weight = desc->weight;
    wide.mipLevels = desc->mipLevels;
    wide.italic = desc->italic;
    wide.charSet = desc->charSet;
    wide.outputPrecision = desc->outputPrecision;
    wide.quality = desc->quality;
    wide.pitchAndFamily = desc->pitchAndFamily;
    const std::u16string name =
        platform::ToUtf16(std::string_view(desc->faceName, strnlen(desc->faceName, 32)));
    const size_t length = std::min<size_t>(name.size(), 31);
    std::memcpy(wide.faceName, name.data(), length * sizeof(char16_t));
    wide.faceName[length] = 0;
    return CreateFontIndirectW(device, &wide, font);
}

} // namespace d3dx

// ---------------------------------------------------------------- registration

namespace d3dx {

namespace {
template <typename Proc> void Resolve(Proc& member, D3DXProc proc) {
    member = reinterpret_cast<Proc>(GetD3DXProc(proc));
}
} // namespace

const Functions& Library() {
    static Functions table;
    static uint32_t resolvedSerial = 0;
    static bool resolved = false;
    const uint32_t serial = GetD3DXLoadSerial();
    if (!resolved || resolvedSerial != serial) {
        Resolve(table.matrixOrthoOffCenterLH, kD3DXMatrixOrthoOffCenterLH);
        Resolve(table.matrixAffineTransformation2D, kD3DXMatrixAffineTransformation2D);
        Resolve(table.createTexture, kD3DXCreateTexture);
        Resolve(table.createTextureFromFileExW, kD3DXCreateTextureFromFileExW);
        Resolve(table.createTextureFromFileExA, kD3DXCreateTextureFromFileExA);
        Resolve(table.createFontIndirectW, kD3DXCreateFontIndirectW);
        Resolve(table.createFontIndirectA, kD3DXCreateFontIndirectA);
        Resolve(table.getImageInfoFromFileInMemory, kD3DXGetImageInfoFromFileInMemory);
        Resolve(table.createTextureFromFileInMemoryEx, kD3DXCreateTextureFromFileInMemoryEx);
        resolvedSerial = serial;
        resolved = true;
    }
    return table;
}

} // namespace d3dx

void RegisterBuiltInHelperLibrary() {
    struct Entry {
        D3DXProc proc;
        void* function;
    };
    const Entry kEntries[] = {
        {kD3DXMatrixOrthoOffCenterLH, reinterpret_cast<void*>(&d3dx::MatrixOrthoOffCenterLH)},
        {kD3DXMatrixAffineTransformation2D, reinterpret_cast<void*>(&d3dx::MatrixAffineTransformation2D)},
        {kD3DXCreateTexture, reinterpret_cast<void*>(&d3dx::CreateTexture)},
        {kD3DXCreateTextureFromFileExW, reinterpret_cast<void*>(&d3dx::CreateTextureFromFileExW)},
        {kD3DXCreateTextureFromFileExA, reinterpret_cast<void*>(&d3dx::CreateTextureFromFileExA)},
        {kD3DXCreateFontIndirectW, reinterpret_cast<void*>(&d3dx::CreateFontIndirectW)},
        {kD3DXCreateFontIndirectA, reinterpret_cast<void*>(&d3dx::CreateFontIndirectA)},
        {kD3DXGetImageInfoFromFileInMemory, reinterpret_cast<void*>(&d3dx::GetImageInfoFromFileInMemory)},
        {kD3DXCreateTextureFromFileInMemoryEx,
         reinterpret_cast<void*>(&d3dx::CreateTextureFromFileInMemoryEx)},
    };
    static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == kD3DXProcCount);
    for (const Entry& e : kEntries)
        RegisterBuiltInD3DXProc(GetD3DXProcName(e.proc), e.function);
}

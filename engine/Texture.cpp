// Sections:
//   state records
//   current texture
//   texture
//   collection

#include "engine/Texture.h"
#include "engine/HelperLibrary.h"
#include "engine/PixelFormat.h"
#include "foundation/StrFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

// ---------------------------------------------------------------- state records

DXLTextureState MakeTextureState(uint32_t minFilter, uint32_t magFilter, uint32_t addressU, uint32_t addressV,
                                 uint32_t blend, uint32_t colorOp, uint32_t alphaOp) {
    DXLTextureState s;
    s.minLinear = uint8_t(minFilter);
    s.magLinear = uint8_t(magFilter);
    s.addressU = addressU;
    s.addressV = addressV;
    s.blendMode = blend;
    s.colorOp = colorOp;
    s.alphaOp = alphaOp;
    return s;
}

DXLTextureState MakeTextureStateUniform(uint32_t filter, uint32_t address, uint32_t blend, uint32_t op) {
    return MakeTextureState(filter, filter, address, address, blend, op, op);
}

// ---------------------------------------------------------------- current texture

namespace {

// Texture rows follow the device's format table (which has 24-bit pixels);
// bitmap rows the bitmap's own pixel size. Block-compressed rows are rows of
// 4 x 4 blocks.
uint32_t TextureRowBytes(PixelFormat format, uint32_t width) {
    return platform::RowPitch(platform::Format(format), width);
}

uint32_t Rows(PixelFormat format, uint32_t height) {
    return platform::RowCount(platform::Format(format), height);
}

uint32_t BitmapRowBytes(const DXLBitmap* bitmap, uint32_t width) {
    if (IsDXTFormat(bitmap->GetFormat()))
        return platform::RowPitch(platform::Format(bitmap->GetFormat()), width);
    return width * bitmap->GetBytesPerPixel();
}

// A run of rows in one format: where they start, how far apart they are and
// how many bytes each pixel takes.
struct Rows2D {
    const uint8_t* bits;
    PixelFormat format;
    uint32_t rowBytes;
    uint32_t pixelBytes;
};

// Copies rows of `width` pixels into rows of another format: byte for byte
// when the formats match, else pixel by pixel through ARGB.
void ConvertRows(const Rows2D& source, uint8_t* destination, PixelFormat destinationFormat,
                 uint32_t destinationRowBytes, uint32_t width, uint32_t rows) {
    if (source.format == destinationFormat) {
        const uint32_t n = std::min(source.rowBytes, destinationRowBytes);
        for (uint32_t y = 0; y < rows; ++y)
            std::memcpy(destination + size_t(y) * destinationRowBytes,
                        source.bits + size_t(y) * source.rowBytes, n);
        return;
    }
    const uint32_t destinationBytes = platform::BytesPerPixel(platform::Format(destinationFormat));
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* s = source.bits + size_t(y) * source.rowBytes;
        uint8_t* d = destination + size_t(y) * destinationRowBytes;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t argb = 0;
            PixelToARGB(s + size_t(x) * source.pixelBytes, source.format, &argb);
            ARGBToPixel(argb, destinationFormat, d + size_t(x) * destinationBytes);
        }
    }
}

} // namespace

void SetCurrentTexture(DXLTexture* texture) {
    DXLViewer* viewer = texture ? texture->GetViewer() : nullptr;
    if (!viewer) {
        if (texture) texture->Bind(true); // refused: a texture without a viewer never binds
        return;
    }
    const DXLTextureState* override = viewer->GetTextureStateOverride();
    if (override && viewer->GetBoundTexture() == nullptr) viewer->ApplyTextureState(override);
    texture->Bind(override == nullptr);
}

void ClearCurrentTexture(DXLViewer* viewer) {
    if (viewer && viewer->GetBoundTexture()) viewer->GetBoundTexture()->Unbind(true);
}

// ---------------------------------------------------------------- texture

DXLTexture::DXLTexture() {
    Init();
}

DXLTexture::DXLTexture(DXLViewer* viewer) {
    Init();
    SetViewer(viewer);
}

DXLTexture::DXLTexture(DXLTextures* collection) {
    Init();
    SetCollection(collection);
}

void DXLTexture::Init() {
    state_ = MakeTextureState(
        1, 1, uint32_t(platform::TextureAddress::Clamp), uint32_t(platform::TextureAddress::Clamp),
        kBlendOpaque, uint32_t(platform::TextureOp::SelectArg1), uint32_t(platform::TextureOp::SelectArg1));
}

// Targets hear kNotifyDestroyed from the base destructor, once.
DXLTexture::~DXLTexture() {
    SetCollection(nullptr);
    SetViewer(nullptr);
    if (sourceBitmap_) sourceBitmap_->RemoveTarget(this);
}

void DXLTexture::OnNotify(DXLNotifyObject* sender, uint32_t code) {
    if (sender && sender == sourceBitmap_ && code == kNotifyDestroyed) {
        sourceBitmap_ = nullptr;
        if (sourceKind_ == kSourceBitmap) sourceKind_ = kSourceNone;
    }
}

void DXLTexture::OnDeviceEvent(DXLViewer* viewer, uint32_t event) {
    switch (event) {
    case kDeviceAttach:
        AttachToViewer(viewer);
        break;
    case kDeviceDetach:
        Unload();
        DetachFromViewer();
        break;
    case kDeviceCreated:
        if (restorable_ && reloadWanted_) Restore();
        break;
    case kDeviceReleasing:
        Unload();
        break;
    default: // the managed pool survives a reset
        break;
    }
}

// ---- binding

bool DXLTexture::IsBound() const {
    return GetViewer() && GetViewer()->GetBoundTexture() == this;
}

bool DXLTexture::Bind(bool applyState) {
    if (lockCount_ > 0) return false;
    DXLViewer* viewer = GetViewer();
    if (!viewer) return false;
    if (viewer->GetBoundTexture() == this) return true;
    if (!live_) {
        if (viewer->HasDevice()) viewer->BindTexture(nullptr);
        return false;
    }
    if (!viewer->BindTexture(this)) return false;
    if (applyState) ApplyState();
    return true;
}

void DXLTexture::Unbind(bool alsoViewer) {
    if (alsoViewer && IsBound()) GetViewer()->BindTexture(nullptr);
}

void DXLTexture::ApplyState() {
    if (IsBound()) GetViewer()->ApplyTextureState(&state_);
}

// ---- properties

void DXLTexture::SetName(const char16_t* name) {
    kis::StrCopyW(name_, kNameSize, name);
}

void DXLTexture::SetCollection(DXLTextures* collection) {
    if (collection == collection_) return;
    Unload();
    if (collection_) collection_->Remove(this);
    collection_ = collection;
    if (collection) collection->Add(this);
}

void DXLTexture::SetImageFilter(uint32_t filter) {
    if (filter == imageFilter_) return;
    Unload();
    imageFilter_ = filter;
    if (restorable_ && reloadWanted_) Restore();
}

void DXLTexture::SetEdgeFlags(uint32_t flags) {
    if (flags == edgeFlags_) return;
    Unload();
    edgeFlags_ = flags;
    if (restorable_ && reloadWanted_) Restore();
}

void DXLTexture::SetSourceKind(int32_t kind) {
    if (kind == sourceKind_) return;
    Unload();
    sourceKind_ = kind;
    if (restorable_ && reloadWanted_) Restore();
}

void DXLTexture::SetFileName(const char16_t* fileName, bool switchKind) {
    if (!fileName) {
        fileName_.reset();
    } else {
        const int32_t length = std::min<int32_t>(kis::StrLenW(fileName), kMaxFileNameLength);
        std::unique_ptr<char16_t[]> copy(new (std::nothrow) char16_t[size_t(length) + 1]);
        if (!copy) return;
        kis::StrCopyW(copy.get(), uint32_t(length) + 1, fileName);
        fileName_ = std::move(copy);
    }
    if (switchKind) SetSourceKind(kSourceFile);
}

void DXLTexture::SetSourceBitmap(DXLBitmap* bitmap, bool switchKind) {
    if (bitmap != sourceBitmap_) {
        if (sourceBitmap_) sourceBitmap_->RemoveTarget(this);
        sourceBitmap_ = bitmap;
        if (bitmap) bitmap->AddTarget(this);
    }
    if (switchKind) SetSourceKind(kSourceBitmap);
}

void DXLTexture::SetSource(DXLTextureSource* source, bool switchKind) {
    source_ = source;
    if (switchKind) SetSourceKind(kSourceObject);
}

void DXLTexture::SetFilter(bool linear) {
    state_.minLinear = linear ? 1 : 0;
    state_.magLinear = linear ? 1 : 0;
}

void DXLTexture::SetAddressMode(uint32_t mode) {
    state_.addressU = mode;
    state_.addressV = mode;
}

void DXLTexture::SetTextureOps(uint32_t op) {
    state_.colorOp = op;
    state_.alphaOp = op;
}

// ---- loading

bool DXLTexture::CanLoad() const {
    return !live_ && GetViewer() && GetViewer()->HasDevice();
}

// The adapter record says whether textures may keep sizes that are not powers
// of two; without one they are padded.
bool DXLTexture::NonPowerOfTwo() const {
    const DXLADAPTERINFO* adapter = GetViewer() ? GetViewer()->GetCurrentAdapter() : nullptr;
    return adapter && adapter->nonPowerOfTwo != 0;
}

void DXLTexture::SetTextureCoordinates() {
    if (!NonPowerOfTwo() && imageFilter_ != kImageFilterNone) {
        uEnd_ = 1.0f; // the picture was stretched over the whole texture
        vEnd_ = 1.0f;
        return;
    }
    uEnd_ = float(imageWidth_) / float(std::max(1, textureWidth_));
    vEnd_ = float(imageHeight_) / float(std::max(1, textureHeight_));
}

bool DXLTexture::MakeDeviceTexture(uint32_t width, uint32_t height, PixelFormat format) {
    auto create = d3dx::Library().createTexture;
    if (!create) return false;
    platform::TexturePtr made;
    if (Failed(
            create(GetViewer()->GetDevice(), width, height, 1, 0, format, platform::Pool::Managed, &made)) ||
        !made)
        return false;
    TakeDeviceTexture(std::move(made));
    return true;
}

void DXLTexture::TakeDeviceTexture(platform::TexturePtr texture) {
    texture_ = std::move(texture);
    textureWidth_ = int32_t(texture_->Width());
    textureHeight_ = int32_t(texture_->Height());
    textureFormat_ = PixelFormat(texture_->GetFormat());
}

void DXLTexture::Create(int32_t width, int32_t height, PixelFormat format, bool notify) {
    if (!CanLoad() || width <= 0 || height <= 0 || format == kFormatUnknown) return;
    uint32_t w = uint32_t(width), h = uint32_t(height);
    if (!NonPowerOfTwo()) {
        w = NextPowerOfTwo(w);
        h = NextPowerOfTwo(h);
    }
    if (!MakeDeviceTexture(w, h, format)) return;
    imageWidth_ = width;
    imageHeight_ = height;
    live_ = true;
    reloadWanted_ = true;
    SetTextureCoordinates();
    if (notify) Notify(kNotifyTextureLoaded);
}

bool DXLTexture::Upload(uint8_t* pixels) {
    const PixelFormat format = textureFormat_;
    if (alphaMode_ != kAlphaModeNone)
        ApplyAlphaMode(format, textureWidth_, textureHeight_, pixels, alphaMode_, alphaArgument_);
    if (edgeFlags_ != 0 && imageFilter_ == kImageFilterNone &&
        (imageWidth_ != textureWidth_ || imageHeight_ != textureHeight_))
        ExtendImageEdges(format, imageWidth_, imageHeight_, textureWidth_, textureHeight_, pixels,
                         (edgeFlags_ & kEdgeExtendRight) != 0, (edgeFlags_ & kEdgeExtendBottom) != 0);

    const uint32_t rowBytes = TextureRowBytes(format, uint32_t(textureWidth_));
    const uint32_t rows = Rows(format, uint32_t(textureHeight_));
    if (rowBytes == 0) return false;
    uint8_t* bits = static_cast<uint8_t*>(Lock(platform::kLockNoSysLock));
    if (!bits) return false;
    const int32_t pitch = locked_.pitch;
    if (pitch < int32_t(rowBytes)) {
        Unlock();
        return false;
    }
    for (uint32_t y = 0; y < rows; ++y)
        std::memcpy(bits + size_t(y) * size_t(pitch), pixels + size_t(y) * rowBytes, rowBytes);
    Unlock();
    return true;
}

void DXLTexture::Discard() {
    texture_.reset();
    locked_ = {};
    lockCount_ = 0;
    imageWidth_ = imageHeight_ = 0;
    textureWidth_ = textureHeight_ = 0;
    textureFormat_ = kFormatUnknown;
    live_ = false;
}

// The bitmap resampling filter for an image filter: 1 keeps the picture
// unscaled in the top-left corner, 2 stretches by nearest texel, every other
// value (the combined and default filters too) stretches bilinearly.
static uint32_t ResampleFilter(uint32_t imageFilter) {
    return imageFilter == kImageFilterNone || imageFilter == kImageFilterPoint ? imageFilter
                                                                               : kImageFilterLinear;
}

// A staging image of the texture's size and format made from a bitmap: the
// picture (resampled to the texture size when the sizes differ) converted row
// by row. Upload then writes it into the texture at the texture's own pitch.
static bool StageBitmap(DXLBitmap* bitmap, PixelFormat textureFormat, int32_t textureWidth,
                        int32_t textureHeight, uint32_t imageFilter, std::vector<uint8_t>* staging) {
    const PixelFormat format = bitmap->GetFormat();
    if (!CanConvertFormat(format, textureFormat)) return false;
    const uint32_t tw = uint32_t(textureWidth), th = uint32_t(textureHeight);
    const uint32_t stagingRow = TextureRowBytes(textureFormat, tw);
    if (stagingRow == 0) return false;
    staging->assign(size_t(stagingRow) * Rows(textureFormat, th), 0);

    bitmap->BeginAccess();
    bool ok = false;
    const uint32_t iw = uint32_t(bitmap->GetWidth()), ih = uint32_t(bitmap->GetHeight());
    if (iw == tw && ih == th) {
        const Rows2D source{bitmap->GetBits(), format, BitmapRowBytes(bitmap, iw),
                            bitmap->GetBytesPerPixel()};
        if (source.bits && uint64_t(source.rowBytes) * Rows(format, ih) <= bitmap->GetDataSize()) {
            ConvertRows(source, staging->data(), textureFormat, stagingRow, tw, Rows(format, th));
            ok = true;
        }
    } else {
        std::unique_ptr<uint8_t[]> copy =
            bitmap->Resample(textureWidth, textureHeight, ResampleFilter(imageFilter));
        if (copy) {
            const Rows2D source{copy.get(), format, BitmapRowBytes(bitmap, tw), bitmap->GetBytesPerPixel()};
            ConvertRows(source, staging->data(), textureFormat, stagingRow, tw, th);
            ok = true;
        }
    }
    bitmap->EndAccess();
    return ok;
}

void DXLTexture::LoadFromBitmap(DXLBitmap* bitmap) {
    if (!CanLoad() || !bitmap || bitmap->IsEmpty() || bitmap->GetFormat() == kFormatUnknown) return;
    Create(bitmap->GetWidth(), bitmap->GetHeight(), bitmap->GetFormat(), false);
    if (!live_) return;
    std::vector<uint8_t> staging;
    if (!StageBitmap(bitmap, textureFormat_, textureWidth_, textureHeight_, imageFilter_, &staging))
        return; // the texture stays live and empty
    if (!Upload(staging.data())) return;
    SetTextureCoordinates();
    Notify(kNotifyTextureLoaded);
}

// The size arguments of a file load: a device that keeps any texture size
// gets the picture's own size, others a power of two.
uint32_t DXLTexture::FileLoadSize() const {
    return NonPowerOfTwo() ? d3dx::kDefaultNonPow2 : d3dx::kDefault;
}

void DXLTexture::FinishFileLoad(HResult result, platform::TexturePtr made, const d3dx::ImageInfo& info) {
    if (Failed(result) || !made || info.width == 0 || info.height == 0 || info.format == kFormatUnknown)
        return;
    TakeDeviceTexture(std::move(made));
    imageWidth_ = int32_t(info.width);
    imageHeight_ = int32_t(info.height);
    live_ = true;
    reloadWanted_ = false;
    const bool extendEdges = edgeFlags_ != 0 && imageFilter_ == kImageFilterNone &&
                             (imageWidth_ != textureWidth_ || imageHeight_ != textureHeight_);
    if (alphaMode_ != kAlphaModeNone || extendEdges) {
        // Locked levels are rows back to back: the pitch is one row.
        if (void* bits = Lock(platform::kLockNoSysLock)) {
            if (alphaMode_ != kAlphaModeNone)
                ApplyAlphaMode(textureFormat_, textureWidth_, textureHeight_, bits, alphaMode_,
                               alphaArgument_);
            if (extendEdges)
                ExtendImageEdges(textureFormat_, imageWidth_, imageHeight_, textureWidth_, textureHeight_,
                                 bits, (edgeFlags_ & kEdgeExtendRight) != 0,
                                 (edgeFlags_ & kEdgeExtendBottom) != 0);
            Unlock();
        }
    }
    SetTextureCoordinates();
    Notify(kNotifyTextureLoaded);
}

void DXLTexture::LoadFromFile(const char16_t* fileName) {
    if (!CanLoad() || !fileName || !fileName[0]) return;
    auto load = d3dx::Library().createTextureFromFileExW;
    if (!load) return;
    d3dx::ImageInfo info;
    platform::TexturePtr made;
    const uint32_t size = FileLoadSize();
    HResult hr = load(GetViewer()->GetDevice(), fileName, size, size, 1, 0, d3dx::kFormatFromFile,
                      platform::Pool::Managed, imageFilter_, d3dx::kFilterNone, 0, &info, nullptr, &made);
    FinishFileLoad(hr, std::move(made), info);
}

void DXLTexture::LoadFromFileInMemory(const void* data, uint32_t size) {
    if (!CanLoad() || !data || size == 0) return;
    auto load = d3dx::Library().createTextureFromFileInMemoryEx;
    if (!load) return;
    d3dx::ImageInfo info;
    platform::TexturePtr made;
    const uint32_t side = FileLoadSize();
    HResult hr = load(GetViewer()->GetDevice(), data, size, side, side, 1, 0, d3dx::kFormatFromFile,
                      platform::Pool::Managed, imageFilter_, d3dx::kFilterNone, 0, &info, nullptr, &made);
    FinishFileLoad(hr, std::move(made), info);
}

void DXLTexture::Restore() {
    switch (sourceKind_) {
    case kSourceFile:
        if (fileName_) LoadFromFile(fileName_.get());
        break;
    case kSourceBitmap:
        if (sourceBitmap_) LoadFromBitmap(sourceBitmap_);
        break;
    case kSourceObject:
        if (source_) source_->Render(this);
        break;
    default:
        break;
    }
}

void DXLTexture::Release() {
    reloadWanted_ = false;
    if (!live_) return;
    Unbind(true);
    DXLViewer* viewer = GetViewer();
    if (viewer && viewer->GetBoundTexture() == this) viewer->BindTexture(nullptr);
    while (lockCount_ > 0)
        Unlock();
    Discard();
    Notify(kNotifyTextureReleased);
}

void DXLTexture::Unload() {
    if (!live_) return;
    Release();
    reloadWanted_ = true;
}

// ---- pixel access

void* DXLTexture::Lock(uint32_t flags) {
    if (!live_ || !texture_) return nullptr;
    if (lockCount_ == 0) {
        platform::LockedRect rect;
        if (platform::Failed(texture_->Lock(flags, &rect))) return nullptr;
        locked_ = rect;
    }
    ++lockCount_;
    return locked_.bits;
}

void DXLTexture::Unlock() {
    if (lockCount_ <= 0) return;
    if (--lockCount_ == 0 && texture_) texture_->Unlock();
}

int32_t FilteredAlpha(DXLTexture* texture, const kis::Rect& within, float x, float y) {
    if (!texture || !texture->IsLive() || !std::isfinite(x) || !std::isfinite(y)) return -1;
    const PixelFormat format = texture->GetTextureFormat();
    const uint32_t bytes = GetFormatBytes(format);
    if (bytes == 0 || IsDXTFormat(format)) return -1;
    const kis::Rect r{std::max(within.left, 0), std::max(within.top, 0),
                      std::min(within.right, texture->GetTextureWidth()),
                      std::min(within.bottom, texture->GetTextureHeight())};
    const float fx = std::floor(x), fy = std::floor(y);
    // Far outside, every tap is clear (and the casts below stay in range).
    if (fx < float(r.left - 1) || fy < float(r.top - 1) || fx >= float(r.right) || fy >= float(r.bottom))
        return 0;
    const auto* bits = static_cast<const uint8_t*>(texture->Lock(platform::kLockReadOnly));
    if (!bits) return -1;
    const int32_t i = int32_t(fx), j = int32_t(fy);
    bool read = true;
    auto alpha = [&](int32_t u, int32_t v) -> float {
        if (u < r.left || v < r.top || u >= r.right || v >= r.bottom) return 0.0f;
        uint32_t argb = 0;
        read = read && PixelToARGB(bits + size_t(v) * size_t(texture->GetLockedPitch()) + size_t(u) * bytes,
                                   format, &argb);
        return float(argb >> 24);
    };
    const float ax = x - fx, ay = y - fy;
    const float top = alpha(i, j) * (1.0f - ax) + alpha(i + 1, j) * ax;
    const float bottom = alpha(i, j + 1) * (1.0f - ax) + alpha(i + 1, j + 1) * ax;
    texture->Unlock();
    return read ? int32_t(std::lround(top * (1.0f - ay) + bottom * ay)) : -1;
}

// ---------------------------------------------------------------- collection

DXLTextures::DXLTextures(DXLViewer* viewer) {
    SetViewer(viewer);
}

DXLTextures::~DXLTextures() {
    Clear();
}

DXLTexture* DXLTextures::NewTexture() {
    return new (std::nothrow) DXLTexture(this);
}

void DXLTextures::SetViewer(DXLViewer* viewer) {
    if (viewer == viewer_) return;
    viewer_ = viewer;
    for (int32_t i = 0; i < list_.Count(); ++i)
        list_.Get(i)->SetViewer(viewer);
}

int32_t DXLTextures::Add(DXLTexture* texture) {
    if (!texture) return -1;
    if (texture->GetCollection() == this) {
        int32_t index = list_.IndexOf(texture);
        if (index < 0) {
            index = list_.Add(texture);
            texture->SetViewer(viewer_);
        }
        return index;
    }
    texture->SetCollection(this); // comes back here
    return list_.Count() - 1;
}

void DXLTextures::Remove(DXLTexture* texture) {
    list_.Remove(texture);
}

DXLTexture* DXLTextures::Find(const char16_t* name) const {
    for (int32_t i = 0; i < list_.Count(); ++i)
        if (kis::StrCompareW(list_.Get(i)->GetName(), name) == 0) return list_.Get(i);
    return nullptr;
}

DXLTexture* DXLTextures::FindByName(const char16_t* name) const {
    for (int32_t i = 0; i < list_.Count(); ++i)
        if (kis::StrICompareW(list_.Get(i)->GetName(), name) == 0) return list_.Get(i);
    return nullptr;
}

void DXLTextures::DeleteAt(int32_t index) {
    delete list_.Get(index); // its destructor takes it out of the list
}

void DXLTextures::Clear() {
    while (list_.Count() > 0) {
        DXLTexture* last = list_.Last();
        if (!last) {
            list_.Delete(list_.Count() - 1);
            continue;
        }
        delete last;
    }
}

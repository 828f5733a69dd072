#include "engine/ImageFile.h"
#include "engine/ImageReaders.h"
#include "foundation/Paths.h"
#include "foundation/StrFunctions.h"
#include "foundation/Stream.h"
#include "platform/ImageDecode.h"

#include <cstring>

namespace {

// A read-only stream over the caller's bytes.
class ByteStream final : public kis::CustomMemoryStream {
  public:
    ByteStream(const uint8_t* data, uint32_t size) {
        block_ = const_cast<uint8_t*>(data); // never written through
        size_ = size;
    }
    int64_t SetSize(int64_t) override { return -1; }
    int64_t Write(const void*, int64_t) override { return 0; }
};

bool Starts(const uint8_t* data, uint32_t size, const char* signature, uint32_t length) {
    return size >= length && std::memcmp(data, signature, length) == 0;
}

// The reader a signature names, or null.
BitmapFileReader ReaderBySignature(const uint8_t* data, uint32_t size) {
    if (Starts(data, size, "BM", 2)) return ReadBMPFile;
    if (Starts(data, size, "DDS ", 4)) return ReadDDSFile;
    if (Starts(data, size, "P6", 2) || Starts(data, size, "P3", 2)) return ReadPPMFile;
    if (Starts(data, size, "\0\0\1\0", 4)) return ReadIconFile;
    return nullptr;
}

// The reader the table of image-file kinds holds for the extension after the
// last '.' of the name's last part, or null.
BitmapFileReader ReaderByExtension(const char16_t* name) {
    if (!name) return nullptr;
    const char16_t* dot = nullptr;
    for (const char16_t* p = name; *p; ++p) {
        if (*p == u'.')
            dot = p;
        else if (*p == u'\\' || *p == u'/')
            dot = nullptr;
    }
    const DXLBITMAPFILEFORMAT* row = dot ? FindBitmapFileFormat(dot + 1) : nullptr;
    return row ? row->reader : nullptr;
}

bool ReadWith(BitmapFileReader reader, const uint8_t* data, uint32_t size, DXLBitmap* bitmap) {
    ByteStream stream(data, size);
    return reader(&stream, bitmap);
}

bool ReadPicture(const uint8_t* data, uint32_t size, DXLBitmap* bitmap) {
    // The header's size is checked against the bitmap's limits before the
    // pixels are decoded.
    int width = 0, height = 0;
    if (!platform::ReadPictureSize(data, size, &width, &height, nullptr) || width > DXLBitmap::kMaxSide ||
        height > DXLBitmap::kMaxSide || int64_t(width) * height > DXLBitmap::kMaxPixels)
        return false;
    platform::DecodedPicture picture;
    if (!platform::DecodePicture(data, size, &picture, nullptr)) return false;
    const uint32_t bytes = uint32_t(picture.pixels.size() * 4);
    bitmap->SetHeader(kFormatA8R8G8B8, uint32_t(picture.width), uint32_t(picture.height), bytes, 0, 0);
    if (bitmap->GetDataSize() != bytes || !bitmap->GetData()) return false;
    std::memcpy(bitmap->GetData(), picture.pixels.data(), bytes);
    return true;
}

} // namespace

bool ReadImageFileFromMemory(const void* data, uint32_t size, const char16_t* fileName, DXLBitmap* bitmap) {
    if (!bitmap) return false;
    bitmap->Clear();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size == 0) return false;
    bool ok = false;
    if (platform::IsCompressedPicture(bytes, size))
        ok = ReadPicture(bytes, size, bitmap);
    else if (BitmapFileReader reader = ReaderBySignature(bytes, size))
        ok = ReadWith(reader, bytes, size, bitmap);
    else if (BitmapFileReader named = ReaderByExtension(fileName))
        ok = ReadWith(named, bytes, size, bitmap);
    else
        ok = ReadWith(ReadDXLBitmapFile, bytes, size, bitmap) ||
             ReadWith(ReadGLBBitmapFile, bytes, size, bitmap) || ReadWith(ReadTargaFile, bytes, size, bitmap);
    if (!ok || bitmap->IsEmpty()) {
        bitmap->Clear();
        return false;
    }
    return true;
}

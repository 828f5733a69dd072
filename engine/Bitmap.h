#pragma once
#include "engine/NotifyObject.h"
#include "engine/PixelFormat.h"

#include <cstdint>
#include <memory>

// The engine's in-memory image: pixels in one format, rows top to bottom,
// optionally kept run-length packed in memory.
//
// Run-length packing (also that of the engine's own image files): packets of a
// control byte n and data. n below 128: (n & 127) + 1 units follow literally;
// n of 128 or more: one unit follows, standing for (n & 127) + 1 repetitions.
// A unit is the RLE unit's number of bytes (1, 2 or 4).
//
// Every reader of pixels unpacks on demand (GetBits, GetRow); writers bracket
// their work with BeginAccess / EndAccess, which re-packs with the old unit.
class DXLBitmap : public DXLNotifyObject {
  public:
    static constexpr int kMaxSide = 4096;
    static constexpr int kMaxPixels = 0x800000;
    // The largest picture file read whole: the most pixels at 32 bits, twice
    // over for the headers, palettes and mipmaps a file may carry besides.
    static constexpr int64_t kMaxFileBytes = int64_t{kMaxPixels} * 4 * 2;

    // The base destructor sends notify code 1, so a texture that uses the
    // bitmap as its source forgets it.
    DXLBitmap() = default;

    PixelFormat GetFormat() const { return format_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    uint32_t GetDataSize() const { return dataSize_; }
    uint32_t GetUnpackedSize() const { return unpackedSize_; }
    uint32_t GetRLEUnit() const { return rleUnit_; }
    uint32_t GetBytesPerPixel() const { return bytesPerPixel_; }

    bool IsEmpty() const;
    // Ignored for sides above 4096, more than 0x800000 pixels or an unchanged
    // size; otherwise the pixels become a zero-filled, unpacked buffer.
    void SetSize(int width, int height);
    void Clear();
    // Replaces everything with the given header and a zero-filled buffer of
    // dataSize bytes for the caller to fill (the file readers).
    void SetHeader(PixelFormat format, uint32_t width, uint32_t height, uint32_t dataSize,
                   uint32_t unpackedSize, uint32_t rleUnit);
    // Converts the pixels (DXT targets are refused).
    void SetFormat(PixelFormat format);
    // Stores the format number alone (readers that fill the data themselves).
    void SetFormatField(PixelFormat format) { format_ = format; }

    // The pixels, unpacked first.
    uint8_t* GetBits();
    // The data as stored (possibly packed).
    uint8_t* GetData() { return data_.get(); }
    const uint8_t* GetData() const { return data_.get(); }
    // Row n of the unpacked pixels; null for DXT, format 0, an empty bitmap or
    // a row outside the image.
    uint8_t* GetRow(int n);

    // 0 unpacks; 1, 2 or 4 packs with that unit (when it is not larger than a
    // pixel and packing makes the data smaller).
    void SetRLEUnit(uint32_t unit);
    void BeginAccess();
    void EndAccess();

    // A new buffer of newWidth x newHeight pixels of this bitmap's format, or
    // null. Filters: 2 point, 3-5 bilinear, anything else copies the image
    // into the top-left corner.
    std::unique_ptr<uint8_t[]> Resample(int newWidth, int newHeight, uint32_t filter) const;
    std::unique_ptr<uint8_t[]> ResampleToPowerOfTwo(uint32_t filter) const;

  private:
    void Reallocate();
    void ConvertFormat(PixelFormat to);
    void Unpack();
    void Pack(uint32_t unit);
    uint32_t ImageSize() const;
    bool IsPacked() const { return rleUnit_ != 0 && unpackedSize_ != 0; }

    PixelFormat format_ = kFormatUnknown;
    int width_ = 0;
    int height_ = 0;
    uint32_t dataSize_ = 0;
    uint32_t unpackedSize_ = 0;
    uint32_t rleUnit_ = 0;
    uint32_t bytesPerPixel_ = 0;
    std::unique_ptr<uint8_t[]> data_;
    uint32_t savedRleUnit_ = 0;
};

// Run-length codec shared by the bitmap and the image readers.
// Encodes `size` bytes in units of `unit` bytes into `out` (capacity bytes);
// returns the encoded size, or 0 when it would not fit.
uint32_t EncodeRLE(const uint8_t* in, uint32_t size, uint32_t unit, uint8_t* out, uint32_t capacity);
// Decodes packets from `in` (inSize bytes) into `out` until outSize bytes are
// written or the input ends; returns the bytes written.
uint32_t DecodeRLE(const uint8_t* in, uint32_t inSize, uint32_t unit, uint8_t* out, uint32_t outSize);

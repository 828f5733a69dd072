#include "engine/Bitmap.h"

#include "foundation/Helpers.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The largest stored form a bitmap accepts: twice the largest image, which
// leaves room for run-length data that did not pack well.
constexpr uint64_t kMaxDataSize = uint64_t(DXLBitmap::kMaxPixels) * 4 * 2;

std::unique_ptr<uint8_t[]> AllocateZeroed(uint32_t size) {
    if (size == 0) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

uint32_t LoadARGB(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreARGB(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

bool SizeAllowed(int width, int height) {
    return width <= DXLBitmap::kMaxSide && height <= DXLBitmap::kMaxSide &&
           int64_t(width) * height <= DXLBitmap::kMaxPixels;
}

} // namespace

uint32_t EncodeRLE(const uint8_t* in, uint32_t size, uint32_t unit, uint8_t* out, uint32_t capacity) {
    if (!in || !out || unit == 0 || size % unit != 0) return 0;
    const uint32_t units = size / unit;
    auto same = [&](uint32_t a, uint32_t b) { return std::memcmp(in + a * unit, in + b * unit, unit) == 0; };
    uint32_t written = 0;
    uint32_t i = 0;
    while (i < units) {
        // A repeat run: the unit and every equal unit after it.
        if (i + 1 < units && same(i, i + 1)) {
            uint32_t run = 2;
            while (i + run < units && same(i, i + run))
                ++run;
            for (uint32_t left = run; left > 0;) {
                uint32_t count = std::min(left, 128u);
                if (written + 1 + unit > capacity) return 0;
                out[written++] = uint8_t(128 + count - 1);
                std::memcpy(out + written, in + i * unit, unit);
                written += unit;
                left -= count;
            }
            i += run;
            continue;
        }
        // A literal run: up to (not including) the first unit that equals its
        // successor, which opens the next repeat run.
        uint32_t run = 1;
        while (i + run < units && !(i + run + 1 < units && same(i + run, i + run + 1)))
            ++run;
        for (uint32_t done = 0; done < run;) {
            uint32_t count = std::min(run - done, 128u);
            if (written + 1 + count * unit > capacity) return 0;
            out[written++] = uint8_t(count - 1);
            std::memcpy(out + written, in + (i + done) * unit, size_t(count) * unit);
            written += count * unit;
            done += count;
        }
        i += run;
    }
    return written;
}

uint32_t DecodeRLE(const uint8_t* in, uint32_t inSize, uint32_t unit, uint8_t* out, uint32_t outSize) {
    if (!in || !out || unit == 0) return 0;
    uint32_t pos = 0, written = 0;
    while (pos < inSize && written < outSize) {
        const uint8_t control = in[pos++];
        const uint32_t count = (control & 127u) + 1;
        if (control < 128) {
            uint64_t bytes = uint64_t(count) * unit;
            uint32_t n = uint32_t(std::min<uint64_t>({bytes, inSize - pos, outSize - written}));
            std::memcpy(out + written, in + pos, n);
            written += n;
            pos += n;
            continue;
        }
        if (inSize - pos < unit) break;
        for (uint32_t k = 0; k < count && written < outSize; ++k) {
            uint32_t n = std::min(unit, outSize - written);
            std::memcpy(out + written, in + pos, n);
            written += n;
        }
        pos += unit;
    }
    return written;
}

uint32_t DXLBitmap::ImageSize() const {
    if (width_ <= 0 || height_ <= 0) return 0;
    return uint32_t(width_) * uint32_t(height_) * bytesPerPixel_;
}

bool DXLBitmap::IsEmpty() const {
    return !data_ || width_ == 0 || height_ == 0;
}

void DXLBitmap::Reallocate() {
    data_.reset();
    rleUnit_ = 0;
    savedRleUnit_ = 0;
    unpackedSize_ = 0;
    dataSize_ = ImageSize();
    data_ = AllocateZeroed(dataSize_);
    if (dataSize_ != 0 && !data_) {
        width_ = height_ = 0;
        dataSize_ = 0;
    }
}

void DXLBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (!SizeAllowed(width, height) || (width == width_ && height == height_)) return;
    width_ = width;
    height_ = height;
    Reallocate();
}

void DXLBitmap::Clear() {
    if (IsEmpty()) return;
    width_ = height_ = 0;
    Reallocate();
}

void DXLBitmap::SetHeader(PixelFormat format, uint32_t width, uint32_t height, uint32_t dataSize,
                          uint32_t unpackedSize, uint32_t rleUnit) {
    data_.reset();
    format_ = format;
    bytesPerPixel_ = GetFormatBytes(format);
    savedRleUnit_ = 0;
    // A header beyond the bitmap's limits leaves an empty bitmap rather than
    // sizes that no buffer could match.
    if (width > uint32_t(kMaxSide) || height > uint32_t(kMaxSide) || !SizeAllowed(int(width), int(height)) ||
        dataSize > kMaxDataSize) {
        width_ = height_ = 0;
        dataSize_ = unpackedSize_ = rleUnit_ = 0;
        return;
    }
    width_ = int(width);
    height_ = int(height);
    dataSize_ = dataSize;
    unpackedSize_ = unpackedSize;
    rleUnit_ = rleUnit;
    data_ = AllocateZeroed(dataSize_);
    if (dataSize_ != 0 && !data_) {
        width_ = height_ = 0;
        dataSize_ = 0;
    }
}

void DXLBitmap::Unpack() {
    if (unpackedSize_ == 0) return; // the unit was set but the data is raw
    // The unpacked pixels always fill the whole image: a stream that ends
    // early or names a smaller size leaves zero pixels, and one that names a
    // larger size is cut at the image's end.
    const uint32_t target = bytesPerPixel_ != 0 ? ImageSize() : 0;
    std::unique_ptr<uint8_t[]> out = AllocateZeroed(target);
    if (target != 0 && !out) return;
    if (out) DecodeRLE(data_.get(), dataSize_, rleUnit_, out.get(), std::min(target, unpackedSize_));
    data_ = std::move(out);
    dataSize_ = target;
    unpackedSize_ = 0;
}

void DXLBitmap::Pack(uint32_t unit) {
    if (dataSize_ == 0 || !data_) return;
    std::unique_ptr<uint8_t[]> out = AllocateZeroed(dataSize_);
    if (!out) return;
    // The encoded form must be smaller than the data, else packing is dropped.
    uint32_t packed = EncodeRLE(data_.get(), dataSize_, unit, out.get(), dataSize_ - 1);
    if (packed == 0) return;
    std::unique_ptr<uint8_t[]> shrunk = AllocateZeroed(packed);
    if (!shrunk) return;
    std::memcpy(shrunk.get(), out.get(), packed);
    data_ = std::move(shrunk);
    unpackedSize_ = dataSize_;
    dataSize_ = packed;
}

void DXLBitmap::SetRLEUnit(uint32_t unit) {
    if (IsDXTFormat(format_)) return;
    if (unit != 0 && unit != 1 && unit != 2 && unit != 4) unit = 0;
    if (format_ == kFormatUnknown || unit == rleUnit_) return;
    if (rleUnit_ != 0) Unpack();
    if (unit > bytesPerPixel_) unit = 0;
    rleUnit_ = unit;
    if (unit != 0) Pack(unit);
}

void DXLBitmap::BeginAccess() {
    savedRleUnit_ = rleUnit_;
    SetRLEUnit(0);
}

void DXLBitmap::EndAccess() {
    SetRLEUnit(savedRleUnit_);
    savedRleUnit_ = 0;
}

uint8_t* DXLBitmap::GetBits() {
    SetRLEUnit(0);
    return data_.get();
}

uint8_t* DXLBitmap::GetRow(int n) {
    if (IsDXTFormat(format_) || format_ == kFormatUnknown) return nullptr;
    SetRLEUnit(0);
    if (IsEmpty() || n < 0 || n >= height_) return nullptr;
    const uint64_t rowBytes = uint64_t(width_) * bytesPerPixel_;
    if ((uint64_t(n) + 1) * rowBytes > dataSize_) return nullptr; // raw data shorter than the image
    return data_.get() + n * rowBytes;
}

void DXLBitmap::SetFormat(PixelFormat format) {
    if (IsDXTFormat(format) || format == format_) return;
    if (IsEmpty()) {
        format_ = format;
        bytesPerPixel_ = GetFormatBytes(format);
        return;
    }
    ConvertFormat(format);
}

void DXLBitmap::ConvertFormat(PixelFormat to) {
    SetRLEUnit(0);
    const uint32_t newBytes = GetFormatBytes(to);
    if (newBytes == 0 || (bytesPerPixel_ == 0 && !IsDXTFormat(format_))) {
        format_ = to;
        bytesPerPixel_ = newBytes;
        Reallocate();
        return;
    }
    const size_t pixels = size_t(width_) * size_t(height_);
    const uint32_t newSize = uint32_t(pixels * newBytes);
    std::unique_ptr<uint8_t[]> fresh;
    uint8_t* target = data_.get();
    if (newSize != dataSize_) {
        fresh = AllocateZeroed(newSize);
        if (!fresh) return;
        target = fresh.get();
    }
    const uint8_t* source = data_.get();
    if (IsDXTFormat(format_)) {
        const uint32_t needed = GetDXTDataSize(width_, height_, format_);
        if (dataSize_ < needed || !DecodeDXT(width_, height_, target, source, format_, to, newBytes))
            std::memset(target, 0, newSize);
    } else if (dataSize_ < ImageSize()) {
        std::memset(target, 0, newSize); // raw data shorter than the image
    } else {
        const uint32_t oldBytes = bytesPerPixel_;
        for (size_t i = 0; i < pixels; ++i) {
            uint32_t argb = 0;
            if (format_ == kFormatA8R8G8B8)
                argb = LoadARGB(source + i * oldBytes);
            else
                PixelToARGB(source + i * oldBytes, format_, &argb);
            if (to == kFormatA8R8G8B8)
                StoreARGB(target + i * newBytes, argb);
            else
                ARGBToPixel(argb, to, target + i * newBytes);
        }
    }
    if (fresh) data_ = std::move(fresh);
    dataSize_ = newSize;
    format_ = to;
    bytesPerPixel_ = newBytes;
}

std::unique_ptr<uint8_t[]> DXLBitmap::Resample(int newWidth, int newHeight, uint32_t filter) const {
    newWidth = std::max(newWidth, 0);
    newHeight = std::max(newHeight, 0);
    if (IsEmpty() || IsPacked() || IsDXTFormat(format_) || format_ == kFormatUnknown || bytesPerPixel_ == 0)
        return nullptr;
    if (newWidth < width_ || newHeight < height_ || newWidth > 2 * width_ || newHeight > 2 * height_)
        return nullptr;
    if (dataSize_ < ImageSize()) return nullptr;
    const uint32_t bpp = bytesPerPixel_;
    const size_t outSize = size_t(newWidth) * size_t(newHeight) * bpp;
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[outSize]());
    if (!out) return nullptr;
    if (newWidth == width_ && newHeight == height_) {
        std::memcpy(out.get(), data_.get(), outSize);
        return out;
    }

    // The work is done on ARGB values.
    const int w = width_, h = height_;
    std::unique_ptr<uint32_t[]> src(new (std::nothrow) uint32_t[size_t(w) * h]);
    std::unique_ptr<uint32_t[]> dst(new (std::nothrow) uint32_t[size_t(newWidth) * newHeight]());
    if (!src || !dst) return nullptr;
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        const uint8_t* p = data_.get() + i * bpp;
        if (bpp == 4)
            src[i] = LoadARGB(p);
        else if (!PixelToARGB(p, format_, &src[i]))
            src[i] = 0;
    }
    auto pixel = [&](int x, int y) { return src[size_t(y) * w + x]; };

    if (filter == 2) {
        for (int y = 0; y < newHeight; ++y) {
            int sy = std::min(kis::RoundD(double(y) * h / newHeight), h - 1);
            for (int x = 0; x < newWidth; ++x) {
                int sx = std::min(kis::RoundD(double(x) * w / newWidth), w - 1);
                dst[size_t(y) * newWidth + x] = pixel(sx, sy);
            }
        }
    } else if (filter >= 3 && filter <= 5) {
        auto source = [](int i, int oldSide, int newSide, int* index, double* frac) {
            double s = double(i) * oldSide / newSide - (1.0 - double(oldSide) / newSide) / 2.0;
            s = std::clamp(s, 0.0, double(oldSide - 1));
            *index = int(s);
            *frac = kis::FracD(s);
        };
        for (int y = 0; y < newHeight; ++y) {
            int iy;
            double fy;
            source(y, h, newHeight, &iy, &fy);
            for (int x = 0; x < newWidth; ++x) {
                int ix;
                double fx;
                source(x, w, newWidth, &ix, &fx);
                uint32_t result;
                if (fx == 0 && fy == 0) {
                    result = pixel(ix, iy);
                } else {
                    // Neighbours whose weight is 0 are not read (they may lie
                    // outside the image).
                    const uint32_t p00 = pixel(ix, iy);
                    const uint32_t p10 = fx != 0 ? pixel(ix + 1, iy) : 0;
                    const uint32_t p01 = fy != 0 ? pixel(ix, iy + 1) : 0;
                    const uint32_t p11 = fx != 0 && fy != 0 ? pixel(ix + 1, iy + 1) : 0;
                    const double w00 = (1 - fx) * (1 - fy), w10 = fx * (1 - fy), w01 = (1 - fx) * fy,
                                 w11 = fx * fy;
                    result = 0;
                    for (int shift = 0; shift < 32; shift += 8) {
                        double sum = w00 * ((p00 >> shift) & 0xFF) + w10 * ((p10 >> shift) & 0xFF) +
                                     w01 * ((p01 >> shift) & 0xFF) + w11 * ((p11 >> shift) & 0xFF);
                        result |= (uint32_t(kis::RoundD(sum)) & 0xFF) << shift;
                    }
                }
                dst[size_t(y) * newWidth + x] = result;
            }
        }
    } else {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                dst[size_t(y) * newWidth + x] = pixel(x, y);
    }

    for (size_t i = 0; i < size_t(newWidth) * newHeight; ++i) {
        uint8_t* p = out.get() + i * bpp;
        if (bpp == 4)
            StoreARGB(p, dst[i]);
        else
            ARGBToPixel(dst[i], format_, p);
    }
    return out;
}

std::unique_ptr<uint8_t[]> DXLBitmap::ResampleToPowerOfTwo(uint32_t filter) const {
    return Resample(int(NextPowerOfTwo(uint32_t(std::max(width_, 0)))),
                    int(NextPowerOfTwo(uint32_t(std::max(height_, 0)))), filter);
}

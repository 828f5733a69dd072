#include "platform/GraphicsDevice.h"

#include <algorithm>
#include <cstring>

namespace platform {

// ---------------------------------------------------------------- formats

bool IsBlockCompressed(Format format) {
    switch (format) {
    case Format::Dxt1:
    case Format::Dxt2:
    case Format::Dxt3:
    case Format::Dxt4:
    case Format::Dxt5:
        return true;
    default:
        return false;
    }
}

uint32_t BytesPerPixel(Format format) {
    switch (format) {
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
        return 4;
    case Format::R8G8B8:
        return 3;
    case Format::R5G6B5:
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case Format::A8L8:
    case Format::D16:
        return 2;
    case Format::A8:
    case Format::L8:
    case Format::A4L4:
        return 1;
    default:
        return 0;
    }
}

static uint32_t BlockBytes(Format format) {
    return format == Format::Dxt1 ? 8 : 16;
}

uint32_t RowPitch(Format format, uint32_t width) {
    if (IsBlockCompressed(format)) return (width + 3) / 4 * BlockBytes(format);
    return width * BytesPerPixel(format);
}

uint32_t RowCount(Format format, uint32_t height) {
    return IsBlockCompressed(format) ? (height + 3) / 4 : height;
}

bool IsTextureFormat(Format format) {
    return format != Format::D16 && (IsBlockCompressed(format) || BytesPerPixel(format) != 0);
}

static uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}
static uint32_t Expand5(uint32_t v) {
    return v << 3 | v >> 2;
}
static uint32_t Expand6(uint32_t v) {
    return v << 2 | v >> 4;
}
static uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
static uint32_t From565(uint32_t c) {
    return Argb(255, Expand5(c >> 11 & 31), Expand6(c >> 5 & 63), Expand5(c & 31));
}

void ExpandRow(Format format, const uint8_t* s, uint32_t* d, uint32_t count) {
    switch (format) {
    case Format::A8R8G8B8:
        std::memcpy(d, s, count * 4u);
        return;
    case Format::X8R8G8B8:
        for (uint32_t i = 0; i < count; ++i, s += 4)
            d[i] = (static_cast<uint32_t>(s[0]) | s[1] << 8 | s[2] << 16) | 0xFF000000u;
        return;
    case Format::R8G8B8:
        for (uint32_t i = 0; i < count; ++i, s += 3)
            d[i] = Argb(255, s[2], s[1], s[0]);
        return;
    case Format::R5G6B5:
        for (uint32_t i = 0; i < count; ++i, s += 2)
            d[i] = From565(Read16(s));
        return;
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
        for (uint32_t i = 0; i < count; ++i, s += 2) {
            uint32_t c = Read16(s);
            uint32_t a = format == Format::X1R5G5B5 || (c & 0x8000) ? 255 : 0;
            d[i] = Argb(a, Expand5(c >> 10 & 31), Expand5(c >> 5 & 31), Expand5(c & 31));
        }
        return;
    case Format::A4R4G4B4:
        for (uint32_t i = 0; i < count; ++i, s += 2) {
            uint32_t c = Read16(s);
            d[i] = Argb((c >> 12) * 17, (c >> 8 & 15) * 17, (c >> 4 & 15) * 17, (c & 15) * 17);
        }
        return;
    case Format::A8:
        for (uint32_t i = 0; i < count; ++i)
            d[i] = static_cast<uint32_t>(s[i]) << 24;
        return;
    case Format::L8:
        for (uint32_t i = 0; i < count; ++i)
            d[i] = Argb(255, s[i], s[i], s[i]);
        return;
    case Format::A8L8:
        for (uint32_t i = 0; i < count; ++i, s += 2)
            d[i] = Argb(s[1], s[0], s[0], s[0]);
        return;
    case Format::A4L4:
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t l = (s[i] & 15) * 17;
            d[i] = Argb((s[i] >> 4) * 17, l, l, l);
        }
        return;
    default:
        std::memset(d, 0, count * 4u);
        return;
    }
}

// The colour half of every DXT block: two 5:6:5 end points and 2-bit indices.
static void DecodeColourBlock(const uint8_t* block, bool allowTransparent, uint32_t out[16]) {
    uint32_t c0 = Read16(block), c1 = Read16(block + 2);
    uint32_t e0 = From565(c0), e1 = From565(c1);
    uint32_t palette[4] = {e0, e1, 0, 0};
    auto channel = [](uint32_t c, int shift) { return c >> shift & 0xFF; };
    bool fourColours = c0 > c1 || !allowTransparent;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t a = channel(e0, shift), b = channel(e1, shift);
        if (fourColours) {
            palette[2] |= (2 * a + b) / 3 << shift;
            palette[3] |= (a + 2 * b) / 3 << shift;
        } else {
            palette[2] |= (a + b) / 2 << shift;
        }
    }
    palette[2] |= 0xFF000000u;
    if (fourColours) palette[3] |= 0xFF000000u; // else transparent black
    uint32_t indices = static_cast<uint32_t>(block[4]) | block[5] << 8 | block[6] << 16 |
                       static_cast<uint32_t>(block[7]) << 24;
    for (int i = 0; i < 16; ++i)
        out[i] = palette[indices >> (2 * i) & 3];
}

void DecodeBlock(Format format, const uint8_t* block, uint32_t pixels[16]) {
    if (format == Format::Dxt1) {
        DecodeColourBlock(block, true, pixels);
        return;
    }
    DecodeColourBlock(block + 8, false, pixels);
    uint32_t alpha[16];
    if (format == Format::Dxt2 || format == Format::Dxt3) {
        for (int i = 0; i < 16; ++i)
            alpha[i] = (block[i / 2] >> (4 * (i & 1)) & 15) * 17;
    } else {
        uint32_t a0 = block[0], a1 = block[1];
        uint32_t table[8] = {a0, a1};
        if (a0 > a1) {
            for (uint32_t i = 1; i < 7; ++i)
                table[i + 1] = ((7 - i) * a0 + i * a1) / 7;
        } else {
            for (uint32_t i = 1; i < 5; ++i)
                table[i + 1] = ((5 - i) * a0 + i * a1) / 5;
            table[6] = 0;
            table[7] = 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i)
            bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i)
            alpha[i] = table[bits >> (3 * i) & 7];
    }
    for (int i = 0; i < 16; ++i)
        pixels[i] = (pixels[i] & 0x00FFFFFFu) | alpha[i] << 24;
}

// ---------------------------------------------------------------- texture

Texture::Texture(uint32_t width, uint32_t height, Format format, Pool pool)
    : width_(width), height_(height), format_(format), pool_(pool),
      bits_(static_cast<size_t>(RowPitch(format, width)) * RowCount(format, height)) {}

Result Texture::Lock(uint32_t flags, LockedRect* out) {
    if (!out || locked_) return kErrInvalidCall;
    locked_ = true;
    lockedForWrite_ = (flags & kLockReadOnly) == 0;
    out->pitch = static_cast<int32_t>(RowPitch(format_, width_));
    out->bits = bits_.data();
    return kOk;
}

Result Texture::Unlock() {
    if (!locked_) return kErrInvalidCall;
    locked_ = false;
    if (lockedForWrite_) expandedValid_ = false;
    return kOk;
}

const uint32_t* Texture::Expanded() {
    if (expandedValid_) return expanded_.data();
    expanded_.resize(static_cast<size_t>(width_) * height_);
    if (!IsBlockCompressed(format_)) {
        uint32_t pitch = RowPitch(format_, width_);
        for (uint32_t y = 0; y < height_; ++y)
            ExpandRow(format_, bits_.data() + static_cast<size_t>(y) * pitch, &expanded_[size_t(y) * width_],
                      width_);
    } else {
        uint32_t pitch = RowPitch(format_, width_), blockBytes = BlockBytes(format_);
        for (uint32_t by = 0; by < RowCount(format_, height_); ++by) {
            for (uint32_t bx = 0; bx < (width_ + 3) / 4; ++bx) {
                uint32_t block[16];
                DecodeBlock(format_, bits_.data() + size_t(by) * pitch + size_t(bx) * blockBytes, block);
                for (uint32_t j = 0; j < 4 && by * 4 + j < height_; ++j)
                    for (uint32_t i = 0; i < 4 && bx * 4 + i < width_; ++i)
                        expanded_[size_t(by * 4 + j) * width_ + bx * 4 + i] = block[j * 4 + i];
            }
        }
    }
    expandedOpaque_ = true;
    translucentRuns_.resize(height_);
    for (uint32_t y = 0; y < height_; ++y) {
        const uint32_t* row = &expanded_[size_t(y) * width_];
        TranslucentRun run{int32_t(width_), -1};
        for (uint32_t x = 0; x < width_; ++x)
            if (row[x] < 0xFF000000u) {
                run.first = std::min(run.first, int32_t(x));
                run.last = int32_t(x);
            }
        translucentRuns_[y] = run;
        expandedOpaque_ = expandedOpaque_ && run.first > run.last;
    }
    expandedValid_ = true;
    return expanded_.data();
}

// ---------------------------------------------------------------- matrix

Matrix Matrix::Identity() {
    Matrix r{};
    for (int i = 0; i < 4; ++i)
        r.m[i][i] = 1.0f;
    return r;
}

Matrix Matrix::operator*(const Matrix& o) const {
    Matrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j] + m[i][3] * o.m[3][j];
    return r;
}

bool Matrix::operator==(const Matrix& o) const {
    return std::memcmp(m, o.m, sizeof m) == 0;
}

} // namespace platform

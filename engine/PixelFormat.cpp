#include "engine/PixelFormat.h"

#include "foundation/Helpers.h"

#include <cstdio>
#include <cstring>

namespace {

// How a format's pixel is read and written.
enum class Layout : uint8_t {
    None,     // not readable, not writable
    Zero,     // R8G8B8: reads as 0, writes three bytes
    Direct32, // the 32-bit value itself
    Packed,   // channel fields from bit 0 up: blue, green, red, alpha
    L8,
    A8L8,
    A4L4,
    DXT, // only through DecodeDXT
};

struct FormatInfo {
    PixelFormat format;
    const char* name;
    uint8_t bits;
    uint8_t bytes;
    bool kept;
    Layout layout;
    uint8_t widthB, widthG, widthR, widthA;
};

constexpr FormatInfo kFormats[] = {
    {kFormatUnknown, "UNKNOWN", 0, 0, false, Layout::None, 0, 0, 0, 0},
    {kFormatR8G8B8, "R8G8B8", 0, 0, false, Layout::Zero, 0, 0, 0, 0},
    {kFormatA8R8G8B8, "A8R8G8B8", 32, 4, true, Layout::Direct32, 0, 0, 0, 0},
    {kFormatX8R8G8B8, "X8R8G8B8", 32, 4, true, Layout::Direct32, 0, 0, 0, 0},
    {kFormatR5G6B5, "R5G6B5", 16, 2, true, Layout::Packed, 5, 6, 5, 0},
    {kFormatX1R5G5B5, "X1R5G5B5", 16, 2, true, Layout::Packed, 5, 5, 5, 1},
    {kFormatA1R5G5B5, "A1R5G5B5", 16, 2, true, Layout::Packed, 5, 5, 5, 1},
    {kFormatA4R4G4B4, "A4R4G4B4", 0, 2, true, Layout::Packed, 4, 4, 4, 4},
    {kFormatR3G3B2, "R3G3B2", 0, 0, false, Layout::Packed, 2, 3, 3, 0},
    {kFormatA8, "A8", 0, 1, true, Layout::Packed, 0, 0, 0, 8},
    {kFormatA8R3G3B2, "A8R3G3B2", 0, 0, false, Layout::Packed, 2, 3, 3, 8},
    {kFormatX4R4G4B4, "X4R4G4B4", 0, 0, false, Layout::Packed, 4, 4, 4, 4},
    {kFormatA2R10G10B10, "A2R10G10B10", 32, 0, false, Layout::Packed, 10, 10, 10, 2},
    {kFormatL8, "L8", 0, 1, true, Layout::L8, 0, 0, 0, 0},
    {kFormatA8L8, "A8L8", 0, 2, true, Layout::A8L8, 0, 0, 0, 0},
    {kFormatA4L4, "A4L4", 0, 1, true, Layout::A4L4, 0, 0, 0, 0},
    {kFormatDXT1, "DXT1", 0, 0, true, Layout::DXT, 0, 0, 0, 0},
    {kFormatDXT2, "DXT2", 0, 0, true, Layout::DXT, 0, 0, 0, 0},
    {kFormatDXT3, "DXT3", 0, 0, true, Layout::DXT, 0, 0, 0, 0},
    {kFormatDXT4, "DXT4", 0, 0, true, Layout::DXT, 0, 0, 0, 0},
    {kFormatDXT5, "DXT5", 0, 0, true, Layout::DXT, 0, 0, 0, 0},
};

const FormatInfo* FindFormat(PixelFormat format) {
    for (const FormatInfo& info : kFormats)
        if (info.format == format) return &info;
    return nullptr;
}

uint32_t LoadLE(const uint8_t* p, uint32_t bytes) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < bytes; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

void StoreLE(uint8_t* p, uint32_t bytes, uint32_t v) {
    for (uint32_t i = 0; i < bytes; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

uint32_t PackedBytes(const FormatInfo& info) {
    return (info.widthB + info.widthG + info.widthR + info.widthA + 7u) / 8u;
}

uint32_t FieldMax(uint32_t width) {
    return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1u;
}

// A field of the given width read as an 8-bit channel.
uint32_t ExpandField(uint32_t field, uint32_t width) {
    return uint32_t(kis::Round(float(field) * 255.0f / float(FieldMax(width))));
}

// An 8-bit channel scaled to a field of the given width.
uint32_t ShrinkChannel(uint32_t channel, uint32_t width) {
    return uint32_t(kis::Round(float(channel) * float(FieldMax(width)) / 255.0f));
}

uint32_t Luminance(uint32_t argb) {
    float r = float((argb >> 16) & 0xFF), g = float((argb >> 8) & 0xFF), b = float(argb & 0xFF);
    return uint32_t(0.215f * r + 0.715f * g + 0.072f * b);
}

uint32_t ChannelsToARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}

// Element size and mask of a format for the colour-key operation.
struct KeyMask {
    uint32_t bytes;
    uint32_t mask;
};

bool ColourMaskOf(PixelFormat format, KeyMask* out) {
    switch (format) {
    case kFormatA8R8G8B8:
    case kFormatX8R8G8B8:
        *out = {4, 0x00FFFFFF};
        return true;
    case kFormatX1R5G5B5:
    case kFormatA1R5G5B5:
        *out = {2, 0x7FFF};
        return true;
    case kFormatA4R4G4B4:
        *out = {2, 0x0FFF};
        return true;
    case kFormatA8L8:
        *out = {2, 0x00FF};
        return true;
    case kFormatA4L4:
        *out = {1, 0x0F};
        return true;
    default:
        return false;
    }
}

bool EdgeMaskOf(PixelFormat format, KeyMask* out) {
    switch (format) {
    case kFormatA8R8G8B8:
        *out = {4, 0x00FFFFFF};
        return true;
    case kFormatX8R8G8B8:
        *out = {4, 0xFFFFFFFF};
        return true;
    case kFormatR5G6B5:
    case kFormatX1R5G5B5:
    case kFormatX4R4G4B4:
        *out = {2, 0xFFFF};
        return true;
    case kFormatA1R5G5B5:
        *out = {2, 0x7FFF};
        return true;
    case kFormatA4R4G4B4:
        *out = {2, 0x0FFF};
        return true;
    case kFormatR3G3B2:
    case kFormatL8:
        *out = {1, 0xFF};
        return true;
    case kFormatA8:
        *out = {1, 0};
        return true;
    case kFormatA8R3G3B2:
    case kFormatA8L8:
        *out = {2, 0x00FF};
        return true;
    case kFormatA4L4:
        *out = {1, 0x0F};
        return true;
    default:
        return false;
    }
}

bool ImageUsable(int width, int height, const void* pixels) {
    return pixels && width >= 1 && height >= 1;
}

size_t PixelCount(int width, int height) {
    return size_t(width) * size_t(height);
}

} // namespace

uint32_t GetFormatBits(PixelFormat format) {
    const FormatInfo* info = FindFormat(format);
    return info ? info->bits : 0;
}

uint32_t GetFormatBytes(PixelFormat format) {
    const FormatInfo* info = FindFormat(format);
    return info ? info->bytes : 0;
}

PixelFormat SupportedFormat(PixelFormat format) {
    const FormatInfo* info = FindFormat(format);
    return info && info->kept ? format : 0;
}

bool IsDXTFormat(PixelFormat format) {
    uint32_t level = format >> 24;
    return (format & 0x00FFFFFF) == (kis::FourCC("DXT0") & 0x00FFFFFF) && level >= '1' && level <= '5';
}

bool GetFormatName(char* buffer, size_t size, PixelFormat format) {
    const FormatInfo* info = FindFormat(format);
    if (buffer && size > 0) std::snprintf(buffer, size, "%s", info ? info->name : "Unknown");
    return info != nullptr;
}

bool CanConvertFormat(PixelFormat from, PixelFormat to) {
    if (from == kFormatA8R8G8B8 || from == kFormatX8R8G8B8)
        return to == kFormatR8G8B8 || to == kFormatA8R8G8B8 || to == kFormatX8R8G8B8;
    if (from == kFormatX1R5G5B5 || from == kFormatA1R5G5B5)
        return to == kFormatX1R5G5B5 || to == kFormatA1R5G5B5;
    return to == from;
}

uint32_t NextPowerOfTwo(uint32_t n) {
    if (n == 0) return 0;
    uint32_t p = 1;
    while (p < n && p < 0x80000000u)
        p <<= 1;
    return p;
}

bool PixelToARGB(const void* pixel, PixelFormat format, uint32_t* argb) {
    const FormatInfo* info = FindFormat(format);
    if (!pixel || !argb || !info) return false;
    const uint8_t* p = static_cast<const uint8_t*>(pixel);
    switch (info->layout) {
    case Layout::None:
    case Layout::DXT:
        return false;
    case Layout::Zero:
        *argb = 0;
        return true;
    case Layout::Direct32:
        *argb = LoadLE(p, 4);
        return true;
    case Layout::L8:
        *argb = ChannelsToARGB(0xFF, p[0], p[0], p[0]);
        return true;
    case Layout::A8L8:
        *argb = ChannelsToARGB(p[1], p[0], p[0], p[0]);
        return true;
    case Layout::A4L4: {
        uint32_t l = uint32_t(kis::Round(float(p[0] & 15) / 15.0f * 255.0f));
        uint32_t a = uint32_t(kis::Round(float(p[0] >> 4) / 15.0f * 255.0f));
        *argb = ChannelsToARGB(a, l, l, l);
        return true;
    }
    case Layout::Packed: {
        uint32_t v = LoadLE(p, PackedBytes(*info));
        uint32_t shift = 0;
        uint32_t channel[4]; // blue, green, red, alpha
        const uint8_t widths[4] = {info->widthB, info->widthG, info->widthR, info->widthA};
        for (int i = 0; i < 4; ++i) {
            uint32_t w = widths[i];
            if (w == 0) {
                channel[i] = i == 3 ? 0xFF : 0;
                continue;
            }
            channel[i] = ExpandField((v >> shift) & FieldMax(w), w);
            shift += w;
        }
        *argb = ChannelsToARGB(channel[3], channel[2], channel[1], channel[0]);
        return true;
    }
    }
    return false;
}

bool ARGBToPixel(uint32_t argb, PixelFormat format, void* pixel) {
    const FormatInfo* info = FindFormat(format);
    if (!pixel || !info) return false;
    uint8_t* p = static_cast<uint8_t*>(pixel);
    switch (info->layout) {
    case Layout::None:
    case Layout::DXT:
        return false;
    case Layout::Zero:
        StoreLE(p, 3, argb);
        return true; // blue, green, red
    case Layout::Direct32:
        StoreLE(p, 4, argb);
        return true;
    case Layout::L8:
        p[0] = uint8_t(Luminance(argb));
        return true;
    case Layout::A8L8:
        p[0] = uint8_t(Luminance(argb));
        p[1] = uint8_t(argb >> 24);
        return true;
    case Layout::A4L4: {
        uint32_t l = uint32_t(kis::Round(float(Luminance(argb)) / 255.0f * 15.0f));
        uint32_t a = uint32_t(kis::Round(float(argb >> 24) / 255.0f * 15.0f));
        p[0] = uint8_t((l & 15) | (a & 15) << 4);
        return true;
    }
    case Layout::Packed: {
        const uint8_t widths[4] = {info->widthB, info->widthG, info->widthR, info->widthA};
        uint32_t v = 0, shift = 0;
        for (int i = 0; i < 4; ++i) {
            uint32_t w = widths[i];
            if (w == 0) continue;
            uint32_t channel = (argb >> (8 * i)) & 0xFF;
            v |= (ShrinkChannel(channel, w) & FieldMax(w)) << shift;
            shift += w;
        }
        StoreLE(p, PackedBytes(*info), v);
        return true;
    }
    }
    return false;
}

uint32_t GetDXTDataSize(int width, int height, PixelFormat format) {
    if (!IsDXTFormat(format) || width < 1 || height < 1) return 0;
    // Blocks cover the image, the last column and row of blocks reaching past
    // its right and bottom edges when a side is not a multiple of 4.
    uint32_t blocks = ((uint32_t(width) + 3) / 4) * ((uint32_t(height) + 3) / 4);
    return blocks * (format == kFormatDXT1 ? 8u : 16u);
}

namespace {

uint32_t Expand565(uint32_t c) {
    uint32_t r = ((c >> 11) & 31) * 255 / 31;
    uint32_t g = ((c >> 5) & 63) * 255 / 63;
    uint32_t b = (c & 31) * 255 / 31;
    return ChannelsToARGB(0xFF, r, g, b);
}

// Per channel (x * wa + y * wb + bias) / divisor, alpha given.
uint32_t MixColour(uint32_t x, uint32_t y, uint32_t wa, uint32_t wb, uint32_t bias, uint32_t divisor,
                   uint32_t alpha) {
    uint32_t out = alpha << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t cx = (x >> shift) & 0xFF, cy = (y >> shift) & 0xFF;
        out |= ((cx * wa + cy * wb + bias) / divisor & 0xFF) << shift;
    }
    return out;
}

void ColourTable(const uint8_t* block, bool allowThreeColour, uint32_t colours[4]) {
    uint32_t c0 = LoadLE(block, 2), c1 = LoadLE(block + 2, 2);
    colours[0] = Expand565(c0);
    colours[1] = Expand565(c1);
    if (!allowThreeColour || c0 > c1) {
        colours[2] = MixColour(colours[0], colours[1], 2, 1, 1, 3, 0xFF);
        colours[3] = MixColour(colours[0], colours[1], 1, 2, 1, 3, 0xFF);
    } else {
        colours[2] = MixColour(colours[0], colours[1], 1, 1, 0, 2, 0xFF);
        colours[3] = MixColour(colours[0], colours[1], 1, 2, 1, 3, 0x00);
    }
}

void InterpolatedAlphas(uint32_t a0, uint32_t a1, uint32_t alphas[8]) {
    alphas[0] = a0;
    alphas[1] = a1;
    if (a0 > a1) {
        for (uint32_t i = 1; i <= 6; ++i)
            alphas[i + 1] = ((7 - i) * a0 + i * a1 + 3) / 7;
    } else {
        for (uint32_t i = 1; i <= 4; ++i)
            alphas[i + 1] = ((5 - i) * a0 + i * a1 + 2) / 5;
        alphas[6] = 0;
        alphas[7] = 255;
    }
}

} // namespace

bool DecodeDXT(int width, int height, void* destination, const void* source, PixelFormat sourceFormat,
               PixelFormat destinationFormat, uint32_t destinationBytesPerPixel) {
    if (!IsDXTFormat(sourceFormat) || IsDXTFormat(destinationFormat)) return false;
    if (destinationBytesPerPixel != 1 && destinationBytesPerPixel != 2 && destinationBytesPerPixel != 4)
        return false;
    if (!destination || !source || width < 0 || height < 0) return false;
    const uint8_t* src = static_cast<const uint8_t*>(source);
    uint8_t* dst = static_cast<uint8_t*>(destination);
    const bool dxt1 = sourceFormat == kFormatDXT1;
    const bool explicitAlpha = sourceFormat == kFormatDXT2 || sourceFormat == kFormatDXT3;
    const int blocksX = (width + 3) / 4, blocksY = (height + 3) / 4;
    for (int by = 0; by < blocksY; ++by) {
        for (int bx = 0; bx < blocksX; ++bx) {
            uint32_t alpha[16];
            bool haveAlpha = false;
            if (!dxt1) {
                haveAlpha = true;
                if (explicitAlpha) {
                    for (int i = 0; i < 16; ++i)
                        alpha[i] = ((src[i / 2] >> ((i & 1) * 4)) & 15) * 17;
                } else {
                    uint32_t table[8];
                    InterpolatedAlphas(src[0], src[1], table);
                    for (int half = 0; half < 2; ++half) {
                        uint32_t bits = LoadLE(src + 2 + half * 3, 3);
                        for (int i = 0; i < 8; ++i)
                            alpha[half * 8 + i] = table[(bits >> (3 * i)) & 7];
                    }
                }
                src += 8;
            }
            uint32_t colours[4];
            ColourTable(src, dxt1, colours);
            uint32_t indices = LoadLE(src + 4, 4);
            src += 8;
            for (int t = 0; t < 16; ++t) {
                uint32_t argb = colours[(indices >> (2 * t)) & 3];
                if (haveAlpha) argb = (argb & 0x00FFFFFF) | alpha[t] << 24;
                int x = bx * 4 + (t & 3), y = by * 4 + t / 4;
                if (x >= width || y >= height) continue; // edge blocks are clipped to the image
                size_t offset = (size_t(y) * size_t(width) + size_t(x)) * destinationBytesPerPixel;
                ARGBToPixel(argb, destinationFormat, dst + offset);
            }
        }
    }
    return true;
}

void ColourKeyToAlpha(PixelFormat format, int width, int height, void* pixels, uint32_t key) {
    KeyMask km;
    if (!ImageUsable(width, height, pixels) || !ColourMaskOf(format, &km)) return;
    uint8_t* p = static_cast<uint8_t*>(pixels);
    const size_t n = PixelCount(width, height);
    const uint32_t colourKey = key & km.mask;
    for (size_t i = 0; i < n; ++i, p += km.bytes) {
        uint32_t v = LoadLE(p, km.bytes);
        if ((v & km.mask) == colourKey) StoreLE(p, km.bytes, v & km.mask);
    }
}

void AlphaFromLuminance(PixelFormat format, int width, int height, void* pixels) {
    if (!ImageUsable(width, height, pixels)) return;
    uint8_t* p = static_cast<uint8_t*>(pixels);
    const size_t n = PixelCount(width, height);
    switch (format) {
    case kFormatA8R8G8B8:
    case kFormatX8R8G8B8:
        for (size_t i = 0; i < n; ++i, p += 4)
            p[3] = uint8_t((uint32_t(p[0]) + p[1] + p[2]) / 3);
        break;
    case kFormatX1R5G5B5:
    case kFormatA1R5G5B5:
    case kFormatA4R4G4B4: {
        const bool oneBit = format != kFormatA4R4G4B4;
        for (size_t i = 0; i < n; ++i, p += 2) {
            uint32_t argb = 0;
            PixelToARGB(p, format, &argb);
            float l = float(Luminance(argb));
            uint32_t v = LoadLE(p, 2);
            if (oneBit)
                v = (v & 0x7FFF) | (uint32_t(kis::Round(l * 1.0f / 255.0f)) & 1) << 15;
            else
                v = (v & 0x0FFF) | (uint32_t(kis::Round(l * 15.0f / 255.0f)) & 15) << 12;
            StoreLE(p, 2, v);
        }
        break;
    }
    case kFormatA8L8:
        for (size_t i = 0; i < n; ++i, p += 2)
            p[1] = p[0];
        break;
    case kFormatA4L4:
        // Each pixel's alpha nibble takes its own luminance nibble.
        for (size_t i = 0; i < n; ++i, ++p)
            p[0] = uint8_t((p[0] & 0x0F) | (p[0] & 0x0F) << 4);
        break;
    default:
        break;
    }
}

void InvertAlpha(PixelFormat format, int width, int height, void* pixels) {
    if (!ImageUsable(width, height, pixels)) return;
    uint8_t* p = static_cast<uint8_t*>(pixels);
    const size_t n = PixelCount(width, height);
    switch (format) {
    case kFormatA8R8G8B8:
    case kFormatX8R8G8B8:
        for (size_t i = 0; i < n; ++i, p += 4)
            p[3] = uint8_t(255 - p[3]);
        break;
    case kFormatX1R5G5B5:
    case kFormatA1R5G5B5:
        for (size_t i = 0; i < n; ++i, p += 2)
            p[1] ^= 0x80;
        break;
    case kFormatA4R4G4B4:
        for (size_t i = 0; i < n; ++i, p += 2)
            p[1] ^= 0xF0;
        break;
    case kFormatA8:
        for (size_t i = 0; i < n; ++i, ++p)
            p[0] = uint8_t(255 - p[0]);
        break;
    case kFormatA8L8:
        for (size_t i = 0; i < n; ++i, p += 2)
            p[1] = uint8_t(255 - p[1]);
        break;
    case kFormatA4L4:
        for (size_t i = 0; i < n; ++i, ++p)
            p[0] ^= 0xF0;
        break;
    default:
        break;
    }
}

void ApplyAlphaMode(PixelFormat format, int width, int height, void* pixels, uint32_t mode,
                    uint32_t argument) {
    if (!ImageUsable(width, height, pixels) || GetFormatBytes(format) == 0) return;
    switch (mode) {
    case kAlphaModeColourKey: {
        uint8_t key[4] = {};
        if (ARGBToPixel(argument, format, key))
            ColourKeyToAlpha(format, width, height, pixels, LoadLE(key, 4));
        break;
    }
    case kAlphaModeFirstPixelKey: {
        uint8_t key[4] = {};
        std::memcpy(key, pixels, GetFormatBytes(format));
        ColourKeyToAlpha(format, width, height, pixels, LoadLE(key, 4));
        break;
    }
    case kAlphaModeLuminance:
        AlphaFromLuminance(format, width, height, pixels);
        break;
    case kAlphaModeInvertedLuminance:
        AlphaFromLuminance(format, width, height, pixels);
        InvertAlpha(format, width, height, pixels);
        break;
    case kAlphaModeInvert:
        InvertAlpha(format, width, height, pixels);
        break;
    default:
        break;
    }
}

void ExtendImageEdges(PixelFormat format, int imageWidth, int imageHeight, int bufferWidth, int bufferHeight,
                      void* pixels, bool right, bool down) {
    KeyMask km;
    if (!pixels || imageWidth < 0 || imageHeight < 0 || bufferWidth < 1 || bufferHeight < 1) return;
    if (!EdgeMaskOf(format, &km)) return;
    uint8_t* base = static_cast<uint8_t*>(pixels);
    auto at = [&](int x, int y) { return base + (size_t(y) * size_t(bufferWidth) + size_t(x)) * km.bytes; };
    // An image without a column or row has no edge to copy.
    const bool fillRight = right && imageWidth >= 1 && imageWidth < bufferWidth;
    const bool fillDown = down && imageHeight >= 1 && imageHeight < bufferHeight;
    if (fillRight) {
        int rows = imageHeight < bufferHeight ? imageHeight : bufferHeight;
        for (int y = 0; y < rows; ++y)
            StoreLE(at(imageWidth, y), km.bytes, LoadLE(at(imageWidth - 1, y), km.bytes) & km.mask);
    }
    if (fillDown) {
        int columns = imageWidth < bufferWidth ? imageWidth : bufferWidth;
        for (int x = 0; x < columns; ++x)
            StoreLE(at(x, imageHeight), km.bytes, LoadLE(at(x, imageHeight - 1), km.bytes) & km.mask);
    }
    if (fillRight && fillDown)
        StoreLE(at(imageWidth, imageHeight), km.bytes, LoadLE(at(imageWidth - 1, imageHeight - 1), km.bytes));
}

void GetAspectRatio(int width, int height, uint32_t* ratioX, uint32_t* ratioY) {
    int w = int16_t(width), h = int16_t(height);
    uint32_t x = 0, y = 0;
    if (w >= 1 && h >= 1) {
        uint32_t a = uint32_t(w), b = uint32_t(h);
        while (b != 0) {
            uint32_t t = a % b;
            a = b;
            b = t;
        }
        x = uint32_t(w) / a;
        y = uint32_t(h) / a;
    }
    if (ratioX) *ratioX = x;
    if (ratioY) *ratioY = y;
}

// Sections:
//   fixed-point helpers, planes and triangle set-up
//   stage kernels: texel fetch and filters, colour and alpha operations,
//     alpha test, blending, the SSE2 and AVX2 pixel groups
//   spans: fused and general span shading, shading plans
//   triangle set-up: guard band, snapping, culling; Fill

#include "platform/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define VB_RASTER_SSE2 1
#endif
// Wider kernels, chosen at run time on processors that have AVX2 or AVX-512;
// they give the same values as the SSE2 ones, pixel for pixel.
#if VB_RASTER_SSE2 && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VB_RASTER_AVX2 1
#define VB_TARGET_AVX2 __attribute__((target("avx2")))
// And wider still on processors with AVX-512 byte and word instructions.
#define VB_RASTER_AVX512 1
#define VB_TARGET_AVX512 __attribute__((target("avx512f,avx512bw")))
#endif

namespace platform::raster {
namespace {

constexpr int kSubPixel = 256;         // positions snap to 1/256 pixel
constexpr double kGuardBand = 1 << 20; // primitives reaching beyond this many pixels are dropped
constexpr int kChunk = 64;             // pixels per pass through the stage buffers

bool gShortcuts = true;

// The widest kernels the processor has, in bits, and the widest in use.
const int gWidestKernels = [] {
#if VB_RASTER_AVX2
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) return 512;
    if (__builtin_cpu_supports("avx2")) return 256;
#endif
    return 128;
}();
int gKernelWidth = gWidestKernels;

// floor(a / b) for b > 0. A floating-point estimate corrected by exact integer
// tests: far cheaper than a 64-bit integer division, and exactly the same result.
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = static_cast<int64_t>(static_cast<double>(a) / static_cast<double>(b));
    while (q * b > a)
        --q;
    while ((q + 1) * b <= a)
        ++q;
    return q;
}
int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

uint32_t Channel(uint32_t c, int shift) {
    return c >> shift & 0xFF;
}
uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

// Linear attributes over a primitive: value(x, y) = base + dx (x - ox) + dy (y - oy).
struct Plane {
    double base = 0, dx = 0, dy = 0;
};

enum class BlendKind { Replace, Alpha, Additive, Darken, Generic };

// Modulates n texels by one colour and blends them over dst, for one blend kind.
using ShadeFn = void (*)(const PixelState& ps, const uint32_t* tex, uint32_t colour, uint32_t* dst, int n);

struct Setup {
    double ox = 0, oy = 0;
    bool flat = true;
    uint32_t flatColour = 0;
    Plane colour[4]; // b, g, r, a in 0..255
    Plane s, t;      // texture coordinates in texels
    TextureFilter filter = TextureFilter::Point;
    // Steps of s and t from pixel to pixel along a row, in 16.16 texels.
    int64_t ds = 0, dt = 0;
    // How every span of the primitive is shaded, decided once from the states.
    bool textured = false;
    TextureOp alphaOp = TextureOp::SelectArg2; // Disable resolved
    BlendKind kind = BlendKind::Replace;
    bool alphaTest = false;
    // One pass for the common case: texture selected or modulated by one vertex
    // colour, no alpha test. skipClear: a transparent texel leaves the pixel as it is.
    bool fused = false, modulates = false, skipClear = false;
    // Every source pixel has alpha 255: opaque texels, selected or modulated
    // by an opaque colour, and any border colour opaque too.
    bool opaqueSource = false;
    ShadeFn shade = nullptr; // for fused spans
    // An alpha blend that a span reading only opaque texels of one row turns
    // into this shade (a copy or a modulation): the texture is opaque there.
    ShadeFn opaqueRowShade = nullptr;
};

// ------------------------------------------------------------ stage kernels

void FillColour(uint32_t* d, int n, uint32_t c) {
    int i = 0;
#if VB_RASTER_SSE2
    // Whole 16-byte stores, so that the vector loads that follow can be forwarded from them.
    const __m128i v = _mm_set1_epi32(static_cast<int>(c));
    for (; i + 4 <= n; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
#endif
    for (; i < n; ++i)
        d[i] = c;
}

// Texel address of one coordinate under an addressing mode; -1 means "border".
int Address(int i, int n, TextureAddress mode) {
    // Inside the texture every mode answers the texel itself; most fetches are.
    if (static_cast<unsigned>(i) < static_cast<unsigned>(n)) return i;
    switch (mode) {
    case TextureAddress::Wrap: {
        int m = i % n;
        return m < 0 ? m + n : m;
    }
    case TextureAddress::Mirror: {
        int m = i % (2 * n);
        if (m < 0) m += 2 * n;
        return m < n ? m : 2 * n - 1 - m;
    }
    case TextureAddress::Border:
        return (i < 0 || i >= n) ? -1 : i;
    case TextureAddress::MirrorOnce:
        i = i < 0 ? -i - 1 : i;
        return i < n - 1 ? i : n - 1;
    case TextureAddress::Clamp:
    default:
        // Plain comparisons: std::clamp's references cost a sanitised build a stack frame a texel.
        return i < 0 ? 0 : i > n - 1 ? n - 1 : i;
    }
}

uint32_t Fetch(const PixelState& ps, int x, int y) {
    int ax = Address(x, ps.textureWidth, ps.addressU);
    int ay = Address(y, ps.textureHeight, ps.addressV);
    if (ax < 0 || ay < 0) return ps.borderColour;
    return ps.texels[static_cast<size_t>(ay) * ps.textureWidth + ax];
}

// An exact integer magnification along a texture row (a step of 1/m texel, m
// dividing 65536): each texel covers m pixels, the first one as many as remain
// of it, so each is read once and repeated.
void RepeatTexels(const uint32_t* row, int64_t s, int64_t ds, uint32_t* out, int n) {
    const int m = static_cast<int>(0x10000 / ds);
    const uint32_t* texel = row + (s >> 16);
    int run = static_cast<int>((0x10000 - (s & 0xFFFF) + ds - 1) / ds);
    int i = 0;
    auto repeat = [&] {
        const uint32_t value = *texel++;
        const int end = std::min(n, i + run);
        for (; i < end; ++i)
            out[i] = value;
        run = m;
    };
    repeat();
#if VB_RASTER_SSE2
    if (m == 2) {
        // Twice the size, the common magnification: four texels make eight pixels.
        for (; i + 8 <= n; i += 8, texel += 4) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texel));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi32(x, x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_unpackhi_epi32(x, x));
        }
    }
#endif
    while (i < n)
        repeat();
}

void SamplePoint(const PixelState& ps, int64_t s, int64_t t, int64_t ds, int64_t dt, uint32_t* out, int n) {
    if (n <= 0) return;
    // Coordinates move linearly, so when both ends of the run are inside the
    // texture every texel between is too: read them without the addressing
    // modes (the common case of a scaled picture).
    const int64_t sEnd = s + ds * (n - 1), tEnd = t + dt * (n - 1);
    const int64_t w = int64_t(ps.textureWidth) << 16, h = int64_t(ps.textureHeight) << 16;
    if (std::min(s, sEnd) >= 0 && std::max(s, sEnd) < w && std::min(t, tEnd) >= 0 && std::max(t, tEnd) < h) {
        const uint32_t* texels = ps.texels;
        const size_t pitch = size_t(ps.textureWidth);
        if (dt == 0 && gShortcuts) {
            // Along a screen row of an upright picture only the column changes.
            const uint32_t* row = texels + size_t(t >> 16) * pitch;
            if (ds > 0 && 0x10000 % ds == 0) {
                RepeatTexels(row, s, ds, out, n);
                return;
            }
            int i = 0;
#if VB_RASTER_SSE2
            // Four texels to a store: the output is often a frame row not yet in the
            // caches, where one store a pixel would wait on every line it reaches.
            for (; i + 4 <= n; i += 4, s += 4 * ds)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                                 _mm_setr_epi32(static_cast<int>(row[size_t(s >> 16)]),
                                                static_cast<int>(row[size_t((s + ds) >> 16)]),
                                                static_cast<int>(row[size_t((s + 2 * ds) >> 16)]),
                                                static_cast<int>(row[size_t((s + 3 * ds) >> 16)])));
#endif
            for (; i < n; ++i, s += ds)
                out[i] = row[size_t(s >> 16)];
            return;
        }
        for (int i = 0; i < n; ++i, s += ds, t += dt)
            out[i] = texels[size_t(t >> 16) * pitch + size_t(s >> 16)];
        return;
    }
    for (int i = 0; i < n; ++i, s += ds, t += dt)
        out[i] = Fetch(ps, static_cast<int>(s >> 16), static_cast<int>(t >> 16));
}

// Bilinear filtering in integers. Texture coordinates are rounded to 1/256 texel;
// fx and fy (0..255) are the weights of the right and lower texels. Each channel
// is first blended vertically with 8 fractional bits kept, then horizontally
// with 7 kept, and rounded once at the end: within a unit of exact filtering in
// floating point, and exactly the texel itself at fractions of zero. The vector
// kernel below gives the same values bit for bit.
inline uint32_t BilinearChannel(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11, uint32_t fx,
                                uint32_t fy) {
    const uint32_t v0 = c00 * (256 - fy) + c01 * fy, v1 = c10 * (256 - fy) + c11 * fy; // <= 65280
    const uint32_t r = (v0 * ((256 - fx) << 7) >> 16) + (v1 * (fx << 7) >> 16);        // <= 32640
    return (r + 64) >> 7;
}

inline uint32_t Bilinear(uint32_t c00, uint32_t c10, uint32_t c01, uint32_t c11, uint32_t fx, uint32_t fy) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= BilinearChannel(Channel(c00, shift), Channel(c10, shift), Channel(c01, shift),
                               Channel(c11, shift), fx, fy)
               << shift;
    return out;
}

// Bias from a pixel's texture coordinate (16.16 texels) to the 16.16 position of
// its upper-left tap, rounded to the nearest 1/256 texel.
constexpr int64_t kLinearBias = -0x8000 + 0x80;

// Every addressing mode, every coordinate: for the pixels whose taps may leave the
// texture. With skipClear, a pixel whose four taps are fully transparent is left
// as zero without filtering: only for callers that leave such pixels untouched.
void SampleLinearCareful(const PixelState& ps, int64_t s, int64_t t, int64_t ds, int64_t dt, bool skipClear,
                         uint32_t* out, int n) {
    const bool clamp = ps.addressU == TextureAddress::Clamp && ps.addressV == TextureAddress::Clamp;
    const int w = ps.textureWidth, h = ps.textureHeight;
    for (int i = 0; i < n; ++i, s += ds, t += dt) {
        const int x0 = static_cast<int>(s >> 16), y0 = static_cast<int>(t >> 16);
        uint32_t c00, c10, c01, c11;
        if (clamp) {
            const int xa = std::clamp(x0, 0, w - 1), xb = std::clamp(x0 + 1, 0, w - 1);
            const uint32_t* r0 = ps.texels + static_cast<size_t>(std::clamp(y0, 0, h - 1)) * w;
            const uint32_t* r1 = ps.texels + static_cast<size_t>(std::clamp(y0 + 1, 0, h - 1)) * w;
            c00 = r0[xa], c10 = r0[xb], c01 = r1[xa], c11 = r1[xb];
        } else {
            c00 = Fetch(ps, x0, y0), c10 = Fetch(ps, x0 + 1, y0), c01 = Fetch(ps, x0, y0 + 1);
            c11 = Fetch(ps, x0 + 1, y0 + 1);
        }
        if (skipClear && ((c00 | c10 | c01 | c11) >> 24) == 0) {
            out[i] = 0;
            continue;
        }
        out[i] = Bilinear(c00, c10, c01, c11, static_cast<uint32_t>(s >> 8) & 0xFF,
                          static_cast<uint32_t>(t >> 8) & 0xFF);
    }
}

#if VB_RASTER_AVX2
// SampleLinearInside eight pixels at a time; returns how many it sampled. A 256-bit
// register holds pixel k in its low half and pixel k + 4 in its high half, so that
// the results pack back in order.
VB_TARGET_AVX2 int SampleLinearInside8(const uint32_t* texels, int width, uint32_t s, uint32_t t, uint32_t ds,
                                       uint32_t dt, uint32_t* out, int n) {
    const __m256i zero = _mm256_setzero_si256(), low8 = _mm256_set1_epi32(0xFF),
                  round = _mm256_set1_epi16(64);
    const __m256i w256 = _mm256_set1_epi16(256), w32768 = _mm256_set1_epi16(static_cast<short>(0x8000));
    const __m256i step = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i vs = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(s)),
                                  _mm256_mullo_epi32(step, _mm256_set1_epi32(static_cast<int>(ds))));
    __m256i vt = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(t)),
                                  _mm256_mullo_epi32(step, _mm256_set1_epi32(static_cast<int>(dt))));
    const __m256i vds = _mm256_set1_epi32(static_cast<int>(8 * ds)),
                  vdt = _mm256_set1_epi32(static_cast<int>(8 * dt));
    const uint32_t uwidth = static_cast<uint32_t>(width);
    // Scalar coordinates of pixels k and k + 4, stepped together.
    uint32_t sa = s, ta = t, sb = s + 4 * ds, tb = t + 4 * dt;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i fx = _mm256_and_si256(_mm256_srli_epi32(vs, 8), low8);
        const __m256i fy = _mm256_and_si256(_mm256_srli_epi32(vt, 8), low8);
        vs = _mm256_add_epi32(vs, vds);
        vt = _mm256_add_epi32(vt, vdt);
        const __m256i wy = _mm256_or_si256(fy, _mm256_slli_epi32(fy, 16)), wyInv = _mm256_sub_epi16(w256, wy);
        const __m256i fx7 = _mm256_slli_epi32(fx, 7);
        const __m256i wx = _mm256_or_si256(fx7, _mm256_slli_epi32(fx7, 16)),
                      wxInv = _mm256_sub_epi16(w32768, wx);
        const __m256i wxLo = _mm256_unpacklo_epi32(wxInv, wx), wxHi = _mm256_unpackhi_epi32(wxInv, wx);
#define VB_BILINEAR_PAIR(name, sel, wxPair, wxSel)                                                           \
    __m256i name;                                                                                            \
    {                                                                                                        \
        const uint32_t* a = texels + ((ta >> 16) * uwidth + (sa >> 16));                                     \
        const uint32_t* b = texels + ((tb >> 16) * uwidth + (sb >> 16));                                     \
        sa += ds, ta += dt, sb += ds, tb += dt;                                                              \
        const __m256i top = _mm256_unpacklo_epi8(                                                            \
            _mm256_inserti128_si256(                                                                         \
                _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),                \
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b)), 1),                                    \
            zero);                                                                                           \
        const __m256i bottom = _mm256_unpacklo_epi8(                                                         \
            _mm256_inserti128_si256(                                                                         \
                _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + width))),        \
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + width)), 1),                            \
            zero);                                                                                           \
        const __m256i v = _mm256_add_epi16(_mm256_mullo_epi16(top, _mm256_shuffle_epi32(wyInv, sel)),        \
                                           _mm256_mullo_epi16(bottom, _mm256_shuffle_epi32(wy, sel)));       \
        name = _mm256_mulhi_epu16(v, _mm256_shuffle_epi32(wxPair, wxSel));                                   \
    }
        VB_BILINEAR_PAIR(m0, 0x00, wxLo, 0x50)
        VB_BILINEAR_PAIR(m1, 0x55, wxLo, 0xFA)
        VB_BILINEAR_PAIR(m2, 0xAA, wxHi, 0x50)
        VB_BILINEAR_PAIR(m3, 0xFF, wxHi, 0xFA)
#undef VB_BILINEAR_PAIR
        sa += 4 * ds, ta += 4 * dt, sb += 4 * ds, tb += 4 * dt;
        const __m256i r01 = _mm256_add_epi16(_mm256_unpacklo_epi64(m0, m1), _mm256_unpackhi_epi64(m0, m1));
        const __m256i r23 = _mm256_add_epi16(_mm256_unpacklo_epi64(m2, m3), _mm256_unpackhi_epi64(m2, m3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_packus_epi16(_mm256_srli_epi16(_mm256_add_epi16(r01, round), 7),
                                                _mm256_srli_epi16(_mm256_add_epi16(r23, round), 7)));
    }
    return i;
}
#endif

#if VB_RASTER_SSE2
// SampleLinearInside four pixels at a time; returns how many it sampled.
int SampleLinearInside4(const uint32_t* texels, int width, uint32_t s, uint32_t t, uint32_t ds, uint32_t dt,
                        uint32_t* out, int n) {
    const __m128i zero = _mm_setzero_si128(), low8 = _mm_set1_epi32(0xFF), round = _mm_set1_epi16(64);
    const __m128i w256 = _mm_set1_epi16(256), w32768 = _mm_set1_epi16(static_cast<short>(0x8000));
    __m128i vs = _mm_setr_epi32(static_cast<int>(s), static_cast<int>(s + ds), static_cast<int>(s + 2 * ds),
                                static_cast<int>(s + 3 * ds));
    __m128i vt = _mm_setr_epi32(static_cast<int>(t), static_cast<int>(t + dt), static_cast<int>(t + 2 * dt),
                                static_cast<int>(t + 3 * dt));
    const __m128i vds = _mm_set1_epi32(static_cast<int>(4 * ds)),
                  vdt = _mm_set1_epi32(static_cast<int>(4 * dt));
    // Inside the texture both coordinates are positive: unsigned arithmetic indexes
    // without sign extensions.
    const uint32_t uwidth = static_cast<uint32_t>(width);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        // Weights as 16-bit pairs per 32-bit lane: fy | fy << 16 and so on.
        const __m128i fx = _mm_and_si128(_mm_srli_epi32(vs, 8), low8),
                      fy = _mm_and_si128(_mm_srli_epi32(vt, 8), low8);
        vs = _mm_add_epi32(vs, vds);
        vt = _mm_add_epi32(vt, vdt);
        const __m128i wy = _mm_or_si128(fy, _mm_slli_epi32(fy, 16)), wyInv = _mm_sub_epi16(w256, wy);
        const __m128i fx7 = _mm_slli_epi32(fx, 7);
        const __m128i wx = _mm_or_si128(fx7, _mm_slli_epi32(fx7, 16)), wxInv = _mm_sub_epi16(w32768, wx);
        const __m128i wxLo = _mm_unpacklo_epi32(wxInv, wx), wxHi = _mm_unpackhi_epi32(wxInv, wx);
        // Per pixel: its two upper taps in lanes 0-3 and 4-7, blended with the two
        // lower ones, then weighted for the horizontal blend.
        auto pixel = [&](__m128i wyInvK, __m128i wyK, __m128i wxK) {
            const uint32_t* p = texels + ((t >> 16) * uwidth + (s >> 16));
            s += ds;
            t += dt;
            const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
            const __m128i bottom =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + width)), zero);
            const __m128i v = _mm_add_epi16(_mm_mullo_epi16(top, wyInvK), _mm_mullo_epi16(bottom, wyK));
            return _mm_mulhi_epu16(v, wxK);
        };
        const __m128i m0 =
            pixel(_mm_shuffle_epi32(wyInv, 0x00), _mm_shuffle_epi32(wy, 0x00), _mm_shuffle_epi32(wxLo, 0x50));
        const __m128i m1 =
            pixel(_mm_shuffle_epi32(wyInv, 0x55), _mm_shuffle_epi32(wy, 0x55), _mm_shuffle_epi32(wxLo, 0xFA));
        const __m128i m2 =
            pixel(_mm_shuffle_epi32(wyInv, 0xAA), _mm_shuffle_epi32(wy, 0xAA), _mm_shuffle_epi32(wxHi, 0x50));
        const __m128i m3 =
            pixel(_mm_shuffle_epi32(wyInv, 0xFF), _mm_shuffle_epi32(wy, 0xFF), _mm_shuffle_epi32(wxHi, 0xFA));
        const __m128i r01 = _mm_add_epi16(_mm_unpacklo_epi64(m0, m1), _mm_unpackhi_epi64(m0, m1));
        const __m128i r23 = _mm_add_epi16(_mm_unpacklo_epi64(m2, m3), _mm_unpackhi_epi64(m2, m3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(r01, round), 7),
                                          _mm_srli_epi16(_mm_add_epi16(r23, round), 7)));
    }
    return i;
}
#endif

// Pixels whose four taps all lie inside the texture. A pixel's value depends on
// its coordinates alone, so the vector kernels take a run that is not a whole
// number of groups as whole groups with the last one moved back over pixels
// already sampled: they are written again with the same values, and only runs
// shorter than one group are filtered a pixel at a time.
void SampleLinearInside(const uint32_t* texels, int width, int32_t s, int32_t t, int32_t ds, int32_t dt,
                        uint32_t* out, int n) {
    const uint32_t us = static_cast<uint32_t>(s), ut = static_cast<uint32_t>(t),
                   uds = static_cast<uint32_t>(ds), udt = static_cast<uint32_t>(dt);
#if VB_RASTER_SSE2
    using Kernel = int (*)(const uint32_t*, int, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t*, int);
    auto groups = [&](Kernel kernel, int group) {
        const int done = kernel(texels, width, us, ut, uds, udt, out, n);
        if (done < n) {
            const uint32_t back = static_cast<uint32_t>(n - group);
            kernel(texels, width, us + back * uds, ut + back * udt, uds, udt, out + back, group);
        }
    };
#endif
    if (gShortcuts) {
#if VB_RASTER_AVX2
        if (gKernelWidth >= 256 && n >= 8) {
            groups(SampleLinearInside8, 8);
            return;
        }
#endif
#if VB_RASTER_SSE2
        if (n >= 4) {
            groups(SampleLinearInside4, 4);
            return;
        }
#endif
    }
    int i = 0;
#if VB_RASTER_AVX2
    if (gKernelWidth >= 256) i = SampleLinearInside8(texels, width, us, ut, uds, udt, out, n);
#endif
#if VB_RASTER_SSE2
    i += SampleLinearInside4(texels, width, us + static_cast<uint32_t>(i) * uds,
                             ut + static_cast<uint32_t>(i) * udt, uds, udt, out + i, n - i);
#endif
    s += i * ds;
    t += i * dt;
    for (int k = i; k < n; ++k, s += ds, t += dt) {
        const uint32_t* p = texels + (t >> 16) * width + (s >> 16);
        out[k] = Bilinear(p[0], p[1], p[width], p[width + 1], static_cast<uint32_t>(s >> 8) & 0xFF,
                          static_cast<uint32_t>(t >> 8) & 0xFF);
    }
}

// The linear filter over a run of pixels: the stretch whose taps all lie inside
// the texture takes the fast kernel, the pixels before and after it the careful one.
void SampleLinear(const PixelState& ps, const Setup& su, int64_t s, int64_t t, bool skipClear, uint32_t* out,
                  int n) {
    const int64_t ds = su.ds, dt = su.dt;
    s += kLinearBias;
    t += kLinearBias;
    int first = 0, last = 0;
    // The fast kernel steps 32-bit coordinates four pixels at a time.
    constexpr int64_t kMaxStep = int64_t(1) << 26;
    if (ps.textureWidth >= 2 && ps.textureHeight >= 2 && std::llabs(ds) < kMaxStep &&
        std::llabs(dt) < kMaxStep) {
        // Coordinates are linear along the span, so the pixels whose taps all lie
        // inside form one stretch; it is found by walking in from both ends, which
        // takes a step or two where a quad's edge meets the texture's.
        const int64_t sLimit = (int64_t(ps.textureWidth - 1) << 16) - 1,
                      tLimit = (int64_t(ps.textureHeight - 1) << 16) - 1;
        auto inside = [&](int i) {
            const int64_t si = s + i * ds, ti = t + i * dt;
            return si >= 0 && si <= sLimit && ti >= 0 && ti <= tLimit;
        };
        last = n;
        while (first < last && !inside(first))
            ++first;
        while (last > first && !inside(last - 1))
            --last;
    }
    if (first == last) {
        SampleLinearCareful(ps, s, t, ds, dt, skipClear, out, n);
        return;
    }
    SampleLinearCareful(ps, s, t, ds, dt, skipClear, out, first);
    SampleLinearInside(ps.texels, ps.textureWidth, static_cast<int32_t>(s + first * ds),
                       static_cast<int32_t>(t + first * dt), static_cast<int32_t>(ds),
                       static_cast<int32_t>(dt), out + first, last - first);
    SampleLinearCareful(ps, s + last * ds, t + last * dt, ds, dt, skipClear, out + last, n - last);
}

#if VB_RASTER_SSE2
// round(x / 255) of eight 16-bit products, exact for x <= 255 * 255.
// (x + 128) * 257 >> 16 equals MulDiv255's (t + (t >> 8)) >> 8 with t = x + 128 over that range.
inline __m128i Div255(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}
inline __m128i BroadcastAlpha(__m128i px16) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF);
}
#endif

// Modulates texels by one colour for every pixel.
void ModulateConstant(const uint32_t* a, uint32_t colour, uint32_t* out, int n) {
    int i = 0;
#if VB_RASTER_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i c = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
    for (; i + 4 <= n; i += 4) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        __m128i lo = Div255(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), c));
        __m128i hi = Div255(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), c));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < n; ++i) {
        uint32_t x = a[i];
        out[i] = Pack(
            MulDiv255(Channel(x, 24), Channel(colour, 24)), MulDiv255(Channel(x, 16), Channel(colour, 16)),
            MulDiv255(Channel(x, 8), Channel(colour, 8)), MulDiv255(Channel(x, 0), Channel(colour, 0)));
    }
}

void Modulate(const uint32_t* a, const uint32_t* b, uint32_t* out, int n) {
    int i = 0;
#if VB_RASTER_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        __m128i lo = Div255(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), _mm_unpacklo_epi8(y, zero)));
        __m128i hi = Div255(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), _mm_unpackhi_epi8(y, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < n; ++i) {
        uint32_t x = a[i], y = b[i];
        out[i] = Pack(MulDiv255(Channel(x, 24), Channel(y, 24)), MulDiv255(Channel(x, 16), Channel(y, 16)),
                      MulDiv255(Channel(x, 8), Channel(y, 8)), MulDiv255(Channel(x, 0), Channel(y, 0)));
    }
}

uint32_t OpChannel(TextureOp op, uint32_t t, uint32_t d) {
    switch (op) {
    case TextureOp::SelectArg1:
        return t;
    case TextureOp::SelectArg2:
    case TextureOp::Disable:
        return d;
    case TextureOp::Modulate:
        return MulDiv255(t, d);
    case TextureOp::Modulate2x:
        return std::min(255u, 2 * MulDiv255(t, d));
    case TextureOp::Modulate4x:
        return std::min(255u, 4 * MulDiv255(t, d));
    case TextureOp::Add:
        return std::min(255u, t + d);
    case TextureOp::AddSigned:
        return static_cast<uint32_t>(std::clamp(int(t + d) - 128, 0, 255));
    case TextureOp::AddSigned2x:
        return static_cast<uint32_t>(std::clamp(2 * int(t + d) - 255, 0, 255));
    case TextureOp::Subtract:
        return static_cast<uint32_t>(std::max(int(t) - int(d), 0));
    case TextureOp::AddSmooth:
        return std::min(255u, t + MulDiv255(d, 255 - t));
    }
    return d;
}

// One operation on the colour channels (or only on alpha), selected once per chunk.
void CombineGeneric(TextureOp colorOp, TextureOp alphaOp, const uint32_t* tex, const uint32_t* dif,
                    uint32_t* out, int n) {
    for (int i = 0; i < n; ++i) {
        uint32_t t = tex[i], d = dif[i];
        out[i] = Pack(OpChannel(alphaOp, Channel(t, 24), Channel(d, 24)),
                      OpChannel(colorOp, Channel(t, 16), Channel(d, 16)),
                      OpChannel(colorOp, Channel(t, 8), Channel(d, 8)),
                      OpChannel(colorOp, Channel(t, 0), Channel(d, 0)));
    }
}

bool Compare(CompareFunc f, uint32_t a, uint32_t ref) {
    switch (f) {
    case CompareFunc::Never:
        return false;
    case CompareFunc::Less:
        return a < ref;
    case CompareFunc::Equal:
        return a == ref;
    case CompareFunc::LessEqual:
        return a <= ref;
    case CompareFunc::Greater:
        return a > ref;
    case CompareFunc::NotEqual:
        return a != ref;
    case CompareFunc::GreaterEqual:
        return a >= ref;
    case CompareFunc::Always:
        break;
    }
    return true;
}

uint32_t Factor(Blend f, uint32_t s, uint32_t d, int shift) {
    bool alpha = shift == 24;
    switch (f) {
    case Blend::Zero:
        return 0;
    case Blend::One:
        return 255;
    case Blend::SrcColor:
        return Channel(s, shift);
    case Blend::InvSrcColor:
        return 255 - Channel(s, shift);
    case Blend::SrcAlpha:
        return Channel(s, 24);
    case Blend::InvSrcAlpha:
        return 255 - Channel(s, 24);
    case Blend::DestAlpha:
        return Channel(d, 24);
    case Blend::InvDestAlpha:
        return 255 - Channel(d, 24);
    case Blend::DestColor:
        return Channel(d, shift);
    case Blend::InvDestColor:
        return 255 - Channel(d, shift);
    case Blend::SrcAlphaSat:
        return alpha ? 255 : std::min(Channel(s, 24), 255 - Channel(d, 24));
    }
    return 0;
}

uint32_t BlendPixel(Blend sf, Blend df, uint32_t s, uint32_t d) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t v = MulDiv255(Channel(s, shift), Factor(sf, s, d, shift)) +
                     MulDiv255(Channel(d, shift), Factor(df, s, d, shift));
        out |= std::min(v, 255u) << shift;
    }
    return out;
}

BlendKind Classify(const PixelState& ps) {
    if (!ps.blend || (ps.srcBlend == Blend::One && ps.destBlend == Blend::Zero)) return BlendKind::Replace;
    if (ps.srcBlend == Blend::SrcAlpha && ps.destBlend == Blend::InvSrcAlpha) return BlendKind::Alpha;
    if (ps.srcBlend == Blend::SrcAlpha && ps.destBlend == Blend::One) return BlendKind::Additive;
    if (ps.srcBlend == Blend::Zero && ps.destBlend == Blend::InvSrcAlpha) return BlendKind::Darken;
    return BlendKind::Generic;
}

#if VB_RASTER_AVX2
VB_TARGET_AVX2 inline __m256i Div255x8(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// ShadeGroup over eight pixels: texels x over destination pixels d.
template <BlendKind kKind, bool kModulate>
VB_TARGET_AVX2 inline __m256i Shade8(__m256i x, __m256i d, __m256i c) {
    const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
    // Lanes of 128 bits: pixels 0, 1, 4, 5 in the low halves, 2, 3, 6, 7 in the high ones.
    __m256i s0 = _mm256_unpacklo_epi8(x, zero), s1 = _mm256_unpackhi_epi8(x, zero);
    if (kModulate) {
        s0 = Div255x8(_mm256_mullo_epi16(s0, c));
        s1 = Div255x8(_mm256_mullo_epi16(s1, c));
    }
    if (kKind == BlendKind::Replace) return _mm256_packus_epi16(s0, s1);
    const __m256i d0 = _mm256_unpacklo_epi8(d, zero), d1 = _mm256_unpackhi_epi8(d, zero);
    // Each pixel's alpha (bytes 6 and 14 of a lane) into its four channels.
    const __m256i spread = _mm256_setr_epi8(6, -1, 6, -1, 6, -1, 6, -1, 14, -1, 14, -1, 14, -1, 14, -1, 6, -1,
                                            6, -1, 6, -1, 6, -1, 14, -1, 14, -1, 14, -1, 14, -1);
    const __m256i a0 = _mm256_shuffle_epi8(s0, spread), a1 = _mm256_shuffle_epi8(s1, spread);
    __m256i r0, r1;
    if (kKind == BlendKind::Additive) {
        r0 = _mm256_add_epi16(Div255x8(_mm256_mullo_epi16(s0, a0)), d0);
        r1 = _mm256_add_epi16(Div255x8(_mm256_mullo_epi16(s1, a1)), d1);
    } else {
        r0 = Div255x8(_mm256_mullo_epi16(d0, _mm256_sub_epi16(full, a0)));
        r1 = Div255x8(_mm256_mullo_epi16(d1, _mm256_sub_epi16(full, a1)));
        if (kKind == BlendKind::Alpha) {
            r0 = _mm256_add_epi16(r0, Div255x8(_mm256_mullo_epi16(s0, a0)));
            r1 = _mm256_add_epi16(r1, Div255x8(_mm256_mullo_epi16(s1, a1)));
        }
    }
    return _mm256_packus_epi16(r0, r1);
}

// True where no texel of x is visible: such a group leaves the destination as it
// is under every blend but Replace (a modulated alpha is zero wherever the texel's is).
VB_TARGET_AVX2 inline bool Clear8(__m256i x) {
    const __m256i alpha = _mm256_and_si256(x, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    return _mm256_testz_si256(alpha, alpha);
}

// The whole run, eight pixels at a time; the last one to seven through masked loads and stores.
template <BlendKind kKind, bool kModulate>
VB_TARGET_AVX2 void ShadeGroups8(const PixelState&, const uint32_t* tex, uint32_t colour, uint32_t* dst,
                                 int n) {
    const __m256i c =
        _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(colour)), _mm256_setzero_si256());
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tex + i));
        if (kKind != BlendKind::Replace && Clear8(x)) continue;
        const __m256i d =
            kKind == BlendKind::Replace ? x : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), Shade8<kKind, kModulate>(x, d, c));
    }
    if (i == n) return;
    const __m256i mask =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(n - i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i x = _mm256_maskload_epi32(reinterpret_cast<const int*>(tex + i), mask);
    if (kKind != BlendKind::Replace && Clear8(x)) return;
    const __m256i d = _mm256_maskload_epi32(reinterpret_cast<const int*>(dst + i), mask);
    _mm256_maskstore_epi32(reinterpret_cast<int*>(dst + i), mask, Shade8<kKind, kModulate>(x, d, c));
}
#endif

#if VB_RASTER_AVX512
VB_TARGET_AVX512 inline __m512i Div255x16(__m512i x) {
    return _mm512_mulhi_epu16(_mm512_add_epi16(x, _mm512_set1_epi16(128)), _mm512_set1_epi16(257));
}

// ShadeGroup over sixteen pixels, with the same products as Shade8.
template <BlendKind kKind, bool kModulate>
VB_TARGET_AVX512 inline __m512i Shade16(__m512i x, __m512i d, __m512i c) {
    const __m512i zero = _mm512_setzero_si512(), full = _mm512_set1_epi16(255);
    __m512i s0 = _mm512_unpacklo_epi8(x, zero), s1 = _mm512_unpackhi_epi8(x, zero);
    if (kModulate) {
        s0 = Div255x16(_mm512_mullo_epi16(s0, c));
        s1 = Div255x16(_mm512_mullo_epi16(s1, c));
    }
    if (kKind == BlendKind::Replace) return _mm512_packus_epi16(s0, s1);
    const __m512i d0 = _mm512_unpacklo_epi8(d, zero), d1 = _mm512_unpackhi_epi8(d, zero);
    // Each pixel's alpha (16-bit lanes 3 and 7 of every 128 bits) into its four channels.
    const __m512i a0 = _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(s0, 0xFF), 0xFF),
                  a1 = _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(s1, 0xFF), 0xFF);
    __m512i r0, r1;
    if (kKind == BlendKind::Additive) {
        r0 = _mm512_add_epi16(Div255x16(_mm512_mullo_epi16(s0, a0)), d0);
        r1 = _mm512_add_epi16(Div255x16(_mm512_mullo_epi16(s1, a1)), d1);
    } else {
        r0 = Div255x16(_mm512_mullo_epi16(d0, _mm512_sub_epi16(full, a0)));
        r1 = Div255x16(_mm512_mullo_epi16(d1, _mm512_sub_epi16(full, a1)));
        if (kKind == BlendKind::Alpha) {
            r0 = _mm512_add_epi16(r0, Div255x16(_mm512_mullo_epi16(s0, a0)));
            r1 = _mm512_add_epi16(r1, Div255x16(_mm512_mullo_epi16(s1, a1)));
        }
    }
    return _mm512_packus_epi16(r0, r1);
}

// The whole run, sixteen pixels at a time; the last one to fifteen through masked
// loads and stores. Groups with no visible texel are skipped as in ShadeGroups8.
template <BlendKind kKind, bool kModulate>
VB_TARGET_AVX512 void ShadeGroups16(const PixelState&, const uint32_t* tex, uint32_t colour, uint32_t* dst,
                                    int n) {
    const __m512i c =
        _mm512_unpacklo_epi8(_mm512_set1_epi32(static_cast<int>(colour)), _mm512_setzero_si512());
    const __m512i alpha = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m512i x = _mm512_loadu_si512(tex + i);
        if (kKind != BlendKind::Replace && _mm512_test_epi32_mask(x, alpha) == 0) continue;
        const __m512i d = kKind == BlendKind::Replace ? x : _mm512_loadu_si512(dst + i);
        _mm512_storeu_si512(dst + i, Shade16<kKind, kModulate>(x, d, c));
    }
    if (i == n) return;
    const __mmask16 mask = static_cast<__mmask16>((1u << (n - i)) - 1);
    const __m512i x = _mm512_maskz_loadu_epi32(mask, tex + i);
    if (kKind != BlendKind::Replace && _mm512_test_epi32_mask(x, alpha) == 0) return;
    const __m512i d = kKind == BlendKind::Replace ? x : _mm512_maskz_loadu_epi32(mask, dst + i);
    _mm512_mask_storeu_epi32(dst + i, mask, Shade16<kKind, kModulate>(x, d, c));
}
#endif

#if VB_RASTER_SSE2
// Four texels modulated by the colour's channels c (16-bit lanes) and blended over
// four destination pixels; fully transparent groups leave the destination as it is.
template <BlendKind kKind, bool kModulate>
inline void ShadeGroup(const uint32_t* tex, __m128i c, uint32_t* dst) {
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi16(255);
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tex));
    if (kKind != BlendKind::Replace) {
        // A modulated alpha is zero wherever the texel's is.
        const __m128i alpha = _mm_and_si128(x, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) return;
    }
    __m128i s0 = _mm_unpacklo_epi8(x, zero), s1 = _mm_unpackhi_epi8(x, zero);
    if (kModulate) {
        s0 = Div255(_mm_mullo_epi16(s0, c));
        s1 = Div255(_mm_mullo_epi16(s1, c));
    }
    if (kKind == BlendKind::Replace) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(s0, s1));
        return;
    }
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    const __m128i d0 = _mm_unpacklo_epi8(d, zero), d1 = _mm_unpackhi_epi8(d, zero);
    const __m128i a0 = BroadcastAlpha(s0), a1 = BroadcastAlpha(s1);
    __m128i r0, r1;
    if (kKind == BlendKind::Additive) {
        r0 = _mm_add_epi16(Div255(_mm_mullo_epi16(s0, a0)), d0);
        r1 = _mm_add_epi16(Div255(_mm_mullo_epi16(s1, a1)), d1);
    } else {
        r0 = Div255(_mm_mullo_epi16(d0, _mm_sub_epi16(full, a0)));
        r1 = Div255(_mm_mullo_epi16(d1, _mm_sub_epi16(full, a1)));
        if (kKind == BlendKind::Alpha) {
            r0 = _mm_add_epi16(r0, Div255(_mm_mullo_epi16(s0, a0)));
            r1 = _mm_add_epi16(r1, Div255(_mm_mullo_epi16(s1, a1)));
        }
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(r0, r1));
}

template <BlendKind kKind, bool kModulate>
void ShadeGroups(const PixelState&, const uint32_t* tex, uint32_t colour, uint32_t* dst, int n) {
    const __m128i c = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), _mm_setzero_si128());
    int i = 0;
    for (; i + 4 <= n; i += 4)
        ShadeGroup<kKind, kModulate>(tex + i, c, dst + i);
    if (i == n) return;
    // The last one to three pixels go through the same kernel, padded with transparent texels.
    uint32_t t[4] = {}, d[4] = {};
    const int rest = n - i;
    for (int k = 0; k < rest; ++k)
        t[k] = tex[i + k], d[k] = dst[i + k];
    ShadeGroup<kKind, kModulate>(t, c, d);
    for (int k = 0; k < rest; ++k)
        dst[i + k] = d[k];
}
#endif

// The shading functions (ShadeFn) of fused spans and of unmasked writes: texels
// already sampled (or straight from the texture row), one vertex colour for the
// whole run. They give the same values as the stage kernels above, one texel at a
// time; one is chosen per primitive.
void CopyTexels(const PixelState&, const uint32_t* tex, uint32_t, uint32_t* dst, int n) {
    std::memcpy(dst, tex, static_cast<size_t>(n) * 4);
}

template <BlendKind kKind, bool kModulate>
void ShadePixels(const PixelState& ps, const uint32_t* tex, uint32_t colour, uint32_t* dst, int n) {
    for (int i = 0; i < n; ++i) {
        uint32_t src = tex[i];
        if (kModulate) ModulateConstant(&tex[i], colour, &src, 1);
        dst[i] = kKind == BlendKind::Replace ? src : BlendPixel(ps.srcBlend, ps.destBlend, src, dst[i]);
    }
}

template <BlendKind kKind, bool kModulate> ShadeFn ShadeFor() {
#if VB_RASTER_AVX512
    if (gKernelWidth >= 512) return ShadeGroups16<kKind, kModulate>;
#endif
#if VB_RASTER_AVX2
    if (gKernelWidth >= 256) return ShadeGroups8<kKind, kModulate>;
#endif
#if VB_RASTER_SSE2
    return ShadeGroups<kKind, kModulate>;
#else
    return ShadePixels<kKind, kModulate>;
#endif
}

ShadeFn PickShade(BlendKind kind, bool modulate) {
    switch (kind) {
    case BlendKind::Replace:
        return modulate ? ShadeFor<BlendKind::Replace, true>() : CopyTexels;
    case BlendKind::Alpha:
        return modulate ? ShadeFor<BlendKind::Alpha, true>() : ShadeFor<BlendKind::Alpha, false>();
    case BlendKind::Additive:
        return modulate ? ShadeFor<BlendKind::Additive, true>() : ShadeFor<BlendKind::Additive, false>();
    case BlendKind::Darken:
        return modulate ? ShadeFor<BlendKind::Darken, true>() : ShadeFor<BlendKind::Darken, false>();
    case BlendKind::Generic:
        break;
    }
    return modulate ? ShadePixels<BlendKind::Generic, true> : ShadePixels<BlendKind::Generic, false>;
}

// Writes n source pixels over dst; a null mask means every pixel passes.
void WritePixels(const PixelState& ps, BlendKind kind, const uint32_t* src, const uint8_t* mask,
                 uint32_t* dst, int n) {
    if (!mask) {
        PickShade(kind, false)(ps, src, 0, dst, n);
        return;
    }
    for (int i = 0; i < n; ++i) {
        if (!mask[i]) continue;
        dst[i] = kind == BlendKind::Replace ? src[i] : BlendPixel(ps.srcBlend, ps.destBlend, src[i], dst[i]);
    }
}

// ------------------------------------------------------------ spans

// Rounds half away from zero, as llround does, without a library call.
int64_t ToFixed(double v) {
    v *= 65536.0;
    return static_cast<int64_t>(v >= 0 ? v + 0.5 : v - 0.5);
}

// The common case of ShadeSpan: texels read straight from the texture row where
// each pixel takes one texel whole, else sampled a chunk at a time; then modulated
// and blended in one pass.
// Whether the texels s0..s1 of row t (in whole texels, inside the texture) are all opaque.
bool OpaqueTexels(const PixelState& ps, int64_t t, int64_t s0, int64_t s1) {
    const TranslucentRun run = ps.translucentRuns[t];
    return run.first > run.last || run.last < s0 || run.first > s1;
}

// Whether a span of n pixels from texture coordinates s, t is shaded with
// su.opaqueRowShade: a point-sampled upright span reads one texture row, and
// where its texels there are opaque, the blend gives them back as they are.
bool OpaqueRowSpan(const PixelState& ps, const Setup& su, int64_t s, int64_t t, int n) {
    if (!su.opaqueRowShade || su.dt != 0 || su.filter == TextureFilter::Linear) return false;
    const int64_t sEnd = s + su.ds * (n - 1);
    const int64_t first = std::min(s, sEnd) >> 16, last = std::max(s, sEnd) >> 16, r = t >> 16;
    return first >= 0 && last < ps.textureWidth && r >= 0 && r < ps.textureHeight &&
           OpaqueTexels(ps, r, first, last);
}

void FusedSpan(const PixelState& ps, const Setup& su, int64_t s, int64_t t, uint32_t* row, int x0, int x1) {
    const ShadeFn shade = OpaqueRowSpan(ps, su, s, t, x1 - x0) ? su.opaqueRowShade : su.shade;
    if (su.ds == 0x10000 && su.dt == 0) {
        // The linear filter gives the texel itself where both fractions round to zero.
        const bool linear = su.filter == TextureFilter::Linear;
        const int64_t ss = linear ? s + kLinearBias : s, tt = linear ? t + kLinearBias : t;
        const bool centred = !linear || ((ss & 0xFF00) == 0 && (tt & 0xFF00) == 0);
        const int64_t ix = ss >> 16, iy = tt >> 16;
        if (centred && ix >= 0 && ix + (x1 - x0) <= ps.textureWidth && iy >= 0 && iy < ps.textureHeight) {
            const uint32_t* tex = ps.texels + static_cast<size_t>(iy) * ps.textureWidth + ix;
            shade(ps, tex, su.flatColour, row + x0, x1 - x0);
            return;
        }
    }
    if (shade == CopyTexels && gShortcuts) {
        // Copied texels are sampled straight into the row.
        if (su.filter == TextureFilter::Linear)
            SampleLinear(ps, su, s, t, su.skipClear, row + x0, x1 - x0);
        else
            SamplePoint(ps, s, t, su.ds, su.dt, row + x0, x1 - x0);
        return;
    }
    uint32_t texel[kChunk];
    for (int x = x0; x < x1; x += kChunk) {
        const int n = std::min(kChunk, x1 - x);
        if (su.filter == TextureFilter::Linear)
            SampleLinear(ps, su, s, t, su.skipClear, texel, n);
        else
            SamplePoint(ps, s, t, su.ds, su.dt, texel, n);
        s += su.ds * n;
        t += su.dt * n;
        shade(ps, texel, su.flatColour, row + x, n);
    }
}

// A plane's value at the centre of pixel x, y.
double PlaneAt(const Setup& su, const Plane& p, int x, int y) {
    return p.base + p.dx * (x - su.ox) + p.dy * (y - su.oy);
}

// Shades the pixels x0..x1-1 of row y.
void ShadeSpan(const Surface& target, const PixelState& ps, const Setup& su, int y, int x0, int x1) {
    auto at = [&](const Plane& p) { return PlaneAt(su, p, x0, y); };
    uint32_t* row = target.pixels + static_cast<size_t>(y) * target.pitch;
    if (su.fused) {
#if VB_RASTER_SSE2
        // The next row's span is most likely drawn next, and the frame is larger than
        // the caches nearest the core: fetch its pixels while this row is shaded.
        if (y + 1 < target.height)
            for (int x = x0; x < x1 + 16; x += 16)
                _mm_prefetch(reinterpret_cast<const char*>(row + target.pitch + std::min(x, x1 - 1)),
                             _MM_HINT_T0);
#endif
        FusedSpan(ps, su, ToFixed(at(su.s)), ToFixed(at(su.t)), row, x0, x1);
        return;
    }

    int64_t c[4] = {}, dc[4] = {};
    if (!su.flat) {
        for (int k = 0; k < 4; ++k) {
            c[k] = ToFixed(at(su.colour[k])) + 0x8000; // rounds to nearest when shifted down
            dc[k] = ToFixed(su.colour[k].dx);
        }
    }
    const bool textured = su.textured;
    int64_t s = 0, t = 0;
    const int64_t ds = su.ds, dt = su.dt;
    if (textured) {
        s = ToFixed(at(su.s));
        t = ToFixed(at(su.t));
    }
    // One texel per pixel, read straight from the texture row.
    const bool direct = textured && ds == 0x10000 && dt == 0 && su.filter != TextureFilter::Linear &&
                        (s >> 16) >= 0 && (s >> 16) + (x1 - x0) <= ps.textureWidth && (t >> 16) >= 0 &&
                        (t >> 16) < ps.textureHeight;
    const BlendKind kind = su.kind;
    const uint32_t alphaRef = ps.alphaRef & 0xFF;
    const TextureOp alphaOp = su.alphaOp;

    uint32_t diffuse[kChunk], texel[kChunk], combined[kChunk];
    uint8_t mask[kChunk];
    if (su.flat) FillColour(diffuse, std::min(kChunk, x1 - x0), su.flatColour);
    for (int x = x0; x < x1; x += kChunk) {
        const int n = std::min(kChunk, x1 - x);
        if (!su.flat) {
            for (int i = 0; i < n; ++i) {
                uint32_t ch[4];
                for (int k = 0; k < 4; ++k) {
                    ch[k] = static_cast<uint32_t>(std::clamp<int64_t>(c[k] >> 16, 0, 255));
                    c[k] += dc[k];
                }
                diffuse[i] = Pack(ch[3], ch[2], ch[1], ch[0]);
            }
        }
        const uint32_t* src = diffuse;
        if (textured) {
            const uint32_t* tex = texel;
            if (direct) {
                tex = ps.texels + static_cast<size_t>(t >> 16) * ps.textureWidth + (s >> 16);
            } else if (su.filter == TextureFilter::Linear) {
                SampleLinear(ps, su, s, t, false, texel, n);
            } else {
                SamplePoint(ps, s, t, ds, dt, texel, n);
            }
            s += ds * n;
            t += dt * n;
            if (ps.colorOp == TextureOp::SelectArg1 && alphaOp == TextureOp::SelectArg1) {
                src = tex;
            } else if (ps.colorOp == TextureOp::Modulate && alphaOp == TextureOp::Modulate) {
                if (su.flat)
                    ModulateConstant(tex, su.flatColour, combined, n);
                else
                    Modulate(tex, diffuse, combined, n);
                src = combined;
            } else if (!(ps.colorOp == TextureOp::SelectArg2 && alphaOp == TextureOp::SelectArg2)) {
                CombineGeneric(ps.colorOp, alphaOp, tex, diffuse, combined, n);
                src = combined;
            }
        }
        const uint8_t* m = nullptr;
        if (su.alphaTest) {
            for (int i = 0; i < n; ++i)
                mask[i] = Compare(ps.alphaFunc, src[i] >> 24, alphaRef);
            m = mask;
        }
        WritePixels(ps, kind, src, m, row + x, n);
    }
}

void SetTextureSteps(Setup* su) {
    su->ds = ToFixed(su->s.dx);
    su->dt = ToFixed(su->t.dx);
}

void PlanShading(const PixelState& ps, Setup* su) {
    su->textured = ps.texels != nullptr && ps.colorOp != TextureOp::Disable;
    su->alphaOp = ps.alphaOp == TextureOp::Disable ? TextureOp::SelectArg2 : ps.alphaOp;
    su->kind = Classify(ps);
    su->alphaTest = ps.alphaTest && ps.alphaFunc != CompareFunc::Always;
    const bool selects = ps.colorOp == TextureOp::SelectArg1 && su->alphaOp == TextureOp::SelectArg1;
    su->modulates = ps.colorOp == TextureOp::Modulate && su->alphaOp == TextureOp::Modulate;
    su->fused = su->textured && su->flat && (selects || su->modulates) && !su->alphaTest;
    const bool borderOpaque =
        (ps.addressU != TextureAddress::Border && ps.addressV != TextureAddress::Border) ||
        (ps.borderColour >> 24) == 0xFF;
    su->opaqueSource = su->textured && ps.opaque && borderOpaque &&
                       (selects || (su->modulates && su->flat && (su->flatColour >> 24) == 0xFF));
    bool modulate = su->modulates;
    if (su->fused && gShortcuts) {
        // Over a source of alpha 255 the alpha blend gives the source itself
        // (the filter keeps 255 between opaque texels), and a white
        // modulation gives every texel back: such spans are copies.
        if (su->opaqueSource && su->kind == BlendKind::Alpha) su->kind = BlendKind::Replace;
        if (su->flatColour == 0xFFFFFFFFu) modulate = false;
        // A texture opaque only in places (a picture in a padded texture)
        // is judged span by span.
        const bool opaqueColour = selects || (su->flat && (su->flatColour >> 24) == 0xFF);
        if (su->kind == BlendKind::Alpha && ps.translucentRuns && opaqueColour)
            su->opaqueRowShade = PickShade(BlendKind::Replace, modulate);
    }
    su->skipClear =
        su->kind == BlendKind::Alpha || su->kind == BlendKind::Additive || su->kind == BlendKind::Darken;
    if (su->fused) su->shade = PickShade(su->kind, modulate);
}

// Fills the attribute planes of a primitive from three of its vertices.
bool MakeSetup(const PixelState& ps, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
               double ax, double ay, double bx, double by, double cx, double cy, Setup* su) {
    const double dx1 = bx - ax, dy1 = by - ay, dx2 = cx - ax, dy2 = cy - ay;
    const double area = dx1 * dy2 - dx2 * dy1;
    if (area == 0) return false;
    auto plane = [&](double va, double vb, double vc) {
        Plane p;
        p.base = va;
        p.dx = ((vb - va) * dy2 - (vc - va) * dy1) / area;
        p.dy = ((vc - va) * dx1 - (vb - va) * dx2) / area;
        return p;
    };
    su->ox = ax;
    su->oy = ay;
    su->flat = a.colour == b.colour && a.colour == c.colour;
    su->flatColour = a.colour;
    if (!su->flat)
        for (int k = 0; k < 4; ++k)
            su->colour[k] =
                plane(Channel(a.colour, 8 * k), Channel(b.colour, 8 * k), Channel(c.colour, 8 * k));
    if (ps.texels) {
        const double w = ps.textureWidth, h = ps.textureHeight;
        su->s = plane(double(a.u) * w, double(b.u) * w, double(c.u) * w);
        su->t = plane(double(a.v) * h, double(b.v) * h, double(c.v) * h);
        // Magnification while a pixel step covers at most one texel, as a level-of-detail of 0 or less.
        double rx = su->s.dx * su->s.dx + su->t.dx * su->t.dx, ry = su->s.dy * su->s.dy + su->t.dy * su->t.dy;
        su->filter = std::max(rx, ry) > 1.0 ? ps.minFilter : ps.magFilter;
        if (su->filter == TextureFilter::None) su->filter = TextureFilter::Point;
        SetTextureSteps(su);
    }
    PlanShading(ps, su);
    return true;
}

bool InGuardBand(float x, float y) {
    return std::isfinite(x) && std::isfinite(y) && std::fabs(x) < kGuardBand && std::fabs(y) < kGuardBand;
}

int64_t Snap(float v) {
    return std::llrint(static_cast<double>(v) * kSubPixel);
}

bool Culled(CullMode cull, int64_t area) {
    // Positive area: clockwise on the screen (y grows downwards).
    return (cull == CullMode::Clockwise && area > 0) || (cull == CullMode::CounterClockwise && area < 0);
}

// Shades the pixels of a convex polygon whose corners (in 1/256 pixel) run
// clockwise on the screen.
void DrawConvex(const Surface& target, const ClipRect& clip, const PixelState& ps, const Setup& su,
                const int64_t* X, const int64_t* Y, int count) {
    int64_t minY = *std::min_element(Y, Y + count), maxY = *std::max_element(Y, Y + count);
    int y0 = static_cast<int>(std::max<int64_t>(CeilDiv(minY, kSubPixel), clip.y0));
    int y1 = static_cast<int>(std::min<int64_t>(FloorDiv(maxY, kSubPixel) + 1, clip.y1));
    if (y0 >= y1) return;
    // Edge function dx (py - ya) - dy (px - xa) >= 0 inside; a pixel centre on the
    // edge belongs to the polygon only for top edges and left edges. Each sloped edge
    // bounds px by floor(c / d) with c = dx (py - ya) + dy xa + bias and d = |dy| 256,
    // kept as quotient and remainder and stepped from row to row without dividing.
    struct Edge {
        int64_t dx, dy, c, q, r, d, stepQ, stepR;
    };
    Edge edges[4];
    const int64_t py0 = int64_t(y0) * kSubPixel;
    for (int e = 0; e < count; ++e) {
        Edge& g = edges[e];
        const int64_t xa = X[e], ya = Y[e];
        g.dx = X[(e + 1) % count] - xa;
        g.dy = Y[(e + 1) % count] - ya;
        const int64_t bias = (g.dy < 0 || (g.dy == 0 && g.dx > 0)) ? 0 : -1;
        g.c = g.dx * (py0 - ya) + g.dy * xa + bias;
        if (g.dy == 0) continue;
        g.d = (g.dy < 0 ? -g.dy : g.dy) * kSubPixel;
        g.q = FloorDiv(g.c, g.d);
        g.r = g.c - g.q * g.d;
        g.stepQ = FloorDiv(g.dx * kSubPixel, g.d);
        g.stepR = g.dx * kSubPixel - g.stepQ * g.d;
    }
    for (int y = y0; y < y1; ++y) {
        int64_t lo = clip.x0, hi = clip.x1;
        for (int e = 0; e < count; ++e) {
            Edge& g = edges[e];
            if (g.dy == 0) {
                if (g.c < 0) hi = lo;
                g.c += g.dx * kSubPixel;
                continue;
            }
            if (g.dy < 0)
                lo = std::max(lo, -g.q);
            else
                hi = std::min(hi, g.q + 1);
            // Without a branch: the carry is as likely as not from row to row.
            g.r += g.stepR;
            const int64_t carry = g.r >= g.d;
            g.q += g.stepQ + carry;
            g.r -= carry * g.d;
        }
        if (lo < hi) ShadeSpan(target, ps, su, y, static_cast<int>(lo), static_cast<int>(hi));
    }
}

} // namespace

void DrawTriangle(const Surface& target, const ClipRect& clip, const PixelState& ps, const ScreenVertex& a,
                  const ScreenVertex& b, const ScreenVertex& c) {
    if (!InGuardBand(a.x, a.y) || !InGuardBand(b.x, b.y) || !InGuardBand(c.x, c.y)) return;
    int64_t X[3] = {Snap(a.x), Snap(b.x), Snap(c.x)}, Y[3] = {Snap(a.y), Snap(b.y), Snap(c.y)};
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0 || Culled(ps.cull, area)) return;
    Setup su;
    const double k = 1.0 / kSubPixel;
    if (!MakeSetup(ps, a, b, c, X[0] * k, Y[0] * k, X[1] * k, Y[1] * k, X[2] * k, Y[2] * k, &su)) return;
    if (area < 0) { // walk the edges clockwise on the screen
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    DrawConvex(target, clip, ps, su, X, Y, 3);
}

namespace {

// How a quad given as a fan is drawn: not as a rectangle (two triangles), not at
// all, row by row over the pixels x0..x1-1 of rows y0..y1-1, or as a convex
// polygon with the corners X, Y.
enum class RectanglePlan { Triangles, Nothing, Rows, Convex };

struct PlannedRectangle {
    Setup su;
    int64_t X[4] = {}, Y[4] = {};
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};

RectanglePlan PlanRectangle(const ClipRect& clip, const PixelState& ps, const ScreenVertex v[4],
                            PlannedRectangle* out) {
    for (int i = 0; i < 4; ++i)
        if (!InGuardBand(v[i].x, v[i].y)) return RectanglePlan::Triangles;
    int64_t* X = out->X;
    int64_t* Y = out->Y;
    for (int i = 0; i < 4; ++i)
        X[i] = Snap(v[i].x), Y[i] = Snap(v[i].y);
    const bool rowsFirst = Y[0] == Y[1] && X[1] == X[2] && Y[2] == Y[3] && X[3] == X[0];
    const bool columnsFirst = X[0] == X[1] && Y[1] == Y[2] && X[2] == X[3] && Y[3] == Y[0];
    // A parallelogram's pixels are those inside its four edges: the top-left rule
    // judges a centre on an edge as if it lay a hair to the right and below, so each
    // centre on the shared diagonal, its ends included, goes to exactly one triangle.
    const bool parallelogram = X[0] + X[2] == X[1] + X[3] && Y[0] + Y[2] == Y[1] + Y[3];
    if (!rowsFirst && !columnsFirst && !parallelogram) return RectanglePlan::Triangles;
    // Both triangles must share one set of planes: opposite corners sum alike.
    auto affine = [&](float a0, float a1, float a2, float a3) { return a0 + a2 == a1 + a3; };
    if (!(v[0].colour == v[1].colour && v[0].colour == v[2].colour && v[0].colour == v[3].colour)) {
        for (int k = 0; k < 4; ++k)
            if (Channel(v[0].colour, 8 * k) + Channel(v[2].colour, 8 * k) !=
                Channel(v[1].colour, 8 * k) + Channel(v[3].colour, 8 * k))
                return RectanglePlan::Triangles;
    }
    if (ps.texels && !(affine(v[0].u, v[1].u, v[2].u, v[3].u) && affine(v[0].v, v[1].v, v[2].v, v[3].v)))
        return RectanglePlan::Triangles;
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return RectanglePlan::Nothing; // degenerate
    if (Culled(ps.cull, area)) return RectanglePlan::Nothing;

    const double k = 1.0 / kSubPixel;
    if (!MakeSetup(ps, v[0], v[1], v[2], X[0] * k, Y[0] * k, X[1] * k, Y[1] * k, X[2] * k, Y[2] * k,
                   &out->su))
        return RectanglePlan::Nothing;
    if (!rowsFirst && !columnsFirst) {
        if (area < 0) { // walk the edges clockwise on the screen
            std::swap(X[1], X[3]);
            std::swap(Y[1], Y[3]);
        }
        return RectanglePlan::Convex;
    }
    // Left and top edges are inside, right and bottom edges outside.
    const int64_t left = std::min(X[0], X[2]), right = std::max(X[0], X[2]);
    const int64_t top = std::min(Y[0], Y[2]), bottom = std::max(Y[0], Y[2]);
    out->x0 = static_cast<int>(std::max<int64_t>(CeilDiv(left, kSubPixel), clip.x0));
    out->x1 = static_cast<int>(std::min<int64_t>(CeilDiv(right, kSubPixel), clip.x1));
    out->y0 = static_cast<int>(std::max<int64_t>(CeilDiv(top, kSubPixel), clip.y0));
    out->y1 = static_cast<int>(std::min<int64_t>(CeilDiv(bottom, kSubPixel), clip.y1));
    if (out->x0 >= out->x1 || out->y0 >= out->y1) return RectanglePlan::Nothing;
    return RectanglePlan::Rows;
}

} // namespace

bool DrawRectangle(const Surface& target, const ClipRect& clip, const PixelState& ps,
                   const ScreenVertex v[4]) {
    PlannedRectangle r;
    switch (PlanRectangle(clip, ps, v, &r)) {
    case RectanglePlan::Triangles:
        return false;
    case RectanglePlan::Nothing:
        break;
    case RectanglePlan::Convex:
        DrawConvex(target, clip, ps, r.su, r.X, r.Y, 4);
        break;
    case RectanglePlan::Rows:
        for (int y = r.y0; y < r.y1; ++y)
            ShadeSpan(target, ps, r.su, y, r.x0, r.x1);
        break;
    }
    return true;
}

bool OverwrittenRectangle(const ClipRect& clip, const PixelState& ps, const ScreenVertex v[4],
                          ClipRect* out) {
    PlannedRectangle r;
    if (PlanRectangle(clip, ps, v, &r) != RectanglePlan::Rows || r.su.alphaTest) return false;
    const Setup& su = r.su;
    if (su.kind != BlendKind::Replace) {
        // An alpha blend over a texture opaque only in places: every row's span
        // must read opaque texels alone, as FusedSpan judges it.
        if (!su.fused || su.kind != BlendKind::Alpha || !su.opaqueRowShade) return false;
        for (int y = r.y0; y < r.y1; ++y)
            if (!OpaqueRowSpan(ps, su, ToFixed(PlaneAt(su, su.s, r.x0, y)),
                               ToFixed(PlaneAt(su, su.t, r.x0, y)), r.x1 - r.x0))
                return false;
    }
    *out = ClipRect{r.x0, r.y0, r.x1, r.y1};
    return true;
}

void DrawLine(const Surface& target, const ClipRect& clip, const PixelState& ps, const ScreenVertex& a,
              const ScreenVertex& b, bool includeEnd) {
    if (!InGuardBand(a.x, a.y) || !InGuardBand(b.x, b.y)) return;
    const int64_t ax = Snap(a.x), ay = Snap(a.y), bx = Snap(b.x), by = Snap(b.y);
    const int64_t dx = bx - ax, dy = by - ay;
    if (dx == 0 && dy == 0) return;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    // Each end point belongs to the pixel nearest to it; the line steps along the
    // major axis from a's pixel towards b's, with the minor coordinate of the line
    // at each pixel centre rounded to the nearest pixel.
    const int64_t a0 = xMajor ? ax : ay, a1 = xMajor ? bx : by, m0 = xMajor ? ay : ax;
    const int64_t dMajor = a1 - a0, dMinor = xMajor ? dy : dx;
    const int64_t first = FloorDiv(a0 + kSubPixel / 2, kSubPixel),
                  end = FloorDiv(a1 + kSubPixel / 2, kSubPixel);
    const int step = end >= first ? 1 : -1;
    const int64_t last = includeEnd ? end : end - step;
    if (!includeEnd && first == end) return;
    // Attributes vary along the major axis only.
    Setup su;
    const double length = static_cast<double>(dMajor) / kSubPixel;
    auto along = [&](double va, double vb) {
        Plane p;
        p.base = va;
        (xMajor ? p.dx : p.dy) = (vb - va) / length;
        return p;
    };
    su.ox = ax / double(kSubPixel);
    su.oy = ay / double(kSubPixel);
    su.flat = a.colour == b.colour;
    su.flatColour = a.colour;
    for (int k = 0; k < 4; ++k)
        su.colour[k] = along(Channel(a.colour, 8 * k), Channel(b.colour, 8 * k));
    if (ps.texels) {
        su.s = along(double(a.u) * ps.textureWidth, double(b.u) * ps.textureWidth);
        su.t = along(double(a.v) * ps.textureHeight, double(b.v) * ps.textureHeight);
        su.filter = ps.magFilter == TextureFilter::Linear ? TextureFilter::Linear : TextureFilter::Point;
        SetTextureSteps(&su);
    }
    PlanShading(ps, &su);
    for (int64_t i = first;; i += step) {
        int64_t num = (i * kSubPixel - a0) * dMinor, den = dMajor;
        if (den < 0) num = -num, den = -den;
        const int64_t minor = FloorDiv(m0 + FloorDiv(num, den) + kSubPixel / 2, kSubPixel);
        const int64_t px = xMajor ? i : minor, py = xMajor ? minor : i;
        if (px >= clip.x0 && px < clip.x1 && py >= clip.y0 && py < clip.y1)
            ShadeSpan(target, ps, su, static_cast<int>(py), static_cast<int>(px), static_cast<int>(px) + 1);
        if (i == last) break;
    }
}

bool UseShortcuts(bool use) {
    const bool previous = gShortcuts;
    gShortcuts = use;
    return previous;
}

int UseKernelWidth(int bits) {
    const int previous = gKernelWidth;
    gKernelWidth = std::min(bits >= 512 ? 512 : bits >= 256 ? 256 : 128, gWidestKernels);
    return previous;
}

void Fill(const Surface& target, const ClipRect& rect, uint32_t colour) {
    for (int y = rect.y0; y < rect.y1; ++y)
        FillColour(target.pixels + static_cast<size_t>(y) * target.pitch + rect.x0, rect.x1 - rect.x0,
                   colour);
}

} // namespace platform::raster

#include "platform/CodePage.h"

#include "platform/CodePageTables.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace platform {
namespace {

std::atomic<uint32_t> g_activeCodePage{kCodePageDefault};

constexpr char16_t kReplacementUnit = u'\xFFFD';

uint32_t Resolve(uint32_t codePage) {
    return codePage == kCodePageActive ? g_activeCodePage.load() : codePage;
}

// Where converted units go: either a caller's buffer of fixed capacity, or
// nowhere (measuring), in which case only the count grows.
template <typename Unit> struct Sink {
    Unit* dst;
    size_t capacity; // 0 when measuring
    size_t count = 0;

    bool Measuring() const { return capacity == 0; }
    // Writes a whole character of n units, or nothing when it does not fit.
    bool Put(const Unit* units, size_t n) {
        if (!Measuring()) {
            if (capacity - count < n) return false;
            std::copy(units, units + n, dst + count);
        }
        count += n;
        return true;
    }
    bool Put(Unit unit) { return Put(&unit, 1); }
    ConvertResult Full() const { return {count, ConvertStatus::BufferTooSmall}; }
    ConvertResult Done() const { return {count, ConvertStatus::Ok}; }
};

// ---------------------------------------------------------------- UTF-8

// Length of the valid UTF-8 sequence at s (1..4), or 0 when it is not valid;
// in that case `bad` is the length of the maximal invalid prefix to replace.
size_t DecodeUtf8(const unsigned char* s, size_t left, char32_t& cp, size_t& bad) {
    unsigned char b = s[0];
    bad = 1;
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    size_t need;
    char32_t value;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        value = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        value = b & 0x0F;
        if (b == 0xE0)
            lo = 0xA0; // no overlong forms
        else if (b == 0xED)
            hi = 0x9F; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        value = b & 0x07;
        if (b == 0xF0)
            lo = 0x90;
        else if (b == 0xF4)
            hi = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    for (size_t i = 1; i <= need; ++i) {
        if (i >= left) return 0;
        unsigned char c = s[i];
        if (c < lo || c > hi) return 0;
        lo = 0x80;
        hi = 0xBF;
        value = (value << 6) | (c & 0x3F);
        bad = i + 1;
    }
    cp = value;
    return need + 1;
}

ConvertResult Utf8ToUtf16(const char* src, size_t length, Sink<char16_t> sink) {
    auto s = reinterpret_cast<const unsigned char*>(src);
    size_t i = 0;
    while (i < length) {
        char32_t cp;
        size_t bad;
        size_t n = DecodeUtf8(s + i, length - i, cp, bad);
        if (n == 0) {
            if (!sink.Put(kReplacementUnit)) return sink.Full();
            i += bad;
            continue;
        }
        i += n;
        if (cp < 0x10000) {
            if (!sink.Put(static_cast<char16_t>(cp))) return sink.Full();
        } else {
            cp -= 0x10000;
            const char16_t pair[2] = {static_cast<char16_t>(0xD800 + (cp >> 10)),
                                      static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
            if (!sink.Put(pair, 2)) return sink.Full();
        }
    }
    return sink.Done();
}

ConvertResult Utf16ToUtf8(const char16_t* src, size_t length, Sink<char> sink) {
    for (size_t i = 0; i < length;) {
        char32_t cp = src[i++];
        if (cp >= 0xD800 && cp <= 0xDBFF && i < length && src[i] >= 0xDC00 && src[i] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (src[i++] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = kReplacementUnit;
        char bytes[4];
        size_t n;
        if (cp < 0x80) {
            bytes[0] = static_cast<char>(cp);
            n = 1;
        } else if (cp < 0x800) {
            bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
            bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 2;
        } else if (cp < 0x10000) {
            bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
            bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 3;
        } else {
            bytes[0] = static_cast<char>(0xF0 | (cp >> 18));
            bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 4;
        }
        if (!sink.Put(bytes, n)) return sink.Full();
    }
    return sink.Done();
}

// ---------------------------------------------------------------- built-in single-byte pages

// Index of the built-in table of a code page, or -1.
int FindTable(uint32_t codePage) {
    for (int i = 0; i < detail::kSingleByteTableCount; ++i)
        if (detail::kSingleByteCodePages[i] == codePage) return i;
    return -1;
}

// The reverse of one table: (UTF-16 code, byte) pairs sorted by code.
struct ReverseTable {
    std::array<std::pair<char16_t, unsigned char>, 128> pairs{};
    size_t size = 0;

    explicit ReverseTable(const uint16_t* high) {
        for (int b = 0; b < 128; ++b)
            if (high[b] != 0)
                pairs[size++] = {static_cast<char16_t>(high[b]), static_cast<unsigned char>(0x80 + b)};
        std::sort(pairs.begin(), pairs.begin() + size);
    }
    // The byte of a code above 0x7F, or 0 when the page has none.
    unsigned char Find(char16_t code) const {
        auto end = pairs.begin() + size;
        auto it = std::lower_bound(pairs.begin(), end, std::make_pair(code, static_cast<unsigned char>(0)));
        return it != end && it->first == code ? it->second : 0;
    }
};

const ReverseTable& Reverse(int table) {
    static const auto tables = [] {
        std::array<std::unique_ptr<const ReverseTable>, detail::kSingleByteTableCount> all;
        for (int i = 0; i < detail::kSingleByteTableCount; ++i)
            all[i] = std::make_unique<const ReverseTable>(detail::kSingleByteHighHalves[i]);
        return all;
    }();
    return *tables[table];
}

ConvertResult TableToUtf16(const uint16_t* high, const char* src, size_t length, Sink<char16_t> sink) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char b = static_cast<unsigned char>(src[i]);
        char16_t unit = b < 0x80 ? b : (high[b - 0x80] ? high[b - 0x80] : u'?');
        if (!sink.Put(unit)) return sink.Full();
    }
    return sink.Done();
}

ConvertResult Utf16ToTable(const ReverseTable& reverse, const char16_t* src, size_t length, Sink<char> sink) {
    for (size_t i = 0; i < length; ++i) {
        char16_t unit = src[i];
        char byte = '?';
        if (unit < 0x80) {
            byte = static_cast<char>(unit);
        } else if (unsigned char b = reverse.Find(unit)) {
            byte = static_cast<char>(b);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && src[i + 1] >= 0xDC00 &&
                   src[i + 1] <= 0xDFFF) {
            ++i; // one character outside the page: one '?'
        }
        if (!sink.Put(byte)) return sink.Full();
    }
    return sink.Done();
}

// ---------------------------------------------------------------- iconv

const char* IconvName(uint32_t codePage) {
    switch (codePage) {
    case 28591:
        return "ISO-8859-1";
    case 28592:
        return "ISO-8859-2";
    case 28593:
        return "ISO-8859-3";
    case 28594:
        return "ISO-8859-4";
    case 28595:
        return "ISO-8859-5";
    case 28596:
        return "ISO-8859-6";
    case 28597:
        return "ISO-8859-7";
    case 28598:
        return "ISO-8859-8";
    case 38598:
        return "ISO-8859-8"; // the logical-order form holds the same bytes
    case 28599:
        return "ISO-8859-9";
    case 28600:
        return "ISO-8859-10";
    case 28601:
        return "ISO-8859-11";
    case 28603:
        return "ISO-8859-13";
    case 28604:
        return "ISO-8859-14";
    case 28605:
        return "ISO-8859-15";
    case 28606:
        return "ISO-8859-16";
    case 20127:
        return "US-ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 10000:
        return "MACINTOSH";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 950:
        return "CP950";
    case 54936:
        return "GB18030";
    case 50220:
        return "ISO-2022-JP";
    case 50225:
        return "ISO-2022-KR";
    case 51932:
        return "EUC-JP";
    case 51949:
        return "EUC-KR";
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------- HZ

// HZ (code page 52936) is GB 2312 in 7-bit framing: "~{" enters and "~}"
// leaves the double-byte mode, "~~" is a tilde and "~" before a line feed
// joins two lines. The C library's iconv has no HZ, so the framing is handled
// here and the characters inside it go through iconv's EUC-CN form of
// GB 2312, which holds the same double bytes with their high bits set.
constexpr uint32_t kCodePageHz = 52936;
constexpr const char* kEucCn = "GB2312";

std::string HzToEucCn(const char* src, size_t length) {
    std::string out;
    out.reserve(length);
    bool gb = false;
    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(src[i]);
        if (c == '~' && i + 1 < length) {
            const char next = src[i + 1];
            if (gb ? next == '}' : (next == '{' || next == '\n')) {
                gb = next == '{';
                ++i;
                continue;
            }
            if (!gb && next == '~') {
                out += '~';
                ++i;
                continue;
            }
        }
        const auto d = i + 1 < length ? static_cast<unsigned char>(src[i + 1]) : 0;
        if (gb && c >= 0x21 && c <= 0x7E && d >= 0x21 && d <= 0x7E) {
            out += static_cast<char>(c | 0x80);
            out += static_cast<char>(d | 0x80);
            ++i;
            continue;
        }
        out += static_cast<char>(c);
    }
    return out;
}

// Frames EUC-CN bytes as HZ: double bytes inside "~{" ... "~}" with their
// high bits cleared, single bytes outside with "~" doubled. Each character
// goes to the sink whole, with the shift that comes before it.
ConvertResult EucCnToHz(const std::string& gb, Sink<char> sink) {
    bool inGb = false;
    for (size_t i = 0; i < gb.size(); ++i) {
        char piece[4];
        size_t n = 0;
        const auto c = static_cast<unsigned char>(gb[i]);
        if (c >= 0x80 && i + 1 < gb.size()) {
            if (!inGb) {
                piece[n++] = '~';
                piece[n++] = '{';
            }
            inGb = true;
            piece[n++] = static_cast<char>(c & 0x7F);
            piece[n++] = static_cast<char>(gb[++i] & 0x7F);
        } else {
            if (inGb) {
                piece[n++] = '~';
                piece[n++] = '}';
            }
            inGb = false;
            piece[n++] = static_cast<char>(c);
            if (c == '~') piece[n++] = '~';
        }
        if (!sink.Put(piece, n)) return sink.Full();
    }
    if (inGb && !sink.Put("~}", 2)) return sink.Full();
    return sink.Done();
}

const char* Utf16Name() {
    return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (Valid()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return cd_; }

  private:
    iconv_t cd_;
};

// Runs one iconv conversion into a sink of Unit. When measuring, the output
// goes through a scratch block and is only counted. Input that cannot be
// converted is replaced by '?' (written through the same converter, so that
// stateful encodings shift correctly) and skipped by `skipUnit` bytes, or by a
// whole surrogate pair.
template <typename Unit>
ConvertResult RunIconv(iconv_t cd, const char* in, size_t inBytes, size_t skipUnit, iconv_t question,
                       Sink<Unit> sink) {
    char scratch[256];
    const bool measuring = sink.Measuring();
    char* outStart = measuring ? scratch : reinterpret_cast<char*>(sink.dst);
    char* out = outStart;
    size_t outLeft = measuring ? sizeof scratch : sink.capacity * sizeof(Unit);
    size_t produced = 0; // bytes counted before the current scratch round

    auto total = [&] { return (produced + static_cast<size_t>(out - outStart)) / sizeof(Unit); };
    auto recycle = [&] { // measuring only: count the scratch bytes and reuse the block
        produced += static_cast<size_t>(out - outStart);
        out = outStart;
        outLeft = sizeof scratch;
    };
    auto putQuestion = [&]() -> bool {
        for (;;) {
            static const char16_t mark = u'?';
            char* q = const_cast<char*>(reinterpret_cast<const char*>(&mark));
            size_t qLeft = sizeof mark;
            if (question != nullptr) {
                if (iconv(question, &q, &qLeft, &out, &outLeft) != static_cast<size_t>(-1) || errno != E2BIG)
                    return true; // written, or '?' itself has no form here: skip silently
            } else if (outLeft >= sizeof(Unit)) {
                Unit u = static_cast<Unit>('?');
                std::copy_n(reinterpret_cast<const char*>(&u), sizeof u, out);
                out += sizeof u;
                outLeft -= sizeof u;
                return true;
            }
            if (!measuring) return false;
            recycle();
        }
    };

    char* src = const_cast<char*>(in);
    size_t srcLeft = inBytes;
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &out, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            if (!measuring) return {total(), ConvertStatus::BufferTooSmall};
            recycle();
            continue;
        }
        // EILSEQ: a character with no mapping or an invalid sequence;
        // EINVAL: an incomplete sequence at the end.
        bool incomplete = errno == EINVAL;
        if (!putQuestion()) return {total(), ConvertStatus::BufferTooSmall};
        if (incomplete) break;
        size_t skip = skipUnit;
        if (skipUnit == 2 && srcLeft >= 4) {
            char16_t first, second;
            std::copy_n(src, 2, reinterpret_cast<char*>(&first));
            std::copy_n(src + 2, 2, reinterpret_cast<char*>(&second));
            if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) skip = 4;
        }
        skip = std::min(skip, srcLeft);
        src += skip;
        srcLeft -= skip;
    }
    // Return a stateful encoding to its initial shift state.
    while (iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1)) {
        if (errno != E2BIG || !measuring) return {total(), ConvertStatus::BufferTooSmall};
        recycle();
    }
    return {total(), ConvertStatus::Ok};
}

} // namespace

uint32_t ActiveCodePage() {
    return g_activeCodePage.load();
}

bool SetActiveCodePage(uint32_t codePage) {
    if (codePage == kCodePageActive || !IsCodePageAvailable(codePage)) return false;
    g_activeCodePage.store(codePage);
    return true;
}

bool IsCodePageAvailable(uint32_t codePage) {
    codePage = Resolve(codePage);
    if (codePage == kCodePageUtf8 || FindTable(codePage) >= 0) return true;
    const char* name = codePage == kCodePageHz ? kEucCn : IconvName(codePage);
    return name != nullptr && Iconv(Utf16Name(), name).Valid();
}

ConvertResult MultiByteToUtf16(uint32_t codePage, const char* src, size_t srcLength, char16_t* dst,
                               size_t dstCapacity) {
    if (src == nullptr && srcLength != 0) return {0, ConvertStatus::BadArgument};
    codePage = Resolve(codePage);
    Sink<char16_t> sink{dst, dst ? dstCapacity : 0};
    if (codePage == kCodePageUtf8) return Utf8ToUtf16(src, srcLength, sink);
    if (int table = FindTable(codePage); table >= 0)
        return TableToUtf16(detail::kSingleByteHighHalves[table], src, srcLength, sink);
    if (codePage == kCodePageHz) {
        Iconv cd(Utf16Name(), kEucCn);
        if (!cd.Valid()) return {0, ConvertStatus::Unavailable};
        const std::string gb = HzToEucCn(src, srcLength);
        if (gb.empty()) return sink.Done();
        return RunIconv<char16_t>(cd.Get(), gb.data(), gb.size(), 1, nullptr, sink);
    }
    const char* name = IconvName(codePage);
    if (name == nullptr) return {0, ConvertStatus::Unavailable};
    Iconv cd(Utf16Name(), name);
    if (!cd.Valid()) return {0, ConvertStatus::Unavailable};
    if (srcLength == 0) return sink.Done();
    return RunIconv<char16_t>(cd.Get(), src, srcLength, 1, nullptr, sink);
}

ConvertResult Utf16ToMultiByte(uint32_t codePage, const char16_t* src, size_t srcLength, char* dst,
                               size_t dstCapacity) {
    if (src == nullptr && srcLength != 0) return {0, ConvertStatus::BadArgument};
    codePage = Resolve(codePage);
    Sink<char> sink{dst, dst ? dstCapacity : 0};
    if (codePage == kCodePageUtf8) return Utf16ToUtf8(src, srcLength, sink);
    if (int table = FindTable(codePage); table >= 0)
        return Utf16ToTable(Reverse(table), src, srcLength, sink);
    if (codePage == kCodePageHz) {
        Iconv cd(kEucCn, Utf16Name());
        if (!cd.Valid()) return {0, ConvertStatus::Unavailable};
        const char* bytes = reinterpret_cast<const char*>(src);
        const ConvertResult need =
            RunIconv<char>(cd.Get(), bytes, srcLength * 2, 2, cd.Get(), Sink<char>{nullptr, 0});
        std::string gb(need.count, '\0');
        if (!gb.empty())
            RunIconv<char>(cd.Get(), bytes, srcLength * 2, 2, cd.Get(), Sink<char>{gb.data(), gb.size()});
        return EucCnToHz(gb, sink);
    }
    const char* name = IconvName(codePage);
    if (name == nullptr) return {0, ConvertStatus::Unavailable};
    Iconv cd(name, Utf16Name());
    if (!cd.Valid()) return {0, ConvertStatus::Unavailable};
    if (srcLength == 0) return sink.Done();
    return RunIconv<char>(cd.Get(), reinterpret_cast<const char*>(src), srcLength * 2, 2, cd.Get(), sink);
}

std::u16string ToUtf16(std::string_view text, uint32_t codePage) {
    ConvertResult need = MultiByteToUtf16(codePage, text.data(), text.size(), nullptr, 0);
    if (!need.Ok()) return {};
    std::u16string result(need.count, u'\0');
    ConvertResult done = MultiByteToUtf16(codePage, text.data(), text.size(), result.data(), result.size());
    result.resize(done.count);
    return result;
}

std::string FromUtf16(std::u16string_view text, uint32_t codePage) {
    ConvertResult need = Utf16ToMultiByte(codePage, text.data(), text.size(), nullptr, 0);
    if (!need.Ok()) return {};
    std::string result(need.count, '\0');
    ConvertResult done = Utf16ToMultiByte(codePage, text.data(), text.size(), result.data(), result.size());
    result.resize(done.count);
    return result;
}

} // namespace platform

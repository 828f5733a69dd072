#include "foundation/NumberText.h"
#include "foundation/StrFunctions.h"

#include <cmath>

namespace kis {
namespace {

// Room for the longest number text: "-2147483648", 16 hex digits after a
// prefix, or a rectangle of four numbers.
constexpr int kScratch = 64;

// Decimal digits of value, most significant first, into out; returns the count.
template <typename Ch> int Digits(Ch* out, uint64_t value) {
    Ch reversed[20];
    int n = 0;
    do {
        reversed[n++] = static_cast<Ch>('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = 0; i < n; ++i)
        out[i] = reversed[n - 1 - i];
    return n;
}

// Signed decimal with at least minDigits digits, terminated; returns the length.
template <typename Ch> int Decimal(Ch* out, int64_t value, int minDigits) {
    int n = 0;
    uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    if (value < 0) out[n++] = '-';
    Ch digits[20];
    int count = Digits(digits, magnitude);
    for (int i = count; i < minDigits; ++i)
        out[n++] = '0';
    for (int i = 0; i < count; ++i)
        out[n++] = digits[i];
    out[n] = 0;
    return n;
}

template <typename Ch> bool IsTerminator(Ch c, const Ch* terminators) {
    if (!terminators || c == 0) return false;
    for (; *terminators; ++terminators)
        if (*terminators == c) return true;
    return false;
}

template <typename Ch> int HexDigit(Ch c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int32_t Limit(int32_t maxLength) {
    return maxLength < 0 ? INT32_MAX : maxLength;
}

template <typename Ch>
uint64_t ParseHex(const Ch* text, int32_t maxLength, uint64_t def, bool allowPrefix, bool strict,
                  int maxDigits, int32_t* used) {
    if (used) *used = 0;
    if (!text) return def;
    const int32_t limit = Limit(maxLength);
    int32_t i = 0;
    if (allowPrefix && limit > 0) {
        if (text[0] == '$' || text[0] == '#')
            i = 1;
        else if (limit > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
            i = 2;
    }
    uint64_t value = 0;
    int digits = 0;
    for (; i < limit && text[i] && digits < maxDigits; ++i, ++digits) {
        int d = HexDigit(text[i]);
        if (d < 0) break;
        value = (value << 4) | uint64_t(d);
    }
    if (digits == 0) return def;
    if (strict && i < limit && text[i]) return def;
    if (used) *used = i;
    return value;
}

} // namespace

template <typename Ch> Ch* IntToStr(Ch* buffer, uint32_t size, int32_t value) {
    Ch text[kScratch];
    Decimal(text, value, 0);
    return StrCopy(buffer, size, text);
}

template <typename Ch> Ch* UIntToStr(Ch* buffer, uint32_t size, uint32_t value) {
    Ch text[kScratch];
    Decimal(text, int64_t(value), 0);
    return StrCopy(buffer, size, text);
}

template <typename Ch> Ch* IntToStrZeroPad(Ch* buffer, uint32_t size, int32_t value, int32_t minDigits) {
    Ch text[kScratch];
    Decimal(text, value, minDigits < 0 ? 0 : (minDigits > 10 ? 10 : minDigits));
    return StrCopy(buffer, size, text);
}

template <typename Ch> Ch* IntToStrCat(Ch* buffer, uint32_t size, int32_t value, bool append) {
    Ch text[kScratch];
    Decimal(text, value, 0);
    return append ? StrCat(buffer, size, text) : StrCopy(buffer, size, text);
}

template <typename Ch>
Ch* IntToHex(Ch* buffer, uint32_t size, uint64_t value, int32_t digits, const Ch* prefix, uint32_t flags) {
    if (!buffer || size == 0) return buffer;
    const char* set = (flags & kHexLower) ? "0123456789abcdef" : "0123456789ABCDEF";
    if (flags & kHexMinimal) {
        digits = 1;
        while (digits < 16 && (value >> (4 * digits)))
            ++digits;
    }
    digits = digits < 0 ? 0 : (digits > 16 ? 16 : digits);

    Ch text[kScratch];
    int n = 0;
    for (; prefix && prefix[n] && n < kScratch - 17; ++n)
        text[n] = prefix[n];
    for (int i = digits - 1; i >= 0; --i)
        text[n++] = static_cast<Ch>(set[(value >> (4 * i)) & 0xF]);
    text[n] = 0;

    uint32_t start = 0;
    if (flags & kHexAppend)
        while (start + 1 < size && buffer[start])
            ++start;
    if (!(flags & kHexNoTerminator)) {
        buffer[start] = 0;
        return StrCat(buffer, size, text);
    }
    for (int i = 0; i < n && start + 1 < size; ++i)
        buffer[start++] = text[i];
    return buffer;
}

template <typename Ch> Ch* RectToStr(Ch* buffer, uint32_t size, const Rect& rect, bool asCorners) {
    int32_t third = asCorners ? rect.right : int32_t(uint32_t(rect.right) - uint32_t(rect.left));
    int32_t fourth = asCorners ? rect.bottom : int32_t(uint32_t(rect.bottom) - uint32_t(rect.top));
    const int32_t values[4] = {rect.left, rect.top, third, fourth};
    Ch text[kScratch];
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            text[n++] = ',';
            text[n++] = ' ';
        }
        n += Decimal(text + n, values[i], 0);
    }
    return StrCopy(buffer, size, text);
}

template <typename Ch>
int32_t StrToInt(const Ch* text, int32_t maxLength, int32_t def, const Ch* terminators, int32_t* used) {
    if (used) *used = 0;
    if (!text) return def;
    const int32_t limit = Limit(maxLength);
    int32_t i = 0;
    bool negative = false;
    if (limit > 0 && text[0] == '-') {
        negative = true;
        i = 1;
    }
    // Unsigned arithmetic: values beyond 32 bits wrap instead of overflowing.
    uint32_t value = 0;
    int32_t digits = 0;
    for (; i < limit && text[i]; ++i) {
        Ch c = text[i];
        if (c >= '0' && c <= '9') {
            value = value * 10 + uint32_t(c - '0');
            ++digits;
            continue;
        }
        if (IsTerminator(c, terminators)) break;
        return def;
    }
    if (digits == 0) return def;
    if (used) *used = i;
    return static_cast<int32_t>(negative ? 0u - value : value);
}

template <typename Ch>
uint64_t HexToInt64Ex(const Ch* text, int32_t maxLength, uint64_t def, bool allowPrefix, bool strict,
                      int32_t* used) {
    return ParseHex(text, maxLength, def, allowPrefix, strict, 16, used);
}

template <typename Ch>
uint32_t HexToIntEx(const Ch* text, int32_t maxLength, uint32_t def, bool allowPrefix, bool strict,
                    int32_t* used) {
    return static_cast<uint32_t>(ParseHex(text, maxLength, def, allowPrefix, strict, 8, used));
}

template <typename Ch>
float StrToFloat(const Ch* text, int32_t maxLength, float def, const Ch* terminators, int32_t* used) {
    if (used) *used = 0;
    if (!text) return def;
    const int32_t limit = Limit(maxLength);
    auto at = [&](int32_t i) -> Ch { return i < limit ? text[i] : Ch(0); };
    auto isDigit = [](Ch c) { return c >= '0' && c <= '9'; };

    int32_t i = 0;
    bool negative = at(0) == '-';
    if (negative) ++i;
    double whole = 0;
    int digits = 0;
    for (; isDigit(at(i)); ++i, ++digits)
        whole = whole * 10 + (at(i) - '0');
    double fraction = 0;
    double fractionScale = 1;
    if (at(i) == '.') {
        ++i;
        for (int kept = 0; isDigit(at(i)); ++i, ++digits) {
            if (kept++ < 6) {
                fraction = fraction * 10 + (at(i) - '0');
                fractionScale *= 10;
            }
        }
    }
    if (digits == 0) return def;
    double value = whole + fraction / fractionScale;

    if (at(i) == 'e' || at(i) == 'E') {
        ++i;
        Ch sign = at(i);
        if (sign != '+' && sign != '-') return def;
        ++i;
        int exponent = 0;
        int exponentDigits = 0;
        for (; isDigit(at(i)); ++i, ++exponentDigits) {
            exponent = exponent * 10 + (at(i) - '0');
            if (exponent > 100) return def;
        }
        if (exponentDigits == 0) return def;
        for (; exponent >= 9; exponent -= 9)
            value = sign == '+' ? value * 1e9 : value / 1e9;
        double rest = std::pow(10.0, exponent);
        value = sign == '+' ? value * rest : value / rest;
    }
    if (at(i) != 0 && !IsTerminator(at(i), terminators)) return def;
    if (used) *used = i;
    return static_cast<float>(negative ? -value : value);
}

#define KIS_NUMBER_TEXT(Ch)                                                                                  \
    template Ch* IntToStr(Ch*, uint32_t, int32_t);                                                           \
    template Ch* UIntToStr(Ch*, uint32_t, uint32_t);                                                         \
    template Ch* IntToStrZeroPad(Ch*, uint32_t, int32_t, int32_t);                                           \
    template Ch* IntToStrCat(Ch*, uint32_t, int32_t, bool);                                                  \
    template Ch* IntToHex(Ch*, uint32_t, uint64_t, int32_t, const Ch*, uint32_t);                            \
    template Ch* RectToStr(Ch*, uint32_t, const Rect&, bool);                                                \
    template int32_t StrToInt(const Ch*, int32_t, int32_t, const Ch*, int32_t*);                             \
    template uint64_t HexToInt64Ex(const Ch*, int32_t, uint64_t, bool, bool, int32_t*);                      \
    template uint32_t HexToIntEx(const Ch*, int32_t, uint32_t, bool, bool, int32_t*);                        \
    template float StrToFloat(const Ch*, int32_t, float, const Ch*, int32_t*);
KIS_NUMBER_TEXT(char)
KIS_NUMBER_TEXT(char16_t)
#undef KIS_NUMBER_TEXT

std::u16string DecimalText(int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace kis

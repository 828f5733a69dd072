#include "platform/Utf.h"

#include <algorithm>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 | (c >> 10));
        out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    }
}

// Surrogates U+DC80..U+DCFF standing for the bytes 0x80..0xFF of a native name.
constexpr char32_t kByteEscape = 0xDC00;

bool IsEscapedByte(char32_t c) {
    return (c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF) || c == kNativeBackslash;
}

std::string ToUtf8(std::u16string_view text, bool bytesEscaped) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (bytesEscaped && IsEscapedByte(c)) {
            out += static_cast<char>(c - kByteEscape);
            continue;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// A malformed sequence becomes one U+FFFD; with bytes escaped, its first
// byte alone becomes its escape and decoding goes on at the next byte.
std::u16string ToUtf16(std::string_view text, bool bytesEscaped) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra;
        char32_t c;
        if (lead < 0x80) {
            extra = 0, c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, c = lead & 0x07;
        } else {
            AppendUtf16(out, bytesEscaped ? kByteEscape + lead : kReplacement);
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= static_cast<size_t>(extra); ++j) {
            if (i + j >= text.size()) break;
            unsigned char next = static_cast<unsigned char>(text[i + j]);
            if ((next & 0xC0) != 0x80) break;
            c = (c << 6) | (next & 0x3F);
        }
        bool complete = j == static_cast<size_t>(extra) + 1;
        bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
        bool invalid = c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF);
        if (!complete || overlong || invalid) {
            if (bytesEscaped) {
                AppendUtf16(out, kByteEscape + lead);
                ++i;
                continue;
            }
            AppendUtf16(out, kReplacement);
            i += complete ? j : std::max<size_t>(j, 1);
            continue;
        }
        AppendUtf16(out, c);
        i += j;
    }
    return out;
}

} // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    return ToUtf8(text, false);
}

std::u16string Utf8ToUtf16(std::string_view text) {
    return ToUtf16(text, false);
}

std::string Utf16ToNative(std::u16string_view text) {
    return ToUtf8(text, true);
}

std::u16string NativeToUtf16(std::string_view bytes) {
    return ToUtf16(bytes, true);
}

} // namespace platform

#pragma once
#include <string>
#include <string_view>

namespace platform {

// UTF-16 <-> UTF-8. Malformed input (unpaired surrogates, bad or overlong
// UTF-8 sequences) becomes U+FFFD, so conversion never fails.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Names of the file system (bytes, UTF-8 when valid) <-> UTF-16 without loss:
// each byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC80..U+DCFF that holds it, and such a surrogate becomes its byte again.
// Every byte string comes back as it was; valid UTF-8 converts as above.
// Utf16ToNative also turns U+DC5C into a backslash: game paths hold a
// backslash that is part of a name that way (kNativeBackslash), apart from
// their separators. Other unpaired surrogates become U+FFFD.
constexpr char16_t kNativeBackslash = 0xDC5C;
std::u16string NativeToUtf16(std::string_view bytes);
std::string Utf16ToNative(std::u16string_view text);

} // namespace platform

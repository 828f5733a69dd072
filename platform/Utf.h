#pragma once
#include <string>
#include <string_view>

namespace platform {

// UTF-16 <-> UTF-8. Malformed input (unpaired surrogates, bad or overlong
// UTF-8 sequences) becomes U+FFFD, so conversion never fails.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace platform

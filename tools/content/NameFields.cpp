#include "tools/content/NameFields.h"

#include "platform/Utf.h"

#include <algorithm>

namespace {

void Fill(char16_t* field, std::u16string_view name) {
    const size_t n = std::min(name.size(), kNameFieldLength - 1);
    std::fill(std::copy_n(name.begin(), n, field), field + kNameFieldLength, u'\0');
}

} // namespace

void CopyName(char16_t (&field)[kNameFieldLength], std::u16string_view name) {
    Fill(field, name);
}

void CopyName(std::array<char16_t, kNameFieldLength>& field, std::u16string_view name) {
    Fill(field.data(), name);
}

bool CopyNameUtf8(char16_t (&field)[kNameFieldLength], const std::string& text) {
    const std::u16string wide = platform::Utf8ToUtf16(text);
    if (wide.size() >= kNameFieldLength) return false;
    Fill(field, wide);
    return true;
}

#pragma once
// The name fields of the records the content tool writes: 32 UTF-16 units,
// at most 31 characters and a closing zero, the rest zero-filled.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

constexpr size_t kNameFieldLength = 32;

// The name in the field, cut to 31 characters.
void CopyName(char16_t (&field)[kNameFieldLength], std::u16string_view name);
void CopyName(std::array<char16_t, kNameFieldLength>& field, std::u16string_view name);

// The UTF-8 name in the field when it fits; false, the field untouched, when
// it is longer than 31 characters.
bool CopyNameUtf8(char16_t (&field)[kNameFieldLength], const std::string& text);

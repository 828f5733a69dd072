#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The login name of the user running the program: the account's name in the
// password database, or $USER when the account has no entry there. Empty
// when neither gives one.
std::u16string UserName();

// The name, copied for a caller with a fixed buffer of *size characters: the
// name and a terminating NUL are written and *size becomes their count. A
// buffer too small for both (or no name at all) gets nothing; the call fails
// and *size tells the count needed (0 without a name).
bool GetUserName(char16_t* buffer, uint32_t* size);

// The choice UserName makes, from the account's name and $USER's value
// (either may be null).
std::u16string ChooseUserName(const char* accountName, const char* userVariable);

} // namespace platform

#include "platform/UserName.h"

#include "platform/Utf.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform {

std::u16string ChooseUserName(const char* accountName, const char* userVariable) {
    if (accountName && *accountName) return Utf8ToUtf16(accountName);
    if (userVariable && *userVariable) return Utf8ToUtf16(userVariable);
    return {};
}

std::u16string UserName() {
    // The re-entrant lookup: another thread may be reading the database too.
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> scratch(suggested > 0 ? size_t(suggested) : 1024);
    passwd entry{};
    passwd* found = nullptr;
    int status = 0;
    while ((status = getpwuid_r(getuid(), &entry, scratch.data(), scratch.size(), &found)) == ERANGE &&
           scratch.size() < (1u << 20))
        scratch.resize(scratch.size() * 2);
    const char* account = status == 0 && found ? found->pw_name : nullptr;
    return ChooseUserName(account, std::getenv("USER"));
}

bool GetUserName(char16_t* buffer, uint32_t* size) {
    if (!size) return false;
    std::u16string name = UserName();
    if (name.empty()) {
        *size = 0;
        return false;
    }
    uint32_t needed = uint32_t(name.size()) + 1;
    if (!buffer || *size < needed) {
        *size = needed;
        return false;
    }
    name.copy(buffer, name.size());
    buffer[name.size()] = u'\0';
    *size = needed;
    return true;
}

} // namespace platform

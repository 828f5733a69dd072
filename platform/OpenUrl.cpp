#include "platform/OpenUrl.h"

#include <cctype>
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

bool IsWebAddress(std::string_view address) {
    size_t schemeLength = 0;
    if (StartsWithIgnoringCase(address, "http://"))
        schemeLength = 7;
    else if (StartsWithIgnoringCase(address, "https://"))
        schemeLength = 8;
    else
        return false;
    if (address.size() == schemeLength)
        return false;
    for (char c : address)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return false;
    return true;
}

bool OpenWebAddress(const std::string& address) {
    if (!IsWebAddress(address))
        return false;
    char program[] = "xdg-open";
    std::string argument = address;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace platform

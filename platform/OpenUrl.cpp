#include "platform/OpenUrl.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace platform {

namespace {

constexpr int kHandlerWaitMs = 2000;
constexpr int kPollMs = 10;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
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
    if (address.size() == schemeLength) return false;
    for (char c : address)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    return true;
}

bool OpenWebAddress(const std::string& address) {
    if (!IsWebAddress(address)) return false;
    char program[] = "xdg-open";
    std::string argument = address;
    char* argv[] = {program, argument.data(), nullptr};
    // The game ignores SIGXFSZ, and an ignored signal stays ignored across
    // exec: the handler gets the default back, as it would have from a shell.
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return false;
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return false;
    // Without a desktop session xdg-open may run the browser in the foreground;
    // the game is shutting down, so it waits a short while for the handler's
    // answer and otherwise leaves the handler running on its own. The wait is
    // for another process, so it is real time also when the game's clock is not.
    for (int waited = 0; waited < kHandlerWaitMs; waited += kPollMs) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    return true;
}

} // namespace platform

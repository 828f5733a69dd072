#include "platform/SingleInstance.h"

#include "platform/Window.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kIdWaitTries = 50; // 50 x 10 ms: half a second at most
constexpr int kIdWaitStepUs = 10000;

void OnRaiseSignal(int) {
    RequestRaise(); // only stores a lock-free flag
}

void InstallRaiseHandler() {
    struct sigaction action = {};
    action.sa_handler = OnRaiseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}

// The decimal process id at the start of the file; 0 when there is none.
int ReadProcessId(int fd) {
    char text[32] = {};
    ssize_t n = pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) return 0;
    char* end = nullptr;
    long pid = std::strtol(text, &end, 10);
    return end != text && pid > 0 && pid < 0x7FFFFFFF ? int(pid) : 0;
}

} // namespace

SingleInstance::Outcome SingleInstance::Acquire(const std::string& nativeLockPath) {
    Release();
    otherPid_ = 0;
    int fd = open(nativeLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return Outcome::Failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            close(fd);
            return Outcome::Failed;
        }
        // The holder takes the lock before it writes its id: a start that
        // comes in between gives it a moment to appear.
        otherPid_ = ReadProcessId(fd);
        for (int tries = 0; otherPid_ == 0 && tries < kIdWaitTries; ++tries) {
            usleep(kIdWaitStepUs);
            otherPid_ = ReadProcessId(fd);
        }
        close(fd);
        if (otherPid_ > 0) kill(otherPid_, SIGUSR1);
        return Outcome::Another;
    }
    // The handler goes in before the id is published, so that a second copy
    // never signals a process that would die of the signal.
    InstallRaiseHandler();
    char text[32];
    int length = std::snprintf(text, sizeof text, "%d\n", int(getpid()));
    if (ftruncate(fd, 0) != 0 || pwrite(fd, text, size_t(length), 0) != length) {
        // The lock still guards; a second copy only cannot signal us.
    }
    fd_ = fd;
    return Outcome::First;
}

void SingleInstance::Release() {
    if (fd_ < 0) return;
    flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
}

} // namespace platform

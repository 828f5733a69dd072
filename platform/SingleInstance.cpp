#include "platform/SingleInstance.h"

#include "platform/Files.h"
#include "platform/Window.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

// The process that holds the record lock on the whole file, 0 when none does
// or when it is this very process (its own locks never stand in its way).
int LockHolder(int fd) {
    struct flock query = {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    if (fcntl(fd, F_GETLK, &query) != 0 || query.l_type == F_UNLCK) return 0;
    return query.l_pid > 0 ? int(query.l_pid) : 0;
}

// The process id the file names, once it is the lock's holder: the id a copy
// left behind, or one read before the holder has written its own, names a
// process that is not ours to signal. A copy in this very process holds the
// lock too, though its record lock cannot be seen from here.
int HolderProcessId(int fd) {
    const int written = ReadProcessId(fd);
    if (written == 0) return 0;
    const int holder = LockHolder(fd);
    return written == holder || (holder == 0 && written == int(getpid())) ? written : 0;
}

} // namespace

SingleInstance::Outcome SingleInstance::Acquire(const std::string& nativeLockPath) {
    Release();
    otherPid_ = 0;
    // Never through a link: two copies could then lock two different files.
    // A lock file this user may not write (another user's, from a start
    // under their name) still takes the lock; only its process id stays old.
    int fd = OpenRegularFile(nativeLockPath, O_RDWR | O_CREAT | O_NOFOLLOW, 0644);
    const bool writable = fd >= 0;
    if (fd < 0 && errno == EACCES) fd = OpenRegularFile(nativeLockPath, O_RDONLY | O_NOFOLLOW);
    if (fd < 0) return Outcome::Failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            close(fd);
            return Outcome::Failed;
        }
        // The holder takes the locks before it writes its id: a start that
        // comes in between gives it a moment to appear.
        otherPid_ = HolderProcessId(fd);
        for (int tries = 0; otherPid_ == 0 && tries < kIdWaitTries; ++tries) {
            usleep(kIdWaitStepUs);
            otherPid_ = HolderProcessId(fd);
        }
        close(fd);
        if (otherPid_ > 0 && kill(otherPid_, SIGUSR1) != 0) otherPid_ = 0;
        return Outcome::Another;
    }
    // The process id goes into the lock file alone: a file another name
    // reaches (a hard link to a file of the player's elsewhere) or one not
    // the player's own is left unwritten for the caller to move aside. It
    // is checked under the lock, so that a running copy's file is never
    // taken for one.
    struct stat st;
    if (writable && (fstat(fd, &st) != 0 || st.st_nlink != 1 || st.st_uid != geteuid())) {
        flock(fd, LOCK_UN);
        close(fd);
        return Outcome::NotOwnFile;
    }
    // The record lock names this process to a later copy (F_GETLK); flock
    // cannot, and it alone also keeps out a second copy within one process.
    struct flock record = {};
    record.l_type = F_WRLCK;
    record.l_whence = SEEK_SET;
    // Without it a second copy only cannot signal us; a file opened for
    // reading takes a read lock, which names this process all the same.
    if (fcntl(fd, F_SETLK, &record) != 0) {
        record.l_type = F_RDLCK;
        (void)fcntl(fd, F_SETLK, &record);
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

#pragma once
#include <string>

namespace platform {

// Keeps a second copy of the program from running beside the first.
//
// The first copy takes an exclusive lock (flock, and a record lock on the
// whole file) on a lock file, holds it for its whole life and writes its
// process id into it; on SIGUSR1 it asks for its window to be restored and
// raised at the next frame (RequestRaise). A later copy that cannot take the
// lock reads that process id and, when the record lock names the same
// process, sends it SIGUSR1; it stops either way. The lock file is never
// opened through a link.
class SingleInstance {
  public:
    enum class Outcome {
        First,   // this copy holds the lock
        Another, // another copy holds it and has been signalled
        Failed,  // the lock file could not be opened or locked: no copy can be ruled out
    };

    SingleInstance() = default;
    ~SingleInstance() { Release(); }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // nativeLockPath: the lock file's path at the file-system boundary.
    Outcome Acquire(const std::string& nativeLockPath);
    // Drops the lock (the file stays; the next copy takes it over).
    void Release();
    bool Holds() const { return fd_ >= 0; }
    // The process id the other copy wrote, once signalled; 0 when it was
    // unreadable, is not the lock's holder or could not be signalled.
    int OtherProcessId() const { return otherPid_; }

  private:
    int fd_ = -1;
    int otherPid_ = 0;
};

} // namespace platform

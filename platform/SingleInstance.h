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
// opened through a symbolic link, and never written when another name
// reaches it (a hard link) or it is not the user's own.
class SingleInstance {
  public:
    enum class Outcome {
        First,   // this copy holds the lock
        Another, // another copy holds it and has been signalled
        Failed,  // the lock file could not be opened or locked: no copy can be ruled out
        // The file at the lock's name is not only the lock: another name reaches it too (a hard
        // link), or it is not this user's own. Nothing was written to it and no lock is held; the
        // caller moves it aside and acquires again, which makes the lock file anew.
        NotOwnFile,
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

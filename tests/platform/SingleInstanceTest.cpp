#include "platform/SingleInstance.h"

#include "platform/Window.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Forks a copy that runs takeLock, tells the test through a pipe whether it
// got the lock, then runs afterReady, whose result is its exit status. Gives
// the copy's process id once it has the lock, -1 when it could not take it.
pid_t ForkLockHolder(const std::function<bool()>& takeLock, const std::function<int()>& afterReady) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        const bool ok = takeLock();
        const char c = ok ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        _exit(ok ? afterReady() : 1);
    }
    char c = 0;
    const bool locked = child > 0 && read(ready[0], &c, 1) == 1 && c == 'y';
    close(ready[0]);
    close(ready[1]);
    return locked ? child : -1;
}

} // namespace

TEST(SingleInstance, ASecondHolderSignalsTheFirstWhichAsksForItsWindow) {
    testsupport::TempDir dir;
    const std::string lock = dir.File("Verbolunde.lock");
    while (platform::TakeRaiseRequest()) {
    }

    platform::SingleInstance first;
    ASSERT_EQ(first.Acquire(lock), platform::SingleInstance::Outcome::First);
    EXPECT_TRUE(first.Holds());
    EXPECT_EQ(testsupport::ReadFileBytes(lock), std::to_string(getpid()) + "\n");

    // A second copy (another open of the file) cannot take the lock; it reads
    // the holder's id and signals it.
    platform::SingleInstance second;
    EXPECT_EQ(second.Acquire(lock), platform::SingleInstance::Outcome::Another);
    EXPECT_FALSE(second.Holds());
    EXPECT_EQ(second.OtherProcessId(), getpid());
    EXPECT_TRUE(platform::TakeRaiseRequest()); // the signal has been handled
    EXPECT_FALSE(platform::TakeRaiseRequest());

    // Once the first lets go, the next start holds the lock itself.
    first.Release();
    platform::SingleInstance third;
    EXPECT_EQ(third.Acquire(lock), platform::SingleInstance::Outcome::First);
}

TEST(SingleInstance, AnotherProcessIsSeenAsTheHolder) {
    testsupport::TempDir dir;
    const std::string lock = dir.File("app.lock");
    platform::SingleInstance holder;
    const pid_t child =
        ForkLockHolder([&] { return holder.Acquire(lock) == platform::SingleInstance::Outcome::First; },
                       [] {
                           // Waits for the raise request the parent's start sends.
                           for (int i = 0; i < 500 && !platform::TakeRaiseRequest(); ++i)
                               usleep(10000);
                           return 42;
                       });
    ASSERT_GT(child, 0);
    platform::SingleInstance late;
    EXPECT_EQ(late.Acquire(lock), platform::SingleInstance::Outcome::Another);
    EXPECT_EQ(late.OtherProcessId(), child);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42); // it saw the request before its time ran out
}

TEST(SingleInstance, AnUnopenableLockFileLetsTheProgramRunUnguarded) {
    platform::SingleInstance instance;
    EXPECT_EQ(instance.Acquire("/nonexistent-folder-for-sure/x.lock"),
              platform::SingleInstance::Outcome::Failed);
    EXPECT_FALSE(instance.Holds());
}

TEST(SingleInstance, AStartBetweenTheLockAndTheIdWaitsForTheId) {
    testsupport::TempDir dir;
    const std::string lock = dir.File("app.lock");
    // The file names a live process holding no lock (an old copy's id, since reused): never signalled.
    const pid_t bystander = fork();
    if (bystander == 0) _exit(pause()); // until the test kills it
    ASSERT_TRUE(testsupport::WriteFileBytes(lock, std::to_string(bystander) + "\n"));
    // The copy holds the locks on that file 0.1 s, then writes its id, as a first copy does between steps.
    int fd = -1;
    const pid_t child = ForkLockHolder(
        [&] {
            fd = open(lock.c_str(), O_RDWR | O_CREAT, 0644);
            struct flock record = {};
            record.l_type = F_WRLCK;
            return fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && fcntl(fd, F_SETLK, &record) == 0;
        },
        [&] {
            usleep(100000);
            const std::string id = std::to_string(getpid()) + "\n";
            (void)!pwrite(fd, id.data(), id.size(), 0);
            usleep(2000000);
            return 0;
        });
    ASSERT_GT(child, 0);
    platform::SingleInstance late;
    EXPECT_EQ(late.Acquire(lock), platform::SingleInstance::Outcome::Another);
    EXPECT_EQ(late.OtherProcessId(), child);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    kill(bystander, SIGKILL);
    waitpid(bystander, &status, 0);
}

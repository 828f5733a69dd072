#include "platform/SingleInstance.h"

#include "platform/Window.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

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
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::SingleInstance holder;
        bool ok = holder.Acquire(lock) == platform::SingleInstance::Outcome::First;
        char c = ok ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        // Waits for the raise request the parent's start sends.
        for (int i = 0; i < 500 && !platform::TakeRaiseRequest(); ++i)
            usleep(10000);
        _exit(ok ? 42 : 1);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    platform::SingleInstance late;
    EXPECT_EQ(late.Acquire(lock), platform::SingleInstance::Outcome::Another);
    EXPECT_EQ(late.OtherProcessId(), child);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42); // it saw the request before its time ran out
    close(ready[0]);
    close(ready[1]);
}

TEST(SingleInstance, AnUnopenableLockFileLetsTheProgramRunUnguarded) {
    platform::SingleInstance instance;
    EXPECT_EQ(instance.Acquire("/nonexistent-folder-for-sure/x.lock"), platform::SingleInstance::Outcome::Failed);
    EXPECT_FALSE(instance.Holds());
}

TEST(SingleInstance, AStartBetweenTheLockAndTheIdWaitsForTheId) {
    testsupport::TempDir dir;
    const std::string lock = dir.File("app.lock");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Holds the lock with an empty file for a while, then writes its id,
        // as a first copy does in the instant between the two steps.
        int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0644);
        bool ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
        char c = ok ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        usleep(100000);
        const std::string id = std::to_string(getpid()) + "\n";
        (void)!pwrite(fd, id.data(), id.size(), 0);
        usleep(2000000);
        _exit(ok ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    platform::SingleInstance late;
    EXPECT_EQ(late.Acquire(lock), platform::SingleInstance::Outcome::Another);
    EXPECT_EQ(late.OtherProcessId(), child);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
}

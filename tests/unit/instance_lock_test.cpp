#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temp_dir.h"

namespace quilmo {
namespace {

// What a second copy of the program gets; with holdAndCrash it takes the lock and dies holding it.
bool otherProcessAcquires(const std::string& dir, bool holdAndCrash = false) {
    const pid_t child = ::fork();
    if (child == 0) {
        InstanceLock lock;
        const bool got = lock.acquire(dir);
        ::_exit(holdAndCrash || got ? 0 : 1);  // _exit runs no destructor, as in a crash
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(InstanceLock, refusesASecondCopyUntilReleased) {
    test::TempDir dir;
    InstanceLock lock;
    ASSERT_TRUE(lock.acquire(dir.path));
    EXPECT_FALSE(otherProcessAcquires(dir.path));
    lock.release();
    EXPECT_TRUE(otherProcessAcquires(dir.path));
}

TEST(InstanceLock, staleFileOrCrashedHolderDoesNotBlock) {
    test::TempDir dir;
    ASSERT_TRUE(otherProcessAcquires(dir.path, true));
    ASSERT_TRUE(fileExists(dir.file(".quilmo.lock")));  // left behind, but nobody holds it
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir.path));
    EXPECT_TRUE(lock.held());
}

TEST(InstanceLock, directoryWithoutWriteAccessLetsTheProgramRun) {
    test::TempDir dir;
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir.file("missing")));
    EXPECT_FALSE(lock.held());
}

}  // namespace
}  // namespace quilmo

#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/files.h"

namespace quilmo {
namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("quilmo-lock-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // What a second copy of the program, started now, would get.
    bool secondProcessAcquires(const std::filesystem::path& dir) const {
        const pid_t child = ::fork();
        if (child == 0) {
            InstanceLock lock;
            ::_exit(lock.acquire(dir.string()) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::filesystem::path dir_;
};

TEST_F(InstanceLockTest, whileHeld_secondProcessIsRefused) {
    InstanceLock lock;
    ASSERT_TRUE(lock.acquire(dir_.string()));
    EXPECT_FALSE(secondProcessAcquires(dir_));
}

TEST_F(InstanceLockTest, afterRelease_secondProcessStarts) {
    InstanceLock lock;
    ASSERT_TRUE(lock.acquire(dir_.string()));
    lock.release();
    EXPECT_TRUE(secondProcessAcquires(dir_));
}

TEST_F(InstanceLockTest, staleFileWithoutHolder_doesNotBlock) {
    // What a crashed copy leaves behind: the file, but no lock on it.
    ASSERT_TRUE(writeWholeFile((dir_ / ".quilmo.lock").string(), "12345\n"));
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir_.string()));
    EXPECT_TRUE(lock.held());
}

TEST_F(InstanceLockTest, crashedHolder_releasesWithTheProcess) {
    const pid_t child = ::fork();
    if (child == 0) {
        InstanceLock lock;
        lock.acquire(dir_.string());
        ::_exit(0);  // no destructor runs, as in a crash
    }
    ::waitpid(child, nullptr, 0);
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir_.string()));
}

TEST_F(InstanceLockTest, directoryWithoutWriteAccess_letsTheProgramRun) {
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire((dir_ / "missing").string()));
    EXPECT_FALSE(lock.held());
}

}  // namespace
}  // namespace quilmo

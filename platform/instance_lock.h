#pragma once
#include <string>

namespace quilmo {

// One running copy per program directory. The lock is an flock on "<dir>/.quilmo.lock",
// held until release or the end of the process; the kernel drops it when a copy
// crashes, so a file left behind never blocks the next start.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False only when another process holds the lock for this directory. When the lock
    // file cannot be created (read-only directory) nobody can hold it either, so true;
    // error() then says why, for the user to be told.
    bool acquire(const std::string& programDirectory);
    void release();
    bool held() const { return fd_ >= 0; }
    int error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    int error_ = 0;
    std::string path_;
};

}  // namespace quilmo

#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"

namespace quilmo {

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire(const std::string& programDirectory) {
    if (fd_ >= 0) return true;
    path_ = joinPath(programDirectory, ".quilmo.lock");
    // CLOEXEC: a child process (a TNC simulator, say) must not keep the lock alive.
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    error_ = fd < 0 ? errno : 0;
    // A lock file that is there but not ours to write (a read-only folder) still locks.
    if (fd < 0) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true;
    error_ = 0;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        error_ = heldElsewhere ? 0 : errno;
        ::close(fd);
        return !heldElsewhere;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() {
    if (fd_ < 0) return;
    // Closing drops the flock; the file stays, harmless for the next start.
    ::close(fd_);
    fd_ = -1;
}

}  // namespace quilmo

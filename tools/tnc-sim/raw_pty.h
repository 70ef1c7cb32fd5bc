#pragma once
// The simulated device's end of a pseudo-terminal pair and its link, shared with
// bench/flood-writer.
#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace quilmo {

// Opens a pair and gives the slave's path; the master, non-blocking, or -1. The slave is
// raw, so the line discipline neither echoes nor rewrites CR LF before the program has
// set its own modes. Closing the slave again leaves the master in its hang-up state,
// which is how a writer tells that nobody is listening.
inline int openRawPty(std::string& slavePath) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) return -1;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        ::close(master);
        return -1;
    }
    slavePath = ::ptsname(master);
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios t{};
        if (::tcgetattr(slave, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slave, TCSANOW, &t);
        }
        ::close(slave);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    return master;
}

// Puts the slave under a stable name. Only a link is replaced: a regular file of that
// name is somebody's data.
inline bool makeLink(const std::string& target, const std::string& link) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) return false;
        ::unlink(link.c_str());
    }
    return ::symlink(target.c_str(), link.c_str()) == 0;
}

}  // namespace quilmo

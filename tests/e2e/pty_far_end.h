#pragma once
// The TNC end of a pseudo-terminal pair: the program opens the slave as its serial
// device, the test reads and writes the master.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace quilmo::test {

struct FarEnd {
    int master = -1;
    std::string slavePath;
    std::string received;

    bool openPair() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return false;
        slavePath = ::ptsname(master);
        return ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) == 0;
    }
    // Opens a new pair and puts its slave under `link`, as a re-plugged adapter comes
    // back under the same name.
    bool plugInAs(const std::string& link) {
        const std::string next = link + ".new";
        return openPair() && ::symlink(slavePath.c_str(), next.c_str()) == 0 && ::rename(next.c_str(), link.c_str()) == 0;
    }
    void close() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    bool send(const std::string& bytes) const {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Everything the program has written so far; made for QTRY_COMPARE, which keeps
    // Qt's loop running between calls.
    const std::string& collect() {
        char buf[1024];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) received.append(buf, static_cast<std::size_t>(n));
        return received;
    }
    ~FarEnd() { close(); }
};

}  // namespace quilmo::test

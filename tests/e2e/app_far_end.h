#pragma once
// The TNC end of a pseudo-terminal pair: the program opens the slave as its serial
// device, the test reads and writes the master.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <string>

namespace quilmo::test {

struct FarEnd {
    int master = -1;
    std::string slavePath;

    bool openPair() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return false;
        slavePath = ::ptsname(master);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        return true;
    }
    void close() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    bool send(const std::string& bytes) const {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Reads until `expected` bytes came or the time is up, keeping Qt's loop running.
    std::string receive(std::size_t expected, int timeoutMs = 5000) const {
        std::string got;
        QElapsedTimer t;
        t.start();
        while (got.size() < expected && t.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                char buf[1024];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0) got.append(buf, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
    ~FarEnd() { close(); }
};

}  // namespace quilmo::test

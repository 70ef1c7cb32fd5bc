#include "tcp_server.h"

#include "device_ends.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <list>

namespace tncsim {
namespace {

// One connected client and its TNC.
class Session {
public:
    Session(int fd, const Pace& pace, bool kiss, const std::vector<std::string>& lines)
        : fd_(fd), tnc_(lines, pace, kiss) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { ::close(fd_); }

    int fd() const { return fd_; }
    bool wantsToWrite() const { return !out_.empty(); }
    Clock::time_point nextLine() const { return tnc_.nextLine(); }

    // False once the client has gone.
    bool tick(Clock::time_point now) {
        if (const std::string* line = tnc_.dueLine(now)) out_.add(*line);
        return out_.flush(fd_);
    }

    bool flush() { return out_.flush(fd_); }

    // False once the client has gone.
    bool answer() {
        char buf[512];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n == 0) return false;
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        const Tnc::Answer a = tnc_.answer(std::string_view(buf, static_cast<std::size_t>(n)));
        if (!a.printed.empty()) std::cout << a.printed << std::flush;
        out_.add(a.reply);
        return out_.flush(fd_);
    }

private:
    int fd_;
    Tnc tnc_;
    Outbox out_;
};

int timeoutFor(const std::list<Session>& sessions) {
    Clock::time_point next = Clock::time_point::max();
    for (const Session& s : sessions) next = std::min(next, s.nextLine());
    return pollTimeout(next, 200);
}

}  // namespace

int serveTcp(std::uint16_t port, const Pace& pace, bool kiss, const std::vector<std::string>& lines,
             const volatile std::sig_atomic_t& stop) {
    std::uint16_t bound = 0;
    const int listener = quilmo::listenOn(port, bound);
    if (listener < 0) {
        std::cerr << "tnc-sim: cannot listen on 127.0.0.1:" << port << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::cout << "tcp://127.0.0.1:" << bound << std::endl;

    std::list<Session> sessions;
    std::vector<pollfd> fds;
    while (!stop) {
        fds.assign(1, pollfd{listener, POLLIN, 0});
        for (const Session& s : sessions) {
            fds.push_back({s.fd(), static_cast<short>(POLLIN | (s.wantsToWrite() ? POLLOUT : 0)), 0});
        }
        if (::poll(fds.data(), fds.size(), timeoutFor(sessions)) < 0 && errno != EINTR) break;

        std::size_t i = 1;
        const Clock::time_point now = Clock::now();
        for (auto s = sessions.begin(); s != sessions.end(); ++i) {
            const short events = fds[i].revents;
            bool alive = !(events & (POLLERR | POLLNVAL));
            if (alive && (events & (POLLIN | POLLHUP))) alive = s->answer();
            if (alive && (events & POLLOUT)) alive = s->flush();
            if (alive) alive = s->tick(now);
            s = alive ? std::next(s) : sessions.erase(s);
        }
        if (fds[0].revents & POLLIN) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client >= 0) sessions.emplace_back(client, pace, kiss, lines);
        }
    }
    sessions.clear();
    ::close(listener);
    return 0;
}

}  // namespace tncsim

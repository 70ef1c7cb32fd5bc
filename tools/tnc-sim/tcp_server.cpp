#include "tcp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <list>

namespace tncsim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kXoff = 19;
constexpr char kXon = 17;

Clock::duration lineTime(const Pace& pace, const std::string& line) {
    const double seconds = pace.baud > 0 ? static_cast<double>(line.size()) * 10.0 / pace.baud : 1.0 / pace.lps;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// One connected client and where its replay stands.
class Session {
public:
    Session(int fd, const Pace& pace, const std::vector<std::string>& lines)
        : fd_(fd), pace_(pace), lines_(lines), next_(Clock::now()) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { ::close(fd_); }

    int fd() const { return fd_; }
    bool wantsToWrite() const { return !out_.empty(); }
    bool hasMore() const { return !lines_.empty() && (index_ < lines_.size() || pace_.loop); }
    Clock::time_point nextLine() const { return paused_ || !hasMore() ? Clock::time_point::max() : next_; }

    // False once the client has gone.
    bool tick(Clock::time_point now) {
        if (paused_ || now < next_ || !hasMore()) return true;
        if (index_ >= lines_.size()) index_ = 0;
        const std::string& line = lines_[index_++];
        next_ = std::max(next_ + lineTime(pace_, line), now);  // no race to catch up after a stall
        queue(line);
        return flush();
    }

    bool flush() {
        while (!out_.empty()) {
            const ssize_t n = ::send(fd_, out_.data(), out_.size(), MSG_NOSIGNAL);
            if (n > 0) {
                out_.erase(0, static_cast<std::size_t>(n));
                continue;
            }
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
        }
        return true;
    }

    // Answers typed text like a TNC at its cmd: prompt. False once the client has gone.
    bool answer() {
        char buf[512];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n == 0) return false;
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        std::string reply;
        for (ssize_t i = 0; i < n; ++i) {
            // XOFF and XON are flow control, not text: they pause and resume the monitor.
            if (buf[i] == kXoff || buf[i] == kXon) {
                paused_ = buf[i] == kXoff;
            } else if (buf[i] == '\r') {
                reply += "\r\ncmd:";
            } else if (buf[i] != '\n') {
                reply += buf[i];
            }
        }
        queue(reply);
        return flush();
    }

private:
    void queue(const std::string& bytes) {
        // A client that does not read must not make us hoard its backlog for ever.
        if (out_.size() < 65536) out_ += bytes;
    }

    int fd_;
    const Pace& pace_;
    const std::vector<std::string>& lines_;
    std::size_t index_ = 0;
    Clock::time_point next_;
    std::string out_;
    bool paused_ = false;
};

int listenOn(std::uint16_t port, std::uint16_t& bound) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    // A simulator started again at once must get its port back despite the old connections.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    bound = ntohs(address.sin_port);
    return fd;
}

int pollTimeout(const std::list<Session>& sessions) {
    using namespace std::chrono;
    Clock::time_point next = Clock::now() + milliseconds(200);
    for (const Session& s : sessions) next = std::min(next, s.nextLine());
    const auto left = duration_cast<milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

}  // namespace

int serveTcp(std::uint16_t port, const Pace& pace, const std::vector<std::string>& lines,
             const volatile std::sig_atomic_t& stop) {
    std::uint16_t bound = 0;
    const int listener = listenOn(port, bound);
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
        if (::poll(fds.data(), fds.size(), pollTimeout(sessions)) < 0 && errno != EINTR) break;

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
            if (client >= 0) sessions.emplace_back(client, pace, lines);
        }
    }
    sessions.clear();
    ::close(listener);
    return 0;
}

}  // namespace tncsim

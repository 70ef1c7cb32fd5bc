// flood-writer: a device that floods the line. It opens a pseudo-terminal and, once
// somebody opens the device (or listens on a local TCP port and, once a client
// connects), sends at the pace of a line at N baud (10 bits a byte)
// either text without CR or LF, as a TNC left in KISS mode or a wrong baud rate does,
// or a monitor capture over and over, one packet a line. It keeps the line's pace by
// the clock, so a moment without the processor is made up at once; what the reader
// does not take in time is lost, as on a real wire.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "tools/tnc-sim/device_ends.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

constexpr const char* kUsage =
    "usage: flood-writer (--link PATH | --tcp PORT) --baud N [--capture FILE]\n"
    "  Opens a pseudo-terminal, links PATH to it and, once the device is opened, sends\n"
    "  text without line ends, or the lines of FILE with CR LF over and over, at N baud\n"
    "  (10 bits a byte) until SIGTERM or SIGINT. Prints the bytes sent and the bytes the\n"
    "  reader left behind at exit. --tcp listens on 127.0.0.1:PORT (0: any free port)\n"
    "  instead, prints tcp://127.0.0.1:PORT and sends to the first client.\n";

// Mostly printable text, now and then a control byte a garbled line brings
// (never CR, LF, XON or XOFF), from a fixed seed so every run sends the same.
class TextSource {
public:
    explicit TextSource(std::string cycle) : cycle_(std::move(cycle)) {}
    char next() {
        if (!cycle_.empty()) {
            const char c = cycle_[at_];
            at_ = (at_ + 1) % cycle_.size();
            return c;
        }
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto r = static_cast<unsigned>(state_ >> 33);
        if (r % 61 == 0) return kControls[(r / 61) % sizeof kControls];
        return static_cast<char>(0x20 + (r / 61) % 95);
    }

private:
    static constexpr char kControls[] = {0x01, 0x03, 0x07, 0x08, 0x09, 0x1B, 0x7F};
    std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
    std::string cycle_;
    std::size_t at_ = 0;
};

// The capture's lines, each ended with CR LF; false when it cannot be read or is empty.
bool readCapture(const std::string& path, std::string& cycle) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) cycle += line + "\r\n";
    }
    return !cycle.empty();
}

bool readerPresent(int master) {
    pollfd p{master, POLLOUT, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

// The first client of a listener on 127.0.0.1:port, non-blocking; -1 when none comes.
int acceptClient(int port) {
    std::uint16_t bound = 0;
    const int listener = quilmo::listenOn(static_cast<std::uint16_t>(port), bound);
    if (listener < 0) return -1;
    std::printf("tcp://127.0.0.1:%u\n", static_cast<unsigned>(bound));
    std::fflush(stdout);
    pollfd waiting{listener, POLLIN, 0};
    const int client =
        ::poll(&waiting, 1, -1) == 1 ? ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC) : -1;
    ::close(listener);
    if (client < 0) return -1;
    // Each packet goes out when it is due, as from a serial server, not when Nagle lets it.
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return client;
}

struct Totals {
    std::uint64_t sent = 0;
    std::uint64_t lost = 0;
};

// Sends a packet of kPacketBytes whenever the line has carried that many more, as a
// USB serial adapter hands them over; what the device cannot take is dropped, not queued.
Totals run(int fd, double baud, TextSource source) {
    using Clock = std::chrono::steady_clock;
    constexpr std::uint64_t kPacketBytes = 64;
    Totals totals;
    std::string block;
    const Clock::time_point start = Clock::now();
    const auto byteTime = std::chrono::duration<double>(10.0 / baud);
    while (!gStop) {
        const std::uint64_t done = totals.sent + totals.lost;
        std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(byteTime * (done + kPacketBytes)));
        const double due = std::chrono::duration<double>(Clock::now() - start).count() * baud / 10.0;
        const std::uint64_t count = static_cast<std::uint64_t>(due) - done;
        block.clear();
        for (std::uint64_t i = 0; i < count; ++i) block += source.next();
        const ssize_t n = ::write(fd, block.data(), block.size());
        const std::uint64_t taken = n > 0 ? static_cast<std::uint64_t>(n) : 0;
        totals.sent += taken;
        totals.lost += block.size() - taken;
    }
    return totals;
}

}  // namespace

int main(int argc, char** argv) {
    std::string link, capture, cycle;
    double baud = 0;
    int port = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--link") == 0) link = argv[i + 1];
        if (std::strcmp(argv[i], "--tcp") == 0) port = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--baud") == 0) baud = std::atof(argv[i + 1]);
        if (std::strcmp(argv[i], "--capture") == 0) capture = argv[i + 1];
    }
    if (link.empty() == (port < 0) || port > 65535 || !(baud > 0) || argc % 2 == 0 || argc > 7) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!capture.empty() && !readCapture(capture, cycle)) {
        std::fprintf(stderr, "flood-writer: cannot read %s\n", capture.c_str());
        return 1;
    }
    // No SA_RESTART: a signal must end a wait for the reader too.
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a client that goes away makes writes fail, not the writer end

    int fd = -1;
    if (port >= 0) {
        fd = acceptClient(port);
        if (fd < 0) {
            std::fprintf(stderr, "flood-writer: no client on 127.0.0.1:%d: %s\n", port, std::strerror(errno));
            return 1;
        }
    } else {
        std::string slavePath;
        fd = quilmo::openRawPty(slavePath);
        if (fd < 0 || !quilmo::makeLink(slavePath, link)) {
            std::fprintf(stderr, "flood-writer: no pseudo-terminal or link: %s\n", std::strerror(errno));
            return 1;
        }
        while (!gStop && !readerPresent(fd)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    const Totals totals = run(fd, baud, TextSource(std::move(cycle)));
    std::printf("sent %llu lost %llu\n", static_cast<unsigned long long>(totals.sent),
                static_cast<unsigned long long>(totals.lost));
    if (!link.empty()) ::unlink(link.c_str());
    ::close(fd);
    return 0;
}

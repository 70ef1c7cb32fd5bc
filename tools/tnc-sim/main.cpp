// tnc-sim: stands in for a TNC on a pseudo-terminal or a local TCP port. It replays a
// monitor capture line by line and answers typed text like a TNC in command mode, or
// speaks KISS.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "kiss_sim.h"
#include "device_ends.h"
#include "tcp_server.h"
#include "tnc.h"

namespace {

using tncsim::Clock;

volatile std::sig_atomic_t gStop = 0;

void onSignal(int) { gStop = 1; }

struct Options {
    std::string capture;
    std::string link;
    tncsim::Pace pace{0, 0, false};  // no pace asked for yet
    bool kiss = false;
    long tcpPort = -1;  // serve on 127.0.0.1 instead of a pseudo-terminal when 0 or above
};

constexpr const char* kUsage =
    "usage: tnc-sim [--link PATH | --tcp PORT] [--baud N | --lps N] [--loop] [--kiss] CAPTURE\n"
    "  Opens a pseudo-terminal, prints its device path, replays CAPTURE one line at a\n"
    "  time (CR LF line ends) and echoes what it receives like a TNC at its cmd: prompt;\n"
    "  XOFF (Ctrl-S) pauses the replay and XON (Ctrl-Q) resumes it.\n"
    "  --link PATH  also make PATH a symbolic link to the device (removed at exit)\n"
    "  --tcp PORT   listen on 127.0.0.1:PORT instead (0: any free port) and print\n"
    "               tcp://127.0.0.1:PORT; every client gets a TNC of its own: the\n"
    "               replay from its start and the same answers (with --kiss too)\n"
    "  --baud N     pace the replay like a line at N baud, 10 bits a byte\n"
    "  --lps N      pace the replay at N lines a second (default 1)\n"
    "  --loop       start again at the end of the capture, forever\n"
    "  --kiss       be a KISS TNC: send each line as a UI frame (lines whose addresses\n"
    "               AX.25 cannot hold are skipped) and print the frames received as\n"
    "               monitor lines on standard output; with --tcp, a KISS TCP port\n";

bool positiveNumber(const char* text, double& out) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(v > 0)) return false;
    out = v;
    return true;
}

bool tcpPortNumber(const char* text, long& out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 0 || v > 65535) return false;
    out = v;
    return true;
}

// 0 when the options are fine, else the exit status.
int parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return -1;
        } else if (a == "--loop") {
            o.pace.loop = true;
        } else if (a == "--kiss") {
            o.kiss = true;
        } else if (a == "--link" && hasValue) {
            o.link = argv[++i];
        } else if (a == "--tcp" && hasValue) {
            if (!tcpPortNumber(argv[++i], o.tcpPort)) return 2;
        } else if (a == "--baud" && hasValue) {
            if (!positiveNumber(argv[++i], o.pace.baud)) return 2;
        } else if (a == "--lps" && hasValue) {
            if (!positiveNumber(argv[++i], o.pace.lps)) return 2;
        } else if (!a.empty() && a[0] != '-' && o.capture.empty()) {
            o.capture = a;
        } else {
            return 2;
        }
    }
    if (o.capture.empty() || (o.pace.baud > 0 && o.pace.lps > 0) || (o.tcpPort >= 0 && !o.link.empty())) return 2;
    if (o.pace.baud == 0 && o.pace.lps == 0) o.pace.lps = 1;
    return 0;
}

bool readCapture(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line + "\r\n");
    }
    return true;
}

class Simulator {
public:
    Simulator(int master, const Options& o, const std::vector<std::string>& lines)
        : master_(master), tnc_(lines, o.pace, o.kiss) {}

    void run() {
        while (!gStop) {
            const std::string* line = tnc_.dueLine(Clock::now());
            // Nobody has the device open: the line is lost, as on a real wire.
            if (line && listening_) {
                out_.add(*line);
                out_.flush(master_);
            }
            waitForInput(tnc_.nextLine());
        }
    }

private:
    void waitForInput(Clock::time_point until) {
        const int timeout = tncsim::pollTimeout(until, 200);
        pollfd p{master_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0};
        const int r = ::poll(&p, 1, timeout);
        if (r <= 0) return;
        if (p.revents & POLLHUP) {
            // The hang-up state is reported at once and for ever; sleep instead of spinning.
            listening_ = false;
            out_.clear();
            ::poll(nullptr, 0, timeout > 100 ? 100 : timeout);
            probe();
            return;
        }
        listening_ = true;
        if (p.revents & POLLOUT) out_.flush(master_);
        if (p.revents & POLLIN) answer();
    }

    // Hang-up is reported whenever no one has the slave open; a poll without it means
    // somebody opened the device again.
    void probe() {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP)) listening_ = true;
    }

    void answer() {
        char buf[512];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return;
        const tncsim::Tnc::Answer a = tnc_.answer(std::string_view(buf, static_cast<std::size_t>(n)));
        if (!a.printed.empty()) std::cout << a.printed << std::flush;
        out_.add(a.reply);
        out_.flush(master_);
    }

    int master_;
    tncsim::Tnc tnc_;
    tncsim::Outbox out_;
    bool listening_ = false;
};

void installSignals() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: poll must return so the loop sees the flag
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int status = parseOptions(argc, argv, options);
    if (status == -1) return 0;
    if (status != 0) {
        std::cerr << kUsage;
        return status;
    }
    std::vector<std::string> lines;
    if (!readCapture(options.capture, lines)) {
        std::cerr << "tnc-sim: cannot read " << options.capture << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    if (options.kiss) {
        std::size_t skipped = 0;
        lines = tncsim::kissReplay(lines, skipped);
        if (skipped > 0) std::cerr << "tnc-sim: " << skipped << " lines are no AX.25 frames and are not sent\n";
    }
    if (options.tcpPort >= 0) {
        installSignals();
        return tncsim::serveTcp(static_cast<std::uint16_t>(options.tcpPort), options.pace, options.kiss, lines, gStop);
    }
    std::string slavePath;
    const int master = quilmo::openRawPty(slavePath);
    if (master < 0) {
        std::cerr << "tnc-sim: cannot open a pseudo-terminal: " << std::strerror(errno) << "\n";
        return 1;
    }
    if (!options.link.empty() && !quilmo::makeLink(slavePath, options.link)) {
        std::cerr << "tnc-sim: cannot create the link " << options.link << "\n";
        ::close(master);
        return 1;
    }
    installSignals();
    std::cout << slavePath << std::endl;

    Simulator(master, options, lines).run();

    if (!options.link.empty()) ::unlink(options.link.c_str());
    ::close(master);
    return 0;
}

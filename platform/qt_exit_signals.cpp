#include "platform/qt_exit_signals.h"

#include <QSocketNotifier>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace quilmo {
namespace {

constexpr int kExitSignals[] = {SIGTERM, SIGHUP, SIGINT};

// A signal handler gets no context, so its one piece of state has to live at file scope.
// It is written once, before the handlers go in, and never closed while they may run.
volatile sig_atomic_t signalWriteFd = -1;

extern "C" void onExitSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // Non-blocking: with the socket full, enough is waiting already.
    [[maybe_unused]] const ssize_t n = ::write(signalWriteFd, &number, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kExitSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace

ExitSignals::ExitSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) return;
    signalWriteFd = fds_[1];
    setHandler(onExitSignal);
}

ExitSignals::~ExitSignals() {
    if (fds_[0] < 0) return;
    setHandler(SIG_IGN);
    signalWriteFd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void ExitSignals::watch(std::function<void()> onSignal) {
    onSignal_ = std::move(onSignal);
    if (fds_[0] < 0 || notifier_ != nullptr) return;
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignals(); });
}

void ExitSignals::readSignals() {
    unsigned char buffer[64];
    bool any = false;
    while (::read(fds_[0], buffer, sizeof buffer) > 0) any = true;
    if (!any || received_) return;
    received_ = true;
    if (onSignal_) onSignal_();
}

}  // namespace quilmo

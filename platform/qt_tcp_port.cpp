#include "platform/qt_tcp_port.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QTcpSocket>
#include <algorithm>
#include <utility>

namespace quilmo {
namespace {

// Keep-alive alone waits two hours before it asks; a radio link's dead peer should be
// seen within a minute or two, and unanswered sends should not hang for a quarter hour.
void tuneKeepAlive(qintptr descriptor) {
    if (descriptor < 0) return;
    const int fd = static_cast<int>(descriptor);
    const auto set = [fd](int option, int value) { ::setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value); };
#ifdef TCP_KEEPIDLE
    set(TCP_KEEPIDLE, 60);
    set(TCP_KEEPINTVL, 10);
    set(TCP_KEEPCNT, 3);
#endif
#ifdef TCP_USER_TIMEOUT
    set(TCP_USER_TIMEOUT, 90000);
#endif
}

std::string reasonOf(const QTcpSocket& socket) {
    return socket.errorString().toStdString();
}

}  // namespace

QtTcpPort::QtTcpPort(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &QtTcpPort::onTimer);
}

QtTcpPort::~QtTcpPort() {
    // Nobody may be called back while the object is going away.
    onReceive = nullptr;
    onConnectionChanged = nullptr;
    onOpenFailed = nullptr;
    close();
}

void QtTcpPort::setRetryDelays(int first, int longest, int proven) {
    firstDelay_ = std::max(1, first);
    longestDelay_ = std::max(firstDelay_, longest);
    delay_ = firstDelay_;
    provenAfter_ = std::max(1, proven);
}

bool QtTcpPort::open(const PortSettings& settings, std::string& error) {
    close();
    TcpAddress address;
    if (!parseTcpDeviceText(settings.devicePath, address, error)) return false;
    address_ = std::move(address);
    delay_ = firstDelay_;
    reportFirstFailure_ = true;
    state_ = PortState::Opening;
    attempt();
    return true;
}

std::string QtTcpPort::readAll() {
    std::string out;
    out.swap(salvaged_);
    if (state_ != PortState::Open || socket_ == nullptr) return out;
    const QByteArray bytes = socket_->readAll();
    out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return out;
}

void QtTcpPort::write(std::string_view bytes) {
    if (state_ != PortState::Open || socket_ == nullptr || bytes.empty()) return;
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void QtTcpPort::close() {
    timer_.stop();
    dropSocket();
    state_ = PortState::NotOpen;
    reportFirstFailure_ = false;
    salvaged_.clear();
}

void QtTcpPort::connectionVerified() {
    if (state_ == PortState::Open) connectionProven();
}

void QtTcpPort::dropConnection() {
    if (state_ != PortState::Open) return;
    // Whatever it did before, a connection given up did not work: the wait grows.
    proven_ = false;
    connectionLost();
}

void QtTcpPort::attempt() {
    dropSocket();
    socket_ = new QTcpSocket(this);
    const std::uint64_t epoch = epoch_;
    connect(socket_, &QTcpSocket::connected, this, [this, epoch] {
        if (epoch == epoch_) onConnected();
    });
    connect(socket_, &QTcpSocket::readyRead, this, [this, epoch] {
        if (epoch != epoch_ || state_ != PortState::Open) return;
        if (!address_.aprsIs) connectionProven();
        if (onReceive) onReceive();
    });
    // A failed connect raises only errorOccurred, a peer that hangs up raises both:
    // either one starts the same handling, and the epoch keeps it to once.
    QTcpSocket* socket = socket_;
    connect(socket, &QTcpSocket::errorOccurred, this, [this, epoch, socket] { onTrouble(epoch, reasonOf(*socket)); });
    connect(socket, &QTcpSocket::disconnected, this, [this, epoch, socket] { onTrouble(epoch, reasonOf(*socket)); });
    timer_.start(kConnectTimeoutMs);
    socket_->connectToHost(QString::fromStdString(address_.host), address_.port);
}

void QtTcpPort::onConnected() {
    timer_.stop();
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);  // typed commands go out at once
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    tuneKeepAlive(socket_->socketDescriptor());
    state_ = PortState::Open;
    reportFirstFailure_ = false;
    // The wait only starts short again once the connection has shown it works: a server
    // that accepts and hangs up at once is otherwise called every second forever.
    proven_ = false;
    timer_.start(provenAfter_);
    const std::uint64_t epoch = epoch_;
    if (onConnectionChanged) onConnectionChanged(true);
    // A server that greets at once may have been heard before anyone was told.
    if (epoch == epoch_ && socket_->bytesAvailable() > 0 && onReceive) onReceive();
}

void QtTcpPort::onTrouble(std::uint64_t epoch, const std::string& reason) {
    if (epoch != epoch_) return;
    // The socket is not taken apart inside its own notification; the handling runs as
    // soon as control is back in the event loop, unless a newer attempt or a close came first.
    QMetaObject::invokeMethod(
        this,
        [this, epoch, reason] {
            if (epoch != epoch_) return;
            if (state_ == PortState::Open) {
                connectionLost();
            } else {
                attemptFailed(reason);
            }
        },
        Qt::QueuedConnection);
}

void QtTcpPort::onTimer() {
    if (socket_ == nullptr) {
        attempt();
        return;
    }
    if (state_ == PortState::Open) {
        connectionProven();
        return;
    }
    attemptFailed("Connection timed out");
}

void QtTcpPort::connectionProven() {
    if (proven_) return;
    proven_ = true;
    timer_.stop();
}

void QtTcpPort::attemptFailed(const std::string& reason) {
    dropSocket();
    retryLater();
    if (!std::exchange(reportFirstFailure_, false)) return;
    // Last: the receiver may keep a message box open for a while.
    if (onOpenFailed) onOpenFailed(reason);
}

void QtTcpPort::connectionLost() {
    // What arrived before the loss is delivered before anyone hears about it.
    const QByteArray rest = socket_->readAll();
    salvaged_.append(rest.constData(), static_cast<std::size_t>(rest.size()));
    dropSocket();
    state_ = PortState::Lost;
    // A link that worked is tried again soon after a loss, then less and less often.
    if (std::exchange(proven_, false)) delay_ = firstDelay_;
    retryLater();
    const std::uint64_t epoch = epoch_;
    if (!salvaged_.empty() && onReceive) onReceive();
    if (epoch == epoch_ && onConnectionChanged) onConnectionChanged(false);
}

void QtTcpPort::retryLater() {
    timer_.start(delay_);
    delay_ = std::min(delay_ * 2, longestDelay_);
}

void QtTcpPort::dropSocket() {
    ++epoch_;
    if (socket_ == nullptr) return;
    socket_->disconnect(this);
    socket_->abort();
    socket_->deleteLater();
    socket_ = nullptr;
}

}  // namespace quilmo

#pragma once
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>

#include "platform/device_text.h"
#include "platform/serial_port.h"

class QTcpSocket;

namespace quilmo {

// The port as a TCP connection to tcp://HOST:PORT (a serial server in front of a TNC,
// a sound-card modem, an APRS-IS server). It connects in the background and never
// gives up: a failed attempt or a dropped connection is followed by another attempt,
// the wait doubling from the first delay up to the longest. Nothing runs in between
// but one single-shot timer.
class QtTcpPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtTcpPort(QObject* parent = nullptr);
    ~QtTcpPort() override;

    bool open(const PortSettings& settings, std::string& error) override;
    bool isOpen() const override { return state_ == PortState::Open; }
    PortState state() const override { return state_; }
    std::string readAll() override;
    void write(std::string_view bytes) override;
    void close() override;
    void connectionVerified() override;
    void dropConnection() override;

    // Waits between attempts, in milliseconds: `first` after a start or after a connection
    // that worked, doubled after every failed attempt, never more than `longest`. A
    // connection works once it has carried data (for aprsis://, once the login is
    // verified: a server's greeting proves nothing) or stayed up for `proven`
    // milliseconds; one that a server accepts and closes at once counts as a failed attempt.
    void setRetryDelays(int first, int longest, int proven = 30000);
    // The wait before the attempt after the next failure or loss, in milliseconds.
    int nextRetryDelay() const { return state_ == PortState::Open && proven_ ? firstDelay_ : delay_; }
    // True while nothing but the timer is running: between attempts.
    bool waitingToRetry() const { return socket_ == nullptr && timer_.isActive(); }

private:
    void attempt();
    void onConnected();
    void onTimer();
    void connectionProven();
    void onTrouble(std::uint64_t epoch, const std::string& reason);
    void attemptFailed(const std::string& reason);
    void connectionLost();
    void retryLater();
    void dropSocket();

    TcpAddress address_;
    QTcpSocket* socket_ = nullptr;  // one per attempt; null while waiting
    // Single shot: the deadline of a running attempt, or the end of the wait before the next.
    QTimer timer_;
    PortState state_ = PortState::NotOpen;
    // Advanced whenever a socket is dropped; queued work and signals of an older one are ignored.
    std::uint64_t epoch_ = 0;
    int firstDelay_ = 1000;
    int longestDelay_ = 30000;
    int delay_ = 1000;
    // How long one attempt (name lookup included) may take before it counts as failed.
    static constexpr int kConnectTimeoutMs = 10000;
    int provenAfter_ = 30000;
    bool proven_ = false;  // the current connection has worked: the next wait starts short
    bool reportFirstFailure_ = false;
    std::string salvaged_;  // read at the moment of loss, not yet fetched by readAll
};

}  // namespace quilmo

#pragma once
#include "platform/qt_serial_port.h"
#include "platform/qt_tcp_port.h"

namespace quilmo {

// The port the device text names: a TCP connection for a network address
// (tcp://HOST:PORT), a serial device for anything else. The choice is made at each
// open, so the window never needs to know which kind it has.
class QtDevicePort : public SerialPort {
public:
    QtDevicePort();
    ~QtDevicePort() override;

    bool open(const PortSettings& settings, std::string& error) override;
    bool isOpen() const override { return active_ != nullptr && active_->isOpen(); }
    PortState state() const override { return active_ != nullptr ? active_->state() : PortState::NotOpen; }
    PortOpenProblem openProblem() const override {
        return active_ != nullptr ? active_->openProblem() : PortOpenProblem::Other;
    }
    std::string readAll() override { return active_ != nullptr ? active_->readAll() : std::string(); }
    void write(std::string_view bytes) override;
    void close() override;
    void connectionVerified() override;
    void dropConnection() override;

    QtSerialPortImpl& serial() { return serial_; }
    QtTcpPort& tcp() { return tcp_; }

private:
    void passCallbacksOn(SerialPort& inner);

    QtSerialPortImpl serial_;
    QtTcpPort tcp_;
    SerialPort* active_ = nullptr;
};

}  // namespace quilmo

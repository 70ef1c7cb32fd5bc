#pragma once
#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <string>

#include "platform/serial_port.h"

namespace quilmo {

// SerialPort on QSerialPort. A device that vanishes while open (USB unplugged, the far
// end of a pty closed) is closed at once, so it cannot keep the event loop busy with
// errors, and is tried again about once a second with the same settings; so is one that
// could not be opened at start (a USB TNC plugged in later, a device busy elsewhere).
class QtSerialPortImpl : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPortImpl(QObject* parent = nullptr);
    ~QtSerialPortImpl() override;

    bool open(const PortSettings& settings, std::string& error) override;
    bool isOpen() const override;
    PortState state() const override;
    PortOpenProblem openProblem() const override { return openProblem_; }
    std::string readAll() override;
    void write(std::string_view bytes) override;
    void close() override;

    // How often a lost device is looked for again, in milliseconds.
    void setReconnectInterval(int milliseconds);
    // True between a device loss and its return (or close()).
    bool waitingForDevice() const { return reconnect_.isActive(); }

private:
    // `settingsRefused`: the settings themselves are no good, so waiting would not help.
    bool configureAndOpen(std::string& error, bool& settingsRefused);
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void handleDeviceLoss();
    void tryReopen();

    QSerialPort port_;
    QTimer reconnect_;
    PortSettings settings_;
    std::string salvaged_;      // read at the moment of loss, not yet fetched by readAll
    bool lossQueued_ = false;
    PortOpenProblem openProblem_ = PortOpenProblem::Other;
};

}  // namespace quilmo

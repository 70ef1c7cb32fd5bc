#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quilmo {

// Why an open failed, where the user can do something about it.
enum class PortOpenProblem { Other, NoSuchDevice, PermissionDenied };

// Where the port stands, for the status line.
enum class PortState {
    NotOpen,  // never opened, closed, or the open failed for good
    Opening,  // not connected yet; trying in the background
    Open,
    Lost,     // was open, the device or connection went away; waiting to get it back
};

struct PortSettings {
    std::string devicePath;       // e.g. /dev/ttyS0, /dev/ttyUSB0, a pty, tcp://host:8001
    std::int32_t baudRate = 2400;
    char parity = 'n';            // n e o m s
    int dataBits = 8;
    int stopBits = 1;
    int flowControl = 0;          // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    bool rtsOn = false;
    bool dtrOn = true;
    std::int32_t rxBufferSize = 512;
    std::int32_t txBufferSize = 32;
    bool operator==(const PortSettings&) const = default;
};

// The one port of the program: a serial device or a TCP connection. Qt implementations
// in qt_serial_port.h and qt_tcp_port.h (qt_device_port.h picks one from the device
// text); tests use an in-memory fake.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Configures and opens. False: it cannot open, `error` says why; a serial device then
    // waits for the device to appear (state() Lost), settings no port takes leave it closed.
    // True: it is open, or (state() Opening) it connects in the background and reports
    // a failed first attempt through onOpenFailed.
    virtual bool open(const PortSettings& settings, std::string& error) = 0;
    virtual bool isOpen() const = 0;
    virtual PortState state() const { return isOpen() ? PortState::Open : PortState::NotOpen; }
    // After open() returned false: what kind of failure it was.
    virtual PortOpenProblem openProblem() const { return PortOpenProblem::Other; }
    // Every byte received and not yet read; empty when none.
    virtual std::string readAll() = 0;
    virtual void write(std::string_view bytes) = 0;
    virtual void close() = 0;
    // The far end has shown that the connection works (an APRS-IS server verified the
    // login): after a loss the port tries again soon. Ports that never wait between tries
    // have nothing to do.
    virtual void connectionVerified() {}
    // The far end does not do its part (an APRS-IS server that never answers the login):
    // the connection is given up as a failed try, reported lost, and made again after the
    // wait a failed try earns. Ports that cannot do that have nothing to do.
    virtual void dropConnection() {}

    // Called on the UI thread whenever received bytes are waiting.
    std::function<void()> onReceive;
    // Called when an open device disappears (false) and when it has been reopened or a
    // background connect succeeded (true). Bytes received before a loss are delivered
    // through onReceive before the loss is reported.
    std::function<void(bool connected)> onConnectionChanged;
    // Called once after open() returned true when the first background attempt failed;
    // the port goes on trying quietly.
    std::function<void(const std::string& reason)> onOpenFailed;
};

}  // namespace quilmo

#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quilmo {

struct PortSettings {
    std::string devicePath;       // e.g. /dev/ttyS0, /dev/ttyUSB0, a pty
    std::int32_t baudRate = 2400;
    char parity = 'n';            // n e o m s
    int dataBits = 8;
    int stopBits = 1;
    int flowControl = 0;          // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    bool rtsOn = false;
    bool dtrOn = true;
    std::int32_t rxBufferSize = 512;
    std::int32_t txBufferSize = 32;
};

// The one serial port of the program. Qt implementation in qt_serial_port.h;
// tests use an in-memory fake.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Configures and opens; on failure returns false with a readable reason.
    virtual bool open(const PortSettings& settings, std::string& error) = 0;
    virtual bool isOpen() const = 0;
    // Every byte received and not yet read; empty when none.
    virtual std::string readAll() = 0;
    virtual void write(std::string_view bytes) = 0;
    virtual void close() = 0;

    // Called on the UI thread whenever received bytes are waiting.
    std::function<void()> onReceive;
    // Called when an open device disappears (false) and when it has been reopened (true).
    std::function<void(bool connected)> onConnectionChanged;
};

}  // namespace quilmo

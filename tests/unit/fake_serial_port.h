#pragma once
// The port as tests play it: received bytes fed in by the test, written bytes kept.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/serial_port.h"

namespace quilmo::test {

class FakeSerialPort : public SerialPort {
public:
    bool open(const PortSettings&, std::string& error) override {
        if (failOpen) error = "No such file or directory";
        return open_ = !failOpen;
    }
    bool isOpen() const override { return open_; }
    std::string readAll() override { return std::exchange(pending, {}); }
    void write(std::string_view bytes) override {
        written += bytes;
        writes.emplace_back(bytes);  // so a frame split over two writes shows
    }
    void close() override { open_ = false; }

    // The TNC sends: the bytes wait in the port and the receive callback fires.
    void feed(std::string_view bytes) {
        pending += bytes;
        onReceive();
    }

    std::string pending, written;
    std::vector<std::string> writes;
    bool failOpen = false;  // the device is not there

private:
    bool open_ = false;
};

}  // namespace quilmo::test

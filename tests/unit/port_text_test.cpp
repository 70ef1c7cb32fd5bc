// What the user writes after DEVICE= and what the status line says about the port.
#include <gtest/gtest.h>

#include "app/config.h"
#include "app/port_status.h"
#include "platform/device_text.h"

namespace quilmo {
namespace {

TEST(DeviceText, NetworkAddressesAreRead) {
    const struct { const char* text; const char* host; int port; } rows[] = {
        {"tcp://localhost:8001", "localhost", 8001},
        {"TCP://rotate.aprs2.net:14580", "rotate.aprs2.net", 14580},
        {"tcp://192.168.1.20:4001", "192.168.1.20", 4001},
        {"tcp://my_tnc-2:1", "my_tnc-2", 1},
        {"tcp://[::1]:65535", "::1", 65535},
        {"tcp://[fe80::1%eth0]:10001", "fe80::1%eth0", 10001},
        {"tcp://[::ffff:127.0.0.1]:08001", "::ffff:127.0.0.1", 8001},
    };
    for (const auto& r : rows) {
        TcpAddress address;
        std::string reason;
        EXPECT_TRUE(isNetworkDeviceText(r.text)) << r.text;
        ASSERT_TRUE(parseTcpDeviceText(r.text, address, reason)) << r.text << ": " << reason;
        EXPECT_EQ(address.host, r.host) << r.text;
        EXPECT_EQ(address.port, r.port) << r.text;
    }
    EXPECT_FALSE(isNetworkDeviceText("/dev/ttyUSB0"));
}

// Each reason is shown to the user under the device text; it must say what is wrong.
TEST(DeviceText, BadTextsSayWhy) {
    const struct { const char* text; std::string reason; } rows[] = {
        {"tcp://", "No host and port given: write tcp://HOST:PORT, for example tcp://localhost:8001"},
        {"tcp://localhost", "No port given: write tcp://HOST:PORT, for example tcp://localhost:8001"},
        {"tcp://localhost:", "No port given: write tcp://HOST:PORT, for example tcp://localhost:8001"},
        {"tcp://:8001", "No host given: write tcp://HOST:PORT, for example tcp://localhost:8001"},
        {"tcp://host:0", "Port 0 is out of range: it must be from 1 to 65535"},
        {"tcp://host:65536", "Port 65536 is out of range: it must be from 1 to 65535"},
        {"tcp://host:184467440737095516160", "Port 184467440737095516160 is out of range: it must be from 1 to 65535"},
        {"tcp://host:-1", "The port must be a number from 1 to 65535, not \"-1\""},
        {"tcp://host:8001/", "The port must be a number from 1 to 65535, not \"8001/\""},
        {"tcp://ho/st:80", "A host name cannot contain '/'"},
        {"tcp://ho\tst:80", "A host name cannot contain a tab"},
        {"tcp://h\xb0st:80", "A host name cannot contain the byte 0xB0"},
        {"tcp://user@host:80", "A host name cannot contain '@'"},
        {"tcp://999.1.1.1:80", "Not a valid IPv4 address: 999.1.1.1"},
        {"tcp://10.1:80", "Not a valid IPv4 address: 10.1"},
        {"tcp://::1:8001", "An IPv6 address must stand in brackets, for example tcp://[::1]:8001"},
        {"tcp://[::1:8001", "The IPv6 address has no closing bracket"},
        {"tcp://[]:8001", "No address between the brackets: write tcp://[IPv6]:PORT, for example tcp://[::1]:8001"},
        {"tcp://[::1]", "No port given: write tcp://HOST:PORT, for example tcp://localhost:8001"},
        {"tcp://[::1]8001", "Expected ':' and the port after the IPv6 address, found '8'"},
        {"tcp://[localhost]:8001", "An IPv6 address cannot contain 'l'"},
        {"tcp://[1:2]:8001", "Not an IPv6 address between the brackets: \"1:2\""},
        {"tcp://[fe80::1%]:8001", "No interface name after '%' in the IPv6 address"},
        {"udp://host:8001", "Unknown kind of connection \"udp://\": only tcp://HOST:PORT is understood"},
    };
    for (const auto& r : rows) {
        TcpAddress address{"untouched", 7};
        std::string reason;
        EXPECT_FALSE(parseTcpDeviceText(r.text, address, reason)) << r.text;
        EXPECT_EQ(reason, r.reason) << r.text;
        EXPECT_EQ(address.host, "untouched") << r.text;
    }
}

TEST(PortStatus, StateStaysAfterTheDeviceAndSettings) {
    const std::string serial = "COM1, 2400,n,8,1  buffer:512/32", net = "tcp://host:8001  buffer:512/32";
    // A network link has no line settings to show, whatever Quilmo.ini says about them.
    const char* tcpIni = "DEVICE= tcp:// host : 8001\nBAUD=9600\nXONXOFF=1\nRTS=1\n";
    const struct { const char* ini; PortState state; std::string text; StatusTone tone; } rows[] = {
        {"", PortState::Open, serial, StatusTone::Quiet},
        {"", PortState::NotOpen, serial + "  - not open", StatusTone::Alarm},
        {"", PortState::Lost, serial + "  - device lost, waiting", StatusTone::Alarm},
        {tcpIni, PortState::Open, net, StatusTone::Quiet},
        {tcpIni, PortState::Opening, net + "  - connecting", StatusTone::Waiting},
        {tcpIni, PortState::Lost, net + "  - lost, reconnecting", StatusTone::Alarm},
        {tcpIni, PortState::NotOpen, net + "  - not open", StatusTone::Alarm},
    };
    for (const auto& r : rows) {
        const PortStatusLine line = portStatusLine(parseConfiguration(r.ini), r.state);
        EXPECT_EQ(line.text(), r.text) << r.ini;
        EXPECT_EQ(line.tone, r.tone) << r.text;
    }
    EXPECT_EQ(portSettingsFrom(parseConfiguration(tcpIni)).devicePath, "tcp://host:8001");
}

}  // namespace
}  // namespace quilmo

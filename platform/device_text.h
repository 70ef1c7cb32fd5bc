#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace quilmo {

// Where a tcp:// or aprsis:// device text points.
struct TcpAddress {
    std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
    std::uint16_t port = 0;
    bool aprsIs = false;  // aprsis://: an APRS-IS server, logged in to on every connect
    bool agw = false;     // agw://: an AGWPE server, spoken to in its frames
};

// True when the device text names a network connection rather than a device path:
// it starts with "tcp://" (any case) or carries some other "scheme://" that
// parseTcpDeviceText will explain.
bool isNetworkDeviceText(std::string_view text);

// The device text starts with "aprsis://" (any case).
bool isAprsIsDeviceText(std::string_view text);

// The device text starts with "agw://" (any case).
bool isAgwDeviceText(std::string_view text);

// Reads tcp://HOST:PORT, aprsis://HOST:PORT or agw://HOST:PORT with HOST a name, an IPv4 address or an [IPv6] address in
// brackets. On a text it cannot use it returns false and says why in `reason`, in
// words meant for the user.
bool parseTcpDeviceText(std::string_view text, TcpAddress& out, std::string& reason);

}  // namespace quilmo

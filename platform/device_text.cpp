#include "platform/device_text.h"
#include "platform/ascii.h"

#include <cstdio>

namespace quilmo {
namespace {

constexpr std::string_view kSchemeEnd = "://";
constexpr const char* kTcpForm = "write tcp://HOST:PORT, for example tcp://localhost:8001";
constexpr const char* kAprsIsForm = "write aprsis://HOST:PORT, for example aprsis://rotate.aprs2.net:14580";
constexpr const char* kAgwForm = "write agw://HOST:PORT, for example agw://localhost:8000";

bool isHexDigit(char c) { return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameCharacter(char c) { return isLetter(c) || isAsciiDigit(c) || c == '-' || c == '.' || c == '_'; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The reason goes into a message box that is read as UTF-8: only printable ASCII is
// quoted as it stands, anything else by its byte value.
std::string describe(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b > 32 && b < 127) return std::string("'") + c + "'";
    if (b == '\t') return "a tab";
    char hex[24];
    std::snprintf(hex, sizeof hex, "the byte 0x%02X", b);
    return hex;
}

bool onlyAscii(std::string_view text) {
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 32 || b >= 127) return false;
    }
    return true;
}

std::string quoted(std::string_view text) {
    return onlyAscii(text) ? "\"" + std::string(text) + "\"" : std::string("the text given");
}

bool fail(std::string& reason, std::string text) {
    reason = std::move(text);
    return false;
}

// A host of digits and dots is meant as an IPv4 address and must be a whole one;
// the resolver would otherwise take "10.1" or "999.1.1.1" in ways nobody expects.
bool validIpv4(std::string_view host) {
    int parts = 0;
    std::size_t start = 0;
    while (start <= host.size()) {
        const std::size_t dot = host.find('.', start);
        const std::string_view part = host.substr(start, dot == std::string_view::npos ? host.npos : dot - start);
        if (part.empty() || part.size() > 3) return false;
        int value = 0;
        for (char c : part) value = value * 10 + (c - '0');
        if (value > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

bool readHostName(std::string_view host, std::string& reason, const char* form) {
    if (host.empty()) return fail(reason, std::string("No host given: ") + form);
    bool digitsAndDots = true;
    for (char c : host) {
        if (!isNameCharacter(c)) return fail(reason, "A host name cannot contain " + describe(c));
        if (!isAsciiDigit(c) && c != '.') digitsAndDots = false;
    }
    if (digitsAndDots && !validIpv4(host)) return fail(reason, "Not a valid IPv4 address: " + std::string(host));
    return true;
}

bool readIpv6(std::string_view host, std::string& reason) {
    if (host.empty()) return fail(reason, "No address between the brackets: write tcp://[IPv6]:PORT, for example tcp://[::1]:8001");
    const std::size_t zone = host.find('%');
    const std::string_view address = host.substr(0, zone);
    int colons = 0;
    for (char c : address) {
        if (c == ':') ++colons;
        if (!isHexDigit(c) && c != ':' && c != '.') return fail(reason, "An IPv6 address cannot contain " + describe(c));
    }
    if (colons < 2) return fail(reason, "Not an IPv6 address between the brackets: " + quoted(address));
    if (zone == std::string_view::npos) return true;
    const std::string_view zoneName = host.substr(zone + 1);
    if (zoneName.empty()) return fail(reason, "No interface name after '%' in the IPv6 address");
    for (char c : zoneName) {
        if (!isNameCharacter(c)) return fail(reason, "An interface name cannot contain " + describe(c));
    }
    return true;
}

bool readPort(std::string_view text, std::uint16_t& port, std::string& reason, const char* form) {
    if (text.empty()) return fail(reason, std::string("No port given: ") + form);
    long value = 0;
    for (char c : text) {
        if (!isAsciiDigit(c)) return fail(reason, "The port must be a number from 1 to 65535, not " + quoted(text));
        if (value <= 65535) value = value * 10 + (c - '0');  // stays small enough to say "out of range"
    }
    if (value < 1 || value > 65535) {
        const std::string shown = value > 65535 ? std::string(text) : std::to_string(value);
        return fail(reason, "Port " + shown + " is out of range: it must be from 1 to 65535");
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

bool isNetworkDeviceText(std::string_view text) {
    return text.find(kSchemeEnd) != std::string_view::npos;
}

bool hasScheme(std::string_view text, std::string_view scheme) {
    const std::size_t schemeEnd = text.find(kSchemeEnd);
    return schemeEnd != std::string_view::npos && equalsIgnoringCase(text.substr(0, schemeEnd), scheme);
}

bool isAprsIsDeviceText(std::string_view text) { return hasScheme(text, "aprsis"); }

bool isAgwDeviceText(std::string_view text) { return hasScheme(text, "agw"); }

bool parseTcpDeviceText(std::string_view text, TcpAddress& out, std::string& reason) {
    const std::size_t schemeEnd = text.find(kSchemeEnd);
    if (schemeEnd == std::string_view::npos) return fail(reason, std::string("Not a network address: ") + kTcpForm);
    const std::string_view scheme = text.substr(0, schemeEnd);
    const bool aprsIs = equalsIgnoringCase(scheme, "aprsis");
    const bool agw = equalsIgnoringCase(scheme, "agw");
    if (!aprsIs && !agw && !equalsIgnoringCase(scheme, "tcp")) {
        return fail(reason, "Unknown kind of connection " + quoted(text.substr(0, schemeEnd + kSchemeEnd.size())) +
                                ": only tcp://HOST:PORT, aprsis://HOST:PORT and agw://HOST:PORT are understood");
    }
    // APRS-IS and AGWPE servers are TCP connections like any other; only what is said over them differs.
    const char* form = aprsIs ? kAprsIsForm : agw ? kAgwForm : kTcpForm;
    const std::string_view rest = text.substr(schemeEnd + kSchemeEnd.size());
    if (rest.empty()) return fail(reason, std::string("No host and port given: ") + form);

    TcpAddress address;
    address.aprsIs = aprsIs;
    address.agw = agw;
    std::string_view portText;
    if (rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return fail(reason, "The IPv6 address has no closing bracket");
        const std::string_view host = rest.substr(1, close - 1);
        if (!readIpv6(host, reason)) return false;
        const std::string_view after = rest.substr(close + 1);
        if (after.empty()) return fail(reason, std::string("No port given: ") + form);
        if (after.front() != ':') {
            return fail(reason, "Expected ':' and the port after the IPv6 address, found " + describe(after.front()));
        }
        address.host = std::string(host);
        portText = after.substr(1);
    } else {
        const std::size_t colon = rest.find(':');
        if (colon == std::string_view::npos) {
            if (!readHostName(rest, reason, form)) return false;
            return fail(reason, std::string("No port given: ") + form);
        }
        if (rest.find(':', colon + 1) != std::string_view::npos) {
            return fail(reason, "An IPv6 address must stand in brackets, for example tcp://[::1]:8001");
        }
        const std::string_view host = rest.substr(0, colon);
        if (!readHostName(host, reason, form)) return false;
        address.host = std::string(host);
        portText = rest.substr(colon + 1);
    }
    if (!readPort(portText, address.port, reason, form)) return false;
    out = std::move(address);
    return true;
}

}  // namespace quilmo

#include "aprs/devices.h"

#include <array>
#include <vector>

#include "aprs/aprs_tables.h"

namespace quilmo {

namespace {

struct Device {
    std::string_view pattern;  // "?" any character, "#" a digit
    std::string_view name;
    int literals = 0;          // characters that must be as written: the more, the more specific
};

// Every tocall begins with "AP"; the patterns are kept by their third character, those
// with a wildcard there apart, so a lookup tries a handful of patterns, not the whole list.
struct DeviceIndex {
    std::array<std::vector<Device>, 128> byThird;
    std::vector<Device> wildThird;
};

DeviceIndex buildIndex() {
    DeviceIndex index;
    std::string_view text = embeddedDeviceTable();
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string_view::npos || tab < 3) continue;
        Device device{line.substr(0, tab), line.substr(tab + 1)};
        for (const char c : device.pattern) device.literals += c != '?' && c != '#';
        const unsigned char third = static_cast<unsigned char>(device.pattern[2]);
        if (device.pattern[2] == '?' || device.pattern[2] == '#')
            index.wildThird.push_back(device);
        else if (third < 128)
            index.byThird[third].push_back(device);
    }
    return index;
}

const DeviceIndex& deviceIndex() {
    static const DeviceIndex index = buildIndex();
    return index;
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A destination may stop before the pattern's last wildcards ("APTT4" for APTT??): some
// devices send a shorter version number.
bool matches(std::string_view pattern, std::string_view destination) {
    if (destination.size() > pattern.size()) return false;
    std::size_t literalEnd = pattern.size();
    while (literalEnd > 0 && (pattern[literalEnd - 1] == '?' || pattern[literalEnd - 1] == '#')) --literalEnd;
    if (destination.size() < literalEnd) return false;
    for (std::size_t i = 0; i < destination.size(); ++i) {
        const char p = pattern[i], d = upper(destination[i]);
        if (p == '?') continue;
        if (p == '#' ? !(d >= '0' && d <= '9') : p != d) return false;
    }
    return true;
}

void pickBest(const std::vector<Device>& devices, std::string_view destination, const Device*& best) {
    for (const Device& d : devices)
        if ((best == nullptr || d.literals > best->literals) && matches(d.pattern, destination)) best = &d;
}

}  // namespace

std::string_view deviceOfDestination(std::string_view destination) {
    if (destination.size() < 3 || destination.size() > 6 || upper(destination[0]) != 'A' ||
        upper(destination[1]) != 'P')
        return {};
    const DeviceIndex& index = deviceIndex();
    const Device* best = nullptr;
    const unsigned char third = static_cast<unsigned char>(upper(destination[2]));
    if (third < 128) pickBest(index.byThird[third], destination, best);
    pickBest(index.wildThird, destination, best);
    return best ? best->name : std::string_view();
}

std::string_view destinationOfHeader(std::string_view header) {
    const std::size_t arrow = header.rfind('>');
    if (arrow == std::string_view::npos) return {};
    std::string_view destination = header.substr(arrow + 1);
    destination = destination.substr(0, destination.find_first_of(",:-"));
    while (!destination.empty() && destination.back() == ' ') destination.remove_suffix(1);
    return destination;
}

}  // namespace quilmo

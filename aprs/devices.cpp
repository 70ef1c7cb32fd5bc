#include "aprs/devices.h"
#include "platform/ascii.h"

#include <array>
#include <cstdint>
#include <vector>

#include "aprs/aprs_tables.h"

namespace quilmo {

namespace {

struct Device {
    std::string_view pattern;  // "?" any character, "#" a digit
    std::string_view name;
    int literals = 0;          // characters that must be as written: the more, the more specific
    std::size_t shortest = 0;  // the pattern without its last wildcards: a destination is at least this long
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
        device.shortest = device.pattern.size();
        while (device.shortest > 0 && (device.pattern[device.shortest - 1] == '?' || device.pattern[device.shortest - 1] == '#'))
            --device.shortest;
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


// A destination may stop before the pattern's last wildcards ("APTT4" for APTT??): some
// devices send a shorter version number.
bool matches(const Device& device, std::string_view destination) {
    const std::string_view pattern = device.pattern;
    if (destination.size() > pattern.size() || destination.size() < device.shortest) return false;
    for (std::size_t i = 0; i < destination.size(); ++i) {
        const char p = pattern[i], d = upperAscii(destination[i]);
        if (p == '?') continue;
        if (p == '#' ? !(d >= '0' && d <= '9') : p != d) return false;
    }
    return true;
}

void pickBest(const std::vector<Device>& devices, std::string_view destination, const Device*& best) {
    for (const Device& d : devices)
        if ((best == nullptr || d.literals > best->literals) && matches(d, destination)) best = &d;
}

// The answers for the destinations heard last: a few of them (APRS, APDR15 …) come in
// most packets, and a lookup would try a score of patterns each time.
struct Remembered {
    std::uint64_t key = 0;  // the destination's characters; 0: empty
    std::string_view device;
};

std::uint64_t keyOf(std::string_view destination) {
    std::uint64_t key = 0;
    for (const char c : destination) key = key << 8 | static_cast<unsigned char>(c);
    return key;
}

std::string_view lookUp(std::string_view destination) {
    const DeviceIndex& index = deviceIndex();
    const Device* best = nullptr;
    const unsigned char third = static_cast<unsigned char>(upperAscii(destination[2]));
    if (third < 128) pickBest(index.byThird[third], destination, best);
    pickBest(index.wildThird, destination, best);
    return best ? best->name : std::string_view();
}

}  // namespace

std::string_view deviceOfDestination(std::string_view destination) {
    if (destination.size() < 3 || destination.size() > 6 || upperAscii(destination[0]) != 'A' ||
        upperAscii(destination[1]) != 'P')
        return {};
    thread_local std::array<Remembered, 64> remembered;
    const std::uint64_t key = keyOf(destination);
    Remembered& slot = remembered[(key ^ key >> 17 ^ key >> 31) % remembered.size()];
    if (slot.key != key) slot = {key, lookUp(destination)};
    return slot.device;
}

std::string_view destinationOfHeader(std::string_view header) {
    // Forward, by memchr: the usual header has one ">", a third party's a few.
    std::size_t arrow = header.find('>');
    if (arrow == std::string_view::npos) return {};
    for (std::size_t next; (next = header.find('>', arrow + 1)) != std::string_view::npos;) arrow = next;
    std::size_t end = arrow + 1;
    while (end < header.size() && header[end] != ',' && header[end] != ':' && header[end] != '-') ++end;
    std::string_view destination = header.substr(arrow + 1, end - arrow - 1);
    while (!destination.empty() && destination.back() == ' ') destination.remove_suffix(1);
    return destination;
}

}  // namespace quilmo

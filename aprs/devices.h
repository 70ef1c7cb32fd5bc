#pragma once
#include <string_view>

namespace quilmo {

// The device or program a destination (tocall, without SSID) names in the APRS device
// list, e.g. "Kenwood TH-D72" for APK003; empty when the list does not know it. The most
// specific pattern wins: APK003 over APK0??. A destination may end before the pattern's
// last wildcards.
std::string_view deviceOfDestination(std::string_view destination);

// The destination of a header as the record shows it: the address after its last ">"
// (the inner one of a third-party packet), without SSID and path.
std::string_view destinationOfHeader(std::string_view header);

}  // namespace quilmo

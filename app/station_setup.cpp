#include "app/station_setup.h"

#include "aprs/beacon.h"
#include "terminal/aprs_is.h"

namespace quilmo {

LinkKind linkKindOf(const Settings& s) { return linkKindOf(s.kiss == 1, s.device); }

std::string aprsIsLoginFor(const Settings& s) {
    return aprsIsLoginLine(s.myCall, s.passcode, QUILMO_VERSION, s.aprsIsFilter);
}

std::string aprsIsLoginShownFor(const Settings& s) {
    return aprsIsLoginShown(s.myCall, s.passcode, QUILMO_VERSION, s.aprsIsFilter);
}

std::optional<std::string> beaconFor(const Settings& s) {
    if (s.beaconMinutes <= 0 || !s.myPositionSet) return std::nullopt;
    return beaconInformation(s.myLatDegrees, s.myLongDegrees, s.symbol, s.beaconText);
}

LinkTransmit encodeForLink(const Settings& s, std::string_view information) {
    return encodeForLink(linkKindOf(s), information, s.myCall, s.unproto);
}

}  // namespace quilmo

#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "app/config.h"
#include "terminal/link_transmit.h"

namespace quilmo {

// What taking part in APRS needs from Quilmo.ini, in one place for the link's owner.

LinkKind linkKindOf(const Settings& s);
// The login line for an aprsis:// device, with this program's version.
std::string aprsIsLoginFor(const Settings& s);
// That login as the Tx view and the Tx log show it, the passcode hidden.
std::string aprsIsLoginShownFor(const Settings& s);
// The beacon's information field; nothing when BEACON= is off or there is no own position.
std::optional<std::string> beaconFor(const Settings& s);
// One information field as the configured link sends it.
LinkTransmit encodeForLink(const Settings& s, std::string_view information);

}  // namespace quilmo

#pragma once
#include <string_view>

#include "aprs/decoder.h"

namespace quilmo {

// Position reports ("!", "=", "/", "@" as first character of `info`), weather included.
// `nameLine` is the object or item line to show after the decimal coordinates.
// `out` comes cleared.
void decodePositionReport(std::string_view header, std::string_view info, std::string_view nameLine,
                          const DecodeContext& ctx, DecodedPacket& out);

}  // namespace quilmo

#pragma once
#include <string_view>

#include "aprs/decoder.h"

namespace quilmo {

// A GPS receiver's sentence sent as it is: "$GPRMC", "$GPGGA" or "$GPGLL" (or "$GN…"),
// decoded as a position report. A sentence whose checksum does not match, or whose
// receiver had no fix, is left unrecognised, as is any other field; `out` comes cleared.
void decodeNmea(std::string_view header, std::string_view info, const DecodeContext& ctx, DecodedPacket& out);

bool isNmeaPosition(std::string_view info);

}  // namespace quilmo

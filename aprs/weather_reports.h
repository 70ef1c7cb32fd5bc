#pragma once
#include <string_view>

#include "aprs/decoder.h"

namespace quilmo {

// Weather reports without a position: "_" with month, day, hour and minute and the
// weather fields, and the Peet Bros Ultimeter's "$ULTW" and "!!" (logging) reports.
// Leaves `out` (which comes cleared) unrecognised for any other information field.
void decodeWeatherReport(std::string_view header, std::string_view info, const DecodeContext& ctx, DecodedPacket& out);

// Whether the information field is one of those reports.
bool isWeatherReport(std::string_view info);

}  // namespace quilmo

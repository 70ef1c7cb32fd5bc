#pragma once
#include <string_view>

#include "aprs/decoder.h"

namespace quilmo {

// Messages (":"), status reports (">"), station capabilities ("<") and telemetry ("T#").
// Leaves `out` (which comes cleared) unrecognised for any other information field.
void decodeTextPacket(std::string_view header, std::string_view info, const DecodeContext& ctx, DecodedPacket& out);

}  // namespace quilmo

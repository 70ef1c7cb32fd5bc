#pragma once
#include <string_view>

#include "aprs/decoder.h"

namespace quilmo {

// Messages (":"), status reports (">"), station capabilities ("<") and telemetry ("T#").
// Returns an unrecognised packet for any other information field.
DecodedPacket decodeTextPacket(std::string_view header, std::string_view info, const DecodeContext& ctx);

}  // namespace quilmo

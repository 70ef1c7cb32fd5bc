#pragma once
#include <string_view>

#include "aprs/decoder.h"

namespace quilmo {

// MIC-E branch: `header` is the packet header up to and including its ":" (after
// any rewrite), `info` the text after it, beginning with the grave accent or apostrophe.
// The same returning a fresh packet.
DecodedPacket decodeMicE(std::string_view header, std::string_view info, std::string_view objectOrItemLine,
                         const DecodeContext& ctx);
// `out` comes cleared.
void decodeMicE(std::string_view header, std::string_view info, std::string_view objectOrItemLine,
                const DecodeContext& ctx, DecodedPacket& out);

}  // namespace quilmo

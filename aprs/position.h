#pragma once
#include <string>
#include <string_view>

#include "aprs/decoder.h"

namespace quilmo {

// Position reports ("!", "=", "/", "@" as first character of `info`), weather included.
// `nameLine` is the object or item line to show after the decimal coordinates;
// `leadingText` what stood before a "!" that did not open the information field.
// `out` comes cleared.
void decodePositionReport(std::string_view header, std::string_view info, std::string_view nameLine,
                          const DecodeContext& ctx, DecodedPacket& out, std::string_view leadingText = {});

// Where a position without time stamp begins ("!") in an information field that opens
// with text: within its first 40 characters, laid out as a position. npos when none.
std::size_t leadingPositionAt(std::string_view info);

// The centre of a Maidenhead locator ("IO91" or "IO91SX") as the texts of a position's
// lines; false when the text is no locator.
bool locatorCentre(std::string_view locator, std::string& latText, std::string& lonText);

}  // namespace quilmo

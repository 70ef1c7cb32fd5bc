#pragma once
#include <initializer_list>
#include <string>

#include "aprs/decoder.h"

namespace quilmo::test {

inline const LocalTime kNow{2026, 12, 5, 9, 5, 3};
inline const std::string kDeg = "\xB0";

// The expected record: opening line, header, one line each, then the closing empty line.
inline std::string expectedRecord(const std::string& header, std::initializer_list<std::string> lines,
                                  const std::string& opening = "------- 2026-12-05 09:05 ------") {
    std::string out = opening + "\r\n" + header;
    for (const std::string& line : lines) out += "\r\n" + line;
    return out + "\r\n\r\n";
}

inline DecodedPacket decode(const std::string& line, const DecoderSettings& settings = {},
                            const FilterFlags& filter = showAllFilter()) {
    return decodeAprsLine(line, DecodeContext{settings, filter, kNow});
}

}  // namespace quilmo::test

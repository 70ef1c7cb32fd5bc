#pragma once
#include <optional>
#include <string_view>

#include "aprs/packet_extras.h"

namespace quilmo {

// The pieces of a packet that sit in its comment or before its position, as APRS
// defines them. Each reader takes text as sent and gives nothing for text that is not
// the piece it reads.

// "092345z" (day, hour, minute, UTC), "092345/" (local), "234517h" (hour, minute, second).
std::optional<PacketTime> readTimestamp(std::string_view text);
// A weather report's "10090556": month, day, hour, minute.
std::optional<PacketTime> readMonthDayTime(std::string_view text);

// The data extension at the start of a comment: "PHGphgd", "DFSshgd" or "RNGrrrr".
void readDataExtension(std::string_view comment, PacketExtras& extras);
// A compressed position's radio range: "{" and one base-91 character.
std::optional<double> compressedRangeKm(char s);

// "!W12!" or "!w12!" in a comment: a thousandth of a minute more for latitude and
// longitude ("W", digits) or a ninety-first of a hundredth ("w", base 91).
struct PositionRefinement {
    double latHundredths = 0;  // to add to the hundredths of a minute, away from the equator
    double lonHundredths = 0;  // and away from the prime meridian
    std::string_view datum = "WGS84";  // what "W" and "w" name, the only datum read
};
std::optional<PositionRefinement> readDao(std::string_view comment);

// What the comment of a position, object, item or MIC-E packet carries: the data
// extension (not for MIC-E: its bytes hold speed and course) and telemetry.
void readCommentExtras(std::string_view comment, bool withDataExtension, PacketExtras& extras);

}  // namespace quilmo

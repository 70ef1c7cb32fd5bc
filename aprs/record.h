#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "aprs/decoder.h"
#include "aprs/geometry.h"

namespace quilmo {

// Pieces every position-carrying branch shares (positions, MIC-E).

// Writes one record straight into the caller's string, so no line needs a string of its own.
// The record: prefix ("-------" or "-MIC-E-") + " " + date + " " + time + " ------" + CR LF;
// then header; then CR LF + line for every non-empty line; then CR LF CR LF.
class RecordWriter {
public:
    // Writes the opening line and the header after whatever `out` holds already.
    RecordWriter(std::string& out, std::string_view prefix, const LocalTime& now, std::string_view header);
    // CR LF + text; an empty text makes no line.
    void line(std::string_view text);
    // CR LF + label + value; nothing when the value is empty.
    void labelled(std::string_view label, std::string_view value);
    // CR LF + label; the caller appends the rest of the line to text().
    std::string& begin(std::string_view label) {
        out_.append("\r\n", 2);
        out_ += label;
        return out_;
    }
    std::string& text() { return out_; }
    // The closing CR LF CR LF.
    void finish();

private:
    std::string& out_;
};

// A station's coordinates as shown; blanked (ambiguous) digits count as 0 in the degrees.
struct Coordinates {
    std::string_view latText;
    std::string_view lonText;
    // Decimal degrees the caller computed from the digits themselves; when absent they
    // are read from the texts above.
    std::optional<double> latDegrees;
    std::optional<double> lonDegrees;
};

// A position ready for its record lines and the station table.
struct Position {
    std::string_view latText;
    std::string_view lonText;
    double latDegrees = 0;  // as the "dec.coord" line shows them
    double lonDegrees = 0;
    // The packet's own degrees for the station table: those above (which locate sets), or
    // finer ones where the packet had more than the texts show (a compressed position).
    double preciseLat = 0;
    double preciseLon = 0;
    std::optional<DistanceAzimuth> fromOwn;  // only with an own position, from the degrees shown
};
Position locate(const Coordinates& coordinates, const DecoderSettings& settings);

// Where the decimal degree texts stand in the record, for the placemark.
struct DecimalSpans {
    std::size_t latAt = 0, latSize = 0, lonAt = 0, lonSize = 0;
};

// Writes "lat./lon.", "dec.coord", the object or item line, "distance." and "azimut...";
// without a position only the object or item line.
DecimalSpans writePositionLines(RecordWriter& record, const Position* position, std::string_view nameLine);

// What the lines of a record tell the station table, as numbers; the facts come cleared.
void setPositionFacts(StationFacts& facts, const Position& position);
void setMotionFacts(StationFacts& facts, double kmh, double degrees);
void setSymbolFacts(StationFacts& facts, std::string_view symbolTable, std::string_view symbolCode);

// latText + " " + lonText into `out`.
void setLastCoordinates(std::string& out, std::string_view latText, std::string_view lonText);

// Code of a primary-table symbol, else 0.
int symbolIndexOf(std::string_view symbolTable, std::string_view symbolCode);
// "station..: " + the symbol's name, when it has one.
void writeStationLine(RecordWriter& record, std::string_view symbolTable, std::string_view symbolCode);

// "speed....:" + numeric text + " km/h" and "course...:" + numeric text + 0xB0 + sector.
void writeSpeedAndCourse(RecordWriter& record, double kmh, double degrees);

// The lines of what else a packet carried, in their fixed order after every other line:
// "time.....:", "msg.no...:", "ack......:", "reject...:", "phg......:", "range....:",
// "dfs......:", "beam.....:", "datum....:", "telemetry:" with the named channels, "invalid..:",
// "device...:".
void writeExtraLines(RecordWriter& record, const PacketExtras& extras);

// What a located packet (a position report, MIC-E) tells the station table.
struct LocatedFacts {
    std::string_view symbolTable, symbolCode;
    const Position* position = nullptr;
    bool hasMotion = false;
    double kmh = 0, course = 0;
    std::optional<double> altitudeM;
    std::string_view comment;
};
void setLocatedFacts(StationFacts& facts, const LocatedFacts& located);

// The tail every located packet's record shares: the extra lines, the record finished and
// shown, and with a position its placemark.
void finishLocatedRecord(RecordWriter& record, const PacketExtras& extras, const DecodeContext& ctx,
                         std::string_view shownHeader, const DecimalSpans& spans, bool hasPosition,
                         std::string_view altitudeText, DecodedPacket& out);

// The placemark of a shown position; the decimal texts are taken from the finished record.
void makePlacemark(Placemark& mark, const LocalTime& now, std::string_view shownHeader, std::string_view record,
                   const DecimalSpans& spans, std::string_view altitudeText);

}  // namespace quilmo

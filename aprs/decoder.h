#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "aprs/filter_flags.h"
#include "aprs/packet_extras.h"
#include "platform/local_time.h"

namespace quilmo {

// What the decoder needs of the configuration.
struct DecoderSettings {
    bool myPositionSet = false;
    double myLatValue = 0;   // signed decimal degrees, north positive
    double myLongValue = 0;  // east positive
    int speedZero = 0;       // 1: show speed and course also when the speed is 0
};

class TelemetryDefinitions;

struct DecodeContext {
    const DecoderSettings& settings;
    const FilterFlags& filter;
    LocalTime now;
    bool wantPlacemark = true;  // false: the caller keeps no track, so none is made
    bool wantStation = false;   // true: fill DecodedPacket::station for the heard-stations table
    // The telemetry definitions heard so far: definition messages go in, telemetry reports
    // get their named channel lines from it. None: reports show their values only.
    TelemetryDefinitions* telemetry = nullptr;
};

// What a recognised packet tells about the station that sent it, filled (when asked for)
// whether or not the station filter shows its record. Numbers are kept as numbers, absent
// ones as none: they are made text only where a table shows or writes them. Texts are
// Windows-1252 bytes, in the forms the records show.
struct StationFacts {
    std::string station;        // source callsign with SSID, or the object or item name
    bool killed = false;        // a killed object or item: it leaves the table
    bool objectOrItem = false;  // `station` names an object or item, not its sender
    std::string symbol;         // the symbol name a "station..:" line shows; empty when none
    char symbolTable = 0;       // the symbol's table and code characters as sent; 0 when none
    char symbolCode = 0;
    bool hasPosition = false;   // false: the packet carried no (valid) position
    // Signed decimal degrees, north and east positive, as precise as the packet gave them
    // (a compressed position finer than the record's hundredths of a minute).
    double latitude = 0;
    double longitude = 0;
    // The rest as the record's lines show them; none where the record has no such line.
    std::optional<double> distanceKm;        // from the own position, unrounded (the record rounds it)
    std::optional<int> azimuthDeg;           // from the own position, 0..359
    std::optional<double> speedKmh;
    std::optional<double> courseDeg;
    std::optional<double> altitudeM;
    std::string lastText;       // the message, status or comment text the record shows; empty when none
    std::string device;         // as after "device...:" (or a MIC-E "radio....:"); empty when unknown
    std::string via;            // the digipeater the packet came through last (its "*"), or "direct"
    // The monitored line itself, for a table that shows a station's latest record; set by a
    // caller that wants it (the decoder leaves it alone).
    std::string packet;
};

// Inner texts of one KML placemark (the writer adds the element tags and escapes).
struct Placemark {
    std::string name;         // "HH:MM:SS " + header as shown
    std::string when;         // "YYYY-MM-DDTHH:MM:SS"
    std::string coordinates;  // "lon,lat,alt" in trimmed numeric text form
};

struct DecodedPacket {
    bool recognised = false;       // a branch decoded the line (whether shown or not)
    bool shown = false;            // passed the station filter; record is then not empty
    std::string record;            // CR LF line ends, ends with an empty line
    // Set by a caller that writes many records out at once: each line's record is then added
    // after the ones before (the caller empties `record`), saving a copy per record.
    bool appendRecords = false;
    std::size_t recordStart = 0;   // where this line's record begins in `record`
    std::string lastCoordinates;   // latText + " " + lonText; empty when no position
    std::optional<Placemark> placemark;  // for a shown position
    StationFacts station;          // filled when DecodeContext::wantStation; station empty: nothing to record
    PacketExtras extras;           // what else the packet carried, for the record's last lines
    // A telemetry definition the packet carried (a message "PARM." … to its station);
    // station empty when none. Applied to DecodeContext::telemetry when there is one.
    TelemetryUpdate telemetryUpdate;
};

// Decodes one monitored line (CR LF pairs already removed by the line assembly).
DecodedPacket decodeAprsLine(std::string_view line, const DecodeContext& ctx);
// The same into `out`, whose strings keep their room from line to line: at packet rates
// a fresh record per line costs more than decoding it.
void decodeAprsLineInto(std::string_view line, const DecodeContext& ctx, DecodedPacket& out);

}  // namespace quilmo

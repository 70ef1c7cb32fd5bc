#include "aprs/decoder.h"

#include <algorithm>

#include "aprs/devices.h"
#include "aprs/text_packets.h"
#include "aprs/mic_e.h"
#include "aprs/monitor_header.h"
#include "aprs/nmea.h"
#include "aprs/numeric.h"
#include "aprs/position.h"
#include "aprs/rewrite.h"
#include "aprs/weather_reports.h"

namespace quilmo {

namespace {

// A header line and its information line arrive joined by the line assembly; a CR LF
// left inside is still taken out so the packet reads as one line.
void removeCrLfPairs(PacketLine& packet) {
    const std::string_view line = packet.text;
    std::size_t at = line.find("\r\n");
    if (at == std::string_view::npos) return;  // the usual case: nothing to copy
    std::string out;
    out.reserve(line.size());
    std::size_t from = 0;
    for (; at != std::string_view::npos; at = line.find("\r\n", from)) {
        out.append(line, from, at - from);
        from = at + 2;
    }
    out.append(line, from);
    packet.replaceText(std::move(out));
}

// Sets headerEnd, taking the TNC's decoration (frame tag, date and time, channel) out of
// the header so that a packet reads SOURCE>DEST,PATH: whatever its TNC printed. False for
// a connected-mode frame, which carries no APRS, and for a header whose addresses are no
// callsigns: no station is made up from text that only looks like one.
bool takeHeader(PacketLine& packet) {
    MonitorHeader header = findMonitorHeader(packet.text);
    packet.headerEnd = 0;
    if (!header.found) return true;
    if (header.frame != MonitorFrame::Ui || !checkAddresses(packet.text, header)) return false;
    if (!header.decorated()) {
        packet.headerEnd = header.end;
        return true;
    }
    const std::string_view text = packet.text;
    std::string plain;
    plain.reserve(text.size());
    plain.append(text, header.addressStart, header.addressEnd - header.addressStart);
    plain.push_back(':');
    const std::size_t headerEnd = plain.size();
    plain.append(text, header.end);
    packet.replaceText(std::move(plain));
    packet.headerEnd = headerEnd;
    return true;
}

bool isPositionType(char c) { return c == '!' || c == '=' || c == '/' || c == '@'; }
bool isTextType(std::string_view info) {
    const char c = info.empty() ? '\0' : info.front();
    return c == ':' || c == '>' || c == '<' || info.starts_with("T#");
}

void clearFacts(StationFacts& facts) {
    facts.station.clear();
    facts.killed = false;
    facts.objectOrItem = false;
    facts.symbol.clear();
    facts.symbolTable = facts.symbolCode = 0;
    facts.hasPosition = false;
    facts.latitude = facts.longitude = 0;
    facts.distanceKm.reset();
    facts.azimuthDeg.reset();
    facts.speedKmh.reset();
    facts.courseDeg.reset();
    facts.altitudeM.reset();
    facts.lastText.clear();
    facts.device.clear();
    facts.via.clear();
}

// The digipeater that repeated the packet last: the last one marked "*".
std::string_view viaOf(std::string_view header) {
    std::string_view path = header.substr(0, header.find(':'));
    const std::size_t comma = path.find(',');
    if (comma == std::string_view::npos) return "direct";
    path.remove_prefix(comma + 1);
    std::string_view last;
    for (std::size_t from = 0; from <= path.size();) {
        const std::size_t end = std::min(path.find(',', from), path.size());
        const std::string_view element = trimBlanks(path.substr(from, end - from));
        if (element.size() > 1 && element.back() == '*') last = element.substr(0, element.size() - 1);
        from = end + 1;
    }
    return last.empty() ? std::string_view("direct") : last;
}

// The station a packet speaks for: an object or item under its own name, else the source,
// which for a third-party packet is the inner one (its rebuilt header names it first).
void nameStation(StationFacts& facts, std::string_view header, const PacketLine& packet) {
    if (packet.named) {
        facts.station = packet.name();
        facts.killed = packet.killed;
        facts.objectOrItem = true;
        return;
    }
    const std::size_t arrow = header.find('>');
    if (arrow == std::string_view::npos) return;  // no header: no sender known
    std::string_view source = trimBlanks(header.substr(0, arrow));
    // Some TNCs flag the station heard directly with "*", on the source too.
    if (source.ends_with('*')) source.remove_suffix(1);
    facts.station = source;
}

}  // namespace

void decodeAprsLineInto(std::string_view line, const DecodeContext& ctx, DecodedPacket& out) {
    out.recognised = false;
    out.shown = false;
    if (!out.appendRecords) out.record.clear();
    out.recordStart = out.record.size();
    out.lastCoordinates.clear();
    out.extras.clear();
    out.telemetryUpdate.station.clear();
    out.telemetryUpdate.text.clear();
    if (ctx.wantStation) clearFacts(out.station);

    PacketLine packet;
    packet.text = line;
    removeCrLfPairs(packet);
    if (!takeHeader(packet)) return;

    if (packet.headerEnd > 0) {
        if (dataTypeOf(packet) == '}') rewriteEncapsulated(packet);
        if (dataTypeOf(packet) == ';') rewriteObject(packet);
        if (dataTypeOf(packet) == ')') rewriteItem(packet);
    }

    const std::string_view text = packet.text;
    const std::string_view header = text.substr(0, packet.headerEnd);
    const std::string_view info = text.substr(packet.headerEnd);
    const std::string_view nameLine = packet.itemLine.empty() ? packet.objectLine : packet.itemLine;

    const char type = info.empty() ? '\0' : info.front();
    const bool micE = packet.headerEnd > 0 && (type == '`' || type == '\'');
    // A MIC-E destination is the latitude; any other names the sending device.
    if (!micE) out.extras.device = deviceOfDestination(destinationOfHeader(header));
    if (micE)
        decodeMicE(header, info, nameLine, ctx, out);
    else if (isWeatherReport(info))
        decodeWeatherReport(header, info, ctx, out);
    else if (isPositionType(type))
        decodePositionReport(header, info, nameLine, ctx, out);
    else if (type == '$')
        decodeNmea(header, info, ctx, out);
    else if (isTextType(info))
        decodeTextPacket(header, info, ctx, out);
    else if (const std::size_t at = leadingPositionAt(info); at != std::string_view::npos)
        decodePositionReport(header, info.substr(at), nameLine, ctx, out, info.substr(0, at));
    if (ctx.wantStation && out.recognised) {
        nameStation(out.station, header, packet);
        out.station.device = out.extras.device;
        if (packet.headerEnd > 0) out.station.via = viaOf(header);
    }
    // The placemark's strings are kept for the next position unless none is wanted.
    if (!out.shown || !ctx.wantPlacemark || !out.placemark || out.lastCoordinates.empty()) out.placemark.reset();
}

DecodedPacket decodeAprsLine(std::string_view line, const DecodeContext& ctx) {
    DecodedPacket out;
    decodeAprsLineInto(line, ctx, out);
    return out;
}

}  // namespace quilmo

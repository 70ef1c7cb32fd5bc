#include "aprs/decoder.h"

#include "aprs/messages.h"
#include "aprs/mic_e.h"
#include "aprs/position.h"
#include "aprs/rewrite.h"

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

// Length of SOURCE>DEST[,PATH]: ; 0 when the first ":" has no ">" before it.
std::size_t headerEndOf(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return 0;
    if (line.substr(0, colon).find('>') == std::string_view::npos) return 0;
    return colon + 1;
}

bool isPositionType(char c) { return c == '!' || c == '=' || c == '/' || c == '@'; }

}  // namespace

void decodeAprsLineInto(std::string_view line, const DecodeContext& ctx, DecodedPacket& out) {
    out.recognised = false;
    out.shown = false;
    if (!out.appendRecords) out.record.clear();
    out.recordStart = out.record.size();
    out.lastCoordinates.clear();

    PacketLine packet;
    packet.text = line;
    removeCrLfPairs(packet);
    packet.headerEnd = headerEndOf(packet.text);

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
    if (packet.headerEnd > 0 && (type == '`' || type == '\''))
        decodeMicE(header, info, nameLine, ctx, out);
    else if (isPositionType(type))
        decodePositionReport(header, info, nameLine, ctx, out);
    else
        decodeTextPacket(header, info, ctx, out);
    // The placemark's strings are kept for the next position unless none is wanted.
    if (!out.shown || !ctx.wantPlacemark || !out.placemark || out.lastCoordinates.empty()) out.placemark.reset();
}

DecodedPacket decodeAprsLine(std::string_view line, const DecodeContext& ctx) {
    DecodedPacket out;
    decodeAprsLineInto(line, ctx, out);
    return out;
}

}  // namespace quilmo

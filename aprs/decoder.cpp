#include "aprs/decoder.h"

#include "aprs/messages.h"
#include "aprs/mic_e.h"
#include "aprs/position.h"
#include "aprs/rewrite.h"

namespace quilmo {

namespace {

// A header line and its information line arrive joined by the line assembly; a CR LF
// left inside is still taken out so the packet reads as one line.
std::string removeCrLfPairs(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    std::size_t from = 0;
    for (std::size_t at = line.find("\r\n"); at != std::string_view::npos; at = line.find("\r\n", from)) {
        out.append(line, from, at - from);
        from = at + 2;
    }
    out.append(line, from);
    return out;
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

DecodedPacket decodeAprsLine(std::string_view line, const DecodeContext& ctx) {
    PacketLine packet;
    packet.text = removeCrLfPairs(line);
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
    if (packet.headerEnd > 0 && (type == '`' || type == '\'')) return decodeMicE(header, info, nameLine, ctx);
    if (isPositionType(type)) return decodePositionReport(header, info, nameLine, ctx);
    return decodeTextPacket(header, info, ctx);
}

}  // namespace quilmo

#include "aprs/text_packets.h"

#include <optional>
#include <string>

#include "aprs/message_field.h"
#include "aprs/extensions.h"
#include "aprs/filter_flags.h"
#include "aprs/numeric.h"
#include "aprs/position.h"
#include "aprs/record.h"
#include "aprs/telemetry.h"
#include "aprs/text_util.h"

namespace quilmo {

namespace {

struct TextKind {
    FilterClass filterClass;
    std::size_t textStart;  // 0-based start of the shown text in the information field
    const char* label;
};

bool kindOf(std::string_view info, TextKind& kind) {
    switch (charAt(info, 0)) {
    case ':': kind = {kFilterMessages, 11, "message..: "}; return true;
    case '>': kind = {kFilterStatus, 1, "st.report: "}; return true;
    case '<': kind = {kFilterCapabilities, 1, "st.capab.: "}; return true;
    case 'T':
        if (charAt(info, 1) != '#') return false;
        kind = {kFilterTelemetry, 2, "telemetry: "};
        return true;
    default: return false;
    }
}

// The sender as the "from.....:" line shows it, and as telemetry definitions name it.
std::string_view senderOf(std::string_view header) {
    const std::size_t arrow = header.find('>');
    if (arrow == std::string_view::npos) return {};
    std::string_view sender = trimBlanks(header.substr(0, arrow));
    if (sender.ends_with('*')) sender.remove_suffix(1);
    return sender;
}

// Message number, acknowledgement, rejection; a definition of the addressee's telemetry.
void readMessage(std::string_view info, const DecodeContext& ctx, DecodedPacket& out) {
    const AprsMessageParts parts = parseAprsMessage(info);
    if (!parts.valid) return;
    PacketExtras& extras = out.extras;
    switch (parts.kind) {
    case AprsMessageParts::Kind::Message:
        extras.messageNumber = parts.number;
        if (parts.replyAckForm) extras.ack = parts.replyAck;
        break;
    case AprsMessageParts::Kind::Ack: extras.ack = parts.number; break;
    case AprsMessageParts::Kind::Reject: extras.reject = parts.number; break;
    }
    if (parts.kind != AprsMessageParts::Kind::Message || !isTelemetryDefinition(parts.text)) return;
    out.telemetryUpdate.station = parts.addressee;
    out.telemetryUpdate.text = parts.text;
    if (ctx.telemetry) ctx.telemetry->apply(out.telemetryUpdate);
}

// "^B7" ending a status: beam heading in tens of degrees ("0".."9", then "A".."Z" from 100)
// and an ERP code whose square is tens of watts, as meteor-scatter stations send them.
std::optional<BeamHeading> beamOf(std::string_view text) {
    if (text.size() < 3 || text[text.size() - 3] != '^') return std::nullopt;
    const char h = text[text.size() - 2], p = text.back();
    const int tens = isAsciiDigit(h) ? h - '0' : (h >= 'A' && h <= 'Z') ? h - 'A' + 10 : -1;
    if (tens < 0 || !isAsciiDigit(p)) return std::nullopt;
    const int code = p - '0';
    return BeamHeading{tens * 10, code * code * 10};
}

// A status that begins with a Maidenhead locator and a symbol ("IO91SX/G my house"):
// the centre of the square is the station's position. A beam heading may follow the
// symbol at once ("IO91SX/G^B7").
std::optional<Position> statusPosition(std::string_view text, bool beamAtEnd, const DecoderSettings& settings,
                                       std::string& latText, std::string& lonText) {
    for (const std::size_t length : {6, 4}) {
        const char table = charAt(text, length), code = charAt(text, length + 1), after = charAt(text, length + 2);
        const bool symbol = (table == '/' || table == '\\' || (table >= 'A' && table <= 'Z') || isAsciiDigit(table)) &&
                            code > ' ' && code <= '~';
        const bool beamTail = after == '^' && beamAtEnd && text.size() == length + 5;
        if (!symbol || !(after == '\0' || after == ' ' || beamTail)) continue;
        if (!locatorCentre(text.substr(0, length), latText, lonText)) continue;
        return locate(Coordinates{latText, lonText, std::nullopt, std::nullopt}, settings);
    }
    return std::nullopt;
}

}  // namespace

void decodeTextPacket(std::string_view header, std::string_view info, const DecodeContext& ctx, DecodedPacket& out) {
    TextKind kind{};
    if (!kindOf(info, kind)) return;
    out.recognised = true;
    const std::string_view text = trimBlanks(clippedPart(info, kind.textStart));
    PacketExtras& extras = out.extras;
    std::optional<Position> position;
    std::string latText, lonText;  // short enough to need no room of their own
    switch (kind.filterClass) {
    case kFilterMessages: readMessage(info, ctx, out); break;
    case kFilterStatus:
        if (const auto time = readTimestamp(clippedPart(info, 1, 7)); time && info[7] == 'z') extras.time = *time;
        extras.beam = beamOf(info);
        position = statusPosition(clippedPart(info, 1), extras.beam.has_value(), ctx.settings, latText, lonText);
        if (position) setLastCoordinates(out.lastCoordinates, latText, lonText);
        break;
    case kFilterTelemetry:
        if (TelemetryReport report; readTelemetryReport(info, report, extras.invalid)) {
            extras.telemetry = std::move(report);
            if (ctx.telemetry) extras.telemetryDefinition = ctx.telemetry->find(senderOf(header));
        }
        break;
    default: break;
    }
    if (ctx.wantStation) {
        out.station.lastText = text;
        if (position) setPositionFacts(out.station, *position);
    }
    if (!classRecordPasses(ctx.filter, kind.filterClass)) return;

    RecordWriter record(out.record, "-------", ctx.now, header);
    const std::size_t arrow = header.find('>');
    if (arrow != std::string_view::npos) record.labelled("from.....: ", trimBlanks(header.substr(0, arrow)));
    // The addressee field is nine characters; the ":" closing it is skipped whatever it is.
    if (kind.filterClass == kFilterMessages && info.size() >= 10)
        record.labelled("to.......: ", trimBlanks(info.substr(1, 9)));
    record.labelled(kind.label, text);
    DecimalSpans spans;
    if (position) spans = writePositionLines(record, &*position, {});
    writeExtraLines(record, extras);
    record.finish();
    out.shown = true;
    if (ctx.wantPlacemark && position) {
        if (!out.placemark) out.placemark.emplace();
        makePlacemark(*out.placemark, ctx.now, header, out.record, spans, "0");
    }
}

}  // namespace quilmo

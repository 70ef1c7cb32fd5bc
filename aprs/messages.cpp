#include "aprs/messages.h"

#include <string>

#include "aprs/filter_flags.h"
#include "aprs/numeric.h"
#include "aprs/record.h"
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

std::string labelled(std::string_view label, std::string_view value) {
    const std::string_view trimmed = trimBlanks(value);
    if (trimmed.empty()) return {};
    std::string line(label);
    line += trimmed;
    return line;
}

}  // namespace

DecodedPacket decodeTextPacket(std::string_view header, std::string_view info, const DecodeContext& ctx) {
    DecodedPacket out;
    TextKind kind{};
    if (!kindOf(info, kind)) return out;
    out.recognised = true;
    if (!classRecordPasses(ctx.filter, kind.filterClass)) return out;

    const std::size_t arrow = header.find('>');
    const std::string fromLine =
        arrow == std::string_view::npos ? std::string() : labelled("from.....: ", header.substr(0, arrow));
    // The addressee field is nine characters; the ":" closing it is skipped whatever it is.
    const std::string toLine =
        (kind.filterClass == kFilterMessages && info.size() >= 10) ? labelled("to.......: ", info.substr(1, 9))
                                                                    : std::string();
    const std::string textLine = labelled(kind.label, clippedPart(info, kind.textStart));

    out.record = assembleRecord("-------", ctx.now, header, {fromLine, toLine, textLine});
    out.shown = true;
    return out;
}

}  // namespace quilmo

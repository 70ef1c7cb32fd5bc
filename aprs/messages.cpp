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

}  // namespace

void decodeTextPacket(std::string_view header, std::string_view info, const DecodeContext& ctx, DecodedPacket& out) {
    TextKind kind{};
    if (!kindOf(info, kind)) return;
    out.recognised = true;
    const std::string_view text = trimBlanks(clippedPart(info, kind.textStart));
    if (ctx.wantStation) out.station.lastText = text;
    if (!classRecordPasses(ctx.filter, kind.filterClass)) return;

    RecordWriter record(out.record, "-------", ctx.now, header);
    const std::size_t arrow = header.find('>');
    if (arrow != std::string_view::npos) record.labelled("from.....: ", trimBlanks(header.substr(0, arrow)));
    // The addressee field is nine characters; the ":" closing it is skipped whatever it is.
    if (kind.filterClass == kFilterMessages && info.size() >= 10)
        record.labelled("to.......: ", trimBlanks(info.substr(1, 9)));
    record.labelled(kind.label, text);
    record.finish();
    out.shown = true;
}

}  // namespace quilmo

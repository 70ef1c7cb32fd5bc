#include "aprs/record.h"

#include "aprs/geometry.h"
#include "aprs/numeric.h"
#include "aprs/symbols.h"
#include "aprs/telemetry.h"

namespace quilmo {

namespace {

constexpr std::string_view kCrLf = "\r\n";

void appendTwoDigits(std::string& out, int value) {
    if (value >= 0 && value < 100) {
        const char digits[2] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
        out.append(digits, 2);
        return;
    }
    appendTrimmedNumericText(out, value);
}

void appendDate(std::string& out, const LocalTime& now, char separator = '-') {
    appendTrimmedNumericText(out, now.year);
    out.push_back(separator);
    appendTwoDigits(out, now.month);
    out.push_back(separator);
    appendTwoDigits(out, now.day);
}

bool isTwoDigits(int value) { return value >= 0 && value < 100; }

void appendClock(std::string& out, const LocalTime& now, bool seconds) {
    // Every placemark writes a time twice: one append of the usual digits, not five.
    if (isTwoDigits(now.hour) && isTwoDigits(now.minute) && isTwoDigits(now.second)) {
        const char text[8] = {static_cast<char>('0' + now.hour / 10),   static_cast<char>('0' + now.hour % 10),   ':',
                              static_cast<char>('0' + now.minute / 10), static_cast<char>('0' + now.minute % 10), ':',
                              static_cast<char>('0' + now.second / 10), static_cast<char>('0' + now.second % 10)};
        out.append(text, seconds ? 8 : 5);
        return;
    }
    appendTwoDigits(out, now.hour);
    out.push_back(':');
    appendTwoDigits(out, now.minute);
    if (seconds) {
        out.push_back(':');
        appendTwoDigits(out, now.second);
    }
}

// " " + date + " " + time + " ------" + CR LF, made again only when the minute changes:
// records come many to the minute.
std::string_view openingTime(const LocalTime& now) {
    thread_local LocalTime made{-1, -1, -1, -1, -1, -1};
    thread_local std::string text;
    if (now.year != made.year || now.month != made.month || now.day != made.day || now.hour != made.hour ||
        now.minute != made.minute || text.empty()) {
        made = now;
        text.clear();
        text.push_back(' ');
        appendDate(text, now);
        text.push_back(' ');
        appendClock(text, now, false);
        text += " ------";
        text += kCrLf;
    }
    return text;
}

// A station that hides its precise position sends blanks for the last digits ("4 " for
// 40 minutes); read as numbers they would shrink the value ("4 " reads 4), so they count as 0.
double degreesOfAmbiguous(std::string_view text) {
    if (text.find(' ') == std::string_view::npos) return dmsTextToDegrees(text);
    std::string digits(text);
    for (char& c : digits)
        if (c == ' ') c = '0';
    return dmsTextToDegrees(digits);
}

}  // namespace

RecordWriter::RecordWriter(std::string& out, std::string_view prefix, const LocalTime& now, std::string_view header)
    : out_(out) {
    out_ += prefix;
    out_ += openingTime(now);
    out_ += header;
}

void RecordWriter::line(std::string_view text) {
    if (text.empty()) return;
    out_ += kCrLf;
    out_ += text;
}

void RecordWriter::labelled(std::string_view label, std::string_view value) {
    if (value.empty()) return;
    out_ += kCrLf;
    out_ += label;
    out_ += value;
}

void RecordWriter::finish() {
    out_ += kCrLf;
    out_ += kCrLf;
}

Position locate(const Coordinates& coordinates, const DecoderSettings& settings) {
    Position position;
    position.latText = trimBlanks(coordinates.latText);
    position.lonText = trimBlanks(coordinates.lonText);
    position.latDegrees = coordinates.latDegrees ? *coordinates.latDegrees : degreesOfAmbiguous(position.latText);
    position.lonDegrees = coordinates.lonDegrees ? *coordinates.lonDegrees : degreesOfAmbiguous(position.lonText);
    position.preciseLat = position.latDegrees;
    position.preciseLon = position.lonDegrees;
    if (settings.myPositionSet)
        position.fromOwn = computeDistanceAzimuth(settings.myLongValue, settings.myLatValue, position.lonDegrees,
                                                  position.latDegrees);
    return position;
}

DecimalSpans writePositionLines(RecordWriter& record, const Position* position, std::string_view nameLine) {
    DecimalSpans spans;
    if (!position) {
        record.line(nameLine);
        return spans;
    }
    std::string& out = record.begin("lat./lon.: ");
    out += position->latText;
    out.push_back(' ');
    out += position->lonText;

    record.begin("dec.coord: ");
    spans.latAt = out.size();
    appendTrimmedNumericText(out, position->latDegrees);
    spans.latSize = out.size() - spans.latAt;
    out.push_back(' ');
    spans.lonAt = out.size();
    appendTrimmedNumericText(out, position->lonDegrees);
    spans.lonSize = out.size() - spans.lonAt;

    record.line(nameLine);
    if (const std::optional<DistanceAzimuth>& da = position->fromOwn) {
        appendNumericText(record.begin("distance.:"), da->distanceKm);
        out += " km";
        appendNumericText(record.begin("azimut...:"), da->azimuthDeg);
        out += "\xB0";
        out += compassSectorName(da->azimuthDeg);
    }
    return spans;
}

void setPositionFacts(StationFacts& facts, const Position& position) {
    facts.hasPosition = true;
    facts.latitude = position.preciseLat;
    facts.longitude = position.preciseLon;
    if (const std::optional<DistanceAzimuth>& da = position.fromOwn) {
        facts.distanceKm = da->km;
        facts.azimuthDeg = da->azimuthDeg;
    }
}

void setMotionFacts(StationFacts& facts, double kmh, double degrees) {
    facts.speedKmh = kmh;
    facts.courseDeg = degrees;
}

void setSymbolFacts(StationFacts& facts, std::string_view symbolTable, std::string_view symbolCode) {
    if (symbolTable.empty() || symbolCode.empty()) return;
    facts.symbolTable = symbolTable.front();
    facts.symbolCode = symbolCode.front();
    appendSymbolName(facts.symbol, symbolName(symbolTable.front(), symbolCode.front()));
}

void setLastCoordinates(std::string& out, std::string_view latText, std::string_view lonText) {
    out.clear();
    out += latText;
    out.push_back(' ');
    out += lonText;
}

int symbolIndexOf(std::string_view symbolTable, std::string_view symbolCode) {
    if (symbolTable != "/" || symbolCode.empty()) return 0;
    return static_cast<unsigned char>(symbolCode.front());
}

void writeStationLine(RecordWriter& record, std::string_view symbolTable, std::string_view symbolCode) {
    if (symbolTable.empty() || symbolCode.empty()) return;
    const SymbolName name = symbolName(symbolTable.front(), symbolCode.front());
    if (!name.empty()) appendSymbolName(record.begin("station..: "), name);
}

void writeSpeedAndCourse(RecordWriter& record, double kmh, double degrees) {
    std::string& out = record.begin("speed....:");
    appendNumericText(out, kmh);
    out += " km/h";
    record.begin("course...:");
    appendNumericText(out, degrees);
    out += "\xB0";
    out += compassSectorName(degrees);
}

namespace {

void appendTime(std::string& out, const PacketTime& t) {
    switch (t.form) {
    case PacketTime::Form::DayTime:
        appendTwoDigits(out, t.day);
        out.push_back(' ');
        appendTwoDigits(out, t.hour);
        out.push_back(':');
        appendTwoDigits(out, t.minute);
        out.push_back(t.zone);
        return;
    case PacketTime::Form::TimeOfDay:
        appendTwoDigits(out, t.hour);
        out.push_back(':');
        appendTwoDigits(out, t.minute);
        out.push_back(':');
        appendTwoDigits(out, t.second);
        out.push_back('h');
        return;
    case PacketTime::Form::MonthDayTime:
        appendTwoDigits(out, t.month);
        out.push_back('-');
        appendTwoDigits(out, t.day);
        out.push_back(' ');
        appendTwoDigits(out, t.hour);
        out.push_back(':');
        appendTwoDigits(out, t.minute);
        return;
    case PacketTime::Form::None: return;
    }
}

// "36 W, 98 m, 3 dBi, omni"; a direction finder's strength as "S3".
void appendStationPower(std::string& out, const StationPower& p, bool strength) {
    if (strength) out.push_back('S');
    appendTrimmedNumericText(out, p.powerW);
    out += strength ? ", " : " W, ";
    appendTrimmedNumericText(out, p.heightM);
    out += " m, ";
    appendTrimmedNumericText(out, p.gainDb);
    out += " dBi, ";
    if (p.directivity == 0) {
        out += "omni";
        return;
    }
    appendTrimmedNumericText(out, p.directivity);
    out += "\xB0";
}

// A channel's label: its name cut or padded with dots to nine characters, ":" and a blank.
void beginChannelLine(RecordWriter& record, std::string_view name) {
    std::string& out = record.begin(name.substr(0, 9));
    out.append(name.size() < 9 ? 9 - name.size() : 0, '.');
    out += ": ";
}

void writeTelemetry(RecordWriter& record, const TelemetryReport& report, const TelemetryDefinition* definition) {
    // A MIC-E report has no sequence number; a channel it did not send shows as "-".
    std::string& out = record.begin("telemetry:");
    if (!report.sequence.empty()) {
        out += " #";
        out += report.sequence;
    }
    for (int i = 0; i < report.analogCount; ++i) {
        out.push_back(' ');
        if (report.missing >> i & 1u)
            out.push_back('-');
        else
            appendTrimmedNumericText(out, report.analog[static_cast<std::size_t>(i)]);
    }
    if (!report.bits.empty()) {
        out.push_back(' ');
        out += report.bits;
    }
    if (definition == nullptr) return;
    for (std::size_t i = 0; i < static_cast<std::size_t>(report.analogCount); ++i) {
        const std::string& name = definition->names[i];
        if (name.empty() || (report.missing >> i & 1u)) continue;
        const double x = report.analog[i];
        const auto& eq = definition->equations[i];
        beginChannelLine(record, name);
        appendTrimmedNumericText(out, eq[0] * x * x + eq[1] * x + eq[2]);
        if (!definition->units[i].empty()) out.push_back(' ');
        out += definition->units[i];
    }
    // A bit is shown 1 when it is in the state the station calls active (BITS; 1 unless it said otherwise).
    for (std::size_t bit = 0; bit < report.bits.size(); ++bit) {
        const std::string& name = definition->names[5 + bit];
        if (name.empty()) continue;
        const char active = bit < definition->bitSense.size() ? definition->bitSense[bit] : '1';
        beginChannelLine(record, name);
        out.push_back(report.bits[bit] == active ? '1' : '0');
        if (!definition->units[5 + bit].empty()) out.push_back(' ');
        out += definition->units[5 + bit];
    }
}

}  // namespace

void writeExtraLines(RecordWriter& record, const PacketExtras& extras) {
    if (extras.time.form != PacketTime::Form::None) appendTime(record.begin("time.....: "), extras.time);
    record.labelled("msg.no...: ", extras.messageNumber);
    record.labelled("ack......: ", extras.ack);
    record.labelled("reject...: ", extras.reject);
    if (extras.phg) appendStationPower(record.begin("phg......: "), *extras.phg, false);
    if (extras.rangeKm) {
        appendTrimmedNumericText(record.begin("range....: "), *extras.rangeKm);
        record.text() += " km";
    }
    if (extras.dfs) appendStationPower(record.begin("dfs......: "), *extras.dfs, true);
    if (extras.beam) {
        std::string& out = record.begin("beam.....: ");
        appendTrimmedNumericText(out, extras.beam->degrees);
        out += "\xB0, ";
        appendTrimmedNumericText(out, extras.beam->erpW);
        out += " W ERP";
    }
    record.labelled("datum....: ", extras.datum);
    if (extras.telemetry) writeTelemetry(record, *extras.telemetry, extras.telemetryDefinition);
    record.labelled("invalid..: ", extras.invalid);
    if (!extras.deviceOnRadioLine) record.labelled("device...: ", extras.device);
}

void setLocatedFacts(StationFacts& facts, const LocatedFacts& located) {
    setSymbolFacts(facts, located.symbolTable, located.symbolCode);
    if (located.position != nullptr) setPositionFacts(facts, *located.position);
    if (located.hasMotion) setMotionFacts(facts, located.kmh, located.course);
    if (located.altitudeM) facts.altitudeM = *located.altitudeM;
    facts.lastText = located.comment;
}

void finishLocatedRecord(RecordWriter& record, const PacketExtras& extras, const DecodeContext& ctx,
                         std::string_view shownHeader, const DecimalSpans& spans, bool hasPosition,
                         std::string_view altitudeText, DecodedPacket& out) {
    writeExtraLines(record, extras);
    record.finish();
    out.shown = true;
    if (!ctx.wantPlacemark || !hasPosition) return;
    if (!out.placemark) out.placemark.emplace();
    makePlacemark(*out.placemark, ctx.now, shownHeader, out.record, spans, altitudeText);
}

void makePlacemark(Placemark& mark, const LocalTime& now, std::string_view shownHeader, std::string_view record,
                   const DecimalSpans& spans, std::string_view altitudeText) {
    mark.name.clear();
    appendClock(mark.name, now, true);
    mark.name.push_back(' ');
    mark.name += shownHeader;

    mark.when.clear();
    appendDate(mark.when, now);
    mark.when.push_back('T');
    appendClock(mark.when, now, true);
    // Local digits with their offset: without one a viewer takes them for UTC.
    mark.when += utcOffsetText(now.utcOffsetMinutes);

    mark.coordinates.clear();
    mark.coordinates += record.substr(spans.lonAt, spans.lonSize);
    mark.coordinates.push_back(',');
    mark.coordinates += record.substr(spans.latAt, spans.latSize);
    mark.coordinates.push_back(',');
    mark.coordinates += altitudeText;
}

}  // namespace quilmo

#include "app/packet_pipeline.h"

#include <utility>

#include "app/session_logs.h"

namespace quilmo {

PacketPipeline::PacketPipeline(std::string filesFolder, std::function<LocalTime()> clock, SessionLogs& logs,
                               QObject* parent)
    : QObject(parent), clock_(std::move(clock)), logs_(logs), kml_(std::move(filesFolder)) {
    monotonic_.start();
}

void PacketPipeline::configure(const Settings& settings) {
    aprsEnabled_ = settings.aprsEnabled == 1;
    // Distances need APRS on as well as a valid own position.
    myPositionSet_ = aprsEnabled_ && settings.myPositionSet;
    own_ = myPositionSet_ ? OwnPosition{settings.myLatDegrees, settings.myLongDegrees} : OwnPosition{};
    speedZero_ = settings.speedZero;
}

void PacketPipeline::pause() { aprs_.aprsStopped = 1; }

void PacketPipeline::packetLine(std::string_view line) {
    if (aprsEnabled_ && aprs_.aprsStopped == 0) decode(line);
}

void PacketPipeline::decode(std::string_view line) {
    // A packet heard again (through a digipeater, from a second TNC) is shown in the Rx
    // view with every copy, but counts once everywhere else.
    if (duplicates_.isRepeat(line, monotonic_.elapsed())) return;
    const LocalTime now = clock_();
    const DecoderSettings settings = decoderSettings();
    const DecodeContext context{settings, aprs_.filterFlags, now, true, true, &aprs_.telemetry};
    decodeAprsLineInto(line, context, packet_);
    // Every recognised packet counts, whether the filter shows its record or not.
    if (packet_.recognised) {
        packet_.station.packet.assign(line);  // the station's latest record is made from it on demand
        stations_.update(packet_.station, now);
        tracks_.add(packet_.station, now);
    }
    if (packet_.shown) {
        logs_.addAprs(packet_.record);
        if (packet_.placemark) kml_.kmlAppendPlacemark(*packet_.placemark);
    }
    if (packet_.recognised) emit packetDecoded(packet_);
    // The coordinates stay offered until another position replaces them; a packet
    // without a position leaves them alone.
    if (!packet_.lastCoordinates.empty()) {
        aprs_.lastCoordinates = packet_.lastCoordinates;
        emit coordinatesOffered();
    }
}

DecoderSettings PacketPipeline::decoderSettings() const {
    return {myPositionSet_, own_.myLatValue, own_.myLongValue, speedZero_};
}

std::string PacketPipeline::latestRecord(const std::string& station) {
    const StationTable::RowId id = stations_.find(station);
    if (id == StationTable::kNoRow) return {};
    const StationRow& row = stations_.row(id);
    const FilterFlags all = showAllFilter();
    const DecoderSettings settings = decoderSettings();
    // The definitions it adds again are the ones it added when it was heard.
    const DecodeContext context{settings, all, row.lastHeard, false, false, &aprs_.telemetry};
    return decodeAprsLine(row.lastPacket, context).record;
}

void PacketPipeline::start() {
    aprs_.aprsStopped = 0;
    kml_.kmlCreateFile(clock_());
}

void PacketPipeline::stop() {
    aprs_.aprsStopped = 1;
    kml_.kmlCloseFile();
}

void PacketPipeline::closeTrackForFilter() {
    if (kml_.kmlDocumentOpen()) kml_.kmlCloseFile();
}

void PacketPipeline::close() {
    if (kml_.kmlDocumentOpen()) kml_.kmlCloseFile();
}

}  // namespace quilmo

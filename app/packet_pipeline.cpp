#include "app/packet_pipeline.h"

#include <QTimer>
#include <utility>

#include "app/session_logs.h"

namespace quilmo {
namespace {

// At most one transaction a second; after a failure, as often as the message store retries.
constexpr int kKeepBatchMs = 1000;
constexpr int kKeepRetryMs = 2000;
constexpr int kExpiryMs = 3600 * 1000;

}  // namespace

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
        const StationTracks::Change track = tracks_.add(packet_.station, now);
        if (keeper_ && keeper_->keeping()) {
            keeper_->trackChanged(packet_.station.station, track);
            if (keeper_->waiting() && !keepTimer_->isActive()) keepTimer_->start(kKeepBatchMs);
        }
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
    if (!keeper_) return;
    keepTimer_->stop();
    expiryTimer_->stop();
    keeper_->write();  // one last try, as pending log text gets
}

void PacketPipeline::keepStations(std::unique_ptr<StationStore> store, int keepHours) {
    keptStore_ = std::move(store);
    keeper_ = std::make_unique<StationKeeper>(stations_, tracks_, *keptStore_);
    keepSeconds_ = std::int64_t{keepHours} * 3600;
    keepTimer_ = new QTimer(this);
    keepTimer_->setSingleShot(true);
    connect(keepTimer_, &QTimer::timeout, this, &PacketPipeline::writeKept);
    expiryTimer_ = new QTimer(this);
    expiryTimer_->setInterval(kExpiryMs);
    connect(expiryTimer_, &QTimer::timeout, this, &PacketPipeline::dropExpired);
    // Dropped first, so nothing is loaded that would only go at the next hour.
    std::string reason;
    keptStore_->dropOlderThan(wallClockSeconds(clock_()) - keepSeconds_, StationTracks::kTotal, reason);
    const bool loaded = keeper_->load(wallClockSeconds(clock_()) - keepSeconds_);
    tellKeepNotice();
    if (loaded) expiryTimer_->start();
}

bool PacketPipeline::keepTimerRunning() const { return keepTimer_ != nullptr && keepTimer_->isActive(); }

void PacketPipeline::writeKept() {
    if (!keeper_->write()) keepTimer_->start(kKeepRetryMs);
    tellKeepNotice();
}

void PacketPipeline::dropExpired() {
    keeper_->dropOlderThan(wallClockSeconds(clock_()) - keepSeconds_);
    tellKeepNotice();
}

void PacketPipeline::tellKeepNotice() {
    if (keeper_->notice() == keepNoticeTold_) return;
    keepNoticeTold_ = keeper_->notice();
    emit keepNoticeChanged(keepNoticeTold_);
}

}  // namespace quilmo

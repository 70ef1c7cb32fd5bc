#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/config.h"
#include "app/link.h"
#include "aprs/decoder.h"
#include "aprs/duplicate_filter.h"
#include "aprs/filter_flags.h"
#include "aprs/station_keeper.h"
#include "aprs/station_table.h"
#include "aprs/station_tracks.h"
#include "aprs/telemetry.h"
#include "kml/kml_track.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/station_store.h"

class QTimer;

namespace quilmo {

class SessionLogs;

struct AprsState {
    std::int16_t aprsStopped = 0;
    std::string lastCoordinates;
    FilterFlags filterFlags{};
    // What PARM/UNIT/EQNS/BITS messages defined, for naming telemetry channels.
    TelemetryDefinitions telemetry;
};

struct OwnPosition {
    double myLatValue = 0;
    double myLongValue = 0;
};

// What becomes of a packet line: the duplicate filter, the decoder, the heard stations and
// their tracks, and for a record the filter shows, the APRS log and the KML track. It
// listens to the link and tells the windows by signals.
class PacketPipeline : public QObject, public LinkListener {
    Q_OBJECT
public:
    PacketPipeline(std::string filesFolder, std::function<LocalTime()> clock, SessionLogs& logs,
                   QObject* parent = nullptr);

    // The decoder's settings: APRS on or off, the own position, SPEEDZERO=; at the start
    // and whenever they change.
    void configure(const Settings& settings);
    // Decoding waits (" APRS start" has not been pressed yet); the track stays as it is.
    void pause();
    void setKmlWriteObserver(WriteObserver observer) { kml_.setWriteObserver(std::move(observer)); }

    void packetLine(std::string_view line) override;

    // APRS decoding: a new track on start, the track completed on stop; the filter window
    // completes the track while it is open (decoding goes on).
    void start();
    void stop();
    void closeTrackForFilter();
    // The program ends: the track is completed, what waits for the station store written.
    void close();

    // Heard stations and their tracks kept in `store` for `keepHours`: what it holds from
    // the last run is loaded now; changes are written at most once a second, and only
    // while something waits; what is older goes now and every hour.
    void keepStations(std::unique_ptr<StationStore> store, int keepHours);
    bool keepTimerRunning() const;
    // Why heard stations are not kept, or not yet written; empty while all is written.
    std::string keepNotice() const { return keeper_ ? keeper_->notice() : std::string(); }

    // The record of a station's latest packet, as the APRS view shows a record (whatever the
    // filter), stamped with when it was heard; empty for a station not in the table.
    std::string latestRecord(const std::string& station);

    const OwnPosition& ownPosition() const { return own_; }
    const AprsState& aprsState() const { return aprs_; }
    FilterFlags& filterFlags() { return aprs_.filterFlags; }
    const KmlTrack& kmlTrack() const { return kml_; }
    StationTable& stations() { return stations_; }
    const StationTracks& tracks() const { return tracks_; }

signals:
    // Every packet the decoder recognised, shown by the filter or not (packet.shown).
    void packetDecoded(const DecodedPacket& packet);
    // A position's coordinates wait for the clipboard button.
    void coordinatesOffered();
    void keepNoticeChanged(const std::string& text);

private:
    void decode(std::string_view line);
    DecoderSettings decoderSettings() const;
    void writeKept();
    void dropExpired();
    void tellKeepNotice();

    std::function<LocalTime()> clock_;
    SessionLogs& logs_;
    bool aprsEnabled_ = false;
    bool myPositionSet_ = false;
    std::int32_t speedZero_ = 0;
    OwnPosition own_;
    AprsState aprs_;
    KmlTrack kml_;
    StationTable stations_;
    StationTracks tracks_;
    DuplicateFilter duplicates_;
    QElapsedTimer monotonic_;  // the duplicate window's clock: it never goes back
    DecodedPacket packet_;     // reused: its strings keep their room from packet to packet

    std::unique_ptr<StationStore> keptStore_;
    std::unique_ptr<StationKeeper> keeper_;
    QTimer* keepTimer_ = nullptr;    // single shot: the next batch, while something waits
    QTimer* expiryTimer_ = nullptr;  // hourly: what is older than keepHours leaves the store
    std::int64_t keepSeconds_ = 0;
    std::string keepNoticeTold_;
};

}  // namespace quilmo

#pragma once
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/config.h"
#include "app/link.h"
#include "app/packet_pipeline.h"
#include "app/session_logs.h"
#include "aprs/decoder.h"
#include "aprs/filter_flags.h"
#include "aprs/station_table.h"
#include "aprs/station_tracks.h"
#include "kml/kml_track.h"
#include "platform/file_notices.h"
#include "platform/serial_port.h"
#include "platform/wall_clock.h"
#include "terminal/logs.h"
#include "terminal/transmit.h"

class QTimer;

namespace quilmo {
namespace ax25 {
class Tnc;
class AgwLinks;
}

class AprsStation;

// The link and everything that follows from it, without a widget, in three parts along
// the data's way: the link (the port, its state, the APRS-IS login, KISS framing and line
// assembly, the one writer), the packet pipeline (duplicates, decoder, stations, tracks,
// KML, the APRS log) and the logs; besides them messaging and the beacon, the file
// notices and the filter file. The session joins the parts; windows show what it tells
// them and send through it, and none of them needs another window to reach the traffic.
//
// A new window subscribes to the signals it needs (received text, sent text, decoded
// packets, port state, notices) and reads the rest (settings, stations, the track)
// through the accessors. Everything runs on the thread of the event loop.
class LinkSession : public QObject {
    Q_OBJECT
public:
    // `clock` gives the local time texts and files are stamped with, `wallClock` the time
    // message tries and beacons are kept in.
    LinkSession(std::string filesFolder, SerialPort& port, std::function<LocalTime()> clock,
                WallClock wallClock = systemMillis, QObject* parent = nullptr);
    ~LinkSession() override;

    // Start-up, in this order: the settings, the log switches as Quilmo.ini sets them
    // (then the window ticks its boxes, which calls logSwitched), the logs' header lines,
    // and last the port.
    void readSettings();
    void prepareLogSwitches();
    void writeLogHeaders();
    void openPort();
    // Closes the port, writes pending logs, closes the KML track; runs once.
    void exitSequence();
    // How long an APRS-IS login waits for the server's answer before the connection is
    // given up and made again, in milliseconds.
    void setAprsIsAnswerWait(int milliseconds);

    // The "save Rx" / "save Tx" boxes.
    void logSwitched(bool rx, bool checked);

    // APRS decoding: a new track on start, the track completed on stop; the filter window
    // completes the track while it is open (decoding goes on).
    void startAprs();
    void stopAprs();
    void closeTrackForFilter();
    // The filter window opens (XOFF) and its "Ok" wrote filter.ini (XON).
    void filterWindowOpening();
    void filterWindowClosed(const std::string& path, const WriteResult& written);

    // The one writer to the port. The Tx buffer's bytes and the value fields are expanded
    // and sent (a line to a text TNC, UI frames to a KISS TNC). Held: CTRLDEND waits for
    // data, nothing changes. Refused: nothing was sent, transmitRefused says why.
    using Transmit = Link::Transmit;
    Transmit transmit(std::string_view txBuffer, const ValueFields& fields);
    // XOFF (19) or XON (17) alone; nothing when the port is not open or a KISS TNC is on it.
    void sendFlowControl(char byte);
    // One APRS information field of ours (a message, an ack, the beacon) as the link sends
    // it: a UI frame to a KISS TNC, a packet line to APRS-IS, a converse-mode line to a
    // text TNC. It goes out only with MYCALL= on a link that can send; the answer is why
    // not, empty when it went out.
    std::string transmitInformation(std::string_view information);
    // Whether packets of ours can go out now: the port open, MYCALL= set, an APRS-IS
    // login verified, an UNPROTO= a KISS TNC can use.
    bool linkCanSend() const;

    const Settings& settings() const { return settings_; }
    const OwnPosition& ownPosition() const { return pipeline_.ownPosition(); }
    PortState portState() const { return link_.state(); }
    std::uint64_t kissDropped() const { return link_.kissDropped(); }
    const LogBuffers& logBuffers() const { return logs_.buffers(); }
    const AprsState& aprsState() const { return pipeline_.aprsState(); }
    FilterFlags& filterFlags() { return pipeline_.filterFlags(); }
    const TxState& txState() const { return link_.txState(); }
    const KmlTrack& kmlTrack() const { return pipeline_.kmlTrack(); }
    StationTable& stations() { return pipeline_.stations(); }
    // The positions each station was heard at this run, for the map.
    const StationTracks& tracks() const { return pipeline_.tracks(); }
    // The parts, for what joins them beyond the windows (a connected-mode session listens
    // to the link as the pipeline does).
    Link& link() { return link_; }
    PacketPipeline& pipeline() { return pipeline_; }
    // The record of a station's latest packet, as the APRS view shows a record (whatever the
    // filter), stamped with when it was heard; empty for a station not in the table.
    std::string latestRecord(const std::string& station);
    LocalTime now() const { return clock_(); }
    const FileNotices& notices() const { return notices_; }
    const std::string& filesFolder() const { return dir_; }
    // The connected-mode TNC of ours on a KISS link or an AGWPE server; null on other links.
    const ax25::Tnc* tnc() const { return tnc_.get(); }
    // Messages and the beacon, with APRS=1 only; null otherwise.
    AprsStation* station() { return station_.get(); }
    // Every file write's result ends here; noticesChanged tells when the line changes.
    void noteFileWrite(const std::string& key, const std::string& path, const WriteResult& result,
                       std::uint64_t droppedBytes = 0);
    // `shortenable`: the part of `text` (a path, a value) that may give way on a short line.
    void noteProblem(const std::string& key, const std::string& text, FileNotices::Span shortenable = {});
    // A standing problem that has gone away.
    void clearProblem(const std::string& key);
    // New settings while running (the settings window saved, Quilmo.ini changed on disk):
    // changed port settings close and reopen the port, changed station settings make the
    // station afresh, and the notice line keeps only the problems the new settings have.
    void applySettings(const Settings& next);

signals:
    // Text for the Rx view: the bytes as received, or a KISS TNC's frames as monitor lines.
    void received(const std::string& text);
    // What went out, as the Tx view and the Tx log show it.
    void sent(const std::string& readable);
    void xoffShown(bool shown);
    // Every packet the decoder recognised, shown by the filter or not (packet.shown).
    void packetDecoded(const DecodedPacket& packet);
    // A position's coordinates wait for the clipboard button.
    void coordinatesOffered();
    void portStateChanged();
    void openFailed(const std::string& text);
    void noticesChanged();
    void transmitRefused(const std::string& why);
    // The station (messages, beacon) is about to be made afresh: whoever holds on to its
    // messaging lets go now.
    void stationReplacing();
    // New settings took effect; windows showing any of them read them again.
    void settingsChanged();

private:
    class StationFeed;
    class TncFeed;
    void startStation();
    void startTnc();
    void flushTnc();
    void keepStations();
    void noteDatabase(const std::string& key, const std::string& text);
    void updateLinkReady();
    void noteSent(const std::string& readable);
    void reportOpenFailure(const std::string& reason, PortOpenProblem problem);
    void writeFilterFile();
    static Settings runningSettings(Settings s);
    void noteSettingProblems(const Settings& previous);

    std::string dir_;
    std::function<LocalTime()> clock_;
    WallClock wallClock_;
    Settings settings_;
    FileNotices notices_;
    SessionLogs logs_;
    Link link_;
    PacketPipeline pipeline_;
    std::unique_ptr<StationFeed> stationFeed_;
    bool exited_ = false;

    QTimer* filterRetry_ = nullptr;  // tries a failed filter.ini again until it is written
    std::string filterFilePending_;  // what the last "Ok" could not write
    std::unique_ptr<AprsStation> station_;
    std::unique_ptr<ax25::Tnc> tnc_;
    std::unique_ptr<TncFeed> tncFeed_;
    ax25::AgwLinks* agw_ = nullptr;  // the TNC's links on an AGWPE server, owned by the TNC
    QTimer* tncWake_ = nullptr;  // runs only while a link's timer waits
};

}  // namespace quilmo

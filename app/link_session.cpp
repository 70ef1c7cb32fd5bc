#include "app/link_session.h"

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <utility>

#include "app/aprs_station.h"
#include "app/port_status.h"
#include "app/station_setup.h"
#include "aprs/filter_file.h"
#include "aprs/monitor_header.h"
#include "ax25/agw_links.h"
#include "ax25/tnc.h"
#include "platform/files.h"
#include "platform/sqlite_message_store.h"
#include "platform/sqlite_station_store.h"

namespace quilmo {

namespace {

constexpr char kXoffByte = 19;
constexpr char kXonByte = 17;
constexpr int kFilterRetryMs = 2000;

}  // namespace

// Every copy reaches messaging, before the duplicate filter: each copy of a message to us
// is acknowledged, since the sender repeats until an ack gets through. It listens to the
// link ahead of the pipeline, so a message is answered before its record is made.
class LinkSession::StationFeed : public LinkListener {
public:
    explicit StationFeed(LinkSession& session) : session_(session) {}
    void packetLine(std::string_view line) override {
        if (session_.station_ == nullptr) return;
        if (const std::optional<MonitorPacket> packet = splitMonitorPacket(line))
            session_.station_->receive(packet->source, packet->information);
    }

private:
    LinkSession& session_;
};

// Every frame a KISS TNC hears reaches the connected-mode TNC of ours; on an AGWPE
// server, so does the coming and going of the server's connection.
class LinkSession::TncFeed : public LinkListener {
public:
    explicit TncFeed(LinkSession& session) : session_(session) {}
    void packetLine(std::string_view /*line*/) override {}
    bool wantsFrames() const override { return true; }
    void frameReceived(std::string_view ax25) override {
        session_.tnc_->receive(ax25);
        session_.flushTnc();
    }
    void connectionChanged(bool connected) override {
        if (session_.agw_ == nullptr) return;
        session_.agw_->serverConnection(connected);
        session_.tnc_->wake();
        session_.flushTnc();
    }

private:
    LinkSession& session_;
};

LinkSession::LinkSession(std::string filesFolder, SerialPort& port, std::function<LocalTime()> clock,
                         WallClock wallClock, QObject* parent)
    : QObject(parent),
      dir_(std::move(filesFolder)),
      clock_(std::move(clock)),
      wallClock_(std::move(wallClock)),
      logs_(dir_, clock_),
      link_(port, clock_),
      pipeline_(dir_, clock_, logs_),
      stationFeed_(std::make_unique<StationFeed>(*this)) {
    logs_.setWriteObserver([this](const std::string& path, const WriteResult& result, std::uint64_t dropped) {
        noteFileWrite(path, path, result, dropped);
    });
    pipeline_.setKmlWriteObserver([this](const std::string& path, const WriteResult& result, std::uint64_t dropped) {
        noteFileWrite("kml", path, result, dropped);  // every track of the run is one file to the user
    });
    link_.addListener(stationFeed_.get());
    link_.addListener(&pipeline_);

    connect(&link_, &Link::received, this, &LinkSession::received);
    connect(&link_, &Link::rxLogText, this, [this](const std::string& text) { logs_.addRx(text); });
    connect(&link_, &Link::sent, this, &LinkSession::noteSent);
    connect(&link_, &Link::xoffShown, this, &LinkSession::xoffShown);
    connect(&link_, &Link::stateChanged, this, &LinkSession::portStateChanged);
    connect(&link_, &Link::openFailed, this, &LinkSession::reportOpenFailure);
    connect(&link_, &Link::transmitRefused, this, &LinkSession::transmitRefused);
    connect(&link_, &Link::canSendChanged, this, &LinkSession::updateLinkReady);
    connect(&link_, &Link::problemNoted, this, [this](const std::string& key, const std::string& text) { noteProblem(key, text); });
    connect(&link_, &Link::problemCleared, this, &LinkSession::clearProblem);
    connect(&pipeline_, &PacketPipeline::packetDecoded, this, &LinkSession::packetDecoded);
    connect(&pipeline_, &PacketPipeline::coordinatesOffered, this, &LinkSession::coordinatesOffered);

    filterRetry_ = new QTimer(this);
    filterRetry_->setInterval(kFilterRetryMs);
    connect(filterRetry_, &QTimer::timeout, this, [this] { writeFilterFile(); });
}

LinkSession::~LinkSession() {
    link_.setServerFrames(nullptr);
    if (tncFeed_) link_.removeListener(tncFeed_.get());
    link_.removeListener(&pipeline_);
    link_.removeListener(stationFeed_.get());
}

void LinkSession::readSettings() {
    settings_ = runningSettings(readConfiguration(dir_));
    link_.configure(settings_);
    // Lines are assembled while decoding pauses too: messages to us are answered whenever
    // APRS is on.
    link_.setAssembleLines(settings_.aprsEnabled == 1);
    pipeline_.configure(settings_);
    // Decoding always starts paused until " APRS start".
    if (settings_.aprsEnabled == 1) pipeline_.pause();
    // Values the program cannot use stand on the notice line all run; the first is shown.
    for (auto p = settings_.problems.rbegin(); p != settings_.problems.rend(); ++p)
        noteProblem(p->key, p->text, {p->key.size() + 1, p->value.size()});
    startStation();
    startTnc();
}

// A KISS TNC runs no data link of its own: ours stands in front of it, with a TNC-2's
// command line for the Tx buffer. An AGWPE server runs its own, behind the same command line.
void LinkSession::startTnc() {
    const LinkKind kind = linkKindOf(settings_);
    if (kind != LinkKind::KissTnc && kind != LinkKind::Agw) return;
    ax25::TncSettings t;
    t.myCall = settings_.myCall;
    t.unproto = settings_.unproto;
    t.unprotoProblem = problemWith(settings_, "UNPROTO");
    t.link = ax25::linkSettingsFrom(settings_.paclen, settings_.maxFrame, settings_.frack, settings_.retry,
                                    settings_.check, settings_.conok == 1);
    t.monitor = settings_.monitor == 1;
    const auto monotonic = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    auto stamp = [this] {
        const LocalTime t = clock_();
        return twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
    };
    if (kind == LinkKind::Agw) {
        auto agw = std::make_unique<ax25::AgwLinks>(parseCallsign(t.myCall), t.link);
        agw_ = agw.get();
        tnc_ = std::make_unique<ax25::Tnc>(t, monotonic, stamp, std::move(agw));
        link_.setServerFrames([this](const ax25::agw::Frame& f) {
            agw_->serverFrame(f);
            tnc_->wake();
            flushTnc();
        });
    } else {
        tnc_ = std::make_unique<ax25::Tnc>(t, monotonic, stamp);
    }
    tncFeed_ = std::make_unique<TncFeed>(*this);
    link_.addListener(tncFeed_.get());
    link_.setKissTyping([this](std::string_view text) {
        std::string why = tnc_->typed(text);
        flushTnc();
        return why;
    });
    tncWake_ = new QTimer(this);
    tncWake_->setSingleShot(true);
    connect(tncWake_, &QTimer::timeout, this, [this] {
        tnc_->wake();
        flushTnc();
    });
}

// What the TNC has for the air and for the Rx view goes out, and its timer is set for
// the next thing it waits for.
void LinkSession::flushTnc() {
    for (const std::string& frame : tnc_->takeFrames()) link_.transmitFrame(frame);
    if (agw_ != nullptr) link_.transmitServer(agw_->takeBytes());
    link_.print(tnc_->takeText());
    link_.setMonitorShown(tnc_->monitorShown());
    const std::optional<std::int64_t> at = tnc_->nextWakeAt();
    if (!at || exited_) {
        tncWake_->stop();
        return;
    }
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    tncWake_->start(static_cast<int>(std::clamp<std::int64_t>(*at - now, 0, 24 * 3600 * 1000)));
}

// Messages and the beacon belong to APRS: without APRS=1 nothing is sent of its own accord
// and no database is made.
void LinkSession::startStation() {
    if (settings_.aprsEnabled != 1) return;
    station_ = std::make_unique<AprsStation>(settings_, dir_, wallClock_,
                                             [this](std::string_view information) { return transmitInformation(information); });
    connect(station_.get(), &AprsStation::noticeChanged, this,
            [this](const std::string& text) { noteDatabase("messages", text); });
    noteDatabase("messages", station_->notice());
    keepStations();
    connect(station_.get(), &AprsStation::budgetNoticeChanged, this, [this](const std::string& text) { noteProblem("budget", text); });
    connect(station_.get(), &AprsStation::beaconTimeWritten, this,
            [this](const std::string& path, const WriteResult& result) { noteFileWrite("beacon", path, result); });
}

// The database's path may give way on a short notice line, never the reason; the notice
// empties when what waited has been written.
void LinkSession::noteDatabase(const std::string& key, const std::string& text) {
    if (text.empty()) {
        clearProblem(key);
        return;
    }
    const std::string database = joinPath(dir_, kMessageDatabaseName);
    const std::size_t at = text.find(database);
    noteProblem(key, text, at == std::string::npos ? FileNotices::Span{} : FileNotices::Span{at, database.size()});
}

// Heard stations live in the messages' file, in tables of their own.
void LinkSession::keepStations() {
    connect(&pipeline_, &PacketPipeline::keepNoticeChanged, this,
            [this](const std::string& text) { noteDatabase("stations", text); });
    pipeline_.keepStations(std::make_unique<SqliteStationStore>(joinPath(dir_, kMessageDatabaseName)), settings_.keepHours);
    // A file that neither could open is one problem: one notice says it for both, so the
    // reason keeps its room on the line.
    constexpr std::string_view kMessagesAlone = " Messages are kept only until the program ends.";
    constexpr std::string_view kStationsAlone = " Heard stations are kept only until the program ends.";
    const std::string& messages = station_->notice();
    const std::string stations = pipeline_.keepNotice();
    if (!messages.ends_with(kMessagesAlone) || !stations.ends_with(kStationsAlone)) return;
    const std::string reason = messages.substr(0, messages.size() - kMessagesAlone.size());
    if (stations.substr(0, stations.size() - kStationsAlone.size()) != reason) return;
    clearProblem("stations");
    noteDatabase("messages", reason + " Messages and heard stations are kept only until the program ends.");
}

void LinkSession::prepareLogSwitches() { logs_.prepareSwitches(settings_); }

void LinkSession::writeLogHeaders() { logs_.writeHeaders(); }

void LinkSession::logSwitched(bool rx, bool checked) { logs_.switched(rx, checked); }

void LinkSession::openPort() {
    link_.open();
    if (tnc_) flushTnc();  // the command line's first prompt
}

void LinkSession::setAprsIsAnswerWait(int milliseconds) { link_.setAprsIsAnswerWait(milliseconds); }

void LinkSession::reportOpenFailure(const std::string& reason, PortOpenProblem problem) {
    emit openFailed(openFailureText(settings_, reason, problem, dir_, fileGroupName(portDevicePath(settings_))));
}

void LinkSession::exitSequence() {
    if (exited_) return;
    exited_ = true;
    link_.close();  // the tries wait for the next run
    if (tncWake_) tncWake_->stop();
    filterRetry_->stop();
    logs_.close();
    pipeline_.close();
}

// ---- APRS decoding and the filter window

void LinkSession::startAprs() { pipeline_.start(); }

void LinkSession::stopAprs() { pipeline_.stop(); }

void LinkSession::closeTrackForFilter() { pipeline_.closeTrackForFilter(); }

std::string LinkSession::latestRecord(const std::string& station) { return pipeline_.latestRecord(station); }

void LinkSession::filterWindowOpening() { sendFlowControl(kXoffByte); }

void LinkSession::filterWindowClosed(const std::string& path, const WriteResult& written) {
    noteFileWrite("filter", path, written);
    // A full disk may have room again later: the choice is written then.
    filterFilePending_ = written.ok() ? std::string() : formatFilterFile(pipeline_.filterFlags());
    if (written.ok()) {
        filterRetry_->stop();
    } else {
        filterRetry_->start();
    }
    sendFlowControl(kXonByte);
}

void LinkSession::writeFilterFile() {
    const std::string path = joinPath(dir_, "filter.ini");
    const WriteResult result = replaceFile(path, filterFilePending_);
    noteFileWrite("filter", path, result);
    if (!result.ok()) return;
    filterFilePending_.clear();
    filterRetry_->stop();
}

// ---- transmitting

LinkSession::Transmit LinkSession::transmit(std::string_view txBuffer, const ValueFields& fields) {
    return link_.transmit(txBuffer, fields);
}

void LinkSession::sendFlowControl(char byte) { link_.sendFlowControl(byte); }

std::string LinkSession::transmitInformation(std::string_view information) { return link_.transmitInformation(information); }

bool LinkSession::linkCanSend() const { return link_.canSend(); }

void LinkSession::noteSent(const std::string& readable) {
    emit sent(readable);
    logs_.addTx(readable);
}

void LinkSession::updateLinkReady() {
    if (station_ != nullptr) station_->setLinkReady(!exited_ && link_.canSend());
}

// ---- notices

void LinkSession::noteFileWrite(const std::string& key, const std::string& path, const WriteResult& result,
                                std::uint64_t droppedBytes) {
    if (notices_.noteWrite(key, path, result, droppedBytes)) emit noticesChanged();
}

void LinkSession::noteProblem(const std::string& key, const std::string& text, FileNotices::Span shortenable) {
    if (notices_.noteProblem(key, text, shortenable)) emit noticesChanged();
}

void LinkSession::clearProblem(const std::string& key) {
    if (notices_.clearProblem(key)) emit noticesChanged();
}

// ---- new settings while running

// What the session derives from the file's values, at the start and for settings that
// come later.
Settings LinkSession::runningSettings(Settings s) {
    // An APRS-IS server speaks lines, whatever KISS= says; an AGWPE server carries frames.
    if (linkKindOf(s) == LinkKind::AprsIs) s.kiss = 0;
    if (linkKindOf(s) == LinkKind::Agw) s.kiss = 1;
    // Distances need APRS on as well as a valid own position.
    if (s.aprsEnabled != 1) s.myPositionSet = false;
    return s;
}

void LinkSession::noteSettingProblems(const Settings& previous) {
    for (const SettingProblem& p : previous.problems) clearProblem(p.key);
    for (auto p = settings_.problems.rbegin(); p != settings_.problems.rend(); ++p)
        noteProblem(p->key, p->text, {p->key.size() + 1, p->value.size()});
}

void LinkSession::applySettings(const Settings& next) {
    if (exited_) return;
    const Settings previous = settings_;
    Settings incoming = next;
    // APRS= shows a panel made at start-up: it keeps its value until the next start.
    incoming.aprsEnabled = previous.aprsEnabled;
    settings_ = runningSettings(std::move(incoming));
    const Settings& s = settings_;
    const PortSettings before = portSettingsFrom(previous), after = portSettingsFrom(s);
    const bool portChanged = before != after || previous.kiss != s.kiss;
    const bool stationChanged = previous.myCall != s.myCall || previous.unproto != s.unproto ||
                                previous.beaconMinutes != s.beaconMinutes || previous.beaconText != s.beaconText ||
                                previous.symbol != s.symbol || previous.myLat != s.myLat || previous.myLong != s.myLong ||
                                previous.passcode != s.passcode || previous.aprsIsFilter != s.aprsIsFilter ||
                                previous.kiss != s.kiss || previous.device != s.device;
    // A new callsign, passcode or filter is a new login.
    const bool loginChanged = linkKindOf(s) == LinkKind::AprsIs &&
                              (previous.myCall != s.myCall || previous.passcode != s.passcode ||
                               previous.aprsIsFilter != s.aprsIsFilter);
    link_.configure(s);
    pipeline_.configure(s);
    noteSettingProblems(previous);
    if (stationChanged && station_ != nullptr) {
        emit stationReplacing();
        station_.reset();
        clearProblem("messages");
        clearProblem("budget");
        startStation();
    }
    if (portChanged || loginChanged) {
        clearProblem("aprsis");
        link_.reopen();
    }
    updateLinkReady();
    emit portStateChanged();
    emit settingsChanged();
}

}  // namespace quilmo

#include "app/link_session.h"

#include <QMetaObject>
#include <QTimer>
#include <utility>
#include <vector>

#include "app/aprs_station.h"
#include "app/port_status.h"
#include "app/station_setup.h"
#include "aprs/filter_file.h"
#include "aprs/monitor_header.h"
#include "aprs/numeric.h"
#include "platform/files.h"
#include "platform/sqlite_message_store.h"
#include "terminal/aprs_is.h"
#include "terminal/kiss_transmit.h"

namespace quilmo {

namespace {

constexpr char kXoffByte = 19;
constexpr int kQuietMs = 2000;
// A server that has not answered the login by then is not going to.
constexpr int kAprsIsAnswerMs = 30000;

}  // namespace

LinkSession::LinkSession(std::string filesFolder, SerialPort& port, std::function<LocalTime()> clock,
                         WallClock wallClock, QObject* parent)
    : QObject(parent),
      dir_(std::move(filesFolder)),
      port_(port),
      clock_(std::move(clock)),
      wallClock_(std::move(wallClock)),
      logFiles_(dir_),
      kml_(dir_) {
    watchFileWrites();
    monotonic_.start();
    aprsIsAnswer_ = new QTimer(this);
    aprsIsAnswer_->setSingleShot(true);
    aprsIsAnswer_->setInterval(kAprsIsAnswerMs);
    connect(aprsIsAnswer_, &QTimer::timeout, this, [this] { aprsIsNotAnswered(); });
}

LinkSession::~LinkSession() {
    port_.onReceive = nullptr;
    port_.onConnectionChanged = nullptr;
    port_.onOpenFailed = nullptr;
}

void LinkSession::readSettings() {
    settings_ = readConfiguration(dir_);
    link_ = linkKindOf(settings_);
    // An APRS-IS server speaks lines, whatever KISS= says.
    if (link_ == LinkKind::AprsIs) settings_.kiss = 0;
    // Distances need APRS on as well as a valid own position.
    if (settings_.aprsEnabled != 1) settings_.myPositionSet = false;
    if (settings_.myPositionSet) {
        own_.myLongValue = settings_.myLongDegrees;
        own_.myLatValue = settings_.myLatDegrees;
    }
    // Decoding always starts paused until " APRS start".
    if (settings_.aprsEnabled == 1) aprs_.aprsStopped = 1;
    // Values the program cannot use stand on the notice line all run; the first is shown.
    for (auto p = settings_.problems.rbegin(); p != settings_.problems.rend(); ++p)
        noteProblem(p->key, p->text, {p->key.size() + 1, p->value.size()});
    startStation();
}

// Messages and the beacon belong to APRS: without APRS=1 nothing is sent of its own accord
// and no database is made.
void LinkSession::startStation() {
    if (settings_.aprsEnabled != 1) return;
    station_ = std::make_unique<AprsStation>(settings_, dir_, wallClock_,
                                             [this](std::string_view information) { return transmitInformation(information); });
    // The database's path may give way on a short notice line, never the reason; the
    // notice empties when what waited has been written.
    const auto noteStore = [this, database = joinPath(dir_, kMessageDatabaseName)](const std::string& text) {
        if (text.empty()) {
            clearProblem("messages");
            return;
        }
        const std::size_t at = text.find(database);
        noteProblem("messages", text, at == std::string::npos ? FileNotices::Span{} : FileNotices::Span{at, database.size()});
    };
    connect(station_.get(), &AprsStation::noticeChanged, this, noteStore);
    if (!station_->notice().empty()) noteStore(station_->notice());
    connect(station_.get(), &AprsStation::budgetNoticeChanged, this, [this](const std::string& text) { noteProblem("budget", text); });
    connect(station_.get(), &AprsStation::beaconTimeWritten, this,
            [this](const std::string& path, const WriteResult& result) { noteFileWrite("beacon", path, result); });
}

void LinkSession::prepareLogSwitches() {
    // 2 marks "switched on by the configuration": the box handler then only turns it into 1,
    // and the header is written by writeLogHeaders, once.
    logBuffers_.saveRx = settings_.saveRx == 1 ? 2 : 0;
    logBuffers_.saveTx = settings_.saveTx == 1 ? 2 : 0;
}

void LinkSession::writeLogHeaders() {
    const std::string header = logHeaderLine(clock_());
    if (logBuffers_.saveRx == 1) {
        logBuffers_.rxLogBuffer = header;
        logFiles_.flushRxLog(logBuffers_);
    }
    if (logBuffers_.saveTx == 1) {
        logBuffers_.txLogBuffer = header;
        logFiles_.flushTxLog(logBuffers_);
    }
}

void LinkSession::logSwitched(bool rx, bool checked) {
    if (rx) {
        logFiles_.onSaveRxChanged(logBuffers_, checked, clock_());
    } else {
        logFiles_.onSaveTxChanged(logBuffers_, checked, clock_());
    }
    logTextAdded(rx ? LogKind::Rx : LogKind::Tx);
}

void LinkSession::openPort() {
    port_.onReceive = [this] { onSerialReceive(); };
    port_.onConnectionChanged = [this](bool connected) { onConnectionChanged(connected); };
    // A network port learns only later that its first attempt failed. The box waits for
    // the event loop, so it never runs inside the port's own handling.
    port_.onOpenFailed = [this](const std::string& reason) {
        QMetaObject::invokeMethod(
            this, [this, reason] { reportOpenFailure(reason, PortOpenProblem::Other); }, Qt::QueuedConnection);
    };
    std::string error;
    const bool opened = port_.open(portSettingsFrom(settings_), error);
    // A serial device that did not open is waited for, as one that went away.
    portState_ = port_.state();
    emit portStateChanged();
    updateLinkReady();
    if (!opened) reportOpenFailure(error, port_.openProblem());
}

void LinkSession::reportOpenFailure(const std::string& reason, PortOpenProblem problem) {
    emit openFailed(openFailureText(settings_, reason, problem, dir_, fileGroupName(portDevicePath(settings_))));
}

void LinkSession::onConnectionChanged(bool connected) {
    // A line cut by the loss is shown and logged as it came, but never glued to the
    // first packet after the device is back.
    aprs_.aprsLineBuffer.clear();
    kissMonitor_.reset();
    portState_ = connected ? PortState::Open : PortState::Lost;
    aprsIsVerified_ = false;
    aprsIsAnswer_->stop();
    emit portStateChanged();
    // Every connection is a new login, and sends nothing until the server verifies it.
    if (connected && link_ == LinkKind::AprsIs) logInToAprsIs();
    updateLinkReady();
}

void LinkSession::exitSequence() {
    if (exited_) return;
    exited_ = true;
    if (port_.isOpen()) port_.close();
    updateLinkReady();  // the tries wait for the next run
    for (QTimer* timer : {rxQuiet_, txQuiet_, aprsQuiet_, filterRetry_, aprsIsAnswer_}) timer->stop();
    logFiles_.flushPending(logBuffers_);
    if (kml_.kmlDocumentOpen()) kml_.kmlCloseFile();
}

// ---- receiving

void LinkSession::onSerialReceive() {
    const std::string chunk = port_.readAll();
    if (chunk.empty()) return;
    tx_.txHold = 0;
    if (settings_.kiss == 1) {
        receiveKiss(chunk);
        logTextAdded(LogKind::Rx);
        return;
    }
    emit received(chunk);
    // Lines are assembled while decoding pauses too: messages to us are answered whenever
    // APRS is on, and an APRS-IS server's login reply is read whatever the settings.
    if (station_ != nullptr || link_ == LinkKind::AprsIs)
        aprs_.aprsLineBuffer.append(chunk, [this](std::string_view line) { packetLine(line); });
    if (logBuffers_.saveRx == 1) logFiles_.addRx(logBuffers_, chunk);
    logTextAdded(LogKind::Rx);
}

void LinkSession::receiveKiss(const std::string& chunk) {
    const std::uint64_t droppedBefore = kissMonitor_.dropped();
    const KissReceived received = kissMonitor_.receive(chunk);
    if (!received.monitorText.empty()) emit this->received(received.monitorText);
    // Each UI frame is one whole packet: it goes to the decoder as it is, with no line
    // assembly that could hold it back or join it with the next one.
    for (const std::string& line : received.aprsLines) {
        heardByStation(line);
        if (settings_.aprsEnabled == 1 && aprs_.aprsStopped == 0) decodeAprsPacket(line);
    }
    const std::string& logged = settings_.kissRaw == 1 ? chunk : received.monitorText;
    if (logBuffers_.saveRx == 1 && !logged.empty()) logFiles_.addRx(logBuffers_, logged);
    if (kissMonitor_.dropped() != droppedBefore) emit portStateChanged();
}

void LinkSession::packetLine(std::string_view line) {
    if (link_ == LinkKind::AprsIs) {
        const AprsIsLine kind = aprsIsLineKind(line);
        if (kind == AprsIsLine::LoginReply) aprsIsAnswered(line);
        if (kind != AprsIsLine::Packet) return;  // the server talking: shown, never a packet
    }
    heardByStation(line);
    if (settings_.aprsEnabled == 1 && aprs_.aprsStopped == 0) decodeAprsPacket(line);
}

// Every copy reaches messaging, before the duplicate filter: each copy of a message to us
// is acknowledged, since the sender repeats until an ack gets through.
void LinkSession::heardByStation(std::string_view line) {
    if (station_ == nullptr) return;
    if (const std::optional<MonitorPacket> packet = splitMonitorPacket(line))
        station_->receive(packet->source, packet->information);
}

void LinkSession::decodeAprsPacket(std::string_view line) {
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
        logFiles_.appendAprsLog(logBuffers_, packet_.record);
        logTextAdded(LogKind::Aprs);
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

DecoderSettings LinkSession::decoderSettings() const {
    return {settings_.myPositionSet, own_.myLatValue, own_.myLongValue, settings_.speedZero};
}

std::string LinkSession::latestRecord(const std::string& station) {
    const StationTable::RowId id = stations_.find(station);
    if (id == StationTable::kNoRow) return {};
    const StationRow& row = stations_.row(id);
    const FilterFlags all = showAllFilter();
    const DecoderSettings settings = decoderSettings();
    // The definitions it adds again are the ones it added when it was heard.
    const DecodeContext context{settings, all, row.lastHeard, false, false, &aprs_.telemetry};
    return decodeAprsLine(row.lastPacket, context).record;
}

// ---- APRS decoding and the filter window

void LinkSession::startAprs() {
    aprs_.aprsStopped = 0;
    kml_.kmlCreateFile(clock_());
}

void LinkSession::stopAprs() {
    aprs_.aprsStopped = 1;
    kml_.kmlCloseFile();
}

void LinkSession::closeTrackForFilter() {
    if (kml_.kmlDocumentOpen()) kml_.kmlCloseFile();
}

void LinkSession::filterWindowOpening() { sendFlowControl(kXoffByte); }

void LinkSession::filterWindowClosed(const std::string& path, const WriteResult& written) {
    noteFileWrite("filter", path, written);
    // A full disk may have room again later: the choice is written then.
    filterFilePending_ = written.ok() ? std::string() : formatFilterFile(aprs_.filterFlags);
    if (written.ok()) {
        filterRetry_->stop();
    } else {
        filterRetry_->start();
    }
    sendFlowControl(17);
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
    const std::int16_t holdBefore = tx_.txHold;
    const TransmitPlan plan = planTransmit(txBuffer, fields, clock_(), settings_.ctrlDEnd, tx_.txHold);
    if (plan.held) return Transmit::Held;

    if (settings_.kiss == 1) {
        if (!sendKiss(plan.sendText)) {
            tx_.txHold = holdBefore;  // nothing went out, so nothing waits for an answer
            return Transmit::Refused;
        }
    } else {
        if (!plan.sendText.empty() && !port_.isOpen()) {
            tx_.txHold = holdBefore;
            refuse(linkDownText());
            return Transmit::Refused;
        }
        if (plan.xoff == XoffIndicator::Show) emit xoffShown(true);
        if (plan.xoff == XoffIndicator::Hide) emit xoffShown(false);
        port_.write(plan.sendText);
    }
    noteSent(plan.readable);
    return Transmit::Sent;
}

void LinkSession::sendFlowControl(char byte) {
    // A KISS TNC has no monitor to pause, and to an APRS-IS server the byte would be the
    // start of our next line; a held line or a closed port sends nothing, and nobody asked
    // for anything else to go out.
    if (settings_.kiss == 1 || link_ == LinkKind::AprsIs || tx_.txHold == 1 || !port_.isOpen()) return;
    port_.write(std::string_view(&byte, 1));
    emit xoffShown(byte == kXoffByte);
    noteSent(bytesToCaret(std::string_view(&byte, 1)));
}

std::string LinkSession::transmitInformation(std::string_view information) {
    if (std::string why = cannotSendText(); !why.empty()) return why;
    // CTRLDEND: the TNC has not answered what was sent last; nothing may follow yet.
    if (link_ == LinkKind::TextTnc && tx_.txHold == 1) return "Nothing was sent: the TNC has not answered the last ^D yet.";
    const LinkTransmit out = encodeForLink(settings_, information);
    if (out.refused) return out.notice;
    port_.write(out.bytes);
    noteSent(readableSent(information, out.bytes));
    return {};
}

bool LinkSession::linkCanSend() const { return cannotSendText().empty(); }

std::string LinkSession::cannotSendText() const {
    if (!port_.isOpen()) return "Nothing was sent: " + portDisplayName(settings_) + " is not connected.";
    if (settings_.myCall.empty()) return "Nothing is sent without your callsign in Quilmo.ini (MYCALL=).";
    if (link_ == LinkKind::AprsIs && !aprsIsVerified_)
        return aprsIsReceiveOnlyNotice(settings_.myCall, settings_.passcode, false);
    if (link_ == LinkKind::KissTnc) return problemWith(settings_, "UNPROTO");
    return {};
}

// The Tx view and the Tx log show a frame to a KISS TNC as its monitor line, as frames
// received are shown; on the other links the line that went out is already readable.
std::string LinkSession::readableSent(std::string_view information, const std::string& bytes) const {
    if (link_ != LinkKind::KissTnc) return bytes;
    const std::string path = settings_.unproto.empty() ? std::string(kDefaultUnproto) : settings_.unproto;
    return settings_.myCall + ">" + path + ":" + std::string(information) + "\r\n";
}

void LinkSession::noteSent(const std::string& readable) {
    emit sent(readable);
    if (logBuffers_.saveTx == 1) logFiles_.addTx(logBuffers_, readable);
    logTextAdded(LogKind::Tx);
}

// Converse mode: the lines go out as UI frames, one write each, or nothing goes out.
bool LinkSession::sendKiss(const std::string& sendText) {
    const KissTransmit kiss = kissTransmitFrames(sendText, settings_.myCall, settings_.unproto);
    if (kiss.refused) {
        refuse(kiss.notice);
        return false;
    }
    if (kiss.frames.empty()) return true;
    if (const std::string problem = problemWith(settings_, "UNPROTO"); !problem.empty()) {
        refuse(problem);
        return false;
    }
    if (!port_.isOpen()) {
        refuse(linkDownText());
        return false;
    }
    for (const std::string& frame : kiss.frames) port_.write(frame);
    return true;
}

std::string LinkSession::linkDownText() const {
    return "Nothing was sent: " + portDisplayName(settings_) + " is not connected. The text stays in the Tx buffer.";
}

void LinkSession::refuse(const std::string& why) { emit transmitRefused(why); }

// ---- messaging, the beacon and APRS-IS

void LinkSession::updateLinkReady() {
    if (station_ != nullptr) station_->setLinkReady(!exited_ && linkCanSend());
}

void LinkSession::setAprsIsAnswerWait(int milliseconds) { aprsIsAnswer_->setInterval(milliseconds); }

// The login goes out as everything sent does, so the Tx view shows what the server was
// told, all but the passcode.
void LinkSession::logInToAprsIs() {
    port_.write(aprsIsLoginFor(settings_));
    noteSent(aprsIsLoginShownFor(settings_));
    aprsIsAnswer_->start();
}

void LinkSession::aprsIsAnswered(std::string_view line) {
    aprsIsAnswer_->stop();
    // A receive-only login stays one, whatever a server says to it.
    const std::string notice =
        aprsIsReceiveOnlyNotice(settings_.myCall, settings_.passcode, aprsIsLoginVerified(line, settings_.myCall));
    aprsIsVerified_ = notice.empty();
    if (aprsIsVerified_) {
        clearProblem("aprsis");
        port_.connectionVerified();
    } else {
        noteProblem("aprsis", notice);
    }
    updateLinkReady();
}

// Left unanswered the connection would only listen, and nobody would know why.
void LinkSession::aprsIsNotAnswered() {
    noteProblem("aprsis", "APRS-IS: no answer to the login");
    port_.dropConnection();
}

// ---- logs and notices

void LinkSession::watchFileWrites() {
    logFiles_.setWriteObserver([this](const std::string& path, const WriteResult& result, std::uint64_t dropped) {
        noteFileWrite(path, path, result, dropped);
    });
    kml_.setWriteObserver([this](const std::string& path, const WriteResult& result, std::uint64_t dropped) {
        noteFileWrite("kml", path, result, dropped);  // every track of the run is one file to the user
    });
    const auto makeTimer = [this](LogKind log, auto flush) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setInterval(kQuietMs);
        connect(timer, &QTimer::timeout, this, [this, log, flush] {
            flush();
            logTextAdded(log);  // text a failing file kept is tried again two seconds later
        });
        return timer;
    };
    rxQuiet_ = makeTimer(LogKind::Rx, [this] { logFiles_.flushRxLog(logBuffers_); });
    txQuiet_ = makeTimer(LogKind::Tx, [this] { logFiles_.flushTxLog(logBuffers_); });
    aprsQuiet_ = makeTimer(LogKind::Aprs, [this] { logFiles_.flushAprsLog(logBuffers_); });
    filterRetry_ = new QTimer(this);
    filterRetry_->setInterval(kQuietMs);
    connect(filterRetry_, &QTimer::timeout, this, [this] { writeFilterFile(); });
}

// A log's timer is restarted by its own new text only, so it fires two seconds after that
// log's last text, and runs only while something waits to be written: a busy channel
// never holds back the text that was sent.
void LinkSession::logTextAdded(LogKind log) {
    QTimer* timer = log == LogKind::Rx ? rxQuiet_ : log == LogKind::Tx ? txQuiet_ : aprsQuiet_;
    const std::string& pending = log == LogKind::Rx   ? logBuffers_.rxLogBuffer
                                 : log == LogKind::Tx ? logBuffers_.txLogBuffer
                                                      : logBuffers_.aprsLogBuffer;
    if (exited_ || pending.empty()) {
        timer->stop();
        return;
    }
    timer->start();
}

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

}  // namespace quilmo

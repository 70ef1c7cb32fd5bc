#include "app/link.h"

#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/port_status.h"
#include "app/station_setup.h"
#include "terminal/aprs_is.h"
#include "terminal/kiss.h"
#include "terminal/kiss_transmit.h"

namespace quilmo {
namespace {

constexpr char kXoffByte = 19;
// A server that has not answered the login by then is not going to.
constexpr int kAprsIsAnswerMs = 30000;

}  // namespace

Link::Link(SerialPort& port, std::function<LocalTime()> clock, QObject* parent)
    : QObject(parent), port_(port), clock_(std::move(clock)) {
    answerWait_ = new QTimer(this);
    answerWait_->setSingleShot(true);
    answerWait_->setInterval(kAprsIsAnswerMs);
    connect(answerWait_, &QTimer::timeout, this, [this] { notAnswered(); });
}

Link::~Link() {
    port_.onReceive = nullptr;
    port_.onConnectionChanged = nullptr;
    port_.onOpenFailed = nullptr;
}

void Link::configure(const Settings& settings) {
    settings_ = settings;
    kind_ = linkKindOf(settings_);
    // An APRS-IS server speaks lines, whatever KISS= says; an AGWPE server carries frames.
    if (kind_ == LinkKind::AprsIs) settings_.kiss = 0;
    if (kind_ == LinkKind::Agw) settings_.kiss = 1;
}

void Link::addListener(LinkListener* listener) {
    listeners_.push_back(listener);
    keepFramesForListeners();
}

void Link::removeListener(LinkListener* listener) {
    std::erase(listeners_, listener);
    keepFramesForListeners();
}

// Frames are copied out of the KISS stream only while someone takes them.
void Link::keepFramesForListeners() {
    kissMonitor_.keepFrames(std::any_of(listeners_.begin(), listeners_.end(), [](LinkListener* l) { return l->wantsFrames(); }));
}

void Link::open() {
    port_.onReceive = [this] { onReceive(); };
    port_.onConnectionChanged = [this](bool connected) { onConnectionChanged(connected); };
    // A network port learns only later that its first attempt failed. The box waits for
    // the event loop, so it never runs inside the port's own handling.
    port_.onOpenFailed = [this](const std::string& reason) {
        QMetaObject::invokeMethod(
            this, [this, reason] { emit openFailed(reason, PortOpenProblem::Other); }, Qt::QueuedConnection);
    };
    std::string error;
    const bool opened = port_.open(portSettingsFrom(settings_), error);
    // A serial device that did not open is waited for, as one that went away.
    state_ = port_.state();
    emit stateChanged();
    emit canSendChanged();
    if (!opened) emit openFailed(error, port_.openProblem());
}

void Link::reopen() {
    if (closed_) return;
    if (port_.isOpen() || port_.state() != PortState::NotOpen) port_.close();
    lines_.clear();
    kissMonitor_.reset();
    agwReader_.reset();
    verified_ = false;
    answerWait_->stop();
    open();
}

void Link::close() {
    if (closed_) return;
    closed_ = true;
    if (port_.isOpen()) port_.close();
    answerWait_->stop();
    emit canSendChanged();
}

void Link::setAprsIsAnswerWait(int milliseconds) { answerWait_->setInterval(milliseconds); }

void Link::onConnectionChanged(bool connected) {
    // A line cut by the loss is shown and logged as it came, but never glued to the
    // first packet after the device is back.
    lines_.clear();
    kissMonitor_.reset();
    agwReader_.reset();
    for (LinkListener* l : listeners_) l->connectionChanged(connected);
    state_ = connected ? PortState::Open : PortState::Lost;
    verified_ = false;
    answerWait_->stop();
    emit stateChanged();
    // An AGWPE server sends what it hears only when asked, on every new connection: the
    // raw frames for us, and its own monitor as well, as some servers want it on.
    if (connected && kind_ == LinkKind::Agw) {
        emit problemCleared("agw");
        for (const char kind : {'k', 'm'}) {
            ax25::agw::Frame f;
            f.kind = kind;
            port_.write(ax25::agw::encode(f));
        }
    }
    // Every connection is a new login, and sends nothing until the server verifies it.
    if (connected && kind_ == LinkKind::AprsIs) logIn();
    emit canSendChanged();
}

// ---- receiving

void Link::onReceive() {
    const std::string chunk = port_.readAll();
    if (chunk.empty()) return;
    tx_.txHold = 0;
    if (kind_ == LinkKind::Agw) {
        receiveAgw(chunk);
        return;
    }
    if (settings_.kiss == 1) {
        receiveKiss(chunk);
        return;
    }
    emit received(chunk);
    // An APRS-IS server's login reply is read whatever the settings.
    if (assembleLines_ || kind_ == LinkKind::AprsIs)
        lines_.append(chunk, [this](std::string_view line) { lineAssembled(line); });
    emit rxLogText(chunk);
}

void Link::receiveKiss(const std::string& chunk) {
    const std::uint64_t droppedBefore = kissMonitor_.dropped();
    const std::string shown = handOnKiss(chunk);
    emit rxLogText(settings_.kissRaw == 1 ? chunk : shown);
    if (kissMonitor_.dropped() != droppedBefore) emit stateChanged();
}

// The frames of KISS bytes to the Rx view and the listeners; what was shown.
std::string Link::handOnKiss(std::string_view kiss) {
    const KissReceived received = kissMonitor_.receive(kiss);
    const std::string shown = monitorShown_ ? received.monitorText : std::string();
    if (!shown.empty()) emit this->received(shown);
    for (const std::string& frame : received.frames) {
        for (LinkListener* l : listeners_)
            if (l->wantsFrames()) l->frameReceived(frame);
    }
    // Each UI frame is one whole packet: it goes on as it is, with no line assembly that
    // could hold it back or join it with the next one.
    for (const std::string& line : received.aprsLines) handOn(line);
    return shown;
}

// The server's raw frames are the air's and go the way a KISS TNC's frames go; the rest
// is the server's news for the connections. A frame that claims more than the protocol
// ever carries means the stream is out of step: the connection is made afresh.
void Link::receiveAgw(const std::string& chunk) {
    const std::uint64_t droppedBefore = kissMonitor_.dropped();
    const bool inStep = agwReader_.append(chunk);
    std::string shown;
    for (const ax25::agw::Frame& f : agwReader_.take()) {
        if (f.kind == 'K') {
            if (!f.data.empty()) shown += handOnKiss(kissDataFrame(std::string_view(f.data).substr(1)));
        } else if (serverFrames_) {
            serverFrames_(f);
        }
    }
    emit rxLogText(settings_.kissRaw == 1 ? chunk : shown);
    if (kissMonitor_.dropped() != droppedBefore) emit stateChanged();
    if (!inStep) {
        emit problemNoted("agw", "AGW: the server sent a frame no AGWPE server sends; connecting again");
        port_.dropConnection();
    }
}

void Link::lineAssembled(std::string_view line) {
    if (kind_ == LinkKind::AprsIs) {
        const AprsIsLine kind = aprsIsLineKind(line);
        if (kind == AprsIsLine::LoginReply) answered(line);
        if (kind != AprsIsLine::Packet) return;  // the server talking: shown, never a packet
        // Lines are assembled for the login reply alone while APRS is off.
        if (!assembleLines_) return;
    }
    handOn(line);
}

void Link::handOn(std::string_view line) {
    for (LinkListener* l : listeners_) l->packetLine(line);
}

// ---- the APRS-IS login

// The login goes out as everything sent does, so the Tx view shows what the server was
// told, all but the passcode.
void Link::logIn() {
    port_.write(aprsIsLoginFor(settings_));
    emit sent(aprsIsLoginShownFor(settings_));
    answerWait_->start();
}

void Link::answered(std::string_view line) {
    answerWait_->stop();
    // A receive-only login stays one, whatever a server says to it.
    const std::string notice =
        aprsIsReceiveOnlyNotice(settings_.myCall, settings_.passcode, aprsIsLoginVerified(line, settings_.myCall));
    verified_ = notice.empty();
    if (verified_) {
        emit problemCleared("aprsis");
        port_.connectionVerified();
    } else {
        emit problemNoted("aprsis", notice);
    }
    emit canSendChanged();
}

// Left unanswered the connection would only listen, and nobody would know why.
void Link::notAnswered() {
    emit problemNoted("aprsis", "APRS-IS: no answer to the login");
    port_.dropConnection();
}

// ---- transmitting

Link::Transmit Link::transmit(std::string_view txBuffer, const ValueFields& fields) {
    const std::int16_t holdBefore = tx_.txHold;
    const TransmitPlan plan = planTransmit(txBuffer, fields, clock_(), settings_.ctrlDEnd, tx_.txHold);
    if (plan.held) return Transmit::Held;

    if (settings_.kiss == 1) {
        if (!(kissTyping_ ? typeKiss(plan.sendText) : sendKiss(plan.sendText))) {
            tx_.txHold = holdBefore;  // nothing went out, so nothing waits for an answer
            return Transmit::Refused;
        }
    } else {
        if (!plan.sendText.empty() && !port_.isOpen()) {
            tx_.txHold = holdBefore;
            emit transmitRefused(downText());
            return Transmit::Refused;
        }
        if (plan.xoff == XoffIndicator::Show) emit xoffShown(true);
        if (plan.xoff == XoffIndicator::Hide) emit xoffShown(false);
        port_.write(plan.sendText);
    }
    emit sent(plan.readable);
    return Transmit::Sent;
}

void Link::sendFlowControl(char byte) {
    // A KISS TNC has no monitor to pause, and to an APRS-IS server the byte would be the
    // start of our next line; a held line or a closed port sends nothing, and nobody asked
    // for anything else to go out.
    if (settings_.kiss == 1 || kind_ == LinkKind::AprsIs || tx_.txHold == 1 || !port_.isOpen()) return;
    port_.write(std::string_view(&byte, 1));
    emit xoffShown(byte == kXoffByte);
    emit sent(bytesToCaret(std::string_view(&byte, 1)));
}

std::string Link::transmitInformation(std::string_view information) {
    if (std::string why = cannotSendText(); !why.empty()) return why;
    // CTRLDEND: the TNC has not answered what was sent last; nothing may follow yet.
    if (kind_ == LinkKind::TextTnc && tx_.txHold == 1) return "Nothing was sent: the TNC has not answered the last ^D yet.";
    const LinkTransmit out = encodeForLink(settings_, information);
    if (out.refused) return out.notice;
    if (isRadio()) {
        writeRadio(out.bytes);
    } else {
        port_.write(out.bytes);
    }
    emit sent(readableSent(information, out.bytes));
    return {};
}

std::string Link::cannotSendText() const {
    if (closed_ || !port_.isOpen()) return "Nothing was sent: " + portDisplayName(settings_) + " is not connected.";
    if (settings_.myCall.empty()) return "Nothing is sent without your callsign in Quilmo.ini (MYCALL=).";
    if (kind_ == LinkKind::AprsIs && !verified_) return aprsIsReceiveOnlyNotice(settings_.myCall, settings_.passcode, false);
    if (isRadio()) return problemWith(settings_, "UNPROTO");
    return {};
}

// The Tx view and the Tx log show a frame to a KISS TNC as its monitor line, as frames
// received are shown; on the other links the line that went out is already readable.
std::string Link::readableSent(std::string_view information, const std::string& bytes) const {
    if (!isRadio()) return bytes;
    const std::string path = settings_.unproto.empty() ? std::string(kDefaultUnproto) : settings_.unproto;
    return settings_.myCall + ">" + path + ":" + std::string(information) + "\r\n";
}

// Converse mode: the lines go out as UI frames, one write each, or nothing goes out.
bool Link::sendKiss(const std::string& sendText) {
    const KissTransmit kiss = kissTransmitFrames(sendText, settings_.myCall, settings_.unproto);
    if (kiss.refused) {
        emit transmitRefused(kiss.notice);
        return false;
    }
    if (kiss.frames.empty()) return true;
    if (const std::string problem = problemWith(settings_, "UNPROTO"); !problem.empty()) {
        emit transmitRefused(problem);
        return false;
    }
    if (!port_.isOpen()) {
        emit transmitRefused(downText());
        return false;
    }
    for (const std::string& frame : kiss.frames) writeRadio(frame);
    return true;
}

// A KISS frame of ours as it is, or to an AGWPE server as the frame it carries.
void Link::writeRadio(const std::string& kissFrame) {
    if (kind_ != LinkKind::Agw) {
        port_.write(kissFrame);
        return;
    }
    KissSplitter splitter;
    splitter.feed(kissFrame, [this](const KissFrame& f) { port_.write(ax25::agw::encode(ax25::agw::transmitFrame(f.data))); });
}

bool Link::typeKiss(const std::string& sendText) {
    if (sendText.empty()) return true;
    if (!port_.isOpen()) {
        emit transmitRefused(downText());
        return false;
    }
    const std::string why = kissTyping_(sendText);
    if (!why.empty()) emit transmitRefused(why);
    return why.empty();
}

bool Link::transmitFrame(std::string_view ax25) {
    if (closed_ || !port_.isOpen()) return false;
    if (kind_ == LinkKind::Agw) {
        port_.write(ax25::agw::encode(ax25::agw::transmitFrame(ax25)));
    } else {
        port_.write(kissDataFrame(ax25));
    }
    return true;
}

bool Link::transmitServer(std::string_view bytes) {
    if (closed_ || !port_.isOpen()) return false;
    if (!bytes.empty()) port_.write(bytes);
    return true;
}

void Link::print(const std::string& text) {
    if (text.empty()) return;
    emit received(text);
    emit rxLogText(text);
}

std::string Link::downText() const {
    return "Nothing was sent: " + portDisplayName(settings_) + " is not connected. The text stays in the Tx buffer.";
}

}  // namespace quilmo

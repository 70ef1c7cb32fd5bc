#pragma once
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/config.h"
#include "aprs/framing.h"
#include "ax25/agw.h"
#include "platform/local_time.h"
#include "platform/serial_port.h"
#include "terminal/kiss_monitor.h"
#include "terminal/link_transmit.h"
#include "terminal/transmit.h"

class QTimer;

namespace quilmo {

struct TxState {
    std::int16_t txHold = 0;
};

// Whoever takes what the link receives: the packet pipeline, messaging, and later a
// connected-mode session, each without knowing of the others.
class LinkListener {
public:
    virtual ~LinkListener() = default;
    // One packet as a monitor line without its line end: a text TNC's assembled line, a
    // KISS TNC's UI frame, an APRS-IS server's packet line.
    virtual void packetLine(std::string_view line) = 0;
    // Every data frame of a KISS TNC (or an AGWPE server's raw frames), as AX.25 bytes; only
    // for listeners that ask (wantsFrames).
    virtual void frameReceived(std::string_view /*ax25*/) {}
    virtual bool wantsFrames() const { return false; }
    // The device came or went: a half-received packet is no packet.
    virtual void connectionChanged(bool /*connected*/) {}
};

// The link to the device: the port and its state and reconnects, the APRS-IS login, KISS
// framing and line assembly, and the one writer every byte of ours goes through. It hands
// what it receives to its listeners and tells the rest by signals; it knows nothing of
// decoding, logs or windows.
class Link : public QObject {
    Q_OBJECT
public:
    Link(SerialPort& port, std::function<LocalTime()> clock, QObject* parent = nullptr);
    ~Link() override;

    // The settings the link works with; before open().
    void configure(const Settings& settings);
    // Whether a text TNC's bytes are assembled into packet lines (only while someone
    // reads them: APRS on). KISS frames and APRS-IS lines are always packets.
    void setAssembleLines(bool assemble) { assembleLines_ = assemble; }
    void addListener(LinkListener* listener);
    void removeListener(LinkListener* listener);

    void open();
    // Closed and opened again with the settings configured last (a new device, port
    // settings or login): a half-received packet and the old login are forgotten.
    void reopen();
    // Closed for good (the program ends): nothing goes out any more.
    void close();
    // How long an APRS-IS login waits for the server's answer before the connection is
    // given up and made again, in milliseconds.
    void setAprsIsAnswerWait(int milliseconds);

    enum class Transmit { Sent, Held, Refused };
    // The Tx buffer's bytes and the value fields, expanded and sent (a line to a text TNC,
    // UI frames to a KISS TNC). Held: CTRLDEND waits for data. Refused: transmitRefused says why.
    Transmit transmit(std::string_view txBuffer, const ValueFields& fields);
    // XOFF (19) or XON (17) alone; nothing when the port is not open or a KISS TNC is on it.
    void sendFlowControl(char byte);
    // One APRS information field of ours as this link sends it; why not, empty when it went out.
    std::string transmitInformation(std::string_view information);
    // Whether packets of ours can go out now, and why not.
    bool canSend() const { return cannotSendText().empty(); }
    std::string cannotSendText() const;

    // A command line of ours in front of a KISS TNC: the Tx buffer's bytes go to `typed`
    // instead of out as UI frames; it answers why nothing was done, empty when it took them.
    void setKissTyping(std::function<std::string(std::string_view)> typed) { kissTyping_ = std::move(typed); }
    // One AX.25 frame (no checksum) out as KISS, or as an AGWPE server sends it; false
    // when the port is not open.
    bool transmitFrame(std::string_view ax25);
    // An AGWPE server's frames other than the air's: for whoever runs connections on it.
    void setServerFrames(std::function<void(const ax25::agw::Frame&)> take) { serverFrames_ = std::move(take); }
    // Protocol bytes for an AGWPE server, as they are; false when the port is not open.
    bool transmitServer(std::string_view bytes);
    // Text the TNC prints, for the Rx view and the Rx log as if the device had sent it.
    void print(const std::string& text);
    // Whether a KISS TNC's frames are shown as monitor lines (they are decoded either way).
    void setMonitorShown(bool shown) { monitorShown_ = shown; }

    LinkKind kind() const { return kind_; }
    PortState state() const { return state_; }
    std::uint64_t kissDropped() const { return kissMonitor_.dropped(); }
    const TxState& txState() const { return tx_; }
    // The line being assembled, for a test that looks.
    const AprsLineAssembler& lineBuffer() const { return lines_; }

signals:
    // Text for the Rx view: the bytes as received, or a KISS TNC's frames as monitor lines.
    void received(const std::string& text);
    // What the Rx log gets of one read (the monitor lines of a KISS TNC, or its raw bytes
    // with KISSRAW=1); called for every read, empty when there is nothing to log.
    void rxLogText(const std::string& text);
    // What went out, as the Tx view and the Tx log show it.
    void sent(const std::string& readable);
    void xoffShown(bool shown);
    void stateChanged();
    void openFailed(const std::string& reason, PortOpenProblem problem);
    void transmitRefused(const std::string& why);
    // Whether packets of ours may go out changed (or may have).
    void canSendChanged();
    // A standing problem of the link for the notice line, and its end.
    void problemNoted(const std::string& key, const std::string& text);
    void problemCleared(const std::string& key);

private:
    void keepFramesForListeners();
    void onReceive();
    void receiveKiss(const std::string& chunk);
    std::string handOnKiss(std::string_view kiss);
    void receiveAgw(const std::string& chunk);
    void writeRadio(const std::string& kissFrame);
    bool isRadio() const { return kind_ == LinkKind::KissTnc || kind_ == LinkKind::Agw; }
    void lineAssembled(std::string_view line);
    void handOn(std::string_view line);
    void onConnectionChanged(bool connected);
    void logIn();
    void answered(std::string_view line);
    void notAnswered();
    std::string readableSent(std::string_view information, const std::string& bytes) const;
    bool sendKiss(const std::string& sendText);
    bool typeKiss(const std::string& sendText);
    std::string downText() const;

    SerialPort& port_;
    std::function<LocalTime()> clock_;
    Settings settings_;
    LinkKind kind_ = LinkKind::TextTnc;
    PortState state_ = PortState::NotOpen;
    TxState tx_;
    KissMonitor kissMonitor_;
    AprsLineAssembler lines_;
    bool assembleLines_ = false;
    bool verified_ = false;  // this connection's APRS-IS login reply said "verified"
    bool closed_ = false;
    QTimer* answerWait_ = nullptr;  // runs from the login until the server answers it
    std::vector<LinkListener*> listeners_;
    std::function<std::string(std::string_view)> kissTyping_;
    std::function<void(const ax25::agw::Frame&)> serverFrames_;
    ax25::agw::Reader agwReader_;
    bool monitorShown_ = true;
};

}  // namespace quilmo

// The link session without any window: what goes out on the port for each kind of link
// and state, what comes in from a KISS TNC, the logs and their timers, a disk that fills
// and frees, and copies of one packet. Then APRS packets of our own: where they may go
// out, two sessions exchanging a message, the beacon and the one timer, a database that
// cannot be used. The windows' tests prove that keys and buttons
// reach these paths; here the paths themselves are checked, with an in-memory port.
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <sqlite3.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../e2e/qt_files.h"
#include "../unit/ax25_frames.h"
#include "app/aprs_station.h"
#include "app/link_session.h"
#include "fake_serial_port.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const std::string kLogHeader = "------------- 2026-12-05  14:15 -----------------\r\n";
const std::string kKml = "kml/$20261205_1415.kml";
constexpr std::int64_t kEpoch = 1'780'000'000'000;  // the wall clock's start, in ms

// Two of them joined: what one writes the other reads, later, from the event loop, as
// from a real device.
struct JoinedPort : FakeSerialPort {
    JoinedPort* peer = nullptr;
    void write(std::string_view bytes) override {
        FakeSerialPort::write(bytes);
        if (peer != nullptr) QTimer::singleShot(0, [to = peer, b = std::string(bytes)] { to->feed(b); });
    }
};

// A session on the fake port in a folder of its own, started as the program starts it,
// with what it tells recorded.
struct Session {
    QTemporaryDir dir;
    JoinedPort port;
    std::unique_ptr<LinkSession> link;
    std::string received, sent, records;
    QStringList refusals, openFailures;
    std::int64_t now = kEpoch;  // the wall clock, moved by hand
    LocalTime localNow;         // the local time the session stamps with

    explicit Session(const std::string& ini, bool deviceMissing = false, const QString& base = {},
                     const std::vector<std::pair<std::string, std::string>>& files = {},
                     LocalTime local = {2026, 12, 5, 14, 15, 3})
        : dir(base.isEmpty() ? QDir::tempPath() + "/session-XXXXXX" : base + "/session-XXXXXX"), localNow(local) {
        port.failOpen = deviceMissing;
        write("Quilmo.ini", ini);
        for (const auto& [name, bytes] : files) write(name, bytes);
        link = std::make_unique<LinkSession>(dir.path().toStdString(), port,
                                             [this] { return localNow; }, [this] { return now; });
        QObject::connect(link.get(), &LinkSession::received, [this](const std::string& t) { received += t; });
        QObject::connect(link.get(), &LinkSession::sent, [this](const std::string& t) { sent += t; });
        QObject::connect(link.get(), &LinkSession::packetDecoded, [this](const DecodedPacket& p) {
            if (p.shown) records += p.record;
        });
        QObject::connect(link.get(), &LinkSession::transmitRefused,
                         [this](const std::string& why) { refusals << QString::fromStdString(why); });
        QObject::connect(link.get(), &LinkSession::openFailed,
                         [this](const std::string& text) { openFailures << QString::fromStdString(text); });
        link->readSettings();
        link->prepareLogSwitches();
        // The window's boxes, ticked as Quilmo.ini says.
        if (link->logBuffers().saveRx == 2) link->logSwitched(true, true);
        if (link->logBuffers().saveTx == 2) link->logSwitched(false, true);
        link->writeLogHeaders();
        link->openPort();
        link->filterFlags() = showAllFilter();  // as the filter window leaves them without a filter.ini
    }
    QString path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)); }
    void write(const std::string& name, const std::string& bytes) const {
        test::writeFile(path(name), QByteArray::fromStdString(bytes));
    }
    std::string read(const std::string& name) const {
        return QFile::exists(path(name)) ? test::readFile(path(name)).toStdString() : "<missing>";
    }
};

std::string heard(const std::string& monitorLine) { return kissWrap(encodeMonitorLine(monitorLine).frame); }

// A tmpfs of its own, filled to the last page and freed again on demand.
struct SmallDisk {
    QTemporaryDir mountPoint;
    bool mounted = ::mount("tmpfs", mountPoint.path().toLocal8Bit().constData(), "tmpfs", 0, "size=256k") == 0;
    ~SmallDisk() {
        if (mounted) ::umount2(mountPoint.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    QString filler() const { return mountPoint.filePath("filler"); }
    void fill() const {
        const int fd = ::open(filler().toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {}
        ::close(fd);
    }
    void free() const { QFile::remove(filler()); }
};

std::string position(int n) {
    return QString::asprintf("S%02d>APRS:!44%02d.60N/01120.10E-\r\n", n, n % 60).toStdString();
}

struct Transmission {
    std::string ini;
    std::string buffer;  // the Tx buffer's bytes as the window hands them over
    bool deviceMissing = false;
    LinkSession::Transmit result;
    QStringList frames;  // monitor lines of the KISS frames written, one write each; or
    std::string written; // the bytes written to a text TNC
    std::string sent = {};
    QString refusal = {};
};

}  // namespace
Q_DECLARE_METATYPE(Transmission)

class SessionTest : public QObject {
    Q_OBJECT
private slots:
    void transmit_data() {
        QTest::addColumn<Transmission>("t");
        using T = LinkSession::Transmit;
        const std::string call = "KISS=1\nMYCALL=n0call-7\nUNPROTO=APZQLM VIA WIDE1-1,WIDE2-1\n";
        const QString down = "Nothing was sent: COM1 is not connected. The text stays in the Tx buffer.";
        QTest::newRow("text TNC: caret notation and placeholders")
            << Transmission{"", "hi ^#H^C\r\n", false, T::Sent, {}, "hi 14:15\x03\r\n", "hi 14:15^C\r\n"};
        QTest::newRow("text TNC: a UTF-8 line goes as it is")
            << Transmission{"", "73 \xE2\x9C\x93\r\n", false, T::Sent, {}, "73 \xE2\x9C\x93\r\n", "73 \xE2\x9C\x93\r\n"};
        QTest::newRow("KISS: a frame a line")
            << Transmission{call, "hello\r\nagain", false, T::Sent,
                            {"N0CALL-7>APZQLM,WIDE1-1,WIDE2-1:hello", "N0CALL-7>APZQLM,WIDE1-1,WIDE2-1:again"}, "",
                            "hello\r\nagain"};
        QTest::newRow("KISS: default destination, XOFF dropped")
            << Transmission{"KISS=1\nMYCALL=N0CALL\n", "^#H^S", false, T::Sent, {"N0CALL>APZQLM:14:15"}, "", "14:15^S"};
        QTest::newRow("KISS: no callsign")
            << Transmission{"KISS=1\nCTRLDEND=1\n", "a^D", false, T::Refused, {}, "", "",
                            "KISS mode sends only with your callsign in Quilmo.ini (MYCALL=). Nothing was sent."};
        QTest::newRow("KISS: a path AX.25 cannot carry")
            << Transmission{"KISS=1\nMYCALL=N0CALL\nUNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", "hi\r\n", false, T::Refused, {}, "",
                            "", "UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I cannot be used: AX.25 carries at most 8 digipeaters. "
                                "Nothing is sent until it is mended."};
        QTest::newRow("text TNC, link down") << Transmission{"", "hello\r\n", true, T::Refused, {}, "", "", down};
        QTest::newRow("KISS, link down") << Transmission{"KISS=1\nMYCALL=N0CALL\n", "hello\r\n", true, T::Refused, {}, "", "", down};
        QTest::newRow("link down, nothing to send") << Transmission{"", "", true, T::Sent, {}, "", ""};
        QTest::newRow("ctrl-d end, then held")
            << Transmission{"CTRLDEND=1\n", "abc^Ddef", false, T::Sent, {}, "abc\x04", "abc^D"};
    }
    void transmit() {
        QFETCH(Transmission, t);
        Session s(t.ini + "SAVETX=1\n", t.deviceMissing);
        // A KISS link's command line starts in command mode: K makes it send as it did.
        const std::string first = t.ini.find("KISS=1") != std::string::npos && !t.deviceMissing ? "K\r\n" : "";
        if (!first.empty()) QCOMPARE(s.link->transmit(first, {}), LinkSession::Transmit::Sent);
        s.sent.clear();
        QCOMPARE(s.link->transmit(t.buffer, {}), t.result);
        if (t.frames.isEmpty()) {
            QCOMPARE(s.port.written, t.written);
        } else {
            std::vector<std::string> expected;
            for (const QString& f : t.frames) expected.push_back(heard(f.toStdString()));
            QCOMPARE(s.port.writes, expected);
        }
        QCOMPARE(s.sent, t.sent);
        QCOMPARE(s.refusals.join('|'), t.refusal);
        // A refused transmission leaves no hold; a ^D that went out holds the next.
        const bool heldAfter = t.result == LinkSession::Transmit::Sent && t.written.find('\x04') != std::string::npos;
        QCOMPARE(s.link->txState().txHold, std::int16_t{heldAfter});
        if (heldAfter) QCOMPARE(s.link->transmit("next\r\n", {}), LinkSession::Transmit::Held);
        s.link->exitSequence();
        QCOMPARE(s.read("$log_tx.txt"), kLogHeader + first + t.sent);  // the log is what was shown as sent
    }

    // The filter window pauses a text TNC with XOFF and XON alone; a KISS TNC, an APRS-IS
    // server or a port that is not open gets nothing.
    void filterWindow_flowControlAlone() {
        const struct { const char* ini; bool missing; std::string written; } rows[] = {
            {"APRS=1\n", false, "\x13\x11"}, {"APRS=1\nKISS=1\nMYCALL=N0CALL\n", false, ""}, {"APRS=1\n", true, ""},
            {"APRS=1\nDEVICE=aprsis://127.0.0.1:14580\n", false, ""},
        };
        for (const auto& r : rows) {
            Session s(r.ini, r.missing);
            QSignalSpy xoff(s.link.get(), &LinkSession::xoffShown);
            s.link->filterWindowOpening();
            s.link->filterWindowClosed(s.path("filter.ini").toStdString(), {2, 0});
            QCOMPARE(s.port.written, r.written);
            QCOMPARE(s.sent, r.written.empty() ? "" : "^S^Q");
            QCOMPARE(xoff.size(), r.written.empty() ? 0 : 2);
        }
    }

    void kiss_receive_monitorLinesRecordsAndDrops() {
        Session s("KISS=1\nAPRS=1\nSAVERX=1\n");
        s.link->startAprs();
        const std::string position = "SRC>DEST,PATH*:!4430.60N/01120.10E-text", status = "SRC>DEST:>status here";
        const std::string sabm = kissWrap(addressBytes("DEST", 0, true, false) + addressBytes("SRC", 0, false, true) + "\x3F");
        s.port.feed("banner before KISS\r\n" + heard(position) + sabm + kissWrap("\x82\x83") + heard(status));
        const std::string monitor = "cmd:\r\n" + position + "\r\nSRC>DEST <SABM P>\r\n" + status + "\r\n";
        QCOMPARE(s.received, monitor);
        QVERIFY(s.records.starts_with("------- 2026-12-05 14:15 ------\r\nSRC>DEST,PATH*:\r\nlat./lon.: 44\xb0" "30'36\"N"));
        QVERIFY(s.records.find("st.report: status here\r\n") != std::string::npos);
        QCOMPARE(s.link->kissDropped(), std::uint64_t{1});
        s.link->exitSequence();
        QCOMPARE(s.read("$log_rx.txt"), kLogHeader + monitor);
    }

    // A device lost halfway through a frame: the half frame is not glued to the next one.
    // With KISSRAW the Rx log gets the bytes as they came.
    void kiss_deviceLoss_halfFrameIsNotGluedToTheNext() {
        Session s("KISS=1\nKISSRAW=1\nSAVERX=1\n");
        const std::string lost = heard("SRC>DEST:>status here"), after = heard("A>B:after");
        s.port.feed(lost.substr(0, 10));
        s.port.onConnectionChanged(false);
        QCOMPARE(s.link->portState(), PortState::Lost);
        s.port.onConnectionChanged(true);
        // The device sends on from where it was; only the first whole frame after a FEND counts.
        s.port.feed(lost.substr(10) + after);
        QCOMPARE(s.received, std::string("cmd:\r\nA>B:after\r\n"));
        QCOMPARE(s.link->kissDropped(), std::uint64_t{0});
        s.link->exitSequence();
        QCOMPARE(s.read("$log_rx.txt"), kLogHeader + "cmd:\r\n" + lost + after);
    }

    // Heard direct, through a digipeater and as another TNC prints it: one record, one log
    // entry, one placemark, one packet in the table.
    void copies_countedOnce() {
        Session s("APRS=1\n");
        s.link->startAprs();
        s.port.feed("SRC>DEST,PATH:!4430.60N/01120.10E-text\r\nSRC>DEST,DIGI*,WIDE2-1:!4430.60N/01120.10E-text\r\n"
                    "SRC>DEST,DIGI,WIDE2* <UI C>:!4430.60N/01120.10E-text\r\n");
        QCOMPARE(QString::fromStdString(s.records).count("lat./lon."), 1);
        QCOMPARE(QString::fromStdString(s.read("$log_aprs.txt")).count("lat./lon."), 1);
        QCOMPARE(QString::fromStdString(s.read(kKml)).count("<Placemark>"), 1);
        QCOMPARE(s.link->stations().row(s.link->stations().find("SRC")).packets, std::uint64_t{1});
    }

    // Text waits for a batch until the session ends or its own log has been quiet for two
    // seconds, however busy the other log is.
    void logs_pendingAtExitOrAfterTheirOwnQuiet() {
        {
            Session s("SAVERX=1\nSAVETX=1\n");
            s.port.feed("pending");
            s.link->transmit("at\r\n", {});
            QCOMPARE(s.read("$log_rx.txt") + s.read("$log_tx.txt"), kLogHeader + kLogHeader);
            s.link->exitSequence();
            QCOMPARE(s.read("$log_rx.txt"), kLogHeader + "pending");
            QCOMPARE(s.read("$log_tx.txt"), kLogHeader + "at\r\n");
            QVERIFY(!s.port.isOpen());
        }
        Session s("SAVERX=1\nSAVETX=1\n");
        QTimer traffic;
        QObject::connect(&traffic, &QTimer::timeout, [&s] { s.port.feed("N0CALL>APRS:>busy\r\n"); });
        traffic.start(300);
        s.link->transmit("at\r\n", {});
        QTRY_COMPARE_WITH_TIMEOUT(s.read("$log_tx.txt"), kLogHeader + "at\r\n", 4000);
        QVERIFY(traffic.isActive());
    }

    void diskFillsAndFrees_logsLoseNothingTrackStaysWhole() {
        SmallDisk disk;
        if (!disk.mounted) QSKIP("mounting a tmpfs is not permitted here; CI runs as root and can");
        Session s("APRS=1\nSAVERX=1\n", false, disk.mountPoint.path());
        s.link->startAprs();
        std::string fed;
        const auto feed = [&](int from, int to) {
            for (int n = from; n < to; ++n) {
                fed += position(n);
                s.port.feed(position(n));
            }
        };
        feed(0, 5);
        QCOMPARE(s.link->notices().text(), std::string());
        disk.fill();
        feed(5, 40);
        QVERIFY2(s.link->notices().text().find("No space left on device") != std::string::npos, s.link->notices().text().c_str());
        QCOMPARE(s.link->logBuffers().saveRx, std::int16_t{1});
        const auto wellFormed = [&s] { return QProcess::execute("xmllint", {"--noout", s.path(kKml)}) == 0; };
        QVERIFY(wellFormed());
        disk.free();
        feed(40, 45);
        QVERIFY2(s.link->notices().text().ends_with("is written again"), s.link->notices().text().c_str());
        QCOMPARE(s.read("$log_rx.txt"), kLogHeader + fed);
        QCOMPARE(QString::fromStdString(s.read("$log_aprs.txt")).count("lat./lon."), 45);
        QVERIFY(wellFormed());
        const std::string track = s.read(kKml);
        for (const int n : {0, 4, 40, 44}) QVERIFY(track.find(" " + position(n).substr(0, 3)) != std::string::npos);
    }

    // The filter the user chose is written once the folder takes it again, without another
    // "Ok": the notice does not outlive the fault.
    void filterFileFailed_writtenWhenPossibleAgain() {
        Session s("APRS=1\n");
        const std::string file = s.path("filter.ini").toStdString();
        std::filesystem::create_directory(file);
        s.link->filterWindowClosed(file, replaceFile(file, "0\r\n"));
        QVERIFY2(s.link->notices().text().starts_with("Cannot write " + file), s.link->notices().text().c_str());
        std::filesystem::remove(file);
        QTRY_COMPARE_WITH_TIMEOUT(s.link->notices().text(), file + " is written again", 5000);
        QCOMPARE(s.read("filter.ini"), std::string("0\r\n"));
    }

    // A packet of ours goes out only where the link can send it, each kind of link in its
    // own form; the Tx view shows it as it went (a KISS frame as its monitor line).
    void transmitInformation_onlyWhereTheLinkCanSend() {
        const std::string field = ":W1AW     :hi{1";
        const std::string verified = "# logresp N0CALL verified, server T2TEST\r\n";
        const struct {
            const char* name;
            std::string ini;
            bool missing;
            std::string before;  // fed to the session, or typed when it starts with "typed:"
            bool canSend;
            std::string written, sent, refusal;
        } rows[] = {
            {"text TNC: a converse-mode line", "MYCALL=N0CALL\n", false, "", true, field + "\r", field + "\r", ""},
            {"text TNC without MYCALL", "", false, "", false, "", "", "Nothing is sent without your callsign in Quilmo.ini (MYCALL=)."},
            {"text TNC waiting for the answer to ^D", "MYCALL=N0CALL\nCTRLDEND=1\n", false, "typed:x^D", true, "", "",
             "Nothing was sent: the TNC has not answered the last ^D yet."},
            {"KISS: a UI frame via UNPROTO", "KISS=1\nMYCALL=N0CALL\nUNPROTO=APZQLM VIA WIDE1-1\n", false, "", true,
             heard("N0CALL>APZQLM,WIDE1-1:" + field), "N0CALL>APZQLM,WIDE1-1:" + field + "\r\n", ""},
            {"KISS without MYCALL", "KISS=1\n", false, "", false, "", "", "Nothing is sent without your callsign in Quilmo.ini (MYCALL=)."},
            {"KISS, device not there", "KISS=1\nMYCALL=N0CALL\n", true, "", false, "", "", "Nothing was sent: COM1 is not connected."},
            {"KISS, a path AX.25 cannot carry", "KISS=1\nMYCALL=N0CALL\nUNPROTO=CQ VIA A,B,C,D,E,F,G,H,I\n", false, "", false, "", "",
             "UNPROTO=CQ VIA A,B,C,D,E,F,G,H,I cannot be used: AX.25 carries at most 8 digipeaters. Nothing is sent until it is mended."},
            {"APRS-IS before the server verified", "DEVICE=aprsis://127.0.0.1:14580\nMYCALL=N0CALL\nPASSCODE=1\n", false, "", false,
             "", "", "APRS-IS: the server did not verify the login (check MYCALL= and PASSCODE=): receive only."},
            {"APRS-IS verified, KISS= left aside", "DEVICE=aprsis://127.0.0.1:14580\nKISS=1\nMYCALL=N0CALL\nPASSCODE=1\n", false, verified,
             true, "N0CALL>APZQLM,TCPIP*:" + field + "\r\n", "N0CALL>APZQLM,TCPIP*:" + field + "\r\n", ""},
            {"APRS-IS receive only by PASSCODE=, whatever the server says", "DEVICE=aprsis://127.0.0.1:14580\nMYCALL=N0CALL\n", false, verified, false, "", "",
             "APRS-IS: receive only. Sending needs PASSCODE= in Quilmo.ini."},
        };
        for (const auto& r : rows) {
            Session s(r.ini + "SAVETX=1\n", r.missing);
            if (r.before.starts_with("typed:")) s.link->transmit(r.before.substr(6), {});
            if (!r.before.empty() && !r.before.starts_with("typed:")) s.port.feed(r.before);
            const std::string writtenBefore = s.port.written, sentBefore = s.sent;
            QVERIFY2(s.link->linkCanSend() == r.canSend, r.name);
            QVERIFY2(s.link->transmitInformation(field) == r.refusal, r.name);
            QVERIFY2(s.port.written.substr(writtenBefore.size()) == r.written, r.name);
            QVERIFY2(s.sent.substr(sentBefore.size()) == r.sent, r.name);
            QVERIFY2(s.refusals.isEmpty(), r.name);  // a packet of ours never raises the Tx buffer's box
            s.link->exitSequence();
            QVERIFY2(s.read("$log_tx.txt") == kLogHeader + s.sent, r.name);
        }
    }

    // Two sessions back to back over KISS, each the TNC of its own station: one connects to
    // the other, 10 KB go each way byte-exact while text typed too early stays, then a
    // disconnect from the far side.
    void kissLoopback_connectedSessionTradesTenKilobytes() {
        using T = LinkSession::Transmit;
        Session a("KISS=1\nSAVERX=1\nMYCALL=N0AAA\n"), b("KISS=1\nMYCALL=N0BBB\n");
        a.port.peer = &b.port;
        b.port.peer = &a.port;
        QCOMPARE(a.received, std::string("cmd:\r\n"));
        QCOMPARE(a.link->transmit("hello\r\n", {}), T::Sent);  // a command line first, nothing on the air
        QCOMPARE(a.port.written, std::string());
        QCOMPARE(a.link->transmit("c n0bbb\r\n", {}), T::Sent);
        QCOMPARE(a.link->transmit("too early\r\n", {}), T::Refused);
        QCOMPARE(a.refusals.size(), 1);
        QTRY_VERIFY(b.received.ends_with("*** CONNECTED to N0AAA\r\n"));
        QTRY_VERIFY(a.received.ends_with("*** CONNECTED to N0BBB\r\n"));
        QCOMPARE(a.received, std::string("cmd:\r\n?EH\r\n*** CONNECTED to N0BBB\r\n"));
        QCOMPARE(a.sent, std::string("hello\r\nc n0bbb\r\n"));

        std::string fromA, fromB, typedA, typedB;
        for (int n = 0; fromA.size() < 10240; ++n) {
            const std::string line = "A says " + std::to_string(n) + " \xC0\xDB ^ all bytes";
            fromA += line + "\r";
            typedA += line + "\r\n";
            fromB += "B " + std::to_string(n) + " answers\r";
            typedB += "B " + std::to_string(n) + " answers\r\n";
        }
        const std::size_t aBefore = a.received.size(), bBefore = b.received.size();
        QCOMPARE(a.link->transmit(typedA, {}), T::Sent);
        QCOMPARE(b.link->transmit(typedB, {}), T::Sent);
        QTRY_COMPARE_WITH_TIMEOUT(b.received.substr(bBefore), fromA, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(a.received.substr(aBefore), fromB, 60000);

        QCOMPARE(b.link->transmit("^CD\r\n", {}), T::Sent);
        QTRY_VERIFY(a.received.ends_with("*** DISCONNECTED\r\ncmd:\r\n"));
        QTRY_VERIFY(b.received.ends_with("cmd:\r\n*** DISCONNECTED\r\n"));
        a.link->exitSequence();
        QVERIFY(a.read("$log_rx.txt").ends_with(fromB + "*** DISCONNECTED\r\ncmd:\r\n"));  // the log saw what the view saw
    }

    // Two stations on one channel: a message, its ack, no other frame. The receiver never
    // pressed " APRS start": a message to it is answered all the same.
    void kissLoopback_messageAcknowledgedWhileDecodingPauses() {
        const std::string common = "KISS=1\nAPRS=1\nUNPROTO=APZQLM VIA WIDE1-1\n";
        Session a(common + "MYCALL=N0CALL-1\n"), b(common + "MYCALL=N0CALL-2\n");
        a.port.peer = &b.port;
        b.port.peer = &a.port;
        Messaging& alice = a.link->station()->messaging();
        Messaging& bob = b.link->station()->messaging();
        const SendResult sent = alice.send("n0call-2", "Hello there");
        QVERIFY(sent.accepted);
        QTRY_COMPARE(messageStateText(*alice.message(sent.id)), std::string("acknowledged"));
        const std::string message = "N0CALL-1>APZQLM,WIDE1-1::N0CALL-2 :Hello there{1", ack = "N0CALL-2>APZQLM,WIDE1-1::N0CALL-1 :ack1";
        QCOMPARE(a.port.writes, std::vector<std::string>{heard(message)});
        QCOMPARE(b.port.writes, std::vector<std::string>{heard(ack)});
        QCOMPARE(a.sent, message + "\r\n");
        QCOMPARE(b.received, "cmd:\r\n" + message + "\r\n");
        QCOMPARE(b.sent, ack + "\r\n");
        QCOMPARE(b.records, std::string());
        QCOMPARE(bob.unreadCount(), 1);
        QCOMPARE(bob.messages().front().text, std::string("Hello there"));
        // Nothing waits any more, so no timer runs on either side.
        QVERIFY(!a.link->station()->timerRunning());
        QVERIFY(!b.link->station()->timerRunning());
    }

    // The beacon 10 s after the link is up, then every BEACON= minutes; a message's next try
    // 30 s after the first. The timer runs only while one of them waits, and a link that goes
    // down stops it.
    void beaconAndTries_timerRunsOnlyWhileSomethingWaits() {
        Session s("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\nBEACON=5\nBEACONTEXT=Quilmo test\n"
                  "MYLAT=44\xb0" "29'30\"N\nMYLONG=11\xb0" "20'15\"E\n");
        AprsStation& station = *s.link->station();
        QVERIFY(station.timerRunning());
        QCOMPARE(station.nextWakeAt(), std::optional<std::int64_t>(kEpoch + 10'000));
        station.wake();
        QCOMPARE(s.port.writes.size(), 0u);  // not yet due
        s.now += 10'000;
        station.wake();
        QCOMPARE(s.port.writes, std::vector<std::string>{heard("N0CALL-7>APZQLM:=4429.50N/01120.25E-Quilmo test")});
        QCOMPARE(station.nextWakeAt(), std::optional<std::int64_t>(s.now + 5 * 60'000));

        Session idle("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\n");
        AprsStation& quiet = *idle.link->station();
        QVERIFY(!quiet.timerRunning());
        QCOMPARE(quiet.nextWakeAt(), std::nullopt);
        quiet.messaging().send("W1AW", "hi");
        QCOMPARE(quiet.nextWakeAt(), std::optional<std::int64_t>(kEpoch + 30'000));
        QVERIFY(quiet.timerRunning());
        idle.now += 30'000;
        quiet.wake();
        QCOMPARE(idle.port.writes, std::vector<std::string>(2, heard("N0CALL-7>APZQLM::W1AW     :hi{1")));
        idle.port.close();
        idle.port.onConnectionChanged(false);
        QVERIFY(!quiet.timerRunning());
        QCOMPARE(messageStateText(quiet.messaging().messages().front()), std::string("sending 2/7"));
    }

    // A flood of messages from many stations: the acks go out five in 10 s, twenty a minute,
    // and those that waited over 30 s are dropped with a notice.
    void messageFlood_acksKeepToTheChannelBudget() {
        Session s("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\n");
        AprsStation& station = *s.link->station();
        for (int i = 1; i <= 100; ++i) {
            const std::string call = "W" + std::to_string(i) + "AW";
            s.port.feed(heard(call + ">APRS::N0CALL-7 :hello{" + std::to_string(i)));
        }
        QCOMPARE(station.messaging().unreadCount(), 100);
        QCOMPARE(s.port.writes.size(), 5u);
        QCOMPARE(station.nextWakeAt(), std::optional<std::int64_t>(kEpoch + 10'000));
        for (int tenths = 1; tenths <= 6; ++tenths) {
            s.now = kEpoch + tenths * 10'000;
            station.wake();
        }
        // 0, 10 and 20 s: 15 acks; 30 s: 5 more make 20, the minute's budget; by 60 s the
        // rest have waited too long.
        QCOMPARE(s.port.writes.size(), 20u);
        QCOMPARE(station.droppedAcks(), 80u);
        QVERIFY2(s.link->notices().text().find("held back 80 acks for over 30 s") != std::string::npos,
                 s.link->notices().text().c_str());
        QCOMPARE(station.nextWakeAt(), std::nullopt);
    }

    // A restart 20 s after a beacon waits for the interval; the time of the last beacon is
    // kept beside the other files.
    void beaconAfterRestart_keepsTheInterval() {
        const std::string ini = "KISS=1\nAPRS=1\nMYCALL=N0CALL-7\nBEACON=5\n"
                                "MYLAT=44\xb0" "29'30\"N\nMYLONG=11\xb0" "20'15\"E\n";
        Session first(ini);
        first.now += 10'000;
        first.link->station()->wake();
        QCOMPARE(first.port.writes.size(), 1u);
        QCOMPARE(first.read("beacon.txt"), std::to_string(kEpoch + 10'000) + "\r\n");

        Session restarted(ini, false, {}, {{"beacon.txt", std::to_string(kEpoch - 20'000) + "\r\n"}});
        QCOMPARE(restarted.link->station()->nextWakeAt(), std::optional<std::int64_t>(kEpoch - 20'000 + 5 * 60'000));
        restarted.now += 10'000;
        restarted.link->station()->wake();
        QCOMPARE(restarted.port.writes.size(), 0u);
    }

    // The link hands every frame to a listener that asks for frames (a connected-mode
    // session) and only the UI frames, as packet lines, to the rest.
    void linkListeners_framesToWhoAsksLinesToAll() {
        struct Recorder : LinkListener {
            bool frames = false;
            std::vector<std::string> got, lines;
            void packetLine(std::string_view line) override { lines.emplace_back(line); }
            void frameReceived(std::string_view ax25) override { got.emplace_back(ax25); }
            bool wantsFrames() const override { return frames; }
        } framesToo, linesOnly;
        framesToo.frames = true;
        Session s("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\n");
        s.link->link().addListener(&framesToo);
        s.link->link().addListener(&linesOnly);
        const std::string ui = encodeMonitorLine("W1AW>APRS:>hello").frame;
        std::string info = encodeMonitorLine("W1AW>N0CALL-7:hi there").frame;
        info[14] = 0x00;  // an I frame, N(S) 0, N(R) 0: connected-mode traffic, no packet
        s.port.feed(kissWrap(ui) + kissWrap(info));
        QCOMPARE(framesToo.got, (std::vector<std::string>{ui, info}));
        QCOMPARE(linesOnly.got, std::vector<std::string>{});
        QCOMPARE(framesToo.lines, std::vector<std::string>{"W1AW>APRS:>hello"});
        QCOMPARE(linesOnly.lines, std::vector<std::string>{"W1AW>APRS:>hello"});
        s.link->link().removeListener(&framesToo);
        s.link->link().removeListener(&linesOnly);
    }

    // A database that cannot be used is named on the notice line; messages and heard
    // stations go on in memory.
    void unusableDatabase_noticeAndMessagesInMemory() {
        Session s("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\n", false, {}, {{"quilmo.sqlite", std::string(1024, 'x')}});
        const std::string cannot = "Cannot open " + s.path("quilmo.sqlite").toStdString() + ": file is not a database. ";
        QCOMPARE(s.link->notices().text(), cannot + "Messages and heard stations are kept only until the program ends.");
        s.link->startAprs();
        s.port.feed(heard("W1AW>APRS:!4430.60N/01120.10E>"));
        QCOMPARE(s.link->stations().size(), std::size_t{1});
        QVERIFY(!s.link->pipeline().keepTimerRunning());
        QVERIFY(s.link->notices().failing());
        QVERIFY(s.link->station()->messaging().send("W1AW", "hi").accepted);
        QCOMPARE(s.port.writes, std::vector<std::string>{heard("N0CALL-7>APZQLM::W1AW     :hi{1")});
    }

    // A database another program keeps locked: the message goes out all the same, the notice
    // line names the lock, and a retry every 2 s, running only while something waits,
    // writes it once the lock is gone; the notice goes with it.
    void lockedDatabase_retriedUntilWrittenThenQuiet() {
        Session s("KISS=1\nAPRS=1\nMYCALL=N0CALL-7\n");
        AprsStation& station = *s.link->station();
        QVERIFY(!station.storeRetryRunning());
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(s.path("quilmo.sqlite").toStdString().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        QVERIFY(station.messaging().send("W1AW", "hi").accepted);
        QCOMPARE(s.port.writes, std::vector<std::string>{heard("N0CALL-7>APZQLM::W1AW     :hi{1")});
        QCOMPARE(s.link->notices().text(), "Cannot write " + s.path("quilmo.sqlite").toStdString() +
                                               ": database is locked. Messages are kept and written as soon as it works again.");
        QVERIFY(station.storeRetryRunning());
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!station.storeRetryRunning(), 5000);
        QCOMPARE(s.link->notices().text(), std::string());
        sqlite3_stmt* row = nullptr;
        sqlite3_prepare_v2(other, "SELECT text FROM messages", -1, &row, nullptr);
        QCOMPARE(sqlite3_step(row), SQLITE_ROW);
        QCOMPARE(std::string(reinterpret_cast<const char*>(sqlite3_column_text(row, 0))), std::string("hi"));
        sqlite3_finalize(row);
        sqlite3_close_v2(other);
    }

    // Heard stations outlive the program: the next start (KEEPHOURS= allowing) finds their
    // rows, the latest record made again from the kept packet line, and their tracks.
    void keptStations_nextStartFindsThemWithinTheHoursKept() {
        std::string database, record;
        {
            Session s("APRS=1\n");
            s.link->startAprs();
            QVERIFY(!s.link->pipeline().keepTimerRunning());  // nothing waits yet
            s.port.feed("W1AW>APRS,DIGI*:!4430.60N/01120.10E>moving\r\nW1AW>APRS:!4431.60N/01121.10E>on\r\n"
                        "K1ABC>APRS:>status only\r\n");
            QVERIFY(s.link->pipeline().keepTimerRunning());
            record = s.link->latestRecord("W1AW");
            QVERIFY(record.find("on\r\n") != std::string::npos);
            s.link->exitSequence();
            s.link.reset();  // the last connection: the journal goes into the file
            database = s.read("quilmo.sqlite");
        }
        const struct { const char* name; const char* ini; int hour; std::size_t stations; } rows[] = {
            {"started again at once", "APRS=1\n", 14, 2},
            {"nine hours later, kept 24", "APRS=1\n", 23, 2},
            {"two hours later, kept one", "APRS=1\nKEEPHOURS=1\n", 16, 0},
        };
        for (const auto& row : rows) {
            Session s(row.ini, false, {}, {{"quilmo.sqlite", database}}, LocalTime{2026, 12, 5, row.hour, 20, 0});
            QVERIFY2(s.link->stations().size() == row.stations, row.name);
            if (row.stations == 0) continue;
            QCOMPARE(s.link->latestRecord("W1AW"), record);
            QCOMPARE(s.link->stations().row(s.link->stations().find("W1AW")).packets, std::uint64_t{2});
            QCOMPARE(s.link->tracks().find("W1AW")->size(), std::size_t{2});
            QVERIFY(!s.link->pipeline().keepTimerRunning());  // what was loaded waits for nothing
        }
    }

    // A database another program keeps locked: the stations stay in the table, the notice
    // line says why, and the batch is tried again until the lock is gone; then it is written
    // and the notice goes.
    void keptStations_lockedDatabaseWrittenWhenItWorks() {
        Session s("APRS=1\n");
        s.link->startAprs();
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open_v2(s.path("quilmo.sqlite").toStdString().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        s.port.feed("W1AW>APRS:!4430.60N/01120.10E>\r\n");
        const std::string notice = "Cannot write " + s.path("quilmo.sqlite").toStdString() +
                                   ": database is locked. Heard stations are kept and written as soon as it works again.";
        QTRY_COMPARE_WITH_TIMEOUT(s.link->notices().text(), notice, 3000);
        QVERIFY(s.link->pipeline().keepTimerRunning());
        QCOMPARE(s.link->stations().size(), std::size_t{1});
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!s.link->pipeline().keepTimerRunning(), 5000);
        QCOMPARE(s.link->notices().text(), std::string());
        sqlite3_stmt* row = nullptr;
        sqlite3_prepare_v2(other, "SELECT count(*) FROM stations WHERE station = 'W1AW'", -1, &row, nullptr);
        QCOMPARE(sqlite3_step(row), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(row, 0), 1);
        sqlite3_finalize(row);
        sqlite3_close_v2(other);
    }
};

QTEST_GUILESS_MAIN(SessionTest)
#include "session_test.moc"

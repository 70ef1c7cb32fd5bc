// An AGWPE server played by the test on 127.0.0.1, reached through the program's own device
// port by the session: on every connection MYCALL is registered and the raw and monitor
// frames asked for; a raw frame heard is a monitor line and an APRS packet; the TNC's
// command line connects, talks and is told of the end; our UI frames go as 'M' or 'V'
// carrying exactly the information a KISS frame would; a frame longer than any server sends
// makes the connection afresh.
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/aprs_station.h"
#include "app/link_session.h"
#include "ax25_frames.h"
#include "far_server.h"
#include "platform/qt_device_port.h"
#include "qt_files.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

// One frame as the server reads it, laid out by hand from the protocol's table.
struct Heard {
    char kind = 0;
    int pid = 0;
    std::string from, to, data;
};

std::string field(const std::string& s, std::size_t at) {
    const std::string f = s.substr(at, 10);
    return f.substr(0, f.find('\0'));
}

std::vector<Heard> framesIn(const std::string& bytes) {
    std::vector<Heard> out;
    std::size_t at = 0;
    while (bytes.size() - at >= 36) {
        std::uint32_t length = 0;
        for (int i = 0; i < 4; ++i) length |= std::uint32_t{static_cast<unsigned char>(bytes[at + 28 + i])} << (8 * i);
        if (bytes.size() - at - 36 < length) break;
        out.push_back({bytes[at + 4], static_cast<unsigned char>(bytes[at + 6]), field(bytes, at + 8), field(bytes, at + 18),
                       bytes.substr(at + 36, length)});
        at += 36 + length;
    }
    return out;
}

std::string frame(char kind, std::string from, std::string to, const std::string& data, std::uint32_t length) {
    std::string h(36, '\0');
    h[4] = kind;
    from.resize(10, '\0');
    to.resize(10, '\0');
    h.replace(8, 10, from);
    h.replace(18, 10, to);
    for (int i = 0; i < 4; ++i) h[28 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return h + data;
}
std::string frame(char kind, const std::string& from, const std::string& to, const std::string& data = {}) {
    return frame(kind, from, to, data, static_cast<std::uint32_t>(data.size()));
}

// The kinds heard since the connection was made, as "Xk m" for a quick look.
std::string kinds(const std::vector<Heard>& frames) {
    std::string out;
    for (const Heard& h : frames) out += h.kind;
    return out;
}

std::string callField(std::string call) {
    call.resize(10, '\0');
    return call;
}

struct Client {
    QTemporaryDir dir;
    QtDevicePort port;
    std::unique_ptr<LinkSession> session;
    std::string rx, tx;
    QStringList decoded;

    explicit Client(quint16 serverPort) {
        writeFile(dir.filePath("Quilmo.ini"), "DEVICE=agw://127.0.0.1:" + QByteArray::number(serverPort) +
                                                  "\nAPRS=1\nMYCALL=N0CALL-7\nUNPROTO=APZQLM VIA WIDE1-1\n");
        port.tcp().setRetryDelays(50, 400);
        session = std::make_unique<LinkSession>(dir.path().toStdString(), port, [] { return LocalTime{2026, 12, 5, 14, 15, 3}; });
        LinkSession* s = session.get();
        QObject::connect(s, &LinkSession::received, [this](const std::string& t) { rx += t; });
        QObject::connect(s, &LinkSession::sent, [this](const std::string& t) { tx += t; });
        QObject::connect(s, &LinkSession::packetDecoded,
                         [this](const DecodedPacket& p) { decoded << QString::fromStdString(p.station.station); });
        s->readSettings();
        s->prepareLogSwitches();
        s->writeLogHeaders();
        s->openPort();
        s->startAprs();
    }
    bool type(const std::string& text) { return session->transmit(text, {}) == LinkSession::Transmit::Sent; }
};

}  // namespace

class AgwSessionTest : public QObject {
    Q_OBJECT
private slots:
    void registersHearsConnectsAndSendsUiFrames() {
        FarServer agw;
        QVERIFY(agw.listen());
        Client c(agw.port);
        const auto heard = [&agw] { return framesIn(agw.collect()); };

        // Every connection: MYCALL registered, raw frames and the monitor asked for.
        QTRY_VERIFY(agw.accepted());
        QTRY_COMPARE(kinds(heard()), std::string("Xkm"));
        QCOMPARE(heard().front().from, std::string("N0CALL-7"));
        QVERIFY(c.session->tnc() != nullptr);

        // A raw frame heard is a monitor line and a decoded packet, as from a KISS TNC.
        agw.send(frame('K', "W1AW", "APRS", std::string(1, '\0') + encodeMonitorLine("W1AW>APRS:!4430.60N/01120.10E>").frame));
        QTRY_VERIFY(c.rx.find("W1AW>APRS:!4430.60N/01120.10E>\r\n") != std::string::npos);
        QTRY_COMPARE(c.decoded, QStringList{"W1AW"});

        // The command line connects through the server and talks on the link it made.
        agw.received.clear();
        QVERIFY(c.type("C N0BBB\r\n"));
        QTRY_COMPARE(kinds(heard()), std::string("C"));
        QCOMPARE(heard().front().from + ">" + heard().front().to, std::string("N0CALL-7>N0BBB"));
        agw.send(frame('C', "N0BBB", "N0CALL-7", "*** CONNECTED To Station N0BBB\r"));
        QTRY_VERIFY(c.rx.find("*** CONNECTED to N0BBB\r\n") != std::string::npos);
        agw.received.clear();
        QVERIFY(c.type("hello\r\n"));
        QTRY_COMPARE(kinds(heard()), std::string("D"));
        QCOMPARE(heard().front().data, std::string("hello\r"));
        QCOMPARE(heard().front().pid, 0xF0);
        agw.send(frame('D', "N0BBB", "N0CALL-7", "welcome\r"));
        QTRY_VERIFY(c.rx.find("welcome\r") != std::string::npos);

        // The server gone and back: the stream ends, and MYCALL is registered again.
        QVERIFY(agw.restart());
        QTRY_VERIFY(c.rx.find("*** DISCONNECTED\r\n") != std::string::npos);
        QTRY_VERIFY_WITH_TIMEOUT(agw.accepted(), 5000);
        QTRY_COMPARE(kinds(heard()), std::string("Xkm"));

        // A message goes through the UNPROTO path as 'V', the information as KISS carries it.
        agw.received.clear();
        QVERIFY(c.session->station()->messaging().send("W1AW", "hi").accepted);
        QTRY_COMPARE(kinds(heard()), std::string("V"));
        const Heard v = heard().front();
        QCOMPARE(v.from + ">" + v.to, std::string("N0CALL-7>APZQLM"));
        QCOMPARE(v.data, std::string(1, '\1') + callField("WIDE1-1") + ":W1AW     :hi{1");
        QVERIFY(c.tx.find(":W1AW     :hi{1\r\n") != std::string::npos);

        // Converse text with no connection: a UI frame straight to its destination, as 'M'.
        agw.received.clear();
        QVERIFY(c.type("U CQ\r\nK\r\nhello all\r\n"));
        QTRY_COMPARE(kinds(heard()), std::string("M"));
        QCOMPARE(heard().front().from + ">" + heard().front().to + ":" + heard().front().data, std::string("N0CALL-7>CQ:hello all"));

        // A length no server sends: the stream is out of step, and the connection is made afresh.
        const QTcpSocket* before = agw.client;
        agw.send(frame('K', "", "", "", 70000) + std::string(100, 'x'));
        QTRY_VERIFY_WITH_TIMEOUT(agw.accepted() && agw.client != before, 5000);
        QTRY_COMPARE(kinds(heard()), std::string("Xkm"));
        QCOMPARE(c.session->portState(), PortState::Open);
    }
};

QTEST_GUILESS_MAIN(AgwSessionTest)
#include "agw_session_test.moc"

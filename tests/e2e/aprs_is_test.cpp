// An APRS-IS server played by the test on 127.0.0.1, reached through the program's own
// device port by the session: the login on every connect with its passcode hidden from
// the Tx view and log, the server's comment lines shown and never decoded, nothing sent
// before our own call is verified, a message and its ack both ways, and an unverified
// login kept receive-only with a notice until a later connection is verified. Then
// servers that misbehave: one that greets and hangs up, one that never answers the login.
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>

#include "app/aprs_station.h"
#include "app/link_session.h"
#include "platform/qt_device_port.h"
#include "far_server.h"
#include "qt_files.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const std::string kLogHeader = "------------- 2026-12-05  14:15 -----------------\r\n";
const std::string kLogin = "user N0CALL-7 pass 12345 vers Quilmo " QUILMO_TEST_VERSION " filter r/44.49/11.34/100\r\n";
const std::string kLoginShown = "user N0CALL-7 pass ***** vers Quilmo " QUILMO_TEST_VERSION " filter r/44.49/11.34/100\r\n";
const std::string kReceiveOnly = "APRS-IS: the server did not verify the login (check MYCALL= and PASSCODE=): receive only.";

std::string stateOf(Messaging& messaging, std::int64_t id) { return messageStateText(*messaging.message(id)); }

// The session logged in to 127.0.0.1:`serverPort` as N0CALL-7, started as the program
// starts it, the Tx log on; what it tells is recorded, and at every loss the wait the
// port has set itself before the next try.
struct Client {
    QTemporaryDir dir;
    QtDevicePort port;
    std::unique_ptr<LinkSession> session;
    std::string rx, tx;
    QStringList decoded;
    QList<int> waits;

    explicit Client(quint16 serverPort, int answerWait = 0, int proven = 30000) {
        writeFile(dir.filePath("Quilmo.ini"), "DEVICE=aprsis://127.0.0.1:" + QByteArray::number(serverPort) +
                                                  "\nAPRS=1\nSAVETX=1\nMYCALL=N0CALL-7\nPASSCODE=12345\n"
                                                  "MYLAT=44\xb0" "29'30\"N\nMYLONG=11\xb0" "20'15\"E\n");
        port.tcp().setRetryDelays(50, 400, proven);  // the test waits for whole tries, not for a time
        session = std::make_unique<LinkSession>(dir.path().toStdString(), port, [] { return LocalTime{2026, 12, 5, 14, 15, 3}; });
        if (answerWait > 0) session->setAprsIsAnswerWait(answerWait);
        LinkSession* s = session.get();
        QObject::connect(s, &LinkSession::received, [this](const std::string& t) { rx += t; });
        QObject::connect(s, &LinkSession::sent, [this](const std::string& t) { tx += t; });
        QObject::connect(s, &LinkSession::packetDecoded,
                         [this](const DecodedPacket& p) { decoded << QString::fromStdString(p.station.station); });
        QObject::connect(s, &LinkSession::portStateChanged, [this, s] {
            if (s->portState() == PortState::Lost) waits << port.tcp().nextRetryDelay();
        });
        s->readSettings();
        s->prepareLogSwitches();
        s->logSwitched(false, true);  // the window ticks "save Tx" as Quilmo.ini says
        s->writeLogHeaders();
        s->openPort();
        s->startAprs();
    }
    Messaging& messaging() { return session->station()->messaging(); }
    std::string txLog() const { return readFile(dir.filePath("$log_tx.txt")).toStdString(); }
};

// A server that deals with every client the moment it connects (greets it, and hangs up if `hangUp`), and
// hears every login.
struct QuickServer {
    QTcpServer server;
    std::string greeting;
    bool hangUp = true;
    int accepted = 0;
    std::string heard;
    QTcpSocket* last = nullptr;

    bool listen() {
        if (!server.listen(QHostAddress::LocalHost, 0)) return false;
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* client = server.nextPendingConnection()) {
                ++accepted;
                last = client;
                QObject::connect(client, &QTcpSocket::readyRead, [this, client] { heard += client->readAll().toStdString(); });
                client->write(greeting.data(), static_cast<qint64>(greeting.size()));
                client->flush();
                if (hangUp) client->disconnectFromHost();
            }
        });
        return true;
    }
    quint16 port() const { return server.serverPort(); }
    qsizetype logins() const { return QString::fromStdString(heard).count(QString::fromStdString(kLogin)); }
};

}  // namespace

class AprsIsTest : public QObject {
    Q_OBJECT
private slots:
    void loginAnswersMessagesAndReconnects() {
        FarServer is;
        QVERIFY(is.listen());
        Client c(is.port);
        LinkSession& session = *c.session;
        Messaging& messaging = c.messaging();

        // The server gets the passcode; the Tx view and the Tx log never show it.
        QTRY_VERIFY(is.accepted());
        QTRY_COMPARE(is.collect(), kLogin);
        QCOMPARE(c.tx, kLoginShown);
        QVERIFY(!session.linkCanSend());
        const std::int64_t first = messaging.send("W1AW", "first").id;
        QCOMPARE(stateOf(messaging, first), std::string("waiting for the link"));

        const std::string comments = "# aprsc 2.1.14-g5e22b37\r\n# W1AW>APRS:>not a packet\r\n"
                                     "# logresp N0CALL-7 verified, server T2TEST\r\n";
        is.send(comments);
        QTRY_COMPARE(c.rx, comments);
        QVERIFY(session.linkCanSend());
        const std::string firstOut = "N0CALL-7>APZQLM,TCPIP*::W1AW     :first{1\r\n";
        QTRY_COMPARE(is.collect(), kLogin + firstOut);
        QCOMPARE(c.tx, kLoginShown + firstOut);
        QCOMPARE(c.decoded, QStringList());  // the server's lines are never packets

        is.send("W1AW>APRS,TCPIP*,qAC,T2TEST::N0CALL-7 :ack1\r\nW1AW>APRS,TCPIP*,qAC,T2TEST::N0CALL-7 :there?{7\r\n");
        const std::string ackOut = "N0CALL-7>APZQLM,TCPIP*::W1AW     :ack7\r\n";
        QTRY_COMPARE(is.collect(), kLogin + firstOut + ackOut);
        QCOMPARE(stateOf(messaging, first), std::string("acknowledged"));
        QCOMPARE(c.decoded, (QStringList{"W1AW", "W1AW"}));
        QCOMPARE(session.notices().text(), std::string());

        // A new connection logs in again and sends nothing before its own answer, though
        // the last one was verified.
        QVERIFY(is.restart());
        QTRY_VERIFY(is.accepted());
        QTRY_COMPARE(is.collect(), kLogin);
        QVERIFY(!session.linkCanSend());
        const std::int64_t second = messaging.send("W1AW", "second").id;
        QCOMPARE(stateOf(messaging, second), std::string("waiting for the link"));

        // An unverified answer keeps it receive-only, and so does one that verified
        // another station; each time the next connection logs in again.
        for (const std::string answer : {"# logresp N0CALL-7 unverified, server T2TEST\r\n",
                                         "# logresp W1AW-9 verified, server T2TEST\r\n"}) {
            is.send(answer);
            QTRY_VERIFY(c.rx.ends_with(answer));
            QCOMPARE(session.notices().text(), kReceiveOnly);
            QVERIFY2(!session.linkCanSend(), answer.c_str());
            QCOMPARE(stateOf(messaging, second), std::string("waiting for the link"));
            QCOMPARE(is.collect(), kLogin);  // nothing followed the login
            QVERIFY(is.restart());
            QTRY_VERIFY(is.accepted());
            QTRY_COMPARE(is.collect(), kLogin);
        }
        QCOMPARE(c.tx, kLoginShown + firstOut + ackOut + kLoginShown + kLoginShown + kLoginShown);

        // Verified: the notice goes, the waiting message goes out.
        is.send("# logresp N0CALL-7 verified, server T2TEST\r\n");
        const std::string secondOut = "N0CALL-7>APZQLM,TCPIP*::W1AW     :second{2\r\n";
        QTRY_COMPARE(is.collect(), kLogin + secondOut);
        QCOMPARE(session.notices().text(), std::string());
        session.exitSequence();
        QCOMPARE(c.txLog(), kLogHeader + c.tx);
        QVERIFY(c.txLog().find("12345") == std::string::npos);
    }

    // A greeting proves nothing: a server that greets and hangs up is tried less and less
    // often, each try a login. Only a verified login makes the waits start short again.
    void serverThatGreetsAndHangsUp_backsOffUntilVerified() {
        QuickServer is;
        is.greeting = "# aprsc 2.1.14-g5e22b37\r\n";
        QVERIFY(is.listen());
        Client c(is.port());
        QTRY_VERIFY(c.waits.size() >= 4);
        QCOMPARE(c.waits.mid(0, 4), (QList<int>{100, 200, 400, 400}));
        QVERIFY(c.rx.find("# aprsc") != std::string::npos);  // greeted before each hang-up

        is.greeting += "# logresp N0CALL-7 verified, server T2TEST\r\n";
        is.hangUp = false;
        QTRY_VERIFY(c.session->linkCanSend());
        const qsizetype losses = c.waits.size();
        is.last->disconnectFromHost();
        QTRY_COMPARE(c.waits.size(), losses + 1);
        QCOMPARE(c.waits.last(), 100);
        c.session->exitSequence();
    }

    // A login nobody answers is not left listening: the notice says so and the connection
    // is made again, less and less often, even when each one stayed up long enough to
    // count as working. The answer that finally comes clears the notice.
    void loginNeverAnswered_noticeAndNewConnectionWithBackOff() {
        QuickServer is;
        is.greeting = "# aprsc 2.1.14-g5e22b37\r\n";
        is.hangUp = false;
        QVERIFY(is.listen());
        Client c(is.port(), 150, 100);
        QTRY_COMPARE(c.session->notices().text(), std::string("APRS-IS: no answer to the login"));
        QTRY_VERIFY(c.waits.size() >= 3);
        QCOMPARE(c.waits.mid(0, 3), (QList<int>{100, 200, 400}));
        QTRY_COMPARE(is.logins(), qsizetype(is.accepted));  // every connection logged in, once
        QVERIFY(!c.session->linkCanSend());

        is.greeting += "# logresp N0CALL-7 verified, server T2TEST\r\n";
        QTRY_VERIFY(c.session->linkCanSend());
        QCOMPARE(c.session->notices().text(), std::string());
        c.session->exitSequence();
    }
};

QTEST_GUILESS_MAIN(AprsIsTest)
#include "aprs_is_test.moc"

// An APRS-IS server played by the test on 127.0.0.1, reached through the program's own
// device port by the session: the login on every connect, the server's comment lines
// shown and never decoded, nothing sent before "verified", a message and its ack both
// ways, and an unverified login kept receive-only with a notice until a later connection
// is verified.
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <string>

#include "app/aprs_station.h"
#include "app/link_session.h"
#include "platform/qt_device_port.h"
#include "far_server.h"
#include "qt_files.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

std::string stateOf(Messaging& messaging, std::int64_t id) { return messageStateText(*messaging.message(id)); }

}  // namespace

class AprsIsTest : public QObject {
    Q_OBJECT
private slots:
    void loginAnswersMessagesAndReconnects() {
        FarServer is;
        QVERIFY(is.listen());
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath("Quilmo.ini"),
                                "DEVICE=aprsis://127.0.0.1:" + QByteArray::number(is.port) +
                                    "\nAPRS=1\nMYCALL=N0CALL-7\nPASSCODE=12345\nMYLAT=44\xb0" "29'30\"N\nMYLONG=11\xb0" "20'15\"E\n"));
        QtDevicePort port;
        port.tcp().setRetryDelays(50, 400);  // the test waits for whole tries, not for a time
        LinkSession session(dir.path().toStdString(), port, [] { return LocalTime{2026, 12, 5, 14, 15, 3}; });
        std::string rx, tx;
        QStringList decoded;
        connect(&session, &LinkSession::received, [&rx](const std::string& t) { rx += t; });
        connect(&session, &LinkSession::sent, [&tx](const std::string& t) { tx += t; });
        connect(&session, &LinkSession::packetDecoded,
                [&decoded](const DecodedPacket& p) { decoded << QString::fromStdString(p.station.station); });
        session.readSettings();
        session.openPort();
        session.startAprs();
        Messaging& messaging = session.station()->messaging();

        const std::string login = "user N0CALL-7 pass 12345 vers Quilmo " QUILMO_TEST_VERSION " filter r/44.49/11.34/100\r\n";
        QTRY_VERIFY(is.accepted());
        QTRY_COMPARE(is.collect(), login);
        QCOMPARE(tx, login);
        QVERIFY(!session.linkCanSend());
        const std::int64_t first = messaging.send("W1AW", "first").id;
        QCOMPARE(stateOf(messaging, first), std::string("waiting for the link"));

        const std::string comments = "# aprsc 2.1.14-g5e22b37\r\n# W1AW>APRS:>not a packet\r\n"
                                     "# logresp N0CALL-7 verified, server T2TEST\r\n";
        is.send(comments);
        QTRY_COMPARE(rx, comments);
        QVERIFY(session.linkCanSend());
        const std::string firstOut = "N0CALL-7>APZQLM,TCPIP*::W1AW     :first{1\r\n";
        QTRY_COMPARE(is.collect(), login + firstOut);
        QCOMPARE(tx, login + firstOut);
        QCOMPARE(decoded, QStringList());  // the server's lines are never packets

        is.send("W1AW>APRS,TCPIP*,qAC,T2TEST::N0CALL-7 :ack1\r\nW1AW>APRS,TCPIP*,qAC,T2TEST::N0CALL-7 :there?{7\r\n");
        const std::string ackOut = "N0CALL-7>APZQLM,TCPIP*::W1AW     :ack7\r\n";
        QTRY_COMPARE(is.collect(), login + firstOut + ackOut);
        QCOMPARE(stateOf(messaging, first), std::string("acknowledged"));
        QCOMPARE(decoded, (QStringList{"W1AW", "W1AW"}));
        QCOMPARE(session.notices().text(), std::string());

        // A new connection logs in again, and an unverified answer keeps it receive-only.
        QVERIFY(is.restart());
        QTRY_VERIFY(is.accepted());
        QTRY_COMPARE(is.collect(), login);
        is.send("# logresp N0CALL-7 unverified, server T2TEST\r\n");
        const std::string receiveOnly =
            "APRS-IS: the server did not verify the login (check MYCALL= and PASSCODE=): receive only.";
        QTRY_COMPARE(session.notices().text(), receiveOnly);
        QVERIFY(!session.linkCanSend());
        const std::int64_t second = messaging.send("W1AW", "second").id;
        QCOMPARE(stateOf(messaging, second), std::string("waiting for the link"));
        QCOMPARE(tx, login + firstOut + ackOut + login);  // every write shows here: nothing else went out

        // Verified on the next connection: the notice goes, the waiting message goes out.
        QVERIFY(is.restart());
        QTRY_VERIFY(is.accepted());
        QTRY_COMPARE(is.collect(), login);
        is.send("# logresp N0CALL-7 verified, server T2TEST\r\n");
        QTRY_COMPARE(is.collect(), login + "N0CALL-7>APZQLM,TCPIP*::W1AW     :second{2\r\n");
        QCOMPARE(session.notices().text(), std::string());
        session.exitSequence();
    }
};

QTEST_GUILESS_MAIN(AprsIsTest)
#include "aprs_is_test.moc"

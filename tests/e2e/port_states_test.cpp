// The port as the user meets it: the real main window on the real port, a TCP server or a
// pseudo-terminal playing the TNC, and the built program on the simulator. Connect,
// receive and decode, send, lose the link in the middle of a line and get it back,
// refused at start-up, bad device texts, and what the status line says meanwhile.
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "main_window_harness.h"
#include "platform/qt_device_port.h"
#include "pty_far_end.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

using Window = BasicHarness<QtDevicePort>;

const std::string kCut = "N0CALL>APRS:>cut off in the mi";
const std::string kPosition = "SRC>DEST,PATH:!4430.60N/01120.10E-text\r\n";
const std::string kRecord =
    "------- 2026-12-05 14:15 ------\r\nSRC>DEST,PATH:\r\nlat./lon.: 44\xb0" "30'36\"N 11\xb0" "20'6\"E\r\n"
    "dec.coord: 44.51 11.335\r\nstation..: Home\r\nmessage..: text\r\n\r\n";
const std::string kPlacemark = "<coordinates>11.335,44.51,0</coordinates>";
const std::string kKml = "kml/$20261205_1415.kml";

// The TNC behind a network port: a listening server and its latest client.
struct FarServer {
    QTcpServer server;
    QTcpSocket* client = nullptr;
    std::string received;

    bool listen(quint16 port = 0) { return server.listen(QHostAddress::LocalHost, port); }
    std::string deviceText() const { return "tcp://127.0.0.1:" + std::to_string(server.serverPort()); }
    // True once a client is connected; made for QTRY_VERIFY.
    bool accepted() {
        if (server.hasPendingConnections()) {
            client = server.nextPendingConnection();
            received.clear();
        }
        return client != nullptr && client->state() == QAbstractSocket::ConnectedState;
    }
    void send(const std::string& bytes) const {
        client->write(bytes.data(), static_cast<qint64>(bytes.size()));
        client->flush();
    }
    const std::string& collect() {
        if (client != nullptr) received += client->readAll().toStdString();
        return received;
    }
    // The server goes away altogether: no listener, the connection cut.
    void drop() {
        server.close();
        if (client != nullptr) client->abort();
        client = nullptr;
    }
};

// A port on 127.0.0.1 that nobody listens on, as long as the test does not.
quint16 closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) qFatal("no free port on 127.0.0.1");
    return probe.serverPort();
}

QString status(const Window& h) { return h.find<QLabel>("Label6")->text(); }

// Waits for whole tries of the port, not for a fixed time.
void quickRetries(Window& h) {
    h.port.tcp().setRetryDelays(50, 400);
    h.port.serial().setReconnectInterval(100);
}

// APRS start and the filter window's OK, as the user does it.
void startAprs(Window& h) {
    h.click("Label32");
    QWidget* filter = nullptr;
    QTRY_VERIFY((filter = h.window->findChild<QWidget*>("Form2")) != nullptr && filter->isVisible());
    QTest::mouseClick(filter->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTRY_VERIFY(!filter->isVisible());
}

}  // namespace

class PortStatesTest : public QObject {
    Q_OBJECT
private slots:
    void tcp_receiveDecodeSendLoseMidLineReconnect() {
        FarServer tnc;
        QVERIFY(tnc.listen());
        Window h;
        quickRetries(h);
        const QString open = QString::fromStdString(tnc.deviceText() + "  buffer:512/32");
        h.start("DEVICE=" + tnc.deviceText() + "\nAPRS=1\nSAVERX=1\nBAUD=9600\nXONXOFF=1\n");
        QTRY_VERIFY(tnc.accepted());
        QTRY_COMPARE(status(h), open);
        QVERIFY(h.messages.isEmpty());

        startAprs(h);
        QTRY_COMPARE(tnc.collect(), std::string("\x13\x11"));  // XOFF and XON go out as bytes
        QTest::keyClicks(h.find("Text3"), "CONNECT W1AW");
        QTest::keyClick(h.find("Text3"), Qt::Key_Return);
        QTRY_COMPARE(tnc.collect(), std::string("\x13\x11" "CONNECT W1AW\r\n"));

        tnc.send(kPosition + kCut);
        QTRY_COMPARE(h.window->rxView().text(), kPosition + kCut);
        QCOMPARE(h.window->aprsView().text(), kRecord);

        const quint16 port = tnc.server.serverPort();
        tnc.drop();
        QTRY_VERIFY(status(h).endsWith("  - lost, reconnecting"));
        QTRY_VERIFY(h.port.tcp().waitingToRetry());  // nothing but a timer between tries
        QVERIFY(!h.port.isOpen());
        QVERIFY(tnc.listen(port));
        QTRY_VERIFY(tnc.accepted());
        QTRY_COMPARE(status(h), open);

        // The first packet after the return decodes on its own: the cut line is not glued to it.
        tnc.send(kPosition);
        QTRY_COMPARE(h.window->aprsView().text(), kRecord + kRecord);
        QCOMPARE(h.window->rxView().text(), kPosition + kCut + kPosition);
        const QByteArray kml = QByteArray::fromStdString(h.readFile(kKml));
        QCOMPARE(kml.count(kPlacemark.c_str()), 2);
        h.window->exitSequence();
        QVERIFY(h.readFile("$log_rx.txt").ends_with(kPosition + kCut + kPosition));
        QVERIFY(h.messages.isEmpty());
    }

    void tcp_refusedAtStartUpBoxOnceThenConnects() {
        const quint16 port = closedPort();
        const std::string device = "tcp://127.0.0.1:" + std::to_string(port);
        Window h;
        quickRetries(h);
        h.start("DEVICE=" + device + "\n");
        QTRY_COMPARE(h.messages, QStringList{QString::fromStdString("Quilmo: " + device + "\r\nConnection refused")});
        QCOMPARE(status(h), QString::fromStdString(device + "  buffer:512/32  - connecting"));
        QTRY_VERIFY(h.port.tcp().waitingToRetry());

        FarServer tnc;
        QVERIFY(tnc.listen(port));
        QTRY_VERIFY(tnc.accepted());
        QTRY_COMPARE(status(h), QString::fromStdString(device + "  buffer:512/32"));
        tnc.send("# server greeting\r\n");
        QTRY_COMPARE(h.window->rxView().text(), std::string("# server greeting\r\n"));
        QCOMPARE(h.messages.size(), 1);  // the quiet retries never asked again
    }

    void badDeviceText_boxWithReasonNotOpenNoRetry_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no port") << "tcp://localhost" << "No port given: write tcp://HOST:PORT, for example tcp://localhost:8001";
        QTest::newRow("port 0") << "tcp://localhost:0" << "Port 0 is out of range: it must be from 1 to 65535";
        QTest::newRow("port 65536") << "tcp://localhost:65536" << "Port 65536 is out of range: it must be from 1 to 65535";
        QTest::newRow("empty host") << "tcp://:8001" << "No host given: write tcp://HOST:PORT, for example tcp://localhost:8001";
    }
    void badDeviceText_boxWithReasonNotOpenNoRetry() {
        QFETCH(QString, device);
        QFETCH(QString, reason);
        Window h;
        h.start("DEVICE=" + device.toStdString() + "\n");
        QCOMPARE(h.messages, QStringList{"Quilmo: " + device + "\r\n" + reason});
        QCOMPARE(status(h), device + "  buffer:512/32  - not open");
        QCOMPARE(h.port.state(), PortState::NotOpen);
        QVERIFY(!h.port.tcp().waitingToRetry());
    }

    // The status line is 6135 twips wide; a long device path gives way, the state does not.
    void longPath_stateStaysVisible() {
        Window h;
        const QString missing = h.path(std::string(120, 'd') + "/ttyUSB0");
        h.start("DEVICE=" + missing.toStdString() + "\nXONXOFF=1\nRTS=1\n");
        QCOMPARE(h.messages.size(), 1);
        auto* label = h.find<QLabel>("Label6");
        QVERIFY2(label->text().endsWith(",XonXoff,RTS  buffer:512/32  - not open"), qPrintable(label->text()));
        QVERIFY(label->text().contains(QChar(0x2026)));  // the path, shortened in its middle
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width());
        QVERIFY(label->toolTip().startsWith(missing));
        // Not shrunk out of sight: the size of every other caption of the window.
        QCOMPARE(label->font().pointSizeF(), h.find<QLabel>("Label7")->font().pointSizeF());
    }

    // A pty that vanishes in the middle of a line and comes back under the same name.
    void serial_replugMidLine_firstPacketDecodesAlone() {
        QTemporaryDir dir;
        const std::string link = QDir(dir.path()).filePath("tnc").toStdString(), next = link + ".new";
        const auto plugIn = [&](FarEnd& tnc) {
            return tnc.openPair() && ::symlink(tnc.slavePath.c_str(), next.c_str()) == 0 &&
                   ::rename(next.c_str(), link.c_str()) == 0;
        };
        FarEnd first, second;
        QVERIFY(plugIn(first));
        Window h;
        quickRetries(h);
        h.start("DEVICE=" + link + "\nAPRS=1\n");
        const QString open = status(h);
        startAprs(h);
        QVERIFY(first.send(kCut));
        QTRY_COMPARE(h.window->rxView().text(), kCut);

        first.close();
        QTRY_VERIFY(status(h).endsWith("  - device lost, waiting"));
        QVERIFY(plugIn(second));
        QTRY_COMPARE(status(h), open);
        QVERIFY(second.send(kPosition));
        QTRY_COMPARE(h.window->aprsView().text(), kRecord);
        QCOMPARE(h.window->rxView().text(), kCut + kPosition);
        QVERIFY(h.readFile(kKml).find(kPlacemark) != std::string::npos);
    }

    // The built program on tnc-sim --tcp: started before the simulator, it keeps trying;
    // the simulator stopped and started again, it comes back and the replay goes on.
    void binary_onSimulatorThatComesGoesAndReturns() {
        QTemporaryDir dir;
        const QString binary = dir.filePath("quilmo"), capture = dir.filePath("capture.txt");
        QVERIFY(QFile::copy(QStringLiteral(QUILMO_BINARY), binary));
        const quint16 port = closedPort();
        const auto write = [&](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        QByteArray lines;
        for (int n = 1; n <= 12; ++n) lines += QStringLiteral("N%1CALL>APRS:>line %1 of the replay\n").arg(n, 2, 10, QChar('0')).toLatin1();
        QVERIFY(write(capture, lines));
        QVERIFY(write(dir.filePath("Quilmo.ini"), "DEVICE=tcp://127.0.0.1:" + QByteArray::number(port) + "\nSAVERX=1\n"));
        const auto rxLog = [&] {
            QFile f(dir.filePath("$log_rx.txt"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const auto simulator = [&](QProcess& sim) {
            sim.start(QStringLiteral(TNC_SIM), {"--tcp", QString::number(port), "--lps", "100", capture});
            return sim.waitForReadyRead(10000) && sim.readLine().trimmed() == "tcp://127.0.0.1:" + QByteArray::number(port);
        };

        QProcess program;
        program.setWorkingDirectory(dir.path());
        program.start(binary, {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(rxLog().startsWith("------------- "), 20000);  // running, refused

        QProcess sim;
        QVERIFY(simulator(sim));
        QTRY_VERIFY_WITH_TIMEOUT(rxLog().contains("N10CALL>APRS:>line 10 of the replay\r\n"), 20000);
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
        QVERIFY(simulator(sim));
        QTRY_COMPARE_WITH_TIMEOUT(rxLog().count("N10CALL>APRS:>line 10 of the replay\r\n"), 2, 30000);
        QCOMPARE(program.state(), QProcess::Running);
        sim.terminate();
        program.terminate();
        QVERIFY(sim.waitForFinished(10000) && program.waitForFinished(10000));
    }
};

QTEST_MAIN(PortStatesTest)
#include "port_states_test.moc"

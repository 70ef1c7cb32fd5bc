// The port as the user meets it. The real QSerialPort against a pseudo-terminal that
// plays the TNC: first the port alone, behind the device port the program uses, then the
// main window on it. The real main window on the device port with a TCP server playing
// the TNC, and the built program on the simulator: connect, receive and decode, send,
// lose the link in the middle of a line and get it back, refused at start-up, bad device
// texts, and what the status line says meanwhile. Last, tnc-sim --kiss as a program sees
// it: the capture arrives as KISS UI frames, and frames sent to it come out as monitor
// lines on its standard output.
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <ctime>
#include <vector>

#include "app/settings_window.h"
#include "main_window_harness.h"
#include "platform/qt_device_port.h"
#include "platform/qt_serial_port.h"
#include "far_server.h"
#include "pty_far_end.h"
#include "qt_files.h"
#include "terminal/ax25.h"
#include "terminal/kiss.h"
#include "terminal/kiss_monitor.h"

using namespace quilmo;
using namespace quilmo::test;
using namespace std::string_literals;

namespace {

using Window = BasicHarness<QtDevicePort>;

const std::string kCut = "N0CALL>APRS:>cut off in the mi";
const std::string kPlacemark = "<coordinates>11.335,44.51,0</coordinates>";


// A port on 127.0.0.1 that nobody listens on, as long as the test does not.
quint16 closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) qFatal("no free port on 127.0.0.1");
    return probe.serverPort();
}

QString status(const Window& h) { return h.find<QLabel>("Label6")->text(); }


}  // namespace

class PortStatesTest : public QObject {
    Q_OBJECT
private slots:
    // The reopened port must be set up as raw as the first: every byte value both ways.
    void serial_deviceLoss_closesWithoutSpinningAndReconnectsRaw() {
        QTemporaryDir dir;
        const std::string link = QDir(dir.path()).filePath("tnc").toStdString();
        FarEnd first, second;
        QVERIFY(first.plugInAs(link));
        QtDevicePort port;
        std::string received;
        std::vector<bool> events;
        port.onReceive = [&] { received += port.readAll(); };
        port.onConnectionChanged = [&](bool up) { events.push_back(up); };
        std::string error;
        // The pty refuses the modem lines; the port must open anyway.
        QVERIFY2(port.open({.devicePath = link, .rtsOn = true}, error), error.c_str());
        port.serial().setReconnectInterval(500);

        first.close();
        QTRY_COMPARE(events, std::vector<bool>{false});
        QVERIFY(port.serial().waitingForDevice());
        const std::clock_t cpuBefore = std::clock();  // processor time of this process
        QElapsedTimer wall;
        wall.start();
        QVERIFY(second.plugInAs(link));
        QTRY_COMPARE(events, (std::vector<bool>{false, true}));
        // A port left open on a vanished device reports errors in a tight loop: until the
        // next attempt the program must be mostly idle.
        const double busy = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC / static_cast<double>(wall.elapsed());
        QVERIFY2(busy < 0.5, qPrintable(QString("CPU share while waiting for the device: %1").arg(busy)));

        std::string all;
        for (int b = 0; b < 4 * 256; ++b) all += static_cast<char>(b);
        QVERIFY(second.send(all));
        QTRY_COMPARE(received, all);
        port.write(all);
        QTRY_COMPARE(second.collect(), all);

        second.close();  // closing while waiting stops the search
        QTRY_VERIFY(port.serial().waitingForDevice());
        port.close();
        QVERIFY(!port.serial().waitingForDevice());
    }

    // A USB TNC plugged in after the start: the box says where the settings are, the
    // device is waited for without a busy loop, text typed meanwhile is refused and kept,
    // and the device is opened as soon as it is there.
    void serial_missingAtStartOpenedWhenPluggedIn() {
        QTemporaryDir dir;
        const std::string link = QDir(dir.path()).filePath("ttyUSB0").toStdString();
        Window h;
        h.start("DEVICE=" + link + "\n");
        QCOMPARE(h.messages.size(), 1);
        QVERIFY2(h.messages.front().contains("No such file or directory\r\nSet DEVICE= in " + h.path("Quilmo.ini")),
                 qPrintable(h.messages.front()));
        QVERIFY2(status(h).endsWith("  - device lost, waiting"), qPrintable(status(h)));
        QVERIFY(h.port.serial().waitingForDevice());
        h.send("hello");
        QCOMPARE(h.messages.size(), 2);
        QVERIFY(h.messages.back().contains("Nothing was sent"));
        QCOMPARE(h.text("Text3"), QString("hello\n"));
        QCOMPARE(h.window->txHistory().text(), std::string());

        FarEnd tnc;
        QVERIFY(tnc.plugInAs(link));
        QTRY_VERIFY2(!status(h).contains(" - "), qPrintable(status(h)));
        QVERIFY(tnc.send("cmd:\r\n"));
        QTRY_COMPARE(h.window->rxView().text(), std::string("cmd:\r\n"));
        QTest::keyClick(h.find("Text3"), Qt::Key_F12);
        QTRY_COMPARE(tnc.collect(), std::string("hello\r\n"));
        QCOMPARE(h.messages.size(), 2);
    }

    // The window on the real port: received bytes shown as they came, then a typed line
    // and every byte but NUL, CR and LF from a macro to the wire, the Tx history and the Tx log.
    void serial_windowReceivesAndSendsEveryByte() {
        std::string bytes;
        for (int b = 1; b <= 255; ++b) {
            if (b != '\r' && b != '\n') bytes += static_cast<char>(b);
        }
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        BasicHarness<QtSerialPortImpl> h;
        h.writeFile("macro1.txt", bytes);
        h.start("DEVICE=" + tnc.slavePath + "\nBAUD=9600\nSAVETX=1\n");
        QVERIFY(h.messages.isEmpty());
        const std::string received = "cmd:\r\nN0CALL>APRS:>44\xb0 ok\r\n\x07\x00" "end"s;
        QVERIFY(tnc.send(received));
        QTRY_COMPARE(h.window->rxView().text(), received);
        QCOMPARE(h.text("Text1"), QString::fromUtf8("cmd:\nN0CALL>APRS:>44° ok\n^G^@end"));

        h.send("CONNECT W1AW");
        for (const Qt::Key key : {Qt::Key_F1, Qt::Key_F12}) QTest::keyClick(h.find("Text3"), key);
        const std::string sent = "CONNECT W1AW\r\n" + bytes;
        QTRY_COMPARE(tnc.collect(), sent);
        QCOMPARE(h.window->txHistory().text(), sent);
        QCOMPARE(h.readFile("$log_tx.txt"), kLogHeader + sent);
    }

    // A new DEVICE saved in the settings window moves the link at once: the first device
    // hears nothing more, the second gets the next line, and what it sends is shown.
    void settings_newDeviceMovesTheLinkWithoutARestart() {
        FarEnd first, second;
        QVERIFY(first.openPair() && second.openPair());
        Window h;
        h.start("DEVICE=" + first.slavePath + "\r\nBAUD=9600\r\n");
        h.send("ONE");
        QTRY_COMPARE(first.collect(), "ONE\r\n"s);
        h.window->openSettingsWindow();
        SettingsWindow* settings = h.window->settingsWindow();
        qobject_cast<QLineEdit*>(settings->editor("DEVICE"))->setText(QString::fromStdString(second.slavePath));
        QVERIFY(settings->save());
        QCOMPARE(h.readFile("Quilmo.ini"), "DEVICE=" + second.slavePath + "\r\nBAUD=9600\r\n");
        QVERIFY(h.find<QLabel>("Label6")->text().startsWith(QString::fromStdString(second.slavePath)));
        h.send("TWO");
        QTRY_COMPARE(second.collect(), "TWO\r\n"s);
        QVERIFY(second.send("from two\r\n"));
        QTRY_VERIFY(h.window->rxView().text().ends_with("from two\r\n"));
        QTest::qWait(200);
        QCOMPARE(first.collect(), "ONE\r\n"s);
        QVERIFY(h.messages.isEmpty());
    }

    // Refused at start-up: one box, then quiet retries until the server is there. Then
    // receive, decode and send, lose the server in the middle of a line and get it back.
    void tcp_refusedConnectedLostMidLineReconnected() {
        const quint16 port = closedPort();
        const std::string device = "tcp://127.0.0.1:" + std::to_string(port);
        const QString open = QString::fromStdString(device + "  buffer:512/32");
        Window h;
        h.port.tcp().setRetryDelays(50, 400);  // the test waits for whole tries, not for a time
        h.start("DEVICE=" + device + "\nAPRS=1\nSAVERX=1\nBAUD=9600\nXONXOFF=1\n");
        QTRY_COMPARE(h.messages, QStringList{QString::fromStdString("Quilmo: " + device + "\r\nConnection refused")});
        QCOMPARE(status(h), open + "  - connecting");
        QTRY_VERIFY(h.port.tcp().waitingToRetry());  // nothing but a timer between tries
        FarServer tnc;
        QVERIFY(tnc.listen(port));
        QTRY_VERIFY(tnc.accepted());
        QTRY_COMPARE(status(h), open);

        QVERIFY(h.startAprs());
        h.send("CONNECT W1AW");
        QTRY_COMPARE(tnc.collect(), std::string("\x13\x11" "CONNECT W1AW\r\n"));
        tnc.send(kPosition + kCut);
        QTRY_COMPARE(h.window->rxView().text(), kPosition + kCut);
        QCOMPARE(h.window->aprsView().text(), kRecord);

        tnc.drop();
        QTRY_VERIFY(status(h).endsWith("  - lost, reconnecting"));
        QTRY_VERIFY(h.port.tcp().waitingToRetry());
        QVERIFY(!h.port.isOpen());
        QVERIFY(tnc.listen(port));
        QTRY_VERIFY(tnc.accepted());
        QTRY_COMPARE(status(h), open);

        // The first packet after the return decodes on its own: the cut line is not glued to it.
        // (The same packet again would be a copy of the first, which counts once.)
        const auto back = [](std::string text) { return text.replace(text.find("text"), 4, "back"); };
        tnc.send(back(kPosition));
        QTRY_COMPARE(h.window->aprsView().text(), kRecord + back(kRecord));
        QCOMPARE(h.window->rxView().text(), kPosition + kCut + back(kPosition));
        QCOMPARE(QByteArray::fromStdString(h.readFile(kKml)).count(kPlacemark.c_str()), 2);
        h.window->exitSequence();
        QVERIFY(h.readFile("$log_rx.txt").ends_with(kPosition + kCut + back(kPosition)));
        QCOMPARE(h.messages.size(), 1);  // the quiet retries never asked again
    }

    // A server that accepts and hangs up at once is asked less and less often; one that
    // carried data counts as working, so after it the waits start short again.
    void tcp_serverThatHangsUpAtOnce_backsOff() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        int accepted = 0;
        bool greet = false;
        connect(&server, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* client = server.nextPendingConnection()) {
                ++accepted;
                if (greet) {
                    client->write("# server ready\r\n");
                    client->flush();
                }
                client->disconnectFromHost();
            }
        });
        QtTcpPort port;
        port.setRetryDelays(50, 400, 60000);
        std::string error, heard;
        int losses = 0;
        port.onReceive = [&] { heard += port.readAll(); };
        port.onConnectionChanged = [&](bool up) { losses += !up; };
        QVERIFY(port.open({.devicePath = "tcp://127.0.0.1:" + std::to_string(server.serverPort())}, error));
        const int expected[] = {100, 200, 400, 400};
        for (int n = 1; n <= 4; ++n) {
            QTRY_COMPARE(losses, n);
            QCOMPARE(port.nextRetryDelay(), expected[n - 1]);
        }
        greet = true;
        QTRY_VERIFY(heard.find("# server ready") != std::string::npos);
        QTRY_COMPARE(losses, accepted);
        QCOMPARE(port.nextRetryDelay(), 100);
    }

    // Each reason a device text is refused for is unit-tested; here one reaches the user.
    void badDeviceText_boxWithReasonNotOpenNoRetry() {
        Window h;
        h.start("DEVICE=tcp://localhost:0\n");
        QCOMPARE(h.messages, QStringList{"Quilmo: tcp://localhost:0\r\nPort 0 is out of range: it must be from 1 to 65535"});
        QCOMPARE(status(h), "tcp://localhost:0  buffer:512/32  - not open");
        QCOMPARE(h.port.state(), PortState::NotOpen);
        QVERIFY(!h.port.tcp().waitingToRetry());
    }

    // The box names the device, then the reason, then where Quilmo.ini is; the device is
    // waited for. The status line is 6135 twips wide; a long device path gives way, the
    // state does not.
    void missingDevice_boxNamesItStatusLineKeepsState() {
        Window h;
        const QString missing = h.path(std::string(120, 'd') + "/ttyUSB0"), head = "Quilmo: " + missing + "\r\n";
        h.start("DEVICE=" + missing.toStdString() + "\nXONXOFF=1\nRTS=1\n");
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.front().startsWith(head) && h.messages.front().size() > head.size());
        auto* label = h.find<QLabel>("Label6");
        QVERIFY2(h.messages.front().endsWith("Set DEVICE= in " + h.path("Quilmo.ini") +
                                             " to your TNC's device (e.g. /dev/ttyUSB0); Quilmo opens it as soon as it is there."),
                 qPrintable(h.messages.front()));
        QVERIFY2(label->text().endsWith("  - device lost, waiting"), qPrintable(label->text()));
        QVERIFY(label->text().contains(QChar(0x2026)));  // the path, shortened in its middle
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width());
        QVERIFY(label->toolTip().startsWith(missing));
        // Not shrunk out of sight: the size of every other caption of the window.
        QCOMPARE(label->font().pointSizeF(), h.find<QLabel>("Label7")->font().pointSizeF());
    }

    // The built program on tnc-sim --tcp: started before the simulator, it keeps trying;
    // the simulator stopped and started again, it comes back and gets a whole replay again.
    void binary_onSimulatorThatComesGoesAndReturns() {
        QTemporaryDir dir;
        const QString binary = dir.filePath("quilmo"), capture = dir.filePath("capture.txt");
        const QByteArray port = QByteArray::number(closedPort()), line = "N0CALL>APRS:>last line of the replay\r\n";
        QVERIFY(QFile::copy(QStringLiteral(QUILMO_BINARY), binary));
        QVERIFY(writeFile(capture, QByteArray("N1CALL>APRS:>first\n").repeated(12) + line));
        QVERIFY(writeFile(dir.filePath("Quilmo.ini"), "DEVICE=tcp://127.0.0.1:" + port + "\nSAVERX=1\n"));
        const auto heard = [&] { return readFile(dir.filePath("$log_rx.txt")).count(line); };
        QProcess program, sim;
        const auto simulate = [&] {
            sim.start(QStringLiteral(TNC_SIM), {"--tcp", port, "--lps", "100", capture});
            return sim.waitForReadyRead(10000) && sim.readLine().trimmed() == "tcp://127.0.0.1:" + port;
        };
        program.setWorkingDirectory(dir.path());
        program.start(binary, {});
        QTRY_VERIFY_WITH_TIMEOUT(readFile(dir.filePath("$log_rx.txt")).startsWith("------------- "), 20000);

        QVERIFY(simulate());
        // The program may be in its longest wait (30 s) between two tries when the simulator comes.
        QTRY_COMPARE_WITH_TIMEOUT(heard(), 1, 40000);
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000) && simulate());
        QTRY_COMPARE_WITH_TIMEOUT(heard(), 2, 30000);
        QCOMPARE(program.state(), QProcess::Running);
        sim.terminate();
        program.terminate();
        QVERIFY(sim.waitForFinished(10000) && program.waitForFinished(10000));
    }

    void kissSimulator_replaysCaptureAsFramesPrintsWhatItReceives_data() {
        QTest::addColumn<QStringList>("transport");
        QTest::newRow("pseudo-terminal") << QStringList();
        QTest::newRow("tcp") << QStringList{"--tcp", "0"};
    }

    void kissSimulator_replaysCaptureAsFramesPrintsWhatItReceives() {
        QFETCH(QStringList, transport);
        QTemporaryDir dir;
        const QString capture = dir.filePath("capture.txt");
        // Three lines cannot be AX.25 frames and are skipped; a header printed alone is one
        // frame with the line after it.
        QVERIFY(writeFile(capture, "N0CALL-7>APRS,WIDE1*,WIDE2-1:!4903.50N/07201.75W-a\xC0\r\n"
                                   "cmd:MONITOR ON\r\nSRC>DEST,qAR,igate:>too\r\nTOOLONGCALL>APRS:>no\r\n"
                                   "W1AW>CQ:\r\n>last\r\n"));

        QProcess sim;
        // Lines go out only while the device is open, so the capture loops until it is.
        sim.start(QStringLiteral(TNC_SIM), transport + QStringList{"--kiss", "--lps", "50", "--loop", capture});
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
        const QByteArray device = sim.readLine().trimmed();
        // The program's own port, which takes the pseudo-terminal and the address alike.
        QtDevicePort port;
        KissMonitor monitor;
        std::string heard, error;
        port.onReceive = [&] { heard += monitor.receive(port.readAll()).monitorText; };
        QVERIFY2(port.open({.devicePath = device.toStdString()}, error), error.c_str());
        const std::string loop = "N0CALL-7>APRS,WIDE1*,WIDE2-1:!4903.50N/07201.75W-a\xC0\r\nW1AW>CQ:>last\r\n";
        QTRY_VERIFY_WITH_TIMEOUT(heard.find(loop + loop) != std::string::npos, 10000);
        QCOMPARE(monitor.dropped(), 0u);
        QVERIFY(sim.readAllStandardError().contains("3 lines"));

        // XON and XOFF inside a frame are data to a KISS TNC, not flow control.
        const auto frame = ax25UiFrame(*parseCallsign("N0CALL"), *parseCallsign("APZQLM"), {}, "typed \x13\x11");
        port.write(kissDataFrame(frame));
        QByteArray printed;
        QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).contains("N0CALL>APZQLM:typed \x13\x11\n"), 10000);
        QVERIFY(heard.find("typed") == std::string::npos);  // a KISS TNC echoes nothing
        port.close();
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
    }
};

QTEST_MAIN(PortStatesTest)
#include "port_states_test.moc"

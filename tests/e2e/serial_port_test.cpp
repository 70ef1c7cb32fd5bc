// The real QSerialPort against a pseudo-terminal that plays the TNC: first the port
// alone, behind the device port the program uses, then the main window on it. The
// window meets a lost and returning port in port_states_test.
#include <QDir>
#include <QElapsedTimer>
#include <QtTest>
#include <ctime>
#include <vector>

#include "main_window_harness.h"
#include "platform/qt_device_port.h"
#include "platform/qt_serial_port.h"
#include "pty_far_end.h"

using namespace quilmo;
using namespace quilmo::test;
using namespace std::string_literals;

class SerialPortTest : public QObject {
    Q_OBJECT
private slots:
    // The reopened port must be set up as raw as the first: every byte value both ways.
    void deviceLoss_closesWithoutSpinningAndReconnectsRaw() {
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

    // The window on the real port: received bytes shown as they came, then a typed line
    // and every byte but NUL, CR and LF from a macro to the wire, the Tx history and the Tx log.
    void window_receivesAndSendsEveryByte() {
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
};

QTEST_MAIN(SerialPortTest)
#include "serial_port_test.moc"

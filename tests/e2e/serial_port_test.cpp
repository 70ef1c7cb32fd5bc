// The real QSerialPort against a pseudo-terminal that plays the TNC: first the port
// alone, then the main window on it.
#include <QDir>
#include <QElapsedTimer>
#include <QtTest>
#include <ctime>
#include <vector>

#include "main_window_harness.h"
#include "platform/qt_serial_port.h"
#include "pty_far_end.h"

using namespace quilmo;
using namespace quilmo::test;
using namespace std::string_literals;

namespace {

// A port opened on `device` that gathers what it delivers, as the receive path would.
struct OpenPort {
    QtSerialPortImpl port;
    std::string received;
    std::vector<bool> events;

    explicit OpenPort(const std::string& device) {
        port.onReceive = [this] { received += port.readAll(); };
        port.onConnectionChanged = [this](bool up) { events.push_back(up); };
        std::string error;
        // The pty refuses the modem lines; the port must open anyway.
        if (!port.open({.devicePath = device, .rtsOn = true}, error)) qFatal("cannot open %s: %s", device.c_str(), error.c_str());
    }
};

}  // namespace

class SerialPortTest : public QObject {
    Q_OBJECT
private slots:
    // The reopened port must be set up as raw as the first: every byte value both ways.
    void deviceLoss_closesWithoutSpinningAndReconnectsRaw() {
        QTemporaryDir dir;
        const std::string link = QDir(dir.path()).filePath("tnc").toStdString(), next = link + ".new";
        // The device comes and goes under one name, as a re-plugged adapter does.
        const auto plugIn = [&](FarEnd& tnc) {
            return tnc.openPair() && ::symlink(tnc.slavePath.c_str(), next.c_str()) == 0 && ::rename(next.c_str(), link.c_str()) == 0;
        };
        FarEnd first, second;
        QVERIFY(plugIn(first));
        OpenPort p(link);
        p.port.setReconnectInterval(500);

        first.close();
        QTRY_COMPARE(p.events, std::vector<bool>{false});
        QVERIFY(p.port.waitingForDevice());
        const std::clock_t cpuBefore = std::clock();  // processor time of this process
        QElapsedTimer wall;
        wall.start();
        QVERIFY(plugIn(second));
        QTRY_COMPARE(p.events, (std::vector<bool>{false, true}));
        // A port left open on a vanished device reports errors in a tight loop: until the
        // next attempt the program must be mostly idle.
        const double busy = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC / static_cast<double>(wall.elapsed());
        QVERIFY2(busy < 0.5, qPrintable(QString("CPU share while waiting for the device: %1").arg(busy)));

        std::string all;
        for (int b = 0; b < 4 * 256; ++b) all += static_cast<char>(b);
        QVERIFY(second.send(all));
        QTRY_COMPARE(p.received, all);
        p.port.write(all);
        QTRY_COMPARE(second.collect(), all);

        second.close();  // closing while waiting stops the search
        QTRY_VERIFY(p.port.waitingForDevice());
        p.port.close();
        QVERIFY(!p.port.waitingForDevice());
    }

    void window_showsReceivedBytesAndSendsTypedLine() {
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        BasicHarness<QtSerialPortImpl> h;
        h.start("DEVICE=" + tnc.slavePath + "\nBAUD=9600\n");
        QVERIFY(h.messages.isEmpty());
        const std::string sent = "cmd:\r\nN0CALL>APRS:>44\xb0 ok\r\n\x07\x00" "end"s;
        QVERIFY(tnc.send(sent));
        QTRY_COMPARE(h.window->rxView().text(), sent);
        QCOMPARE(h.text("Text1"), QString::fromUtf8("cmd:\nN0CALL>APRS:>44° ok\n^G^@end"));
        QTest::keyClicks(h.find("Text3"), "CONNECT W1AW");
        QTest::keyClick(h.find("Text3"), Qt::Key_Return);
        QTRY_COMPARE(tnc.collect(), std::string("CONNECT W1AW\r\n"));
    }

    void window_openFailureNamesDeviceThenReason() {
        BasicHarness<QtSerialPortImpl> h;
        const QString missing = h.path("no-such-tty"), head = "Quilmo: " + missing + "\r\n";
        h.start("DEVICE=" + missing.toStdString() + "\n");
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.front().startsWith(head) && h.messages.front().size() > head.size());  // then the reason
        QVERIFY(!h.port.isOpen());
    }
};

QTEST_MAIN(SerialPortTest)
#include "serial_port_test.moc"

// The real QSerialPort against a pseudo-terminal: the test holds the master side,
// which plays the TNC, and the port opens the slave as it would a serial device.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <string>

#include "platform/qt_serial_port.h"

using quilmo::PortSettings;
using quilmo::QtSerialPortImpl;

namespace {

// The TNC end of a pty pair.
struct FarEnd {
    int master = -1;
    std::string slavePath;

    bool openPair() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return false;
        slavePath = ::ptsname(master);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        return true;
    }
    void close() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    bool send(const std::string& bytes) const {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Everything the port has written so far, gathered while Qt's loop keeps running.
    std::string receive(std::size_t expected, int timeoutMs = 5000) const {
        std::string got;
        QElapsedTimer t;
        t.start();
        while (got.size() < expected && t.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                char buf[1024];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0) got.append(buf, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
    ~FarEnd() { close(); }
};

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

PortSettings settingsFor(const std::string& path) {
    PortSettings s;
    s.devicePath = path;
    s.baudRate = 9600;
    s.rtsOn = true;  // the pty refuses the modem lines; the port must open anyway
    return s;
}

}  // namespace

class SerialPortTest : public QObject {
    Q_OBJECT

private:
    // Collects what the port delivers through onReceive, as the receive path would.
    void attach(QtSerialPortImpl& port) {
        received_.clear();
        events_.clear();
        port.onReceive = [this, &port] { received_ += port.readAll(); };
        port.onConnectionChanged = [this](bool up) { events_.push_back(up); };
    }
    std::string received_;
    std::vector<bool> events_;

private slots:
    void everyByteValue_arrivesExactly() {
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        QtSerialPortImpl port;
        attach(port);
        std::string error;
        QVERIFY2(port.open(settingsFor(tnc.slavePath), error), error.c_str());
        std::string all;
        for (int round = 0; round < 4; ++round) {
            for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
        }
        QVERIFY(tnc.send(all));
        QTRY_VERIFY_WITH_TIMEOUT(received_.size() >= all.size(), 5000);
        QCOMPARE(received_, all);
    }

    void monitorLines_keepTheirCrLf() {
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        QtSerialPortImpl port;
        attach(port);
        std::string error;
        QVERIFY(port.open(settingsFor(tnc.slavePath), error));
        const std::string lines = "IK4ABC>APRS,WIDE2-1:!4430.00N/01120.00E-\r\ncmd:\r\n\x03\x04\x11\x13";
        QVERIFY(tnc.send(lines));
        QTRY_COMPARE_WITH_TIMEOUT(received_, lines, 5000);
    }

    void bytesWrittenByThePort_arriveAtTheDevice() {
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        QtSerialPortImpl port;
        attach(port);
        std::string error;
        QVERIFY(port.open(settingsFor(tnc.slavePath), error));
        std::string sent = "MYCALL IK4XYZ\r";
        for (int b = 0; b < 256; ++b) sent += static_cast<char>(b);
        port.write(sent);
        QCOMPARE(tnc.receive(sent.size()), sent);
    }

    void missingDevice_failsWithAReason() {
        QtSerialPortImpl port;
        std::string error;
        QVERIFY(!port.open(settingsFor("/dev/quilmo-no-such-device"), error));
        QVERIFY(!port.isOpen());
        QVERIFY2(!error.empty(), "the message box needs the platform's reason");
        QCOMPARE(port.readAll(), std::string());
    }

    void refusedSettings_failLikeAnOpen() {
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        QtSerialPortImpl port;
        PortSettings s = settingsFor(tnc.slavePath);
        s.baudRate = -1;
        std::string error;
        QVERIFY(!port.open(s, error));
        QVERIFY(!port.isOpen());
        QVERIFY(error.find("-1") != std::string::npos);
    }

    void writeWhileClosed_isDropped() {
        QtSerialPortImpl port;
        port.write("nobody listens\r");
        QVERIFY(!port.isOpen());
    }

    void deviceLoss_closesWithoutSpinning() {
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        QtSerialPortImpl port;
        attach(port);
        std::string error;
        QVERIFY(port.open(settingsFor(tnc.slavePath), error));
        QVERIFY(tnc.send("before\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(received_, std::string("before\r\n"), 5000);

        tnc.close();
        QTRY_VERIFY_WITH_TIMEOUT(!events_.empty(), 5000);
        QCOMPARE(events_, std::vector<bool>{false});
        QVERIFY(!port.isOpen());

        // A port left open on a vanished device reports errors in a tight loop.
        const double before = cpuSeconds();
        QTest::qWait(2000);
        const double used = cpuSeconds() - before;
        QVERIFY2(used < 0.3, qPrintable(QString("CPU seconds in 2 s after loss: %1").arg(used)));
        QCOMPARE(events_, std::vector<bool>{false});
    }

    void returningDevice_isReopenedAndDataFlows() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string link = QDir(dir.path()).filePath("tnc").toStdString();
        FarEnd first;
        QVERIFY(first.openPair());
        QVERIFY(::symlink(first.slavePath.c_str(), link.c_str()) == 0);

        QtSerialPortImpl port;
        port.setReconnectInterval(200);
        attach(port);
        std::string error;
        QVERIFY2(port.open(settingsFor(link), error), error.c_str());

        first.close();
        QTRY_COMPARE_WITH_TIMEOUT(events_, std::vector<bool>{false}, 5000);
        QVERIFY(port.waitingForDevice());

        // The device comes back under the same name, as a re-plugged adapter does.
        FarEnd second;
        QVERIFY(second.openPair());
        const std::string fresh = link + ".new";
        QVERIFY(::symlink(second.slavePath.c_str(), fresh.c_str()) == 0);
        QVERIFY(::rename(fresh.c_str(), link.c_str()) == 0);

        QTRY_COMPARE_WITH_TIMEOUT(events_, (std::vector<bool>{false, true}), 5000);
        QVERIFY(port.isOpen());
        QVERIFY(!port.waitingForDevice());
        received_.clear();
        QVERIFY(second.send("back\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(received_, std::string("back\r\n"), 5000);
        port.write("ok\r");
        QCOMPARE(second.receive(3), std::string("ok\r"));
    }

    void closeWhileWaiting_stopsLookingForTheDevice() {
        FarEnd tnc;
        QVERIFY(tnc.openPair());
        QtSerialPortImpl port;
        port.setReconnectInterval(50);
        attach(port);
        std::string error;
        QVERIFY(port.open(settingsFor(tnc.slavePath), error));
        tnc.close();
        QTRY_VERIFY_WITH_TIMEOUT(port.waitingForDevice(), 5000);
        port.close();
        QVERIFY(!port.waitingForDevice());
    }
};

QTEST_GUILESS_MAIN(SerialPortTest)
#include "serial_port_test.moc"

// tnc-sim --kiss against a program on its pseudo-terminal or, with --tcp, a client socket.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "terminal/ax25.h"
#include "terminal/kiss.h"
#include "terminal/kiss_monitor.h"

namespace {

int openRaw(const QByteArray& device) {
    const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    if (fd < 0 || ::tcgetattr(fd, &t) != 0) return -1;
    ::cfmakeraw(&t);
    return ::tcsetattr(fd, TCSANOW, &t) == 0 ? fd : -1;
}

// "tcp://127.0.0.1:PORT" as printed by the simulator.
int connectTo(const QByteArray& url) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(url.mid(url.lastIndexOf(':') + 1).toUShort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -1;
    return ::fcntl(fd, F_SETFL, O_NONBLOCK) == 0 ? fd : -1;
}

}  // namespace

class TncSimKissTest : public QObject {
    Q_OBJECT
private slots:
    void replaysCaptureAsFrames_printsWhatItReceives_data() {
        QTest::addColumn<QStringList>("transport");
        QTest::newRow("pseudo-terminal") << QStringList();
        QTest::newRow("tcp") << QStringList{"--tcp", "0"};
    }

    void replaysCaptureAsFrames_printsWhatItReceives() {
        QFETCH(QStringList, transport);
        QTemporaryDir dir;
        QFile capture(dir.filePath("capture.txt"));
        QVERIFY(capture.open(QIODevice::WriteOnly));
        // Three lines cannot be AX.25 frames and are skipped; a header printed alone is one
        // frame with the line after it.
        capture.write("N0CALL-7>APRS,WIDE1*,WIDE2-1:!4903.50N/07201.75W-a\xC0\r\n"
                      "cmd:MONITOR ON\r\nSRC>DEST,qAR,igate:>too\r\nTOOLONGCALL>APRS:>no\r\n"
                      "W1AW>CQ:\r\n>last\r\n");
        capture.close();

        QProcess sim;
        // Lines go out only while the device is open, so the capture loops until it is.
        sim.start(QStringLiteral(TNC_SIM), transport + QStringList{"--kiss", "--lps", "50", "--loop", capture.fileName()});
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
        const QByteArray device = sim.readLine().trimmed();
        const int fd = transport.isEmpty() ? openRaw(device) : connectTo(device);
        QVERIFY(fd >= 0);

        quilmo::KissMonitor monitor;
        std::string heard;
        const auto collect = [&] {
            char buf[512];
            for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) heard += monitor.receive(std::string_view(buf, n)).monitorText;
            return heard;
        };
        const std::string loop = "N0CALL-7>APRS,WIDE1*,WIDE2-1:!4903.50N/07201.75W-a\xC0\r\nW1AW>CQ:>last\r\n";
        QTRY_VERIFY_WITH_TIMEOUT(collect().find(loop + loop) != std::string::npos, 10000);
        QCOMPARE(monitor.dropped(), 0u);
        QVERIFY(sim.readAllStandardError().contains("3 lines"));

        // XON and XOFF inside a frame are data to a KISS TNC, not flow control.
        const auto source = quilmo::parseCallsign("N0CALL"), destination = quilmo::parseCallsign("APZQLM");
        const std::string frame = quilmo::kissDataFrame(quilmo::ax25UiFrame(*source, *destination, {}, "typed \x13\x11"));
        QVERIFY(::write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size()));
        QByteArray printed;
        QTRY_VERIFY_WITH_TIMEOUT((printed += sim.readAllStandardOutput()).contains("N0CALL>APZQLM:typed \x13\x11\n"), 10000);
        QVERIFY(collect().find("typed") == std::string::npos);  // a KISS TNC echoes nothing
        ::close(fd);
        sim.terminate();
        QVERIFY(sim.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TncSimKissTest)
#include "tnc_sim_kiss_test.moc"

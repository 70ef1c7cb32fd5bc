// Our connected sessions against an independent AX.25 v2.2 stack: the session on a real TCP
// port to one Dire Wolf's KISS port, a small BBS on the other Dire Wolf's AGW port, both on
// one simulated 1200-baud channel (dw-pair). Dire Wolf's own data link answers every SABM,
// I frame, RR and REJ of ours. Skipped, with the reason, when Dire Wolf or dw-pair is missing.
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>
#include <csignal>
#include <memory>
#include <string>

#include "app/link_session.h"
#include "platform/qt_device_port.h"
#include "qt_files.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

constexpr int kBytes = 10240;
// Airtime at 1200 baud is about 70 s for 10 KB; a lossy channel needs retries on top.
constexpr int kTransferMs = 150000;
constexpr int kStepMs = 30000;

QString dwPairPath() {
    const QString fromEnv = qEnvironmentVariable("QUILMO_DW_PAIR");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QStringLiteral(QUILMO_SOURCE_DIR "/../shared/tools/dw-pair");
}

// The numbered lines the BBS sends on "SEND n".
std::string numbered(int n) {
    std::string out;
    for (int i = 0; static_cast<int>(out.size()) < n; ++i)
        out += QString::asprintf("BBS line %05d the quick brown fox\r", i).toStdString();
    return out.substr(0, n);
}

// Lines of ours, as typed (CR LF) and as they arrive (CR).
std::pair<std::string, std::string> upload(int n) {
    std::string typed, heard;
    for (int i = 0; static_cast<int>(heard.size()) < n; ++i) {
        const std::string line = QString::asprintf("Quilmo line %05d jumps over the lazy dog", i).toStdString();
        typed += line + "\r\n";
        heard += line + "\r";
    }
    return {typed, heard};
}

bool portsFree(quint16 base) {
    for (quint16 p : {base, quint16(base + 1), quint16(base + 10), quint16(base + 11)}) {
        QTcpServer s;
        if (!s.listen(QHostAddress::LocalHost, p)) return false;
    }
    for (quint16 p : {quint16(base + 50), quint16(base + 51)}) {
        QUdpSocket s;
        if (!s.bind(QHostAddress::LocalHost, p)) return false;
    }
    return true;
}

// Two Dire Wolf TNCs on one channel: A's KISS port for us, B's AGW port for the BBS. Stopped
// with SIGTERM when the test ends, whatever happened.
struct Pair {
    QTemporaryDir dir;
    QProcess proc;
    quint16 base = 0;
    qint64 paused = 0;

    bool start(double loss, QString& why) {
        for (int i = 0; i < 50 && base == 0; ++i) {
            const auto b = static_cast<quint16>(20000 + QRandomGenerator::global()->bounded(400) * 100);
            if (portsFree(b)) base = b;
        }
        if (base == 0) return why = "no free ports", false;
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc.start(dwPairPath(), {"--base", QString::number(base), "--dir", dir.path(), "--loss", QString::number(loss),
                                  "--seed", "7"});
        if (!proc.waitForStarted(5000)) return why = "dw-pair did not start: " + proc.errorString(), false;
        QByteArray out;
        QDeadlineTimer deadline(30000);
        while (!out.contains("ready") && !deadline.hasExpired() && proc.state() == QProcess::Running) {
            proc.waitForReadyRead(500);
            out += proc.readAllStandardOutput();
        }
        if (!out.contains("ready"))
            return why = "dw-pair not ready: " + QString::fromUtf8(out + readFile(dir.filePath("a.log")).right(400) +
                                                                    readFile(dir.filePath("b.log")).right(400)),
                   false;
        return true;
    }
    quint16 kissA() const { return base + 1; }
    quint16 agwB() const { return base + 10; }

    // B's radio goes quiet: its Dire Wolf (the one reading this run's b.conf) stops.
    bool pauseB() {
        const QByteArray conf = (dir.path() + "/b.conf").toUtf8();
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
            if (readFile("/proc/" + pid + "/cmdline").contains(conf) && pid.toLongLong() != proc.processId()) {
                paused = pid.toLongLong();
                return ::kill(static_cast<pid_t>(paused), SIGSTOP) == 0;
            }
        }
        return false;
    }

    ~Pair() {
        if (paused != 0) ::kill(static_cast<pid_t>(paused), SIGCONT);
        if (proc.state() == QProcess::NotRunning) return;
        proc.terminate();
        if (!proc.waitForFinished(8000)) {
            proc.kill();
            proc.waitForFinished(2000);
        }
    }
};

// The BBS on B's AGW port, driven over its stdin; what it prints is kept.
struct Bbs {
    QProcess proc;
    QByteArray out;

    bool start(quint16 port) {
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc.start("python3", {QUILMO_SOURCE_DIR "/tests/e2e/agw_bbs.py", QString::number(port), "N0BBB"});
        return proc.waitForStarted(5000);
    }
    bool saw(const QByteArray& line) {
        out += proc.readAllStandardOutput();
        return out.startsWith(line + "\n") || out.contains("\n" + line + "\n");
    }
    void command(const QByteArray& line) { proc.write(line + "\n"); }
    // How many data bytes it has received so far.
    int received() {
        out += proc.readAllStandardOutput();
        const int at = out.lastIndexOf("received ");
        return at < 0 ? 0 : out.mid(at + 9, out.indexOf('\n', at) - at - 9).toInt();
    }
    ~Bbs() {
        if (proc.state() == QProcess::NotRunning) return;
        proc.write("quit\n");
        proc.closeWriteChannel();
        if (!proc.waitForFinished(3000)) {
            proc.kill();
            proc.waitForFinished(2000);
        }
    }
};

// Our session as the program runs it on a KISS TNC at 127.0.0.1:`kiss`.
struct Quilmo {
    QTemporaryDir dir;
    QtDevicePort port;
    std::unique_ptr<LinkSession> session;
    std::string rx;

    Quilmo(quint16 kiss, const QByteArray& extra = {}) {
        writeFile(dir.filePath("Quilmo.ini"),
                  "DEVICE=tcp://127.0.0.1:" + QByteArray::number(kiss) + "\nKISS=1\nMYCALL=N0AAA\n" + extra);
        session = std::make_unique<LinkSession>(dir.path().toStdString(), port, [] { return LocalTime{2026, 12, 5, 14, 15, 3}; });
        QObject::connect(session.get(), &LinkSession::received, [this](const std::string& t) { rx += t; });
        session->readSettings();
        session->prepareLogSwitches();
        session->writeLogHeaders();
        session->openPort();
    }
    ~Quilmo() { session->exitSequence(); }
    bool type(const std::string& text) { return session->transmit(text, {}) == LinkSession::Transmit::Sent; }
    bool has(const std::string& text) const { return rx.find(text) != std::string::npos; }
    std::size_t count(const std::string& text) const {
        std::size_t n = 0;
        for (auto at = rx.find(text); at != std::string::npos; at = rx.find(text, at + 1)) ++n;
        return n;
    }
};

bool direwolfMissing(QString& why) {
    if (QStandardPaths::findExecutable("direwolf").isEmpty()) return why = "direwolf is not installed", true;
    if (!QFileInfo(dwPairPath()).isExecutable()) return why = "dw-pair not found at " + dwPairPath(), true;
    return false;
}

}  // namespace

class DireWolfTest : public QObject {
    Q_OBJECT

    // A channel, the BBS registered on B and our session open on A, at `loss`.
    struct Rig {
        Pair pair;
        Bbs bbs;
        std::unique_ptr<Quilmo> quilmo;
        ~Rig() {
            if (!QTest::currentTestFailed() || !quilmo) return;
            qWarning("Quilmo's text ends: %s\nthe BBS said: %s", QByteArray::fromStdString(quilmo->rx).right(600).constData(),
                     bbs.out.right(300).constData());
        }
    };
    static bool rig(Rig& r, double loss, const QByteArray& extra = {}) {
        QString why;
        if (!r.pair.start(loss, why)) {
            qWarning("%s", qPrintable(why));
            return false;
        }
        if (!r.bbs.start(r.pair.agwB())) return false;
        r.quilmo = std::make_unique<Quilmo>(r.pair.kissA(), extra);
        (void)QTest::qWaitFor([&] { return r.bbs.saw("registered") && r.quilmo->has("cmd:") &&
                                     r.quilmo->session->portState() == PortState::Open; }, kStepMs);
        return r.bbs.saw("registered") && r.quilmo->session->portState() == PortState::Open;
    }

    // Connected to the BBS, welcomed, one line echoed; then 10 KB each way, byte-exact and
    // in order, and our disconnect.
    static void transferBothWays(Rig& r) {
        Quilmo& q = *r.quilmo;
        QVERIFY(q.type("C N0BBB\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(q.has("*** CONNECTED to N0BBB\r\n"), kStepMs);
        QTRY_VERIFY_WITH_TIMEOUT(q.has("Welcome to N0BBB\r"), kStepMs);
        QVERIFY(q.type("hello there\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(q.has("echo: hello there\r"), kStepMs);

        const std::size_t from = q.rx.size();
        QVERIFY(q.type("SEND " + std::to_string(kBytes) + "\r\n"));
        const std::string expected = numbered(kBytes);
        QTRY_VERIFY_WITH_TIMEOUT(q.rx.size() >= from + expected.size() + 9, kTransferMs);
        const std::string got = q.rx.substr(q.rx.find("BBS line 00000", from), expected.size());
        QVERIFY2(got == expected, "the BBS's lines arrived changed, out of order or incomplete");

        QVERIFY(q.type("SINK\r\n"));
        const int before = r.bbs.received() + 5;  // SINK\r
        const auto [typed, heard] = upload(kBytes);
        QVERIFY(q.type(typed));
        QTRY_VERIFY_WITH_TIMEOUT(r.bbs.received() >= before + static_cast<int>(heard.size()), kTransferMs);
        const QString file = q.dir.filePath("bbs.bin");
        r.bbs.command("data " + file.toUtf8());
        QTRY_VERIFY_WITH_TIMEOUT(r.bbs.saw("written"), kStepMs);
        const QByteArray all = readFile(file);
        QCOMPARE(all.size(), before + static_cast<int>(heard.size()));
        QVERIFY2(all.mid(before).toStdString() == heard, "our lines arrived changed or out of order");

        QVERIFY(q.type("\x03"));
        QVERIFY(q.type("D\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(q.has("*** DISCONNECTED\r\n"), kStepMs);
        QTRY_VERIFY_WITH_TIMEOUT(r.bbs.saw("disconnected"), kStepMs);
    }

private slots:
    void initTestCase() {
        QString why;
        if (direwolfMissing(why)) QSKIP(qPrintable(why));
    }

    void transfer_bothWays() {
        Rig r;
        QVERIFY(rig(r, 0.0));
        transferBothWays(r);
    }

    // A fading channel: frames are lost and sent again; the text still arrives whole and in order.
    void transfer_lossyChannel() {
        Rig r;
        QVERIFY(rig(r, 0.01));
        transferBothWays(r);
    }

    // The BBS says BYE; then B calls us, talks, and hangs up.
    void disconnects_andIncoming() {
        Rig r;
        QVERIFY(rig(r, 0.0));
        Quilmo& q = *r.quilmo;
        QVERIFY(q.type("C N0BBB\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(q.has("Welcome to N0BBB\r"), kStepMs);
        QVERIFY(q.type("BYE\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(q.has("*** DISCONNECTED\r\n"), kStepMs);
        QTRY_VERIFY_WITH_TIMEOUT(r.bbs.saw("disconnected"), kStepMs);
        QTRY_VERIFY_WITH_TIMEOUT(q.has("cmd:"), kStepMs);

        const std::size_t rxBefore = q.rx.size();
        r.bbs.command("connect N0AAA");
        QTRY_VERIFY_WITH_TIMEOUT(q.count("*** CONNECTED to N0BBB\r\n") == 2, kStepMs);
        QTRY_VERIFY_WITH_TIMEOUT(r.bbs.saw("connected N0AAA"), kStepMs);
        const int before = r.bbs.received();
        QVERIFY(q.type("from Quilmo\r\n"));  // converse mode came with the connection
        QTRY_VERIFY_WITH_TIMEOUT(r.bbs.received() == before + 12, kStepMs);
        r.bbs.command("disconnect");
        QTRY_VERIFY_WITH_TIMEOUT(q.rx.find("*** DISCONNECTED\r\n", rxBefore) != std::string::npos, kStepMs);
    }

    // B's radio goes silent mid-transfer: after RETRY tries FRACK apart we give up, and say so.
    void peerGone_retryCountExceeded() {
        Rig r;
        QVERIFY(rig(r, 0.0, "FRACK=3\nRETRY=2\n"));
        Quilmo& q = *r.quilmo;
        QVERIFY(q.type("C N0BBB\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(q.has("Welcome to N0BBB\r"), kStepMs);
        QVERIFY(q.type("SINK\r\n"));
        const int before = r.bbs.received();
        QVERIFY(q.type(upload(3000).first));
        QTRY_VERIFY_WITH_TIMEOUT(r.bbs.received() > before + 5, kStepMs);
        QVERIFY(r.pair.pauseB());
        QTRY_VERIFY_WITH_TIMEOUT(q.has("*** retry count exceeded\r\n*** DISCONNECTED\r\n"), 60000);
    }
};

QTEST_MAIN(DireWolfTest)
#include "direwolf_test.moc"

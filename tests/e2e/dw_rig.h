// What the Dire Wolf runs need, for the test and the benchmark alike: two Dire Wolf TNCs
// on one simulated channel (dw-pair), the small BBS on an AGW port, and our session on a
// TNC at a TCP port. Each is stopped when it goes out of scope, whatever happened.
#pragma once
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <csignal>
#include <memory>
#include <string>

#include "app/link_session.h"
#include "platform/qt_device_port.h"
#include "qt_files.h"

namespace quilmo::test {

constexpr int kBytes = 10240;

inline QString dwPairPath() {
    const QString fromEnv = qEnvironmentVariable("QUILMO_DW_PAIR");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QStringLiteral(QUILMO_SOURCE_DIR "/../shared/tools/dw-pair");
}

// The numbered lines the BBS sends on "SEND n".
inline std::string numbered(int n) {
    std::string out;
    for (int i = 0; static_cast<int>(out.size()) < n; ++i)
        out += QString::asprintf("BBS line %05d the quick brown fox\r", i).toStdString();
    return out.substr(0, n);
}

// Lines of ours, as typed (CR LF) and as they arrive (CR).
inline std::pair<std::string, std::string> upload(int n) {
    std::string typed, heard;
    for (int i = 0; static_cast<int>(heard.size()) < n; ++i) {
        const std::string line = QString::asprintf("Quilmo line %05d jumps over the lazy dog", i).toStdString();
        typed += line + "\r\n";
        heard += line + "\r";
    }
    return {typed, heard};
}

inline bool portsFree(quint16 base) {
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
            // Dire Wolf takes no port above 49151, the end of the registered range.
            const auto b = static_cast<quint16>(20000 + QRandomGenerator::global()->bounded(290) * 100);
            if (portsFree(b)) base = b;
        }
        if (base == 0) return why = "no free ports", false;
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The same losses each run, unless QUILMO_DW_SEED asks for others (to hunt a rare fault).
        const QString seed = qEnvironmentVariable("QUILMO_DW_SEED", "7");
        proc.start(dwPairPath(), {"--base", QString::number(base), "--dir", dir.path(), "--loss", QString::number(loss),
                                  "--seed", seed});
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
    quint16 agwA() const { return base; }
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

// The BBS on B's AGW port (or a plain AGW client on A's), driven over its stdin; what it
// prints is kept.
struct Bbs {
    QProcess proc;
    QByteArray out;

    bool start(quint16 port, const QString& call = "N0BBB") {
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc.start("python3", {QUILMO_SOURCE_DIR "/tests/e2e/agw_bbs.py", QString::number(port), call});
        return proc.waitForStarted(5000);
    }
    bool saw(const QByteArray& line) {
        out += proc.readAllStandardOutput();
        return out.startsWith(line + "\n") || out.contains("\n" + line + "\n");
    }
    void command(const QByteArray& line) { proc.write(line + "\n"); }
    // Dire Wolf's data link gave up on the connection after RETRY timeouts.
    bool gaveUp() { return saw("disconnected RETRYOUT"); }
    bool disconnected() { return saw("disconnected") || gaveUp(); }
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

// Our session as the program runs it, on the TNC the Quilmo.ini lines `link` name
// (kissLink or agwLink) as `call`.
inline QByteArray kissLink(quint16 port) { return "DEVICE=tcp://127.0.0.1:" + QByteArray::number(port) + "\nKISS=1\n"; }
inline QByteArray agwLink(quint16 port) { return "DEVICE=agw://127.0.0.1:" + QByteArray::number(port) + "\n"; }

struct Quilmo {
    QTemporaryDir dir;
    QtDevicePort port;
    std::unique_ptr<LinkSession> session;
    std::string rx;

    Quilmo(const QByteArray& link, const QByteArray& extra = {}, const QByteArray& call = "N0AAA") {
        writeFile(dir.filePath("Quilmo.ini"), link + "MYCALL=" + call + "\n" + extra);
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

inline bool direwolfMissing(QString& why) {
    if (QStandardPaths::findExecutable("direwolf").isEmpty()) return why = "direwolf is not installed", true;
    if (!QFileInfo(dwPairPath()).isExecutable()) return why = "dw-pair not found at " + dwPairPath(), true;
    return false;
}

}  // namespace quilmo::test

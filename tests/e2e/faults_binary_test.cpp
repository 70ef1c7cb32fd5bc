// The built program under real faults: a stop signal with log text pending, a lock file
// left by a crash, a second copy, a folder it cannot write. Run as root (as CI does), the
// program is started there as the ordinary user "nobody".
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <pwd.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include "pty_far_end.h"
#include "qt_files.h"

using quilmo::test::readFile;
using quilmo::test::writeFile;

namespace {

const QByteArray kHeaderStart = "------------- ";

// Bytes still waiting in the device for the program to read them.
int waiting(int slave) {
    int n = -1;
    return ::ioctl(slave, FIONREAD, &n) == 0 ? n : -1;
}

// The program has opened and set up the port once the line no longer works in lines.
bool portSetUp(int slave) {
    termios t{};
    return ::tcgetattr(slave, &t) == 0 && (t.c_lflag & ICANON) == 0;
}

bool stopped(QProcess& p, int signal = SIGTERM) {
    ::kill(static_cast<pid_t>(p.processId()), signal);
    ::kill(static_cast<pid_t>(p.processId()), signal);  // lands during the shutdown
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray settings(const std::string& device) { return QByteArray::fromStdString("DEVICE=" + device + "\nSAVERX=1\n"); }

}  // namespace

class FaultsBinaryTest : public QObject {
    Q_OBJECT

private slots:
    void stopSignal_runsExitSequenceAndFreesTheLock_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM (shutdown, systemctl stop)") << SIGTERM;
        QTest::newRow("SIGHUP (logout)") << SIGHUP;
        QTest::newRow("SIGINT (Ctrl-C)") << SIGINT;
    }
    void stopSignal_runsExitSequenceAndFreesTheLock() {
        QFETCH(int, signal);
        quilmo::test::FarEnd tnc;
        QTemporaryDir dir;
        const QString binary = dir.filePath("quilmo");
        QVERIFY(tnc.openPair() && QFile::copy(QStringLiteral(QUILMO_BINARY), binary));
        QVERIFY(writeFile(dir.filePath("Quilmo.ini"), settings(tnc.slavePath)));
        QVERIFY(writeFile(dir.filePath(".quilmo.lock"), "12345\n"));  // as a crashed run leaves it
        const auto rxLog = [&] { return readFile(dir.filePath("$log_rx.txt")); };
        const int slave = ::open(tnc.slavePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        QProcess first, second;
        first.start(binary, {});
        QTRY_VERIFY_WITH_TIMEOUT(rxLog().startsWith(kHeaderStart) && portSetUp(slave), 20000);
        // Less than a batch, so it is still pending. The program is held still until the
        // text waits in the device, so that "read" below means the program read it.
        const std::string text = "N0CALL>APRS:>pending when the stop comes\r\n";
        ::kill(static_cast<pid_t>(first.processId()), SIGSTOP);
        QVERIFY(tnc.send(text));
        QTRY_COMPARE(waiting(slave), static_cast<int>(text.size()));
        ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
        QTRY_COMPARE(waiting(slave), 0);
        ::close(slave);
        QVERIFY(stopped(first, signal));
        QVERIFY2(rxLog().endsWith(QByteArray::fromStdString(text)), rxLog().constData());

        second.start(binary, {});  // the lock went with the first copy
        QTRY_COMPARE_WITH_TIMEOUT(rxLog().count(kHeaderStart), 2, 20000);
        QVERIFY(stopped(second));
    }

    // An installed copy goes to the same data folder; which copies count as installed is
    // unit-tested (FilesFolder).
    void unwritableFolder_filesLiveInTheDataFolder() {
        const bool root = ::geteuid() == 0;
        const passwd* nobody = ::getpwnam("nobody");
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (root && (nobody == nullptr || setpriv.isEmpty())) QSKIP("running as root without user nobody or setpriv");
        const uid_t uid = root ? nobody->pw_uid : ::geteuid();
        const gid_t gid = root ? nobody->pw_gid : ::getegid();

        QTemporaryDir top;
        const QDir base(top.path());
        QVERIFY(base.mkpath("program") && base.mkpath("data") && base.mkpath("home"));
        const QString program = base.filePath("program"), files = base.filePath("data/quilmo");
        QVERIFY(QFile::copy(QStringLiteral(QUILMO_BINARY), program + "/quilmo"));
        quilmo::test::FarEnd tnc;
        QVERIFY(tnc.openPair() && ::chown(tnc.slavePath.c_str(), uid, gid) == 0);
        QVERIFY(::chmod(qPrintable(top.path()), 0755) == 0 && ::chmod(qPrintable(program), 0555) == 0);
        QVERIFY(::chown(qPrintable(base.filePath("data")), uid, gid) == 0 && ::chown(qPrintable(base.filePath("home")), uid, gid) == 0);

        const auto start = [&](QProcess& p) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_DATA_HOME", base.filePath("data"));
            env.insert("HOME", base.filePath("home"));
            p.setProcessEnvironment(env);
            p.setWorkingDirectory(program);
            const QStringList user = {"--reuid=" + QString::number(uid), "--regid=" + QString::number(gid), "--clear-groups"};
            if (root) p.start(setpriv, user + QStringList{program + "/quilmo"});
            else p.start(program + "/quilmo", {});
            return p.waitForStarted();
        };
        // First start: the data folder is made and holds the new Quilmo.ini and the lock.
        // No device is configured yet: a stop also ends the open failure's message box.
        QProcess first, second, again;
        QVERIFY(start(first));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(files + "/Quilmo.ini") && QFile::exists(files + "/.quilmo.lock"), 20000);
        QVERIFY(start(second) && second.waitForFinished(20000));  // one copy per folder
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(stopped(first));
        // Next start: the settings are read from there and the log is written there.
        QVERIFY(writeFile(files + "/Quilmo.ini", settings(tnc.slavePath)));
        QVERIFY(start(again));
        QTRY_VERIFY_WITH_TIMEOUT(readFile(files + "/$log_rx.txt").startsWith(kHeaderStart), 20000);
        QVERIFY(stopped(again));
        QCOMPARE(QDir(program).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"quilmo"});
    }
};

QTEST_GUILESS_MAIN(FaultsBinaryTest)
#include "faults_binary_test.moc"

// The built program in a program directory of its own: one running copy per directory.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app_far_end.h"

using quilmo::test::FarEnd;

namespace {

const QByteArray kHeaderStart = "------------- ";

struct ProgramDir {
    QTemporaryDir dir;
    QString binary;

    bool install(const std::string& ini) {
        binary = dir.filePath("quilmo");
        if (!QFile::copy(QStringLiteral(QUILMO_BINARY), binary)) return false;
        QFile f(dir.filePath("Quilmo.ini"));
        if (!f.open(QIODevice::WriteOnly)) return false;
        f.write(ini.data(), static_cast<qint64>(ini.size()));
        return true;
    }
    QByteArray read(const char* name) const {
        QFile f(dir.filePath(QLatin1String(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

void stop(QProcess& p) {
    p.terminate();
    if (!p.waitForFinished(10000)) p.kill();
    p.waitForFinished(10000);
}

}  // namespace

class AppBinaryTest : public QObject {
    Q_OBJECT
private slots:
    void secondCopy_leavesAtOnceWithoutTouchingFiles();
    void leftoverLockFile_doesNotBlockStart();
};

void AppBinaryTest::secondCopy_leavesAtOnceWithoutTouchingFiles() {
    FarEnd tnc;
    QVERIFY(tnc.openPair());
    ProgramDir d;
    // Every start that gets past the lock writes a log header: a second header would show it.
    QVERIFY(d.install("DEVICE=" + tnc.slavePath + "\nSAVERX=1\n"));
    QProcess first;
    first.start(d.binary, {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(d.read("$log_rx.txt").startsWith(kHeaderStart), 20000);

    QProcess second;
    second.start(d.binary, {});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    QCOMPARE(d.read("$log_rx.txt").count(kHeaderStart), 1);
    stop(first);
}

void AppBinaryTest::leftoverLockFile_doesNotBlockStart() {
    FarEnd tnc;
    QVERIFY(tnc.openPair());
    ProgramDir d;
    QVERIFY(d.install("DEVICE=" + tnc.slavePath + "\nSAVERX=1\n"));
    QFile stale(d.dir.filePath(".quilmo.lock"));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("12345\n");
    stale.close();
    QProcess p;
    p.start(d.binary, {});
    QVERIFY(p.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(d.read("$log_rx.txt").startsWith(kHeaderStart), 20000);
    QCOMPARE(p.state(), QProcess::Running);
    stop(p);
}

QTEST_GUILESS_MAIN(AppBinaryTest)
#include "app_binary_test.moc"

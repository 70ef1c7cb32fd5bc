// The built program in a program directory of its own: one running copy per directory.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "pty_far_end.h"

class AppBinaryTest : public QObject {
    Q_OBJECT
    quilmo::test::FarEnd tnc_;
    QTemporaryDir dir_;
    QString binary_ = dir_.filePath("quilmo");
    const QByteArray kHeaderStart = "------------- ";  // every start past the lock writes one

    QByteArray rxLog() const {
        QFile f(dir_.filePath("$log_rx.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        QVERIFY(tnc_.openPair());
        QVERIFY(QFile::copy(QStringLiteral(QUILMO_BINARY), binary_));
        QFile ini(dir_.filePath("Quilmo.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray::fromStdString("DEVICE=" + tnc_.slavePath + "\nSAVERX=1\n"));
    }

    void leftoverLockFile_doesNotBlockStart_secondCopyLeavesAtOnce() {
        QFile stale(dir_.filePath(".quilmo.lock"));  // as a crashed run leaves it
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("12345\n") == 6);
        stale.close();
        QProcess first;
        first.start(binary_, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(rxLog().startsWith(kHeaderStart), 20000);

        QProcess second;
        second.start(binary_, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(rxLog().count(kHeaderStart), 1);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(AppBinaryTest)
#include "app_binary_test.moc"

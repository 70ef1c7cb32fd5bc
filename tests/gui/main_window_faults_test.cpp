// Faults the window meets for real: a disk that fills and frees while APRS decodes, files
// that cannot be written. What the writers keep and undo is unit-tested; these prove the
// window loses nothing and says so. Stop signals: faults_binary_test.
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {


std::string position(int n) {
    char line[64];
    std::snprintf(line, sizeof line, "S%02d>APRS:!44%02d.60N/01120.10E-\r\n", n, n % 60);
    return line;
}

QString notice(const Harness& h) {
    auto* line = h.find<QLabel>("Label37");
    return line->isVisible() ? line->toolTip() : QString();
}

bool wellFormed(const QString& path) { return QProcess::execute("xmllint", {"--noout", path}) == 0; }

// A tmpfs of its own, filled to the last page and freed again on demand.
struct SmallDisk {
    QTemporaryDir mountPoint;
    bool mounted = ::mount("tmpfs", mountPoint.path().toLocal8Bit().constData(), "tmpfs", 0, "size=256k") == 0;
    ~SmallDisk() {
        if (mounted) ::umount2(mountPoint.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    QString filler() const { return mountPoint.filePath("filler"); }
    void fill() const {
        const int fd = ::open(filler().toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {}
        ::close(fd);
    }
    void free() const { QFile::remove(filler()); }
};

}  // namespace

class MainWindowFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void diskFillsAndFrees_logsLoseNothingTrackStaysWhole() {
        SmallDisk disk;
        if (!disk.mounted) QSKIP("mounting a tmpfs is not permitted here; CI runs as root and can");
        qputenv("TMPDIR", disk.mountPoint.path().toLocal8Bit());  // the harness's program directory goes there
        Harness h;
        qunsetenv("TMPDIR");
        h.start("APRS=1\nSAVERX=1\n");
        QVERIFY(h.startAprs());
        std::string fed;
        const auto feed = [&](int from, int to) {
            for (int n = from; n < to; ++n) {
                fed += position(n);
                h.port.feed(position(n));
            }
        };
        feed(0, 5);
        QCOMPARE(notice(h), QString());
        disk.fill();
        feed(5, 40);
        QVERIFY2(notice(h).contains("No space left on device"), qPrintable(notice(h)));
        QVERIFY(h.find<QCheckBox>("Check1")->isChecked());
        QVERIFY(wellFormed(h.path(kKml)));
        disk.free();
        feed(40, 45);
        QVERIFY2(notice(h).endsWith("is written again"), qPrintable(notice(h)));

        QCOMPARE(h.readFile("$log_rx.txt"), kLogHeader + fed);
        QCOMPARE(QByteArray::fromStdString(h.readFile("$log_aprs.txt")).count("lat./lon."), 45);
        QVERIFY(wellFormed(h.path(kKml)));
        const std::string track = h.readFile(kKml);
        for (const int n : {0, 4, 40, 44}) QVERIFY(track.find(" " + position(n).substr(0, 3)) != std::string::npos);
    }

    // A directory in a file's place, or a file in its folder's place, fails for every user;
    // taking it away lets the file be written.
    void fileThatCannotBeWritten_noticeNamesItUntilWrittenAgain() {
        const struct { std::string file, blocker; std::function<void(Harness&)> write; } rows[] = {
            {"$log_rx.txt", "$log_rx.txt", [](Harness& h) { h.port.feed(std::string(200, 'r')); }},
            {kKml, "kml", [](Harness& h) { h.port.feed(position(1)); }},
            {"filter.ini", "filter.ini", [](Harness& h) {
                 h.click("Label34");
                 QTest::mouseClick(h.find("Form2")->findChild<QPushButton*>("Command1"), Qt::LeftButton);
             }},
        };
        for (const auto& [file, blocker, write] : rows) {
            Harness h;
            if (file == blocker) std::filesystem::create_directory(h.path(blocker).toStdString());
            else h.writeFile(blocker, "");
            h.start("APRS=1\nSAVERX=1\n");
            QVERIFY(h.startAprs());
            write(h);
            QVERIFY2(notice(h).startsWith("Cannot write " + h.path(file) + ": "), qPrintable(notice(h)));
            std::filesystem::remove(h.path(blocker).toStdString());
            write(h);
            QCOMPARE(notice(h), h.path(file) + " is written again");
        }
    }
};

QTEST_MAIN(MainWindowFaultsTest)
#include "main_window_faults_test.moc"

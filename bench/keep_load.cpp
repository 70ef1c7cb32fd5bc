// A start with a full quilmo.sqlite: 100,000 heard stations and 1,000,000 track points
// (what the table and the tracks hold at most), all heard within the hours kept. Makes
// the database once, then times the program's start as the user waits for it: the
// session reads its settings (and with them the kept stations), the main window is made,
// started and shown. Offscreen; a Release build without sanitizers gives the figure.
//
//   keep_load_bench [FOLDER]   (default: a new temporary folder, removed afterwards)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>

#include "../tests/unit/fake_serial_port.h"
#include "app/link_session.h"
#include "app/main_window.h"
#include "platform/files.h"
#include "platform/qt_clock.h"
#include "platform/sqlite_station_store.h"

namespace {

using namespace quilmo;

constexpr int kStations = 100000;
constexpr int kPointsEach = 10;

bool makeDatabase(const std::string& path, const LocalTime& now) {
    StationBatch batch;
    const std::int64_t heard = wallClockSeconds(now) - 3600;
    for (int n = 0; n < kStations; ++n) {
        KeptStation s;
        s.station = "K" + std::to_string(n % 10) + "S" + std::to_string(n);
        s.heard = heard + n % 3600;
        s.heardText = "2026-12-05T14:15:03";
        s.order = static_cast<std::uint64_t>(n + 1);
        s.via = "WIDE1-1*";
        s.packets = 1 + n % 50;
        s.symbol = "Car";
        s.hasPosition = true;
        s.latitude = 44.5 + (n % 1000) * 1e-3;
        s.longitude = 11.25 - (n % 777) * 1e-3;
        s.speedKmh = n % 120;
        s.courseDeg = 79;
        s.lastText = "Mobile, QRV 145.500 " + std::to_string(n % 97);
        s.lastPacket = s.station + ">APRS,WIDE1-1*:!4430.60N/01120.10E>Mobile, QRV 145.500";
        batch.stations.push_back(std::move(s));
    }
    for (int k = 0; k < kPointsEach; ++k) {
        for (int n = 0; n < kStations; ++n) {
            const KeptStation& s = batch.stations[static_cast<std::size_t>(n)];
            batch.points.push_back({s.station, static_cast<std::int32_t>((s.latitude + k * 1e-3) * 1e7),
                                    static_cast<std::int32_t>(s.longitude * 1e7), heard + k * 300, false});
        }
    }
    SqliteStationStore store(path);
    std::string reason;
    if (store.apply(batch, reason)) return true;
    std::fprintf(stderr, "%s\n", reason.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const std::string dir = argc > 1 ? argv[1] : temporary.path().toStdString();
    const LocalTime now = currentLocalTime();
    const std::string database = joinPath(dir, "quilmo.sqlite");
    if (!QFile::exists(QString::fromStdString(database))) {
        QElapsedTimer making;
        making.start();
        if (!replaceFile(joinPath(dir, "Quilmo.ini"), "APRS=1\r\nMYCALL=N0CALL\r\n").ok() || !makeDatabase(database, now))
            return 1;
        std::printf("database made in %.1f s\n", making.elapsed() / 1000.0);
    }

    QElapsedTimer start;
    start.start();
    test::FakeSerialPort port;
    LinkSession session(dir, port, [now] { return now; });
    MainWindow window(session, {[](const QString&, const QString&) {}, [](const QString&) {}, [] {}, std::nullopt, [] {}});
    window.startUp();
    const qint64 loaded = start.elapsed();
    window.show();
    QApplication::processEvents();
    const qint64 shown = start.elapsed();
    std::printf("stations %zu, track points %zu\n", session.stations().size(), session.tracks().points());
    std::printf("settings and kept stations read: %.3f s; window shown: %.3f s (target 1.5 s)\n", loaded / 1000.0,
                shown / 1000.0);
    session.exitSequence();
    return session.stations().size() == kStations && shown <= 1500 ? 0 : 2;
}

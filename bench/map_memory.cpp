// Resident memory of the map with 100,000 stations and 1,000,000 track points: the program's
// share before the data, with the table and tracks filled, and with the map window open and
// drawn over them (Linux: VmRSS and its peak VmHWM from /proc/self/status).
#include <QApplication>
#include <QFile>
#include <cstdio>

#include "app/map_view.h"
#include "app/map_window.h"
#include "map_data.h"

namespace {

long statusKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

void report(const char* stage) {
    std::printf("%-44s RSS %7.1f MB   peak %7.1f MB\n", stage, statusKb("VmRSS:") / 1024.0, statusKb("VmHWM:") / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    report("Qt started");
    quilmo::StationTable table;
    quilmo::StationTracks tracks;
    quilmo::bench::fillHeavyMap(table, tracks);
    std::printf("stations %zu, track points %zu\n", table.size(), tracks.points());
    report("table and tracks filled");
    quilmo::MapWindow window({table, tracks, quilmo::GeoPoint{44.4917, 11.3375}, {}, {}, {}, {}});
    window.resize(1280 + 420, 1100);
    window.openWindow();
    window.view()->grab();
    report("map window open, fitted and drawn");
    window.view()->viewport().setZoom(12);
    window.view()->viewport().setCentre(quilmo::project({44.4949, 11.3426}));
    window.view()->grab();
    window.refresh();
    report("drawn at city zoom");
    return 0;
}

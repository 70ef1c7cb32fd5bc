// The Stations window over a table fed directly: header clicks sort on raw values, the
// filter matches station and last text, live updates keep the selection, and Ctrl+A,
// Ctrl+C copy the rows as shown. The table's own rules are unit-tested.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <random>
#include <set>

#include "aprs/stations_window.h"

using namespace quilmo;

namespace {

StationFacts heard(const char* station, const char* text, const char* distance = nullptr) {
    StationFacts f;
    f.station = station;
    f.lastText = text;
    if (distance != nullptr) {
        f.hasPosition = true;
        f.latitude = 44.5;
        f.longitude = 11.25;
        f.distanceKm = distance;
        f.symbol = "Car";
    }
    return f;
}

struct Fixture {
    QStringList clipboard;
    StationsWindow window{[this](const QString& text) { clipboard << text; }};
    QTableView* view = window.findChild<QTableView*>("StationsTable");
    int second = 0;

    void feed(const StationFacts& f) { window.table().update(f, LocalTime{2026, 12, 5, 9, 5, ++second}); }
    // The station column from top to bottom, once the window has caught up.
    QStringList stations() const {
        QStringList out;
        for (int r = 0; r < view->model()->rowCount(); ++r) out << view->model()->index(r, 0).data().toString();
        return out;
    }
    void clickHeader(StationColumn column) const {
        QHeaderView* header = view->horizontalHeader();
        const int c = static_cast<int>(column);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
    }
    bool framePending() const { return window.findChild<QTimer*>()->isActive(); }
};

}  // namespace

class StationsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void sortFilterCopy_followTheTable() {
        Fixture f;
        f.window.openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QSignalSpy resets(f.view->model(), &QAbstractItemModel::modelReset);

        f.feed(heard("N0CALL", "alpha", "9"));
        f.feed(heard("IW3ABC-9", "on the road", "50"));
        f.feed(heard("BRAVO", "net\ttonight\r\n"));
        f.feed(heard("K1XYZ", "bravo team", "5"));
        QTRY_COMPARE(f.stations(), (QStringList{"K1XYZ", "BRAVO", "IW3ABC-9", "N0CALL"}));  // newest first
        QVERIFY(!f.framePending());  // nothing runs once it has caught up

        // Numbers sort as numbers (9 before 50) and rows without a value stay last both ways.
        const struct { StationColumn column; QStringList order; } sorts[] = {
            {StationColumn::DistanceKm, {"K1XYZ", "N0CALL", "IW3ABC-9", "BRAVO"}},
            {StationColumn::DistanceKm, {"IW3ABC-9", "N0CALL", "K1XYZ", "BRAVO"}},
            {StationColumn::Station, {"BRAVO", "IW3ABC-9", "K1XYZ", "N0CALL"}},
            {StationColumn::LastHeard, {"N0CALL", "IW3ABC-9", "BRAVO", "K1XYZ"}},
        };
        for (const auto& s : sorts) {
            f.clickHeader(s.column);
            QCOMPARE(f.stations(), s.order);
        }

        // Station or last text, any case.
        QTest::keyClicks(f.window.findChild<QLineEdit*>("StationsFilter"), "BRAVO");
        QCOMPARE(f.stations(), (QStringList{"BRAVO", "K1XYZ"}));

        // Live: a changed row, a new one that matches and one that does not; the selection stays.
        f.view->selectRow(1);
        f.feed(heard("K1XYZ", "bravo team again", "6"));
        f.feed(heard("ZZ9BRAVO", "new"));
        f.feed(heard("OTHER", "not shown"));
        QTRY_COMPARE(f.stations(), (QStringList{"BRAVO", "K1XYZ", "ZZ9BRAVO"}));
        QCOMPARE(f.view->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(f.view->selectionModel()->selectedRows().front().data().toString(), QStringLiteral("K1XYZ"));
        QCOMPARE(resets.size(), 0);

        f.view->setFocus();
        QTest::keyClick(f.view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(f.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(f.clipboard,
                 QStringList{QString::fromUtf8("station\tlast heard\tpackets\tsymbol\tlatitude\tlongitude\tdistance km\tazimuth\t"
                                   "speed km/h\tcourse\taltitude m\tlast text\n"
                                   "BRAVO\t2026-12-05 09:05:03\t1\t\t\t\t\t\t\t\t\tnet tonight  \n"
                                   "K1XYZ\t2026-12-05 09:05:05\t2\tCar\t44.5\t11.25\t6\t\t\t\t\tbravo team again\n"
                                   "ZZ9BRAVO\t2026-12-05 09:05:06\t1\t\t\t\t\t\t\t\t\tnew\n")});

        // Hidden, it keeps no timer running; shown again, it has caught up at once.
        f.window.hide();
        f.feed(heard("BRAVO-2", "late"));
        QVERIFY(!f.framePending());
        f.window.openWindow();
        QCOMPARE(f.stations().size(), 4);
    }

    // Evictions, kills and returns between frames, ids given to new stations before the old
    // row was taken away: after each frame the rows are exactly the table's, and Qt's model
    // tester finds every signal consistent.
    void model_catchesUpWithAnyMixOfChanges() {
        StationsModel model(5);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        std::mt19937 random(14);
        for (int step = 0; step < 3000; ++step) {
            StationFacts f = heard(std::to_string(random() % 9).c_str(), "x");
            f.killed = random() % 4 == 0;
            model.table().update(f, LocalTime{});
            if (random() % 6 != 0) continue;
            model.applyPending();
            std::multiset<QString> shown, held;
            for (int r = 0; r < model.rowCount(); ++r) shown.insert(model.cellText(r, 0));
            model.table().forEachNewestFirst([&held](StationTable::RowId, const StationRow& row) {
                held.insert(QString::fromStdString(row.station));
            });
            QCOMPARE(shown, held);
        }
    }
};

QTEST_MAIN(StationsWindowTest)
#include "stations_window_test.moc"

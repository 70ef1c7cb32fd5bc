// The two APRS windows, driven offscreen. The station filter window over a real
// filter.ini: what opening shows, what "Ok" stores, and where its boxes go at full size
// and scaled down. The Stations window over a table fed directly: header clicks sort on
// raw values, the filter matches station and last text, live updates keep the selection,
// and Ctrl+A, Ctrl+C copy the rows as shown. Parsing the file and the table's own rules
// are unit-tested; these prove the windows follow them.
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <random>
#include <set>

#include "../e2e/qt_files.h"
#include "app/filter_window.h"
#include "app/stations_window.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {
struct FilterFixture {
    QTemporaryDir dir;
    FilterFlags flags{};
    FilterWindow window{flags, dir.path().toStdString()};

    QString ini() const { return dir.filePath("filter.ini"); }
    QStringList checked() const {
        QStringList out;
        for (QCheckBox* box : window.findChildren<QCheckBox*>())
            if (box->isChecked()) out << box->text();
        return out;
    }
    void click(const QString& name) const {
        QWidget* w = window.findChild<QWidget*>(name);  // a missing one fails the test with a crash
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
    }
};

// With a distance, also a car's position, heard through a digipeater from a radio the device list knows.
StationFacts heard(const char* station, const char* text, std::optional<std::int32_t> distance = std::nullopt) {
    StationFacts f;
    f.station = station;
    f.lastText = text;
    if (!distance) return f;
    f.hasPosition = true;
    f.latitude = 44.5;
    f.longitude = 11.25;
    f.distanceKm = distance;
    f.symbol = "Car";
    f.device = "Kenwood TH-D72";
    f.via = "DIGI";
    return f;
}

struct StationsFixture {
    QStringList clipboard;
    StationTable table;
    StationsWindow window{table, [this](const QString& text) { clipboard << text; }};
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

class AprsWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void opening_showsFileAndOkStoresIt_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("no file") << QByteArray() << QStringList{"*all"} << QByteArray("0\r\n");
        QTest::newRow("car and a number too large") << QByteArray("62\r\n300") << QStringList{"*all", "Car"}
                                                    << QByteArray("0\r\n62\r\n");
    }
    void opening_showsFileAndOkStoresIt() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, checked);
        QFETCH(QByteArray, stored);
        FilterFixture f;
        QVERIFY(file.isEmpty() || writeFile(f.ini(), file));
        QVERIFY(f.window.openWindow());
        QCOMPARE(f.checked(), checked);
        f.click("Command1");
        QVERIFY(!f.window.isVisible());
        QCOMPARE(readFile(f.ini()), stored);
    }

    void reopenWhileOpen_keepsClicks_thenNothingCheckedStoresAll() {
        FilterFixture f;
        f.window.openWindow();
        f.click("Check2");
        QVERIFY(writeFile(f.ini(), "62\r\n"));
        QVERIFY(!f.window.openWindow());
        QCOMPARE(f.checked(), (QStringList{"*all", "*messages"}));
        for (const char* box : {"Check0", "Check2"}) f.click(box);
        QVERIFY(f.checked().isEmpty());
        f.click("Command1");
        QCOMPARE(readFile(f.ini()), QByteArray("0\r\n"));
        QCOMPARE(f.flags[0], 1);
    }

    // Every box shows its whole caption and meets no other box and not the Ok button, and
    // the window keeps the drawn size times the main window's scale.
    void boxesFitAndKeepApart_data() {
        QTest::addColumn<double>("scale");
        QTest::newRow("full size") << 1.0;
        QTest::newRow("960x540") << 540.0 / 768;
    }
    void boxesFitAndKeepApart() {
        QFETCH(double, scale);
        FilterFixture f;
        f.window.setScale(scale);
        QVERIFY(f.window.openWindow());
        const auto px = [&](int twips) { return static_cast<int>(std::lround(twips * scale * f.window.logicalDpiY() / 1440.0)); };
        QCOMPARE(f.window.size(), QSize(px(4395), px(8820)));
        QWidgetList elements{f.window.findChild<QPushButton*>("Command1")};
        for (QCheckBox* box : f.window.findChildren<QCheckBox*>()) elements << box;
        QCOMPARE(elements.size(), 33);
        for (int i = 0; i < elements.size(); ++i) {
            const QWidget* w = elements[i];
            QVERIFY2(f.window.rect().contains(w->geometry()), qPrintable(w->objectName()));
            const bool captionFits = w->sizeHint().width() <= w->width() && w->fontMetrics().height() <= w->height();
            QVERIFY2(i == 0 || captionFits, qPrintable(w->objectName()));  // the Ok button keeps its drawn size
            for (int j = i + 1; j < elements.size(); ++j) {
                QVERIFY2(!w->geometry().intersects(elements[j]->geometry()),
                         qPrintable(w->objectName() + " meets " + elements[j]->objectName()));
            }
        }
    }

    // A station's menu: a message to it, the map on it, its record under the table, its
    // position to the clipboard; a station without a position has nothing to show or copy.
    void stationMenu_actions() {
        StationsFixture f;
        f.window.setLatestRecord([](const std::string& station) { return "record of " + station + "\r\n"; });
        f.feed(heard("IW0ABC-9", "on the road", 12));
        f.feed(heard("NOPOS", "status only"));
        f.window.openWindow();
        f.window.catchUp();
        QCOMPARE(f.stations(), QStringList({"NOPOS", "IW0ABC-9"}));
        std::unique_ptr<QMenu> menu(f.window.stationMenu(1));
        QVERIFY(menu != nullptr);
        QStringList texts;
        for (QAction* a : menu->actions()) texts << a->text();
        QCOMPARE(texts, QStringList({"Send message", "Show on map", "Show record", "Copy position"}));
        QSignalSpy messages(&f.window, &StationsWindow::sendMessageTo);
        QSignalSpy onMap(&f.window, &StationsWindow::showOnMap);
        for (QAction* a : menu->actions()) a->trigger();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0][0].toString(), QString("IW0ABC-9"));
        QCOMPARE(onMap.size(), 1);
        QCOMPARE(onMap[0][0].toString(), QString("IW0ABC-9"));
        auto* record = f.window.findChild<QPlainTextEdit*>("StationsRecord");
        QVERIFY(record->isVisible());
        QCOMPARE(record->toPlainText(), QString("record of IW0ABC-9"));
        QCOMPARE(f.clipboard, QStringList("44.50000, 11.25000"));

        std::unique_ptr<QMenu> none(f.window.stationMenu(0));
        QVERIFY(none != nullptr);
        QVERIFY(none->actions()[0]->isEnabled());
        QVERIFY(!none->actions()[1]->isEnabled());
        QVERIFY(!none->actions()[3]->isEnabled());
        QVERIFY(f.window.stationMenu(2) == nullptr);
    }

    // The symbol column shows the symbol beside its name; nothing where the set has none.
    void symbolColumn_showsTheSymbol() {
        const SymbolSet set = SymbolSet::parse("TABLE /\nAPRS >\n" + [] {
            std::string rows;
            for (int y = 0; y < kSymbolSide; ++y) rows += std::string(kSymbolSide, 'j') + "\n";
            return rows;
        }());
        StationsFixture f;
        f.window.model()->setSymbols(&set);
        StationFacts car = heard("CAR", "x", 3);
        car.symbolTable = '/';
        car.symbolCode = '>';
        StationFacts house = heard("HOUSE", "y", 4);
        house.symbolTable = '/';
        house.symbolCode = '-';
        f.feed(car);
        f.feed(house);
        f.window.openWindow();
        f.window.catchUp();
        const int symbol = static_cast<int>(StationColumn::Symbol);
        const QImage image = f.view->model()->index(1, symbol).data(Qt::DecorationRole).value<QImage>();
        QCOMPARE(f.view->model()->index(1, 0).data().toString(), QString("CAR"));
        QCOMPARE(image.size(), QSize(kSymbolSide, kSymbolSide));
        QCOMPARE(image.pixelColor(5, 5), QColor(0xEE, 0, 0));
        QVERIFY(!f.view->model()->index(0, symbol).data(Qt::DecorationRole).isValid());
        f.window.model()->setSymbols(nullptr);
        QVERIFY(!f.view->model()->index(1, symbol).data(Qt::DecorationRole).isValid());
    }

    // A record from the air is shown as its text: markup in it stays markup.
    void record_showsMarkupAsWritten() {
        StationsFixture f;
        f.window.setLatestRecord([](const std::string& station) { return station + "\r\n<b>x</b><img src=\"/local/file\">"; });
        f.window.openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.feed(heard("<h1>HUGE", "<i>text</i>"));
        QTRY_COMPARE(f.stations(), QStringList{"<h1>HUGE"});
        const QModelIndex first = f.view->model()->index(0, 0);
        QTest::mouseClick(f.view->viewport(), Qt::LeftButton, {}, f.view->visualRect(first).center());
        QTest::mouseDClick(f.view->viewport(), Qt::LeftButton, {}, f.view->visualRect(first).center());
        auto* record = f.window.findChild<QPlainTextEdit*>("StationsRecord");
        QTRY_VERIFY(record->isVisible());
        QCOMPARE(record->toPlainText(), QString("<h1>HUGE\n<b>x</b><img src=\"/local/file\">"));
    }

    void sortFilterCopy_followTheTable() {
        StationsFixture f;
        f.window.openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QSignalSpy resets(f.view->model(), &QAbstractItemModel::modelReset);

        f.feed(heard("N0CALL", "alpha", 9));
        f.feed(heard("IW3ABC-9", "on the road", 50));
        f.feed(heard("BRAVO", "net\ttonight\r\n"));
        f.feed(heard("K1XYZ", "bravo team", 5));
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
        f.feed(heard("K1XYZ", "bravo team again", 6));
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
                 QStringList{QString::fromUtf8("station\tlast heard\tvia\tpackets\tsymbol\tdevice\tlatitude\tlongitude\tdistance km\t"
                                   "azimuth\tspeed km/h\tcourse\taltitude m\tlast text\n"
                                   "BRAVO\t2026-12-05 09:05:03\t\t1\t\t\t\t\t\t\t\t\t\tnet tonight  \n"
                                   "K1XYZ\t2026-12-05 09:05:05\tDIGI\t2\tCar\tKenwood TH-D72\t44.50000\t11.25000\t6.0\t\t\t\t\tbravo team again\n"
                                   "ZZ9BRAVO\t2026-12-05 09:05:06\t\t1\t\t\t\t\t\t\t\t\t\tnew\n")});

        // Hidden, it keeps no timer running; shown again, it has caught up at once.
        f.window.hide();
        f.feed(heard("BRAVO-2", "late"));
        QVERIFY(!f.framePending());
        f.window.openWindow();
        QCOMPARE(f.stations().size(), 4);
    }

    // Every numeric column sorts on its own values: each orders the stations A..D another
    // way, so a column compared by another's values gives a wrong order; E has no position
    // and stays last both ways. The cells show the values in the records' forms.
    void numberColumns_sortByTheirOwnValues() {
        const struct { const char* station; double lat, lon; std::int32_t km; int azimuth; double kmh, course, altitude; } facts[] = {
            {"A", -20, -9, 120, 359, 0, 90.5, 5},
            {"B", -3, -100, 4000, 180, 60, 0.5, 1200},
            {"C", 5, 120, 9, 90, 7, 300, -10},
            {"D", 40, 8, 50, 5, 100, 45, 76},
        };
        StationsFixture f;
        for (const auto& r : facts) {
            StationFacts h = heard(r.station, "x", r.km);
            h.latitude = r.lat;
            h.longitude = r.lon;
            h.azimuthDeg = r.azimuth;
            h.speedKmh = r.kmh;
            h.courseDeg = r.course;
            h.altitudeM = r.altitude;
            f.feed(h);
        }
        f.feed(heard("E", "no position"));
        f.window.openWindow();
        QTRY_COMPARE(f.stations().size(), 5);
        const struct { StationColumn column; QStringList ascending; } sorts[] = {
            {StationColumn::Latitude, {"A", "B", "C", "D"}},  {StationColumn::Longitude, {"B", "A", "D", "C"}},
            {StationColumn::DistanceKm, {"C", "D", "A", "B"}}, {StationColumn::Azimuth, {"D", "C", "B", "A"}},
            {StationColumn::SpeedKmh, {"A", "C", "B", "D"}},  {StationColumn::Course, {"B", "D", "A", "C"}},
            {StationColumn::AltitudeM, {"C", "A", "D", "B"}},
        };
        for (const auto& s : sorts) {
            f.view->sortByColumn(static_cast<int>(s.column), Qt::AscendingOrder);
            QCOMPARE(f.stations(), s.ascending + QStringList{"E"});
            f.view->sortByColumn(static_cast<int>(s.column), Qt::DescendingOrder);
            QStringList descending(s.ascending.rbegin(), s.ascending.rend());
            QCOMPARE(f.stations(), descending + QStringList{"E"});
        }
        f.view->sortByColumn(static_cast<int>(StationColumn::Station), Qt::AscendingOrder);
        QStringList cells;
        for (int c = static_cast<int>(StationColumn::Latitude); c <= static_cast<int>(StationColumn::AltitudeM); ++c)
            cells << f.view->model()->index(0, c).data().toString();
        QCOMPARE(cells.join(u'|'), QString::fromUtf8("-20.00000|-9.00000|120|359°N|0|90.5°E|5"));
    }

    // Evictions, kills and returns between frames, ids given to new stations before the old
    // row was taken away: after each frame the rows are exactly the table's, and Qt's model
    // tester finds every signal consistent.
    void model_catchesUpWithAnyMixOfChanges() {
        StationTable table(5);
        StationsModel model(table);
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

QTEST_MAIN(AprsWindowsTest)
#include "aprs_windows_test.moc"

// The " stations" button of the APRS panel and the table behind it: shown with the panel in
// both states, it opens the Stations window without pausing the device or closing the
// track, and every recognised packet reaches the table, shown by the filter or not.
#include <QAbstractItemModel>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "app/click_label.h"
#include "main_window_harness.h"

using namespace quilmo;
using namespace quilmo::test;

class MainWindowStationsTest : public QObject {
    Q_OBJECT
private slots:
    void stationsButton_followsTheAprsPanel() {
        for (const bool aprsOn : {false, true}) {
            Harness h;
            h.start(aprsOn ? "APRS=1\n" : "");
            QCOMPARE(h.find("Label36")->isVisible(), aprsOn);
        }
    }

    void stationsButton_opensTheTableOfEveryPacket() {
        Harness h;
        h.writeFile("filter.ini", "62\r\n");  // cars only: the home station is not shown
        h.start("APRS=1\n");
        auto* button = h.find<ClickLabel>("Label36");
        QCOMPARE(button->text(), QStringLiteral(" stations"));
        QCOMPARE(button->toolTip(), QStringLiteral("heard stations"));
        QCOMPARE(button->background(), QColor(0x00, 0x40, 0x80));

        h.click("Label32");  // APRS start: XOFF, the filter window, then its "Ok" and XON
        QWidget* filter = h.window->findChild<QWidget*>("Form2");
        QTRY_VERIFY(filter != nullptr && filter->isVisible());
        QTest::mouseClick(filter->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QVERIFY(button->isVisible());

        h.port.feed("CAR>DEST:!4430.60N/01120.10E>drive\r\nSRC>DEST,PATH:!4430.60N/01120.10E-home\r\n");
        QVERIFY(h.window->aprsView().text().find("drive") != std::string::npos);
        QVERIFY(h.window->aprsView().text().find("home") == std::string::npos);
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());
        const std::string sent = h.port.written;
        h.click("Label36");
        auto* stations = h.window->findChild<QWidget*>("Stations");
        QTRY_VERIFY(stations != nullptr && stations->isVisible());
        QCOMPARE(stations->windowTitle(), QStringLiteral("Stations"));
        QCOMPARE(h.port.written, sent);
        QVERIFY(h.window->kmlTrack().kmlDocumentOpen());

        const QAbstractItemModel* rows = stations->findChild<QTableView*>("StationsTable")->model();
        QTRY_COMPARE(rows->rowCount(), 2);
        QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("SRC"));
        QCOMPARE(rows->index(1, 0).data().toString(), QStringLiteral("CAR"));
        QCOMPARE(rows->index(0, 1).data().toString(), QStringLiteral("2026-12-05 14:15:03"));
    }
};

QTEST_MAIN(MainWindowStationsTest)
#include "main_window_stations_test.moc"

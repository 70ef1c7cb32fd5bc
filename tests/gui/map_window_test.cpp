// The map window offscreen, fed directly through its table and tracks: the built-in base
// map shows land and sea where they are at every zoom, crowded stations gather into a
// cluster that parts when zoomed in, the time choice and the catch-up pace, and tiles from a
// local server (one missing, one server that never answers, one gone after filling the disk
// cache, and servers that misbehave: huge images, trickling bytes, web pages, redirects away,
// markup in their words). The index, projection and track rules themselves are unit-tested.
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTextDocument>
#include <QToolTip>
#include <QLabel>
#include <QNetworkDiskCache>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/map_render.h"
#include "app/map_scene.h"
#include "app/map_tiles.h"
#include "app/map_view.h"
#include "app/map_window.h"
#include "map/map_readouts.h"
#include "tile_server.h"

using namespace quilmo;
using namespace quilmo::test;

namespace {

const LocalTime kNow{2026, 12, 5, 9, 30, 0};
const GeoPoint kParis{48.8566, 2.3522}, kAtlantic{30, -40}, kBologna{44.4949, 11.3426};

struct MapFixture {
    QTemporaryDir cache;
    StationTable table;
    StationTracks tracks;
    std::optional<GeoPoint> own;
    int tileTimeoutMs = 300;
    std::unique_ptr<MapWindow> window;

    QStringList clipboard;

    void hear(const std::string& station, GeoPoint at, int minutesAgo = 1, char symbolTable = 0, char symbolCode = 0) {
        StationFacts f;
        f.station = station;
        f.symbolTable = symbolTable;
        f.symbolCode = symbolCode;
        f.hasPosition = true;
        f.latitude = at.latitude;
        f.longitude = at.longitude;
        f.lastText = "text of " + station;
        LocalTime heard = kNow;
        heard.minute -= minutesAgo % 60;
        heard.hour -= minutesAgo / 60;
        table.update(f, heard);
        tracks.add(f, heard);
    }
    // `fitted`: as the window fits the screen; else the larger size the tile and base-map
    // rows were written for.
    bool open(const QString& tiles = {}, bool fitted = false) {
        window = std::make_unique<MapWindow>(MapSources{table, tracks, own, tiles.toStdString(), {},
                                                        [](const std::string& s) { return "record of " + s + "\r\n"; },
                                                        [] { return kNow; }, cache.path(), tileTimeoutMs,
                                                        [this](const QString& text) { clipboard << text; }});
        if (!fitted) window->resize(1280, 800);
        window->openWindow();
        return QTest::qWaitForWindowExposed(window.get());
    }
    MapViewport& viewport() const { return window->view()->viewport(); }
    // Where the point is drawn, in the copy of the world nearest the view's middle.
    QPointF screenOf(GeoPoint g) const {
        const WorldPoint w = project(g);
        const double copy = std::round(viewport().centre().x - w.x);
        return {viewport().screenX(w.x + copy), viewport().screenY(w.y)};
    }
    QColor colourAt(GeoPoint g) const {
        const QImage frame = window->view()->grab().toImage();
        return frame.pixelColor(screenOf(g).toPoint());
    }
    void lookAt(GeoPoint centre, double zoom) const {
        viewport().setZoom(zoom);
        viewport().setCentre(project(centre));
        window->view()->update();
    }
};

// The tile with Paris in it at zoom 2.
const char* const kParisTile = "/2/2/1.png";

bool onDisk(const QString& folder, const QString& url) {
    QNetworkDiskCache disk;
    disk.setCacheDirectory(folder);
    return disk.metaData(QUrl(url)).isValid();
}

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <= 6;
}

// A symbol set of our own: a car all red, the alternate digipeater all green, and an
// overlay "3" that is one black column in the middle.
SymbolSet testSymbols() {
    const auto picture = [](char letter) {
        std::string rows;
        for (int y = 0; y < kSymbolSide; ++y) rows += std::string(kSymbolSide, letter) + "\n";
        return rows;
    };
    std::string overlay;
    for (int y = 0; y < kSymbolSide; ++y) overlay += std::string(10, '.') + "q" + std::string(9, '.') + "\n";
    return SymbolSet::parse("TABLE /\nAPRS >\n" + picture('j') + "TABLE \\\nAPRS #\n" + picture('k') + "TABLE #\nAPRS 3\n" + overlay);
}

// One frame of the overlay alone: the stations of the table over a plain background.
QImage paintStations(const SymbolSet* symbols, const StationTable& table, GeoPoint centre) {
    StationTracks tracks;
    MapScene scene;
    scene.rebuild(table, tracks, MapScene::kAllTime);
    MapViewport view(200, 200);
    view.setZoom(14);
    view.setCentre(project(centre));
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    QPainter p(&image);
    MapPainter painter(symbols);
    painter.paintOverlay(p, view, {scene, tracks, std::nullopt, -1});
    return image;
}

// A tooltip as it reads on the screen: what rich text makes of it.
QString shownText(const QString& tip) {
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

}  // namespace

class MapWindowTest : public QObject {
    Q_OBJECT
private slots:
    void baseMap_landAndSeaWhereTheyAre_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("zoom");  // 0: the whole world
        QTest::addColumn<bool>("land");
        QTest::newRow("whole world: Paris") << kParis.latitude << kParis.longitude << 0.0 << true;
        QTest::newRow("whole world: mid-Atlantic") << kAtlantic.latitude << kAtlantic.longitude << 0.0 << false;
        QTest::newRow("city: Paris") << kParis.latitude << kParis.longitude << 14.0 << true;
        QTest::newRow("city: mid-Atlantic") << kAtlantic.latitude << kAtlantic.longitude << 14.0 << false;
        QTest::newRow("street: Paris") << kParis.latitude << kParis.longitude << 19.0 << true;
        QTest::newRow("country: Alaska across 180 degrees") << 66.0 << -155.0 << 4.0 << true;
    }
    void baseMap_landAndSeaWhereTheyAre() {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, zoom);
        QFETCH(bool, land);
        MapFixture f;
        QVERIFY(f.open());
        if (zoom > 0) f.lookAt(std::abs(lon) > 150 ? GeoPoint{lat, 179.5} : GeoPoint{lat, lon}, zoom);
        const QColor seen = f.colourAt({lat, lon});
        QVERIFY2(near(seen, land ? MapPainter::kLand : MapPainter::kSea), qPrintable(seen.name()));
    }

    // A station moves when it reports a speed above 0, and then its arrow points along its
    // own course; speed and course differ in every row, so one read for the other shows.
    void scene_markerAndCourseFromTheRow() {
        const struct { const char* station; std::optional<double> kmh, course; const char* symbol; MarkerKind kind; float arrow; } rows[] = {
            {"MOVING", 54, 80, "Car", MarkerKind::Moving, 80},
            {"STOPPED", 0, 80, "Car", MarkerKind::Fixed, -1},
            {"NOCOURSE", 30, std::nullopt, "Car", MarkerKind::Moving, -1},
            {"NOSPEED", std::nullopt, 120, "Car", MarkerKind::Fixed, -1},
            {"WX", 12, 200, "Weather station", MarkerKind::Weather, -1},
        };
        StationTable table;
        StationTracks tracks;
        for (const auto& r : rows) {
            StationFacts f;
            f.station = r.station;
            f.symbol = r.symbol;
            f.hasPosition = true;
            f.latitude = kBologna.latitude;
            f.longitude = kBologna.longitude;
            f.speedKmh = r.kmh;
            f.courseDeg = r.course;
            table.update(f, kNow);
        }
        MapScene scene;
        scene.rebuild(table, tracks, MapScene::kAllTime);
        for (const auto& r : rows) {
            const int at = scene.find(r.station);
            QVERIFY2(at >= 0, r.station);
            const MapStation& s = scene.stations()[static_cast<std::size_t>(at)];
            QVERIFY2(s.kind == r.kind, r.station);
            QCOMPARE(s.course, r.arrow);
        }
    }

    // The first view fits the own position and every station; forty stations in one town
    // are one cluster there, standing apart once zoomed in; the own position is a marker.
    void stations_firstViewFitsAndClustersPart() {
        MapFixture f;
        f.own = GeoPoint{kBologna.latitude - 0.005, kBologna.longitude};
        for (int i = 0; i < 40; ++i) f.hear("BO" + std::to_string(i), {kBologna.latitude + (i % 8) * 0.01, kBologna.longitude + (i / 8) * 0.01});
        f.hear("VK2XYZ", {-33.8688, 151.2093});
        QVERIFY(f.open());
        QCOMPARE(f.window->findChild<QLabel*>("MapCount")->text(), QString("41 stations"));
        MapView* view = f.window->view();
        view->grab();
        const QRect inside = view->rect();
        for (const GeoPoint& g : {*f.own, GeoPoint{-33.8688, 151.2093}}) QVERIFY(inside.contains(f.screenOf(g).toPoint()));
        const DrawnCluster* cluster = view->clusterAt(f.screenOf({kBologna.latitude + 0.035, kBologna.longitude + 0.02}));
        QVERIFY(cluster != nullptr);
        QCOMPARE(cluster->count, 40u);
        const DrawnMarker* sydney = view->markerAt(f.screenOf({-33.8688, 151.2093}));
        QVERIFY(sydney && f.window->scene().stations()[static_cast<std::size_t>(sydney->station)].name == "VK2XYZ");

        f.lookAt({kBologna.latitude + 0.03, kBologna.longitude + 0.02}, 13);
        view->grab();
        QVERIFY(view->clusterAt(f.screenOf({kBologna.latitude + 0.035, kBologna.longitude + 0.02})) == nullptr);
        const DrawnMarker* one = view->markerAt(f.screenOf({kBologna.latitude + 0.01, kBologna.longitude}));
        QVERIFY(one && f.window->scene().stations()[static_cast<std::size_t>(one->station)].name == "BO1");
        const DrawnMarker* own = view->markerAt(f.screenOf(*f.own));
        QVERIFY(own && own->station == -1);
    }

    // Stations heard before the chosen time leave the map; new packets show within half a
    // second, not at once.
    void timeChoiceAndCatchUpPace() {
        MapFixture f;
        f.hear("NEW", kBologna, 5);
        f.hear("HOUR", kParis, 50);
        f.hear("OLD", kAtlantic, 5 * 60);
        QVERIFY(f.open());
        auto* count = f.window->findChild<QLabel*>("MapCount");
        auto* range = f.window->findChild<QComboBox*>("MapRange");
        QCOMPARE(range->currentText(), QString("all"));
        const struct { const char* choice; const char* shown; } rows[] = {
            {"last 15 min", "1 stations"}, {"last 1 h", "2 stations"}, {"last 6 h", "3 stations"}, {"all", "3 stations"}};
        for (const auto& r : rows) {
            range->setCurrentText(r.choice);
            QCOMPARE(count->text(), QString(r.shown));
        }
        f.hear("LATER", kParis, 0);
        f.window->refresh();
        QCOMPARE(count->text(), QString("3 stations"));
        QTRY_COMPARE(count->text(), QString("4 stations"));
        QVERIFY(f.window->centreOnStation("LATER"));
        QCOMPARE(f.window->selectedStation(), QString("LATER"));
        QCOMPARE(f.window->findChild<QPlainTextEdit*>("MapRecord")->toPlainText(), QString("record of LATER\n"));
        QVERIFY(!f.window->centreOnStation("NOBODY"));
    }

    // The real symbols where the set has them, the overlay character over the alternate
    // symbol, and the plain markers where the set lacks the symbol or there is no set.
    void symbols_drawnWithOverlayAndFallback() {
        const SymbolSet set = testSymbols();
        const SymbolSet empty;
        const struct { const char* name; const SymbolSet* symbols; char table, code; QColor centre, beside; } rows[] = {
            {"primary car", &set, '/', '>', QColor(0xEE, 0, 0), QColor(0xEE, 0, 0)},
            {"overlay 3 over the green digipeater", &set, '3', '#', Qt::black, QColor(0, 0xCD, 0)},
            {"alternate without overlay", &set, '\\', '#', QColor(0, 0xCD, 0), QColor(0, 0xCD, 0)},
            {"not in the set: a plain marker", &set, '/', '-', MapPainter::colourOf(MarkerKind::Fixed), Qt::gray},
            {"no symbol file", nullptr, '/', '>', MapPainter::colourOf(MarkerKind::Fixed), Qt::gray},
            {"an empty one", &empty, '/', '>', MapPainter::colourOf(MarkerKind::Fixed), Qt::gray},
        };
        for (const auto& r : rows) {
            StationTable table;
            StationFacts f;
            f.station = "N0CALL";
            f.hasPosition = true;
            f.latitude = kBologna.latitude;
            f.longitude = kBologna.longitude;
            f.symbolTable = r.table;
            f.symbolCode = r.code;
            table.update(f, kNow);
            const QImage frame = paintStations(r.symbols, table, kBologna);
            // The picture's pixel (10, 10) lies on the station's point; (3, 10) is 7 to the left.
            QVERIFY2(near(frame.pixelColor(100, 100), r.centre), r.name);
            QVERIFY2(near(frame.pixelColor(93, 100), r.beside), r.name);
        }
    }

    // The own position's ring shows over a cluster gathered around it.
    void ownPositionOverACluster() {
        MapFixture f;
        f.own = kBologna;
        for (int i = 0; i < 40; ++i) f.hear("BO" + std::to_string(i), {kBologna.latitude + (i % 8 - 4) * 0.002, kBologna.longitude + (i / 8 - 2) * 0.002});
        QVERIFY(f.open());
        f.lookAt(kBologna, 9);
        const QImage frame = f.window->view()->grab().toImage();
        QVERIFY(f.window->view()->clusterAt(f.screenOf(kBologna)) != nullptr);
        const QPoint ring = f.screenOf(kBologna).toPoint() + QPoint(7, 0);
        QVERIFY2(frame.pixelColor(ring).blue() > 200, qPrintable(frame.pixelColor(ring).name()));  // white, not the orange
    }

    // Under the map: where the pointer is, its locator, and how far and which way from the
    // own position; in the corner a scale bar as long as its round length.
    void pointerLineAndScaleBar() {
        MapFixture f;
        f.own = GeoPoint{kBologna.latitude - 0.1, kBologna.longitude};
        QVERIFY(f.open());
        f.lookAt(kBologna, 12);
        MapView* view = f.window->view();
        const QPoint at = f.screenOf(kBologna).toPoint();
        QTest::mouseMove(view, at);
        const QString text = f.window->pointerText();
        QVERIFY2(text.contains("JN54ql") && text.contains(" N  11.34") && text.startsWith("44.49"), qPrintable(text));
        QVERIFY2(text.endsWith("11 km, azimuth 0\u00B0 N from you"), qPrintable(text));
        QTest::mouseMove(view, at + QPoint(0, 200));  // south, 4 km nearer
        QVERIFY2(f.window->pointerText().contains("   5.7 km, azimuth "), qPrintable(f.window->pointerText()));

        const QImage frame = view->grab().toImage();
        const GeoPoint middle = unproject(f.viewport().toWorld(view->width() / 2.0, view->height() / 2.0));
        const ScaleBar bar = scaleBarFor(metresPerPixel(middle.latitude, 12), 120);
        QCOMPARE(scaleBarText(bar.metres), std::string("2 km"));
        const int y = view->height() - 12;
        QVERIFY(near(frame.pixelColor(10 + static_cast<int>(bar.pixels / 2), y), QColor(0xF2, 0xF2, 0xF2)));
        QVERIFY(!near(frame.pixelColor(10 + static_cast<int>(bar.pixels) + 8, y), QColor(0xF2, 0xF2, 0xF2)));
    }

    // At 1024 x 768 all of the window shows, with room above it for a title bar; after a
    // time choice the keys move the map again.
    void fitsTheScreenAndKeysGoBackToTheMap() {
        MapFixture f;
        f.hear("NEW", kBologna, 5);
        QVERIFY(f.open({}, true));
        const QRect room = f.window->screen()->availableGeometry();
        if (room.size() != QSize(1024, 768)) QSKIP("run by map_window_screen_test on a 1024 x 768 screen");
        const QRect frame = f.window->frameGeometry();
        QVERIFY2(room.contains(frame), qPrintable(QString("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
        QVERIFY(room.height() - frame.height() >= 30);  // a title bar fits
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        auto* range = f.window->findChild<QComboBox*>("MapRange");
        range->setFocus();
        QTest::keyClick(range, Qt::Key_Up);
        QCOMPARE(range->currentText(), QString("last 6 h"));
        QTRY_VERIFY(f.window->view()->hasFocus());
        const WorldPoint before = f.viewport().centre();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QVERIFY(f.viewport().centre().x > before.x);
    }

    // A station's menu on the map: a message to it, the map on it, its record, its position.
    void stationMenuActions() {
        MapFixture f;
        f.hear("IW0ABC-9", kBologna, 3);
        QVERIFY(f.open());
        f.lookAt(kParis, 10);
        const int station = f.window->scene().find("IW0ABC-9");
        std::unique_ptr<QMenu> menu(f.window->stationMenu(station));
        QVERIFY(menu != nullptr);
        QStringList texts;
        for (QAction* a : menu->actions()) texts << a->text();
        QCOMPARE(texts, QStringList({"Send message", "Show on map", "Show record", "Copy position"}));
        QSignalSpy messages(f.window.get(), &MapWindow::sendMessageTo);
        menu->actions()[0]->trigger();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0][0].toString(), QString("IW0ABC-9"));
        menu->actions()[1]->trigger();
        QVERIFY(std::abs(f.viewport().centre().x - project(kBologna).x) < 1e-9);
        f.window->view()->stationClicked(-1);
        QCOMPARE(f.window->selectedStation(), QString());
        menu->actions()[2]->trigger();
        QCOMPARE(f.window->selectedStation(), QString("IW0ABC-9"));
        QCOMPARE(f.window->findChild<QPlainTextEdit*>("MapRecord")->toPlainText(), QString("record of IW0ABC-9\n"));
        menu->actions()[3]->trigger();
        QCOMPARE(f.clipboard, QStringList("44.49490, 11.34260"));
        QVERIFY(f.window->stationMenu(-1) == nullptr);
    }

    // The tooltip says how long ago, and shows what came from the air as it was written.
    void tooltipAgoAndPlainText() {
        MapFixture f;
        f.own = GeoPoint{kBologna.latitude - 0.004, kBologna.longitude};
        f.hear("<b>X</b>", kBologna, 3);
        QVERIFY(f.open());
        f.lookAt(kBologna, 12);
        MapView* view = f.window->view();
        view->grab();
        const QPoint at = f.screenOf(kBologna).toPoint();
        QHelpEvent help(QEvent::ToolTip, at, view->mapToGlobal(at));
        QApplication::sendEvent(view, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        const QString shown = shownText(QToolTip::text());
        QVERIFY2(shown.startsWith("<b>X</b>\nheard 3 min ago (2026-12-05 09:27:00)\n0.4 km, azimuth 0\u00B0 N\ntext of <b>X</b>"), qPrintable(shown));
        QToolTip::hideText();
    }

    // Tiles cover the vector map where they come; a missing one leaves it visible and is not
    // asked for again; with the server gone the disk cache still has the others.
    void tiles_missingOneLeavesTheVectorMapAndTheDiskKeepsTheRest() {
        MapFixture f;
        TileServer server;
        server.answers["/2/2/1.png"] = TileServer::Answer::NotFound;  // Paris's
        QVERIFY(f.open(server.urlTemplate()));
        f.lookAt({20, 0}, 2);
        f.colourAt(kParis);
        const WorldRect v = f.viewport().visible();
        const qsizetype inView = static_cast<qsizetype>(tilesCovering(2, v.left, v.top, v.right, v.bottom).size());
        QTRY_COMPARE(server.paths.size(), inView);
        QTRY_VERIFY(near(f.colourAt(kAtlantic), server.colour));
        QVERIFY(near(f.colourAt(kParis), MapPainter::kLand));
        QCOMPARE(server.userAgent, QByteArray("Quilmo/6.0"));
        const std::string osm = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
        QCOMPARE(MapWindow::attributionFor(osm, ""), std::string("\xA9 OpenStreetMap contributors"));
        QCOMPARE(MapWindow::attributionFor(osm, "mine"), std::string("mine"));
        QCOMPARE(MapWindow::attributionFor(server.urlTemplate().toStdString(), ""), std::string());
        const qsizetype asked = server.paths.size();
        QCOMPARE(QSet<QByteArray>(server.paths.begin(), server.paths.end()).size(), asked);
        f.lookAt({20, 1}, 2);  // the same tiles once more
        f.colourAt(kParis);
        QTest::qWait(100);
        QCOMPARE(server.paths.size(), asked);
        QVERIFY(f.window->tileNotice().isEmpty());

        const QString sameTemplate = server.urlTemplate();
        server.close();
        f.window.reset();
        QVERIFY(f.open(sameTemplate));
        f.lookAt({20, 0}, 2);
        QTRY_VERIFY(near(f.colourAt(kAtlantic), server.colour));
        QCOMPARE(server.paths.size(), asked);
    }

    // Two requests at a time; a server that does not answer is given up after the timeout,
    // and after three failures in a row it is left alone for a while, with a notice.
    void tiles_silentServerIsLeftAloneWithANotice() {
        MapFixture f;
        TileServer server;
        server.fallback = TileServer::Answer::Silence;
        f.tileTimeoutMs = 1000;
        QVERIFY(f.open(server.urlTemplate()));
        QSignalSpy changed(f.window.get(), &MapWindow::tileNoticeChanged);
        f.lookAt({20, 0}, 2);
        f.colourAt(kParis);
        QTRY_COMPARE(server.paths.size(), 2);
        QTest::qWait(300);
        QCOMPARE(server.paths.size(), 2);
        auto* notice = f.window->findChild<QLabel*>("MapNotice");
        QTRY_VERIFY(notice->isVisible());
        QCOMPARE(notice->text(), QString("Map tiles unavailable (no whole tile within 1 s): the offline map is shown; "
                                         "the tile server is asked again in 30 s"));
        QCOMPARE(f.window->tileNotice(), notice->text());
        QCOMPARE(changed.size(), 1);
        const qsizetype asked = server.paths.size();
        const GeoPoint australia{-25, 134};
        f.lookAt(australia, 3);  // other tiles: not asked for while the server rests
        f.colourAt(australia);
        QTest::qWait(700);
        QCOMPARE(server.paths.size(), asked);
        QVERIFY(near(f.colourAt(australia), MapPainter::kLand));
    }
    // What is no tile is refused, kept neither on disk nor on the map, and the notice names
    // it; the rest of the view still comes. Three redirects on the same host and a 512-pixel
    // tile are fine.
    void tiles_whatIsNoTileIsRefused_data() {
        QTest::addColumn<TileServer::Answer>("answer");
        QTest::addColumn<int>("redirects");
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("refusal");  // empty: the tile shows
        using A = TileServer::Answer;
        QTest::newRow("huge image") << A::HugeImage << 0 << 256 << QString("5000\u00D75000 pixels, not 256 or 512 square");
        QTest::newRow("web page with 200") << A::Html << 0 << 256 << QString("not an image");
        QTest::newRow("3 MB body") << A::BigBody << 0 << 256 << QString("more than 2 MB");
        QTest::newRow("redirect to another host") << A::Away << 0 << 256 << QString("redirected to another host, localhost");
        QTest::newRow("four redirects") << A::Redirect << 4 << 256 << QString("more than 3 redirects");
        QTest::newRow("three redirects") << A::Redirect << 3 << 256 << QString();
        QTest::newRow("512 pixels") << A::Image << 0 << 512 << QString();
        QTest::newRow("384 pixels") << A::Image << 0 << 384 << QString("384\u00D7384 pixels, not 256 or 512 square");
    }
    void tiles_whatIsNoTileIsRefused() {
        QFETCH(TileServer::Answer, answer);
        QFETCH(int, redirects);
        QFETCH(int, side);
        QFETCH(QString, refusal);
        MapFixture f;
        TileServer server, away;
        server.answers[kParisTile] = answer;
        server.redirects = redirects;
        server.awayHost = "localhost:" + QByteArray::number(away.port());
        away.colour = server.colour;
        server.sides[kParisTile] = side;
        f.tileTimeoutMs = 5000;
        QVERIFY(f.open(server.urlTemplate()));
        f.lookAt({20, 0}, 2);
        QTRY_VERIFY(near(f.colourAt(kAtlantic), server.colour));
        auto* notice = f.window->findChild<QLabel*>("MapNotice");
        const QString parisUrl = server.urlTemplate().replace("{z}/{x}/{y}", "2/2/1");
        if (refusal.isEmpty()) {
            QTRY_VERIFY(near(f.colourAt(kParis), server.colour));
            QVERIFY(!notice->isVisible());
            return;
        }
        QTRY_VERIFY(notice->isVisible());
        QCOMPARE(notice->text(), "Map tile 2/2/1 refused (" + refusal + "): the offline map is shown there");
        QVERIFY(near(f.colourAt(kParis), MapPainter::kLand));
        QVERIFY(!onDisk(f.cache.path(), parisUrl));
        QVERIFY(away.paths.isEmpty());
        QCOMPARE(server.paths.count(kParisTile), 1);  // not asked again
        const auto toParis = [](const QByteArray& p) { return p.startsWith(kParisTile); };
        if (answer == TileServer::Answer::Redirect) QCOMPARE(std::count_if(server.paths.begin(), server.paths.end(), toParis), 4);
    }

    // A server that trickles its bytes has the timeout for the whole tile, not between bytes:
    // it cannot hold both requests for ever, the next tiles are asked, and it rests after three.
    void tiles_tricklingServerFailsAtTheTimeout() {
        MapFixture f;
        TileServer server;
        server.fallback = TileServer::Answer::Trickle;
        f.tileTimeoutMs = 500;
        QVERIFY(f.open(server.urlTemplate()));
        f.lookAt({20, 0}, 2);
        f.colourAt(kParis);
        auto* notice = f.window->findChild<QLabel*>("MapNotice");
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), 3000);
        QCOMPARE(notice->text(), QString("Map tiles unavailable (no whole tile within 0.5 s): the offline map is shown; "
                                         "the tile server is asked again in 30 s"));
        QCOMPARE(server.paths.size(), 4);  // three failed, the fourth was under way
    }

    // The server's words and the station names go into labels as text: markup stays markup,
    // and a "%1" in a reason phrase stays "%1".
    void markupFromTheServerAndTheAirShowsLiterally() {
        MapFixture f;
        f.hear("<h1>HUGE", kParis);
        TileServer server;
        server.fallback = TileServer::Answer::Markup;
        QVERIFY(f.open(server.urlTemplate()));
        f.lookAt({20, 0}, 2);
        f.colourAt(kParis);
        auto* notice = f.window->findChild<QLabel*>("MapNotice");
        QTRY_VERIFY(notice->isVisible());
        QCOMPARE(notice->text(), QString("Map tiles unavailable (HTTP 500 ") + TileServer::kMarkupReason +
                                     "): the offline map is shown; the tile server is asked again in 30 s");
        QCOMPARE(notice->textFormat(), Qt::PlainText);
        QVERIFY(f.window->centreOnStation("<h1>HUGE"));
        auto* title = f.window->findChild<QLabel*>("MapSelected");
        QCOMPARE(title->text(), QString("<h1>HUGE"));
        QCOMPARE(title->textFormat(), Qt::PlainText);
    }

    // A template that cannot be used asks nothing and says why under the map.
    void tiles_unusableTemplateSaysSo_data() {
        QTest::addColumn<QString>("templ");
        QTest::addColumn<QString>("problem");
        QTest::newRow("a file") << QString("file:///tiles/{z}/{x}/{y}.png") << QString("not an http or https address");
        QTest::newRow("no {y}") << QString("http://127.0.0.1:1/{z}/{x}.png") << QString("no {y} in it");
    }
    void tiles_unusableTemplateSaysSo() {
        QFETCH(QString, templ);
        QFETCH(QString, problem);
        MapFixture f;
        QVERIFY(f.open(templ));
        auto* notice = f.window->findChild<QLabel*>("MapNotice");
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(), "MAPTILES= cannot be used (" + problem + "): the offline map only");
        QVERIFY(near(f.colourAt(kParis), MapPainter::kLand));
    }

    // Decoded tiles are kept by their bytes: a hundred 512-pixel tiles (a megabyte each)
    // do not all stay in memory, only as many as the limit holds.
    void tiles_decodedTilesKeptByBytes() {
        QTemporaryDir cache;
        TileServer server;
        server.tileSide = 512;
        TileLoader::Options options;
        options.urlTemplate = server.urlTemplate();
        options.cacheFolder = cache.path();
        TileLoader loader(options);
        std::vector<TileId> tiles;
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 10; ++y) tiles.push_back({7, x, y});
        loader.want(tiles);
        QSignalSpy came(&loader, &TileLoader::tilesChanged);
        QTRY_COMPARE_WITH_TIMEOUT(came.size(), 100, 30000);
        qint64 kept = 0;
        int count = 0;
        for (const TileId& t : tiles)
            if (const QImage* image = loader.image(t)) kept += image->sizeInBytes(), ++count;
        QVERIFY2(kept <= TileLoader::kImageBytes, qPrintable(QString::number(kept)));
        QCOMPARE(count, 64);
        QVERIFY(loader.image(tiles.back()) != nullptr);  // the newest stay
    }
};

#ifndef QUILMO_SMALL_SCREEN
QTEST_MAIN(MapWindowTest)
#else
// On a 1024 x 768 screen, the smallest the program is laid out for.
int main(int argc, char** argv) {
    QTemporaryDir dir;
    QFile config(dir.filePath("screen.json"));
    if (!config.open(QIODevice::WriteOnly)) return 1;
    config.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1024, "height": 768,
                    "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    MapWindowTest test;
    return QTest::qExec(&test, QStringList{QString::fromLocal8Bit(argv[0]), "fitsTheScreenAndKeysGoBackToTheMap"});
}
#endif
#include "map_window_test.moc"

#include "app/map_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenu>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <array>

#include "app/map_tiles.h"
#include "app/map_view.h"
#include "aprs/geometry.h"
#include "map/map_readouts.h"
#include "platform/qt_clock.h"
#include "platform/qt_text.h"

namespace quilmo {
namespace {

struct Range {
    const char* caption;
    long long seconds;  // negative: all
};
constexpr std::array<Range, 4> kRanges = {{{"last 15 min", 15 * 60}, {"last 1 h", 3600}, {"last 6 h", 6 * 3600}, {"all", -1}}};
constexpr int kPanelWidth = 380;
// What a window manager adds around a window: a title bar and thin edges.
constexpr int kTitleBar = 40;
constexpr int kEdge = 8;

QPalette darkPalette(QPalette p) {
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::white);
    p.setColor(QPalette::Base, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::AlternateBase, QColor(0x18, 0x18, 0x18));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::ButtonText, Qt::white);
    p.setColor(QPalette::Highlight, QColor(0x00, 0x40, 0x80));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::ToolTipText, Qt::white);
    return p;
}

QString html(const std::string& cp1252) { return fromCp1252(cp1252).toHtmlEscaped(); }

}  // namespace

MapWindow::MapWindow(MapSources sources, QWidget* parent) : QWidget(parent, Qt::Window), sources_(std::move(sources)) {
    setObjectName(QStringLiteral("MapWindow"));
    setWindowTitle(QStringLiteral("Map"));
    setPalette(darkPalette(palette()));
    setAutoFillBackground(true);
    if (!sources_.now) sources_.now = currentLocalTime;
    if (!sources_.putClipboard) sources_.putClipboard = [](const QString& text) { QApplication::clipboard()->setText(text); };

    TileLoader::Options tileOptions;
    tileOptions.urlTemplate = QString::fromStdString(sources_.mapTiles);
    tileOptions.cacheFolder = sources_.tileCacheFolder;
    tileOptions.timeoutMs = sources_.tileTimeoutMs;
    tiles_ = new TileLoader(tileOptions, this);

    view_ = new MapView(scene_, sources_.tracks, tiles_, [this](int s) { return describe(s); }, this);
    view_->setOwnPosition(sources_.ownPosition);
    view_->setAttribution(fromCp1252(attributionFor(sources_.mapTiles, sources_.mapAttribution)));

    range_ = new QComboBox(this);
    range_->setObjectName(QStringLiteral("MapRange"));
    for (const Range& r : kRanges) range_->addItem(QString::fromLatin1(r.caption));
    range_->setCurrentIndex(static_cast<int>(kRanges.size()) - 1);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("MapCount"));
    count_->setTextFormat(Qt::PlainText);
    auto* hint = new QLabel(QStringLiteral("wheel: zoom   drag: move   +/-   Home: own position   F: all stations"), this);
    hint->setStyleSheet(QStringLiteral("QLabel { color: #808080; }"));

    recordTitle_ = new QLabel(QStringLiteral("click a station for its latest record"), this);
    recordTitle_->setObjectName(QStringLiteral("MapSelected"));
    // Station names and the server's words are shown as they are, never as markup.
    recordTitle_->setTextFormat(Qt::PlainText);
    recordTitle_->setStyleSheet(QStringLiteral("QLabel { color: #FFFF00; font-weight: bold; }"));
    record_ = new QPlainTextEdit(this);
    record_->setObjectName(QStringLiteral("MapRecord"));
    record_->setReadOnly(true);
    record_->setLineWrapMode(QPlainTextEdit::NoWrap);
    record_->setStyleSheet(QStringLiteral("QPlainTextEdit { color: #FFFF00; background-color: #000000; }"));
    QFont mono(QStringLiteral("Lucida Console"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSizeF(9.75);
    record_->setFont(mono);

    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("MapNotice"));
    notice_->setTextFormat(Qt::PlainText);
    notice_->setStyleSheet(QStringLiteral("QLabel { color: #FFFFFF; background-color: #800000; padding: 2px; }"));
    notice_->setWordWrap(true);
    notice_->setText(tiles_->notice());  // an unusable template says so from the start
    notice_->setVisible(!tiles_->notice().isEmpty());

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("show stations heard"), this));
    top->addWidget(range_);
    top->addSpacing(16);
    top->addWidget(count_);
    top->addStretch(1);
    top->addWidget(hint);
    pointer_ = new QLabel(this);
    pointer_->setObjectName(QStringLiteral("MapPointer"));
    pointer_->setTextFormat(Qt::PlainText);
    pointer_->setStyleSheet(QStringLiteral("QLabel { color: #C0C0C0; }"));
    showPointer(std::nullopt);
    auto* mapColumn = new QVBoxLayout;
    mapColumn->addWidget(view_, 1);
    mapColumn->addWidget(pointer_);
    auto* panel = new QVBoxLayout;
    panel->addWidget(recordTitle_);
    panel->addWidget(record_, 1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(mapColumn, 1);
    middle->addLayout(panel);
    record_->setFixedWidth(kPanelWidth);
    recordTitle_->setFixedWidth(kPanelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(notice_);
    fitScreen();

    catchUp_.setSingleShot(true);
    catchUp_.setInterval(kCatchUpMs);
    connect(&catchUp_, &QTimer::timeout, this, &MapWindow::catchUp);
    connect(range_, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    // After a choice the keys move the map again.
    connect(range_, &QComboBox::activated, this, [this] { view_->setFocus(); });
    connect(view_, &MapView::stationClicked, this, [this](int s) { select(s); });
    connect(view_, &MapView::pointerMoved, this, &MapWindow::showPointer);
    connect(view_, &MapView::stationMenuRequested, this, [this](int s, QPoint at) {
        QMenu* menu = stationMenu(s);
        if (menu == nullptr) return;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(at);
    });
    connect(tiles_, &TileLoader::noticeChanged, this, [this](const QString& text) {
        notice_->setText(text);
        notice_->setVisible(!text.isEmpty());
        emit tileNoticeChanged(text);
    });
}

// The window as large as it likes where the screen has room, else as large as the screen
// allows with the window manager's title bar and edges on it too, and placed where all of
// it shows.
void MapWindow::fitScreen() {
    const QRect room = screen()->availableGeometry();
    const QSize size(std::min(1280, room.width() - 2 * kEdge), std::min(800, room.height() - kTitleBar - kEdge));
    resize(size);
    move(room.left() + (room.width() - size.width()) / 2 - kEdge / 2,
         room.top() + std::max(0, (room.height() - kTitleBar - kEdge - size.height()) / 2));
}

QString MapWindow::positionText(double latitude, double longitude) {
    return QStringLiteral("%1, %2").arg(latitude, 0, 'f', 5).arg(longitude, 0, 'f', 5);
}

void MapWindow::showPointer(std::optional<GeoPoint> at) {
    if (!at) {
        pointer_->setText(QStringLiteral("point at the map for its position, locator and distance"));
        return;
    }
    QString text = QStringLiteral("%1 %2  %3 %4   %5")
                       .arg(std::abs(at->latitude), 0, 'f', 5)
                       .arg(QChar(at->latitude < 0 ? u'S' : u'N'))
                       .arg(std::abs(at->longitude), 0, 'f', 5)
                       .arg(QChar(at->longitude < 0 ? u'W' : u'E'))
                       .arg(QString::fromStdString(maidenheadLocator(*at)));
    if (sources_.ownPosition) {
        const GeoPoint own = *sources_.ownPosition;
        const DistanceAzimuth d = computeDistanceAzimuth(own.longitude, own.latitude, at->longitude, at->latitude);
        const std::string_view sector = compassSectorName(d.azimuthDeg);
        text += QStringLiteral("   %1 km, azimuth %2\u00B0 %3 from you")
                    .arg(d.km < 10 ? QString::number(d.km, 'f', 1) : QString::number(std::llround(d.km)))
                    .arg(d.azimuthDeg)
                    .arg(QString::fromLatin1(sector.data(), static_cast<qsizetype>(sector.size())));
    }
    pointer_->setText(text);
}

QString MapWindow::pointerText() const { return pointer_->text(); }

QMenu* MapWindow::stationMenu(int station) {
    if (station < 0 || static_cast<std::size_t>(station) >= scene_.stations().size()) return nullptr;
    const std::string name = scene_.stations()[static_cast<std::size_t>(station)].name;
    const QString shown = fromCp1252(name);
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Send message"), this, [this, shown] { emit sendMessageTo(shown); });
    menu->addAction(QStringLiteral("Show on map"), this, [this, shown] { centreOnStation(shown); });
    menu->addAction(QStringLiteral("Show record"), this, [this, name] { select(scene_.find(name)); });
    menu->addAction(QStringLiteral("Copy position"), this, [this, name] {
        const StationTable::RowId id = sources_.stations.find(name);
        if (id == StationTable::kNoRow || !sources_.stations.row(id).hasPosition) return;
        const StationRow& row = sources_.stations.row(id);
        sources_.putClipboard(positionText(row.latitude, row.longitude));
    });
    return menu;
}

std::string MapWindow::attributionFor(const std::string& mapTiles, const std::string& mapAttribution) {
    if (!mapAttribution.empty() || mapTiles.empty()) return mapAttribution;
    if (mapTiles.find("tile.openstreetmap.org") != std::string::npos) return "\xA9 OpenStreetMap contributors";
    return {};
}

void MapWindow::openWindow() {
    show();
    raise();
    activateWindow();
}

QString MapWindow::tileNotice() const { return tiles_->notice(); }

QString MapWindow::selectedStation() const { return fromCp1252(selected_); }

void MapWindow::refresh() {
    stale_ = true;
    if (isVisible() && !catchUp_.isActive()) catchUp_.start();
}

void MapWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) rebuild();
}

void MapWindow::catchUp() {
    if (isVisible() && stale_) rebuild();
}

long long MapWindow::since() const {
    const long long seconds = kRanges[static_cast<std::size_t>(std::max(range_->currentIndex(), 0))].seconds;
    return seconds < 0 ? MapScene::kAllTime : wallClockSeconds(sources_.now()) - seconds;
}

void MapWindow::rebuild() {
    stale_ = false;
    scene_.rebuild(sources_.stations, sources_.tracks, since());
    view_->setSelected(selected_.empty() ? -1 : scene_.find(selected_));
    count_->setText(QStringLiteral("%1 stations").arg(scene_.stations().size()));
    // The first view shows the own position and every station heard; until the user moves
    // it, it does so again when the first stations come.
    const bool hasStations = !scene_.stations().empty();
    if (!view_->movedByUser() && !fittedWithStations_) {
        view_->fitAll();
        fittedWithStations_ = hasStations;
    }
    view_->sceneChanged();
    showRecord();
}

void MapWindow::select(int station) {
    selected_ = station >= 0 ? scene_.stations()[static_cast<std::size_t>(station)].name : std::string();
    view_->setSelected(station);
    showRecord();
    if (station >= 0) emit stationSelected(fromCp1252(selected_));
}

void MapWindow::showRecord() {
    if (selected_.empty()) {
        recordTitle_->setText(QStringLiteral("click a station for its latest record"));
        record_->clear();
        return;
    }
    recordTitle_->setText(fromCp1252(selected_));
    const std::string record = sources_.latestRecord ? sources_.latestRecord(selected_) : std::string();
    QString text = fromCp1252(record);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (record_->toPlainText() != text) record_->setPlainText(text);
}

bool MapWindow::centreOnStation(const QString& station) {
    if (stale_) rebuild();
    const std::string name = toCp1252(station);
    const StationTable::RowId id = sources_.stations.find(name);
    if (id == StationTable::kNoRow || !sources_.stations.row(id).hasPosition) return false;
    const StationRow& row = sources_.stations.row(id);
    MapViewport& view = view_->viewport();
    view.setZoom(std::max(view.zoom(), 12.0));
    view.setCentre(project({row.latitude, row.longitude}));
    view_->update();
    select(scene_.find(row.station));
    selected_ = row.station;  // kept even when the time choice hides it now
    showRecord();
    return true;
}

QString MapWindow::describe(int station) const {
    const MapStation& s = scene_.stations()[static_cast<std::size_t>(station)];
    QString out = QStringLiteral("<b>%1</b>").arg(html(s.name));
    const StationTable::RowId id = sources_.stations.find(s.name);
    if (id == StationTable::kNoRow) return out;
    const StationRow& row = sources_.stations.row(id);
    const long long ago = wallClockSeconds(sources_.now()) - wallClockSeconds(row.lastHeard);
    out += QStringLiteral("<br>heard %1 (%2)")
               .arg(QString::fromStdString(agoText(ago)), QString::fromStdString(lastHeardText(row.lastHeard)));
    if (sources_.ownPosition && row.hasPosition) {
        const GeoPoint own = *sources_.ownPosition;
        const DistanceAzimuth d = computeDistanceAzimuth(own.longitude, own.latitude, row.longitude, row.latitude);
        const std::string_view sector = compassSectorName(d.azimuthDeg);
        out += QStringLiteral("<br>%1 km, azimuth %2\u00B0 %3")
                   .arg(d.km < 10 ? QString::number(d.km, 'f', 1) : QString::number(d.distanceKm))
                   .arg(d.azimuthDeg)
                   .arg(QString::fromLatin1(sector.data(), static_cast<qsizetype>(sector.size())));
    }
    if (!row.lastText.empty()) out += QStringLiteral("<br>") + html(row.lastText);
    return out;
}

// ---- picking a place for the settings

void MapWindow::pickPosition() {
    picking_ = true;
    view_->installEventFilter(this);
    view_->setCursor(Qt::CrossCursor);
    view_->setToolTip(tr("Click the place to take as your own position"));
}

bool MapWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view_ || !picking_ || event->type() != QEvent::MouseButtonRelease) return QWidget::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    picking_ = false;
    view_->removeEventFilter(this);
    view_->unsetCursor();
    view_->setToolTip({});
    const QPointF at = mouse->position();
    emit positionPicked(unproject(view_->viewport().toWorld(at.x(), at.y())));
    return true;
}

}  // namespace quilmo

#include "app/map_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <array>

#include "app/map_tiles.h"
#include "app/map_view.h"
#include "aprs/geometry.h"
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
    auto* panel = new QVBoxLayout;
    panel->addWidget(recordTitle_);
    panel->addWidget(record_, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(view_, 1);
    middle->addLayout(panel);
    record_->setFixedWidth(kPanelWidth);
    recordTitle_->setFixedWidth(kPanelWidth);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(notice_);
    resize(1280, 800);

    catchUp_.setSingleShot(true);
    catchUp_.setInterval(kCatchUpMs);
    connect(&catchUp_, &QTimer::timeout, this, &MapWindow::catchUp);
    connect(range_, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
    connect(view_, &MapView::stationClicked, this, [this](int s) { select(s); });
    connect(tiles_, &TileLoader::noticeChanged, this, [this](const QString& text) {
        notice_->setText(text);
        notice_->setVisible(!text.isEmpty());
        emit tileNoticeChanged(text);
    });
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
    out += QStringLiteral("<br>last heard %1").arg(QString::fromStdString(lastHeardText(row.lastHeard)));
    if (sources_.ownPosition && row.hasPosition) {
        const GeoPoint own = *sources_.ownPosition;
        const DistanceAzimuth d = computeDistanceAzimuth(own.longitude, own.latitude, row.longitude, row.latitude);
        const std::string_view sector = compassSectorName(d.azimuthDeg);
        out += QStringLiteral("<br>%1 km, azimuth %2\u00B0 %3")
                   .arg(d.distanceKm)
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

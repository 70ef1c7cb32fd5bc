#include "app/map_view.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "app/map_tiles.h"

namespace quilmo {
namespace {

constexpr double kWheelStep = 0.5;  // zoom steps per wheel notch
constexpr int kDragStart = 4;       // pixels the mouse moves before a press becomes a drag
constexpr double kHomeZoom = 9;     // Home from further out shows the own region
constexpr double kFitMaxZoom = 13;  // F on a single station stops at a town's size
constexpr int kFitMargin = 40;

double squared(QPointF d) { return d.x() * d.x() + d.y() * d.y(); }

}  // namespace

MapView::MapView(const MapScene& scene, const StationTracks& tracks, TileLoader* tiles,
                 std::function<QString(int)> describe, QWidget* parent)
    : QWidget(parent), scene_(scene), tracks_(tracks), tiles_(tiles), describe_(std::move(describe)) {
    setObjectName(QStringLiteral("MapView"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    setMouseTracking(true);  // the status line under the map follows the pointer
    if (tiles_ != nullptr) {
        connect(tiles_, &TileLoader::tilesChanged, this, [this] {
            baseStale_ = true;
            update();
        });
    }
}

void MapView::setOwnPosition(std::optional<GeoPoint> own) {
    ownGeo_ = own;
    own_ = own ? std::optional<WorldPoint>(project(*own)) : std::nullopt;
    update();
}

void MapView::setSelected(int station) {
    selected_ = station;
    update();
}

void MapView::sceneChanged() {
    // The last frame's stations are places in the old scene: nothing to point at until the next.
    frame_ = {};
    update();
}

void MapView::moved() { update(); }

void MapView::fitAll() {
    WorldRect r = scene_.bounds();
    if (own_) {
        if (r.left > r.right) r = {own_->x, own_->y, own_->x, own_->y};
        r = {std::min(r.left, own_->x), std::min(r.top, own_->y), std::max(r.right, own_->x), std::max(r.bottom, own_->y)};
    }
    if (r.left > r.right) {  // nothing to show: the whole world
        view_.setZoom(view_.minZoom());
        view_.setCentre({0.5, 0.5});
    } else {
        view_.fit(r, kFitMargin, kFitMaxZoom);
    }
    moved();
}

void MapView::centreOnOwnPosition() {
    if (!own_) return;
    if (view_.zoom() < kHomeZoom - 3) view_.setZoom(kHomeZoom);
    view_.setCentre(*own_);
    moved();
}

void MapView::zoomBy(double steps, QPointF about) {
    view_.zoomAbout(about.x(), about.y(), view_.zoom() + steps);
    movedByUser_ = true;
    moved();
}

void MapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_.resize(width(), height());
}

void MapView::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)), static_cast<int>(std::ceil(height() * ratio)));
    const bool viewMoved = view_.centre().x != baseCentre_.x || view_.centre().y != baseCentre_.y || view_.zoom() != baseZoom_;
    if (baseStale_ || viewMoved || base_.size() != pixels) {
        if (base_.size() != pixels) base_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        base_.setDevicePixelRatio(ratio);
        QPainter base(&base_);
        std::vector<TileId> wanted;
        const bool tilesOn = tiles_ != nullptr && tiles_->enabled();
        painter_.paintBase(base, view_, &builtInBaseMap(), tilesOn ? tiles_ : nullptr, &wanted);
        if (tilesOn) tiles_->want(wanted);
        baseStale_ = false;
        baseCentre_ = view_.centre();
        baseZoom_ = view_.zoom();
    }
    QPainter p(this);
    p.drawImage(0, 0, base_);
    frame_ = painter_.paintOverlay(p, view_, {scene_, tracks_, own_, selected_});
    painter_.paintScaleBar(p, view_);
    if (tiles_ != nullptr && tiles_->enabled()) painter_.paintAttribution(p, view_, attribution_);
}

void MapView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) zoomBy(notches * kWheelStep, event->position());
    event->accept();
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressedAt_ = lastDrag_ = event->position().toPoint();
    dragging_ = false;
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    WorldPoint world = view_.toWorld(at.x(), at.y());
    world.x -= std::floor(world.x);  // the copies of the world east and west are the same place
    emit pointerMoved(unproject(world));
    if (!(event->buttons() & Qt::LeftButton)) return;
    if (!dragging_ && (at - pressedAt_).manhattanLength() < kDragStart) return;
    dragging_ = true;
    setCursor(Qt::ClosedHandCursor);
    view_.panBy(at.x() - lastDrag_.x(), at.y() - lastDrag_.y());
    lastDrag_ = at;
    movedByUser_ = true;
    moved();
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    unsetCursor();
    if (!dragging_) click(event->position());
    dragging_ = false;
}

void MapView::mouseDoubleClickEvent(QMouseEvent* event) {
    // On a station a double click is two clicks; beside one it zooms in there.
    if (event->button() != Qt::LeftButton || markerAt(event->position()) || clusterAt(event->position())) return;
    zoomBy(1, event->position());
}

void MapView::click(QPointF at) {
    if (const DrawnMarker* m = markerAt(at)) {
        if (m->station >= 0) emit stationClicked(m->station);
        return;
    }
    // A cluster opens up: zoomed in on it until its stations part.
    if (const DrawnCluster* c = clusterAt(at)) {
        view_.zoomAbout(at.x(), at.y(), std::floor(view_.zoom()) + 2);
        view_.setCentre(c->centre);
        movedByUser_ = true;
        moved();
        return;
    }
    emit stationClicked(-1);
}

void MapView::keyPressEvent(QKeyEvent* event) {
    const QPointF middle(width() / 2.0, height() / 2.0);
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomBy(1, middle); break;
    case Qt::Key_Minus: zoomBy(-1, middle); break;
    case Qt::Key_Home: movedByUser_ = true; centreOnOwnPosition(); break;
    case Qt::Key_F: movedByUser_ = true; fitAll(); break;
    case Qt::Key_Left: view_.panBy(width() / 4.0, 0); moved(); break;
    case Qt::Key_Right: view_.panBy(-width() / 4.0, 0); moved(); break;
    case Qt::Key_Up: view_.panBy(0, height() / 4.0); moved(); break;
    case Qt::Key_Down: view_.panBy(0, -height() / 4.0); moved(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void MapView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerMoved(std::nullopt);
}

void MapView::contextMenuEvent(QContextMenuEvent* event) {
    const DrawnMarker* m = markerAt(event->pos());
    if (m == nullptr || m->station < 0) return QWidget::contextMenuEvent(event);
    emit stationMenuRequested(m->station, event->globalPos());
    event->accept();
}

const DrawnMarker* MapView::markerAt(QPointF at) const {
    const DrawnMarker* best = nullptr;
    double bestDistance = 0;
    // Top first: later markers cover earlier ones.
    for (auto it = frame_.markers.rbegin(); it != frame_.markers.rend(); ++it) {
        const double d = squared(it->at - at), reach = (it->radius + 3) * (it->radius + 3);
        if (d <= reach && (best == nullptr || d < bestDistance)) {
            best = &*it;
            bestDistance = d;
        }
    }
    return best;
}

const DrawnCluster* MapView::clusterAt(QPointF at) const {
    for (auto it = frame_.clusters.rbegin(); it != frame_.clusters.rend(); ++it)
        if (squared(it->at - at) <= it->radius * it->radius) return &*it;
    return nullptr;
}

QString MapView::toolTipAt(QPointF at) const {
    if (const DrawnMarker* m = markerAt(at)) {
        if (m->station >= 0) return describe_ ? describe_(m->station) : QString();
        return QStringLiteral("<b>own position</b><br>%1, %2")
            .arg(ownGeo_->latitude, 0, 'f', 5)
            .arg(ownGeo_->longitude, 0, 'f', 5);
    }
    if (const DrawnCluster* c = clusterAt(at))
        return QStringLiteral("<b>%1 stations</b><br>click or zoom in to tell them apart").arg(c->count);
    return {};
}

bool MapView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = toolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

}  // namespace quilmo

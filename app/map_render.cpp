#include "app/map_render.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/map_tiles.h"
#include "map/label_placement.h"
#include "map/map_readouts.h"
#include "platform/qt_text.h"

namespace quilmo {
namespace {

const QColor kCoast(0x4C, 0x74, 0x63);
const QColor kBorder(0x5A, 0x66, 0x70);
const QColor kLabelBox(0, 0, 0, 175);
const QColor kLabelText(0xF2, 0xF2, 0xF2);

constexpr int kLoose = 4;              // at most this many in a cell are drawn one by one
constexpr double kNoClusterZoom = 16;  // from street level on every station stands alone
constexpr double kMarkerRadius = 5;
constexpr double kSymbolRadius = kSymbolSide / 2.0;
constexpr double kScaleBarMost = 120;  // pixels
constexpr double kOwnRadius = 7;
constexpr double kCourseLength = 16;
constexpr std::size_t kMostLabels = 800;  // enough to fill the view; more would only be refused
// Rings reaching further out than this are cut to the view: the painter's fixed-point
// rasteriser cannot take the coordinates of a continent at street level.
constexpr double kClipBeyond = 4096;

// The copies of the world the view shows: 0, and -1 or 1 where it runs past 180 degrees.
// `overhang` adds the copy to the west, whose lines across 180 degrees reach into the view.
std::vector<double> worldCopies(const MapViewport& view, bool overhang = false) {
    const WorldRect v = view.visible();
    std::vector<double> copies;
    for (double k = std::floor(v.left) - (overhang ? 1 : 0); k <= std::floor(v.right); ++k) copies.push_back(k);
    return copies;
}

bool farOut(double x0, double y0, double x1, double y1, const MapViewport& view) {
    return x0 < -kClipBeyond || y0 < -kClipBeyond || x1 > view.width() + kClipBeyond || y1 > view.height() + kClipBeyond;
}

void toPolygon(const std::vector<ScreenPoint>& points, QPolygonF& out) {
    out.resize(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) out[static_cast<qsizetype>(i)] = {points[i].x, points[i].y};
}

QString countText(std::uint32_t count) {
    if (count < 10000) return QString::number(count);
    return QString::number(count / 1000) + u'k';
}

}  // namespace

const QColor MapPainter::kSea(0x0A, 0x16, 0x24);
const QColor MapPainter::kLand(0x22, 0x30, 0x28);

QColor MapPainter::colourOf(MarkerKind kind) {
    switch (kind) {
    case MarkerKind::Fixed: return {0x57, 0xE3, 0x89};
    case MarkerKind::Moving: return {0xFF, 0xC8, 0x2E};
    case MarkerKind::Weather: return {0x5E, 0xC8, 0xFF};
    case MarkerKind::Object: return {0xFF, 0x6E, 0xC7};
    case MarkerKind::Own: return {0xFF, 0x40, 0x40};
    }
    return Qt::white;
}

MapPainter::MapPainter(const SymbolSet* symbols) : symbols_(symbols) {
    labelFont_.setPixelSize(11);
    labelFont_.setBold(true);
    clusterFont_.setPixelSize(11);
    clusterFont_.setBold(true);
}

const BaseMap& builtInBaseMap() {
    static const BaseMap map = [] {
        QFile file(QStringLiteral(":/map/world-50m.basemap"));
        if (!file.open(QIODevice::ReadOnly)) return BaseMap{};
        const QByteArray bytes = file.readAll();
        return readBaseMap(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))).value_or(BaseMap{});
    }();
    return map;
}

void MapPainter::paintBase(QPainter& painter, const MapViewport& view, const BaseMap* base, const TileImages* tiles,
                           std::vector<TileId>* wanted) {
    painter.fillRect(QRectF(0, 0, view.width(), view.height()), kSea);
    if (base != nullptr) {
        // Smoothing the land's edge costs ten times the fill, and the coastline drawn over
        // it, smoothed, hides the steps anyway. Lines one pixel wide take the painter's
        // fast path; wider ones go through its stroker, several times slower.
        for (const double copy : worldCopies(view, true)) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(Qt::NoPen);
            painter.setBrush(kLand);
            paintLayer(painter, view, base->land, copy, true);
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(kBorder, 1));
            paintLayer(painter, view, base->borders, copy, false);
            painter.setPen(QPen(kCoast, 1));
            paintLayer(painter, view, base->coast, copy, false);
        }
    }
    if (tiles != nullptr) paintTiles(painter, view, *tiles, wanted);
}

void MapPainter::paintLayer(QPainter& painter, const MapViewport& view, const BaseMapLayer& layer, double copy, bool rings) {
    const double a = view.scale() / kBaseMapUnits;
    const double bx = view.screenX(copy), by = view.screenY(0);
    const ScreenRect screen{-2, -2, view.width() + 2.0, view.height() + 2.0};
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    QPolygonF polygon;
    for (const BaseMapLine& line : layer.lines) {
        const double x0 = line.min.x * a + bx, y0 = line.min.y * a + by, x1 = line.max.x * a + bx, y1 = line.max.y * a + by;
        if (x1 < screen.left || x0 > screen.right || y1 < screen.top || y0 > screen.bottom) continue;
        points_.resize(line.count);
        for (std::uint32_t i = 0; i < line.count; ++i) {
            const BaseMapPoint& p = layer.points[line.first + i];
            points_[i] = {p.x * a + bx, p.y * a + by};
        }
        thinOut(points_, 1.0);
        const bool clip = farOut(x0, y0, x1, y1, view);
        if (rings) {
            const std::vector<ScreenPoint>* ring = &points_;
            if (clip) {
                clipRing(points_, screen, clipped_);
                ring = &clipped_;
            }
            if (ring->size() < 3) continue;
            toPolygon(*ring, polygon);
            path.addPolygon(polygon);
            path.closeSubpath();
            continue;
        }
        if (!clip) {
            toPolygon(points_, polygon);
            painter.drawPolyline(polygon);
            continue;
        }
        pieces_.clear();
        clipLine(points_, screen, pieces_);
        for (const auto& piece : pieces_) {
            toPolygon(piece, polygon);
            painter.drawPolyline(polygon);
        }
    }
    if (rings) painter.drawPath(path);
}

void MapPainter::paintTiles(QPainter& painter, const MapViewport& view, const TileImages& tiles, std::vector<TileId>* wanted) {
    const int z = static_cast<int>(std::clamp(std::lround(view.zoom()), 0L, 19L));
    const double n = std::exp2(z), size = view.scale() / n;
    const bool exact = std::abs(size - 256) < 0.01;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !exact);
    const WorldRect v = view.visible();
    for (const double copy : worldCopies(view)) {
        for (const TileId& t : tilesCovering(z, v.left - copy, v.top, v.right - copy, v.bottom)) {
            if (wanted != nullptr && std::find(wanted->begin(), wanted->end(), t) == wanted->end()) wanted->push_back(t);
            const QRectF target(view.screenX(t.x / n + copy), view.screenY(t.y / n), size, size);
            // Not here yet: a coarser tile already loaded stands in, else the vector map shows.
            for (int up = 0; up <= 4 && up <= z; ++up) {
                const QImage* image = tiles.image({z - up, t.x >> up, t.y >> up});
                if (image == nullptr) continue;
                const double part = image->width() / std::exp2(up);
                const QRectF source((t.x & ((1 << up) - 1)) * part, (t.y & ((1 << up) - 1)) * part, part, part);
                painter.drawImage(target, *image, source);
                break;
            }
        }
    }
}

void MapPainter::paintAttribution(QPainter& painter, const MapViewport& view, const QString& text) {
    if (text.isEmpty()) return;
    painter.setFont(labelFont_);
    const QFontMetricsF metrics(labelFont_);
    const QRectF box(view.width() - metrics.horizontalAdvance(text) - 10, view.height() - metrics.height() - 4,
                     metrics.horizontalAdvance(text) + 10, metrics.height() + 4);
    painter.fillRect(box, kLabelBox);
    painter.setPen(kLabelText);
    painter.drawText(box, Qt::AlignCenter, text);
}

MapFrame MapPainter::paintOverlay(QPainter& painter, const MapViewport& view, const MapOverlay& overlay) {
    MapFrame frame;
    std::vector<Single> singles;
    gather(view, overlay, singles, frame);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const auto& stations = overlay.scene.stations();
    for (const Single& s : singles) {
        const StationTrack* track = overlay.tracks.find(stations[static_cast<std::size_t>(s.station)].name);
        if (track != nullptr && track->size() > 1) paintTrack(painter, view, stations[static_cast<std::size_t>(s.station)], *track, overlay.scene.since());
    }
    for (const Single& s : singles) {
        const MapStation& st = stations[static_cast<std::size_t>(s.station)];
        if (st.course < 0) continue;
        const double c = st.course * std::numbers::pi / 180;
        painter.setPen(QPen(colourOf(st.kind), 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(s.at, s.at + QPointF(std::sin(c), -std::cos(c)) * kCourseLength);
    }
    const qreal ratio = painter.device()->devicePixelRatioF();
    for (const DrawnCluster& c : frame.clusters) paintCluster(painter, c);
    // The own position over the clusters, where one gathers around it: a ring, so the
    // cluster's count still shows through it. Stations stand over it.
    if (overlay.own) {
        const QImage& image = sprite(MarkerKind::Own, false, ratio);
        for (const double copy : worldCopies(view)) {
            const QPointF at(view.screenX(overlay.own->x + copy), view.screenY(overlay.own->y));
            painter.drawImage(at - QPointF(image.width(), image.height()) / (2 * ratio), image);
            frame.markers.push_back({at, kOwnRadius, -1});
        }
    }
    const double radius = markerRadius();
    for (const Single& s : singles) {
        const MapStation& st = stations[static_cast<std::size_t>(s.station)];
        const bool selected = s.station == overlay.selected;
        const QImage* symbol = symbolOf(st, ratio);
        const QImage* image = symbol != nullptr ? symbol : &sprite(st.kind, selected, ratio);
        painter.drawImage(s.at - QPointF(image->width(), image->height()) / (2 * ratio), *image);
        if (selected && symbol != nullptr) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(Qt::white, 2));
            painter.drawEllipse(s.at, radius + 3, radius + 3);
        }
        frame.markers.push_back({s.at, radius, s.station});
    }
    paintLabels(painter, view, overlay, singles, frame.clusters);
    return frame;
}

// Which stations stand alone and where they crowd into clusters, cell by cell of the grid
// that fits the zoom.
void MapPainter::gather(const MapViewport& view, const MapOverlay& overlay, std::vector<Single>& singles, MapFrame& frame) {
    const auto& stations = overlay.scene.stations();
    const ClusterIndex& index = overlay.scene.index();
    const bool clusters = view.zoom() < kNoClusterZoom;
    const int level = clusterLevel(view.zoom());
    const double margin = 24 / view.scale();
    const WorldRect v = view.visible();
    bool selectedSeen = false;
    for (const double copy : worldCopies(view)) {
        const WorldRect r{v.left - copy - margin, v.top - margin, v.right - copy + margin, v.bottom + margin};
        for (const ClusterIndex::Cell& cell : index.cells(level, r)) {
            if (clusters && cell.count > kLoose) {
                const QPointF at(view.screenX(cell.centre.x + copy), view.screenY(cell.centre.y));
                frame.clusters.push_back({at, 10 + 4 * std::log10(static_cast<double>(cell.count)), cell.count, cell.centre});
                continue;
            }
            for (std::uint32_t i = cell.first; i < cell.first + cell.count; ++i) {
                const int id = static_cast<int>(index.entry(i).id);
                const WorldPoint at = stations[static_cast<std::size_t>(id)].at;
                if (!r.contains(at)) continue;
                singles.push_back({id, QPointF(view.screenX(at.x + copy), view.screenY(at.y))});
                selectedSeen = selectedSeen || id == overlay.selected;
            }
        }
    }
    absorbIntoClusters(singles, frame.clusters, overlay.selected);
    // The selected station stands out of its cluster.
    if (overlay.selected >= 0 && !selectedSeen) {
        const WorldPoint at = stations[static_cast<std::size_t>(overlay.selected)].at;
        const double copy = std::round(view.centre().x - at.x);
        singles.push_back({overlay.selected, QPointF(view.screenX(at.x + copy), view.screenY(at.y))});
    }
}

// The grid's cells meet at straight edges, so a station just across one from a cluster
// would sit on the cluster's circle; it joins that cluster instead.
void MapPainter::absorbIntoClusters(std::vector<Single>& singles, std::vector<DrawnCluster>& clusters, int selected) {
    if (clusters.empty()) return;
    std::erase_if(singles, [&](const Single& s) {
        if (s.station == selected) return false;
        for (DrawnCluster& c : clusters) {
            const QPointF d = s.at - c.at;
            const double reach = c.radius + kMarkerRadius;
            if (d.x() * d.x() + d.y() * d.y() > reach * reach) continue;
            ++c.count;
            return true;
        }
        return false;
    });
}

void MapPainter::paintTrack(QPainter& painter, const MapViewport& view, const MapStation& station,
                            const StationTrack& track, long long since) {
    // The track is drawn in the copy of the world where its station's marker is.
    const double copy = std::round(view.toWorld(view.width() / 2.0, 0).x - station.at.x);
    points_.clear();
    for (std::size_t i = 0; i < track.size(); ++i) {
        const TrackPoint& p = track[i];
        if (p.time < since) continue;
        const double x = (p.longitude() + 180) / 360 + copy, y = projectLatitude(p.latitude());
        points_.push_back({view.screenX(x), view.screenY(y)});
    }
    thinOut(points_, 1.0);
    if (points_.size() < 2) return;
    QColor colour = colourOf(station.kind);
    colour.setAlpha(190);
    painter.setPen(QPen(colour, 1));  // one pixel: the painter's fast path
    pieces_.clear();
    clipLine(points_, {-4, -4, view.width() + 4.0, view.height() + 4.0}, pieces_);
    QPolygonF polygon;
    for (const auto& piece : pieces_) {
        toPolygon(piece, polygon);
        painter.drawPolyline(polygon);
    }
}

void MapPainter::paintCluster(QPainter& painter, const DrawnCluster& cluster) {
    painter.setPen(QPen(QColor(0xFF, 0xD0, 0x90), 1.5));
    painter.setBrush(QColor(0xE8, 0x7A, 0x1A, 215));
    painter.drawEllipse(cluster.at, cluster.radius, cluster.radius);
    painter.setFont(clusterFont_);
    painter.setPen(Qt::black);
    const QRectF box(cluster.at.x() - cluster.radius, cluster.at.y() - cluster.radius, 2 * cluster.radius, 2 * cluster.radius);
    painter.drawText(box, Qt::AlignCenter, countText(cluster.count));
}

// Labels where there is room, the selected station's first, then the newest.
void MapPainter::paintLabels(QPainter& painter, const MapViewport& view, const MapOverlay& overlay,
                             const std::vector<Single>& singles, const std::vector<DrawnCluster>& clusters) {
    const auto& stations = overlay.scene.stations();
    std::vector<const Single*> order;
    order.reserve(singles.size());
    for (const Single& s : singles) order.push_back(&s);
    std::stable_sort(order.begin(), order.end(), [&](const Single* a, const Single* b) {
        if ((a->station == overlay.selected) != (b->station == overlay.selected)) return a->station == overlay.selected;
        return stations[static_cast<std::size_t>(a->station)].heard > stations[static_cast<std::size_t>(b->station)].heard;
    });
    if (order.size() > kMostLabels) order.resize(kMostLabels);
    std::vector<LabelWish> wishes;
    std::vector<ScreenRect> markers;
    for (const Single* s : order) {
        const QSizeF size = labelText(stations[static_cast<std::size_t>(s->station)].name).size();
        wishes.push_back({{s->at.x(), s->at.y()}, markerRadius() + 1, size.width() + 6, size.height() + 2, s->station == overlay.selected});
    }
    // Nothing a label could hide: markers, their course lines, clusters and the own position.
    const auto around = [&markers](QPointF at, double r) { markers.push_back({at.x() - r, at.y() - r, at.x() + r, at.y() + r}); };
    for (const Single& s : singles) {
        around(s.at, markerRadius());
        const float course = stations[static_cast<std::size_t>(s.station)].course;
        if (course < 0) continue;
        const double c = course * std::numbers::pi / 180;
        around(s.at + QPointF(std::sin(c), -std::cos(c)) * kCourseLength * 0.6, kCourseLength * 0.45);
    }
    for (const DrawnCluster& c : clusters) around(c.at, c.radius);
    if (overlay.own) around(QPointF(view.screenX(overlay.own->x), view.screenY(overlay.own->y)), kOwnRadius);
    const auto placed = placeLabels(wishes, markers, {0, 0, static_cast<double>(view.width()), static_cast<double>(view.height())});
    painter.setFont(labelFont_);
    painter.setPen(kLabelText);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (!placed[i]) continue;
        const ScreenRect& r = *placed[i];
        painter.fillRect(QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top), kLabelBox);
        painter.drawStaticText(QPointF(r.left + 3, r.top + 1), labelText(stations[static_cast<std::size_t>(order[i]->station)].name));
    }
}

const QStaticText& MapPainter::labelText(const std::string& name) {
    const QString text = fromCp1252(name);
    auto it = labels_.find(text);
    if (it != labels_.end()) return *it;
    if (labels_.size() > 20000) labels_.clear();  // names heard long ago need not stay
    QStaticText label(text);
    label.setTextFormat(Qt::PlainText);
    label.setPerformanceHint(QStaticText::AggressiveCaching);
    label.prepare(QTransform(), labelFont_);
    return *labels_.insert(text, label);
}

double MapPainter::markerRadius() const { return symbols_.available() ? kSymbolRadius : kMarkerRadius; }

// A vehicle drawn heading left turns to the right while it heads east.
const QImage* MapPainter::symbolOf(const MapStation& station, qreal ratio) {
    const bool east = station.course > 0 && station.course < 180;
    return symbols_.image(station.symbolTable, station.symbolCode, east, ratio);
}

void MapPainter::paintScaleBar(QPainter& painter, const MapViewport& view) {
    const GeoPoint middle = unproject(view.toWorld(view.width() / 2.0, view.height() / 2.0));
    const ScaleBar bar = scaleBarFor(metresPerPixel(middle.latitude, view.zoom()), kScaleBarMost);
    if (bar.metres <= 0) return;
    const QString text = QString::fromStdString(scaleBarText(bar.metres));
    painter.setFont(labelFont_);
    const QFontMetricsF metrics(labelFont_);
    const double left = 10, bottom = view.height() - 10.0;
    const QRectF box(left - 4, bottom - metrics.height() - 10, std::max(bar.pixels, metrics.horizontalAdvance(text)) + 8,
                     metrics.height() + 14);
    painter.fillRect(box, kLabelBox);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kLabelText, 2));
    const double y = bottom - 2;
    painter.drawLine(QPointF(left, y), QPointF(left + bar.pixels, y));
    painter.drawLine(QPointF(left, y), QPointF(left, y - 6));
    painter.drawLine(QPointF(left + bar.pixels, y), QPointF(left + bar.pixels, y - 6));
    painter.drawText(QPointF(left, y - 7), text);
}

// Markers are drawn once per kind into small images: a circle for fixed stations, moving
// ones and the own position, a square for weather, a diamond for objects and items.
const QImage& MapPainter::sprite(MarkerKind kind, bool selected, qreal ratio) {
    if (ratio != spriteRatio_) {
        sprites_ = {};
        spriteRatio_ = ratio;
    }
    QImage& image = sprites_[static_cast<std::size_t>(kind) * 2 + (selected ? 1 : 0)];
    if (!image.isNull()) return image;
    const double r = kind == MarkerKind::Own ? kOwnRadius : kMarkerRadius;
    const int side = static_cast<int>(std::ceil((2 * r + 10) * ratio));
    image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c(side / (2 * ratio), side / (2 * ratio));
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(colourOf(kind));
    switch (kind) {
    case MarkerKind::Weather: p.drawRect(QRectF(c.x() - r + 0.5, c.y() - r + 0.5, 2 * r - 1, 2 * r - 1)); break;
    case MarkerKind::Object: p.drawPolygon(QPolygonF({c + QPointF(0, -r - 1), c + QPointF(r + 1, 0), c + QPointF(0, r + 1), c + QPointF(-r - 1, 0)})); break;
    case MarkerKind::Own:
        p.setPen(QPen(Qt::white, 2));
        p.drawEllipse(c, r, r);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(c, 2, 2);
        break;
    default: p.drawEllipse(c, r, r); break;
    }
    if (selected) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 2));
        p.drawEllipse(c, r + 3, r + 3);
    }
    return image;
}

}  // namespace quilmo

#pragma once
#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

#include "app/map_render.h"

namespace quilmo {

class TileLoader;

// The map itself: paints the base and the stations, and moves with the mouse and keys. The
// wheel zooms about the cursor, dragging pans, + and - zoom, Home centres on the own
// position, F fits every station, the arrow keys pan.
class MapView : public QWidget {
    Q_OBJECT
public:
    // `describe` gives a station's tool tip (rich text).
    MapView(const MapScene& scene, const StationTracks& tracks, TileLoader* tiles,
            std::function<QString(int station)> describe, QWidget* parent = nullptr);

    MapViewport& viewport() { return view_; }
    const MapViewport& viewport() const { return view_; }
    void setOwnPosition(std::optional<GeoPoint> own);
    void setSelected(int station);
    int selected() const { return selected_; }
    void setAttribution(const QString& text) { attribution_ = text; }
    // The scene was rebuilt.
    void sceneChanged();
    // Every station and the own position in view.
    void fitAll();
    void centreOnOwnPosition();
    // The station, cluster or own position under a point of the widget, as the last frame drew it.
    const DrawnMarker* markerAt(QPointF at) const;
    const DrawnCluster* clusterAt(QPointF at) const;
    // Was the view moved by the user since it was made?
    bool movedByUser() const { return movedByUser_; }

signals:
    // A station was clicked (its place in the scene), or the map beside any (-1).
    void stationClicked(int station);
    // The mouse is over this point of the map; none when it left the map.
    void pointerMoved(std::optional<GeoPoint> at);
    // The context menu was asked for over a station (its place in the scene).
    void stationMenuRequested(int station, QPoint globalPos);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void moved();
    void zoomBy(double steps, QPointF about);
    void click(QPointF at);
    QString toolTipAt(QPointF at) const;

    const MapScene& scene_;
    const StationTracks& tracks_;
    TileLoader* tiles_;
    std::function<QString(int)> describe_;
    MapViewport view_{640, 480};
    MapPainter painter_;
    MapFrame frame_;
    std::optional<WorldPoint> own_;
    std::optional<GeoPoint> ownGeo_;
    int selected_ = -1;
    QString attribution_;
    QImage base_;  // the base of the last frame, kept while the view stands still
    WorldPoint baseCentre_{-1, -1};
    double baseZoom_ = -1;
    bool baseStale_ = true;  // tiles came
    QPoint pressedAt_;
    QPoint lastDrag_;
    bool dragging_ = false;
    bool movedByUser_ = false;
};

}  // namespace quilmo

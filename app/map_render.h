#pragma once
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QStaticText>
#include <array>
#include <optional>
#include <vector>

#include "app/map_scene.h"
#include "app/map_symbols.h"
#include "map/base_map.h"
#include "map/map_clip.h"
#include "map/map_viewport.h"

class QPainter;

namespace quilmo {

class TileImages;

// What a frame drew where, for the mouse to find again.
struct DrawnMarker {
    QPointF at;
    double radius = 0;
    int station = -1;  // in MapScene::stations(); -1 for the own position
};
struct DrawnCluster {
    QPointF at;
    double radius = 0;
    std::uint32_t count = 0;
    WorldPoint centre;
};
struct MapFrame {
    std::vector<DrawnMarker> markers;  // bottom to top
    std::vector<DrawnCluster> clusters;
};

struct MapOverlay {
    const MapScene& scene;
    const StationTracks& tracks;
    std::optional<WorldPoint> own;
    int selected = -1;  // in scene.stations()
};

// Paints the map: the base (sea, land, coasts, borders, and tiles over them when there are
// any) and the stations over it. Everything is clipped and thinned to what the view can show,
// so a frame costs about the same at every zoom.
class MapPainter {
public:
    // Stations are drawn with the symbols of `symbols`; plain markers stand in for those it
    // lacks, and for all when it is null or empty.
    explicit MapPainter(const SymbolSet* symbols = &installedSymbols());

    // Tiles, when given, cover the vector map where they are loaded; `wanted` gets the tiles
    // the view shows, most wanted first.
    void paintBase(QPainter& painter, const MapViewport& view, const BaseMap* base, const TileImages* tiles,
                   std::vector<TileId>* wanted);
    MapFrame paintOverlay(QPainter& painter, const MapViewport& view, const MapOverlay& overlay);
    void paintAttribution(QPainter& painter, const MapViewport& view, const QString& text);
    // A scale bar in the bottom left corner, for the middle of the view.
    void paintScaleBar(QPainter& painter, const MapViewport& view);

    static QColor colourOf(MarkerKind kind);
    static const QColor kSea;
    static const QColor kLand;

private:
    struct Single {
        int station;
        QPointF at;
    };
    void paintLayer(QPainter& painter, const MapViewport& view, const BaseMapLayer& layer, double copy, bool rings);
    void paintTiles(QPainter& painter, const MapViewport& view, const TileImages& tiles, std::vector<TileId>* wanted);
    void gather(const MapViewport& view, const MapOverlay& overlay, std::vector<Single>& singles, MapFrame& frame);
    static void absorbIntoClusters(std::vector<Single>& singles, std::vector<DrawnCluster>& clusters, int selected);
    void paintTrack(QPainter& painter, const MapViewport& view, const MapStation& station, const StationTrack& track,
                    long long since);
    void paintCluster(QPainter& painter, const DrawnCluster& cluster);
    void paintLabels(QPainter& painter, const MapViewport& view, const MapOverlay& overlay,
                     const std::vector<Single>& singles, const std::vector<DrawnCluster>& clusters);
    const QImage& sprite(MarkerKind kind, bool selected, qreal ratio);
    // The station's symbol, or null when it has none that can be drawn.
    const QImage* symbolOf(const MapStation& station, qreal ratio);
    double markerRadius() const;
    const QStaticText& labelText(const std::string& name);

    std::vector<ScreenPoint> points_;  // scratch, kept from frame to frame
    std::vector<ScreenPoint> clipped_;
    std::vector<std::vector<ScreenPoint>> pieces_;
    QFont labelFont_;
    QFont clusterFont_;
    QHash<QString, QStaticText> labels_;
    std::array<QImage, 10> sprites_;  // per kind, plain and selected
    qreal spriteRatio_ = 0;
    SymbolImages symbols_;
};

// The base map built into the program; loaded once, on first use.
const BaseMap& builtInBaseMap();

}  // namespace quilmo

// Map frames drawn offscreen at 1280 x 1024 with 100,000 stations and 1,000,000 track points,
// at world, country and city zoom: the whole frame (base map and stations) as while panning,
// and the stations alone as when new packets come and the base stands still. Also: the scene
// rebuilt from the table (twice a second at most, while the window is open), and the
// built-in base map loaded.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <memory>

#include "app/map_render.h"
#include "app/map_scene.h"
#include "map_data.h"

namespace {

using namespace quilmo;

struct HeavyMap {
    StationTable table;
    StationTracks tracks;
    MapScene scene;
    explicit HeavyMap(int stations = bench::kStations) {
        bench::fillHeavyMap(table, tracks, stations);
        scene.rebuild(table, tracks, MapScene::kAllTime);
    }
};

HeavyMap& heavyMap() {
    static HeavyMap map;
    return map;
}

struct View {
    const char* name;
    GeoPoint centre;
    double zoom;  // 0: the whole world
};
constexpr View kViews[] = {{"world", {20, 0}, 0}, {"country", {45.5, 10.5}, 6}, {"city", {44.4949, 11.3426}, 12}};

MapViewport viewportOf(const View& v) {
    MapViewport view(1280, 1024);
    if (v.zoom > 0) view.setZoom(v.zoom);
    view.setCentre(project(v.centre));
    return view;
}

void BM_MapFrame(benchmark::State& state) {
    HeavyMap& map = heavyMap();
    const View& v = kViews[state.range(0)];
    const bool withBase = state.range(1) != 0;
    MapViewport view = viewportOf(v);
    QImage image(1280, 1024, QImage::Format_ARGB32_Premultiplied);
    QImage base(1280, 1024, QImage::Format_ARGB32_Premultiplied);
    MapPainter painter;
    {
        QPainter p(&base);
        painter.paintBase(p, view, &builtInBaseMap(), nullptr, nullptr);
    }
    std::size_t drawn = 0, clusters = 0;
    int step = 0;
    for (auto _ : state) {
        view.panBy((step++ % 2) ? 1 : -1, 0);  // a new view every frame, as when dragging
        QPainter p(&image);
        if (withBase) painter.paintBase(p, view, &builtInBaseMap(), nullptr, nullptr);
        else p.drawImage(0, 0, base);  // what the window does with its kept base
        const MapFrame frame = painter.paintOverlay(p, view, {map.scene, map.tracks, project({44.4917, 11.3375}), -1});
        drawn = frame.markers.size();
        clusters = frame.clusters.size();
    }
    state.SetLabel(std::string(v.name) + (withBase ? " full frame" : " stations only") + ", markers " +
                   std::to_string(drawn) + ", clusters " + std::to_string(clusters));
}
BENCHMARK(BM_MapFrame)->ArgsProduct({{0, 1, 2}, {1, 0}})->Unit(benchmark::kMillisecond);

// With a few hundred stations, as a single channel gives them, and with the heavy map.
void BM_MapSceneRebuild(benchmark::State& state) {
    const int stations = static_cast<int>(state.range(0));
    std::unique_ptr<HeavyMap> light;
    if (stations != bench::kStations) light = std::make_unique<HeavyMap>(stations);
    HeavyMap& map = light ? *light : heavyMap();
    MapScene scene;
    for (auto _ : state) scene.rebuild(map.table, map.tracks, MapScene::kAllTime);
    state.SetLabel(std::to_string(scene.stations().size()) + " stations, " + std::to_string(map.tracks.points()) + " track points");
}
BENCHMARK(BM_MapSceneRebuild)->Arg(500)->Arg(bench::kStations)->Unit(benchmark::kMillisecond);

void BM_LoadBuiltInBaseMap(benchmark::State& state) {
    std::size_t points = 0;
    for (auto _ : state) {
        QFile file(QStringLiteral(":/map/world-50m.basemap"));
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const auto map = readBaseMap(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        points = map ? map->land.points.size() + map->coast.points.size() + map->borders.points.size() : 0;
    }
    state.SetLabel(std::to_string(points) + " points");
}
BENCHMARK(BM_LoadBuiltInBaseMap)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

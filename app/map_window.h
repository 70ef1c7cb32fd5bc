#pragma once
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/map_scene.h"
#include "map/web_mercator.h"

class QComboBox;
class QMenu;
class QLabel;
class QPlainTextEdit;

namespace quilmo {

class MapView;
class TileLoader;

// What the map window shows and where it comes from; its owner keeps the table and the
// tracks alive as long as the window.
struct MapSources {
    const StationTable& stations;
    const StationTracks& tracks;
    std::optional<GeoPoint> ownPosition;
    std::string mapTiles;        // MAPTILES=
    std::string mapAttribution;  // MAPATTRIB= (Windows-1252)
    // A station's latest record (Windows-1252, CR LF lines), for the side panel.
    std::function<std::string(const std::string& station)> latestRecord;
    std::function<LocalTime()> now;  // the wall clock; the time choice counts back from it
    QString tileCacheFolder = {};    // empty: TileLoader::tileCacheFolder()
    int tileTimeoutMs = 15000;
    std::function<void(const QString& text)> putClipboard = {};  // empty: the system clipboard
};

// The non-modal "Map" window: which stations to show above the map, the map, the selected
// station's latest record beside it, and a notice under it while tiles cannot be had. It
// catches up with new packets at most twice a second, and not at all while hidden; what the
// user does shows at once. Closing it only hides it, so the view stays for the next opening.
class MapWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCatchUpMs = 500;

    explicit MapWindow(MapSources sources, QWidget* parent = nullptr);

    void openWindow();
    MapView* view() const { return view_; }
    const MapScene& scene() const { return scene_; }
    QString selectedStation() const;
    QString tileNotice() const;
    // OpenStreetMap's attribution when the template is theirs and MAPATTRIB= says nothing.
    static std::string attributionFor(const std::string& mapTiles, const std::string& mapAttribution);

public slots:
    // New packets came: the map catches up within half a second.
    void refresh();
    // Centres the map on the station and selects it; false when it has no position.
    bool centreOnStation(const QString& station);
    // The next click on the map picks a place (positionPicked) instead of a station.
    void pickPosition();

public:
    // The menu of a station on the map (its place in the scene): "Send message", "Show on
    // map", "Show record", "Copy position". The caller owns it.
    QMenu* stationMenu(int station);
    // The status line under the map: where the pointer is.
    QString pointerText() const;
    // "44.49490, 11.34260"
    static QString positionText(double latitude, double longitude);

signals:
    void stationSelected(const QString& station);
    // "Send message" was chosen for the station.
    void sendMessageTo(const QString& station);
    void tileNoticeChanged(const QString& notice);
    void positionPicked(GeoPoint at);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void catchUp();
    void rebuild();
    void select(int station);
    void showRecord();
    void showPointer(std::optional<GeoPoint> at);
    void fitScreen();
    QString describe(int station) const;
    long long since() const;

    MapSources sources_;
    MapScene scene_;
    TileLoader* tiles_ = nullptr;
    MapView* view_ = nullptr;
    QComboBox* range_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* recordTitle_ = nullptr;
    QPlainTextEdit* record_ = nullptr;
    QLabel* notice_ = nullptr;
    QLabel* pointer_ = nullptr;
    QTimer catchUp_;
    bool stale_ = true;
    bool fittedWithStations_ = false;
    bool picking_ = false;
    std::string selected_;  // the selected station's name, kept across rebuilds
};

}  // namespace quilmo

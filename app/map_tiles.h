#pragma once
#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

#include "map/web_mercator.h"

class QNetworkAccessManager;
class QNetworkDiskCache;
class QNetworkReply;

namespace quilmo {

// Tile images by address, as far as they are loaded; the map draws what there is.
class TileImages {
public:
    virtual ~TileImages() = default;
    virtual const QImage* image(const TileId& tile) const = 0;
};

// Tiles from a tile server, kept on disk between runs. It asks only for the tiles the view
// shows now (never ahead of it), at most two at a time, names the program and its version,
// and stops asking a server that keeps failing for a while that grows each time; a notice
// says so meanwhile. Tiles already on disk are shown without asking at all.
class TileLoader : public QObject, public TileImages {
    Q_OBJECT
public:
    struct Options {
        QString urlTemplate;           // MAPTILES=; empty: nothing is ever asked
        QString cacheFolder;           // empty: tileCacheFolder()
        int timeoutMs = 15000;         // a tile that takes longer failed
        int failuresBeforePause = 3;   // in a row
        int firstPauseMs = 30000;
        int longestPauseMs = 600000;
    };
    static constexpr qint64 kCacheBytes = 200LL * 1024 * 1024;
    static constexpr int kInFlight = 2;

    explicit TileLoader(Options options, QObject* parent = nullptr);
    ~TileLoader() override;

    bool enabled() const { return !options_.urlTemplate.isEmpty(); }
    // The tiles in view now, most wanted first; earlier wishes not among them are dropped.
    void want(const std::vector<TileId>& tiles);
    const QImage* image(const TileId& tile) const override;
    // Empty while the server answers.
    const QString& notice() const { return notice_; }

    // "$XDG_CACHE_HOME/quilmo/tiles", or "~/.cache/quilmo/tiles".
    static QString tileCacheFolder();
    static QByteArray userAgent();

signals:
    // A tile came, or the view should say again what it wants.
    void tilesChanged();
    void noticeChanged(const QString& notice);

private:
    static quint64 keyOf(const TileId& tile);
    void pump();
    void start(const TileId& tile);
    void finished(QNetworkReply* reply, const TileId& tile, bool fromCacheOnly);
    bool storeImage(const TileId& tile, const QByteArray& bytes);
    bool loadStale(const TileId& tile);
    void noteFailure(const TileId& tile, const QString& reason, bool missing);
    void setNotice(const QString& notice);
    bool paused() const;

    Options options_;
    QNetworkAccessManager* network_ = nullptr;
    QNetworkDiskCache* disk_ = nullptr;
    QCache<quint64, QImage> images_;
    std::vector<TileId> wanted_;
    QHash<QNetworkReply*, TileId> replies_;
    QHash<quint64, QDateTime> failedAt_;  // not asked again before a pause has passed
    QHash<quint64, bool> missing_;        // the server has no such tile: never asked again
    int failuresInRow_ = 0;
    int pauseMs_ = 0;
    QDateTime pausedUntil_;
    QTimer resume_;
    QString notice_;
};

}  // namespace quilmo

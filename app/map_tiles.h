#pragma once
#include <QCache>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
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
// says so meanwhile. Tiles already on disk are shown without asking at all. Nothing the
// server sends is trusted: a tile is a 256- or 512-pixel square image, whole within the
// timeout, redirected only a few times on the same host; anything else is refused, kept
// neither on disk nor in memory, and a notice says why.
// An unusable template asks nothing and says so in the notice.
class TileLoader : public QObject, public TileImages {
    Q_OBJECT
public:
    struct Options {
        QString urlTemplate;           // MAPTILES=; empty or unusable: nothing is ever asked
        QString cacheFolder;           // empty: tileCacheFolder()
        int timeoutMs = 15000;         // a tile not whole by then failed, however its bytes come
        int failuresBeforePause = 3;   // in a row
        int firstPauseMs = 30000;
        int longestPauseMs = 600000;
    };
    static constexpr qint64 kCacheBytes = 200LL * 1024 * 1024;
    // Decoded tiles kept in memory: a full view of 512-pixel tiles and its neighbours.
    static constexpr qint64 kImageBytes = 64LL * 1024 * 1024;
    // Far more than any 256- or 512-pixel tile needs; a body that grows beyond is no tile.
    static constexpr qint64 kTileBytes = 2LL * 1024 * 1024;
    static constexpr int kInFlight = 2;
    static constexpr int kRedirects = 3;  // per tile, and only on the template's host

    explicit TileLoader(Options options, QObject* parent = nullptr);
    ~TileLoader() override;

    bool enabled() const { return usable_; }
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
    // A request under way; `refused` says why it was ended for what the server sent.
    struct Flight {
        TileId tile;
        QUrl origin;  // the template's address for the tile
        QDeadlineTimer deadline;
        bool cacheOnly = false;
        bool late = false;
        int redirects = 0;
        QString refused;
    };

    static quint64 keyOf(const TileId& tile);
    void pump();
    void start(const TileId& tile);
    void send(const QUrl& url, const Flight& flight);
    static QString redirectRefusal(const Flight& flight, const QUrl& to);
    void endFlight(QNetworkReply* reply, const QString& refusal);
    void finished(QNetworkReply* reply);
    QString storeImage(const TileId& tile, const QByteArray& bytes);
    bool loadStale(const TileId& tile);
    void refuse(const Flight& flight, QNetworkReply* reply, const QString& why);
    bool noteFailure(const TileId& tile, const QString& reason, bool missing);
    void setNotice(const QString& notice, bool clearedByATile = false);
    bool paused() const;

    Options options_;
    bool usable_ = false;
    QNetworkAccessManager* network_ = nullptr;
    QNetworkDiskCache* disk_ = nullptr;
    QCache<quint64, QImage> images_;
    std::vector<TileId> wanted_;
    QHash<QNetworkReply*, Flight> flights_;
    QHash<quint64, QDateTime> failedAt_;  // not asked again before a pause has passed
    QHash<quint64, bool> missing_;        // the server has no such tile: never asked again
    int failuresInRow_ = 0;
    int pauseMs_ = 0;
    QDateTime pausedUntil_;
    QTimer resume_;
    QString notice_;
    bool noticeClearedByATile_ = false;
};

}  // namespace quilmo

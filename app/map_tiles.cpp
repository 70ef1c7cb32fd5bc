#include "app/map_tiles.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <algorithm>

namespace quilmo {
namespace {

constexpr int kImagesKept = 96;  // tiles in memory: a full view and its neighbours, about 24 MB

}  // namespace

TileLoader::TileLoader(Options options, QObject* parent) : QObject(parent), options_(std::move(options)) {
    images_.setMaxCost(kImagesKept);
    resume_.setSingleShot(true);
    // The view asks again for what it shows when the server's rest is over.
    connect(&resume_, &QTimer::timeout, this, &TileLoader::tilesChanged);
    if (!enabled()) return;
    network_ = new QNetworkAccessManager(this);
    disk_ = new QNetworkDiskCache;  // owned by the manager from here on
    disk_->setCacheDirectory(options_.cacheFolder.isEmpty() ? tileCacheFolder() : options_.cacheFolder);
    disk_->setMaximumCacheSize(kCacheBytes);
    network_->setCache(disk_);
}

TileLoader::~TileLoader() {
    // A reply ended by the manager's destruction must not call back into a loader half gone.
    for (QNetworkReply* reply : replies_.keys()) {
        reply->disconnect(this);
        reply->abort();
    }
}

QString TileLoader::tileCacheFolder() {
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString base = QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/quilmo/tiles");
}

QByteArray TileLoader::userAgent() { return QByteArrayLiteral("Quilmo/" QUILMO_VERSION); }

quint64 TileLoader::keyOf(const TileId& tile) {
    return (quint64(tile.z) << 58) | (quint64(quint32(tile.x)) << 29) | quint64(quint32(tile.y));
}

const QImage* TileLoader::image(const TileId& tile) const { return images_.object(keyOf(tile)); }

void TileLoader::want(const std::vector<TileId>& tiles) {
    if (!enabled()) return;
    wanted_ = tiles;
    pump();
}

bool TileLoader::paused() const { return pausedUntil_.isValid() && QDateTime::currentDateTimeUtc() < pausedUntil_; }

void TileLoader::pump() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto waiting = [&](const TileId& t) {
        const quint64 key = keyOf(t);
        if (images_.contains(key) || missing_.contains(key)) return false;
        for (const TileId& busy : replies_)
            if (busy == t) return false;
        const auto failed = failedAt_.constFind(key);
        return failed == failedAt_.constEnd() || failed->msecsTo(now) >= options_.firstPauseMs;
    };
    while (replies_.size() < kInFlight) {
        const auto next = std::find_if(wanted_.begin(), wanted_.end(), waiting);
        if (next == wanted_.end()) return;
        const TileId tile = *next;
        wanted_.erase(next);
        start(tile);
    }
}

void TileLoader::start(const TileId& tile) {
    const QUrl url(QString::fromStdString(tileUrl(options_.urlTemplate.toStdString(), tile)));
    // While the server rests, only what the disk already holds is shown.
    const bool cacheOnly = paused();
    if (cacheOnly && !disk_->metaData(url).isValid()) return;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         cacheOnly ? QNetworkRequest::AlwaysCache : QNetworkRequest::PreferCache);
    request.setTransferTimeout(options_.timeoutMs);
    QNetworkReply* reply = network_->get(request);
    replies_.insert(reply, tile);
    connect(reply, &QNetworkReply::finished, this, [this, reply, tile, cacheOnly] { finished(reply, tile, cacheOnly); });
}

void TileLoader::finished(QNetworkReply* reply, const TileId& tile, bool fromCacheOnly) {
    replies_.remove(reply);
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool fromDisk = reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300) {
        if (!storeImage(tile, reply->readAll())) {
            noteFailure(tile, QStringLiteral("not an image"), true);
        } else if (!fromDisk) {
            failuresInRow_ = 0;
            pauseMs_ = 0;
            setNotice({});
        }
    } else if (!fromCacheOnly) {
        QString reason = reply->errorString();
        if (status >= 400)
            reason = QStringLiteral("HTTP %1 %2").arg(status).arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
        else if (reply->error() == QNetworkReply::OperationCanceledError)
            reason = QStringLiteral("no answer within %1 s").arg(options_.timeoutMs / 1000.0);
        // An old copy on disk is better than none while the server fails.
        if (status < 400) loadStale(tile);
        noteFailure(tile, reason.trimmed(), status >= 400 && status < 500);
    }
    pump();
}

bool TileLoader::storeImage(const TileId& tile, const QByteArray& bytes) {
    QImage image;
    if (!image.loadFromData(bytes)) return false;
    images_.insert(keyOf(tile), new QImage(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)), 1);
    emit tilesChanged();
    return true;
}

bool TileLoader::loadStale(const TileId& tile) {
    const QUrl url(QString::fromStdString(tileUrl(options_.urlTemplate.toStdString(), tile)));
    QIODevice* stored = disk_->data(url);
    if (stored == nullptr) return false;
    const bool ok = storeImage(tile, stored->readAll());
    delete stored;
    return ok;
}

void TileLoader::noteFailure(const TileId& tile, const QString& reason, bool missing) {
    if (missing) missing_.insert(keyOf(tile), true);
    else failedAt_.insert(keyOf(tile), QDateTime::currentDateTimeUtc());
    if (++failuresInRow_ < options_.failuresBeforePause) return;
    failuresInRow_ = 0;
    pauseMs_ = pauseMs_ == 0 ? options_.firstPauseMs : std::min(pauseMs_ * 2, options_.longestPauseMs);
    pausedUntil_ = QDateTime::currentDateTimeUtc().addMSecs(pauseMs_);
    resume_.start(pauseMs_);
    setNotice(QStringLiteral("Map tiles unavailable (%1): the offline map is shown; the tile server is asked again in %2 s")
                  .arg(reason).arg((pauseMs_ + 999) / 1000));
}

void TileLoader::setNotice(const QString& notice) {
    if (notice == notice_) return;
    notice_ = notice;
    emit noticeChanged(notice_);
}

}  // namespace quilmo

#include "app/map_tiles.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <algorithm>

namespace quilmo {
namespace {

QString tileName(const TileId& tile) { return QStringLiteral("%1/%2/%3").arg(tile.z).arg(tile.x).arg(tile.y); }

bool tileSide(int pixels) { return pixels == 256 || pixels == 512; }

}  // namespace

TileLoader::TileLoader(Options options, QObject* parent) : QObject(parent), options_(std::move(options)) {
    images_.setMaxCost(kImageBytes);
    resume_.setSingleShot(true);
    // The view asks again for what it shows when the server's rest is over.
    connect(&resume_, &QTimer::timeout, this, &TileLoader::tilesChanged);
    if (options_.urlTemplate.isEmpty()) return;
    const std::string problem = tileTemplateProblem(options_.urlTemplate.toStdString());
    if (!problem.empty()) {
        notice_ = QStringLiteral("MAPTILES= cannot be used (%1): the offline map only").arg(QString::fromStdString(problem));
        return;
    }
    usable_ = true;
    network_ = new QNetworkAccessManager(this);
    disk_ = new QNetworkDiskCache;  // owned by the manager from here on
    disk_->setCacheDirectory(options_.cacheFolder.isEmpty() ? tileCacheFolder() : options_.cacheFolder);
    disk_->setMaximumCacheSize(kCacheBytes);
    network_->setCache(disk_);
}

TileLoader::~TileLoader() {
    // A reply ended by the manager's destruction must not call back into a loader half gone.
    for (QNetworkReply* reply : flights_.keys()) {
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
        for (const Flight& busy : flights_)
            if (busy.tile == t) return false;
        const auto failed = failedAt_.constFind(key);
        return failed == failedAt_.constEnd() || failed->msecsTo(now) >= options_.firstPauseMs;
    };
    while (flights_.size() < kInFlight) {
        const auto next = std::find_if(wanted_.begin(), wanted_.end(), waiting);
        if (next == wanted_.end()) return;
        const TileId tile = *next;
        wanted_.erase(next);
        start(tile);
    }
}

void TileLoader::start(const TileId& tile) {
    Flight flight;
    flight.tile = tile;
    flight.origin = QUrl(QString::fromStdString(tileUrl(options_.urlTemplate.toStdString(), tile)));
    // While the server rests, only what the disk already holds is shown.
    flight.cacheOnly = paused();
    if (flight.cacheOnly && !disk_->metaData(flight.origin).isValid()) return;
    // However slowly the bytes come and however often the server redirects, the tile has
    // this long in all; a transfer timeout alone would let a server that trickles hold
    // both requests for ever.
    flight.deadline = QDeadlineTimer(options_.timeoutMs);
    send(flight.origin, flight);
}

void TileLoader::send(const QUrl& url, const Flight& flight) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         flight.cacheOnly ? QNetworkRequest::AlwaysCache : QNetworkRequest::PreferCache);
    // Redirects are judged here, one by one, before any is followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = network_->get(request);
    flights_.insert(reply, flight);
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (std::max(received, total) > kTileBytes) endFlight(reply, QStringLiteral("more than %1 MB").arg(kTileBytes >> 20));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
    QTimer::singleShot(flight.deadline.remainingTime(), reply, [this, reply] {
        const auto late = flights_.find(reply);
        if (late == flights_.end()) return;
        late->late = true;
        reply->abort();
    });
}

// Empty when the redirect may be followed; else why not.
QString TileLoader::redirectRefusal(const Flight& flight, const QUrl& to) {
    if (flight.redirects >= kRedirects) return QStringLiteral("more than %1 redirects").arg(kRedirects);
    if (to.host().compare(flight.origin.host(), Qt::CaseInsensitive) != 0)
        return QStringLiteral("redirected to another host, %1").arg(to.host());
    const bool safe = to.scheme() == QStringLiteral("https") ||
                      (to.scheme() == QStringLiteral("http") && flight.origin.scheme() == QStringLiteral("http"));
    if (!safe) return QStringLiteral("redirected from %1 to %2").arg(flight.origin.scheme(), to.scheme());
    return {};
}

void TileLoader::endFlight(QNetworkReply* reply, const QString& refusal) {
    const auto flight = flights_.find(reply);
    if (flight == flights_.end()) return;
    flight->refused = refusal;
    reply->abort();
}

void TileLoader::finished(QNetworkReply* reply) {
    const auto found = flights_.find(reply);
    if (found == flights_.end()) return;
    Flight flight = *found;
    flights_.erase(found);
    reply->deleteLater();
    const TileId& tile = flight.tile;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool fromDisk = reply->attribute(QNetworkRequest::SourceIsFromCacheAttribute).toBool();
    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (flight.refused.isEmpty() && status >= 300 && status < 400 && target.isValid()) {
        const QUrl to = reply->url().resolved(target);
        flight.refused = redirectRefusal(flight, to);
        if (flight.refused.isEmpty()) {
            ++flight.redirects;
            return send(to, flight);
        }
    }
    if (!flight.refused.isEmpty()) {
        refuse(flight, reply, flight.refused);
    } else if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300) {
        const QString refusal = storeImage(tile, reply->readAll());
        if (!refusal.isEmpty()) {
            refuse(flight, reply, refusal);
        } else if (!fromDisk) {
            failuresInRow_ = 0;
            pauseMs_ = 0;
            if (noticeClearedByATile_) setNotice({});
        }
    } else if (!flight.cacheOnly) {
        QString reason = reply->errorString();
        if (status >= 400)
            reason = QStringLiteral("HTTP %1 %2").arg(status).arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
        else if (flight.late)
            reason = QStringLiteral("no whole tile within %1 s").arg(options_.timeoutMs / 1000.0);
        // An old copy on disk is better than none while the server fails.
        if (status < 400) loadStale(tile);
        noteFailure(tile, reason.trimmed(), status >= 400 && status < 500);
    }
    pump();
}

// Empty when the tile is kept; else why it is not. The header says how big the picture is,
// and a small file can hold a huge one, so the size is judged before any pixel is decoded.
QString TileLoader::storeImage(const TileId& tile, const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead()) return QStringLiteral("not an image");
    const QSize size = reader.size();
    if (!size.isValid()) return QStringLiteral("an image of unknown size");
    if (size.width() != size.height() || !tileSide(size.width()))
        return QStringLiteral("%1\u00D7%2 pixels, not 256 or 512 square").arg(size.width()).arg(size.height());
    QImage image;
    if (!reader.read(&image) || image.size() != size) return QStringLiteral("not an image");
    auto* kept = new QImage(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    images_.insert(keyOf(tile), kept, kept->sizeInBytes());
    emit tilesChanged();
    return {};
}

bool TileLoader::loadStale(const TileId& tile) {
    const QUrl url(QString::fromStdString(tileUrl(options_.urlTemplate.toStdString(), tile)));
    QIODevice* stored = disk_->data(url);
    if (stored == nullptr) return false;
    const bool ok = storeImage(tile, stored->read(kTileBytes + 1)).isEmpty();
    delete stored;
    return ok;
}

// What the server sent is no tile: it is not kept on disk either (the next run would only
// refuse it again), and it is not asked for again this run.
void TileLoader::refuse(const Flight& flight, QNetworkReply* reply, const QString& why) {
    disk_->remove(flight.origin);
    disk_->remove(reply->url());
    if (noteFailure(flight.tile, why, true)) return;
    setNotice(QStringLiteral("Map tile %1 refused (%2): the offline map is shown there").arg(tileName(flight.tile), why));
}

// True when the server is left alone for a while from now on.
bool TileLoader::noteFailure(const TileId& tile, const QString& reason, bool missing) {
    if (missing) missing_.insert(keyOf(tile), true);
    else failedAt_.insert(keyOf(tile), QDateTime::currentDateTimeUtc());
    if (++failuresInRow_ < options_.failuresBeforePause) return false;
    failuresInRow_ = 0;
    pauseMs_ = pauseMs_ == 0 ? options_.firstPauseMs : std::min(pauseMs_ * 2, options_.longestPauseMs);
    pausedUntil_ = QDateTime::currentDateTimeUtc().addMSecs(pauseMs_);
    resume_.start(pauseMs_);
    setNotice(QStringLiteral("Map tiles unavailable (%1): the offline map is shown; the tile server is asked again in %2 s")
                  .arg(reason, QString::number((pauseMs_ + 999) / 1000)),
              true);
    return true;
}

// A rest's notice goes with the next tile that comes; a refusal's stays, since the tile it
// names stays missing.
void TileLoader::setNotice(const QString& notice, bool clearedByATile) {
    noticeClearedByATile_ = clearedByATile;
    if (notice == notice_) return;
    notice_ = notice;
    emit noticeChanged(notice_);
}

}  // namespace quilmo

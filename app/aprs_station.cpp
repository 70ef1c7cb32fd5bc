#include "app/aprs_station.h"

#include <algorithm>
#include <utility>

#include "app/station_setup.h"
#include "platform/files.h"
#include "platform/sqlite_message_store.h"

namespace quilmo {
namespace {

// A beacon every few days would overflow the timer's int; waking early does no harm.
constexpr std::int64_t kLongestWaitMs = 24LL * 3600 * 1000;
// As often as the logs try a file that failed.
constexpr int kStoreRetryMs = 2000;

}  // namespace

AprsStation::AprsStation(const Settings& settings, const std::string& filesFolder, WallClock clock, Send send,
                         QObject* parent)
    : QObject(parent),
      clock_(std::move(clock)),
      send_(std::move(send)),
      store_(std::make_unique<SqliteMessageStore>(joinPath(filesFolder, kMessageDatabaseName))),
      messaging_(std::make_unique<Messaging>(settings.myCall, store_.get(), clock_)),
      beacon_(beaconFor(settings).value_or(""), settings.beaconMinutes, clock_) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &AprsStation::wake);
    storeRetry_.setInterval(kStoreRetryMs);
    connect(&storeRetry_, &QTimer::timeout, this, [this] { messaging_->retryStore(); });
    noticeTold_ = messaging_->notice();
    listener_ = messaging_->addListener([this] { changed(); });
}

// What could not be written gets one last try, as pending log text does.
AprsStation::~AprsStation() {
    messaging_->removeListener(listener_);
    messaging_->retryStore();
}

void AprsStation::receive(std::string_view source, std::string_view information) {
    messaging_->receive(source, information);
}

void AprsStation::setLinkReady(bool ready) {
    messaging_->setLinkReady(ready);
    beacon_.setLinkReady(ready);
    arm();
}

void AprsStation::wake() {
    messaging_->wake();
    if (const std::optional<std::string> beacon = beacon_.wake()) {
        // A beacon the link turns down is not worth a retry: the next one is due anyway.
        send_(*beacon);
    }
    arm();
}

std::optional<std::int64_t> AprsStation::nextWakeAt() const {
    const std::optional<std::int64_t> tries = messaging_->nextWakeAt(), beacon = beacon_.nextWakeAt();
    if (!tries) return beacon;
    if (!beacon) return tries;
    return std::min(*tries, *beacon);
}

// Every change of messaging: what it queued goes out, the timer follows the next try, and
// a store that failed is told once.
void AprsStation::changed() {
    sendQueued();
    arm();
    armStoreRetry();
    if (messaging_->notice() == noticeTold_) return;
    noticeTold_ = messaging_->notice();
    emit noticeChanged(noticeTold_);
}

// Fields go out while the link is ready; one it turns down anyway (the moment it went
// down) is covered by the next try, and an ack by the next copy the sender repeats.
void AprsStation::sendQueued() {
    for (const std::string& information : messaging_->takeOutgoing()) send_(information);
}

void AprsStation::armStoreRetry() {
    if (!messaging_->storeWaiting()) {
        storeRetry_.stop();
    } else if (!storeRetry_.isActive()) {
        storeRetry_.start();
    }
}

void AprsStation::arm() {
    const std::optional<std::int64_t> next = nextWakeAt();
    if (!next) {
        timer_.stop();
        return;
    }
    const std::int64_t wait = std::clamp<std::int64_t>(*next - clock_(), 0, kLongestWaitMs);
    timer_.start(static_cast<int>(wait));
}

}  // namespace quilmo

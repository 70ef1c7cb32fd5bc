#include "app/aprs_station.h"

#include <algorithm>
#include <charconv>
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

// When the last beacon went out, in milliseconds since 1970, as the file keeps it.
std::optional<std::int64_t> readBeaconTime(const std::string& path) {
    const std::optional<std::string> text = readWholeFile(path);
    if (!text) return std::nullopt;
    std::int64_t ms = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), ms);
    // Nothing readable, or no time this program lives to see.
    if (error != std::errc() || end == text->data() || ms < 0 || ms > 999'999'999'999'999) return std::nullopt;
    return ms;
}

std::string budgetNotice(std::uint64_t dropped, const BudgetLimits& limits) {
    std::string text = "The channel budget held back " + std::to_string(dropped) + (dropped == 1 ? " ack" : " acks") +
                       " for over 30 s, and they were dropped: at most " + std::to_string(limits.perMinute) +
                       " packets of ours go out a minute";
    if (limits.perTenSeconds > 0) text += ", " + std::to_string(limits.perTenSeconds) + " in 10 s";
    return text + ".";
}

}  // namespace

AprsStation::AprsStation(const Settings& settings, const std::string& filesFolder, WallClock clock, Send send,
                         QObject* parent)
    : QObject(parent),
      clock_(std::move(clock)),
      send_(std::move(send)),
      store_(std::make_unique<SqliteMessageStore>(joinPath(filesFolder, kMessageDatabaseName))),
      messaging_(std::make_unique<Messaging>(settings.myCall, store_.get(), clock_)),
      beaconTimePath_(joinPath(filesFolder, kBeaconTimeName)),
      beacon_(beaconFor(settings).value_or(""), settings.beaconMinutes, clock_, readBeaconTime(beaconTimePath_)),
      budget_(linkKindOf(settings) == LinkKind::AprsIs ? kInternetBudget : kRadioBudget) {
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
    if (!ready) budget_.clear();
    messaging_->setLinkReady(ready);
    beacon_.setLinkReady(ready);
    arm();
}

void AprsStation::wake() {
    messaging_->wake();
    if (std::optional<std::string> beacon = beacon_.wake()) {
        budget_.add(OwnPacket::Beacon, std::move(*beacon), clock_());
        keepBeaconTime();
    }
    release();
    arm();
}

std::optional<std::int64_t> AprsStation::nextWakeAt() const {
    std::optional<std::int64_t> next;
    for (const std::optional<std::int64_t> at : {messaging_->nextWakeAt(), beacon_.nextWakeAt(), budget_.nextReleaseAt()}) {
        if (at && (!next || *at < *next)) next = at;
    }
    return next;
}

// A restart or a reconnect must not beacon again before the interval is over.
void AprsStation::keepBeaconTime() {
    const std::optional<std::int64_t> last = beacon_.lastSent();
    if (!last) return;
    emit beaconTimeWritten(beaconTimePath_, replaceFile(beaconTimePath_, std::to_string(*last) + "\r\n"));
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
    const std::int64_t now = clock_();
    for (Messaging::Outgoing& o : messaging_->takeOutgoingPackets()) {
        budget_.add(o.ack ? OwnPacket::Ack : OwnPacket::Message, std::move(o.information), now);
    }
    release();
}

// What the budget lets go now goes out (a beacon the link turns down is not worth a retry:
// the next one is due anyway); acks it had to drop are told once per change.
void AprsStation::release() {
    for (const std::string& information : budget_.release(clock_())) send_(information);
    if (budget_.droppedAcks() == droppedTold_) return;
    droppedTold_ = budget_.droppedAcks();
    emit budgetNoticeChanged(budgetNotice(droppedTold_, budget_.limits()));
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

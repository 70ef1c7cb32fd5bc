#pragma once
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/config.h"
#include "aprs/beacon.h"
#include "aprs/messaging.h"
#include "aprs/transmit_budget.h"
#include "platform/files.h"
#include "platform/message_store.h"
#include "platform/wall_clock.h"

namespace quilmo {

// Beside the other files: when the last beacon went out, so a restart keeps the interval.
inline constexpr std::string_view kBeaconTimeName = "beacon.txt";

// What the station does on APRS beyond what is typed: its messages, kept in quilmo.sqlite,
// with their acks and tries, and the beacon. It sends only while the link can, through the
// function it is given, and only as much as the link's budget allows (a radio channel is
// shared). It keeps one single-shot timer that runs only while a try, a beacon or a packet
// held back by the budget waits, and one that tries the database again every 2 s only
// while changes wait to be written: an idle program spends nothing here.
class AprsStation : public QObject {
    Q_OBJECT
public:
    // Puts one information field on the link; returns why it did not, empty when it went out.
    using Send = std::function<std::string(std::string_view information)>;

    AprsStation(const Settings& settings, const std::string& filesFolder, WallClock clock, Send send,
                QObject* parent = nullptr);
    ~AprsStation() override;

    // A packet heard: its sender and information field.
    void receive(std::string_view source, std::string_view information);
    void setLinkReady(bool ready);
    // Due tries and a due beacon go out. The timer calls it; so may anyone, it never sends early.
    void wake();
    // When wake() is due next; nothing while nothing waits.
    std::optional<std::int64_t> nextWakeAt() const;
    bool timerRunning() const { return timer_.isActive(); }
    bool storeRetryRunning() const { return storeRetry_.isActive(); }

    Messaging& messaging() { return *messaging_; }
    // Why messages are not kept across runs; empty while they are.
    const std::string& notice() const { return messaging_->notice(); }

    // Acks the budget held back so long that they were dropped, this run.
    std::uint64_t droppedAcks() const { return budget_.droppedAcks(); }
    const TransmitBudget& budget() const { return budget_; }

signals:
    void noticeChanged(const std::string& text);
    // Acks were dropped because the channel's budget was spent; empty text: none so far.
    void budgetNoticeChanged(const std::string& text);
    // The file that keeps when the last beacon went out was written (or not).
    void beaconTimeWritten(const std::string& path, const WriteResult& result);

private:
    void changed();
    void sendQueued();
    void release();
    void keepBeaconTime();
    void arm();
    void armStoreRetry();

    WallClock clock_;
    Send send_;
    std::unique_ptr<MessageStore> store_;
    std::unique_ptr<Messaging> messaging_;
    std::string beaconTimePath_;
    BeaconSchedule beacon_;
    TransmitBudget budget_;
    std::uint64_t droppedTold_ = 0;
    QTimer timer_;
    QTimer storeRetry_;
    std::string noticeTold_;
    int listener_ = 0;
};

}  // namespace quilmo

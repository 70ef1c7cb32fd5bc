#pragma once
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "aprs/messaging.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;

namespace quilmo {

// The "Messages" window: conversations by station on the left with the bulletins below
// them, the chosen conversation on the right, and a line to write a message. It works on
// the messaging object alone; whatever it queues to go out (a new message, a resend) it
// hands to `transmit` at once, one information field per call. While it is open it follows
// each change in the conversation that changed only; while hidden it follows nothing and
// is filled anew when shown.
class MessagesWindow : public QWidget {
    Q_OBJECT
public:
    using Transmit = std::function<void(const std::string& information)>;

    MessagesWindow(Messaging& messaging, Transmit transmit, QWidget* parent = nullptr);
    ~MessagesWindow() override;

    // Shows it in front with the focus in the addressee field.
    void openWindow();
    // Shows it in front with the station (Windows-1252, as heard) as the addressee, its
    // conversation chosen and the focus in the text, ready to write to it.
    void composeTo(const std::string& station);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void follow(const MessagingUpdate& update);
    void fillStations();
    void updateStation(const std::string& station);
    void showStation(QListWidgetItem* item, const std::string& station);
    void fillConversation();
    void fillBulletins();
    void updateNotice();
    void updateButtons();
    void updateLength();
    void showReason(const QString& reason);
    void chooseStation(const std::string& station);
    void sendTyped();
    void cancelChosen();
    void resendChosen();
    void transmitQueued();
    std::int64_t chosenMessage() const;

    Messaging& messaging_;
    Transmit transmit_;
    int listener_ = 0;
    std::string station_;  // the conversation shown; empty: none
    bool stale_ = true;     // changes came while hidden
    std::map<std::string, QListWidgetItem*, std::less<>> stationRows_;

    QListWidget* stations_;
    QListWidget* bulletins_;
    QTreeWidget* conversation_;
    QPushButton* cancel_;
    QPushButton* resend_;
    QLineEdit* addressee_;
    QLineEdit* text_;
    QLabel* length_;
    QLabel* reason_;
    QLabel* notice_;
};

}  // namespace quilmo

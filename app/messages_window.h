#pragma once
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "aprs/messaging.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace quilmo {

// The "Messages" window: conversations by station on the left with the bulletins below
// them, the chosen conversation on the right, and a line to write a message. It works on
// the messaging object alone; whatever it queues to go out (a new message, a resend) it
// hands to `transmit` at once, one information field per call.
class MessagesWindow : public QWidget {
    Q_OBJECT
public:
    using Transmit = std::function<void(const std::string& information)>;

    MessagesWindow(Messaging& messaging, Transmit transmit, QWidget* parent = nullptr);
    ~MessagesWindow() override;

    // Shows it in front with the focus in the addressee field.
    void openWindow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void fillStations();
    void fillConversation();
    void fillBulletins();
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

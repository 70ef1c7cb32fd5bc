#include "app/messages_window.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>
#include <algorithm>
#include <QVBoxLayout>

#include "platform/qt_text.h"

namespace quilmo {
namespace {

enum Column { kTime, kDirection, kText, kState, kColumns };

// Black like the console, fields framed so an empty one does not vanish into it.
const char* const kStyle =
    "QWidget#Messages { background-color: #000000; }"
    "QLabel { color: #FFFFFF; background-color: transparent; }"
    "QListWidget, QTreeWidget { color: #FFFFFF; background-color: #000000; border: 1px solid #606060;"
    " selection-color: #FFFFFF; selection-background-color: #004080; }"
    "QHeaderView::section { color: #C0C0C0; background-color: #101010; border: 1px solid #404040; padding: 2px; }"
    "QLineEdit { color: #FFFF00; background-color: #000000; border: 1px solid #606060; padding: 2px; }"
    "QPushButton { color: #FFFFFF; background-color: #004080; border: 1px solid #404040; padding: 3px 10px; }"
    "QPushButton:disabled { color: #606060; background-color: #101010; }"
    "QLabel#MessageReason { color: #FFFFFF; background-color: #C00000; padding: 2px; }"
    "QLabel#MessagesNotice { color: #FFFFFF; background-color: #C00000; padding: 2px; }";

QColor stateColour(MessageState state) {
    switch (state) {
        case MessageState::Received: return QColor(0xFFFFFF);
        case MessageState::Sending: return QColor(0xFFFF00);
        case MessageState::Acknowledged: return QColor(0x00C000);
        case MessageState::Rejected:
        case MessageState::GivenUp: return QColor(0xFF4040);
        case MessageState::Cancelled: return QColor(0x808080);
    }
    return QColor(0xFFFFFF);
}

QString timeText(std::int64_t millis) {
    return QDateTime::fromMSecsSinceEpoch(millis).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QLabel* caption(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

}  // namespace

MessagesWindow::MessagesWindow(Messaging& messaging, Transmit transmit, QWidget* parent)
    : QWidget(parent, Qt::Window), messaging_(messaging), transmit_(std::move(transmit)) {
    setObjectName(QStringLiteral("Messages"));
    setWindowTitle(QStringLiteral("Messages"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QString::fromLatin1(kStyle));

    addressee_ = new QLineEdit(this);
    addressee_->setObjectName(QStringLiteral("Addressee"));
    addressee_->setPlaceholderText(QStringLiteral("station"));
    addressee_->setMaxLength(9);
    addressee_->setFixedWidth(addressee_->fontMetrics().horizontalAdvance(QStringLiteral("WWWWWW-15W")) + 12);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("MessageText"));
    text_->setPlaceholderText(QStringLiteral("message, Enter sends"));
    length_ = new QLabel(this);
    length_->setObjectName(QStringLiteral("MessageLength"));
    reason_ = new QLabel(this);
    reason_->setObjectName(QStringLiteral("MessageReason"));
    reason_->setWordWrap(true);
    reason_->hide();
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("MessagesNotice"));
    notice_->setTextFormat(Qt::PlainText);  // it can quote what came over the air
    notice_->setWordWrap(true);

    stations_ = new QListWidget(this);
    stations_->setObjectName(QStringLiteral("MessageStations"));
    stations_->setUniformItemSizes(true);  // thousands of conversations: no row measured on its own
    bulletins_ = new QListWidget(this);
    bulletins_->setObjectName(QStringLiteral("Bulletins"));
    bulletins_->setWordWrap(true);
    conversation_ = new QTreeWidget(this);
    conversation_->setObjectName(QStringLiteral("Conversation"));
    conversation_->setColumnCount(kColumns);
    conversation_->setHeaderLabels({QStringLiteral("time"), QString(), QStringLiteral("text"), QStringLiteral("state")});
    conversation_->setRootIsDecorated(false);
    conversation_->setUniformRowHeights(true);
    conversation_->header()->setStretchLastSection(false);
    conversation_->header()->setSectionResizeMode(kText, QHeaderView::Stretch);
    const QFontMetrics metrics = conversation_->fontMetrics();
    conversation_->setColumnWidth(kTime, metrics.horizontalAdvance(QStringLiteral("2026-12-05 09:05")) + 16);
    conversation_->setColumnWidth(kDirection, metrics.horizontalAdvance(QStringLiteral("out")) + 16);
    conversation_->setColumnWidth(kState, metrics.horizontalAdvance(QStringLiteral("waiting for the link")) + 16);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("CancelMessage"));
    resend_ = new QPushButton(QStringLiteral("Resend"), this);
    resend_->setObjectName(QStringLiteral("ResendMessage"));
    for (QWidget* w : {static_cast<QWidget*>(stations_), static_cast<QWidget*>(bulletins_),
                       static_cast<QWidget*>(conversation_), static_cast<QWidget*>(cancel_), static_cast<QWidget*>(resend_)})
        w->setFocusPolicy(Qt::ClickFocus);  // Tab goes from the addressee to the text and back

    auto* left = new QVBoxLayout;
    left->addWidget(caption("Conversations", this));
    left->addWidget(stations_, 3);
    left->addWidget(caption("Bulletins", this));
    left->addWidget(bulletins_, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(resend_);
    auto* line = new QHBoxLayout;
    line->addWidget(caption("To", this));
    line->addWidget(addressee_);
    line->addWidget(text_, 1);
    line->addWidget(length_);
    auto* right = new QVBoxLayout;
    right->addWidget(conversation_, 1);
    right->addLayout(buttons);
    right->addLayout(line);
    right->addWidget(reason_);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 3);
    auto* all = new QVBoxLayout(this);
    all->addLayout(columns, 1);
    all->addWidget(notice_);
    setTabOrder(addressee_, text_);
    // A small screen gets a window that fits it; the lists and the conversation give way.
    const QRect room = screen()->availableGeometry();
    resize(std::min(820, room.width()), std::min(480, room.height()));

    connect(addressee_, &QLineEdit::returnPressed, this, &MessagesWindow::sendTyped);
    connect(text_, &QLineEdit::returnPressed, this, &MessagesWindow::sendTyped);
    connect(text_, &QLineEdit::textChanged, this, &MessagesWindow::updateLength);
    // A reason belongs to the text it was given for.
    connect(text_, &QLineEdit::textEdited, this, [this] { showReason({}); });
    connect(stations_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const QByteArray station = item->data(Qt::UserRole).toByteArray();
        addressee_->setText(fromAirText(std::string_view(station.constData(), static_cast<std::size_t>(station.size()))));
        chooseStation(station.toStdString());
        text_->setFocus();
    });
    connect(conversation_, &QTreeWidget::itemSelectionChanged, this, &MessagesWindow::updateButtons);
    connect(cancel_, &QPushButton::clicked, this, &MessagesWindow::cancelChosen);
    connect(resend_, &QPushButton::clicked, this, &MessagesWindow::resendChosen);
    listener_ = messaging_.addListener([this](const MessagingUpdate& update) { follow(update); });
    updateLength();
}

MessagesWindow::~MessagesWindow() { messaging_.removeListener(listener_); }

void MessagesWindow::openWindow() {
    // What the user most likely came for: the conversation with the newest unread message,
    // chosen before showing marks the one shown last as read.
    const std::vector<StoredMessage>& all = messaging_.messages();
    const auto newest = std::find_if(all.rbegin(), all.rend(), [](const StoredMessage& m) { return m.unread && !m.outgoing; });
    if (newest != all.rend() && isVisible()) {
        chooseStation(newest->station);
    } else if (newest != all.rend()) {
        station_ = newest->station;
        stale_ = true;  // shown as a whole when the window appears
    }
    show();
    raise();
    activateWindow();
    addressee_->setFocus();
}

void MessagesWindow::composeTo(const std::string& station) {
    openWindow();
    addressee_->setText(fromAirText(station));
    chooseStation(station);
    text_->setFocus();
}

void MessagesWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) refresh();  // nothing is followed while hidden
    addressee_->setFocus();
}

void MessagesWindow::refresh() {
    stale_ = false;
    fillStations();
    fillConversation();
    fillBulletins();
    updateNotice();
    // Last: it tells the listeners again, and this window's part is done by then.
    if (isVisible() && !station_.empty()) messaging_.markRead(station_);
}

// One change costs the rows of the conversations it touched, never the whole list.
void MessagesWindow::follow(const MessagingUpdate& update) {
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    bool shown = false;
    for (const std::string& station : update.stations) {
        updateStation(station);
        shown = shown || station == station_;
    }
    if (shown) fillConversation();
    if (update.bulletins) fillBulletins();
    updateNotice();
    if (shown) messaging_.markRead(station_);
}

void MessagesWindow::updateNotice() {
    QString notice = QString::fromStdString(messaging_.notice());
    if (messaging_.myCall().empty()) notice = QStringLiteral("Messages are sent only with your callsign in Quilmo.ini (MYCALL=).");
    if (notice_->text() != notice) notice_->setText(notice);
    notice_->setVisible(!notice.isEmpty());
}

void MessagesWindow::fillStations() {
    QSignalBlocker quiet(stations_);
    stations_->clear();
    stationRows_.clear();
    for (const std::string& station : messaging_.stations()) {
        auto* item = new QListWidgetItem;
        showStation(item, station);
        stations_->addItem(item);
        stationRows_.emplace(station, item);
        if (station == station_) item->setSelected(true);
    }
}

void MessagesWindow::showStation(QListWidgetItem* item, const std::string& station) {
    const int unread = messaging_.unreadCount(station);
    const std::vector<const StoredMessage*> messages = messaging_.conversation(station);
    item->setText(fromAirText(station) + (unread > 0 ? QStringLiteral(" (%1)").arg(unread) : QString()));
    item->setData(Qt::UserRole, QByteArray(station.data(), static_cast<qsizetype>(station.size())));
    // The latest message's id: a newer one moves the row to the top.
    item->setData(Qt::UserRole + 1, QVariant::fromValue<qlonglong>(messages.empty() ? 0 : messages.back()->id));
    if (item->font().bold() != (unread > 0)) {
        QFont font = item->font();
        font.setBold(unread > 0);
        item->setFont(font);
    }
}

// A station with a new message is the latest: its row goes to the top (made if it is new).
// Rows are changed in place otherwise: this may run inside the list's own click.
void MessagesWindow::updateStation(const std::string& station) {
    QSignalBlocker quiet(stations_);
    auto at = stationRows_.find(station);
    const qlonglong before = at == stationRows_.end() ? -1 : at->second->data(Qt::UserRole + 1).toLongLong();
    QListWidgetItem* item = at == stationRows_.end() ? new QListWidgetItem : at->second;
    showStation(item, station);
    if (item->data(Qt::UserRole + 1).toLongLong() == before) return;
    if (at != stationRows_.end()) stations_->takeItem(stations_->row(item));
    stations_->insertItem(0, item);
    stationRows_[station] = item;
    item->setSelected(station == station_);
}

void MessagesWindow::fillConversation() {
    const std::int64_t chosen = chosenMessage();
    const bool atBottom = conversation_->verticalScrollBar() == nullptr ||
                          conversation_->verticalScrollBar()->value() == conversation_->verticalScrollBar()->maximum();
    QSignalBlocker quiet(conversation_);
    conversation_->clear();
    for (const StoredMessage* message : messaging_.conversation(station_)) {
        const StoredMessage& m = *message;
        auto* row = new QTreeWidgetItem(conversation_);
        row->setText(kTime, timeText(m.time));
        row->setText(kDirection, m.outgoing ? QStringLiteral("out") : QStringLiteral("in"));
        row->setText(kText, QString::fromStdString(m.text));
        row->setText(kState, QString::fromStdString(messageStateText(m)));
        row->setData(kTime, Qt::UserRole, QVariant::fromValue<qlonglong>(m.id));
        row->setForeground(kText, m.outgoing ? QColor(0x00FFFF) : QColor(0xFFFFFF));
        row->setForeground(kState, stateColour(m.state));
        if (m.id == chosen) row->setSelected(true);
    }
    if (atBottom) conversation_->scrollToBottom();
    updateButtons();
}

void MessagesWindow::fillBulletins() {
    bulletins_->clear();
    for (const Bulletin& b : messaging_.bulletins()) {
        bulletins_->addItem(fromAirText(b.addressee + " " + b.station) + QStringLiteral(": ") + QString::fromStdString(b.text));
    }
}

std::int64_t MessagesWindow::chosenMessage() const {
    const QList<QTreeWidgetItem*> chosen = conversation_->selectedItems();
    return chosen.isEmpty() ? 0 : chosen.front()->data(kTime, Qt::UserRole).toLongLong();
}

void MessagesWindow::updateButtons() {
    const StoredMessage* m = messaging_.message(chosenMessage());
    const MessageState state = m != nullptr && m->outgoing ? m->state : MessageState::Received;
    cancel_->setEnabled(state == MessageState::Sending);
    resend_->setEnabled(state == MessageState::GivenUp || state == MessageState::Cancelled);
}

// Characters, as the limit counts them, whether the text goes out in Windows-1252 or UTF-8.
void MessagesWindow::updateLength() {
    const qsizetype length = text_->text().toUcs4().size();
    length_->setText(QStringLiteral("%1/%2").arg(length).arg(kMaxMessageText));
    const bool over = length > static_cast<qsizetype>(kMaxMessageText);
    length_->setStyleSheet(over ? QStringLiteral("QLabel { color: #FF4040; }") : QStringLiteral("QLabel { color: #808080; }"));
}

void MessagesWindow::showReason(const QString& reason) {
    reason_->setText(reason);
    reason_->setVisible(!reason.isEmpty());
}

void MessagesWindow::chooseStation(const std::string& station) {
    station_ = station;
    {
        QSignalBlocker quiet(stations_);
        const auto at = stationRows_.find(station_);
        if (at != stationRows_.end()) stations_->setCurrentItem(at->second);
    }
    fillConversation();
    if (isVisible()) messaging_.markRead(station_);
}

void MessagesWindow::sendTyped() {
    const std::string addressee = toCp1252(addressee_->text().trimmed());
    const SendResult result = messaging_.send(addressee, text_->text().toStdString());
    showReason(QString::fromStdString(result.reason));
    if (!result.accepted) return;
    text_->clear();
    chooseStation(messaging_.message(result.id)->station);
    transmitQueued();
    text_->setFocus();
}

void MessagesWindow::cancelChosen() {
    messaging_.cancel(chosenMessage());
}

void MessagesWindow::resendChosen() {
    messaging_.resend(chosenMessage());
    transmitQueued();
}

// The owner may have taken the queue already when it heard of the change; then nothing is left.
void MessagesWindow::transmitQueued() {
    for (const std::string& information : messaging_.takeOutgoing()) {
        if (transmit_) transmit_(information);
    }
}

}  // namespace quilmo

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
        const QString station = item->data(Qt::UserRole).toString();  // the list is filled anew below
        addressee_->setText(station);
        chooseStation(toCp1252(station));
        text_->setFocus();
    });
    connect(conversation_, &QTreeWidget::itemSelectionChanged, this, &MessagesWindow::updateButtons);
    connect(cancel_, &QPushButton::clicked, this, &MessagesWindow::cancelChosen);
    connect(resend_, &QPushButton::clicked, this, &MessagesWindow::resendChosen);
    listener_ = messaging_.addListener([this] {
        if (isVisible()) refresh();
    });
    updateLength();
    refresh();
}

MessagesWindow::~MessagesWindow() { messaging_.removeListener(listener_); }

void MessagesWindow::openWindow() {
    show();
    raise();
    activateWindow();
    addressee_->setFocus();
}

void MessagesWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();  // nothing is drawn while hidden
    addressee_->setFocus();
}

void MessagesWindow::refresh() {
    fillStations();
    fillConversation();
    fillBulletins();
    QString notice = fromCp1252(messaging_.notice());
    if (messaging_.myCall().empty()) notice = QStringLiteral("Messages are sent only with your callsign in Quilmo.ini (MYCALL=).");
    notice_->setText(notice);
    notice_->setVisible(!notice.isEmpty());
    // Last: it tells the listeners again, and this window's part is done by then.
    if (isVisible() && !station_.empty()) messaging_.markRead(station_);
}

// Rows are rewritten in place, not made anew: this runs inside the list's own click.
void MessagesWindow::fillStations() {
    QSignalBlocker quiet(stations_);
    const std::vector<std::string> stations = messaging_.stations();
    while (stations_->count() > static_cast<int>(stations.size())) delete stations_->takeItem(stations_->count() - 1);
    while (stations_->count() < static_cast<int>(stations.size())) stations_->addItem(QString());
    for (int row = 0; row < stations_->count(); ++row) {
        const std::string& station = stations[static_cast<std::size_t>(row)];
        const int unread = messaging_.unreadCount(station);
        QListWidgetItem* item = stations_->item(row);
        item->setText(fromCp1252(station) + (unread > 0 ? QStringLiteral(" (%1)").arg(unread) : QString()));
        item->setData(Qt::UserRole, fromCp1252(station));
        QFont font = item->font();
        font.setBold(unread > 0);
        item->setFont(font);
        item->setSelected(station == station_);
    }
}

void MessagesWindow::fillConversation() {
    const std::int64_t chosen = chosenMessage();
    const bool atBottom = conversation_->verticalScrollBar() == nullptr ||
                          conversation_->verticalScrollBar()->value() == conversation_->verticalScrollBar()->maximum();
    QSignalBlocker quiet(conversation_);
    conversation_->clear();
    for (const StoredMessage& m : messaging_.messages()) {
        if (m.station != station_) continue;
        auto* row = new QTreeWidgetItem(conversation_);
        row->setText(kTime, timeText(m.time));
        row->setText(kDirection, m.outgoing ? QStringLiteral("out") : QStringLiteral("in"));
        row->setText(kText, fromCp1252(m.text));
        row->setText(kState, fromCp1252(messageStateText(m)));
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
        bulletins_->addItem(fromCp1252(b.addressee + " " + b.station + ": " + b.text));
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

void MessagesWindow::updateLength() {
    const qsizetype length = toCp1252(text_->text()).size();
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
    refresh();
}

void MessagesWindow::sendTyped() {
    const std::string addressee = toCp1252(addressee_->text().trimmed());
    const SendResult result = messaging_.send(addressee, toCp1252(text_->text()));
    showReason(fromCp1252(result.reason));
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
